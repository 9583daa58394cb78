// Code page 437: the Unicode glyph of every byte, its nearest printable
// ASCII character, and the way back from a Unicode character to its byte.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

// The glyph that code page 437 shows for byte b, including the graphic
// glyphs of the control range (1..31, 127). Byte 0 is a blank, 255 a
// no-break space.
char32_t cp437ToUnicode(std::uint8_t b);

// The same glyph as UTF-8 bytes (1 to 3 of them).
std::string_view cp437Utf8(std::uint8_t b);

// The byte of a typed character: 32..255 when code page 437 has it, -1 when
// it has not. Characters whose glyph lives in the control range (1..31, 127)
// count as missing: typed, they would arrive as control keys.
int unicodeToCp437(char32_t c);

// The printable ASCII character (32..126) nearest to the glyph of byte b:
// accented letters as their base letter, box drawing as + - |, arrows and
// triangles as > < ^ v, shades and blocks as #, 249 as a dot.
char asciiLookAlike(std::uint8_t b);

}  // namespace corvel
