// Output file handles on Windows: CreateFileA with share mode 0 (no other
// opener while the form runs), open-always, GetFileType, SetFilePointer and
// SetEndOfFile for a disk file, WriteFile and CloseHandle, each through the
// gateway. Bytes are written as they are: no text-mode translation.
#include <windows.h>

#include "runtime/FileHandle.h"
#include "runtime/SystemCall.h"

namespace corvel {

namespace {

HANDLE handleOf(const FileHandle& file) { return reinterpret_cast<HANDLE>(file.value); }

std::uint8_t codeOf(const SystemResult& result) {
    return result.failed() ? (result.error != 0 ? systemErrorCode(result.error) : 51) : 0;
}

// -1 for a failed BOOL call, so the gateway sees the failure.
long long boolResult(BOOL done) { return done ? 1 : -1; }

// Whether the opened handle is a disk file: 0 when known, else the code.
std::uint8_t askDisk(FileHandle& file) {
    SystemResult type = callSystem("GetFileType", [&]() -> long long {
        const DWORD kind = GetFileType(handleOf(file));
        return kind == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR ? -1 : static_cast<long long>(kind);
    });
    if (type.failed()) return codeOf(type);
    file.disk = type.value == FILE_TYPE_DISK;
    return 0;
}

}  // namespace

std::uint8_t openFileForOutput(const std::string& name, FileHandle& file) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = FALSE;  // a child command never holds the file
    SystemResult opened = callSystem("CreateFileA", [&]() -> long long {
        HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, 0, &security, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
    });
    if (opened.failed()) return codeOf(opened);
    file.value = static_cast<std::intptr_t>(opened.value);
    const std::uint8_t failure = askDisk(file);
    if (failure != 0) {
        closeFileHandle(file);
        file.value = -1;
    }
    return failure;
}

WriteOutcome writeFileHandle(const FileHandle& file, const char* data, std::size_t size) {
    WriteOutcome outcome;
    while (outcome.written < size && outcome.failure == 0) {
        SystemResult result = callSystemWrite("WriteFile", size - outcome.written, [&](std::size_t count) -> long long {
            DWORD done = 0;
            const DWORD ask = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
            return WriteFile(handleOf(file), data + outcome.written, ask, &done, nullptr) ? static_cast<long long>(done) : -1LL;
        });
        if (result.failed()) {
            outcome.failure = codeOf(result);
        } else if (result.value == 0) {
            outcome.failure = file.disk ? 61 : 57;  // no progress: the medium is full
        } else {
            outcome.written += static_cast<std::size_t>(result.value);
        }
    }
    return outcome;
}

std::uint8_t seekFileHandle(const FileHandle& file, std::uint64_t position) {
    SystemResult moved = callSystem("SetFilePointer", [&]() -> long long {
        LONG high = static_cast<LONG>(position >> 32);
        const DWORD low = SetFilePointer(handleOf(file), static_cast<LONG>(position & 0xFFFFFFFFu), &high, FILE_BEGIN);
        return low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR ? -1 : 0;
    });
    return codeOf(moved);
}

std::uint8_t truncateFileHandle(const FileHandle& file, std::uint64_t position) {
    // The end is set where the file pointer stands; the pointer stays there,
    // which is where the next write goes.
    if (std::uint8_t failure = seekFileHandle(file, position)) return failure;
    SystemResult cut = callSystem("SetEndOfFile", [&] { return boolResult(SetEndOfFile(handleOf(file))); });
    return codeOf(cut);
}

std::uint8_t closeFileHandle(const FileHandle& file) {
    SystemResult closed = callSystem("CloseHandle", [&] { return boolResult(CloseHandle(handleOf(file))); });
    return codeOf(closed);
}

}  // namespace corvel
