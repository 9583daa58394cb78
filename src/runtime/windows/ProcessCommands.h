// Command lines run by the real command interpreter on Windows: one child
// started in the program's own console and waited for. The interpreter is
// the system directory's cmd.exe, never one from the working directory, and
// neither it nor its own children look for programs there. The
// console-size command is left out where the console host is known to
// ignore it; the form's screen takes the size all the same.
#pragma once

#include "runtime/CommandService.h"

namespace corvel::windows {

class ProcessCommands final : public CommandService {
public:
    // screen and keyboard: the console handles children get as their
    // standard handles (null: the ones they would get by default).
    ProcessCommands(SharedConsole& console, void* screen, void* keyboard);
    std::uint32_t runCommand(ErrorState& errors, std::string_view commandText,
                             std::uint16_t showStyleAndWait, bool inheritHandles) override;

private:
    SharedConsole& console_;
    void* screen_;
    void* keyboard_;
};

// Whether the console host shows its own size whatever the console-size
// command asks for (a host that sets WT_SESSION for its children).
bool hostIgnoresConsoleSize();

}  // namespace corvel::windows
