// Turns a cell buffer into the bytes that bring a terminal from what it
// shows to what the buffer holds. Needs no terminal: it remembers what it
// sent and returns byte strings, which the device writes out in one go.
//
// Only cells that look different are sent; colours (SGR) only as far as they
// change; every cursor move is the cheapest by byte count (CursorMotion.h),
// or rewriting a few unchanged cells. Runs of blanks are erased (ECH, EL)
// where the erase leaves the right background, a row whose cells moved by
// one is shifted with insert- or delete-character when that is cheaper, and
// large frames go out as one synchronized update. The cursor is placed and
// shaped last. A buffer with more rows than the terminal is shown with its
// blank rows folded away first (RowMap.h), and when the rows shown move
// down or up by one a line is inserted or deleted so that what the terminal
// shows moves along; a wider one through a window that follows the cursor;
// a smaller one sits at the top left with the rest of the terminal blank in
// its default colours.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/ConsoleDevice.h"
#include "console/CellGrid.h"
#include "console/RowMap.h"
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
    // 0-based buffer rows that may differ from the last frame; the rest are
    // taken as unchanged without looking. By default every row.
    int changedFrom = 0;
    int changedTo = 1 << 30;

    // What a grid with its cursor shows.
    static ScreenState of(const CellGrid& grid, int cursorRow, int cursorColumn, CursorShape cursor) {
        return {grid.width(), grid.height(), grid.data(), cursorRow, cursorColumn, cursor};
    }
};

class Renderer {
public:
    // Each cell's byte goes out as glyphBytes(charset, byte).
    Renderer(Charset charset, int terminalRows, int terminalColumns);

    // Whether the terminal erases in the current background colour
    // (back-colour erase, the default). Without it, erasing and shifting
    // are used only in the default colours.
    void setBackColourErase(bool on) { backColourErase_ = on; }

    // The terminal changed its size: the next frame clears and repaints all.
    void setTerminalSize(int rows, int columns);
    int terminalRows() const { return rows_; }
    int terminalColumns() const { return columns_; }

    // The next frame clears the terminal and repaints everything.
    void invalidate();

    // Appends the bytes of one frame to out (nothing when nothing changed).
    void render(const ScreenState& screen, std::string& out);

    // 0-based offsets of the buffer cell shown at the terminal's top left.
    int viewportTop() const { return rowOf_.empty() ? 0 : std::max(rowOf_.front(), 0); }
    int viewportLeft() const { return left_; }
    // The 0-based buffer row each terminal row shows, -1 for none.
    const std::vector<int>& rowsShown() const { return rowOf_; }

private:
    // A buffer cell, or a blank in the terminal's default colours (outside
    // the buffer, or erased in the default colours).
    enum Kind : std::uint8_t { kCell, kBlank };
    struct Shown {
        std::uint8_t character = ' ';
        std::uint8_t attribute = 0;
        Kind kind = kBlank;
    };
    static constexpr int sgrUnknown = -1;
    static constexpr int sgrDefault = 256;
    // Longest run of unchanged cells sent again instead of jumping over it.
    static constexpr int maxRewrite = 8;
    // Most lines inserted or deleted in one frame.
    static constexpr int maxLineShifts = 4;

    static bool isBlank(const Shown& cell) { return cell.character == ' '; }
    static bool sameBackground(const Shown& a, const Shown& b);
    static bool looksSame(const Shown& a, const Shown& b);
    bool writableAsIs(const Shown& cell) const;
    bool erasedCell(Shown& cell) const;

    void updateViewport(const ScreenState& screen);
    int terminalRowOf(const ScreenState& screen, int bufferRow) const;
    void fillWanted(const ScreenState& screen, int row);
    bool rowUnchanged(const ScreenState& screen, int row) const;
    void rememberRow(const ScreenState& screen, int row);
    void clearAll(const ScreenState& screen, std::string& out);
    void renderRow(int row, std::string& out);
    void shiftRow(int row, std::string& out);
    int shiftLines(const ScreenState& screen, std::string& out);
    void shiftLine(const ScreenState& screen, int at, int by, std::string& out);
    int shiftGain(int at, int by) const;
    int stepCost(const Shown* cells, int row, int from, int to) const;
    int sendCost(const Shown* shown, int row, int column) const;
    int shiftedCost(int row, int column, bool insert, const Shown& fill);
    int eraseRun(int row, int column, std::string& out);
    void placeCursor(const ScreenState& screen, std::string& out);
    int motionCost(int row, int column, bool& rewrite) const;
    void moveTo(int row, int column, std::string& out);
    void setSgr(int sgr, std::string& out);
    void setSgrFor(const Shown& cell, std::string& out);
    // The bytes that show a code page 437 character: the one place where a
    // cell becomes terminal bytes.
    std::string_view glyph(std::uint8_t character) const;
    Shown* shownRow(int row) {
        return &shown_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_)];
    }

    Charset charset_;
    bool backColourErase_ = true;
    int rows_;
    int columns_;
    std::vector<Shown> shown_;
    std::vector<Shown> wanted_;   // the row being rendered
    std::vector<Shown> shifted_;  // a row as insert or delete would leave it
    // The buffer cells each row showed after the last frame, for skipping
    // rows that did not change; valid while size and viewport stay.
    std::vector<Cell> previous_;
    int previousWidth_ = -1;
    int previousHeight_ = -1;
    bool repaint_ = true;
    int sgr_ = sgrUnknown;
    int cursorRow_ = -1;     // 0-based terminal position, -1 unknown
    int cursorColumn_ = -1;  // see CursorMotion.h for the column's states
    int cursorWantedRow_ = -1;    // where this frame leaves the cursor, -1 hidden
    int cursorWantedColumn_ = -1; // or off the terminal
    int cursorStyle_ = -1;   // DECSCUSR parameter last sent, -1 unknown
    int cursorVisible_ = -1; // -1 unknown
    int left_ = 0;
    // The buffer row each terminal row shows (-1: none), in this frame and
    // the last, and the fold that chooses them.
    std::vector<int> rowOf_;
    std::vector<int> previousRowOf_;
    std::vector<int> moved_;  // the buffer row each terminal row's cells showed, as lines shift
    RowMap rowMap_;
};

}  // namespace corvel::posix
