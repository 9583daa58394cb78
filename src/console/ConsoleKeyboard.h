// The keyboard: raw key events turned into key strings (1 byte: a
// character; 2 bytes: 0 and the scan code of an extended or Alt+letter key),
// a typed line with echo, and the alert.
#pragma once

#include <string>
#include <string_view>

#include "console/ConsoleDevice.h"
#include "console/ConsoleScreen.h"

namespace corvel {

// The editor's integer form of a key string: the character, or the negated
// scan code; keyCodeNone for a string of any other length.
inline constexpr int keyCodeNone = 1000;
int keyCode(const std::string& keyString);

// Thrown out of a key wait when the program was asked from outside to end
// (see ConsoleDevice::endRequest); the form decides what is kept.
struct EndRequested {
    int reason;
};

class ConsoleKeyboard {
public:
    ConsoleKeyboard(ConsoleDevice& device, ConsoleScreen& screen) : device_(device), screen_(screen) {}

    // Blocks (without burning a processor) until a key is accepted; throws
    // EndRequested instead once the program is asked to end.
    std::string waitKey();
    // The next accepted key, or empty when none waits; never blocks. A key
    // that types several characters gives them one at a time, in order,
    // before any later key.
    std::string pollKey();
    // A typed line of up to 10000 bytes, echoed; Enter ends it.
    std::string readLine();
    void beep() { device_.alert(); }
    // Why the program was asked to end; 0 while nobody asked.
    int endRequest() const { return device_.endRequest(); }

    static constexpr std::size_t maxLineLength = 10000;

private:
    ConsoleDevice& device_;
    ConsoleScreen& screen_;
    std::string_view more_;  // the characters still to come of the last key
};

// Turns one key-down event into its key string; empty when the event is no
// key (a release, a modifier alone, not a key event at all).
std::string acceptKeyEvent(const KeyEvent& event);

}  // namespace corvel
