#include <gtest/gtest.h>

#include "console/MemoryDevice.h"
#include "console/StreamOutput.h"

namespace corvel {
namespace {

TEST(StreamOutputTest, controlBytesActAndOtherBytesBecomeCellsInTheDefaultAttribute) {
    MemoryDevice device(20, 4);
    device.setDefaultAttribute(0x1E);
    device.setCursor(2, 3);
    StreamOutput(device).write(std::string("ab\tc\r\nxy\bZ\x07", 11));
    EXPECT_EQ(device.rowText(2), "  ab    c           ");
    EXPECT_EQ(device.rowText(3), "xZ                  ");
    EXPECT_EQ(device.readCell(2, 3), (Cell{'a', 0x1E}));
    EXPECT_EQ(device.readCell(2, 5), (Cell{' ', 0x1E}));  // the tab's blanks
    EXPECT_EQ(device.readCell(2, 9), (Cell{'c', 0x1E}));
    EXPECT_EQ(device.alerts(), 1);
    EXPECT_EQ(device.cursorRow(), 3);
    EXPECT_EQ(device.cursorColumn(), 3);
}

TEST(StreamOutputTest, wrapsAtTheRightEdgeAndScrollsAtTheBottom) {
    MemoryDevice device(4, 3);
    device.setDefaultAttribute(0x07);
    device.setCursor(2, 3);
    StreamOutput(device).write("abcdefgh\nz");
    // The wrap after "cdef" in the bottom row scrolled once, the line feed
    // after "gh" again.
    EXPECT_EQ(device.rowText(1), "cdef");
    EXPECT_EQ(device.rowText(2), "gh  ");
    EXPECT_EQ(device.rowText(3), "z   ");
    EXPECT_EQ(device.cursorRow(), 3);
    EXPECT_EQ(device.cursorColumn(), 2);
}

TEST(StreamOutputTest, scrolledRowsAreBlankInTheDefaultAttribute) {
    MemoryDevice device(3, 2);
    device.setDefaultAttribute(0x4F);
    device.setCursor(2, 1);
    StreamOutput(device).write("x\n\n");
    EXPECT_EQ(device.rowText(1), "   ");
    EXPECT_EQ(device.readCell(2, 2), (Cell{' ', 0x4F}));
    EXPECT_EQ(device.cursorRow(), 2);
    EXPECT_EQ(device.cursorColumn(), 1);
}

}  // namespace
}  // namespace corvel
