// What a terminal shows after the bytes the renderer and the device send:
// a small screen that understands that subset (cursor moves, erase, insert
// and delete character and line, SGR colours, UTF-8 glyphs) with autowrap
// off, and back-colour erase unless switched off. The tests and the render
// benchmark check frames with it and count the cells that really changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvel::posix {

class TerminalModel {
public:
    // Colours are ANSI indexes 0..15, -1 for the terminal's default.
    struct Cell {
        char32_t glyph = ' ';
        int foreground = -1;
        int background = -1;
    };

    TerminalModel(int rows, int columns);

    void feed(std::string_view bytes);
    // Without back-colour erase, erased and inserted cells take the
    // terminal's default colours, not the current ones.
    void setBackColourErase(bool on) { backColourErase_ = on; }

    const Cell& at(int row, int column) const;  // 0-based
    int cursorRow() const { return row_; }
    int cursorColumn() const { return column_; }
    // False once a sequence outside the subset came, with the first such.
    bool understood() const { return unknown_.empty(); }
    const std::string& firstUnknown() const { return unknown_; }

    // Whether a cell shows a code page 437 character in an attribute
    // (background * 16 + foreground); a blank shows only its background.
    bool shows(int row, int column, std::uint8_t character, std::uint8_t attribute) const;
    // The cells that look different on two screens of one size.
    int differingCells(const TerminalModel& other) const;

private:
    void print(char32_t glyph);
    void control(char byte);
    void escape(char final);
    void sequence(char final);
    void selectGraphicRendition();
    void erase(int row, int from, int to);
    int parameter(std::size_t index, int fallback) const;
    Cell& cell(int row, int column);
    Cell blank() const { return backColourErase_ ? Cell{' ', foreground_, background_} : Cell{}; }

    int rows_;
    int columns_;
    std::vector<Cell> cells_;
    int row_ = 0;
    int column_ = 0;
    int foreground_ = -1;
    int background_ = -1;
    bool backColourErase_ = true;
    enum class State { ground, escape, csi } state_ = State::ground;
    std::string sequence_;  // parameters and intermediates of a CSI sequence
    char32_t pending_ = 0;  // UTF-8 character being gathered
    int continuation_ = 0;
    std::string unknown_;
};

}  // namespace corvel::posix
