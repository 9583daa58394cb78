#include "console/RowFold.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace corvel {
namespace {

// A buffer's rows as text: '.' a blank row, anything else a row that
// carries something. The form's screen at question 1 (title, prompt, hint,
// the four field rows), after fifteen answers, and at the confirmation.
const std::string question1 = "xx........................................xx.xxxx.";
const std::string allAnswered = "xx.xxxxxxxxxxxxxxx........................xx.xxxx.";
const std::string question15 = "xx.xxxxxxxxxxxxxx.........................xx.xxxx.";
const std::string confirmation = "xx.xxxxxxxxxxxxxxx...........................x....";

std::vector<char> blanks(const std::string& shape) {
    std::vector<char> out;
    for (char c : shape) out.push_back(c == '.');
    return out;
}

// "0-15,42,none" as the rows it names.
std::vector<int> rowList(const std::string& ranges) {
    std::vector<int> out;
    std::size_t at = 0;
    while (at < ranges.size()) {
        std::size_t end = std::min(ranges.find(',', at), ranges.size());
        std::string part = ranges.substr(at, end - at);
        std::size_t dash = part.find('-');
        int from = part == "none" ? -1 : std::stoi(part);
        int to = dash == std::string::npos ? from : std::stoi(part.substr(dash + 1));
        for (int row = from; row <= to; ++row) out.push_back(row);
        at = end + 1;
    }
    return out;
}

struct FoldCase {
    const char* what;
    std::string shape;
    int terminalRows;
    int cursorRow;
    const char* shown;  // the buffer rows the terminal shows, top down
};

// One fold, updated case after case as the screen changes and the terminal
// is resized.
TEST(RowFold, WhichBufferRowEachTerminalRowShows) {
    std::string firstReview = question1;
    firstReview[3] = 'x';
    const FoldCase cases[] = {
        {"the terminal has room: every row where it is, then nothing", "x.x", 5, 0, "0-2,none,none"},
        {"question 1 on 24 rows: the long run keeps its first rows", question1, 24, 45, "0-15,42-49"},
        {"a review row appears: nothing above the run moves", firstReview, 24, 45, "0-15,42-49"},
        {"resized to 30 rows", question1, 30, 45, "0-21,42-49"},
        {"a run levelled to the others, the lower of equal runs cut first", confirmation, 24, 45, "0-20,45-47"},
        {"one row short of room: the edge run's separator goes, then the shortest", allAnswered, 24, 45,
         "0-1,3-18,42-43,45-48"},
        {"of equal separators the upper goes", question15, 24, 45, "0-1,3-17,42-48"},
        {"the cursor's blank row stays", "x....x", 3, 2, "0,2,5"},
        {"no blank rows: a window that keeps the cursor row", "xxxxxx", 3, 4, "2-4"},
        {"too few rows for what carries something: the window over it", question1, 6, 48, "42-43,45-48"},
    };
    RowFold fold;
    for (const FoldCase& c : cases) {
        fold.update(blanks(c.shape), c.terminalRows, c.cursorRow);
        EXPECT_EQ(fold.rows(), rowList(c.shown)) << c.what;
        EXPECT_GE(fold.terminalRowOf(c.cursorRow), 0) << c.what;
    }
    EXPECT_EQ(fold.terminalRowOf(44), -1);
}

// With nothing to fold on 5 rows the cursor stepped down and up row by row
// always shows, in a window of consecutive rows.
TEST(RowFold, TheWindowKeepsTheCursorRowOnFiveRowsWithNothingToFold) {
    RowFold fold;
    for (int step = 0; step < 24; ++step) {
        const int cursor = step < 12 ? step : 23 - step;
        fold.update(std::vector<char>(12, 0), 5, cursor);
        ASSERT_EQ(fold.rows().size(), 5u);
        EXPECT_EQ(fold.rows().back(), fold.rows().front() + 4);
        const int at = fold.terminalRowOf(cursor);
        ASSERT_TRUE(at >= 0 && at < 5) << "cursor on row " << cursor << " shown at " << at;
    }
}

}  // namespace
}  // namespace corvel
