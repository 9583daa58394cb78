#include "console/posix/Renderer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "console/CellGrid.h"
#include "console/posix/TerminalModel.h"

namespace corvel::posix {
namespace {

struct Screen {
    CellGrid grid;
    int row = 1;
    int column = 1;
    CursorShape shape{10, true};

    Screen(int columns, int rows) : grid(columns, rows, 7) {}

    void put(int r, int c, const std::string& text, std::uint8_t attribute = 7) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            Cell cell{static_cast<std::uint8_t>(text[i]), attribute};
            grid.writeCells(r, c + static_cast<int>(i), &cell, 1);
        }
    }
    ScreenState state() const { return ScreenState::of(grid, row, column, shape); }
};

std::string frame(Renderer& renderer, const Screen& screen) {
    std::string out;
    renderer.render(screen.state(), out);
    return out;
}

TEST(Renderer, FirstFrameClearsInTheCommonestBackgroundAndPaintsTheRest) {
    Screen screen(4, 3);
    Renderer renderer(Charset::utf8, 3, 4);
    EXPECT_EQ(frame(renderer, screen), "\x1b[0;37;40m\x1b[2J\x1b[H\x1b[4 q\x1b[?25h");
    screen.put(1, 1, "ab  ", 0x1F);
    screen.put(2, 1, "  ", 0x1F);
    screen.put(3, 1, "    ", 0x1F);
    renderer.invalidate();
    // Blanks in blue win; the two in black are sent as blanks.
    EXPECT_EQ(frame(renderer, screen), "\x1b[0;97;44m\x1b[2J\x1b[Hab\n\x1b[40m  \x1b[H");
}

TEST(Renderer, NothingChangedSendsNothing) {
    Screen screen(4, 3);
    Renderer renderer(Charset::utf8, 3, 4);
    frame(renderer, screen);
    EXPECT_EQ(frame(renderer, screen), "");
    screen.put(1, 1, " ");  // the same cell stored again
    EXPECT_EQ(frame(renderer, screen), "");
}

TEST(Renderer, OneChangedCell) {
    Screen screen(4, 3);
    Renderer renderer(Charset::utf8, 3, 4);
    frame(renderer, screen);
    screen.put(2, 3, "x");
    EXPECT_EQ(frame(renderer, screen), "\x1b[2C\nx\x1b[H");
    screen.put(2, 3, "y");
    screen.row = 2;
    screen.column = 4;
    // Line feed keeps the column; the cursor already stands after the
    // written cell: no move at all.
    EXPECT_EQ(frame(renderer, screen), "\x1b[2C\ny");
}

TEST(Renderer, RunOfEqualAttributesCostsOneSgr) {
    Screen screen(8, 2);
    Renderer renderer(Charset::utf8, 2, 8);
    frame(renderer, screen);
    screen.put(1, 2, "abcde", 30);  // yellow on blue
    screen.column = 7;
    // The blank before the run is cheaper to send again than a move.
    EXPECT_EQ(frame(renderer, screen), " \x1b[93;44mabcde");
    // Only the foreground changes: only it is sent.
    screen.put(1, 2, "f", 31);
    screen.put(2, 1, "g", 31);
    screen.row = 2;
    screen.column = 2;
    EXPECT_EQ(frame(renderer, screen), "\x1b[5D\x1b[97mf\r\ng");
}

TEST(Renderer, ColourNumbersMapToAnsiColours) {
    Screen screen(4, 1);
    Renderer renderer(Charset::utf8, 1, 4);
    frame(renderer, screen);
    screen.put(1, 1, "a", 0x9F);  // white on light blue
    screen.put(1, 2, "b", 0x14);  // red on blue
    screen.put(1, 3, "c", 0x63);  // cyan on brown
    screen.put(1, 4, "d", 0x08);  // dark grey on black
    std::string out = frame(renderer, screen);
    EXPECT_EQ(out, "\x1b[97;104ma\x1b[31;44mb\x1b[36;43mc\x1b[90;40md\r");
}

