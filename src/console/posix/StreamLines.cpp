// Reading and writing plain mode's lines on descriptors.
#include "console/posix/StreamLines.h"

#include <unistd.h>

#include <cerrno>

#include "console/posix/TypedText.h"

namespace corvel::posix {
namespace {

// Everything, across interruptions; a failed write is dropped, as the
// screen drops what a terminal no longer takes.
void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::size_t readSome(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

}  // namespace

StreamLines::StreamLines(int input, int output, int error, Charset charset)
    : output_(output), error_(error), charset_(charset), echoes_(isatty(input) == 1),
      reader_([input](char* buffer, std::size_t size) { return readSome(input, buffer, size); }) {}

// The line's bytes go through the key decoder, as typed keys do; what it
// makes of escape sequences and control bytes (a cursor key typed into
// the line, a tab) is no character and drops out.
std::optional<std::string> StreamLines::readLine() {
    std::optional<std::string> line = reader_.readLine();
    if (!line) return line;
    return withoutControlCharacters(typedText(*line, charset_));
}

void StreamLines::write(std::string_view text) {
    std::string bytes;
    for (char c : text) bytes += glyphBytes(charset_, static_cast<std::uint8_t>(c));
    writeAll(output_, bytes);
}

void StreamLines::endLine() { writeAll(output_, "\r\n"); }

void StreamLines::writeError(std::string_view line) {
    std::string bytes;
    for (char c : line) bytes += glyphBytes(charset_, static_cast<std::uint8_t>(c));
    writeAll(error_, bytes + "\n");
}

}  // namespace corvel::posix
