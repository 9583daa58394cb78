// Typed text through the key decoder: every character key it makes of the
// bytes gives its code page 437 text.
#include "console/posix/TypedText.h"

#include "console/posix/KeyDecoder.h"

namespace corvel::posix {

std::string typedText(std::string_view bytes, Charset charset) {
    KeyDecoder decoder(charset);
    decoder.feed(bytes, 0);
    decoder.expire(KeyDecoder::defaultEscTimeoutMs);  // a character cut short at the end is dropped
    std::string text;
    for (const KeyEvent& key : decoder.take()) {
        if (key.character == 0) continue;
        text += static_cast<char>(key.character);
        text += key.more;
    }
    return text;
}

}  // namespace corvel::posix
