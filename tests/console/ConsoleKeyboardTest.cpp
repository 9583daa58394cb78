#include <gtest/gtest.h>

#include "console/ConsoleKeyboard.h"
#include "console/ConsoleSession.h"
#include "console/MemoryDevice.h"

namespace corvel {
namespace {

KeyEvent key(std::uint8_t character, std::uint8_t scanCode) {
    KeyEvent event;
    event.character = character;
    event.scanCode = scanCode;
    return event;
}

TEST(KeyAcceptance, modifiersReleasesAndOtherEventsAreNoKeys) {
    for (std::uint8_t modifier : {29, 42, 54, 56, 58, 69, 70}) {
        EXPECT_EQ(acceptKeyEvent(key(0, modifier)), "") << int(modifier);
    }
    KeyEvent release = key('a', 30);
    release.down = false;
    EXPECT_EQ(acceptKeyEvent(release), "");
    KeyEvent resize;
    resize.isKey = false;
    EXPECT_EQ(acceptKeyEvent(resize), "");
}

TEST(KeyAcceptance, extendedKeysAndAltLettersAreTwoBytes) {
    EXPECT_EQ(acceptKeyEvent(key(0, 72)), std::string("\0\x48", 2));
    KeyEvent altX = key('x', 45);
    altX.alt = true;
    EXPECT_EQ(keyCode(acceptKeyEvent(altX)), -45);
    altX.capsLock = true;
    altX.character = 'X';
    EXPECT_EQ(keyCode(acceptKeyEvent(altX)), -45);
    KeyEvent altGrAt = key('@', 16);  // a layout where AltGr+Q types @
    altGrAt.alt = true;
    EXPECT_EQ(keyCode(acceptKeyEvent(altGrAt)), -16);
    KeyEvent altOne = key('1', 2);
    altOne.alt = true;
    EXPECT_EQ(acceptKeyEvent(altOne), "1");
    EXPECT_EQ(acceptKeyEvent(key(3, 46)), "\x03");  // Ctrl+C is only a key
}

TEST(KeyAcceptance, capsLockFollowsShiftOnDigitAndPunctuationKeysOnly) {
    KeyEvent two = key('@', 3);
    two.capsLock = true;
    EXPECT_EQ(acceptKeyEvent(two), "2");
    two.shift = true;
    two.character = '2';
    EXPECT_EQ(acceptKeyEvent(two), "@");
    KeyEvent letter = key('A', 30);
    letter.capsLock = true;
    EXPECT_EQ(acceptKeyEvent(letter), "A");
    KeyEvent slash = key('?', 53);
    slash.capsLock = true;
    EXPECT_EQ(acceptKeyEvent(slash), "/");
    KeyEvent escape = key(0, 1);
    escape.capsLock = true;
    EXPECT_EQ(acceptKeyEvent(escape), "\x1b");
}

TEST(KeyCodes, followTheKeyStringLength) {
    EXPECT_EQ(keyCode("\r"), 13);
    EXPECT_EQ(keyCode("\xff"), 255);
    EXPECT_EQ(keyCode(std::string("\0\x53", 2)), -83);
    EXPECT_EQ(keyCode(""), keyCodeNone);
    EXPECT_EQ(keyCode("abc"), keyCodeNone);
}

struct KeyboardTest : ::testing::Test {
    MemoryDevice device{80, 50};
    ConsoleScreen screen{device};
    ConsoleKeyboard keyboard{device, screen};
};

TEST_F(KeyboardTest, pollSkipsNonKeysAndNeverWaits) {
    device.pushKey(0, 42);
    device.pushKey(0, 56);
    EXPECT_EQ(keyboard.pollKey(), "");
    EXPECT_EQ(device.pendingEvents(), 0u);
    device.pushKey(0, 42);
    device.pushText("k");
    EXPECT_EQ(keyboard.pollKey(), "k");
    EXPECT_EQ(device.waits(), 0);
}

// Щ types S, then hch: four keys before the next one; Alt with a letter
// key stays the Alt key and types nothing more.
TEST_F(KeyboardTest, aKeyThatTypesSeveralCharactersGivesThemInOrder) {
    KeyEvent shch;
    shch.character = 'S';
    shch.more = "hch";
    device.pushEvent(shch);
    shch.alt = true;
    shch.scanCode = 24;
    device.pushEvent(shch);
    device.pushText("x");
    std::string keys;
    for (std::string key; !(key = keyboard.pollKey()).empty();) keys += key;
    EXPECT_EQ(keys, std::string("Shch\0\x18x", 7));
}

TEST_F(KeyboardTest, waitKeyBlocksOnTheDeviceUntilAKeyComes) {
    device.setIdleHook([this] { device.pushText("w"); });
    EXPECT_EQ(keyboard.waitKey(), "w");
    EXPECT_EQ(device.waits(), 1);
}

TEST_F(KeyboardTest, readLineEchoesAndBackspaceErases) {
    screen.setCursorPos(10, 5);
    device.pushExtended(72);
    device.pushKey(8, 14);
    device.pushText("ab");
    device.pushKey(8, 14);
    device.pushText("c\t\x1b\r");
    EXPECT_EQ(keyboard.readLine(), "ac");
    EXPECT_EQ(device.rowText(10, 5, 7), "ac ");
    EXPECT_EQ(screen.cursorRow(), 11);
    EXPECT_EQ(screen.cursorColumn(), 1);
}

TEST_F(KeyboardTest, readLineBackspaceUndoesAWrapAndAPendingScroll) {
    screen.setCursorPos(50, 79);
    device.pushText("xy");
    device.pushKey(8, 14);
    device.pushKey(8, 14);
    device.pushText("\r");
    EXPECT_EQ(keyboard.readLine(), "");
    EXPECT_EQ(device.rowText(50, 79, 80), "  ");
    EXPECT_EQ(device.rowText(49, 1, 80), std::string(80, ' '));
}

TEST_F(KeyboardTest, readLineStopsCollectingAtItsLimitAndShowsAHiddenCursor) {
    screen.setCursorSize(0);
    device.setIdleHook([this] {
        EXPECT_TRUE(device.cursorShape().visible);
        device.pushText(std::string(ConsoleKeyboard::maxLineLength + 5, 'a'));
        device.pushKey(8, 14);
        device.pushText("\r");
    });
    std::string line = keyboard.readLine();
    EXPECT_EQ(line.size(), ConsoleKeyboard::maxLineLength - 1);
    EXPECT_FALSE(device.cursorShape().visible);
}

TEST(CommandTail, windowsCommandLinesLoseTheProgramName) {
    EXPECT_EQ(commandTailFromCommandLine("corvel.exe"), "");
    EXPECT_EQ(commandTailFromCommandLine("corvel.exe   "), "");
    EXPECT_EQ(commandTailFromCommandLine("\"C:\\My Programs\\corvel.exe\"  Othernet"), "Othernet");
    EXPECT_EQ(commandTailFromCommandLine("corvel Two  Words "), "Two  Words ");
    EXPECT_EQ(commandTailFromCommandLine("\"unclosed name Othernet"), "");
    EXPECT_EQ(commandTailFromCommandLine("corvel\t  x"), "\t  x");
}

TEST(CommandTail, posixArgumentsAreJoinedBySingleBlanks) {
    const char* argv[] = {"corvel", "Other", "Net"};
    EXPECT_EQ(commandTailFromArguments(3, argv), "Other Net");
    EXPECT_EQ(commandTailFromArguments(1, argv), "");
}

}  // namespace
}  // namespace corvel
