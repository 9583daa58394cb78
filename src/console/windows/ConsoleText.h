// Characters the console and the system hand over in UTF-16 (keys, the
// command line), brought into the console's code page 437.
#pragma once

#include <string>
#include <string_view>

namespace corvel::windows {

// The code page 437 text of one UTF-16 unit of a key (Transliteration.h).
// A character beyond the first 65536 comes as two units: the first gives
// nothing, the second a question mark.
std::string_view consoleText(char32_t unit);

// The text of a whole UTF-16 string, its surrogate pairs read as one
// character each; a unit of a broken pair is a question mark.
std::string consoleTextFromWide(const wchar_t* text);

}  // namespace corvel::windows
