// Writing to an open output file: one platform write per item (continued
// after a short write or an interruption), CR LF line ends, and cutting a
// disk file back to an earlier position.
#include "runtime/ErrorState.h"
#include "runtime/FileHandle.h"
#include "runtime/OutputFile.h"
#include "runtime/OutputFileTable.h"

namespace corvel {

namespace {

// Writes all of bytes; the code of the failure, 0 when everything was
// written. What was written before a failure stays counted.
std::uint8_t writeAll(OpenFile& file, std::string_view bytes) {
    const WriteOutcome outcome = writeFileHandle(file.handle, bytes.data(), bytes.size());
    if (file.handle.disk) file.position += outcome.written;
    file.column += outcome.written;
    return outcome.failure;
}

}  // namespace

void OutputFiles::writeFileText(ErrorState& errors, int fileNumber, std::string_view text) {
    std::lock_guard lock(table_->mutex);
    OpenFile* file = table_->find(fileNumber);
    if (file == nullptr) return errors.raiseRuntimeError(52);
    if (text.empty()) return;
    if (std::uint8_t failure = writeAll(*file, text)) errors.raiseRuntimeError(failure);
}

void OutputFiles::endFileLine(ErrorState& errors, int fileNumber) {
    std::lock_guard lock(table_->mutex);
    OpenFile* file = table_->find(fileNumber);
    if (file == nullptr) return errors.raiseRuntimeError(52);
    if (std::uint8_t failure = writeAll(*file, "\r\n")) return errors.raiseRuntimeError(failure);
    file->column = 0;
}

void OutputFiles::cutFileTo(ErrorState& errors, int fileNumber, std::uint64_t position) {
    std::lock_guard lock(table_->mutex);
    OpenFile* file = table_->find(fileNumber);
    if (file == nullptr) return errors.raiseRuntimeError(52);
    // What went to a device cannot be taken back; its position stays 0.
    if (!file->handle.disk) return;
    // Cutting never lengthens the file with bytes nobody wrote.
    if (position > file->position) return errors.raiseRuntimeError(5);
    if (std::uint8_t failure = truncateFileHandle(file->handle, position)) return errors.raiseRuntimeError(failure);
    if (std::uint8_t failure = seekFileHandle(file->handle, position)) return errors.raiseRuntimeError(failure);
    file->position = position;
    file->column = 0;
}

}  // namespace corvel
