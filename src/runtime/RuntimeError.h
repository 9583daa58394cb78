// Run-time error codes, their messages, and the mappings from system errors.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

// The message of a code; codes above 255 count as 0; unknown codes give "".
std::string_view errorMessage(unsigned code);

// Windows last-error value to run-time error code.
std::uint8_t systemErrorToRuntimeError(std::uint32_t systemError);

// errno to run-time error code, giving the same codes for the same
// situations. ENOENT is 53 for a missing file, 76 when a directory on the
// path is missing (the caller says which).
std::uint8_t errnoToRuntimeError(int error, bool directoryMissing = false);

// Ends the process with exit code 255 after running the registered exit
// hook (the terminal restore). Used for fatal codes.
[[noreturn]] void fatalExit();
using ExitHook = void (*)();
void setFatalExitHook(ExitHook hook);

}  // namespace corvel
