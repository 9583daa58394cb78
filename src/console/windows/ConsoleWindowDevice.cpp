// Frames and keys of the Windows console device: the window's view of the
// buffer written in changed rectangles with WriteConsoleOutputW (each byte
// as its code page 437 glyph), the cursor and its shape set only when they
// changed, key records peeked and read one at a time, waits blocked on the
// input handle. A call that fails leaves the window unknown, so the next
// frame writes all of it.
#include "console/windows/ConsoleWindowDevice.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "console/Cp437.h"
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
    sizeFixed_ = true;
    wanted_.resize(columns, rows, defaultAttribute_);
    row_ = std::clamp(row_, 1, height());
    column_ = std::clamp(column_, 1, width());
}

void ConsoleWindowDevice::setCursor(int row, int column) {
    row_ = std::clamp(row, 1, height());
    column_ = std::clamp(column, 1, width());
}

void ConsoleWindowDevice::invalidate() {
    frame_.invalidate();
    shownRow_ = shownColumn_ = -1;
}

void ConsoleWindowDevice::scrollUp(std::uint8_t fillAttribute) {
    // What is stored so far goes out first; where the window shows the
    // buffer cell for cell the console moves its own rows, and the window's
    // copy follows it. Otherwise the next frame writes what changed.
    present();
    wanted_.scrollUp(fillAttribute);
    if (frame_.known() && frame_.oneToOne(wanted_) && height() >= 2 && height() <= frame_.rows() && !scrollOnConsole(fillAttribute)) {
        invalidate();
    }
}

bool ConsoleWindowDevice::scrollOnConsole(std::uint8_t fillAttribute) {
    const SMALL_RECT moved{static_cast<SHORT>(windowLeft_), static_cast<SHORT>(windowTop_ + 1),
                           static_cast<SHORT>(windowLeft_ + width() - 1), static_cast<SHORT>(windowTop_ + height() - 1)};
    CHAR_INFO fill{};
    fill.Char.UnicodeChar = L' ';
    fill.Attributes = fillAttribute;
    ++frameCalls_;
    if (!ScrollConsoleScreenBufferW(screen_, &moved, nullptr, {static_cast<SHORT>(windowLeft_),
                                    static_cast<SHORT>(windowTop_)}, &fill)) {
        return false;
    }
    // The window's copy as the console now has it: the buffer's rows, which
    // the scroll moved in step.
    frame_.update(wanted_, row_, column_);
    for (int row = 1; row <= height(); ++row) frame_.shown({row, 1, row, width()});
    return true;
}

void ConsoleWindowDevice::setDefaultAttribute(std::uint8_t attribute) {
    defaultAttribute_ = attribute;
    SetConsoleTextAttribute(screen_, attribute);
}

// The console takes a limited buffer per call: tall rectangles go in bands
// of rows, rows wider than the limit in pieces.
bool ConsoleWindowDevice::writeRectangle(const CellRectangle& rectangle) {
    const CellGrid& view = frame_.view();
    const int pieceColumns = std::min(rectangle.right - rectangle.left + 1, cellsPerCall);
    const int band = std::max(1, cellsPerCall / pieceColumns);
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(pieceColumns) * std::min(band, rectangle.bottom - rectangle.top + 1));
    for (int first = rectangle.top; first <= rectangle.bottom; first += band) {
        const int rows = std::min(band, rectangle.bottom - first + 1);
        for (int left = rectangle.left; left <= rectangle.right; left += pieceColumns) {
            const int columns = std::min(pieceColumns, rectangle.right - left + 1);
            for (int r = 0; r < rows; ++r) {
                const Cell* row = view.data() + static_cast<std::size_t>(first + r - 1) * view.width() + (left - 1);
                for (int c = 0; c < columns; ++c) {
                    CHAR_INFO& out = cells[static_cast<std::size_t>(r) * columns + c];
                    out.Char.UnicodeChar = static_cast<WCHAR>(row[c].character == 0 ? U' ' : cp437ToUnicode(row[c].character));
                    out.Attributes = row[c].attribute;
                }
            }
            SMALL_RECT region{static_cast<SHORT>(windowLeft_ + left - 1), static_cast<SHORT>(windowTop_ + first - 1),
                              static_cast<SHORT>(windowLeft_ + left + columns - 2),
                              static_cast<SHORT>(windowTop_ + first + rows - 2)};
            ++frameCalls_;
            if (!WriteConsoleOutputW(screen_, cells.data(), {static_cast<SHORT>(columns), static_cast<SHORT>(rows)},
                                     {0, 0}, &region)) {
                return false;
            }
            frame_.shown({first, left, first + rows - 1, left + columns - 1});
        }
    }
    return true;
}

void ConsoleWindowDevice::present() {
    for (const CellRectangle& changed : frame_.update(wanted_, row_, column_)) {
        if (!writeRectangle(changed)) {
            invalidate();
            break;
        }
    }
    const int row = windowTop_ + frame_.cursorRow();
    const int column = windowLeft_ + frame_.cursorColumn();
    if (frame_.cursorRow() >= 0 && (row != shownRow_ || column != shownColumn_)) {
        SetConsoleCursorPosition(screen_, {static_cast<SHORT>(column), static_cast<SHORT>(row)});
        shownRow_ = row;
        shownColumn_ = column;
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
    if (input.EventType == WINDOW_BUFFER_SIZE_EVENT) windowChanged();
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
    const bool waiting = WaitForMultipleObjects(2, waited, FALSE, limit) == WAIT_OBJECT_0;
    // A window resized without an event (a host that sends none) is seen here.
    if (windowChanged()) present();
    return waiting;
}

void ConsoleWindowDevice::alert() { MessageBeep(0); }

}  // namespace corvel::windows
