// The Windows clock and the immediate end of the process.
#include <windows.h>

#include "runtime/Clock.h"
#include "runtime/RuntimeError.h"

namespace corvel {

LocalMoment systemClockMoment() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

void endProcessNow(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

}  // namespace corvel
