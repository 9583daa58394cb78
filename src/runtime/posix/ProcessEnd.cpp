// The POSIX clock and the immediate end of the process.
#include <unistd.h>

#include <ctime>

#include "runtime/Clock.h"
#include "runtime/RuntimeError.h"

namespace corvel {

LocalMoment systemClockMoment() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour, local.tm_min, local.tm_sec};
}

void endProcessNow(int exitCode) { ::_exit(exitCode); }

}  // namespace corvel
