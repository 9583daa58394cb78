// The confirmation's input: readLine under arbitrary keys from an arbitrary
// cursor position, then the first-field rule on the line it returns and on
// arbitrary bytes. readLine must return exactly the printable characters
// typed less those taken back with Backspace (at most 10000), echo them
// where typing started, end on the next row and give the cursor its shape
// back; the first field must follow the rule, checked against a plain
// character-by-character reading of it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzKeys.h"
#include "app/Form.h"
#include "console/MemoryDevice.h"

namespace {

using namespace corvel;

constexpr int columns = 80, rows = 50;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "confirmation property broken: %s\n", what);
    std::abort();
}

// Blanks skipped; a quoted field runs to the next quote or the end; a plain
// one to the first comma, less its trailing blanks.
std::string expectedFirstField(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    std::string field;
    if (i < line.size() && line[i] == '"') {
        for (++i; i < line.size() && line[i] != '"'; ++i) field += line[i];
        return field;
    }
    for (; i < line.size() && line[i] != ','; ++i) field += line[i];
    while (!field.empty() && field.back() == ' ') field.pop_back();
    return field;
}

void checkReadLine(FuzzedDataProvider& input) {
    MemoryDevice device{columns, rows};
    ConsoleScreen screen{device};
    ConsoleKeyboard keyboard{device, screen};
    const int startRow = input.ConsumeIntegralInRange(1, rows);
    const int startColumn = input.ConsumeIntegralInRange(1, columns);
    if (input.ConsumeBool()) screen.setCursorSize(0);  // hidden
    const CursorShape shapeBefore = device.cursorShape();
    screen.setCursorPos(startRow, startColumn);

    std::string expected;
    std::size_t longest = 0;
    // Long lines come from repeating one key many times.
    device.setIdleHook([&] {
        KeyEvent event = fuzz::fuzzKey(input.remaining_bytes() > 0 ? input.ConsumeIntegral<std::uint8_t>() : 0);
        const int repeat = input.remaining_bytes() > 0 && input.ConsumeIntegral<std::uint8_t>() == 0xFF ? 4000 : 1;
        for (int i = 0; i < repeat; ++i) {
            device.pushEvent(event);
            const std::string key = acceptKeyEvent(event);
            if (key.size() != 1 || key[0] == '\0') continue;
            const auto ch = static_cast<std::uint8_t>(key[0]);
            if (ch == 8 && !expected.empty()) expected.pop_back();
            if (ch >= 32 && expected.size() < ConsoleKeyboard::maxLineLength) expected += key;
            longest = std::max(longest, expected.size());
            if (ch == 13) break;
        }
        if (device.cursorShape().visible == false) fail("the cursor is hidden while a line is typed");
    });
    const std::string line = keyboard.readLine();
    if (line != expected) fail("readLine returned other bytes than were typed");
    if (device.cursorShape() != shapeBefore) fail("readLine did not give the cursor its shape back");

    const int startOffset = (startRow - 1) * columns + startColumn - 1;
    if ((startOffset + static_cast<int>(longest)) / columns + 2 <= rows) {
        // Nothing scrolled, not even at Enter: the line stands where typing started.
        for (std::size_t i = 0; i < line.size(); ++i) {
            const int at = startOffset + static_cast<int>(i);
            if (device.readCell(at / columns + 1, at % columns + 1).character != static_cast<std::uint8_t>(line[i]))
                fail("the echo differs from the line");
        }
        const int endOffset = startOffset + static_cast<int>(line.size());
        const int endRow = endOffset / columns + 2;
        if (device.cursorRow() != endRow || device.cursorColumn() != 1)
            fail("Enter did not leave the cursor at the start of the next row");
    }
    if (firstField(line) != expectedFirstField(line)) fail("the first field of a typed line is wrong");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string raw = input.ConsumeRandomLengthString(512);
    if (firstField(raw) != expectedFirstField(raw)) fail("the first field of a text is wrong");
    checkReadLine(input);
    return 0;
}
