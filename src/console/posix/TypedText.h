// Text that came from the user's terminal other than as keys (the command
// tail), brought into code page 437 exactly as typed characters are.
#pragma once

#include <string>
#include <string_view>

#include "console/posix/Charset.h"

namespace corvel::posix {

// The characters of bytes as the key decoder reads them in charset: UTF-8
// turned into code page 437 text (Transliteration.h), cp437 as it is, ascii
// without the bytes above 127. Control bytes must be gone already:
// here they would be read as keys.
std::string typedText(std::string_view bytes, Charset charset);

}  // namespace corvel::posix
