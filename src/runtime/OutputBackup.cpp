// The backup of an output file's earlier content: count its lines, copy it
// to a temporary file, put that on the medium and rename it over the backup.
#include "runtime/OutputBackup.h"

#include <string>

namespace corvel {

namespace {

constexpr std::size_t chunkSize = 16384;

// Whether the file holds more than lines lines: a byte follows the line end
// that ends line number `lines`. Reads no further than it needs to.
std::uint8_t holdsMoreLinesThan(const FileHandle& file, int lines, bool& more) {
    char chunk[chunkSize];
    int lineEnds = 0;
    std::uint64_t position = 0;
    for (;;) {
        const ReadOutcome got = readFileHandle(file, position, chunk, sizeof chunk);
        if (got.failure != 0 || got.read == 0) return got.failure;
        for (std::size_t i = 0; i < got.read; ++i) {
            if (lineEnds >= lines) {
                more = true;
                return 0;
            }
            if (chunk[i] == '\n') ++lineEnds;
        }
        position += got.read;
    }
}

// Copies the whole content of from into to.
std::uint8_t copyContent(const FileHandle& from, const FileHandle& to) {
    char chunk[chunkSize];
    std::uint64_t position = 0;
    for (;;) {
        const ReadOutcome got = readFileHandle(from, position, chunk, sizeof chunk);
        if (got.failure != 0 || got.read == 0) return got.failure;
        if (std::uint8_t failure = writeFileHandle(to, chunk, got.read).failure) return failure;
        position += got.read;
    }
}

// Writes the content of file as temporary, complete and on the medium; a
// copy that failed is removed again.
std::uint8_t writeTemporaryCopy(const FileHandle& file, const std::string& temporary) {
    FileHandle copy;
    if (std::uint8_t failure = createNewFile(temporary, file, copy)) return failure;
    std::uint8_t failure = copyContent(file, copy);
    if (failure == 0) failure = syncFileHandle(copy);
    const std::uint8_t closed = closeFileHandle(copy);
    if (failure == 0) failure = closed;
    if (failure != 0) removeFile(temporary);
    return failure;
}

}  // namespace

std::uint8_t keepEarlierContent(const FileHandle& file, const BackupRule& rule) {
    bool more = false;
    if (std::uint8_t failure = holdsMoreLinesThan(file, rule.moreLinesThan, more); failure != 0 || !more) {
        return failure;
    }
    const std::string backupName(rule.backupName);
    const std::string temporary = backupName + ".tmp";
    // A temporary copy left behind by a crash goes first. The copy is then
    // created anew and fails if anything took the name meanwhile, so it
    // never writes through a link planted there.
    if (std::uint8_t failure = removeFile(temporary)) return failure;
    if (std::uint8_t failure = writeTemporaryCopy(file, temporary)) return failure;
    const std::uint8_t failure = renameFile(temporary, backupName);
    if (failure != 0) removeFile(temporary);
    return failure;
}

}  // namespace corvel
