// The cell screen: cursor, colours, clearing, text and numbers written into
// the grid with wrapping and deferred scrolling, cell colours read back and
// the cursor shaped. The only way the form draws.
#pragma once

#include <cstdint>
#include <string_view>

#include "console/ConsoleDevice.h"

namespace corvel {

class ConsoleScreen {
public:
    // The stored cursor shape is what the device reports at start-up, or
    // size 10 and visible when it reports nothing usable.
    explicit ConsoleScreen(ConsoleDevice& device);

    // A row or column outside the screen keeps the current one.
    void setCursorPos(int row, int column);
    int cursorRow() const { return device_.cursorRow(); }
    int cursorColumn() const { return device_.cursorColumn(); }
    // A colour of 16 or more (negative ones too) keeps the current colour;
    // recolorCount cells from the cursor take the new attribute.
    void setTextColors(int foreground, int background, int recolorCount);
    void clearScreen();
    void writeText(std::string_view text);
    void newLine();
    void writeNumber(double value);
    std::uint8_t cellAttribute(int row, int column) const;
    // 0 hides, negative shows, positive sets the size (10..99) and shows.
    void setCursorSize(int size);

    int foreground() const { return foreground_; }
    int background() const { return background_; }
    std::uint8_t attribute() const { return static_cast<std::uint8_t>(background_ * 16 + foreground_); }
    bool pendingScroll() const { return pendingScroll_; }

    // readLine's one cell back, with the pending scroll undone.
    void moveBackOneCell();
    // Shows a hidden cursor until restoreCursorShape().
    void showCursorTemporarily();
    void restoreCursorShape();

    int width() const { return device_.width(); }

private:
    void scrollUp();

    ConsoleDevice& device_;
    int foreground_ = 7;
    int background_ = 0;
    bool pendingScroll_ = false;
    CursorShape shape_;
    bool restoreNeeded_ = false;
};

}  // namespace corvel
