// The device on a real console (the wine end-to-end runs start this test in
// a terminal; without a console it is skipped): what a typed character
// costs, cells read back as written, modes and cursor put back.
#include <gtest/gtest.h>
#include <windows.h>

#include "console/windows/ConsoleWindowDevice.h"

namespace corvel::windows {
namespace {

struct Modes {
    DWORD input = 0;
    DWORD output = 0;
    CONSOLE_CURSOR_INFO cursor{};
};

Modes modesNow() {
    Modes modes;
    HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    GetConsoleMode(input, &modes.input);
    CloseHandle(input);
    GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &modes.output);
    GetConsoleCursorInfo(GetStdHandle(STD_OUTPUT_HANDLE), &modes.cursor);
    return modes;
}

TEST(ConsoleWindowDevice, aTypedCharacterIsOneCellWriteAndTheConsoleIsPutBack) {
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) GTEST_SKIP() << "no console";
    const Modes before = modesNow();
    std::string error;
    auto device = ConsoleWindowDevice::open(error);
    ASSERT_TRUE(device) << error;
    EXPECT_EQ(modesNow().input, static_cast<DWORD>(ENABLE_WINDOW_INPUT)) << "keys come raw, window sizes as events";

    const Cell blue{' ', 0x1F};
    for (int row = 1; row <= device->height(); ++row) {
        for (int column = 1; column <= device->width(); ++column) device->writeCells(row, column, &blue, 1);
    }
    device->setCursor(5, 3);
    device->present();
    long long calls = device->frameCalls();
    const Cell typed{0xEC, 0x1E};
    device->writeCells(5, 3, &typed, 1);
    device->setCursor(5, 4);
    device->present();
    EXPECT_EQ(device->frameCalls() - calls, 2) << "one cell write and one cursor move";
    calls = device->frameCalls();
    device->present();
    EXPECT_EQ(device->frameCalls(), calls) << "nothing changed, nothing sent";

    device->afterChild();  // reads the console back
    EXPECT_EQ(device->readCell(5, 3), typed) << "byte 236 came back from its glyph";
    EXPECT_EQ(device->readCell(5, 2), blue);
    EXPECT_EQ(device->cursorRow(), 5);
    EXPECT_EQ(device->cursorColumn(), 4);

    // The form's screen taller than the window: its rows are folded into
    // it, and a typed character still costs the same two calls.
    const int bottom = device->height() + 26;
    device->resize(device->width(), bottom);
    for (int row = 1; row <= bottom; ++row) {
        for (int column = 1; column <= device->width(); ++column) device->writeCells(row, column, &blue, 1);
    }
    const Cell field{0xF9, 0x1E};
    for (int column = 1; column <= 40; ++column) device->writeCells(bottom - 3, column, &field, 1);
    device->setCursor(bottom - 3, 3);
    device->present();
    calls = device->frameCalls();
    device->writeCells(bottom - 3, 3, &typed, 1);
    device->setCursor(bottom - 3, 4);
    device->present();
    EXPECT_EQ(device->frameCalls() - calls, 2) << "folded: one cell write and one cursor move";

    device->setCursorShape({100, false});
    device.reset();
    const Modes after = modesNow();
    EXPECT_EQ(after.input, before.input);
    EXPECT_EQ(after.output, before.output);
    EXPECT_EQ(after.cursor.dwSize, before.cursor.dwSize);
    EXPECT_EQ(after.cursor.bVisible, before.cursor.bVisible);
}

}  // namespace
}  // namespace corvel::windows
