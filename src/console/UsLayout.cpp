// The US layout as two rows of characters per scan code.
#include "console/UsLayout.h"

#include <array>

namespace corvel {
namespace {

struct KeyCharacters {
    char plain;
    char shifted;
};

// Index: scan code. Keys 2..13, 16..27, 30..41, 43..53 and the space bar.
constexpr std::array<KeyCharacters, 58> layout = [] {
    std::array<KeyCharacters, 58> keys{};
    auto row = [&keys](int first, const char* plain, const char* shifted) {
        for (int i = 0; plain[i] != 0; ++i) keys[first + i] = {plain[i], shifted[i]};
    };
    row(2, "1234567890-=", "!@#$%^&*()_+");
    row(16, "qwertyuiop[]", "QWERTYUIOP{}");
    row(30, "asdfghjkl;'`", "ASDFGHJKL:\"~");
    row(43, "\\zxcvbnm,./", "|ZXCVBNM<>?");
    keys[57] = {' ', ' '};
    return keys;
}();

}  // namespace

KeyPosition keyOfCharacter(std::uint8_t character) {
    switch (character) {
        case 13: return {28, false};
        case 9: return {15, false};
        case 8: return {14, false};
        case 27: return {1, false};
        default: break;
    }
    if (character >= 1 && character <= 26) {
        return keyOfCharacter(static_cast<std::uint8_t>('a' + character - 1));
    }
    for (std::size_t code = 0; code < layout.size(); ++code) {
        if (layout[code].plain == 0) continue;
        if (static_cast<std::uint8_t>(layout[code].plain) == character) {
            return {static_cast<std::uint8_t>(code), false};
        }
        if (static_cast<std::uint8_t>(layout[code].shifted) == character) {
            return {static_cast<std::uint8_t>(code), true};
        }
    }
    return {};
}

std::uint8_t unshiftedCharacter(std::uint8_t scanCode) {
    return scanCode < layout.size() ? static_cast<std::uint8_t>(layout[scanCode].plain) : 0;
}

std::uint8_t shiftedCharacter(std::uint8_t scanCode) {
    return scanCode < layout.size() ? static_cast<std::uint8_t>(layout[scanCode].shifted) : 0;
}

}  // namespace corvel
