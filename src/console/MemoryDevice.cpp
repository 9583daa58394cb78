// The in-memory console device.
#include "console/MemoryDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "console/UsLayout.h"

namespace corvel {

MemoryDevice::MemoryDevice(int columns, int rows) : grid_(columns, rows, 7) {}

void MemoryDevice::resize(int columns, int rows) {
    if (columns < 1 || rows < 1) return;
    grid_.resize(columns, rows, defaultAttribute_);
    row_ = std::min(row_, rows);
    column_ = std::min(column_, columns);
}

void MemoryDevice::setCursor(int row, int column) {
    row_ = std::clamp(row, 1, grid_.height());
    column_ = std::clamp(column, 1, grid_.width());
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
    if (events_.empty() && endRequest_ != 0) return false;
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
    if (toColumn <= 0) toColumn = grid_.width();
    std::string text;
    for (int c = fromColumn; c <= toColumn; ++c) text.push_back(static_cast<char>(readCell(row, c).character));
    return text;
}

}  // namespace corvel
