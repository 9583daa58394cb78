// The kitty keyboard protocol where the terminal has it. At start the device
// asks for the terminal's keyboard flags and then for its primary device
// attributes, which every terminal answers, so the answer to the second
// question ends the wait without a time-out. A terminal that answered the
// first question gets the disambiguation flag pushed: Esc and Alt+key then
// arrive as complete CSI u sequences instead of a bare ESC. The replies are
// taken out of the key stream by the key decoder.
#pragma once

#include <optional>
#include <string_view>

namespace corvel::posix {

// A terminal's answer to one of the two questions.
struct TerminalReply {
    enum Kind { keyboardFlags, deviceAttributes };
    Kind kind = deviceAttributes;
    friend bool operator==(const TerminalReply&, const TerminalReply&) = default;
};

// The reply a CSI sequence carries, given its parameter bytes and final
// byte: "CSI ? flags u" or "CSI ? attributes c"; nothing for anything else.
std::optional<TerminalReply> terminalReply(std::string_view parameters, char final);

class KeyboardProtocol {
public:
    // Keyboard flags, then primary device attributes.
    static constexpr std::string_view query = "\x1b[?u\x1b[c";
    // Push the disambiguation flag; pop it again.
    static constexpr std::string_view switchOn = "\x1b[>1u";
    static constexpr std::string_view switchOff = "\x1b[<u";

    // Takes one reply; true, once, when the flag is to be switched on now.
    bool take(const TerminalReply& reply);
    // The device attributes have not come yet: a reply may still be on its way.
    bool awaitingReply() const { return !answered_; }

private:
    bool supported_ = false;
    bool answered_ = false;
};

}  // namespace corvel::posix
