// Run-time error codes, their messages, the mapping from Windows error
// numbers, and the fatal end of the process.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

// The message of a code; codes above 255 count as 0; unknown codes give "".
std::string_view errorMessage(unsigned code);

// Windows last-error value to run-time error code.
std::uint8_t systemErrorToRuntimeError(std::uint32_t systemError);

// Ends the process with exit code 255 after running the registered exit
// hook (the terminal restore). Used for fatal codes.
[[noreturn]] void fatalExit();
// Ends the process at once with exitCode: no clean-up of any kind.
[[noreturn]] void endProcessNow(int exitCode);
using ExitHook = void (*)();
void setFatalExitHook(ExitHook hook);

}  // namespace corvel
