// A buffer taller than the terminal: blank rows folded away, lines inserted
// and deleted as the fold changes, the terminal always showing the rows the
// fold chose.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "console/CellGrid.h"
#include "console/posix/Renderer.h"
#include "console/posix/TerminalModel.h"

namespace corvel::posix {
namespace {

constexpr std::uint8_t page = 0x9F;   // white on light blue
constexpr std::uint8_t field = 0x1E;  // yellow on blue

void put(CellGrid& grid, int row, const std::string& text, std::uint8_t attribute) {
    for (int column = 1; column <= grid.width(); ++column) {
        auto i = static_cast<std::size_t>(column - 1);
        Cell cell{static_cast<std::uint8_t>(i < text.size() ? text[i] : ' '), attribute};
        grid.writeCells(row, column, &cell, 1);
    }
}

std::string frame(Renderer& renderer, const CellGrid& grid, int cursorRow, TerminalModel& terminal) {
    std::string out;
    renderer.render(ScreenState::of(grid, cursorRow, 4, CursorShape{10, true}), out);
    terminal.feed(out);
    return out;
}

void expectShown(const Renderer& renderer, const CellGrid& grid, const TerminalModel& terminal, int step) {
    ASSERT_TRUE(terminal.understood()) << terminal.firstUnknown();
    for (int row = 0; row < renderer.terminalRows(); ++row) {
        int bufferRow = renderer.rowsShown()[static_cast<std::size_t>(row)];
        ASSERT_GE(bufferRow, 0);
        for (int column = 0; column < grid.width(); ++column) {
            Cell want = grid.cell(bufferRow + 1, column + 1);
            ASSERT_TRUE(terminal.shows(row, column, want.character, want.attribute))
                << "step " << step << " terminal row " << row << " column " << column;
        }
    }
}

// The form's screen on 24 rows: each review row that appears costs that row
// and at most a line inserted or deleted, never the rows that only moved.
TEST(RendererFold, AReviewRowAppearingCostsAboutOneRow) {
    CellGrid grid(80, 50, page);
    put(grid, 1, "  Corvel v1.1.C", page);
    put(grid, 2, "  The Corvel Team", page);
    put(grid, 43, "Enter the answer:", page);
    put(grid, 44, " { ESC: clear  Alt+B: go Back  Alt+X: eXit  Home|End|Ins|Del|Arrows }", page);
    put(grid, 46, " > ", page);
    for (int row = 47; row <= 48; ++row) put(grid, row, "", field);
    put(grid, 49, "", field);
    Renderer renderer(Charset::utf8, 24, 80);
    TerminalModel terminal(24, 80);
    frame(renderer, grid, 46, terminal);
    for (int n = 1; n <= 15; ++n) {
        put(grid, n + 3, "Review row " + std::to_string(n) + " = an answer", page);
        std::string out = frame(renderer, grid, 46, terminal);
        EXPECT_LE(out.size(), 80u) << "review row " << n;  // one row of cells
        expectShown(renderer, grid, terminal, n);
    }
}

// Rows of text and blank rows come and go at random, the cursor moves;
// on a terminal with back-colour erase and on one without.
class RendererFoldOnModel : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(BackColourErase, RendererFoldOnModel, ::testing::Bool());

TEST_P(RendererFoldOnModel, TheTerminalShowsTheRowsTheFoldChose) {
    std::mt19937 random(12);
    auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    CellGrid grid(12, 30, page);
    Renderer renderer(Charset::utf8, 8, 12);
    renderer.setBackColourErase(GetParam());
    TerminalModel terminal(8, 12);
    terminal.setBackColourErase(GetParam());
    for (int step = 0; step < 2000; ++step) {
        int row = pick(1, 30);
        switch (pick(0, 2)) {
            case 0: put(grid, row, "", page); break;
            case 1: put(grid, row, "", field); break;
            default:
                put(grid, row, std::string(static_cast<std::size_t>(pick(1, 12)), static_cast<char>('a' + row % 26)),
                    page);
        }
        frame(renderer, grid, pick(1, 30), terminal);
        expectShown(renderer, grid, terminal, step);
    }
}

}  // namespace
}  // namespace corvel::posix
