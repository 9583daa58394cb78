#include "console/Cp437.h"

#include <array>
#include <string>

namespace corvel {
namespace {

constexpr char32_t kLow[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

constexpr char32_t kHigh[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// The nearest printable ASCII character of each glyph, in the order of
// kLow and kHigh: the glyph "reads as" this character.
constexpr char kAsciiLow[33] =
    " oo****o#o#mfdd*"   // 00: blank, faces, suits, bullet, circles, signs, notes, sun
    "><|!PS-|^v><L-^v";  // 10: triangles, arrows, pilcrow, section, bar, right angle
constexpr char kAsciiHigh[129] =
    "CueaaaaceeeiiiAA"   // 80
    "EaAooouuyOUcLYPf"   // 90
    "aiounNao?--//!<>"   // A0
    "###|++++++|+++++"   // B0: shades, box drawing
    "++++-++++++++-++"   // C0
    "+++++++++++#####"   // D0: box drawing, blocks
    "aBGnEoutOOOd8oen"   // E0: Greek letters, infinity as 8
    "=+><||/~o..vn2# ";  // F0: signs, degree, bullet and middle dot, no-break space

constexpr char32_t glyphOf(unsigned b) {
    if (b < 32) return kLow[b];
    if (b == 127) return 0x2302;
    if (b < 128) return b;
    return kHigh[b - 128];
}

std::string encodeUtf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

struct Utf8Table {
    std::array<std::string, 256> glyphs;
    Utf8Table() {
        for (unsigned b = 0; b < 256; ++b) glyphs[b] = encodeUtf8(glyphOf(b));
    }
};

const Utf8Table& utf8Table() {
    static const Utf8Table table;
    return table;
}

}  // namespace

char32_t cp437ToUnicode(std::uint8_t b) { return glyphOf(b); }

std::string_view cp437Utf8(std::uint8_t b) { return utf8Table().glyphs[b]; }

int unicodeToCp437(char32_t c) {
    if (c >= 32 && c < 127) return static_cast<int>(c);
    if (c < 0xA0) return -1;  // C0, DEL, C1
    for (unsigned b = 128; b < 256; ++b) {
        if (kHigh[b - 128] == c) return static_cast<int>(b);
    }
    // Look-alikes that keyboards type for the glyphs code page 437 shows.
    switch (c) {
        case 0x03B2: return 0xE1;  // Greek beta for sharp s
        case 0x03BC: return 0xE6;  // Greek mu for micro sign
        case 0x2126: return 0xEA;  // Ohm sign for Omega
        case 0x2208: return 0xEE;  // element of for epsilon
        case 0x03D5: return 0xED;  // phi symbol
        default: return -1;
    }
}

char asciiLookAlike(std::uint8_t b) {
    if (b >= 32 && b < 127) return static_cast<char>(b);
    if (b < 32) return kAsciiLow[b];
    if (b == 127) return '^';  // house
    return kAsciiHigh[b - 128];
}

}  // namespace corvel
