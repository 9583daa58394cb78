// The number/text conversions. textToNumber of any text must equal the
// number the C library reads from the longest prefix that the rule accepts
// (blanks, tabs and line feeds, a sign, digits with an optional point, an
// exponent with E, e, D or d). numberToText of any double must carry the
// sign position, read back within the 15 significant digits it keeps, and
// give itself again when read back and written; whole numbers below 10^15
// come out exactly.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "text/NumberText.h"

namespace {

using corvel::numberToText;
using corvel::textToNumber;

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "number conversion property broken: %s (text \"%s\")\n", what, text.c_str());
    std::abort();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

double expectedNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) number += text[i];
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        for (; i < text.size() && isDigit(text[i]); ++i, ++digits) number += text[i];
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && std::strchr("EeDd", text[i]) != nullptr && text[i] != '\0') {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
        const std::size_t first = j;
        for (; j < text.size() && isDigit(text[j]); ++j) exponent += text[j];
        if (j > first) number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

void checkTextToNumber(const std::string& text) {
    const double got = textToNumber(text);
    const double expected = expectedNumber(text);
    if (std::isnan(got)) fail("textToNumber gave NaN", text);
    if (got == expected) return;
    // Below the normal range the C library keeps subnormals where the
    // conversion may give zero.
    if (std::fabs(expected) < DBL_MIN && got == 0.0) return;
    fail("textToNumber differs from the C library", text);
}

void checkNumberToText(double value) {
    const std::string text = numberToText(value);
    if (std::isnan(value)) {
        if (text != " NAN") fail("NaN is not written as NAN", text);
        return;
    }
    if (text.empty() || text[0] != (value < 0 ? '-' : ' ')) fail("the sign position is wrong", text);
    if (std::isinf(value)) {
        if (text.substr(1) != "INF") fail("infinity is not written as INF", text);
        return;
    }
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        char exact[32];
        std::snprintf(exact, sizeof exact, "%.0f", std::fabs(value));
        if (text.substr(1) != exact) fail("a whole number is not written exactly", text);
    }
    const double magnitude = std::fabs(value);
    // Beyond these the 15 digits may round out of the range a double holds.
    if (magnitude < DBL_MIN || magnitude > 1.797693134862315e308) return;
    const double back = textToNumber(text);
    // Only the first dropped digit decides, so a dropped 5 followed by more
    // digits stays cut: the error is below 0.6 of the 15th digit.
    if (std::fabs(back - value) > magnitude * 6.1e-15) {
        std::fprintf(stderr, "value %.17g read back as %.17g\n", value, back);
        fail("the text does not read back within 15 digits", text);
    }
    if (numberToText(back) != text) fail("writing the number read back gives another text", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    checkNumberToText(input.ConsumeFloatingPoint<double>());
    double raw = 0;
    if (input.remaining_bytes() >= sizeof raw) {
        input.ConsumeData(&raw, sizeof raw);
        checkNumberToText(raw);
    }
    const std::string text = input.ConsumeRemainingBytesAsString();
    checkTextToNumber(text);
    checkNumberToText(textToNumber(text));
    return 0;
}
