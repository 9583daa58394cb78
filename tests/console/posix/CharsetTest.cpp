#include "console/posix/Charset.h"

#include <gtest/gtest.h>

#include <string>

namespace corvel::posix {
namespace {

TEST(Charset, LocaleChoosesAndTheVariableOverrides) {
    EXPECT_EQ(chooseCharset(nullptr, true), Charset::utf8);
    EXPECT_EQ(chooseCharset(nullptr, false), Charset::ascii);
    EXPECT_EQ(chooseCharset("", false), Charset::ascii);
    EXPECT_EQ(chooseCharset("cp437", true), Charset::cp437);
    EXPECT_EQ(chooseCharset("UTF-8", false), Charset::utf8);
    EXPECT_EQ(chooseCharset("ascii", true), Charset::ascii);
    EXPECT_EQ(chooseCharset("latin1", true), std::nullopt);
    EXPECT_EQ(chooseCharset("utf-8x", true), std::nullopt);
    for (Charset c : {Charset::utf8, Charset::cp437, Charset::ascii}) EXPECT_EQ(charsetNamed(charsetName(c)), c);
}

// The bytes of a text that may reach the terminal as they are: printable
// ASCII in every mode, and in cp437 the bytes above 127 but 155 (CSI to a
// terminal that takes 8-bit controls).
bool leavesRaw(Charset charset, int b) {
    if (b >= 32 && b < 127) return true;
    return charset == Charset::cp437 && b >= 128 && b != 155;
}

TEST(Charset, NoByteOfATextGoesOutAsAControlInAnyMode) {
    for (Charset charset : {Charset::utf8, Charset::cp437, Charset::ascii}) {
        for (int b = 0; b < 256; ++b) {
            std::string_view out = glyphBytes(charset, static_cast<std::uint8_t>(b));
            EXPECT_EQ(out == std::string(1, static_cast<char>(b)), leavesRaw(charset, b))
                << charsetName(charset) << " byte " << b;
            ASSERT_FALSE(out.empty());
            auto lead = static_cast<unsigned char>(out[0]);
            for (char c : out) {
                auto u = static_cast<unsigned char>(c);
                EXPECT_TRUE(u >= 32 && u != 127) << charsetName(charset) << " byte " << b;
            }
            EXPECT_TRUE(charset == Charset::cp437 || lead < 128 || lead >= 160) << b;  // no C1 byte
            EXPECT_TRUE(charset != Charset::ascii || (out.size() == 1 && lead < 127)) << b;
        }
    }
    EXPECT_EQ(glyphBytes(Charset::utf8, 0xEC), "\xe2\x88\x9e");
    EXPECT_EQ(glyphBytes(Charset::cp437, 0xEC), "\xec");
    EXPECT_EQ(glyphBytes(Charset::cp437, 0x1B), "<");
    EXPECT_EQ(glyphBytes(Charset::cp437, 0x9B), "c");
    EXPECT_EQ(glyphBytes(Charset::ascii, 0xEC), "8");
}

}  // namespace
}  // namespace corvel::posix
