// Output file handles on Windows: CreateFileA with share mode 0 (no other
// opener while the form runs), open-always, never through a symbolic link
// or junction (a file a cloud service keeps in sync is the file itself),
// GetFileType, ReadFile, SetFilePointer and SetEndOfFile for a disk file,
// WriteFile, FlushFileBuffers and CloseHandle; MoveFileExA and DeleteFileA
// for a backup; each through the gateway. Bytes are written as they are: no
// text-mode translation.
#include <windows.h>

#include "runtime/FileHandle.h"
#include "runtime/SystemCall.h"
#include "runtime/windows/BoolResult.h"

namespace corvel {

namespace {

HANDLE handleOf(const FileHandle& file) { return reinterpret_cast<HANDLE>(file.value); }

// Whether the opened handle is a disk file: 0 when known, else the code.
std::uint8_t askDisk(FileHandle& file) {
    SystemResult type = callSystem("GetFileType", [&]() -> long long {
        const DWORD kind = GetFileType(handleOf(file));
        return kind == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR ? -1 : static_cast<long long>(kind);
    });
    if (type.failed()) return failureCode(type);
    file.disk = type.value == FILE_TYPE_DISK;
    return 0;
}

// What identifies an opened file, and whether it is a reparse point.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool reparsePoint = false;
    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};

std::uint8_t identify(const FileHandle& file, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION information{};
    SystemResult asked = callSystem("GetFileInformationByHandle", [&] {
        return boolResult(GetFileInformationByHandle(handleOf(file), &information));
    });
    if (asked.failed()) return file.disk ? failureCode(asked) : 0;  // a device has no such information
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow,
                (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
    return 0;
}

// Whether a reparse point opened itself stands for another name (a symbolic
// link, a junction): 75 then. Others (a file a cloud service keeps in sync,
// a deduplicated file) are the file itself: 0.
std::uint8_t refuseNameSurrogate(const FileHandle& file) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    SystemResult asked = callSystem("GetFileInformationByHandleEx", [&] {
        return boolResult(GetFileInformationByHandleEx(handleOf(file), FileAttributeTagInfo, &tag, sizeof tag));
    });
    if (asked.failed()) return failureCode(asked);
    return IsReparseTagNameSurrogate(tag.ReparseTag) ? 75 : 0;
}

// The file opened with share mode 0 and no inheritance (a child command
// never holds it); with openReparsePoint a final symbolic link is opened
// itself, not followed.
std::uint8_t openHandle(const std::string& name, DWORD access, DWORD disposition, bool openReparsePoint,
                        FileHandle& file) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = FALSE;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (openReparsePoint ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    SystemResult opened = callSystem("CreateFileA", [&]() -> long long {
        HANDLE handle = CreateFileA(name.c_str(), access, 0, &security, disposition, flags, nullptr);
        return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
    });
    if (opened.failed()) return failureCode(opened);
    file.value = static_cast<std::intptr_t>(opened.value);
    return 0;
}

// Opens name as openFileForOutput does; a reparse point that is the file
// itself is opened again through its name, and must still be the same file.
std::uint8_t openOutputHandle(const std::string& name, FileHandle& file) {
    if (std::uint8_t failure = openHandle(name, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, true, file)) return failure;
    FileIdentity opened;
    std::uint8_t failure = askDisk(file);
    if (failure == 0) failure = identify(file, opened);
    if (failure == 0 && opened.reparsePoint) failure = refuseNameSurrogate(file);
    if (failure != 0 || !opened.reparsePoint) return failure;
    closeFileHandle(file);
    file.value = -1;
    if ((failure = openHandle(name, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, false, file)) != 0) return failure;
    FileIdentity reopened;
    failure = askDisk(file);
    if (failure == 0) failure = identify(file, reopened);
    if (failure == 0 && !(reopened == opened)) failure = 75;  // the name was changed in between
    return failure;
}

}  // namespace

std::uint8_t openFileForOutput(const std::string& name, FileHandle& file) {
    const std::uint8_t failure = openOutputHandle(name, file);
    if (failure != 0 && file.value != -1) {
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
            outcome.failure = failureCode(result);
        } else if (result.value == 0) {
            outcome.failure = file.disk ? 61 : 57;  // no progress: the medium is full
        } else {
            outcome.written += static_cast<std::size_t>(result.value);
        }
    }
    return outcome;
}

