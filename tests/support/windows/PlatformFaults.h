// The names of this platform's calls and its error numbers, for the tests
// that plant faults at the system-call gateway without caring which platform
// runs them.
#pragma once

namespace corvel::test::platform {

// The calls of opening the output file, in the order they are made.
inline constexpr const char* openSteps[] = {"CreateFileA", "GetFileType", "ReadFile", "SetEndOfFile"};
inline constexpr const char* writeCall = "WriteFile";
inline constexpr const char* closeCall = "CloseHandle";
// Creating the temporary copy of a backup (the second open of a run),
// reading the earlier content, the flush to the medium, the rename.
inline constexpr const char* createCall = "CreateFileA";
inline constexpr const char* readCall = "ReadFile";
inline constexpr const char* syncCall = "FlushFileBuffers";
inline constexpr const char* renameCall = "MoveFileExA";
// The start of a child program by the command runner's stand-in.
inline constexpr const char* childStartCall = "CreateProcessA";

struct ErrorCase {
    int error;
    int code;
    const char* message;
};

// Windows last-error values.
inline constexpr ErrorCase accessDenied{5, 70, "Permission denied"};
inline constexpr ErrorCase diskFull{112, 61, "Disk full"};
inline constexpr ErrorCase outOfMemory{8, 7, "Out of memory"};
inline constexpr ErrorCase deviceError{29, 72, "Disk media error"};  // write fault

inline constexpr ErrorCase fileErrors[] = {
    accessDenied,          {19, 70, "Permission denied"},  diskFull,
    {39, 61, "Disk full"}, {4, 67, "Too many files"},      outOfMemory,
    deviceError,           {87, 5, "Illegal function call"}, {1, 75, "Path/file access error"},
    {2, 53, "File not found"}, {32, 70, "Permission denied"}, {21, 71, "Disk not ready"},
};

}  // namespace corvel::test::platform
