// Preparing the console and putting it back: the screen handle (standard
// output, or standard error when output is redirected, or "CONOUT$" when
// neither is a console), "CONIN$" for keys, output mode 3, input mode with
// window-size events only, the control handler, the cursor shape; and
// taking in the console's window, cells and cursor as they are.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "console/Cp437.h"
#include "console/windows/ConsoleWindowDevice.h"

namespace corvel::windows {

namespace {

std::atomic<ConsoleWindowDevice*> openDevice{nullptr};

// How long the control handler holds the process for the answers: the
// system ends it some five seconds after a close event.
constexpr DWORD endRequestWaitMs = 4500;

std::atomic<int> endRequested{0};
// Both manual-reset: the key wait is woken; the handler is told the answers
// are kept.
HANDLE wakeForEnd = CreateEventA(nullptr, TRUE, FALSE, nullptr);
HANDLE endAnswered = CreateEventA(nullptr, TRUE, FALSE, nullptr);

// Ctrl+C and Ctrl+Break are handled (the program goes on). The closing
// window, log-off and shut-down ask the program to end: the handler, on a
// thread of its own, wakes the key wait and holds the process until the
// main flow has kept the answers and closed the file; then the closing
// window is handled, log-off and shut-down left to the system.
BOOL WINAPI controlHandler(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    if (event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT) return FALSE;
    int none = 0;
    endRequested.compare_exchange_strong(none, static_cast<int>(event) + 1);
    SetEvent(wakeForEnd);
    WaitForSingleObject(endAnswered, endRequestWaitMs);
    return event == CTRL_CLOSE_EVENT ? TRUE : FALSE;
}

bool readCursorShape(HANDLE handle, CursorShape& shape) {
    CONSOLE_CURSOR_INFO info{};
    if (!GetConsoleCursorInfo(handle, &info) || info.dwSize == 0) return false;
    shape = {static_cast<int>(info.dwSize), info.bVisible != FALSE};
    return true;
}

// The byte whose glyph a console cell shows; '?' for a glyph code page 437
// has not. The glyphs of the control bytes (0..31, 127) are the only ones a
// typed character never stands for.
std::uint8_t byteOfGlyph(WCHAR glyph) {
    const int byte = unicodeToCp437(glyph);
    if (byte >= 0) return static_cast<std::uint8_t>(byte);
    for (int b = 0; b < 32; ++b) {
        if (cp437ToUnicode(static_cast<std::uint8_t>(b)) == glyph) return static_cast<std::uint8_t>(b);
    }
    return cp437ToUnicode(127) == glyph ? 127 : '?';
}

}  // namespace

std::unique_ptr<ConsoleWindowDevice> ConsoleWindowDevice::open(std::string& error) {
    HANDLE keyboard = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    if (keyboard == INVALID_HANDLE_VALUE) {
        error = "there is no console to read keys from";
        return nullptr;
    }
    std::unique_ptr<ConsoleWindowDevice> device(new ConsoleWindowDevice);
    device->keyboard_ = keyboard;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    device->screen_ = GetConsoleMode(output, &mode) ? output : GetStdHandle(STD_ERROR_HANDLE);
    if (!GetConsoleMode(device->screen_, &mode)) {
        // Both redirected: the form is drawn on the console all the same.
        HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            device->screen_ = console;
            device->ownsScreen_ = true;
        }
    }
    if (GetConsoleMode(device->screen_, &mode)) {
        device->savedOutputMode_ = mode;
        device->outputModeSaved_ = true;
        if (!SetConsoleMode(device->screen_, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT)) device->invalidate();
    }
    // The keyboard's own handle, so that keys come raw also when standard
    // input is redirected: no line editing, no echo, Ctrl+C as character 3;
    // a change of the window's size comes as an event.
    if (GetConsoleMode(keyboard, &mode)) {
        device->savedInputMode_ = mode;
        device->inputModeSaved_ = true;
        if (!SetConsoleMode(keyboard, ENABLE_WINDOW_INPUT)) device->invalidate();
    }
    SetConsoleCtrlHandler(controlHandler, TRUE);
    CursorShape shape;
    if (!readCursorShape(device->screen_, shape) && !readCursorShape(output, shape)) {
        shape = CursorShape{};
        CONSOLE_CURSOR_INFO info{10, TRUE};
        SetConsoleCursorInfo(device->screen_, &info);
    }
    device->savedShape_ = device->shape_ = device->shownShape_ = shape;
    device->takeInConsole();
    openDevice.store(device.get());
    return device;
}

