// Command lines run by the real command interpreter on Windows: one child
// started with CreateProcessA in the program's own console and waited for.
#pragma once

#include "runtime/CommandService.h"

namespace corvel::windows {

class ProcessCommands final : public CommandService {
public:
    explicit ProcessCommands(SharedConsole& console) : console_(console) {}
    std::uint32_t runCommand(ErrorState& errors, std::string_view commandText,
                             std::uint16_t showStyleAndWait, bool inheritHandles) override;

private:
    SharedConsole& console_;
};

}  // namespace corvel::windows
