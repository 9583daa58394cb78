// The US keyboard layout: which key (PC set-1 scan code) types a character,
// and whether Shift is needed for it.
#pragma once

#include <cstdint>

namespace corvel {

struct KeyPosition {
    std::uint8_t scanCode = 0;  // 0: no key types this character
    bool shift = false;
};

// Printable ASCII and the control characters Enter, Tab, Backspace, Esc and
// Ctrl+letter; everything else has no key.
KeyPosition keyOfCharacter(std::uint8_t character);

// The unshifted and shifted character of a key, 0 when the key has none.
std::uint8_t unshiftedCharacter(std::uint8_t scanCode);
std::uint8_t shiftedCharacter(std::uint8_t scanCode);

}  // namespace corvel
