// Output file handles on POSIX: open(2) without following a final symbolic
// link and with an exclusive flock(2), pread(2), write(2), ftruncate(2),
// lseek(2), fdatasync(2), close(2), rename(2) with fsync(2) of the
// directory, and unlink(2), each through the gateway.
#include "runtime/FileHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/RuntimeError.h"
#include "runtime/SystemCall.h"
#include "runtime/posix/ErrnoError.h"

namespace corvel {

namespace {

int descriptor(const FileHandle& file) { return static_cast<int>(file.value); }

// The code of a failed open: a missing file whose directory exists is 53,
// a missing directory 76.
std::uint8_t openFailureCode(const std::string& name, int error) {
    if (error != ENOENT) return errnoToRuntimeError(error);
    const std::size_t slash = name.find_last_of('/');
    const std::string parent = slash == std::string::npos ? std::string(".")
                               : slash == 0                 ? std::string("/")
                                                            : name.substr(0, slash);
    struct stat info {};
    SystemResult result = callSystem("stat", [&] { return ::stat(parent.c_str(), &info); });
    const bool directoryMissing = result.failed() || !S_ISDIR(info.st_mode);
    return errnoToRuntimeError(ENOENT, directoryMissing);
}

// Whether the opened file is a regular file: 0 when known, else the code.
std::uint8_t askDisk(FileHandle& file) {
    struct stat info {};
    SystemResult status = callSystem("fstat", [&] { return ::fstat(descriptor(file), &info); });
    if (status.failed()) return failureCode(status);
    file.disk = S_ISREG(info.st_mode);
    return 0;
}

// Holds a disk file against a second opener. A file system without locks
// still gets its file; exclusivity is then not to be had.
std::uint8_t lockExclusively(const FileHandle& file) {
    SystemResult locked = callSystem("flock", [&] { return ::flock(descriptor(file), LOCK_EX | LOCK_NB); });
    if (locked.failed() && locked.error != ENOLCK && locked.error != EOPNOTSUPP) {
        return failureCode(locked);
    }
    return 0;
}

}  // namespace

std::uint8_t openFileForOutput(const std::string& name, FileHandle& file) {
    // O_NOFOLLOW: in a directory others can write to, a link planted under
    // the name would otherwise have this process create or empty its target.
    // The refusal (ELOOP) maps to 75.
    SystemResult opened = callSystem("open", [&] {
        return ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    });
    if (opened.failed()) return openFailureCode(name, opened.error);
    file.value = static_cast<std::intptr_t>(opened.value);
    std::uint8_t failure = askDisk(file);
    if (failure == 0 && file.disk) failure = lockExclusively(file);
    if (failure != 0) {
        closeFileHandle(file);
        file.value = -1;
    }
    return failure;
}

std::uint8_t createNewFile(const std::string& name, const FileHandle& like, FileHandle& file) {
    struct stat info {};
    SystemResult status = callSystem("fstat", [&] { return ::fstat(descriptor(like), &info); });
    if (status.failed()) return failureCode(status);
    const mode_t access = info.st_mode & 0666;
    SystemResult created = callSystem("open", [&] {
        return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, access);
    });
    if (created.failed()) return openFailureCode(name, created.error);
    file.value = static_cast<std::intptr_t>(created.value);
    file.disk = true;
    return 0;
}

ReadOutcome readFileHandle(const FileHandle& file, std::uint64_t position, char* data, std::size_t size) {
    const auto offset = static_cast<off_t>(position);
    for (;;) {
        SystemResult result = callSystem("pread", [&] { return ::pread(descriptor(file), data, size, offset); });
        if (!result.failed()) return {static_cast<std::size_t>(result.value), 0};
        if (result.error != EINTR) return {0, failureCode(result)};
    }
}

