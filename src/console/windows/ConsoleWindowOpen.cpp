// Preparing the console and putting it back: the screen handle (standard
// output, or standard error when output is redirected), "CONIN$" for keys,
// output mode 3, input mode 0, the control handler, the cursor shape; and
// taking in the console's size, cells and cursor as they are.
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
    if (GetConsoleMode(device->screen_, &mode)) {
        device->savedOutputMode_ = mode;
        device->outputModeSaved_ = true;
        SetConsoleMode(device->screen_, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
    }
    // The keyboard's own handle, so that keys come raw also when standard
    // input is redirected: no line editing, no echo, Ctrl+C as character 3.
    if (GetConsoleMode(keyboard, &mode)) {
        device->savedInputMode_ = mode;
        device->inputModeSaved_ = true;
        SetConsoleMode(keyboard, 0);
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

void ConsoleWindowDevice::takeInConsole() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(screen_, &info)) {
        return;  // no console to show on: the grids stay as they are
    }
    const int columns = std::max<int>(info.dwSize.X, 1);
    const int rows = std::max<int>(info.dwSize.Y, 1);
    wanted_.resize(columns, rows, info.wAttributes & 0xFF);
    row_ = shownRow_ = info.dwCursorPosition.Y + 1;
    column_ = shownColumn_ = info.dwCursorPosition.X + 1;
    // Read back in bands the console can hand over in one call.
    const int band = std::max(1, cellsPerCall / columns);
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(columns) * band);
    std::vector<Cell> row(static_cast<std::size_t>(columns));
    for (int top = 0; top < rows; top += band) {
        const int count = std::min(band, rows - top);
        SMALL_RECT region{0, static_cast<SHORT>(top), static_cast<SHORT>(columns - 1),
                          static_cast<SHORT>(top + count - 1)};
        if (!ReadConsoleOutputW(screen_, cells.data(), {static_cast<SHORT>(columns), static_cast<SHORT>(count)},
                                {0, 0}, &region)) {
            continue;
        }
        for (int r = 0; r < count; ++r) {
            for (int c = 0; c < columns; ++c) {
                const CHAR_INFO& cell = cells[static_cast<std::size_t>(r) * columns + c];
                row[c] = {byteOfGlyph(cell.Char.UnicodeChar), static_cast<std::uint8_t>(cell.Attributes & 0xFF)};
            }
            wanted_.writeCells(top + r + 1, 1, row.data(), columns);
        }
    }
    shown_ = wanted_;
}

}  // namespace corvel::windows
