// The POSIX side of the system-call gateway: errno cleared before each call
// and read after it, and errno values mapped onto run-time error codes.
#include <cerrno>

#include "runtime/SystemCall.h"
#include "runtime/posix/ErrnoError.h"

namespace corvel {

namespace detail {

PlatformCallState beginPlatformCall() {
    errno = 0;
    return {};
}

int endPlatformCall(PlatformCallState) { return errno; }

}  // namespace detail

std::uint8_t systemErrorCode(int error) { return errnoToRuntimeError(error); }

std::uint8_t errnoToRuntimeError(int error, bool directoryMissing) {
    switch (error) {
    case 0: return 0;
    case ENOENT: return directoryMissing ? 76 : 53;
    case ENOTDIR: return 76;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EWOULDBLOCK:  // a lock held by another process
        return 70;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN: return 70;
#endif
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return 61;
    case EMFILE:
    case ENFILE:
        return 67;
    case ENOMEM: return 7;
    case EIO: return 57;
    case EINVAL: return 5;
    case EISDIR:
    case ENAMETOOLONG:
    default:
        return 75;
    }
}

}  // namespace corvel
