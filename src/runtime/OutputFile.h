// The text output file service: numbered files opened for output, written
// item by item with CR LF line ends, unbuffered, closed all at once.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

class ErrorState;

class OutputFiles {
public:
    OutputFiles();
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    void openOutputFile(ErrorState& errors, int fileNumber, std::string_view name);
    void writeFileText(ErrorState& errors, int fileNumber, std::string_view text);
    void endFileLine(ErrorState& errors, int fileNumber);
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
};

}  // namespace corvel
