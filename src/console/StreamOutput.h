// Processed stream output onto a console device, the way a console shows a
// child's output: CR, LF, BS, TAB and BEL act, every other byte is a cell in
// the default attribute, with wrapping at the right edge and scrolling at
// the bottom.
#pragma once

#include <string_view>

namespace corvel {

class ConsoleDevice;

class StreamOutput {
public:
    explicit StreamOutput(ConsoleDevice& device) : device_(device) {}
    // Carries bytes into the grid at the device's cursor and leaves the
    // cursor after them.
    void write(std::string_view bytes);

private:
    ConsoleDevice& device_;
};

}  // namespace corvel
