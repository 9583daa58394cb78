#include "console/posix/Renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "console/CellGrid.h"

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

TEST(Renderer, FirstFrameClearsAndPaintsEveryCell) {
    Screen screen(4, 3);
    Renderer renderer(Charset::utf8, 3, 4);
    EXPECT_EQ(frame(renderer, screen),
              "\x1b[0m\x1b[2J"
              "\x1b[H\x1b[37;40m    "
              "\r\n    "
              "\r\n    "
              "\x1b[H\x1b[4 q\x1b[?25h");
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
    EXPECT_EQ(frame(renderer, screen), "\x1b[2;3Hx\x1b[H");
    screen.put(2, 3, "y");
    screen.row = 2;
    screen.column = 4;
    // The cursor already stands after the written cell: no move at all.
    EXPECT_EQ(frame(renderer, screen), "\x1b[2;3Hy");
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
    EXPECT_EQ(frame(renderer, screen), "q\x1b[2;3H\x1b[2 q");
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
    EXPECT_EQ(frame(renderer, screen), "\xe2\x96\xba\xe2\x88\x9e\xe2\x88\x99\r\x1b[2C");
}

TEST(Renderer, SingleByteCharsetsSendBytesOrLookAlikesButNoControls) {
    const std::pair<Charset, std::string> cases[] = {{Charset::cp437, ">\xeco\x9b \r\x1b[4C"},
                                                     {Charset::ascii, ">8oc \r\x1b[4C"}};
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
    EXPECT_EQ(frame(renderer, screen), "\x1b[3H");
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
    EXPECT_EQ(frame(renderer, screen), "ab\x1b[0m\x1b[K\r\n\x1b[K\x1b[H");
}

TEST(Renderer, TerminalResizeRepaintsEverything) {
    Screen screen(2, 1);
    screen.put(1, 1, "ab");
    Renderer renderer(Charset::utf8, 1, 2);
    frame(renderer, screen);
    renderer.setTerminalSize(2, 3);
    EXPECT_EQ(frame(renderer, screen), "\x1b[0m\x1b[2J\x1b[H\x1b[37;40mab\r");
}

}  // namespace
}  // namespace corvel::posix
