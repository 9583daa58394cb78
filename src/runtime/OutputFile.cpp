// The output file service: an open-file table (newest first) guarded by a
// lock, every system call made through the gateway, nothing buffered.
#include "runtime/OutputFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>

#include "runtime/ErrorState.h"
#include "runtime/OutputFileTable.h"
#include "runtime/RuntimeError.h"
#include "runtime/SystemCall.h"

namespace corvel {

namespace {

constexpr std::size_t maximumNameLength = 255;

bool isBadName(const std::string& name) {
    return name.empty() || name.find_first_of(std::string_view("*?\0", 3)) != std::string::npos;
}

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

void closeQuietly(int fd) {
    callSystem("close", [&] { return ::close(fd); });
}

// Locks an opened disk file against a second opener and empties it; the
// code of the first failure, 0 when both worked.
std::uint8_t lockAndEmpty(int fd) {
    SystemResult locked = callSystem("flock", [&] { return ::flock(fd, LOCK_EX | LOCK_NB); });
    // A file system without locks still gets its file; exclusivity is then
    // not to be had.
    if (locked.failed() && locked.error != ENOLCK && locked.error != EOPNOTSUPP) {
        return errnoToRuntimeError(locked.error);
    }
    SystemResult cut = callSystem("ftruncate", [&] { return ::ftruncate(fd, 0); });
    return cut.failed() ? errnoToRuntimeError(cut.error) : 0;
}

}  // namespace

OutputFiles::OutputFiles() : table_(new Table) {}

OutputFiles::~OutputFiles() {
    for (const OpenFile& file : table_->files) closeQuietly(file.fd);
    delete table_;
}

void OutputFiles::openOutputFile(ErrorState& errors, int fileNumber, std::string_view name) {
    std::lock_guard lock(table_->mutex);
    std::string cutName(name.substr(0, maximumNameLength));
    if (isBadName(cutName)) return errors.raiseRuntimeError(64);
    if (fileNumber < 0) return errors.raiseRuntimeError(52);
    if (table_->find(fileNumber) != nullptr) return errors.raiseRuntimeError(55);

    std::list<OpenFile> record;
    try {
        record.emplace_back();
        record.front().name = cutName;
    } catch (const std::bad_alloc&) {
        return errors.raiseRuntimeError(7);
    }
    OpenFile& file = record.front();
    file.fileNumber = fileNumber;

    SystemResult opened = callSystem("open", [&] {
        return ::open(cutName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    });
    if (opened.failed()) return errors.raiseRuntimeError(openFailureCode(cutName, opened.error));
    file.fd = static_cast<int>(opened.value);

    struct stat info {};
    SystemResult status = callSystem("fstat", [&] { return ::fstat(file.fd, &info); });
    std::uint8_t failure = status.failed() ? errnoToRuntimeError(status.error) : 0;
    file.disk = failure == 0 && S_ISREG(info.st_mode);
    if (failure == 0 && file.disk) failure = lockAndEmpty(file.fd);
    if (failure != 0) {
        closeQuietly(file.fd);
        return errors.raiseRuntimeError(failure);
    }
    table_->files.splice(table_->files.begin(), record);
}

bool OutputFiles::isOpen(int fileNumber) const {
    std::lock_guard lock(table_->mutex);
    return table_->find(fileNumber) != nullptr;
}

std::uint64_t OutputFiles::filePosition(int fileNumber) const {
    std::lock_guard lock(table_->mutex);
    const OpenFile* file = table_->find(fileNumber);
    return file != nullptr ? file->position : 0;
}

}  // namespace corvel

namespace corvel {

namespace {

// Ends one file: a disk file keeps exactly what was written. The code of the
// first failure, 0 when all went well; the descriptor is closed either way.
std::uint8_t closeFile(const OpenFile& file) {
    std::uint8_t failure = 0;
    if (file.disk) {
        const auto end = static_cast<off_t>(file.position);
        SystemResult cut = callSystem("ftruncate", [&] { return ::ftruncate(file.fd, end); });
        if (cut.failed()) failure = errnoToRuntimeError(cut.error);
    }
    // The descriptor is gone after close() even when it reports EINTR.
    SystemResult closed = callSystem("close", [&] { return ::close(file.fd); });
    if (closed.failed() && failure == 0) failure = errnoToRuntimeError(closed.error);
    return failure;
}

}  // namespace

void OutputFiles::closeAllFiles(ErrorState& errors) {
    std::lock_guard lock(table_->mutex);
    std::uint8_t firstFailure = 0;
    while (!table_->files.empty()) {
        std::uint8_t failure = closeFile(table_->files.front());
        table_->files.pop_front();
        if (firstFailure == 0) firstFailure = failure;
    }
    if (firstFailure != 0) errors.raiseRuntimeError(firstFailure);
}

}  // namespace corvel
