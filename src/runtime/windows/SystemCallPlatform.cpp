// The Windows side of the system-call gateway: no critical-error or
// open-file boxes while a call runs, the last-error value cleared before it
// and read after it, and last-error values mapped onto run-time error codes.
#include <windows.h>

#include "runtime/RuntimeError.h"
#include "runtime/SystemCall.h"

namespace corvel {

namespace detail {

PlatformCallState beginPlatformCall() {
    PlatformCallState state;
    state.saved = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetLastError(0);
    return state;
}

int endPlatformCall(PlatformCallState state) {
    const DWORD error = GetLastError();
    SetErrorMode(static_cast<UINT>(state.saved));
    return static_cast<int>(error);
}

}  // namespace detail

std::uint8_t systemErrorCode(int error) {
    return systemErrorToRuntimeError(static_cast<std::uint32_t>(error));
}

}  // namespace corvel
