// The open-file table behind OutputFiles: one record per open file number,
// newest first, guarded by one lock.
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <string>

#include "runtime/FileHandle.h"
#include "runtime/OutputFile.h"

namespace corvel {

struct OpenFile {
    int fileNumber = 0;
    FileHandle handle;           // handle.disk: a file on disk, else a device
    std::uint64_t position = 0;  // bytes written so far (disk files)
    std::uint64_t column = 0;    // bytes written since the last line end
    std::string name;
};

struct OutputFiles::Table {
    mutable std::mutex mutex;
    std::list<OpenFile> files;  // newest first

    OpenFile* find(int fileNumber) {
        for (OpenFile& file : files) {
            if (file.fileNumber == fileNumber) return &file;
        }
        return nullptr;
    }
    const OpenFile* find(int fileNumber) const {
        return const_cast<Table*>(this)->find(fileNumber);
    }
};

}  // namespace corvel
