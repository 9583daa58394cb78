// Keeping an output file's earlier content under a backup name before the
// file is emptied: written under a temporary name and renamed, so that a
// crash leaves either the older backup or the new one, never half of one.
#pragma once

#include <cstdint>

#include "runtime/FileHandle.h"
#include "runtime/OutputFile.h"

namespace corvel {

// Copies the content of the open disk file to rule.backupName when it holds
// more than rule.moreLinesThan lines; the file itself is not changed. The
// code of a failure (nothing half-written stays behind), 0 when the content
// was kept or was not worth keeping.
std::uint8_t keepEarlierContent(const FileHandle& file, const BackupRule& rule);

}  // namespace corvel
