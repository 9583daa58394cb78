// Key acceptance, waiting and line input above the console device.
#include "console/ConsoleKeyboard.h"

#include "console/UsLayout.h"

namespace corvel {
namespace {

bool isModifierKey(std::uint8_t scanCode) {
    switch (scanCode) {
        case 29: case 42: case 54: case 56: case 58: case 69: case 70: return true;
        default: return false;
    }
}

// The three letter rows: Q..P, A..L, Z..M.
bool isLetterRowKey(std::uint8_t scanCode) {
    return (scanCode >= 16 && scanCode <= 25) || (scanCode >= 30 && scanCode <= 38) ||
           (scanCode >= 44 && scanCode <= 50);
}

// The digit and punctuation keys whose character follows Shift alone when
// Caps Lock is on.
bool isCapsCorrectedKey(std::uint8_t scanCode) {
    switch (scanCode) {
        case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 10: case 11:
        case 12: case 13: case 26: case 27: case 39: case 40: case 41: case 43:
        case 51: case 52: case 53: return true;
        default: return false;
    }
}

std::uint8_t capsLockCorrected(const KeyEvent& event) {
    std::uint8_t plain = unshiftedCharacter(event.scanCode);
    std::uint8_t shifted = shiftedCharacter(event.scanCode);
    if (!event.shift && event.character == shifted) return plain;
    if (event.shift && event.character == plain) return shifted;
    return event.character;
}

}  // namespace

int keyCode(const std::string& keyString) {
    if (keyString.size() == 1) return static_cast<std::uint8_t>(keyString[0]);
    if (keyString.size() == 2) return -static_cast<int>(static_cast<std::uint8_t>(keyString[1]));
    return keyCodeNone;
}

std::string acceptKeyEvent(const KeyEvent& event) {
    if (!event.isKey || !event.down) return {};
    std::uint8_t character = event.character;
    if (character == 0 && event.capsLock && event.scanCode == 1) character = 27;
    if (character == 0) {
        if (isModifierKey(event.scanCode)) return {};
        return std::string{'\0', static_cast<char>(event.scanCode)};
    }
    if (event.alt && isLetterRowKey(event.scanCode)) return std::string{'\0', static_cast<char>(event.scanCode)};
    if (event.capsLock && isCapsCorrectedKey(event.scanCode)) character = capsLockCorrected(event);
    return std::string(1, static_cast<char>(character));
}

std::string ConsoleKeyboard::pollKey() {
    if (!more_.empty()) {
        std::string key(1, more_.front());
        more_.remove_prefix(1);
        return key;
    }
    KeyEvent event;
    while (device_.peekEvent(event)) {
        std::string key = acceptKeyEvent(event);
        device_.takeEvent();
        if (key.size() == 1) more_ = event.more;
        if (!key.empty()) return key;
    }
    return {};
}

std::string ConsoleKeyboard::waitKey() {
    for (;;) {
        if (int reason = device_.endRequest()) throw EndRequested{reason};
        std::string key = pollKey();
        if (!key.empty()) return key;
        device_.waitEvent(-1);
    }
}

std::string ConsoleKeyboard::readLine() {
    screen_.showCursorTemporarily();
    std::string line;
    for (;;) {
        std::string key = waitKey();
        if (key.size() != 1 || key[0] == '\0') continue;  // extended keys, character 0
        auto ch = static_cast<std::uint8_t>(key[0]);
        if (ch == 13) break;
        if (ch == 8) {
            if (line.empty()) continue;
            screen_.moveBackOneCell();
            screen_.writeText(" ");
            screen_.moveBackOneCell();
            line.pop_back();
        } else if (ch >= 32 && line.size() < maxLineLength) {
            line.push_back(static_cast<char>(ch));
            screen_.writeText(key);
        }
    }
    screen_.newLine();
    screen_.restoreCursorShape();
    return line;
}

}  // namespace corvel
