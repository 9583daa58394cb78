// The console session: prepares screen and keyboard on a device before the
// form runs, records the command tail, and turns the form's result into the
// process exit code.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "console/ConsoleDevice.h"
#include "console/ConsoleKeyboard.h"
#include "console/ConsoleScreen.h"

namespace corvel {

class ConsoleSession {
public:
    // Screen state: colours 7 on 0, no pending scroll, the device's cursor
    // shape. The tail is kept without its control bytes. The device
    // outlives the session.
    void startSession(ConsoleDevice& device, std::string commandTail);
    // Shows the last frame; the result is the process exit code.
    int endSession(int exitCode);

    const std::string& commandTail() const { return commandTail_; }
    ConsoleScreen& screen() { return *screen_; }
    ConsoleKeyboard& keyboard() { return *keyboard_; }

private:
    ConsoleDevice* device_ = nullptr;
    std::unique_ptr<ConsoleScreen> screen_;
    std::unique_ptr<ConsoleKeyboard> keyboard_;
    std::string commandTail_;
};

// The tail less its control bytes (0..31 but TAB, and 127): none of them
// can be typed on a console's command line, and in a name they would end a
// line of the file or reach a terminal that shows the file.
std::string withoutControlBytes(std::string_view tail);

// The program's arguments joined by single blanks.
std::string commandTailFromArguments(int argc, const char* const* argv);

// A whole command line less the program's name: a quoted name runs to the
// next double quote, a plain one to the first byte of 32 or below; then the
// blanks after it go, unless the name ended at a control byte or the end.
std::string commandTailFromCommandLine(std::string_view commandLine);

}  // namespace corvel
