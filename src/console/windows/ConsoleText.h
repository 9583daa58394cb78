// Characters the console and the system hand over in UTF-16 (keys, the
// command line), brought into the console's code page 437.
#pragma once

#include <string>

namespace corvel::windows {

// The code page 437 byte of one UTF-16 unit: control characters as they
// are, the rest through code page 437; -1 when it has none (a halve of a
// surrogate pair included).
int consoleByte(char32_t unit);

// Each unit of text as its byte; units without one are dropped.
std::string consoleTextFromWide(const wchar_t* text);

}  // namespace corvel::windows
