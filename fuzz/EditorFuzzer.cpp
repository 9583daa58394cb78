// The line editor under arbitrary keys, field after field with one history
// and one insert/overwrite mode, as the form uses it. After every key: the
// text is 255 characters unless Esc or a recall made it shorter, never
// longer; the cursor stands on a position 1..255 of the field; the field's
// cells show the text in yellow on blue (before the first redraw, the dots
// or the handed-over text). After every field, its ending is checked.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzKeys.h"
#include "console/MemoryDevice.h"
#include "editor/VuvadOdor.h"

namespace {

using namespace corvel;

constexpr int fieldWidth = 255;
constexpr int screenColumns = 80, screenRows = 50;
constexpr std::uint8_t fieldAttribute = 1 * 16 + 14;
constexpr char dot = static_cast<char>(249);

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "editor property broken: %s\n", what);
    std::abort();
}

bool redraws(int code) {
    if (code >= 32 && code <= 255) return true;
    switch (code) {
        case 8: case 27: case -72: case -80: case -82: case -75: case -77: case -71: case -79: case -83: return true;
        default: return false;
    }
}

struct EditorRun {
    MemoryDevice device{screenColumns, screenRows};
    ConsoleScreen screen{device};
    ConsoleKeyboard keyboard{device, screen};
    VuvadOdor editor{screen, keyboard};
    std::vector<std::string> history{std::string()};

    int row = 0, column = 0;
    std::string text;
    std::string shown;      // what the field showed when the call started
    bool redrawn = false;   // a key has redrawn the field in this call
    bool shortened = false;  // Esc or a recall may have shortened the text
    int lastCode = keyCodeNone;

    int cellOffset(int p) const { return column + p - 2; }
    Cell fieldCell(int p) const {
        const int offset = cellOffset(p);
        return device.readCell(row + offset / screenColumns, offset % screenColumns + 1);
    }

    void checkAfterKey() {
        if (text.size() > fieldWidth) fail("the text grew past the field");
        if (!shortened && text.size() != fieldWidth) fail("the text lost its width without Esc or a recall");
        const int offset = (device.cursorRow() - row) * screenColumns + device.cursorColumn() - column;
        if (offset < 0 || offset >= fieldWidth) fail("the cursor left the field");
        const std::string& expected = redrawn ? text : shown;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const Cell cell = fieldCell(static_cast<int>(i) + 1);
            if (cell.character != static_cast<std::uint8_t>(expected[i])) fail("a field cell differs from the text");
            if (cell.attribute != fieldAttribute) fail("a field cell lost the field colours");
        }
    }

    void checkEnding(const std::string& before, const std::vector<std::string>& historyBefore) {
        switch (lastCode) {
            case 13: case 9: {
                const bool blank = text.find_first_not_of(' ') == std::string::npos;
                const std::size_t n = historyBefore.size() - 1;
                const bool repeated = n > 0 && text == historyBefore[n - 1];
                if (blank || repeated) {
                    if (history != historyBefore) fail("a blank or repeated answer changed the history");
                } else if (history.size() != historyBefore.size() + 1 || history[n] != text ||
                           history.back() != std::string(fieldWidth, ' ')) {
                    fail("an accepted answer was not stored as the newest entry");
                }
                break;
            }
            case 27:
                if (!text.empty()) fail("Esc ended the call on a text that was not empty");
                break;
            case -45: case -48: {
                const char marker = static_cast<char>(-lastCode);
                if (text.size() < 2 || text[0] != '\0' || text[1] != marker) fail("Alt+X or Alt+B left no marker");
                if (before.size() >= 2 && (text.size() != before.size() || text.substr(2) != before.substr(2)))
                    fail("a marker changed more than the first two characters");
                break;
            }
            default:
                fail("the call ended on a key that does not end it");
        }
    }

    // One call of the editor; false when the keys have run out.
    bool editOneField(FuzzedDataProvider& input, std::string initial) {
        const int startColumn = input.ConsumeIntegralInRange(1, screenColumns);
        const int rowsNeeded = (startColumn - 1 + fieldWidth - 1) / screenColumns + 1;
        row = input.ConsumeIntegralInRange(1, screenRows - rowsNeeded + 1);
        column = startColumn;
        initial.resize(fieldWidth, ' ');
        text = initial;
        shown = initial[0] == ' ' ? std::string(fieldWidth, dot) : initial;
        redrawn = shortened = false;
        bool keysLeft = true;
        std::string beforeKey = text;
        device.setIdleHook([&] {
            checkAfterKey();
            beforeKey = text;
            KeyEvent event;
            if (input.remaining_bytes() > 0) {
                event = fuzz::fuzzKey(input.ConsumeIntegral<std::uint8_t>());
            } else {
                event = fuzz::fuzzKey(0);  // Enter ends the last field
                keysLeft = false;
            }
            lastCode = keyCode(acceptKeyEvent(event));
            if (redraws(lastCode)) redrawn = true;
            if (lastCode == 27 || lastCode == -72 || lastCode == -80) shortened = true;
            device.pushEvent(event);
        });
        const std::vector<std::string> historyBefore = history;
        int originRow = row, originColumn = column;
        screen.setCursorPos(row, column);
        editor.editField(text, originRow, originColumn, history);
        if (originRow != row || originColumn != column) fail("the editor moved the field origin");
        checkEnding(beforeKey, historyBefore);
        return keysLeft;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    EditorRun run;
    run.editor.overtypeMode = input.ConsumeBool() ? 1 : 0;
    std::string answer;
    // Like the form: a question asked again shows its earlier answer.
    while (run.editOneField(input, input.ConsumeBool() ? answer : std::string())) {
        if (run.text.size() >= 2 && run.text[0] == '\0') continue;
        answer = run.text;
    }
    return 0;
}
