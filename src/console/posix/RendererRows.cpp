// One terminal row brought from what it shows to what is wanted: cells that
// look different, runs of blanks erased, a row shifted by one cell.
#include <algorithm>

#include "console/posix/CursorMotion.h"
#include "console/posix/Renderer.h"

namespace corvel::posix {
namespace {

int digits(int value) { return value >= 100 ? 3 + (value >= 1000) : 1 + (value >= 10); }

}  // namespace

bool Renderer::sameBackground(const Shown& a, const Shown& b) {
    return a.kind == b.kind && (a.kind == kBlank || (a.attribute >> 4) == (b.attribute >> 4));
}

// A blank shows only its background; anything else its glyph and colours.
bool Renderer::looksSame(const Shown& a, const Shown& b) {
    if (isBlank(a) && isBlank(b)) return sameBackground(a, b);
    return a.kind == b.kind && a.character == b.character && (a.kind == kBlank || a.attribute == b.attribute);
}

// Whether sending the cell's glyph in the current colours shows it unchanged.
bool Renderer::writableAsIs(const Shown& cell) const {
    if (cell.kind == kBlank) return sgr_ == sgrDefault;
    if (sgr_ < 0 || sgr_ >= sgrDefault) return false;
    return isBlank(cell) ? (sgr_ >> 4) == (cell.attribute >> 4) : sgr_ == cell.attribute;
}

// What an erase (or the blank an insert or delete brings in) leaves in the
// current colours; false when that is not known.
bool Renderer::erasedCell(Shown& cell) const {
    if (sgr_ == sgrDefault) {
        cell = Shown{' ', 0, kBlank};
        return true;
    }
    if (!backColourErase_ || sgr_ == sgrUnknown) return false;
    cell = Shown{' ', static_cast<std::uint8_t>(sgr_), kCell};
    return true;
}

void Renderer::renderRow(int row, std::string& out) {
    shiftRow(row, out);
    Shown* shown = shownRow(row);
    for (int column = 0; column < columns_; ++column) {
        const Shown& want = wanted_[static_cast<std::size_t>(column)];
        if (looksSame(shown[column], want)) continue;
        if (isBlank(want)) {
            int next = eraseRun(row, column, out);
            if (next > column) {
                column = next - 1;
                continue;
            }
        }
        moveTo(row, column, out);
        setSgrFor(want, out);
        out += glyph(want.character);
        shown[column] = want;
        // Past the last column terminals differ (the cursor stays, or
        // waits to wrap): only a carriage return is sure to leave it.
        if (++cursorColumn_ >= columns_) cursorColumn_ = pastRightEdge;
    }
}

// Erases the run of wanted blanks of one background that starts at column,
// when that costs less than sending blanks. Returns the first column after
// what was erased, or column when nothing was.
int Renderer::eraseRun(int row, int column, std::string& out) {
    const Shown& want = wanted_[static_cast<std::size_t>(column)];
    if (want.kind == kCell && !backColourErase_) return column;
    Shown* shown = shownRow(row);
    int end = column;
    int lastChanged = column;
    for (; end < columns_; ++end) {
        const Shown& w = wanted_[static_cast<std::size_t>(end)];
        if (!isBlank(w) || !sameBackground(w, want)) break;
        if (!looksSame(shown[end], w)) lastChanged = end;
    }
    int count = lastChanged - column + 1;
    bool toEnd = end == columns_;
    int cost = toEnd ? 3 : 3 + (count == 1 ? 0 : digits(count));
    if (cost >= count) return column;
    moveTo(row, column, out);
    setSgrFor(want, out);
    Shown erased;
    erasedCell(erased);
    if (toEnd) {
        out += "\x1b[K";
        count = columns_ - column;
    } else {
        out += "\x1b[";
        if (count != 1) out += std::to_string(count);
        out += 'X';
    }
    std::fill_n(shown + column, count, erased);
    return column + count;
}

// What moving along a row costs, passing over cells by sending them again
// when that is shorter.
int Renderer::stepCost(const Shown* cells, int row, int from, int to) const {
    if (from == to) return 0;
    int move = planMove(row, from, row, to).cost;
    if (from < 0 || to < from || to - from > maxRewrite) return move;
    int rewrite = 0;
    for (int c = from; c < to; ++c) rewrite += static_cast<int>(glyph(cells[c].character).size());
    return std::min(move, rewrite);
}

// What sending the row's differing cells from column on would cost, with
// the cursor standing at column: their glyphs, the steps between them and
// the way back to the frame's cursor when it is on this row.
int Renderer::sendCost(const Shown* shown, int row, int column) const {
    int cost = 0;
    int at = column;
    for (int c = column; c < columns_; ++c) {
        const Shown& want = wanted_[static_cast<std::size_t>(c)];
        if (looksSame(shown[c], want)) continue;
        cost += stepCost(shown, row, at, c) + static_cast<int>(glyph(want.character).size());
        at = c + 1 < columns_ ? c + 1 : pastRightEdge;
    }
    if (row == cursorWantedRow_) cost += stepCost(wanted_.data(), row, at, cursorWantedColumn_);
    return cost;
}

// The row as inserting (or deleting) one cell at column would leave it, in
// shifted_; returns what sending the rest would then cost, the shift included.
int Renderer::shiftedCost(int row, int column, bool insert, const Shown& fill) {
    const Shown* shown = shownRow(row);
    const auto n = static_cast<std::size_t>(columns_);
    const auto at = static_cast<std::size_t>(column);
    std::copy_n(shown, at, shifted_.begin());
    if (insert) {
        shifted_[at] = fill;
        std::copy_n(shown + at, n - at - 1, shifted_.begin() + static_cast<std::ptrdiff_t>(at + 1));
    } else {
        std::copy_n(shown + at + 1, n - at - 1, shifted_.begin() + static_cast<std::ptrdiff_t>(at));
        shifted_[n - 1] = fill;
    }
    return 3 + sendCost(shifted_.data(), row, column);
}

// When the row's cells moved right or left by one, and inserting or
// deleting a cell (ICH, DCH) at the first differing cell, or at the cursor
// just before it, leaves less to send, does that and takes the shifted row
// as shown.
void Renderer::shiftRow(int row, std::string& out) {
    Shown fill;
    if (!erasedCell(fill)) return;
    Shown* shown = shownRow(row);
    int first = 0;
    while (first < columns_ && looksSame(shown[first], wanted_[static_cast<std::size_t>(first)])) ++first;
    int last = columns_ - 1;
    while (last > first && looksSame(shown[last], wanted_[static_cast<std::size_t>(last)])) --last;
    if (last <= first) return;  // nothing or a single cell differs
    auto moveCost = [&](int column) {
        bool rewrite;
        return motionCost(row, column, rewrite);
    };
    int best = sendCost(shown, row, first) + moveCost(first);
    int bestAt = -1;
    bool bestInsert = false;
    const bool cursorBefore = cursorRow_ == row && cursorColumn_ >= 0 && cursorColumn_ < first;
    for (int at : {first, cursorBefore ? cursorColumn_ : -1}) {
        for (bool insert : {true, false}) {
            if (at < 0) continue;
            int cost = shiftedCost(row, at, insert, fill) + moveCost(at);
            if (cost >= best) continue;
            best = cost;
            bestAt = at;
            bestInsert = insert;
        }
    }
    if (bestAt < 0) return;
    shiftedCost(row, bestAt, bestInsert, fill);
    moveTo(row, bestAt, out);
    out += bestInsert ? "\x1b[@" : "\x1b[P";
    std::copy(shifted_.begin(), shifted_.end(), shown);
}

}  // namespace corvel::posix