WriteOutcome writeFileHandle(const FileHandle& file, const char* data, std::size_t size) {
    WriteOutcome outcome;
    while (outcome.written < size && outcome.failure == 0) {
        SystemResult result = callSystemWrite("write", size - outcome.written, [&](std::size_t count) {
            return ::write(descriptor(file), data + outcome.written, count);
        });
        if (result.failed()) {
            if (result.error != EINTR) outcome.failure = failureCode(result);
        } else if (result.value == 0) {
            outcome.failure = file.disk ? 61 : 57;  // no progress: the medium is full
        } else {
            outcome.written += static_cast<std::size_t>(result.value);
        }
    }
    return outcome;
}

std::uint8_t truncateFileHandle(const FileHandle& file, std::uint64_t position) {
    const auto end = static_cast<off_t>(position);
    SystemResult cut = callSystem("ftruncate", [&] { return ::ftruncate(descriptor(file), end); });
    return failureCode(cut);
}

std::uint8_t seekFileHandle(const FileHandle& file, std::uint64_t position) {
    const auto offset = static_cast<off_t>(position);
    SystemResult moved = callSystem("lseek", [&] { return ::lseek(descriptor(file), offset, SEEK_SET); });
    return failureCode(moved);
}

std::uint8_t syncFileHandle(const FileHandle& file) {
    if (!file.disk) return 0;
    SystemResult synced = callSystem("fdatasync", [&] { return ::fdatasync(descriptor(file)); });
    return failureCode(synced);
}

std::uint8_t closeFileHandle(const FileHandle& file) {
    // The descriptor is gone after close() even when it reports EINTR.
    SystemResult closed = callSystem("close", [&] { return ::close(descriptor(file)); });
    return failureCode(closed);
}

std::uint8_t countLinks(const FileHandle& file, std::uint32_t& links) {
    struct stat info {};
    SystemResult status = callSystem("fstat", [&] { return ::fstat(descriptor(file), &info); });
    if (status.failed()) return failureCode(status);
    links = static_cast<std::uint32_t>(info.st_nlink);
    return 0;
}

namespace {

// Puts the directory that holds name on the medium. A directory this
// process may not read, or a file system that cannot, is no failure: the
// rename stands either way.
std::uint8_t syncDirectoryOf(const std::string& name) {
    const std::size_t slash = name.find_last_of('/');
    const std::string parent = slash == std::string::npos ? std::string(".")
                               : slash == 0                 ? std::string("/")
                                                            : name.substr(0, slash);
    SystemResult opened = callSystem("open", [&] {
        return ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    });
    if (opened.failed()) return opened.error == EACCES || opened.error == EPERM ? 0 : failureCode(opened);
    OwnedFile directory;
    directory.handle.value = static_cast<std::intptr_t>(opened.value);
    SystemResult synced = callSystem("fsync", [&] { return ::fsync(descriptor(directory.handle)); });
    const std::uint8_t closed = directory.close();
    if (synced.failed() && synced.error != EINVAL && synced.error != EROFS) return failureCode(synced);
    return closed;
}

}  // namespace

std::uint8_t renameFile(const std::string& from, const std::string& to) {
    SystemResult renamed = callSystem("rename", [&] { return ::rename(from.c_str(), to.c_str()); });
    if (renamed.failed()) return failureCode(renamed);
    return syncDirectoryOf(to);
}

void releaseFileHandle(const FileHandle& file) noexcept { ::close(descriptor(file)); }

void discardFile(const std::string& name) noexcept { ::unlink(name.c_str()); }

std::uint8_t removeFile(const std::string& name) {
    SystemResult removed = callSystem("unlink", [&] { return ::unlink(name.c_str()); });
    return removed.error == ENOENT ? 0 : failureCode(removed);
}

bool heldByAnotherProgram(const std::string& name) {
    SystemResult opened = callSystem("open", [&] {
        return ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    });
    if (opened.failed()) return false;
    const int fd = static_cast<int>(opened.value);
    SystemResult locked = callSystem("flock", [&] { return ::flock(fd, LOCK_SH | LOCK_NB); });
    callSystem("close", [&] { return ::close(fd); });
    return locked.failed() && locked.error == EWOULDBLOCK;
}

}  // namespace corvel
