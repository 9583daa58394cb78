// Lines out of a byte stream: LF ends a line and a CR before it goes with
// it; an unfinished last line counts at the end of the input. A line keeps
// at most its first lineLimit bytes, the rest up to its end is dropped, so
// no input holds more than that in memory.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

class LineReader {
public:
    // Fills up to size bytes at buffer and returns how many; 0 at the end
    // of the input (a read that fails counts as its end).
    using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

    static constexpr std::size_t lineLimit = 64 * 1024;

    explicit LineReader(Source source) : source_(std::move(source)) {}

    // The next line, or nothing once the input has ended.
    std::optional<std::string> readLine();

private:
    void keep(const char* bytes, std::size_t count);

    Source source_;
    std::string line_;        // the line so far, at most lineLimit bytes
    std::string pending_;     // bytes read after the end of the last line
    bool overlong_ = false;   // the line so far lost bytes
    bool ended_ = false;
};

// Bytes below 32 and 127 dropped.
std::string withoutControlCharacters(std::string_view text);

}  // namespace corvel
