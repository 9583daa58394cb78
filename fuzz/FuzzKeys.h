// Turns fuzz input bytes into console key events: bytes 32..255 type that
// character, bytes 0..31 pick one of the keys and events a console delivers
// that the form treats specially (Enter, Esc, arrows, Alt+B, Alt+X, releases,
// modifiers alone, events that are no keys).
#pragma once

#include <array>
#include <cstdint>

#include "console/ConsoleDevice.h"
#include "console/UsLayout.h"

namespace corvel::fuzz {

inline KeyEvent fuzzKey(std::uint8_t byte) {
    auto key = [](std::uint8_t character, std::uint8_t scanCode, bool alt = false) {
        KeyEvent event;
        event.character = character;
        event.scanCode = scanCode;
        event.alt = alt;
        return event;
    };
    if (byte >= 32) {
        KeyPosition position = keyOfCharacter(byte);
        KeyEvent event = key(byte, position.scanCode);
        event.shift = position.shift;
        return event;
    }
    static const std::array<KeyEvent, 32> specials = [&] {
        std::array<KeyEvent, 32> table{
            key(13, 28), key(9, 15), key(27, 1), key(8, 14),       // Enter, Tab, Esc, Backspace
            key(0, 72), key(0, 80), key(0, 75), key(0, 77),         // Up, Down, Left, Right
            key(0, 71), key(0, 79), key(0, 82), key(0, 83),         // Home, End, Ins, Del
            key('b', 48, true), key('x', 45, true),                 // Alt+B, Alt+X
            key(0, 73), key(0, 59), key(3, 46), key('a', 30),       // PgUp, F1, Ctrl+C, (release)
            key(0, 0), key(0, 42), key('q', 16, true), key('1', 2, true),  // (no key), Shift, Alt+Q, Alt+1
            key('@', 3), key(0, 1), key(0, 3), key(1, 30),          // (Caps), (Caps Esc), Ctrl+@, Ctrl+A
            key(0, 88), key(0, 81), key('X', 45, true), key(0, 76),  // F12, PgDn, Alt+Shift+X, keypad 5
            key(13, 28), key(' ', 57)};                             // Enter, blank
        table[19].down = true;
        table[17].down = false;        // a key release
        table[18].isKey = false;       // a window or focus event
        table[22].capsLock = true;     // Caps Lock turns the unshifted 2 key's @ into 2
        table[23].capsLock = true;     // Caps Lock with the Esc key and no character: Esc
        return table;
    }();
    return specials[byte];
}

}  // namespace corvel::fuzz
