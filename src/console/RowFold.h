// Which buffer row each terminal row shows when the terminal has fewer rows
// than the buffer. Blank rows fold away first, from the longest runs of them
// down, each run keeping its first rows (so what stands above a run stays
// where it is as the run shrinks) and one row as a separator while there is
// room. Only when the rows that carry something do not fit does a window
// over them follow the cursor row, which is never folded away.
#pragma once

#include <vector>

namespace corvel {

class RowFold {
public:
    // blank: one flag per buffer row (0-based), whether the row may fold
    // away; cursorRow: the 0-based buffer row that stays in view. With no
    // more buffer rows than terminal rows every row shows where it is.
    void update(const std::vector<char>& blank, int terminalRows, int cursorRow);

    // The buffer row each terminal row shows, -1 past the buffer's end.
    const std::vector<int>& rows() const { return rows_; }
    // The terminal row that shows a buffer row, -1 when it is not shown.
    int terminalRowOf(int bufferRow) const;

private:
    struct Run {
        int start;
        int length;
        int keep;
    };
    void findRuns(const std::vector<char>& blank, int cursorRow);
    void level(int excess);
    void dropSeparators(int count, int bufferRows);
    void followCursor(int terminalRows, int cursorRow);

    std::vector<Run> runs_;
    std::vector<int> order_;    // runs in the order their separators go
    std::vector<int> visible_;  // buffer rows kept, top down
    std::vector<int> rows_;
    std::vector<int> terminalRowOf_;
    int windowTop_ = 0;  // index into visible_ of the top terminal row
};

}  // namespace corvel
