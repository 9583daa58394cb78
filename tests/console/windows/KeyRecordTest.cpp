#include <gtest/gtest.h>

#include "console/ConsoleKeyboard.h"
#include "console/ConsoleSession.h"
#include "console/windows/ChangedRectangles.h"
#include "console/windows/ConsoleText.h"
#include "console/windows/KeyRecord.h"

namespace corvel::windows {
namespace {

struct RecordCase {
    const char* what;
    KeyRecord record;
    KeyEvent event;
};

TEST(KeyRecord, mapsFieldForFieldAndRendersWhatCodePage437Lacks) {
    const RecordCase cases[] = {
        {"a typed letter", {true, true, 'A', 30, u'a', 0}, {true, true, 30, 'a', false, false, false}},
        {"Shift and Caps Lock", {true, true, '2', 3, u'@', shiftPressed | capsLockOn}, {true, true, 3, '@', true, false, true}},
        {"Alt+X", {true, true, 'X', 45, u'x', leftAltPressed}, {true, true, 45, 'x', false, true, false}},
        {"AltGr counts as Alt", {true, true, 'Q', 16, u'@', rightAltPressed}, {true, true, 16, '@', false, true, false}},
        {"key up", {true, false, 'A', 30, u'a', 0}, {true, false, 30, 'a', false, false, false}},
        {"Up with its scan code", {true, true, 0x26, 72, 0, 0}, {true, true, 72, 0, false, false, false}},
        {"Home without a scan code", {true, true, 0x24, 0, 0, 0}, {true, true, 71, 0, false, false, false}},
        {"F12 without a scan code", {true, true, 0x7B, 0, 0, 0}, {true, true, 88, 0, false, false, false}},
        {"Alt+B without a scan code", {true, true, 'B', 0, u'b', leftAltPressed}, {true, true, 48, 'b', false, true, false}},
        {"Esc without its character", {true, true, 0x1B, 1, 0, 0}, {true, true, 1, 27, false, false, false}},
        {"Ctrl+C as character 3", {true, true, 'C', 46, 3, 0x0008}, {true, true, 46, 3, false, false, false}},
        {"infinity as byte 236", {true, true, 0, 0, u'\u221E', 0}, {true, true, 0, 0xEC, false, false, false}},
        {"e acute as byte 130", {true, true, 0, 0, u'\u00E9', 0}, {true, true, 0, 0x82, false, false, false}},
        {"Han as a question mark", {true, true, 0, 0, u'\u4E2D', 0}, {true, true, 53, '?', false, false, false}},
        {"Shch on its own key", {true, true, 0xDD, 24, u'\u0429', shiftPressed},
         {true, true, 24, 'S', true, false, false, "hch"}},
        {"the second half of a pair", {true, true, 0, 0, u'\xDE00', 0}, {true, true, 53, '?', false, false, false}},
    };
    for (const RecordCase& c : cases) EXPECT_EQ(keyEventFromRecord(c.record), c.event) << c.what;

    KeyEvent dropped = keyEventFromRecord({true, true, 0, 0, u'\xD83D', 0});
    EXPECT_FALSE(dropped.isKey) << "the first half of a pair is no key, not an extended key";
    EXPECT_FALSE(keyEventFromRecord({false, true, 0, 0, 0, 0}).isKey) << "mouse, focus, size";
}

// Keys as three layouts report them, each record through the key rules to
// the key string the editor gets ("" for none).
struct LayoutCase {
    const char* what;
    KeyRecord record;
    std::string key;
};

TEST(KeyRecord, russianGermanAndFrenchLayouts) {
    constexpr std::uint32_t altGr = rightAltPressed | leftCtrlPressed;
    const LayoutCase cases[] = {
        {"ru: Alt+X with che attached", {true, true, 'X', 45, u'\u0447', leftAltPressed}, std::string("\0\x2D", 2)},
        {"ru: Alt+B with i attached", {true, true, 'B', 48, u'\u0438', leftAltPressed}, std::string("\0\x30", 2)},
        {"ru: Right Alt+X is Alt too", {true, true, 'X', 45, u'\u0447', rightAltPressed}, std::string("\0\x2D", 2)},
        {"ru: Alt+1 types its digit", {true, true, '1', 2, u'1', leftAltPressed}, "1"},
        {"de: AltGr+Q types the at sign", {true, true, 'Q', 16, u'@', altGr}, "@"},
        {"de: AltGr+8 types a bracket", {true, true, '8', 9, u'[', altGr}, "["},
        {"de: AltGr+E, the euro sign's first key", {true, true, 'E', 18, u'\u20AC', altGr}, "E"},
        {"de: u umlaut typed", {true, true, 0xBA, 26, u'\u00FC', 0}, "\x81"},
        {"de: Alt+X on QWERTZ", {true, true, 'X', 45, u'x', leftAltPressed}, std::string("\0\x2D", 2)},
        {"fr: Alt+A is the Q key's chord", {true, true, 'A', 16, u'a', leftAltPressed}, std::string("\0\x10", 2)},
        {"fr: AltGr+0 types the at sign", {true, true, '0', 11, u'@', altGr}, "@"},
        {"fr: Alt held, keypad 2 (Num Lock on)", {true, true, 0x62, 80, 0, leftAltPressed}, ""},
        {"fr: Alt held, keypad 3 (Num Lock off)", {true, true, 0x22, 81, 0, leftAltPressed}, ""},
        {"fr: Alt+Up on the cursor block", {true, true, 0x26, 72, 0, leftAltPressed | enhancedKey}, std::string("\0\x48", 2)},
        {"fr: Alt up brings e acute", {true, false, 0x12, 56, u'\u00E9', 0}, "\x82"},
        {"fr: Alt up alone", {true, false, 0x12, 56, 0, 0}, ""},
    };
    for (const LayoutCase& c : cases) EXPECT_EQ(acceptKeyEvent(keyEventFromRecord(c.record)), c.key) << c.what;
}

// The command line comes in the console's code page as keys do: a quoted
// path with blanks, then a name with an accent, characters code page 437
// lacks, and a character beyond the first 65536.
TEST(ConsoleText, theCommandTailIsInCodePage437) {
    const std::string line =
        consoleTextFromWide(L"\"C:\\Program Files\\corvel.exe\"  R\u00E9seau \u0141\u00F3d\u017A \u4E2Dnet \U0001D400");
    EXPECT_EQ(commandTailFromCommandLine(line), "R\x82seau L\xA2" "dz ?net A");
}

TEST(ChangedRectangles, oneRectanglePerRunOfChangedRows) {
    CellGrid shown(80, 50, 0x1F);
    CellGrid wanted = shown;
    EXPECT_TRUE(changedRectangles(shown, wanted).empty());

    const Cell x{'x', 0x1F};
    wanted.writeCells(46, 5, &x, 1);  // a typed character
    EXPECT_EQ(changedRectangles(shown, wanted), (std::vector<CellRectangle>{{46, 5, 46, 5}}));

    wanted.writeCells(47, 2, &x, 1);
    wanted.writeCells(47, 9, &x, 1);
    wanted.writeCells(10, 80, &x, 1);
    EXPECT_EQ(changedRectangles(shown, wanted),
              (std::vector<CellRectangle>{{10, 80, 10, 80}, {46, 2, 47, 9}}));

    wanted.fillAttributes(1, 1, 80 * 50, 7);
    EXPECT_EQ(changedRectangles(shown, wanted), (std::vector<CellRectangle>{{1, 1, 50, 80}})) << "a clear";
}

}  // namespace
}  // namespace corvel::windows
