// The backup of an output file's earlier content: judge it by its bytes,
// copy it to a temporary file, put that on the medium and rename it over the
// backup; and a new file put in place of one with more than one name.
#include "runtime/OutputBackup.h"

#include <string_view>

namespace corvel {

namespace {

constexpr std::size_t chunkSize = 16384;

// What ends a header: its line's CR LF and the empty line after it.
constexpr std::string_view headerEnd = "\r\n\r\n";

// Whether the file holds anything but nothing or exactly a header: one line
// of text ending in CR LF, then an empty CR LF line. CR-only line ends, one
// long line, or any byte after the header are more. Reads no further than
// it needs to.
std::uint8_t holdsMoreThanAHeader(const FileHandle& file, bool& more) {
    char chunk[chunkSize];
    std::uint64_t position = 0;
    std::size_t ended = 0;  // bytes of headerEnd seen after the line's text
    for (;;) {
        const ReadOutcome got = readFileHandle(file, position, chunk, sizeof chunk);
        if (got.failure != 0) return got.failure;
        if (got.read == 0) {
            more = position != 0 && ended != headerEnd.size();
            return 0;
        }
        for (std::size_t i = 0; i < got.read; ++i) {
            const char byte = chunk[i];
            if (ended == 0 && byte != '\r' && byte != '\n') continue;  // the line's text
            if (ended == headerEnd.size() || byte != headerEnd[ended] || position + i == 0) {
                more = true;
                return 0;
            }
            ++ended;
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

// A file created under a temporary name: closed and removed again when its
// owner goes, unless it was renamed to its real name first.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string name) : name_(std::move(name)) {}
    ~TemporaryFile() {
        if (!created_ || renamed_) return;
        if (file_.handle.value != -1) releaseFileHandle(file_.release());  // closed before removed
        discardFile(name_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // A copy left behind by a crash goes first. The file is then created
    // anew and fails if anything took the name meanwhile, so it never
    // writes through a link planted there.
    std::uint8_t create(const FileHandle& like) {
        if (std::uint8_t failure = removeFile(name_)) return failure;
        FileHandle created;
        if (std::uint8_t failure = createNewFile(name_, like, created)) return failure;
        file_.handle = created;
        created_ = true;
        return 0;
    }
    const FileHandle& handle() const { return file_.handle; }
    // On the medium, closed, and renamed to name.
    std::uint8_t finishAs(const std::string& name) {
        std::uint8_t failure = syncFileHandle(file_.handle);
        const std::uint8_t closed = file_.close();
        if (failure == 0) failure = closed;
        if (failure == 0) failure = renameFile(name_, name);
        renamed_ = failure == 0;
        return failure;
    }

private:
    std::string name_;
    OwnedFile file_;
    bool created_ = false;
    bool renamed_ = false;
};

}  // namespace

std::uint8_t keepEarlierContent(const FileHandle& file, const BackupRule& rule) {
    bool more = false;
    if (std::uint8_t failure = holdsMoreThanAHeader(file, more); failure != 0 || !more) {
        return failure;
    }
    const std::string backupName(rule.backupName);
    TemporaryFile copy(backupName + ".tmp");
    if (std::uint8_t failure = copy.create(file)) return failure;
    if (std::uint8_t failure = copyContent(file, copy.handle())) return failure;
    return copy.finishAs(backupName);
}

// The new file is complete under its temporary name before the old one is
// let go; the old one is closed before the rename, which some platforms
// refuse over an open file. Opened again by its name, it is held as any
// output file is; another opener in the moment between makes that fail.
std::uint8_t replaceWithNewFile(const std::string& name, FileHandle& file) {
    OwnedFile old;
    old.handle = file;
    file.value = -1;
    TemporaryFile fresh(name + ".tmp");
    if (std::uint8_t failure = fresh.create(old.handle)) return failure;
    if (std::uint8_t failure = old.close()) return failure;
    if (std::uint8_t failure = fresh.finishAs(name)) return failure;
    return openFileForOutput(name, file);
}

}  // namespace corvel
