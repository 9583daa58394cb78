// Runs a command line as a child in the same console and waits for it.
// The command interpreter is a small stand-in of ours: "cmd /c" lines, the
// built-ins "mode con cols=N lines=M" and "cls", and programs on PATH.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

class ErrorState;
class ConsoleDevice;

// showStyle bits 0..14, bit 15 (0x8000) waits for completion.
inline constexpr std::uint16_t waitForCompletion = 0x8000;

class CommandRunner {
public:
    explicit CommandRunner(ConsoleDevice& device) : device_(device) {}
    // Returns the child's exit code when waiting, else its process id.
    // Only a failure to start the child raises a run-time error.
    std::uint32_t runCommand(ErrorState& errors, std::string_view commandText,
                             std::uint16_t showStyleAndWait, bool inheritHandles);

private:
    std::uint32_t runProgram(ErrorState& errors, const std::string& path,
                             const std::vector<std::string>& arguments, bool wait);

    ConsoleDevice& device_;
};

}  // namespace corvel
