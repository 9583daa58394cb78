// The cheapest bytes that move a terminal's cursor from where it stands to
// another cell, counted in bytes: nothing, backspaces, CR, line feeds,
// relative moves, column- or row-absolute moves, or the full position.
// Rewriting cells the cursor passes over is the renderer's own candidate.
#pragma once

#include <string>

namespace corvel::posix {

// A cursor column that is not known, and the state after a glyph went into
// the last column (terminals differ there: only CR or an absolute move is
// sure to leave it).
inline constexpr int unknownColumn = -1;
inline constexpr int pastRightEdge = -2;

// 0-based positions; fromRow -1 when the row is not known, fromColumn one
// of the two values above when the column is not. Moves never leave the
// screen, so line feed and reverse index never scroll.
std::string cheapestMove(int fromRow, int fromColumn, int toRow, int toColumn);

}  // namespace corvel::posix
