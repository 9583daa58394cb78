// The exact bytes the renderer sends for the line editor's small frames on
// the form's 80 x 50 screen: a regression in terminal traffic fails here.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "console/ConsoleKeyboard.h"
#include "console/ConsoleScreen.h"
#include "console/MemoryDevice.h"
#include "console/posix/Renderer.h"
#include "editor/VuvadOdor.h"

namespace corvel::posix {
namespace {

constexpr std::uint8_t left = 75, right = 77, home = 71, end = 79, del = 83;

struct EditorFrames : ::testing::Test {
    MemoryDevice device{80, 50};
    ConsoleScreen screen{device};
    ConsoleKeyboard keyboard{device, screen};
    VuvadOdor editor{screen, keyboard};
    Renderer renderer{Charset::utf8, 50, 80};
    std::vector<std::string> frames;  // one per wait for a key, the first included

    // Edits an empty answer field at (46, 4) in the form's colours; each
    // step queues the keys for the next wait, then Enter ends the edit.
    void run(const std::vector<std::function<void()>>& steps) {
        screen.setTextColors(15, 9, 0);
        screen.clearScreen();
        screen.setCursorPos(46, 4);
        std::size_t next = 0;
        device.setIdleHook([&] {
            std::string out;
            renderer.render(ScreenState::of(device.grid(), device.cursorRow(), device.cursorColumn(),
                                            device.cursorShape()),
                            out);
            frames.push_back(out);
            if (next < steps.size()) steps[next++]();
            else device.pushKey(13, 28);
        });
        std::string text(255, ' ');
        int row = 46, column = 4;
        std::vector<std::string> history{std::string()};
        editor.editField(text, row, column, history);
    }
    std::function<void()> type(std::string text) {
        return [this, text] { device.pushText(text); };
    }
    std::function<void()> key(std::uint8_t scanCode) {
        return [this, scanCode] { device.pushExtended(scanCode); };
    }
    std::function<void()> backspace() {
        return [this] { device.pushKey(8, 14); };
    }
};

TEST_F(EditorFrames, FirstKeyErasesTheDotsInRunsInsteadOfWritingBlanks) {
    run({type("a")});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_LT(frames[0].size(), 1000u);
    EXPECT_EQ(frames[1], "a\x1b[K\r\n\x1b[K\n\x1b[K\n\x1b[18X\x1b[46;5H");
}

TEST_F(EditorFrames, TypingMovingAndNoOpKeys) {
    run({type("a"), type("bcdefgh"), type("i"), key(left), key(home), key(left), key(end), key(right), key(home),
         key(right)});
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames[3], "i");         // typed at the end: the character alone
    EXPECT_EQ(frames[4], "\b");        // Left
    EXPECT_EQ(frames[5], "\x1b[8D");   // Home
    EXPECT_EQ(frames[6], "");          // Left at the start changes nothing
    EXPECT_EQ(frames[7], "\x1b[9C");   // End
    EXPECT_EQ(frames[8], " ");         // Right: the blank under the cursor, sent again
    EXPECT_EQ(frames[10], "a");
}

TEST_F(EditorFrames, InsertBackspaceAndDeleteShiftTheRow) {
    run({type("abcd"), key(home), type("X"), backspace(), key(del)});
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[3], "\x1b[@X");
    EXPECT_EQ(frames[4], "\b\x1b[P");
    EXPECT_EQ(frames[5], "\x1b[P");
}

}  // namespace
}  // namespace corvel::posix
