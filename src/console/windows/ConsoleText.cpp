// UTF-16 units to code page 437 text.
#include "console/windows/ConsoleText.h"

#include <cstdint>

#include "console/Transliteration.h"

namespace corvel::windows {
namespace {

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

}  // namespace

std::string_view consoleText(char32_t unit) {
    if (isHighSurrogate(unit)) return {};
    if (isLowSurrogate(unit)) return "?";
    return cp437Text(unit);
}

std::string consoleTextFromWide(const wchar_t* text) {
    std::string bytes;
    for (; text != nullptr && *text != 0; ++text) {
        const char32_t unit = static_cast<std::uint16_t>(text[0]);
        const char32_t next = static_cast<std::uint16_t>(text[1]);
        if (isHighSurrogate(unit) && isLowSurrogate(next)) {
            bytes += cp437Text(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++text;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            bytes += '?';
        } else {
            bytes += cp437Text(unit);
        }
    }
    return bytes;
}

}  // namespace corvel::windows
