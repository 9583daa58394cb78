// Frames and keys of the Windows console device: changed rectangles written
// with WriteConsoleOutputW (each byte as its code page 437 glyph), the
// cursor and its shape set only when they changed, key records peeked and
// read one at a time, waits blocked on the input handle.
#include "console/windows/ConsoleWindowDevice.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "console/Cp437.h"
#include "console/windows/ChangedRectangles.h"
#include "console/windows/KeyRecord.h"

namespace corvel::windows {

namespace {

KeyRecord recordOf(const INPUT_RECORD& input) {
    KeyRecord record;
    if (input.EventType != KEY_EVENT) {
        record.keyEvent = false;
        return record;
    }
    const KEY_EVENT_RECORD& key = input.Event.KeyEvent;
    record.down = key.bKeyDown != FALSE;
    record.virtualKey = key.wVirtualKeyCode;
    record.scanCode = key.wVirtualScanCode;
    record.character = static_cast<char16_t>(key.uChar.UnicodeChar);
    record.controlState = key.dwControlKeyState;
    return record;
}

}  // namespace

void ConsoleWindowDevice::resize(int columns, int rows) {
    present();
    SetConsoleScreenBufferSize(screen_, {static_cast<SHORT>(columns), static_cast<SHORT>(rows)});
    takeInConsole();
}

void ConsoleWindowDevice::setCursor(int row, int column) {
    row_ = std::clamp(row, 1, height());
    column_ = std::clamp(column, 1, width());
}

void ConsoleWindowDevice::scrollUp(std::uint8_t fillAttribute) {
    // What is stored so far goes out first; then the console moves its own
    // rows, and both grids follow it.
    present();
    const SMALL_RECT moved{0, 1, static_cast<SHORT>(width() - 1), static_cast<SHORT>(height() - 1)};
    CHAR_INFO fill{};
    fill.Char.UnicodeChar = L' ';
    fill.Attributes = fillAttribute;
    ScrollConsoleScreenBufferW(screen_, &moved, nullptr, {0, 0}, &fill);
    ++frameCalls_;
    wanted_.scrollUp(fillAttribute);
    shown_.scrollUp(fillAttribute);
}

void ConsoleWindowDevice::setDefaultAttribute(std::uint8_t attribute) {
    defaultAttribute_ = attribute;
    SetConsoleTextAttribute(screen_, attribute);
}

void ConsoleWindowDevice::writeRectangle(int top, int left, int bottom, int right) {
    // The console takes a limited buffer per call: tall rectangles go in bands.
    const int columns = right - left + 1;
    const int band = std::max(1, cellsPerCall / columns);
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(columns) * std::min(band, bottom - top + 1));
    for (int first = top; first <= bottom; first += band) {
        const int rows = std::min(band, bottom - first + 1);
        for (int r = 0; r < rows; ++r) {
            const Cell* row = wanted_.data() + static_cast<std::size_t>(first + r - 1) * width() + (left - 1);
            for (int c = 0; c < columns; ++c) {
                CHAR_INFO& out = cells[static_cast<std::size_t>(r) * columns + c];
                out.Char.UnicodeChar = static_cast<WCHAR>(row[c].character == 0 ? U' ' : cp437ToUnicode(row[c].character));
                out.Attributes = row[c].attribute;
            }
            shown_.writeCells(first + r, left, row, columns);
        }
        SMALL_RECT region{static_cast<SHORT>(left - 1), static_cast<SHORT>(first - 1), static_cast<SHORT>(right - 1),
                          static_cast<SHORT>(first + rows - 2)};
        WriteConsoleOutputW(screen_, cells.data(), {static_cast<SHORT>(columns), static_cast<SHORT>(rows)}, {0, 0},
                            &region);
        ++frameCalls_;
    }
}

void ConsoleWindowDevice::present() {
    for (const CellRectangle& changed : changedRectangles(shown_, wanted_)) {
        writeRectangle(changed.top, changed.left, changed.bottom, changed.right);
    }
    if (row_ != shownRow_ || column_ != shownColumn_) {
        SetConsoleCursorPosition(screen_, {static_cast<SHORT>(column_ - 1), static_cast<SHORT>(row_ - 1)});
        shownRow_ = row_;
        shownColumn_ = column_;
        ++frameCalls_;
    }
    if (shape_ != shownShape_) {
        CONSOLE_CURSOR_INFO info{static_cast<DWORD>(std::clamp(shape_.size, 1, 100)), shape_.visible ? TRUE : FALSE};
        SetConsoleCursorInfo(screen_, &info);
        shownShape_ = shape_;
        ++frameCalls_;
    }
}

bool ConsoleWindowDevice::peekEvent(KeyEvent& event) {
    INPUT_RECORD input{};
    DWORD count = 0;
    if (!PeekConsoleInputW(keyboard_, &input, 1, &count) || count == 0) return false;
    event = keyEventFromRecord(recordOf(input));
    return true;
}

void ConsoleWindowDevice::takeEvent() {
    INPUT_RECORD input{};
    DWORD count = 0;
    ReadConsoleInputW(keyboard_, &input, 1, &count);
}

bool ConsoleWindowDevice::waitEvent(int timeoutMs) {
    present();
    const DWORD limit = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    // A close event wakes the wait too (see endRequest).
    const HANDLE waited[] = {keyboard_, endRequestWake()};
    return WaitForMultipleObjects(2, waited, FALSE, limit) == WAIT_OBJECT_0;
}

void ConsoleWindowDevice::alert() { MessageBeep(0); }

}  // namespace corvel::windows
