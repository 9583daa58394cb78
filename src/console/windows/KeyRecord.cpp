// Key records to key events: the character through code page 437, the scan
// code from the record or, when missing, from the virtual key.
#include "console/windows/KeyRecord.h"

#include "console/UsLayout.h"
#include "console/windows/ConsoleText.h"

namespace corvel::windows {

namespace {

// Set-1 scan codes of the virtual keys that carry no character.
std::uint8_t scanCodeOfVirtualKey(std::uint16_t virtualKey) {
    switch (virtualKey) {
    case 0x08: return 14;  // Backspace
    case 0x09: return 15;  // Tab
    case 0x0D: return 28;  // Enter
    case 0x10: return 42;  // Shift
    case 0x11: return 29;  // Ctrl
    case 0x12: return 56;  // Alt
    case 0x14: return 58;  // Caps Lock
    case 0x1B: return 1;   // Esc
    case 0x21: return 73;  // PgUp
    case 0x22: return 81;  // PgDn
    case 0x23: return 79;  // End
    case 0x24: return 71;  // Home
    case 0x25: return 75;  // Left
    case 0x26: return 72;  // Up
    case 0x27: return 77;  // Right
    case 0x28: return 80;  // Down
    case 0x2D: return 82;  // Ins
    case 0x2E: return 83;  // Del
    case 0x90: return 69;  // Num Lock
    case 0x91: return 70;  // Scroll Lock
    case 0x7A: return 87;  // F11
    case 0x7B: return 88;  // F12
    default: break;
    }
    if (virtualKey >= 0x70 && virtualKey <= 0x79) return static_cast<std::uint8_t>(59 + virtualKey - 0x70);  // F1..F10
    // Letters and digits: the key that types them on the US layout.
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        const auto lower = static_cast<std::uint8_t>(virtualKey >= 'A' ? virtualKey + 32 : virtualKey);
        return keyOfCharacter(lower).scanCode;
    }
    return 0;
}

constexpr std::uint16_t altVirtualKey = 0x12;

// The three letter rows: Q..P, A..L, Z..M.
bool isLetterRowKey(std::uint8_t scanCode) {
    return (scanCode >= 16 && scanCode <= 25) || (scanCode >= 30 && scanCode <= 38) ||
           (scanCode >= 44 && scanCode <= 50);
}

// A digit key of the numeric keypad, with Num Lock on or off (then it
// reports as a cursor key, but without the enhanced-key flag).
bool isNumpadDigit(const KeyRecord& record, std::uint8_t scanCode) {
    if (record.virtualKey >= 0x60 && record.virtualKey <= 0x69) return true;
    if ((record.controlState & enhancedKey) != 0) return false;
    switch (scanCode) {
        case 71: case 72: case 73: case 75: case 76: case 77: case 79: case 80: case 81: case 82: return true;
        default: return false;
    }
}

}  // namespace

KeyEvent keyEventFromRecord(const KeyRecord& record) {
    KeyEvent event;
    if (!record.keyEvent) {
        event.isKey = false;
        return event;
    }
    const std::uint32_t state = record.controlState;
    const bool altGr = record.character != 0 && (state & rightAltPressed) != 0 && (state & leftCtrlPressed) != 0;
    event.alt = (state & leftAltPressed) != 0 || ((state & rightAltPressed) != 0 && !altGr);
    event.down = record.down;
    event.scanCode = record.scanCode != 0 && record.scanCode < 256 ? static_cast<std::uint8_t>(record.scanCode)
                                                                    : scanCodeOfVirtualKey(record.virtualKey);
    if (!record.down && record.virtualKey == altVirtualKey && record.character != 0) {
        event.down = true;  // the character Alt+Numpad composed
        event.alt = false;
    } else if (record.down && event.alt && isNumpadDigit(record, event.scanCode)) {
        event.isKey = false;  // composing: the digits are no keys
        return event;
    }
    const std::string_view text = consoleText(record.character);
    const bool altChord = event.alt && event.down && isLetterRowKey(event.scanCode);
    if (text.empty() && !altChord) {
        event.isKey = false;  // a mark, half a character: nothing to type
        return event;
    }
    const int byte = text.empty() ? -1 : static_cast<std::uint8_t>(text[0]);
    if (!text.empty()) event.more = text.substr(1);
    if (event.scanCode == 0 && byte > 0) event.scanCode = keyOfCharacter(static_cast<std::uint8_t>(byte)).scanCode;
    // An Alt chord whose character has no text is the chord alone.
    event.character = static_cast<std::uint8_t>(byte < 0 ? 0 : byte);
    if (event.character == 0 && event.scanCode == 1) event.character = 27;  // Esc without its character
    event.shift = (state & shiftPressed) != 0;
    event.capsLock = (state & capsLockOn) != 0;
    return event;
}

}  // namespace corvel::windows