std::uint8_t createNewFile(const std::string& name, const FileHandle& /*like*/, FileHandle& file) {
    // The new file's access comes from its directory, as every file's does.
    if (std::uint8_t failure = openHandle(name, GENERIC_WRITE, CREATE_NEW, true, file)) return failure;
    file.disk = true;
    return 0;
}

ReadOutcome readFileHandle(const FileHandle& file, std::uint64_t position, char* data, std::size_t size) {
    // A read at an offset moves the file pointer: the write position is
    // taken before and put back after.
    LONG high = 0;
    const DWORD low = SetFilePointer(handleOf(file), 0, &high, FILE_CURRENT);
    const std::uint64_t writePosition = (static_cast<std::uint64_t>(static_cast<DWORD>(high)) << 32) | low;
    DWORD got = 0;
    SystemResult result = callSystem("ReadFile", [&]() -> long long {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD ask = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        if (ReadFile(handleOf(file), data, ask, &got, &at)) return static_cast<long long>(got);
        return GetLastError() == ERROR_HANDLE_EOF ? 0LL : -1LL;
    });
    const std::uint8_t restored = seekFileHandle(file, writePosition);
    if (result.failed()) return {0, failureCode(result)};
    return {static_cast<std::size_t>(result.value), restored};
}

std::uint8_t syncFileHandle(const FileHandle& file) {
    if (!file.disk) return 0;
    SystemResult flushed = callSystem("FlushFileBuffers", [&] { return boolResult(FlushFileBuffers(handleOf(file))); });
    return failureCode(flushed);
}

std::uint8_t renameFile(const std::string& from, const std::string& to) {
    SystemResult moved = callSystem("MoveFileExA", [&] {
        return boolResult(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    });
    return failureCode(moved);
}

std::uint8_t removeFile(const std::string& name) {
    SystemResult removed = callSystem("DeleteFileA", [&] { return boolResult(DeleteFileA(name.c_str())); });
    return removed.failed() && removed.error != ERROR_FILE_NOT_FOUND ? failureCode(removed) : 0;
}

std::uint8_t seekFileHandle(const FileHandle& file, std::uint64_t position) {
    SystemResult moved = callSystem("SetFilePointer", [&]() -> long long {
        LONG high = static_cast<LONG>(position >> 32);
        const DWORD low = SetFilePointer(handleOf(file), static_cast<LONG>(position & 0xFFFFFFFFu), &high, FILE_BEGIN);
        return low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR ? -1 : 0;
    });
    return failureCode(moved);
}

std::uint8_t truncateFileHandle(const FileHandle& file, std::uint64_t position) {
    // The end is set where the file pointer stands; the pointer stays there,
    // which is where the next write goes.
    if (std::uint8_t failure = seekFileHandle(file, position)) return failure;
    SystemResult cut = callSystem("SetEndOfFile", [&] { return boolResult(SetEndOfFile(handleOf(file))); });
    return failureCode(cut);
}

std::uint8_t closeFileHandle(const FileHandle& file) {
    SystemResult closed = callSystem("CloseHandle", [&] { return boolResult(CloseHandle(handleOf(file))); });
    return failureCode(closed);
}

bool heldByAnotherProgram(const std::string& name) {
    HANDLE probe = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace corvel

namespace corvel {

std::uint8_t countLinks(const FileHandle& file, std::uint32_t& links) {
    BY_HANDLE_FILE_INFORMATION information{};
    SystemResult asked = callSystem("GetFileInformationByHandle", [&] {
        return boolResult(GetFileInformationByHandle(handleOf(file), &information));
    });
    if (asked.failed()) return failureCode(asked);
    links = information.nNumberOfLinks;
    return 0;
}

void releaseFileHandle(const FileHandle& file) noexcept { CloseHandle(handleOf(file)); }

void discardFile(const std::string& name) noexcept { DeleteFileA(name.c_str()); }

}  // namespace corvel