TEST(Renderer, ShortRunOfUnchangedCellsIsRewrittenInsteadOfJumped) {
    Screen screen(10, 1);
    Renderer renderer(Charset::utf8, 1, 10);
    screen.put(1, 1, "abcdefghij", 7);
    frame(renderer, screen);
    screen.put(1, 2, "X");
    screen.put(1, 4, "Y");
    screen.put(1, 9, "Z");
    screen.column = 10;
    // 'a' and 'c' are cheaper to send again than a move; "efgh" costs as
    // much as CSI 4 C.
    EXPECT_EQ(frame(renderer, screen), "aXcY\x1b[4CZ");
}

TEST(Renderer, ShortMovesLeftUseBackspace) {
    Screen screen(10, 1);
    Renderer renderer(Charset::utf8, 1, 10);
    screen.column = 6;
    frame(renderer, screen);
    screen.column = 5;
    EXPECT_EQ(frame(renderer, screen), "\b");
    screen.column = 2;
    EXPECT_EQ(frame(renderer, screen), "\b\b\b");
    screen.column = 9;
    screen.put(1, 8, "x");
    screen.column = 1;
    EXPECT_EQ(frame(renderer, screen), "\x1b[6Cx\r");
}

TEST(Renderer, CursorIsPlacedAndShapedLast) {
    Screen screen(4, 2);
    Renderer renderer(Charset::utf8, 2, 4);
    frame(renderer, screen);
    screen.put(1, 1, "q");
    screen.row = 2;
    screen.column = 3;
    screen.shape = CursorShape{99, true};
    EXPECT_EQ(frame(renderer, screen), "q\x1b[C\n\x1b[2 q");
    screen.shape = CursorShape{99, false};
    EXPECT_EQ(frame(renderer, screen), "\x1b[?25l");
    screen.put(2, 1, "r");
    EXPECT_EQ(frame(renderer, screen), "\rr");  // hidden: the cursor is not moved
    screen.shape = CursorShape{50, true};
    EXPECT_EQ(frame(renderer, screen), " \x1b[4 q\x1b[?25h");
}

TEST(Renderer, Utf8GlyphsOfCodePage437) {
    Screen screen(3, 1);
    Renderer renderer(Charset::utf8, 1, 3);
    frame(renderer, screen);
    screen.put(1, 1, "\x10\xec\xf9");
    screen.column = 3;
    EXPECT_EQ(frame(renderer, screen), "\xe2\x96\xba\xe2\x88\x9e\xe2\x88\x99\x1b[3G");
}

TEST(Renderer, SingleByteCharsetsSendBytesOrLookAlikesButNoControls) {
    // 155 (0x9b) is CSI to a terminal that takes 8-bit controls.
    const std::pair<Charset, std::string> cases[] = {{Charset::cp437, ">\xecoc \x1b[5G"},
                                                     {Charset::ascii, ">8oc \x1b[5G"}};
    for (const auto& [charset, expected] : cases) {
        Screen screen(5, 1);
        Renderer renderer(charset, 1, 5);
        frame(renderer, screen);
        screen.put(1, 1, std::string("\x10\xec\x07\x9b", 4) + std::string(1, '\0'));
        screen.column = 5;
        EXPECT_EQ(frame(renderer, screen), expected) << charsetName(charset);
    }
}

TEST(Renderer, ViewportFollowsTheCursorWhenTheTerminalIsSmaller) {
    Screen screen(4, 6);
    for (int r = 1; r <= 6; ++r) screen.put(r, 1, std::string(4, static_cast<char>('0' + r)));
    Renderer renderer(Charset::utf8, 3, 4);
    screen.row = 5;
    std::string first = frame(renderer, screen);
    EXPECT_EQ(renderer.viewportTop(), 2);
    EXPECT_EQ(first,
              "\x1b[0m\x1b[2J"
              "\x1b[H\x1b[37;40m3333"
              "\r\n4444"
              "\r\n5555"
              "\r\x1b[4 q\x1b[?25h");
    // Cursor to row 1: the viewport moves up as little as needed.
    screen.row = 1;
    EXPECT_EQ(frame(renderer, screen), "\x1b[H1111\r\n2222\r\n3333\x1b[H");
    EXPECT_EQ(renderer.viewportTop(), 0);
    screen.row = 3;
    EXPECT_EQ(frame(renderer, screen), "\n\n");
}

