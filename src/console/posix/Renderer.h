// Turns a cell buffer into the bytes that bring a terminal from what it
// shows to what the buffer holds. Needs no terminal: it remembers what it
// sent and returns byte strings, which the device writes out in one go.
//
// Only cells that differ are sent; colours (SGR) are sent only when they
// change; cursor moves are the cheapest of CUP, relative moves, CR/LF and
// rewriting a short run of unchanged cells. The cursor is placed and shaped
// last. A buffer larger than the terminal is shown through a viewport that
// follows the cursor; a smaller one sits at the top left with the rest of the
// terminal blank in its default colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/ConsoleDevice.h"
#include "console/CellGrid.h"
#include "console/posix/Charset.h"

namespace corvel::posix {

// What the device wants to see on the terminal.
struct ScreenState {
    int width = 0;                  // buffer columns
    int height = 0;                 // buffer rows
    const Cell* cells = nullptr;    // width * height, row by row
    int cursorRow = 1;              // 1-based, in the buffer
    int cursorColumn = 1;
    CursorShape cursor;

    // What a grid with its cursor shows.
    static ScreenState of(const CellGrid& grid, int cursorRow, int cursorColumn, CursorShape cursor) {
        return {grid.width(), grid.height(), grid.data(), cursorRow, cursorColumn, cursor};
    }
};

class Renderer {
public:
    // Each cell's byte goes out as glyphBytes(charset, byte).
    Renderer(Charset charset, int terminalRows, int terminalColumns);

    // The terminal changed its size: the next frame clears and repaints all.
    void setTerminalSize(int rows, int columns);
    int terminalRows() const { return rows_; }
    int terminalColumns() const { return columns_; }

    // The next frame clears the terminal and repaints everything.
    void invalidate();

    // Appends the bytes of one frame to out (nothing when nothing changed).
    void render(const ScreenState& screen, std::string& out);

    // 0-based offsets of the buffer cell shown at the terminal's top left.
    int viewportTop() const { return top_; }
    int viewportLeft() const { return left_; }

private:
    // A buffer cell, or a blank in the terminal's default colours (outside
    // the buffer, or cleared).
    enum Kind : std::uint8_t { kCell, kBlank };
    struct Shown {
        std::uint8_t character = ' ';
        std::uint8_t attribute = 0;
        Kind kind = kBlank;
        friend bool operator==(const Shown&, const Shown&) = default;
    };
    static constexpr int sgrUnknown = -1;
    static constexpr int sgrDefault = 256;

    void updateViewport(const ScreenState& screen);
    Shown wanted(const ScreenState& screen, int row, int column) const;
    void moveTo(int row, int column, const ScreenState& screen, std::string& out);
    void setSgr(int sgr, std::string& out);
    void putGlyph(std::uint8_t character, std::string& out) const;
    int glyphLength(std::uint8_t character) const;
    Shown& shownAt(int row, int column) {
        return shown_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                      static_cast<std::size_t>(column)];
    }

    Charset charset_;
    int rows_;
    int columns_;
    std::vector<Shown> shown_;
    bool repaint_ = true;
    int sgr_ = sgrUnknown;
    static constexpr int pastRightEdge = -2;
    int cursorRow_ = -1;     // 0-based terminal position, -1 unknown
    int cursorColumn_ = -1;  // -1 unknown, pastRightEdge after the last column
    int cursorStyle_ = -1;   // DECSCUSR parameter last sent, -1 unknown
    int cursorVisible_ = -1; // -1 unknown
    int top_ = 0;
    int left_ = 0;
};

}  // namespace corvel::posix
