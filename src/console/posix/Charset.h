// What the terminal speaks: the three character-set modes, how the mode is
// chosen, and the bytes that show one code page 437 byte in each mode. No
// byte of a text ever goes out as a control byte, whatever the mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvel::posix {

enum class Charset {
    utf8,   // "utf-8": each byte as the UTF-8 of its code page 437 glyph
    cp437,  // "cp437": bytes as they are, for terminals that speak code page 437
    ascii,  // "ascii": each byte as its nearest printable ASCII character
};

// The mode of a name as CORVEL_CHARSET gives it ("utf-8", "cp437", "ascii",
// in any case); nothing for any other name.
std::optional<Charset> charsetNamed(std::string_view name);
std::string_view charsetName(Charset charset);

// The mode for a run: the override when one is given (null or empty: none),
// else utf-8 for a UTF-8 locale and ascii for any other. Nothing when the
// override names no mode.
std::optional<Charset> chooseCharset(const char* override, bool localeIsUtf8);

// The bytes that show byte b of a text: its glyph in utf-8; in cp437 the
// byte itself, but the controls (0..31, 127, and 155, which 8-bit terminals
// take as CSI) as their ASCII look-alike; in
// ascii the look-alike of every byte above 126 and of every control.
std::string_view glyphBytes(Charset charset, std::uint8_t b);

}  // namespace corvel::posix
