// The output file service: an open-file table (newest first) guarded by a
// lock, every handle operation through the platform's file handles, nothing
// buffered.
#include "runtime/OutputFile.h"

#include <new>
#include <string>

#include "runtime/ErrorState.h"
#include "runtime/FileHandle.h"
#include "runtime/OutputBackup.h"
#include "runtime/OutputFileTable.h"

namespace corvel {

namespace {

constexpr std::size_t maximumNameLength = 255;

bool isBadName(const std::string& name) {
    return name.empty() || name.find_first_of(std::string_view("*?\0", 3)) != std::string::npos;
}

// Keeps what the backup rule keeps, then empties the file: cut to nothing,
// or, for a file with other names, a new file in its place.
std::uint8_t emptyKeeping(OwnedFile& file, const std::string& name, const BackupRule* backup,
                          bool& backupFailed) {
    if (backup != nullptr) {
        backupFailed = true;  // stays so when the backup throws
        if (std::uint8_t failure = keepEarlierContent(file.handle, *backup)) return failure;
        backupFailed = false;
    }
    std::uint32_t links = 1;
    if (std::uint8_t failure = countLinks(file.handle, links)) return failure;
    if (links > 1) return replaceWithNewFile(name, file.handle);
    return truncateFileHandle(file.handle, 0);
}

}  // namespace

OutputFiles::OutputFiles() : table_(new Table) {}

OutputFiles::~OutputFiles() {
    for (const OpenFile& file : table_->files) closeFileHandle(file.handle);
    delete table_;
}

void OutputFiles::openOutputFile(ErrorState& errors, int fileNumber, std::string_view name,
                                 const BackupRule* backup) {
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

    backupFailed_ = false;
    OwnedFile opened;
    if (std::uint8_t failure = openFileForOutput(cutName, opened.handle)) return errors.raiseRuntimeError(failure);
    // A file on disk is emptied, once what is to be kept of it is kept; a
    // device is written as it is.
    if (opened.handle.disk) {
        std::uint8_t failure = emptyKeeping(opened, cutName, backup, backupFailed_);
        if (failure != 0) return errors.raiseRuntimeError(failure);
    }
    file.handle = opened.release();
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

namespace {

// Ends one file: a disk file keeps exactly what was written. The code of the
// first failure, 0 when all went well; the handle is released either way.
std::uint8_t closeFile(const OpenFile& file) {
    std::uint8_t failure = file.handle.disk ? truncateFileHandle(file.handle, file.position) : 0;
    const std::uint8_t closed = closeFileHandle(file.handle);
    return failure != 0 ? failure : closed;
}

}  // namespace

void OutputFiles::flushFile(ErrorState& errors, int fileNumber) {
    std::lock_guard lock(table_->mutex);
    const OpenFile* file = table_->find(fileNumber);
    if (file == nullptr) return errors.raiseRuntimeError(52);
    if (std::uint8_t failure = syncFileHandle(file->handle)) errors.raiseRuntimeError(failure);
}

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
