// Which buffer row each terminal row shows: every row where it is when the
// buffer fits, else the page's blank rows folded away (RowFold.h). Both
// devices map their cell buffer onto a smaller screen through it.
#pragma once

#include <vector>

#include "console/ConsoleDevice.h"
#include "console/RowFold.h"

namespace corvel {

class RowMap {
public:
    // cells: width * height, row by row; cursorRow 0-based. Only buffer rows
    // changedFrom..changedTo (0-based) may differ since the last update of
    // the same size; the rest are taken as they were.
    void update(const Cell* cells, int width, int height, int terminalRows, int cursorRow,
                int changedFrom = 0, int changedTo = 1 << 30);
    // The next update looks at every row again.
    void forget() { known_ = false; }

    // The buffer row each terminal row shows, -1 for none.
    const std::vector<int>& rows() const { return rows_; }
    // The terminal row that shows a buffer row, -1 when none does.
    int terminalRowOf(int bufferRow) const;
    // Whether rows are folded away (the buffer is taller than the terminal).
    bool folded() const { return folded_; }
    // While folded: the background of a buffer row that is blanks in one
    // background, -1 for a row that carries something.
    int blankBackground(int bufferRow) const {
        return rowBackground_[static_cast<std::size_t>(bufferRow)];
    }

private:
    void foldRows(const Cell* cells, int width, int height, int terminalRows, int cursorRow,
                  int changedFrom, int changedTo);

    std::vector<int> rows_;
    RowFold fold_;
    std::vector<char> foldable_;
    std::vector<int> rowBackground_;
    bool folded_ = false;
    bool known_ = false;
    int width_ = -1;
    int height_ = -1;
};

}  // namespace corvel
