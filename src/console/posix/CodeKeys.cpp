#include "console/posix/CodeKeys.h"

#include "console/UsLayout.h"
#include "console/posix/KeyDecoder.h"

namespace corvel::posix {
namespace {

KeyEvent keypadCharacter(std::uint8_t character, std::uint8_t scan) {
    KeyEvent e;
    e.character = character;
    e.scanCode = scan;
    return e;
}

// The keypad's private-use codes (57399 KP_0 .. 57427 KP_BEGIN), which the
// disambiguation flag sends for keypad keys that type no text.
std::optional<KeyEvent> keypadKey(int code) {
    constexpr int first = 57399;
    if (code < first || code > first + 28) return std::nullopt;
    int index = code - first;
    static constexpr std::uint8_t digitScan[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
    if (index < 10) return keypadCharacter(static_cast<std::uint8_t>('0' + index), digitScan[index]);
    switch (index) {
        case 10: return keypadCharacter('.', 83);
        case 11: return keypadCharacter('/', 53);
        case 12: return keypadCharacter('*', 55);
        case 13: return keypadCharacter('-', 74);
        case 14: return keypadCharacter('+', 78);
        case 15: return keypadCharacter(13, 28);
        case 16: return keypadCharacter('=', 13);
        case 17: return keypadCharacter(',', 51);
        default: break;
    }
    // Left, Right, Up, Down, PgUp, PgDn, Home, End, Ins, Del, Begin (5).
    static constexpr std::uint8_t movementScan[11] = {75, 77, 72, 80, 73, 81, 71, 79, 82, 83, 76};
    KeyEvent e;
    e.scanCode = movementScan[index - 18];
    return e;
}

// The byte a legacy terminal sends for Ctrl with an ASCII key, or the key's
// own byte when Ctrl makes no control character of it.
std::uint8_t withCtrl(std::uint8_t b) {
    if ((b >= 'a' && b <= 'z') || (b >= '@' && b <= '_')) return static_cast<std::uint8_t>(b & 0x1F);
    switch (b) {
        case ' ': case '2': return 0;
        case '3': return 27;
        case '4': return 28;
        case '5': return 29;
        case '6': case '~': return 30;
        case '7': case '-': case '/': return 31;
        case '8': case '?': return 127;
        default: return b;
    }
}

// Shift+key as the character the US layout types with Shift.
std::uint8_t withShift(std::uint8_t b) {
    KeyPosition key = keyOfCharacter(b);
    if (key.scanCode == 0 || key.shift || b < 32) return b;
    std::uint8_t shifted = shiftedCharacter(key.scanCode);
    return shifted != 0 ? shifted : b;
}

}  // namespace

KeyEvent withModifier(KeyEvent e, int modifier) {
    if (modifier > 1) {
        int bits = modifier - 1;
        if (bits & 1) e.shift = true;
        if (bits & (2 | 8)) e.alt = true;
    }
    return e;
}

bool isCtrl(int modifier) { return modifier > 1 && ((modifier - 1) & 4) != 0; }

std::optional<KeyEvent> keyOfCode(int code, int modifier, Charset charset) {
    if (code < 0) return std::nullopt;
    if (auto keypad = keypadKey(code)) return withModifier(*keypad, modifier);
    if (code >= 0xE000 && code <= 0xF8FF) return std::nullopt;  // the protocol's other functional keys
    KeyEvent e;
    if (code < 128) {
        auto b = static_cast<std::uint8_t>(code);
        bool shift = modifier > 1 && ((modifier - 1) & 1);
        if (shift) b = withShift(b);
        e = keyForByte(isCtrl(modifier) ? withCtrl(b) : b);
    } else {
        // The code is Unicode whatever the terminal's charset.
        if (charset == Charset::ascii) return std::nullopt;
        auto key = keyForCharacter(static_cast<char32_t>(code));
        if (!key) return std::nullopt;
        e = *key;
    }
    return withModifier(e, modifier);
}

}  // namespace corvel::posix
