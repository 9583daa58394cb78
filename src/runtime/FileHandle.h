// The platform's file handles under the output file service: open a file
// for output (created when missing, held by this process alone, never
// through a symbolic link), read it back, write, cut, flush to the medium,
// close; create, rename and remove the files a backup needs. Every call goes
// through the system-call gateway; a failure comes back as the run-time
// error code it maps to (0: it worked).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvel {

struct FileHandle {
    std::intptr_t value = -1;  // the platform's descriptor or handle
    bool disk = false;         // a file on disk; anything else is a device
};

// Opens name for reading and writing, creating it when missing, without
// emptying it, and so that no other process can open it meanwhile (where
// the platform can refuse that). A symbolic link as name is refused with 75
// and its target left alone. On failure nothing stays open.
std::uint8_t openFileForOutput(const std::string& name, FileHandle& file);

// Creates name as a new disk file for writing, with access no wider than
// like's; fails (nothing created) when anything of that name exists, a
// symbolic link included, which is never followed.
std::uint8_t createNewFile(const std::string& name, const FileHandle& like, FileHandle& file);

struct WriteOutcome {
    std::size_t written = 0;
    std::uint8_t failure = 0;
};
// Writes all of size bytes, going on after short writes and interruptions;
// a write that makes no progress fails with 61 on a disk, 57 on a device.
WriteOutcome writeFileHandle(const FileHandle& file, const char* data, std::size_t size);

struct ReadOutcome {
    std::size_t read = 0;  // 0 without failure: position is at or past the end
    std::uint8_t failure = 0;
};
// Reads up to size bytes of a disk file from position, whatever the write
// position; a short read is no failure.
ReadOutcome readFileHandle(const FileHandle& file, std::uint64_t position, char* data, std::size_t size);

// Sets the end of a disk file at position (bytes after it are dropped).
std::uint8_t truncateFileHandle(const FileHandle& file, std::uint64_t position);
// Moves the write position of a disk file.
std::uint8_t seekFileHandle(const FileHandle& file, std::uint64_t position);
// Puts the data written to a disk file on the medium, so that it survives
// a crash; a device is left as it is.
std::uint8_t syncFileHandle(const FileHandle& file);
// Releases the handle; it is gone even when the close reports an error.
std::uint8_t closeFileHandle(const FileHandle& file);

// How many names (hard links) the open disk file has.
std::uint8_t countLinks(const FileHandle& file, std::uint32_t& links);

// Renames from to to in one step, replacing an existing to; a symbolic link
// named to is replaced itself, its target left alone. Where the platform
// needs it, the directory is put on the medium too, so that a crash cannot
// keep what came after the rename and lose the rename.
std::uint8_t renameFile(const std::string& from, const std::string& to);
// Removes name (a symbolic link itself, never its target); a name that does
// not exist is no failure.
std::uint8_t removeFile(const std::string& name);

// For the unwinding of a failed step: release the handle, remove a name,
// straight through to the platform (no planted fault, no exception, the
// outcome not asked for).
void releaseFileHandle(const FileHandle& file) noexcept;
void discardFile(const std::string& name) noexcept;

// A handle that is given back when its owner goes, on every path.
class OwnedFile {
public:
    OwnedFile() = default;
    ~OwnedFile() {
        if (handle.value != -1) releaseFileHandle(handle);
    }
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;

    // Closes now and reports how (see closeFileHandle); should the close
    // throw, the handle is still owned.
    std::uint8_t close() {
        const std::uint8_t closed = closeFileHandle(handle);
        handle.value = -1;
        return closed;
    }
    // Hands the handle on; the owner holds nothing after.
    FileHandle release() {
        FileHandle out = handle;
        handle.value = -1;
        return out;
    }

    FileHandle handle;
};

// Whether another program holds name open so that openFileForOutput is
// refused (its lock, its sharing mode), for telling the user why.
bool heldByAnotherProgram(const std::string& name);

}  // namespace corvel
