#include "console/Cp437.h"

#include <gtest/gtest.h>

#include <set>

namespace corvel {
namespace {

TEST(Cp437, KnownGlyphs) {
    EXPECT_EQ(cp437ToUnicode(16), U'\u25BA');
    EXPECT_EQ(cp437ToUnicode(236), U'\u221E');
    EXPECT_EQ(cp437ToUnicode(249), U'\u2219');
    EXPECT_EQ(cp437ToUnicode(1), U'\u263A');
    EXPECT_EQ(cp437ToUnicode(127), U'\u2302');
    EXPECT_EQ(cp437ToUnicode(176), U'\u2591');
    EXPECT_EQ(cp437ToUnicode(219), U'\u2588');
    EXPECT_EQ(cp437ToUnicode('A'), U'A');
    EXPECT_EQ(cp437ToUnicode(0), U' ');
    EXPECT_EQ(cp437ToUnicode(255), U'\u00A0');
    EXPECT_EQ(cp437Utf8(16), "\xe2\x96\xba");
    EXPECT_EQ(cp437Utf8(236), "\xe2\x88\x9e");
    EXPECT_EQ(cp437Utf8(249), "\xe2\x88\x99");
    EXPECT_EQ(cp437Utf8(130), "\xc3\xa9");
    EXPECT_EQ(cp437Utf8('x'), "x");
}

TEST(Cp437, EveryByteHasAPrintableGlyph) {
    std::set<char32_t> seen;
    for (int b = 0; b < 256; ++b) {
        char32_t c = cp437ToUnicode(static_cast<std::uint8_t>(b));
        EXPECT_GE(c, 32u) << b;
        EXPECT_NE(c, 127u) << b;
        EXPECT_FALSE(c >= 0x80 && c < 0xA0) << b;
        if (b != 0) {
            EXPECT_TRUE(seen.insert(c).second) << "glyph of " << b << " repeats";
        }
        EXPECT_FALSE(cp437Utf8(static_cast<std::uint8_t>(b)).empty());
    }
}

TEST(Cp437, TypedCharactersFindTheirBytes) {
    for (int b = 32; b < 256; ++b) {
        if (b == 127) continue;
        EXPECT_EQ(unicodeToCp437(cp437ToUnicode(static_cast<std::uint8_t>(b))), b) << b;
    }
    EXPECT_EQ(unicodeToCp437(U'\u263A'), -1);  // glyph of a control byte
    EXPECT_EQ(unicodeToCp437(U'\u2302'), -1);
    EXPECT_EQ(unicodeToCp437(U'\u20AC'), -1);  // euro sign
    EXPECT_EQ(unicodeToCp437(0x9B), -1);
    EXPECT_EQ(unicodeToCp437(U'\u03B2'), 0xE1);
}

TEST(Cp437, AsciiLookAlikesArePrintableAndReadAsTheGlyph) {
    for (int b = 0; b < 256; ++b) {
        char c = asciiLookAlike(static_cast<std::uint8_t>(b));
        EXPECT_TRUE(c >= 32 && c < 127) << b;
        if (b >= 32 && b < 127) {
            EXPECT_EQ(c, b);
        }
    }
    const std::string bytes("\x82\x8e\xa4\x99\xc4\xb3\xda\xcd\xf9\x10\x11\xec\xdb\x00\xff", 15);
    std::string shown;
    for (char b : bytes) shown += asciiLookAlike(static_cast<std::uint8_t>(b));
    EXPECT_EQ(shown, "eAnO-|+-.><8#  ");
}

}  // namespace
}  // namespace corvel
