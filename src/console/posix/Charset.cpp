#include "console/posix/Charset.h"

#include <array>
#include <strings.h>

#include "console/Cp437.h"

namespace corvel::posix {
namespace {

// One byte per entry for the two single-byte modes.
struct ByteTables {
    std::array<char, 256> cp437;
    std::array<char, 256> ascii;
    ByteTables() {
        for (unsigned b = 0; b < 256; ++b) {
            auto byte = static_cast<std::uint8_t>(b);
            // 155 is CSI to a terminal that takes 8-bit controls (the Linux
            // console outside UTF-8 does): its look-alike goes out instead.
            bool control = b < 32 || b == 127 || b == 155;
            ascii[b] = asciiLookAlike(byte);
            cp437[b] = control ? asciiLookAlike(byte) : static_cast<char>(byte);
        }
    }
};

const ByteTables& byteTables() {
    static const ByteTables tables;
    return tables;
}

}  // namespace

std::optional<Charset> charsetNamed(std::string_view name) {
    for (Charset charset : {Charset::utf8, Charset::cp437, Charset::ascii}) {
        std::string_view known = charsetName(charset);
        if (name.size() == known.size() && strncasecmp(name.data(), known.data(), known.size()) == 0) {
            return charset;
        }
    }
    return std::nullopt;
}

std::string_view charsetName(Charset charset) {
    switch (charset) {
        case Charset::utf8: return "utf-8";
        case Charset::cp437: return "cp437";
        case Charset::ascii: return "ascii";
    }
    return "ascii";
}

std::optional<Charset> chooseCharset(const char* override, bool localeIsUtf8) {
    if (override != nullptr && *override != '\0') return charsetNamed(override);
    return localeIsUtf8 ? Charset::utf8 : Charset::ascii;
}

std::string_view glyphBytes(Charset charset, std::uint8_t b) {
    switch (charset) {
        case Charset::utf8: return cp437Utf8(b);
        case Charset::cp437: return {&byteTables().cp437[b], 1};
        case Charset::ascii: break;
    }
    return {&byteTables().ascii[b], 1};
}

}  // namespace corvel::posix
