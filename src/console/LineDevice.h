// The line device of plain mode: whole lines typed or read in, text and
// line ends written out, one more stream for error lines. Text is code page
// 437 on both sides; the device brings it from and into what the terminal,
// console or file speaks, and never sends anything but text and line ends.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvel {

class LineDevice {
public:
    virtual ~LineDevice() = default;

    // The next line without its line end, as typed characters arrive (no
    // control characters left in it); nothing at the end of the input.
    virtual std::optional<std::string> readLine() = 0;
    // Whether the terminal shows what is typed itself (false for a file or
    // a pipe, whose lines nobody sees unless they are written out).
    virtual bool echoesInput() const = 0;

    virtual void write(std::string_view text) = 0;
    virtual void endLine() = 0;
    // One whole line on the error stream.
    virtual void writeError(std::string_view line) = 0;
};

}  // namespace corvel
