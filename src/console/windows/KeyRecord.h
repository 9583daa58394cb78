// A console key record as the console hands it over, and its mapping onto
// the device's key event. Plain fields, so the mapping is tested without a
// console.
#pragma once

#include <cstdint>

#include "console/ConsoleDevice.h"

namespace corvel::windows {

// The control-key state bits of a key record.
inline constexpr std::uint32_t rightAltPressed = 0x0001;
inline constexpr std::uint32_t leftAltPressed = 0x0002;
inline constexpr std::uint32_t rightCtrlPressed = 0x0004;
inline constexpr std::uint32_t leftCtrlPressed = 0x0008;
inline constexpr std::uint32_t shiftPressed = 0x0010;
inline constexpr std::uint32_t capsLockOn = 0x0080;
inline constexpr std::uint32_t enhancedKey = 0x0100;

struct KeyRecord {
    bool keyEvent = true;        // false: mouse, focus, menu or size event
    bool down = true;
    std::uint16_t virtualKey = 0;
    std::uint16_t scanCode = 0;  // as delivered; 0 when the console left it out
    char16_t character = 0;      // UTF-16 unit, 0 for none
    std::uint32_t controlState = 0;
};

// Field for field: scan code (taken from the virtual key where the console
// gave none), character as its code page 437 text (the first byte, the rest
// as the event's further characters), Shift, either Alt, Caps Lock. Esc
// without a character gets its character 27. Beyond that:
// - an Alt chord on a letter-row key stays one whatever character the
//   layout attached (Alt+X on a Cyrillic layout);
// - Right Alt with Left Ctrl and a character is AltGr: the character typed;
// - Alt+Numpad: the digits while Alt is held are no key, the character
//   the console composes arrives with the Alt key-up and is typed;
// - any other character whose text is empty (a mark, the first half of a
//   surrogate pair) makes the record no key at all, so that it is not read
//   as an extended key.
KeyEvent keyEventFromRecord(const KeyRecord& record);

}  // namespace corvel::windows
