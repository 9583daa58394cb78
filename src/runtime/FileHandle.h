// The platform's file handles under the output file service: open a file
// for output (created when missing, held by this process alone), write,
// cut and close. Every call goes through the system-call gateway; a failure
// comes back as the run-time error code it maps to (0: it worked).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvel {

struct FileHandle {
    std::intptr_t value = -1;  // the platform's descriptor or handle
    bool disk = false;         // a file on disk; anything else is a device
};

// Opens name for writing, creating it when missing, without emptying it,
// and so that no other process can open it meanwhile (where the platform
// can refuse that). On failure nothing stays open.
std::uint8_t openFileForOutput(const std::string& name, FileHandle& file);

struct WriteOutcome {
    std::size_t written = 0;
    std::uint8_t failure = 0;
};
// Writes all of size bytes, going on after short writes and interruptions;
// a write that makes no progress fails with 61 on a disk, 57 on a device.
WriteOutcome writeFileHandle(const FileHandle& file, const char* data, std::size_t size);

// Sets the end of a disk file at position (bytes after it are dropped).
std::uint8_t truncateFileHandle(const FileHandle& file, std::uint64_t position);
// Moves the write position of a disk file.
std::uint8_t seekFileHandle(const FileHandle& file, std::uint64_t position);
// Releases the handle; it is gone even when the close reports an error.
std::uint8_t closeFileHandle(const FileHandle& file);

}  // namespace corvel
