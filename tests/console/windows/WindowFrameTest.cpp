// The console window's view of the form's screen: a short window shows the
// form folded as a short terminal does, a typed character is one small
// rectangle, a resized window is written whole.
#include <gtest/gtest.h>

#include "app/FormHarness.h"
#include "console/windows/WindowFrame.h"

namespace corvel::windows {
namespace {

std::string viewRow(const WindowFrame& frame, int row) {
    std::string text;
    for (int column = 1; column <= frame.columns(); ++column) text += static_cast<char>(frame.view().cell(row, column).character);
    return text;
}

TEST(WindowFrame, aShortWindowShowsTheWholeFormFolded) {
    test::FormHarness form;
    WindowFrame frame;
    form.then([&] {
        frame.setWindow(24, 80);
        const auto& whole = frame.update(form.device.grid(), form.device.cursorRow(), form.device.cursorColumn());
        EXPECT_EQ(whole, (std::vector<CellRectangle>{{1, 1, 24, 80}})) << "a new window is written whole";
        for (const CellRectangle& written : whole) frame.shown(written);
        EXPECT_NE(viewRow(frame, 1).find("Corvel"), std::string::npos) << "the title";
        ASSERT_GE(frame.cursorRow(), 0);
        EXPECT_EQ(viewRow(frame, frame.cursorRow() + 1).substr(0, 3), " \x10 ") << "the cursor in the field";
        EXPECT_EQ(frame.bufferRowOf(frame.cursorRow()), 46);
        EXPECT_EQ(frame.bufferRowOf(frame.cursorRow() - 3), 43);
        EXPECT_EQ(viewRow(frame, frame.cursorRow() - 2).substr(0, 15), "Enter REAL Name") << "prompt, hint, blank";
        form.device.pushText("J");
    });
    form.then([&] {
        for (const CellRectangle& written : frame.update(form.device.grid(), 46, 5)) frame.shown(written);
        form.device.pushText("a");
    });
    form.then([&] {
        const auto typed = frame.update(form.device.grid(), form.device.cursorRow(), form.device.cursorColumn());
        const int row = frame.cursorRow() + 1;
        EXPECT_EQ(typed, (std::vector<CellRectangle>{{row, 5, row, 5}})) << "one cell";
        EXPECT_EQ(frame.cursorColumn(), 5);
        frame.setWindow(30, 80);
        EXPECT_EQ(frame.update(form.device.grid(), 46, 5), (std::vector<CellRectangle>{{1, 1, 30, 80}}));
        form.device.pushAlt('x');
    });
    EXPECT_EQ(form.run(), 0);
}

}  // namespace
}  // namespace corvel::windows
