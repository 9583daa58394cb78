// Writing to an open output file: one write() per item (continued after a
// short write or an interruption), CR LF line ends, and cutting a disk file
// back to an earlier position.
#include <sys/types.h>
#include <unistd.h>

#include "runtime/ErrorState.h"
#include "runtime/OutputFile.h"
#include "runtime/OutputFileTable.h"
#include "runtime/RuntimeError.h"
#include "runtime/SystemCall.h"

namespace corvel {

namespace {

// Writes all of bytes; the code of the failure, 0 when everything was
// written. What was written before a failure stays counted.
std::uint8_t writeAll(OpenFile& file, std::string_view bytes) {
    std::size_t done = 0;
    std::uint8_t failure = 0;
    while (done < bytes.size() && failure == 0) {
        SystemResult result = systemWrite(file.fd, bytes.data() + done, bytes.size() - done);
        if (result.failed()) {
            if (result.error != EINTR) failure = errnoToRuntimeError(result.error);
        } else if (result.value == 0) {
            failure = file.disk ? 61 : 57;  // no progress: the medium is full
        } else {
            done += static_cast<std::size_t>(result.value);
        }
    }
    if (file.disk) file.position += done;
    file.column += done;
    return failure;
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
    if (!file->disk) return;
    // Cutting never lengthens the file with bytes nobody wrote.
    if (position > file->position) return errors.raiseRuntimeError(5);
    const auto offset = static_cast<off_t>(position);
    SystemResult cut = callSystem("ftruncate", [&] { return ::ftruncate(file->fd, offset); });
    if (cut.failed()) return errors.raiseRuntimeError(errnoToRuntimeError(cut.error));
    SystemResult moved = callSystem("lseek", [&] { return ::lseek(file->fd, offset, SEEK_SET); });
    if (moved.failed()) return errors.raiseRuntimeError(errnoToRuntimeError(moved.error));
    file->position = position;
    file->column = 0;
}

}  // namespace corvel
