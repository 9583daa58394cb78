// The local date and time as fixed-format texts, and the number/text
// conversions the form applies to them.
#pragma once

#include <string>
#include <string_view>

namespace corvel {

// "MM-DD-YYYY" and "HH:MM:SS", local time, read afresh on every call.
std::string currentDate();
std::string currentTime();

// The number written at the start of the text (0 when there is none).
double textToNumber(std::string_view text);
// Sign position (blank or "-") and up to 15 significant digits.
std::string numberToText(double value);
// The same with 7 significant digits, as the screen writes numbers.
std::string numberToText7(double value);

}  // namespace corvel
