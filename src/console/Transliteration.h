// Text that enters the form as Unicode (typed keys, pastes, the command
// tail) becomes code page 437 here, one character at a time. A character
// the code page has is its byte; one it lacks becomes its closest rendering:
// Latin letters keep the marks the code page has, Cyrillic follows ICAO
// Doc 9303 (Щ gives Shch), Greek ISO 843, typographic characters their
// plain forms (the euro sign EUR); a character of a script without an
// agreed Latin rendering is one question mark, so that the loss shows.
#pragma once

#include <string_view>

namespace corvel {

// The code page 437 text of one character, 0 to 4 bytes: control
// characters (below 32 and 127) and the characters the code page has as
// their byte; marks, format characters and C1 controls as nothing; a
// surrogate or anything above 0x10FFFF, which is no character, as nothing.
std::string_view cp437Text(char32_t c);

}  // namespace corvel