TEST(Renderer, ViewportFollowsTheCursorAcross) {
    Screen screen(6, 1);
    screen.put(1, 1, "abcdef");
    Renderer renderer(Charset::utf8, 1, 4);
    screen.column = 6;
    frame(renderer, screen);
    EXPECT_EQ(renderer.viewportLeft(), 2);
}

TEST(Renderer, SmallerBufferSitsTopLeftOnABlankTerminal) {
    Screen screen(2, 2);
    screen.put(1, 1, "ab");
    screen.put(2, 1, "cd");
    Renderer renderer(Charset::utf8, 3, 4);
    EXPECT_EQ(frame(renderer, screen),
              "\x1b[0m\x1b[2J"
              "\x1b[H\x1b[37;40mab"
              "\r\ncd"
              "\x1b[H\x1b[4 q\x1b[?25h");
}

TEST(Renderer, CellsLeftBehindByAShrinkingBufferAreErased) {
    Screen screen(4, 2);
    screen.put(1, 1, "abcd");
    screen.put(2, 1, "efgh");
    Renderer renderer(Charset::utf8, 2, 4);
    frame(renderer, screen);
    screen.grid.resize(2, 1, 7);
    EXPECT_EQ(frame(renderer, screen), "ab\x1b[0m  \r\n\x1b[K\x1bM");
}

TEST(Renderer, TerminalResizeRepaintsEverything) {
    Screen screen(2, 1);
    screen.put(1, 1, "ab");
    Renderer renderer(Charset::utf8, 1, 2);
    frame(renderer, screen);
    renderer.setTerminalSize(2, 3);
    EXPECT_EQ(frame(renderer, screen), "\x1b[0m\x1b[2J\x1b[H\x1b[37;40mab\r");
}

TEST(Renderer, RunsOfBlanksAreErasedInTheirBackground) {
    Screen screen(20, 2);
    screen.put(1, 1, std::string(20, 'x'), 0x1E);
    screen.put(2, 1, std::string(20, 'y'), 0x1E);
    Renderer renderer(Charset::utf8, 2, 20);
    frame(renderer, screen);
    screen.put(1, 3, std::string(18, ' '), 0x1E);
    screen.put(2, 1, std::string(10, ' '), 0x1E);
    screen.put(2, 11, std::string(10, ' '), 0x97);
    screen.column = 3;
    // To the end of the row EL; a run inside it ECH, which leaves the
    // cursor; a blank needs only its background.
    EXPECT_EQ(frame(renderer, screen), "xx\x1b[K\r\n\x1b[10X\x1b[10C\x1b[104m\x1b[K\x1b[1;3H");
    // Without back-colour erase only the default colours may be erased.
    Renderer plain(Charset::utf8, 1, 20);
    plain.setBackColourErase(false);
    Screen line(20, 1);
    line.put(1, 1, std::string(20, 'x'), 0x1E);
    frame(plain, line);
    line.put(1, 1, std::string(6, ' '), 0x1E);
    line.column = 7;
    EXPECT_EQ(frame(plain, line), "      ");
}

TEST(Renderer, ARowShiftedByOneIsInsertedOrDeletedInPlace) {
    Screen screen(20, 1);
    screen.put(1, 1, "abcdefgh", 0x1E);
    screen.put(1, 9, std::string(12, ' '), 0x1E);
    screen.column = 3;
    Renderer renderer(Charset::utf8, 1, 20);
    frame(renderer, screen);
    screen.put(1, 3, "Xcdefgh", 0x1E);
    screen.column = 4;
    EXPECT_EQ(frame(renderer, screen), "\x1b[@X");
    screen.put(1, 3, "cdefgh ", 0x1E);
    screen.column = 3;
    EXPECT_EQ(frame(renderer, screen), "\b\x1b[P");
    // Shifted and changed: here sending the cells costs less than the shift
    // and the way to the changed cell.
    screen.put(1, 3, "defghZ", 0x1E);
    EXPECT_EQ(frame(renderer, screen), "defghZ\x1b[6D");
}

