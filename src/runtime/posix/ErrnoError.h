// errno values as run-time error codes, the same codes for the same
// situations as the Windows mapping gives.
#pragma once

#include <cstdint>

namespace corvel {

// ENOENT is 53 for a missing file, 76 when a directory on the path is
// missing (the caller says which).
std::uint8_t errnoToRuntimeError(int error, bool directoryMissing = false);

}  // namespace corvel
