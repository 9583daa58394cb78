// Writing into the cell grid. Size and cursor are asked of the device at
// every operation, never cached.
#include "console/ConsoleScreen.h"

#include <algorithm>
#include <array>

#include "text/NumberText.h"

namespace corvel {
namespace {
// One platform write stores at most this many cells.
constexpr int maxCellsPerWrite = 255;
}  // namespace

ConsoleScreen::ConsoleScreen(ConsoleDevice& device) : device_(device) {
    shape_ = device_.cursorShape();
    if (shape_.size <= 0) {
        shape_ = CursorShape{10, true};
        device_.setCursorShape(shape_);
    }
}

void ConsoleScreen::setCursorPos(int row, int column) {
    int r = (row >= 1 && row <= device_.height()) ? row : device_.cursorRow();
    int c = (column >= 1 && column <= device_.width()) ? column : device_.cursorColumn();
    device_.setCursor(r, c);
    pendingScroll_ = false;
}

void ConsoleScreen::setTextColors(int foreground, int background, int recolorCount) {
    if (static_cast<unsigned>(foreground) < 16) foreground_ = foreground;
    if (static_cast<unsigned>(background) < 16) background_ = background;
    device_.setDefaultAttribute(attribute());
    if (recolorCount >= 1 && recolorCount <= device_.width() * device_.height()) {
        device_.fillAttributes(device_.cursorRow(), device_.cursorColumn(), recolorCount, attribute());
    }
}

void ConsoleScreen::clearScreen() {
    bool hideForClear = shape_.visible;
    if (hideForClear) {
        restoreNeeded_ = true;
        device_.setCursorShape(CursorShape{shape_.size, false});
    }
    int cells = device_.width() * device_.height();
    device_.fillCharacters(1, 1, cells, ' ');
    device_.fillAttributes(1, 1, cells, attribute());
    setCursorPos(1, 1);
    if (hideForClear) restoreCursorShape();
}

void ConsoleScreen::scrollUp() { device_.scrollUp(attribute()); }

void ConsoleScreen::writeText(std::string_view text) {
    if (text.empty()) return;
    const std::uint8_t a = attribute();
    int x = device_.cursorColumn();
    int y = device_.cursorRow();
    const int w = device_.width();
    const int h = device_.height();
    std::array<Cell, maxCellsPerWrite> segment;
    while (!text.empty()) {
        if (pendingScroll_) {
            pendingScroll_ = false;
            scrollUp();
        }
        int n = static_cast<int>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(w - x + 1)));
        for (int done = 0; done < n;) {
            int chunk = std::min(n - done, maxCellsPerWrite);
            for (int i = 0; i < chunk; ++i) segment[i] = Cell{static_cast<std::uint8_t>(text[done + i]), a};
            device_.writeCells(y, x + done, segment.data(), chunk);
            done += chunk;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
        x += n;
        if (x > w) {
            x = 1;
            if (y == h) pendingScroll_ = true;
            else ++y;
        }
    }
    device_.setCursor(y, x);
}

void ConsoleScreen::newLine() {
    int y = device_.cursorRow();
    if (y < device_.height()) {
        device_.setCursor(y + 1, 1);
    } else {
        if (pendingScroll_) scrollUp();
        scrollUp();
        device_.setCursor(device_.height(), 1);
    }
    pendingScroll_ = false;
}

void ConsoleScreen::writeNumber(double value) { writeText(numberToText7(value) + " "); }

std::uint8_t ConsoleScreen::cellAttribute(int row, int column) const {
    return device_.readCell(row, column).attribute;
}

void ConsoleScreen::setCursorSize(int size) {
    if (size == 0) {
        shape_.visible = false;
    } else {
        shape_.visible = true;
        if (size > 0) shape_.size = std::clamp(size, 10, 99);
    }
    restoreNeeded_ = false;
    device_.setCursorShape(shape_);
}

void ConsoleScreen::moveBackOneCell() {
    if (pendingScroll_) {
        pendingScroll_ = false;
        device_.setCursor(device_.height(), device_.width());
    } else if (device_.cursorColumn() > 1) {
        device_.setCursor(device_.cursorRow(), device_.cursorColumn() - 1);
    } else {
        device_.setCursor(std::max(1, device_.cursorRow() - 1), device_.width());
    }
}

void ConsoleScreen::showCursorTemporarily() {
    if (shape_.visible) return;
    restoreNeeded_ = true;
    device_.setCursorShape(CursorShape{shape_.size, true});
}

void ConsoleScreen::restoreCursorShape() {
    if (!restoreNeeded_) return;
    restoreNeeded_ = false;
    device_.setCursorShape(shape_);
}

}  // namespace corvel
