// Keys that a terminal names by number: the CSI u form ("CSI code ; modifier
// u", which the kitty keyboard protocol sends for Esc, Alt+key and Ctrl+key
// once its disambiguation flag is on, and xterm's formatOtherKeys), xterm's
// modifyOtherKeys ("CSI 27 ; modifier ; code ~"), and the modifier parameter
// both share with the cursor and function keys.
#pragma once

#include <optional>

#include "console/ConsoleDevice.h"
#include "console/posix/Charset.h"

namespace corvel::posix {

// Applies a modifier parameter (1 + bits: 1 Shift, 2 Alt, 4 Ctrl, 8 Meta;
// the lock bits 64 and 128 change nothing). Ctrl has no place in a key
// event and is dropped.
KeyEvent withModifier(KeyEvent e, int modifier);
bool isCtrl(int modifier);

// The key event of a Unicode code with its modifier parameter, the same
// event the key gives in the terminal's legacy encoding: Ctrl+letter as its
// control character, Shift+key as the shifted character, the keypad's own
// codes as keypad keys, other characters as keyForCharacter gives them.
// Nothing for a code that names no key the charset can carry (functional
// keys of no interest, characters outside printable ASCII in ascii mode).
std::optional<KeyEvent> keyOfCode(int code, int modifier, Charset charset);

}  // namespace corvel::posix
