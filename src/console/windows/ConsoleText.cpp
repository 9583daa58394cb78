// UTF-16 units to code page 437 bytes.
#include "console/windows/ConsoleText.h"

#include <cstdint>

#include "console/Cp437.h"

namespace corvel::windows {

int consoleByte(char32_t unit) {
    if (unit < 32 || unit == 127) return static_cast<int>(unit);
    return unicodeToCp437(unit);
}

std::string consoleTextFromWide(const wchar_t* text) {
    std::string bytes;
    for (; text != nullptr && *text != 0; ++text) {
        const int byte = consoleByte(static_cast<std::uint16_t>(*text));
        if (byte >= 0) bytes += static_cast<char>(byte);
    }
    return bytes;
}

}  // namespace corvel::windows
