#include <gtest/gtest.h>

#include "console/MemoryDevice.h"
#include "editor/VuvadOdor.h"

namespace corvel {
namespace {

constexpr char dot = static_cast<char>(249);
constexpr std::uint8_t kBackspace = 8, kEsc = 27;
constexpr std::uint8_t up = 72, down = 80, left = 75, right = 77, home = 71, end = 79, ins = 82, del = 83;

struct EditorTest : ::testing::Test {
    MemoryDevice device{80, 50};
    ConsoleScreen screen{device};
    ConsoleKeyboard keyboard{device, screen};
    VuvadOdor editor{screen, keyboard};
    std::vector<std::string> history{std::string()};

    // Edits text at the panel's origin (46, 4), as the panel hands it over.
    std::string edit(std::string text, std::size_t width = 255) {
        text.resize(width, ' ');
        int row = 46, column = 4;
        screen.setCursorPos(row, column);
        editor.editField(text, row, column, history);
        return text;
    }
    void key(std::uint8_t character) { device.pushKey(character, 0); }
    void ext(std::uint8_t scanCode) { device.pushExtended(scanCode); }
    std::string field() const {
        return device.rowText(46, 4) + device.rowText(47) + device.rowText(48) + device.rowText(49, 1, 18);
    }
    static std::string padded(std::string text) {
        text.resize(255, ' ');
        return text;
    }
};

TEST_F(EditorTest, anEmptyFieldShowsDotsUntilTheFirstRedraw) {
    device.setIdleHook([this] {
        EXPECT_EQ(field(), std::string(255, dot));
        EXPECT_EQ(device.readCell(46, 4).attribute, 30);
        EXPECT_EQ(device.readCell(49, 18).attribute, 30);
        EXPECT_EQ(device.readCell(49, 19).attribute, 7);
        device.setIdleHook([this] {
            EXPECT_EQ(field(), std::string(255, dot)) << "ignored keys must not redraw";
            device.setIdleHook([this] {
                EXPECT_EQ(field(), std::string(255, ' '));
                key(13);
            });
            ext(right);
        });
        ext(59);  // F1
        ext(73);  // PgUp
        key(1);   // Ctrl+A
        device.pushAlt('q');
    });
    EXPECT_EQ(edit(""), padded(""));
    EXPECT_EQ(history.size(), 1u) << "a blank answer is not remembered";
}

TEST_F(EditorTest, aStoredAnswerIsShownWithoutDots) {
    device.setIdleHook([this] {
        EXPECT_EQ(field(), padded("Jane Doe"));
        key(13);
    });
    EXPECT_EQ(edit("Jane Doe"), padded("Jane Doe"));
}

TEST_F(EditorTest, insertShiftsRightAndDropsTheLastCharacter) {
    std::string full(255, 'x');
    full[254] = 'L';
    ext(home);
    device.pushText("ab");
    key(13);
    std::string result = edit(full);
    EXPECT_EQ(result.substr(0, 3), "abx");
    EXPECT_EQ(result.size(), 255u);
    EXPECT_EQ(result.back(), 'x');
}

TEST_F(EditorTest, overwriteReplacesAndLastsAcrossCalls) {
    ext(ins);
    device.pushText("XY");
    key(13);
    EXPECT_EQ(edit("abcd"), padded("XYcd"));
    EXPECT_EQ(device.cursorShape().size, 99);
    device.pushText("Q");
    ext(ins);
    device.pushText("R");
    key(13);
    EXPECT_EQ(edit("abcd"), padded("QRbcd"));
    EXPECT_EQ(editor.overtypeMode, 0);
    EXPECT_EQ(device.cursorShape().size, 10);
}

TEST_F(EditorTest, typingAtTheLastPositionKeepsTheCursorThere) {
    for (int i = 0; i < 260; ++i) ext(right);
    device.pushText("yz");
    key(13);
    std::string result = edit("a");
    EXPECT_EQ(result[254], 'z');
    EXPECT_EQ(result[253], ' ');
    EXPECT_EQ(device.cursorRow(), 49);
}

TEST_F(EditorTest, backspaceAndDelPullTheRestLeft) {
    ext(end);
    key(kBackspace);
    ext(home);
    ext(del);
    ext(home);
    key(kBackspace);  // nothing before position 1
    key(13);
    EXPECT_EQ(edit("hello"), padded("ell"));
}

TEST_F(EditorTest, escapeMovesHomeThenClearsThenGivesUp) {
    for (int i = 0; i < 4; ++i) ext(right);
    key(kEsc);
    device.setIdleHook([this] {
        EXPECT_EQ(device.cursorColumn(), 4);
        EXPECT_EQ(field().substr(0, 5), "hello");
        key(kEsc);
        device.setIdleHook([this] {
            EXPECT_EQ(field(), std::string(255, ' '));
            key(kEsc);
        });
    });
    EXPECT_EQ(edit("hello"), "");
}

TEST_F(EditorTest, overwritePastTheEndOfAShortTextPadsInsteadOfLosingTheCharacter) {
    editor.overtypeMode = 1;
    device.pushText("ab");
    key(kEsc);
    key(kEsc);  // the text is empty now
    ext(right);
    ext(right);
    device.pushText("Z");
    key(13);
    EXPECT_EQ(edit(""), "  Z");
}

TEST_F(EditorTest, markersReplaceTheFirstTwoCharacters) {
    device.pushAlt('b');
    EXPECT_EQ(edit("abc"), altBMarker + padded("abc").substr(2));
    key(kEsc);  // empties the text
    device.pushAlt('x');
    EXPECT_EQ(edit(""), altXMarker);
}

TEST_F(EditorTest, historyKeepsDistinctAnswersAndRecallsThem) {
    for (const char* answer : {"A", "A", "B", "A"}) {
        device.pushText(answer);
        key(13);
        edit("");
    }
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(history[0], padded("A"));
    EXPECT_EQ(history[1], padded("B"));
    EXPECT_EQ(history[2], padded("A"));
    EXPECT_EQ(history[3], std::string(255, ' '));

    ext(up);
    ext(up);
    device.setIdleHook([this] {
        EXPECT_EQ(field().substr(0, 2), "B ");
        EXPECT_EQ(device.cursorColumn(), 5) << "cursor after the recalled text";
        ext(down);
        ext(down);
        device.setIdleHook([this] {
            EXPECT_EQ(device.cursorColumn(), 4) << "the blank entry puts the cursor at position 1";
            key(9);
        });
    });
    EXPECT_EQ(edit(""), std::string(255, ' '));
}

TEST_F(EditorTest, upInTheFirstFieldLoadsTheEmptyEntry) {
    ext(up);
    device.pushText("k");
    key(13);
    EXPECT_EQ(edit("abc"), "k");
}

TEST_F(EditorTest, aFullRecalledEntryPutsTheCursorOnTheLastPosition) {
    history = {std::string(255, 'f'), std::string(255, ' ')};
    ext(up);
    device.setIdleHook([this] {
        EXPECT_EQ(device.cursorRow(), 49);
        EXPECT_EQ(device.cursorColumn(), 18);
        key(13);
    });
    edit("");
}

TEST_F(EditorTest, positionsWrapOntoTheNextRows) {
    for (int i = 1; i < 77; ++i) ext(right);
    device.setIdleHook([this] {
        EXPECT_EQ(device.cursorRow(), 46);
        EXPECT_EQ(device.cursorColumn(), 80);
        ext(right);
        device.setIdleHook([this] {
            EXPECT_EQ(device.cursorRow(), 47);
            EXPECT_EQ(device.cursorColumn(), 1);
            key(13);
        });
    });
    edit("");
}

TEST_F(EditorTest, acceptRestoresTheColoursFoundUnderTheCursor) {
    screen.setTextColors(14, 9, 0);
    screen.setCursorPos(46, 4);
    screen.writeText(" ");
    key(13);
    edit("x");
    EXPECT_EQ(screen.attribute(), 14 + 9 * 16);
    device.pushAlt('x');
    edit("x");
    EXPECT_EQ(screen.attribute(), 30) << "only Enter and Tab restore the colours";
}

}  // namespace
}  // namespace corvel
