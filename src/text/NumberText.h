// Number/text conversions: the number at the start of a text, and the
// decimal text of a number with its sign position; the form and the
// screen's writeNumber both use them.
#pragma once

#include <string>
#include <string_view>

namespace corvel {

// The number written at the start of the text (0 when there is none).
double textToNumber(std::string_view text);
// Sign position (blank or "-") and up to 15 significant digits.
std::string numberToText(double value);
// The same with 7 significant digits, as the screen writes numbers.
std::string numberToText7(double value);

}  // namespace corvel
