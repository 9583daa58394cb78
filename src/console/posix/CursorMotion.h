// The cheapest bytes that move a terminal's cursor from where it stands to
// another cell, counted in bytes: nothing, backspaces, CR, line feeds,
// reverse index, relative moves, column- or row-absolute moves, or the full
// position. Rewriting cells the cursor passes over is the renderer's own
// candidate. Planning only counts; the bytes are made for the plan chosen.
#pragma once

#include <string>

namespace corvel::posix {

// A cursor column that is not known, and the state after a glyph went into
// the last column (terminals differ there: only CR or an absolute move is
// sure to leave it).
inline constexpr int unknownColumn = -1;
inline constexpr int pastRightEdge = -2;

struct CursorMove {
    enum class Across { none, forward, back, backspaces, absolute, carriageReturn };
    enum class Along { none, lineFeeds, down, reverseIndex, up, absolute };
    bool fullPosition = false;
    Across across = Across::none;
    Along along = Along::none;
    int fromRow = 0;
    int fromColumn = 0;
    int toRow = 0;
    int toColumn = 0;
    int cost = 0;  // bytes
};

// 0-based positions; fromRow -1 when the row is not known, fromColumn one
// of the two values above when the column is not. Moves never leave the
// screen, so line feed and reverse index never scroll.
CursorMove planMove(int fromRow, int fromColumn, int toRow, int toColumn);
void appendMove(const CursorMove& move, std::string& out);

inline std::string cheapestMove(int fromRow, int fromColumn, int toRow, int toColumn) {
    std::string out;
    appendMove(planMove(fromRow, fromColumn, toRow, toColumn), out);
    return out;
}

}  // namespace corvel::posix
