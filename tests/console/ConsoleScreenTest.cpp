#include <gtest/gtest.h>

#include "console/ConsoleScreen.h"
#include "console/MemoryDevice.h"

namespace corvel {
namespace {

struct ScreenTest : ::testing::Test {
    MemoryDevice device{80, 50};
    ConsoleScreen screen{device};
    std::string fullRow(char c) { return std::string(80, c); }
};

TEST_F(ScreenTest, writeTextWrapsAndNewLineLeavesTheNextRowAlone) {
    screen.setCursorPos(5, 1);
    screen.writeText(fullRow('a'));
    EXPECT_EQ(screen.cursorRow(), 6);
    EXPECT_EQ(screen.cursorColumn(), 1);
    screen.newLine();
    EXPECT_EQ(screen.cursorRow(), 7);
    EXPECT_EQ(device.rowText(6), fullRow(' '));

    screen.setCursorPos(10, 78);
    screen.writeText("12345");
    EXPECT_EQ(device.rowText(10, 78, 80), "123");
    EXPECT_EQ(device.rowText(11, 1, 2), "45");
    EXPECT_EQ(screen.cursorColumn(), 3);
}

TEST_F(ScreenTest, fullBottomRowDefersTheScrollUntilMoreTextComes) {
    screen.setCursorPos(50, 1);
    screen.writeText(fullRow('z'));
    EXPECT_TRUE(screen.pendingScroll());
    EXPECT_EQ(screen.cursorRow(), 50);
    EXPECT_EQ(screen.cursorColumn(), 1);
    EXPECT_EQ(device.rowText(50), fullRow('z'));

    screen.writeText("q");
    EXPECT_EQ(device.rowText(49), fullRow('z'));
    EXPECT_EQ(device.rowText(50, 1, 2), "q ");
    EXPECT_EQ(screen.cursorColumn(), 2);
    EXPECT_FALSE(screen.pendingScroll());
}

TEST_F(ScreenTest, newLineAfterAFullBottomRowScrollsTwice) {
    screen.setCursorPos(50, 1);
    screen.writeText(fullRow('z'));
    screen.newLine();
    EXPECT_EQ(device.rowText(48), fullRow('z'));
    EXPECT_EQ(device.rowText(49), fullRow(' '));
    EXPECT_EQ(device.rowText(50), fullRow(' '));
    EXPECT_EQ(screen.cursorRow(), 50);

    // Without a pending scroll a new line on the bottom row scrolls once.
    screen.writeText("x");
    screen.newLine();
    EXPECT_EQ(device.rowText(49, 1, 1), "x");
}

TEST_F(ScreenTest, movingTheCursorCancelsThePendingScroll) {
    screen.setCursorPos(50, 1);
    screen.writeText(fullRow('z'));
    screen.setCursorPos(1, 1);
    screen.writeText("a");
    EXPECT_EQ(device.rowText(50), fullRow('z'));
    EXPECT_EQ(device.rowText(1, 1, 1), "a");
}

TEST_F(ScreenTest, cursorCoordinatesOutsideTheScreenKeepTheCurrentOne) {
    screen.setCursorPos(7, 9);
    screen.setCursorPos(0, 5);
    EXPECT_EQ(screen.cursorRow(), 7);
    EXPECT_EQ(screen.cursorColumn(), 5);
    screen.setCursorPos(3, 81);
    EXPECT_EQ(screen.cursorRow(), 3);
    EXPECT_EQ(screen.cursorColumn(), 5);
}

TEST_F(ScreenTest, colourChangesRecolourOnlyWhatIsAsked) {
    screen.setCursorPos(46, 4);
    screen.writeText("x");
    screen.setCursorPos(46, 4);
    screen.setTextColors(14, -1, 0);
    EXPECT_EQ(screen.background(), 0);
    EXPECT_EQ(screen.foreground(), 14);
    EXPECT_EQ(screen.cellAttribute(46, 4), 7);

    screen.setTextColors(14, 1, 255);
    EXPECT_EQ(screen.cellAttribute(46, 4), 30);
    EXPECT_EQ(screen.cellAttribute(46, 3), 7);
    EXPECT_EQ(screen.cellAttribute(47, 1), 30);
    EXPECT_EQ(screen.cellAttribute(49, 18), 30);
    EXPECT_EQ(screen.cellAttribute(49, 19), 7);
    EXPECT_EQ(device.readCell(46, 4).character, 'x');
    EXPECT_EQ(device.defaultAttribute(), 30);

    screen.setTextColors(2, 3, 80 * 50 + 1);  // more than the window: no recolouring
    EXPECT_EQ(screen.cellAttribute(46, 4), 30);
    EXPECT_EQ(screen.attribute(), 3 * 16 + 2);
}

TEST_F(ScreenTest, clearScreenFillsWithTheCurrentColoursAndHomesTheCursor) {
    screen.setCursorPos(9, 9);
    screen.writeText("junk");
    screen.setTextColors(15, 9, 0);
    screen.clearScreen();
    for (int row = 1; row <= 50; ++row) {
        for (int column = 1; column <= 80; ++column) {
            ASSERT_EQ(device.readCell(row, column), (Cell{' ', 159}));
        }
    }
    EXPECT_EQ(screen.cursorRow(), 1);
    EXPECT_EQ(screen.cursorColumn(), 1);
    EXPECT_TRUE(device.cursorShape().visible);
}

TEST_F(ScreenTest, controlBytesAreGlyphsNotMovements) {
    screen.setCursorPos(2, 1);
    screen.writeText("\r\n");
    EXPECT_EQ(device.readCell(2, 1).character, 13);
    EXPECT_EQ(device.readCell(2, 2).character, 10);
    EXPECT_EQ(screen.cursorColumn(), 3);
    EXPECT_EQ(screen.cursorRow(), 2);
}

TEST_F(ScreenTest, cursorSizesAreClampedAndVisibilityToggles) {
    screen.setCursorSize(1);
    EXPECT_EQ(device.cursorShape(), (CursorShape{10, true}));
    screen.setCursorSize(100);
    EXPECT_EQ(device.cursorShape(), (CursorShape{99, true}));
    screen.setCursorSize(0);
    EXPECT_EQ(device.cursorShape(), (CursorShape{99, false}));
    screen.setCursorSize(-1);
    EXPECT_EQ(device.cursorShape(), (CursorShape{99, true}));
}

TEST_F(ScreenTest, numbersCarryASignPositionAndATrailingBlank) {
    screen.setCursorPos(1, 1);
    screen.writeNumber(0);
    screen.writeNumber(-5);
    screen.writeNumber(300);
    EXPECT_EQ(device.rowText(1, 1, 11), " 0 -5  300 ");
}

TEST(ScreenOnOddSizes, wideRowsAreStoredInSegmentsAndTinyScreensScroll) {
    MemoryDevice wide(300, 3);
    ConsoleScreen screen(wide);
    screen.writeText(std::string(300, 'w'));
    EXPECT_EQ(wide.rowText(1), std::string(300, 'w'));
    EXPECT_EQ(screen.cursorRow(), 2);

    MemoryDevice tiny(2, 1);
    ConsoleScreen small(tiny);
    small.writeText("abcde");
    EXPECT_EQ(tiny.rowText(1), "e ");
    EXPECT_EQ(small.cursorColumn(), 2);
}

}  // namespace
}  // namespace corvel
