// Number/text conversions: the number at the start of a text, and the
// decimal text of a number with its sign position, cut to 15 (or 7)
// significant digits.
#include <charconv>
#include <algorithm>
#include <cmath>
#include <string>

#include "text/NumberText.h"

namespace corvel {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Appends the digits at text[at..] to out; returns the position after them.
std::size_t takeDigits(std::string_view text, std::size_t at, std::string& out) {
    while (at < text.size() && isDigit(text[at])) out += text[at++];
    return at;
}

// The decimal order of the mantissa's first non-zero digit (0 for 1..9).
long long mantissaOrder(const std::string& mantissa) {
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string::npos) return 0;
    return first < point ? static_cast<long long>(point - first) - 1
                         : -static_cast<long long>(first - point);
}

// The exponent of a number taken by textToNumber, saturated far beyond
// the range of a double.
long long writtenExponent(const std::string& number) {
    const std::size_t e = number.find('e');
    if (e == std::string::npos) return 0;
    std::size_t at = e + 1;
    const bool negative = number[at] == '-';
    if (number[at] == '-' || number[at] == '+') ++at;
    long long exponent = 0;
    for (; at < number.size(); ++at) exponent = std::min(exponent * 10 + (number[at] - '0'), 100000LL);
    return negative ? -exponent : exponent;
}

// Reads an exponent (letter, optional sign, at least one digit) at text[at];
// returns the position after it, or at when there is none.
std::size_t takeExponent(std::string_view text, std::size_t at, std::string& out) {
    if (at >= text.size() || std::string_view("EeDd").find(text[at]) == std::string_view::npos) {
        return at;
    }
    std::size_t next = at + 1;
    std::string exponent = "e";
    if (next < text.size() && (text[next] == '+' || text[next] == '-')) exponent += text[next++];
    const std::size_t end = takeDigits(text, next, exponent);
    if (end == next) return at;
    out += exponent;
    return end;
}

}  // namespace

double textToNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    std::string mantissa;
    at = takeDigits(text, at, mantissa);
    if (at < text.size() && text[at] == '.') {
        mantissa += '.';
        at = takeDigits(text, at + 1, mantissa);
    }
    if (mantissa.empty() || mantissa == ".") return 0.0;
    std::string number = mantissa;
    takeExponent(text, at, number);

    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large becomes infinity, too small zero.
        value = mantissaOrder(mantissa) + writtenExponent(number) > 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

}  // namespace corvel

namespace corvel {

namespace {

// The significant digits of a positive finite value, cut to `digits` by the
// first dropped digit (above 5 up, 5 up only after an odd digit), without
// trailing zeros; order is the decimal exponent of the first digit.
struct Significand {
    std::string digits;
    int order = 0;
};

Significand roundedDigits(double magnitude, int digits) {
    char buffer[800];
    // 770 places hold every digit a double has, so the dropped digit is exact.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, 770);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    Significand out;
    out.digits = std::string(1, text[0]) + std::string(text.substr(2, e - 2));
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), out.order);
    const char dropped = out.digits[static_cast<std::size_t>(digits)];
    out.digits.resize(static_cast<std::size_t>(digits));
    const bool lastOdd = (out.digits.back() - '0') % 2 == 1;
    if (dropped > '5' || (dropped == '5' && lastOdd)) {
        std::size_t at = out.digits.size();
        while (at > 0 && out.digits[at - 1] == '9') out.digits[--at] = '0';
        if (at == 0) {
            out.digits.insert(out.digits.begin(), '1');
            out.digits.pop_back();
            ++out.order;
        } else {
            ++out.digits[at - 1];
        }
    }
    while (out.digits.size() > 1 && out.digits.back() == '0') out.digits.pop_back();
    return out;
}

// Plain notation for orders -5..digits-1, otherwise d.dddE+xx.
std::string layDigits(const Significand& number, int digits) {
    const std::string& d = number.digits;
    const auto count = static_cast<int>(d.size());
    if (number.order >= 0 && number.order < digits) {
        if (count <= number.order + 1) return d + std::string(static_cast<std::size_t>(number.order + 1 - count), '0');
        const auto whole = static_cast<std::size_t>(number.order + 1);
        return d.substr(0, whole) + "." + d.substr(whole);
    }
    if (number.order < 0 && number.order >= -5) {
        return "0." + std::string(static_cast<std::size_t>(-number.order - 1), '0') + d;
    }
    std::string text = d.substr(0, 1);
    if (count > 1) text += "." + d.substr(1);
    const int magnitude = std::abs(number.order);
    text += number.order < 0 ? "E-" : "E+";
    if (magnitude < 10) text += '0';
    return text + std::to_string(magnitude);
}

std::string numberText(double value, int digits) {
    const std::string sign = value < 0 ? "-" : " ";
    if (std::isnan(value)) return " NAN";
    if (std::isinf(value)) return sign + "INF";
    if (value == 0) return " 0";
    return sign + layDigits(roundedDigits(std::fabs(value), digits), digits);
}

}  // namespace

std::string numberToText(double value) { return numberText(value, 15); }

std::string numberToText7(double value) { return numberText(value, 7); }

}  // namespace corvel
