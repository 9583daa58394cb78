// The text output file service: numbered files opened for output, written
// item by item with CR LF line ends, unbuffered, closed all at once.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

class ErrorState;

// Where an open keeps a file's earlier content before emptying it: any
// content but nothing or exactly a header (one line ending in CR LF, then an
// empty CR LF line) is copied to backupName first.
struct BackupRule {
    std::string_view backupName;
};

class OutputFiles {
public:
    OutputFiles();
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // With a backup rule, a disk file's earlier content it names is kept
    // before the file is emptied; when that fails the file is left as it
    // was, not opened, the failure raised and backupFailed() true. A disk
    // file with more than one name is never emptied through: a new file
    // takes its place under name.
    void openOutputFile(ErrorState& errors, int fileNumber, std::string_view name,
                        const BackupRule* backup = nullptr);
    // Whether the last open failed (or ran out of memory) while keeping
    // the earlier content.
    bool backupFailed() const { return backupFailed_; }
    void writeFileText(ErrorState& errors, int fileNumber, std::string_view text);
    void endFileLine(ErrorState& errors, int fileNumber);
    // Puts what was written to an open disk file on the medium (52 when
    // not open; a device is left as it is).
    void flushFile(ErrorState& errors, int fileNumber);
    void closeAllFiles(ErrorState& errors);

    bool isOpen(int fileNumber) const;
    // Bytes written so far to a disk file (0 when not open).
    std::uint64_t filePosition(int fileNumber) const;
    // Cuts an open disk file back to position and continues writing there
    // (52 when not open, 5 for a position past what was written; a device
    // is left as it is).
    void cutFileTo(ErrorState& errors, int fileNumber, std::uint64_t position);

private:
    struct Table;
    Table* table_;
    bool backupFailed_ = false;
};

}  // namespace corvel
