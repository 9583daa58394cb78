// The frame as a whole: repaint, viewport and folded rows, lines inserted
// and deleted as the fold changes, colours, glyphs, cursor moves and the
// cursor's place and shape. Rows are compared in RendererRows.cpp.
#include "console/posix/Renderer.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "console/posix/CursorMotion.h"

namespace corvel::posix {
namespace {

// Colour number (bit 0 blue, bit 1 green, bit 2 red) to ANSI colour index
// (bit 0 red, bit 1 green, bit 2 blue).
constexpr int ansiIndex(int colour) {
    return ((colour & 1) << 2) | (colour & 2) | ((colour >> 2) & 1);
}
constexpr int foregroundCode(int colour) {
    return ((colour & 8) ? 90 : 30) + ansiIndex(colour & 7);
}
constexpr int backgroundCode(int colour) {
    return ((colour & 8) ? 100 : 40) + ansiIndex(colour & 7);
}

void appendNumber(std::string& out, int value) {
    char buffer[12];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Frames longer than this go out as one synchronized update (DEC private
// mode 2026) so that a slow link never shows them half drawn.
constexpr std::size_t synchronizeFrom = 512;
constexpr std::string_view beginUpdate = "\x1b[?2026h";
constexpr std::string_view endUpdate = "\x1b[?2026l";

}  // namespace

Renderer::Renderer(Charset charset, int terminalRows, int terminalColumns)
    : charset_(charset), rows_(0), columns_(0) {
    setTerminalSize(terminalRows, terminalColumns);
}

// Every buffer is made first and the new size taken only once all of them
// exist: memory running out leaves the renderer whole at its old size.
void Renderer::setTerminalSize(int rows, int columns) {
    rows = std::max(rows, 1);
    columns = std::max(columns, 1);
    const std::size_t cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    std::vector<Shown> shown(cells);
    std::vector<Shown> wanted(static_cast<std::size_t>(columns));
    std::vector<Shown> shifted(static_cast<std::size_t>(columns));
    std::vector<Cell> previous(cells);
    rows_ = rows;
    columns_ = columns;
    shown_.swap(shown);
    wanted_.swap(wanted);
    shifted_.swap(shifted);
    previous_.swap(previous);
    invalidate();
}

void Renderer::invalidate() {
    repaint_ = true;
    previousWidth_ = -1;
    rowMap_.forget();
    cursorRow_ = -1;
    cursorColumn_ = unknownColumn;
}

// Whether the row shows the same buffer cells as after the last frame.
bool Renderer::rowUnchanged(const ScreenState& screen, int row) const {
    int bufferRow = rowOf_[static_cast<std::size_t>(row)];
    if (bufferRow < 0 || bufferRow < screen.changedFrom || bufferRow > screen.changedTo) return true;
    auto count = static_cast<std::size_t>(std::min(columns_, screen.width - left_));
    const Cell* now = screen.cells + static_cast<std::size_t>(bufferRow) * static_cast<std::size_t>(screen.width) +
                      static_cast<std::size_t>(left_);
    return std::equal(now, now + count, previous_.begin() + static_cast<std::ptrdiff_t>(row) * columns_);
}

void Renderer::rememberRow(const ScreenState& screen, int row) {
    int bufferRow = rowOf_[static_cast<std::size_t>(row)];
    if (bufferRow < 0) return;
    auto count = static_cast<std::size_t>(std::min(columns_, screen.width - left_));
    const Cell* now = screen.cells + static_cast<std::size_t>(bufferRow) * static_cast<std::size_t>(screen.width) +
                      static_cast<std::size_t>(left_);
    std::copy(now, now + count, previous_.begin() + static_cast<std::ptrdiff_t>(row) * columns_);
}

void Renderer::updateViewport(const ScreenState& screen) {
    // A cursor back within the first window shows the rows from their start.
    auto follow = [](int offset, int cursor, int size, int window) {
        if (size <= window || cursor < window) return 0;
        if (cursor < offset) offset = cursor;
        if (cursor >= offset + window) offset = cursor - window + 1;
        return std::clamp(offset, 0, size - window);
    };
    left_ = follow(left_, screen.cursorColumn - 1, screen.width, columns_);
    previousRowOf_.swap(rowOf_);
    rowMap_.update(screen.cells, screen.width, screen.height, rows_, screen.cursorRow - 1, screen.changedFrom,
                   screen.changedTo);
    rowOf_.assign(rowMap_.rows().begin(), rowMap_.rows().end());
}

// The terminal row that shows a buffer row, -1 when none does.
int Renderer::terminalRowOf(const ScreenState& /*screen*/, int bufferRow) const {
    return rowMap_.terminalRowOf(bufferRow);
}

void Renderer::fillWanted(const ScreenState& screen, int row) {
    int bufferRow = rowOf_[static_cast<std::size_t>(row)];
    for (int column = 0; column < columns_; ++column) {
        int bufferColumn = left_ + column;
        Shown& want = wanted_[static_cast<std::size_t>(column)];
        if (bufferRow < 0 || bufferColumn >= screen.width) {
            want = Shown{' ', 0, kBlank};
            continue;
        }
        const Cell& c = screen.cells[static_cast<std::size_t>(bufferRow) * static_cast<std::size_t>(screen.width) +
                                     static_cast<std::size_t>(bufferColumn)];
        want = Shown{c.character, c.attribute, kCell};
    }
}

// Clears in the background most blanks want, so that only the rest is sent.
void Renderer::clearAll(const ScreenState& screen, std::string& out) {
    sgr_ = sgrUnknown;
    int clearSgr = sgrDefault;
    if (backColourErase_) {
        std::array<int, 16> blanks{};
        int defaultBlanks = 0;
        int attributeOf[16] = {};
        for (int row = 0; row < rows_; ++row) {
            fillWanted(screen, row);
            for (const Shown& want : wanted_) {
                if (want.kind == kBlank) ++defaultBlanks;
                if (want.kind != kCell || !isBlank(want)) continue;
                ++blanks[static_cast<std::size_t>(want.attribute >> 4)];
                attributeOf[want.attribute >> 4] = want.attribute;
            }
        }
        auto most = std::max_element(blanks.begin(), blanks.end());
        if (*most > defaultBlanks) clearSgr = attributeOf[most - blanks.begin()];
    }
    setSgr(clearSgr, out);
    out += "\x1b[2J";
    Shown cleared;
    erasedCell(cleared);
    std::fill(shown_.begin(), shown_.end(), cleared);
    repaint_ = false;
}

void Renderer::render(const ScreenState& screen, std::string& out) {
    const std::size_t start = out.size();
    const int oldLeft = left_;
    updateViewport(screen);
    if (repaint_) clearAll(screen, out);
    cursorWantedRow_ = screen.cursor.visible ? terminalRowOf(screen, screen.cursorRow - 1) : -1;
    cursorWantedColumn_ = screen.cursorColumn - 1 - left_;
    if (cursorWantedColumn_ < 0 || cursorWantedColumn_ >= columns_) cursorWantedRow_ = -1;
    const bool sameLayout = previousWidth_ == screen.width && previousHeight_ == screen.height &&
                            left_ == oldLeft && previousRowOf_.size() == rowOf_.size();
    const int movedFrom = sameLayout && screen.height > rows_ ? shiftLines(screen, out) : rows_;
    for (int row = 0; row < rows_; ++row) {
        // A row that shows another buffer row than before, or whose cells
        // a line shift moved, is compared cell by cell, so a fold change
        // sends only what looks different.
        const auto at = static_cast<std::size_t>(row);
        if (sameLayout && row < movedFrom && rowOf_[at] == previousRowOf_[at] && rowUnchanged(screen, row)) {
            continue;
        }
        fillWanted(screen, row);
        renderRow(row, out);
        rememberRow(screen, row);
    }
    previousWidth_ = screen.width;
    previousHeight_ = screen.height;
    placeCursor(screen, out);
    if (out.size() - start > synchronizeFrom) {
        out.insert(start, beginUpdate);
        out += endUpdate;
    }
}

// When the rows shown moved down (or up) by one from some terminal row on,
// inserts (or deletes) a line there (IL, DL), a few times at most, so that
// the rows that carry something are where they are wanted without sending
// them again. Returns the first terminal row whose cells moved, rows_ when
// none did.
int Renderer::shiftLines(const ScreenState& screen, std::string& out) {
    if (rowOf_ == previousRowOf_) return rows_;
    moved_.assign(previousRowOf_.begin(), previousRowOf_.end());
    int first = rows_;
    for (int round = 0; round < maxLineShifts; ++round) {
        int bestGain = 0;
        int bestAt = -1;
        int bestBy = 0;
        for (int by : {1, -1}) {
            for (int at = 0; at + 1 < rows_; ++at) {
                int gain = shiftGain(at, by);
                if (gain <= bestGain) continue;
                bestGain = gain;
                bestAt = at;
                bestBy = by;
            }
        }
        if (bestAt < 0) break;
        shiftLine(screen, bestAt, bestBy, out);
        first = std::min(first, bestAt);
    }
    return first;
}

// Inserts (by 1) or deletes (by -1) a line at terminal row at; the line it
// brings in is erased in the colours of the row it becomes.
void Renderer::shiftLine(const ScreenState& screen, int at, int by, std::string& out) {
    const int fresh = by > 0 ? at : rows_ - 1;
    fillWanted(screen, fresh);
    if (backColourErase_ && isBlank(wanted_[0])) setSgrFor(wanted_[0], out);
    Shown fill;
    if (!erasedCell(fill)) {
        setSgr(sgrDefault, out);
        erasedCell(fill);
    }
    moveTo(at, 0, out);
    out += by > 0 ? "\x1b[L" : "\x1b[M";
    const auto width = static_cast<std::ptrdiff_t>(columns_);
    const auto last = moved_.end() - 1;
    if (by > 0) {
        std::copy_backward(shownRow(at), shownRow(rows_ - 1), shownRow(rows_ - 1) + width);
        std::copy_backward(moved_.begin() + at, last, moved_.end());
    } else {
        std::copy(shownRow(at + 1), shownRow(rows_ - 1) + width, shownRow(at));
        std::copy(moved_.begin() + at + 1, moved_.end(), moved_.begin() + at);
    }
    std::fill_n(shownRow(fresh), width, fill);
    moved_[static_cast<std::size_t>(fresh)] = -1;
}

// Rows that carry something and that a line inserted (by 1) or deleted
// (by -1) at terminal row at would bring to where they are wanted, less
// those it would take away from there.
int Renderer::shiftGain(int at, int by) const {
    int gain = 0;
    for (int row = at; row < rows_; ++row) {
        const int from = row - by;  // the terminal row whose cells come here
        const int want = rowOf_[static_cast<std::size_t>(row)];
        if (want < 0 || rowMap_.blankBackground(want) >= 0) continue;
        const bool comes = from >= at && from < rows_ && moved_[static_cast<std::size_t>(from)] == want;
        const bool stood = moved_[static_cast<std::size_t>(row)] == want;
        gain += comes && !stood ? 1 : stood && !comes ? -1 : 0;
    }
    return gain;
}

void Renderer::placeCursor(const ScreenState& screen, std::string& out) {
    int style = screen.cursor.size <= 50 ? 4 : 2;  // steady underline, steady block
    int row = terminalRowOf(screen, screen.cursorRow - 1);
    int column = screen.cursorColumn - 1 - left_;
    bool onTerminal = row >= 0 && row < rows_ && column >= 0 && column < columns_;
    if (!screen.cursor.visible) {
        if (cursorVisible_ != 0) out += "\x1b[?25l";
        cursorVisible_ = 0;
        return;
    }
    if (onTerminal) moveTo(row, column, out);
    if (style != cursorStyle_) {
        out += "\x1b[";
        appendNumber(out, style);
        out += " q";
        cursorStyle_ = style;
    }
    if (cursorVisible_ != 1) out += "\x1b[?25h";
    cursorVisible_ = 1;
}

// What the cheapest way from the cursor to (row, column) costs; with
// rewrite true it is sending the cells in between again, which moves the
// cursor too when they can go out as they are shown, in the current colours.
int Renderer::motionCost(int row, int column, bool& rewrite) const {
    rewrite = false;
    int cost = planMove(cursorRow_, cursorColumn_, row, column).cost;
    if (row != cursorRow_ || cursorColumn_ < 0 || column <= cursorColumn_ || column - cursorColumn_ > maxRewrite) {
        return cost;
    }
    const Shown* shown = &shown_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_)];
    int bytes = 0;
    for (int c = cursorColumn_; c < column && bytes < cost; ++c) {
        if (!writableAsIs(shown[c])) return cost;
        bytes += static_cast<int>(glyph(shown[c].character).size());
    }
    rewrite = bytes < cost;
    return rewrite ? bytes : cost;
}

void Renderer::moveTo(int row, int column, std::string& out) {
    if (row == cursorRow_ && column == cursorColumn_) return;
    bool rewrite;
    motionCost(row, column, rewrite);
    if (rewrite) {
        const Shown* shown = shownRow(row);
        for (int c = cursorColumn_; c < column; ++c) out += glyph(shown[c].character);
    } else {
        appendMove(planMove(cursorRow_, cursorColumn_, row, column), out);
    }
    cursorRow_ = row;
    cursorColumn_ = column;
}

void Renderer::setSgr(int sgr, std::string& out) {
    if (sgr == sgr_) return;
    if (sgr == sgrDefault) {
        out += "\x1b[0m";
        sgr_ = sgr;
        return;
    }
    int foreground = sgr & 15;
    int background = sgr >> 4;
    out += "\x1b[";
    if (sgr_ == sgrUnknown || sgr_ == sgrDefault) {
        if (sgr_ == sgrUnknown) out += "0;";
        appendNumber(out, foregroundCode(foreground));
        out += ';';
        appendNumber(out, backgroundCode(background));
    } else {
        bool foregroundChanges = (sgr_ & 15) != foreground;
        bool backgroundChanges = (sgr_ >> 4) != background;
        if (foregroundChanges) appendNumber(out, foregroundCode(foreground));
        if (foregroundChanges && backgroundChanges) out += ';';
        if (backgroundChanges) appendNumber(out, backgroundCode(background));
    }
    out += 'm';
    sgr_ = sgr;
}

// A blank needs only its background: the foreground stays as it is.
void Renderer::setSgrFor(const Shown& cell, std::string& out) {
    if (cell.kind == kBlank) {
        setSgr(sgrDefault, out);
    } else if (isBlank(cell) && sgr_ >= 0 && sgr_ < sgrDefault) {
        setSgr((sgr_ & 15) | (cell.attribute & 0xF0), out);
    } else {
        setSgr(cell.attribute, out);
    }
}

std::string_view Renderer::glyph(std::uint8_t character) const { return glyphBytes(charset_, character); }

}  // namespace corvel::posix
