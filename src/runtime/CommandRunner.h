// Runs a command line as a child in the same console and waits for it.
// The command interpreter is a small stand-in of ours: "cmd /c" lines, the
// built-ins "mode con cols=N lines=M" and "cls", and programs on PATH.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/CommandOutput.h"
#include "runtime/CommandService.h"

namespace corvel {

class CommandRunner : public CommandService {
public:
    explicit CommandRunner(CommandOutput& output) : output_(output) {}
    std::uint32_t runCommand(ErrorState& errors, std::string_view commandText,
                             std::uint16_t showStyleAndWait, bool inheritHandles) override;

private:
    std::uint32_t runProgram(ErrorState& errors, const std::string& path,
                             const std::vector<std::string>& arguments, bool wait);

    CommandOutput& output_;
};

}  // namespace corvel