ConsoleWindowDevice::~ConsoleWindowDevice() {
    restore();
    ConsoleWindowDevice* self = this;
    openDevice.compare_exchange_strong(self, nullptr);
    CloseHandle(keyboard_);
    if (ownsScreen_) CloseHandle(screen_);
}

void ConsoleWindowDevice::restore() {
    if (restored_) return;
    restored_ = true;
    present();
    if (outputModeSaved_) SetConsoleMode(screen_, savedOutputMode_);
    if (inputModeSaved_) SetConsoleMode(keyboard_, savedInputMode_);
    CONSOLE_CURSOR_INFO info{static_cast<DWORD>(savedShape_.size), savedShape_.visible ? TRUE : FALSE};
    SetConsoleCursorInfo(screen_, &info);
}

int ConsoleWindowDevice::endRequest() const { return endRequested.load(); }

void* endRequestWake() { return wakeForEnd; }

void endRequestAnswered() { SetEvent(endAnswered); }

void restoreOpenConsole() {
    if (ConsoleWindowDevice* device = openDevice.load()) device->restore();
}

bool ConsoleWindowDevice::readWindow(int& top, int& left, int& rows, int& columns) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(screen_, &info)) return false;
    top = info.srWindow.Top;
    left = info.srWindow.Left;
    rows = std::max(info.srWindow.Bottom - info.srWindow.Top + 1, 1);
    columns = std::max(info.srWindow.Right - info.srWindow.Left + 1, 1);
    return true;
}

bool ConsoleWindowDevice::windowChanged() {
    int top = 0, left = 0, rows = 0, columns = 0;
    if (!readWindow(top, left, rows, columns)) return false;
    if (top == windowTop_ && left == windowLeft_ && rows == frame_.rows() && columns == frame_.columns()) return false;
    windowTop_ = top;
    windowLeft_ = left;
    if (!sizeFixed_) {
        wanted_.resize(columns, rows, defaultAttribute_);
        setCursor(row_, column_);
    }
    frame_.setWindow(rows, columns);
    invalidate();
    return true;
}

// The window's cells, in bands the console can hand over in one call.
bool ConsoleWindowDevice::readBack(CellGrid& into) {
    bool whole = true;
    const int columns = std::min(into.width(), cellsPerCall);
    const int band = std::max(1, cellsPerCall / columns);
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(columns) * band);
    std::vector<Cell> row(static_cast<std::size_t>(columns));
    for (int top = 0; top < into.height(); top += band) {
        const int count = std::min(band, into.height() - top);
        for (int left = 0; left < into.width(); left += columns) {
            const int width = std::min(columns, into.width() - left);
            SMALL_RECT region{static_cast<SHORT>(windowLeft_ + left), static_cast<SHORT>(windowTop_ + top),
                              static_cast<SHORT>(windowLeft_ + left + width - 1),
                              static_cast<SHORT>(windowTop_ + top + count - 1)};
            if (!ReadConsoleOutputW(screen_, cells.data(), {static_cast<SHORT>(width), static_cast<SHORT>(count)},
                                    {0, 0}, &region)) {
                whole = false;
                continue;
            }
            for (int r = 0; r < count; ++r) {
                for (int c = 0; c < width; ++c) {
                    const CHAR_INFO& cell = cells[static_cast<std::size_t>(r) * width + c];
                    row[c] = {byteOfGlyph(cell.Char.UnicodeChar), static_cast<std::uint8_t>(cell.Attributes & 0xFF)};
                }
                into.writeCells(top + r + 1, left + 1, row.data(), width);
            }
        }
    }
    return whole;
}

// At the start, and after a child: a window of another size is repainted;
// one that stayed is read back, so that what the child wrote into the rows
// shown stays in the buffer.
void ConsoleWindowDevice::takeInConsole() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(screen_, &info)) {
        return;  // no console to show on: the grids stay as they are
    }
    if (windowChanged() && opened_) return;
    opened_ = true;
    CellGrid read(frame_.columns(), frame_.rows());
    const bool whole = readBack(read);
    frame_.takeIn(read, wanted_);
    if (!whole) invalidate();
    const int row = frame_.bufferRowOf(info.dwCursorPosition.Y - windowTop_);
    if (row >= 1 && row <= height()) {
        row_ = row;
        column_ = std::clamp(frame_.bufferColumnOf(info.dwCursorPosition.X - windowLeft_), 1, width());
        shownRow_ = info.dwCursorPosition.Y;
        shownColumn_ = info.dwCursorPosition.X;
    }
}

}  // namespace corvel::windows
