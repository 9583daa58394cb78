// The names of this platform's calls and its error numbers, for the tests
// that plant faults at the system-call gateway without caring which platform
// runs them.
#pragma once

#include <cerrno>

namespace corvel::test::platform {

// The calls of opening the output file, in the order they are made.
inline constexpr const char* openSteps[] = {"open", "flock", "pread", "ftruncate"};
inline constexpr const char* writeCall = "write";
inline constexpr const char* closeCall = "close";
// Creating the temporary copy of a backup (the second open of a run),
// reading the earlier content, the flush to the medium, the rename.
inline constexpr const char* createCall = "open";
inline constexpr const char* readCall = "pread";
inline constexpr const char* syncCall = "fdatasync";
inline constexpr const char* renameCall = "rename";
// The start of a child program by the command runner's stand-in.
inline constexpr const char* childStartCall = "fork";

struct ErrorCase {
    int error;
    int code;
    const char* message;
};

inline constexpr ErrorCase accessDenied{EACCES, 70, "Permission denied"};
inline constexpr ErrorCase diskFull{ENOSPC, 61, "Disk full"};
inline constexpr ErrorCase outOfMemory{ENOMEM, 7, "Out of memory"};
inline constexpr ErrorCase deviceError{EIO, 57, "Device I/O error"};

inline constexpr ErrorCase fileErrors[] = {
    accessDenied,          {EROFS, 70, "Permission denied"},    diskFull,
    {EDQUOT, 61, "Disk full"}, {EMFILE, 67, "Too many files"},  outOfMemory,
    deviceError,           {EINVAL, 5, "Illegal function call"}, {EISDIR, 75, "Path/file access error"},
    {ENOENT, 53, "File not found"},
};

}  // namespace corvel::test::platform
