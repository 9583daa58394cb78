// The in-memory console device.
#include "console/MemoryDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "console/UsLayout.h"

namespace corvel {

MemoryDevice::MemoryDevice(int columns, int rows)
    : columns_(columns), rows_(rows),
      cells_(static_cast<std::size_t>(columns) * rows, Cell{' ', 7}) {}

void MemoryDevice::resize(int columns, int rows) {
    if (columns < 1 || rows < 1) return;
    std::vector<Cell> resized(static_cast<std::size_t>(columns) * rows, Cell{' ', defaultAttribute_});
    for (int r = 1; r <= std::min(rows, rows_); ++r) {
        for (int c = 1; c <= std::min(columns, columns_); ++c) {
            resized[static_cast<std::size_t>(r - 1) * columns + (c - 1)] = *cellAt(r, c);
        }
    }
    cells_ = std::move(resized);
    columns_ = columns;
    rows_ = rows;
    row_ = std::min(row_, rows_);
    column_ = std::min(column_, columns_);
}

void MemoryDevice::setCursor(int row, int column) {
    row_ = std::clamp(row, 1, rows_);
    column_ = std::clamp(column, 1, columns_);
}

Cell* MemoryDevice::cellAt(int row, int column) {
    return &cells_[static_cast<std::size_t>(row - 1) * columns_ + (column - 1)];
}

const Cell* MemoryDevice::cellAt(int row, int column) const {
    return &cells_[static_cast<std::size_t>(row - 1) * columns_ + (column - 1)];
}

void MemoryDevice::writeCells(int row, int column, const Cell* cells, int count) {
    if (row < 1 || row > rows_ || column < 1) return;
    for (int i = 0; i < count && column + i <= columns_; ++i) *cellAt(row, column + i) = cells[i];
}

void MemoryDevice::scrollUp(std::uint8_t fillAttribute) {
    std::move(cells_.begin() + columns_, cells_.end(), cells_.begin());
    std::fill(cells_.end() - columns_, cells_.end(), Cell{' ', fillAttribute});
}

void MemoryDevice::fillCharacters(int row, int column, int count, std::uint8_t character) {
    if (row < 1 || row > rows_ || column < 1 || column > columns_) return;
    auto first = static_cast<std::size_t>(row - 1) * columns_ + (column - 1);
    for (std::size_t i = first; i < cells_.size() && count > 0; ++i, --count) cells_[i].character = character;
}

void MemoryDevice::fillAttributes(int row, int column, int count, std::uint8_t attribute) {
    if (row < 1 || row > rows_ || column < 1 || column > columns_) return;
    auto first = static_cast<std::size_t>(row - 1) * columns_ + (column - 1);
    for (std::size_t i = first; i < cells_.size() && count > 0; ++i, --count) cells_[i].attribute = attribute;
}

Cell MemoryDevice::readCell(int row, int column) const {
    if (row < 1 || row > rows_ || column < 1 || column > columns_) return Cell{};
    return *cellAt(row, column);
}

bool MemoryDevice::peekEvent(KeyEvent& event) {
    if (events_.empty()) return false;
    event = events_.front();
    return true;
}

void MemoryDevice::takeEvent() {
    if (!events_.empty()) events_.pop_front();
}

bool MemoryDevice::waitEvent(int /*timeoutMs*/) {
    present();
    ++waits_;
    if (events_.empty() && idleHook_) {
        auto hook = idleHook_;  // the hook may replace itself
        hook();
    }
    if (events_.empty()) {
        // Nothing will ever arrive: a test script that ran dry would hang.
        std::fputs("MemoryDevice: waiting for a key, but the key script ran dry\n", stderr);
        std::abort();
    }
    return true;
}

void MemoryDevice::pushKey(std::uint8_t character, std::uint8_t scanCode, bool alt, bool shift) {
    KeyEvent event;
    event.character = character;
    event.scanCode = scanCode;
    event.alt = alt;
    event.shift = shift;
    events_.push_back(event);
}

void MemoryDevice::pushText(std::string_view text) {
    for (char c : text) {
        auto byte = static_cast<std::uint8_t>(c);
        KeyPosition key = keyOfCharacter(byte);
        pushKey(byte, key.scanCode, false, key.shift);
    }
}

void MemoryDevice::pushExtended(std::uint8_t scanCode) { pushKey(0, scanCode); }

void MemoryDevice::pushAlt(char letter) {
    KeyPosition key = keyOfCharacter(static_cast<std::uint8_t>(letter));
    pushKey(static_cast<std::uint8_t>(letter), key.scanCode, true);
}

std::string MemoryDevice::rowText(int row, int fromColumn, int toColumn) const {
    if (toColumn <= 0) toColumn = columns_;
    std::string text;
    for (int c = fromColumn; c <= toColumn; ++c) text.push_back(static_cast<char>(readCell(row, c).character));
    return text;
}

}  // namespace corvel