TEST(Renderer, LargeFramesAreOneSynchronizedUpdate) {
    Screen screen(80, 10);
    for (int r = 1; r <= 10; ++r) screen.put(r, 1, std::string(80, 'x'));
    Renderer renderer(Charset::utf8, 10, 80);
    std::string out = frame(renderer, screen);
    EXPECT_EQ(out.rfind("\x1b[?2026h", 0), 0u);
    EXPECT_EQ(out.substr(out.size() - 8), "\x1b[?2026l");
    screen.put(1, 1, "y");
    EXPECT_EQ(frame(renderer, screen), "y\b");
}

// Random edits of the kinds the form makes (typing, inserting, deleting,
// runs of blanks, colours, cursor moves), each frame fed to a model
// terminal, which must then show exactly the grid; with back-colour erase
// and on a terminal without it, which erases in its default colours.
class RendererOnModel : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(BackColourErase, RendererOnModel, ::testing::Bool());

TEST_P(RendererOnModel, EveryFrameBringsTheTerminalToTheGrid) {
    const int columns = 24;
    const int rows = 6;
    std::mt19937 random(7);
    auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    const std::uint8_t attributes[] = {0x1E, 0x9F, 0x9E, 0x07, 0x1F};
    Screen screen(columns, rows);
    Renderer renderer(Charset::utf8, rows, columns);
    renderer.setBackColourErase(GetParam());
    TerminalModel terminal(rows, columns);
    terminal.setBackColourErase(GetParam());
    for (int step = 0; step < 3000; ++step) {
        int row = pick(1, rows);
        int column = pick(1, columns);
        auto attribute = attributes[pick(0, 4)];
        std::string line = screen.grid.cell(row, 1).character == 0 ? "" : std::string();
        for (int c = 1; c <= columns; ++c) line += static_cast<char>(screen.grid.cell(row, c).character);
        switch (pick(0, 4)) {
            case 0: line.insert(static_cast<std::size_t>(column - 1), 1, static_cast<char>(pick(33, 254))); break;
            case 1: line.erase(static_cast<std::size_t>(column - 1), 1); line += ' '; break;
            case 2: line.replace(static_cast<std::size_t>(column - 1), 1, 1, static_cast<char>(pick(33, 254))); break;
            case 3: screen.put(row, column, std::string(static_cast<std::size_t>(pick(1, columns)), ' '), attribute); break;
            default: break;
        }
        if (line.size() > static_cast<std::size_t>(columns)) line.resize(static_cast<std::size_t>(columns));
        for (int c = 1; c <= columns; ++c) {
            Cell cell{static_cast<std::uint8_t>(line[static_cast<std::size_t>(c - 1)]), screen.grid.cell(row, c).attribute};
            screen.grid.writeCells(row, c, &cell, 1);
        }
        if (pick(0, 9) == 0) screen.put(row, 1, std::string(static_cast<std::size_t>(columns), ' '), attribute);
        screen.row = pick(1, rows);
        screen.column = pick(1, columns);
        terminal.feed(frame(renderer, screen));
        ASSERT_TRUE(terminal.understood()) << terminal.firstUnknown();
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                Cell want = screen.grid.cell(r + 1, c + 1);
                ASSERT_TRUE(terminal.shows(r, c, want.character, want.attribute))
                    << "step " << step << " at " << r << "," << c;
            }
        }
        ASSERT_EQ(terminal.cursorRow(), screen.row - 1) << "step " << step;
        ASSERT_EQ(terminal.cursorColumn(), screen.column - 1) << "step " << step;
    }
}

}  // namespace
}  // namespace corvel::posix
