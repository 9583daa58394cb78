// Keeping an output file's earlier content under a backup name before the
// file is emptied: written under a temporary name and renamed, so that a
// crash leaves either the older backup or the new one, never half of one.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/FileHandle.h"
#include "runtime/OutputFile.h"

namespace corvel {

// Copies the content of the open disk file to rule.backupName unless it is
// empty or exactly a header (see BackupRule); the file itself is not
// changed. The code of a failure (nothing half-written stays behind, on any
// path, an exception's too), 0 when the content was kept or was not worth
// keeping.
std::uint8_t keepEarlierContent(const FileHandle& file, const BackupRule& rule);

// Puts a new, empty file under name in place of the open file, which keeps
// its content under its other names (a hard link is never emptied through):
// file is closed and becomes the new file's handle. On failure file is
// closed and nothing stays open.
std::uint8_t replaceWithNewFile(const std::string& name, FileHandle& file);

}  // namespace corvel
