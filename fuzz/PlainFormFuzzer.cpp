// The whole form in plain mode under arbitrary input bytes: split into lines
// as standard input is, control characters dropped as typed text drops
// them. The form must end by itself when the input ends; the file then
// holds the 2 header lines (given up or left) or all 19, the output only
// text and CR LF, every line within the reader's limit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/FormHarness.h"
#include "app/RunForm.h"
#include "console/LineReader.h"
#include "console/MemoryLines.h"

namespace {

using namespace corvel;

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "plain mode property broken: %s\n---\n%s\n", what, text.c_str());
    std::abort();
}

long lineCount(const std::string& text) {
    long count = 0;
    for (char c : text) count += c == '\n';
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    test::FormHarness harness;
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", harness.dir.path().c_str(), 1);  // no tone program: no child

    MemoryLines lines;
    std::size_t at = 0;
    LineReader reader([&](char* buffer, std::size_t room) {
        const std::size_t n = std::min(room, input.size() - at);
        input.copy(buffer, n, at);
        at += n;
        return n;
    });
    while (auto line = reader.readLine()) {
        if (line->size() > LineReader::lineLimit) fail("a line is longer than the limit", *line);
        lines.pushLine(withoutControlCharacters(*line));
    }
    lines.setEchoesInput(false);
    MemoryDevice unseen(80, 50);
    DeviceCommandOutput unseenOutput(unseen);
    CommandRunner runner(unseenOutput);
    const int exitCode = runPlain(lines, runner, "").exitCode;
    setenv("PATH", path.c_str(), 1);

    const std::string file = harness.file();
    if (exitCode != 0 && exitCode != 1) fail("an exit code other than 0 or 1", file);
    const long fileLines = lineCount(file);
    if (fileLines != 2 && fileLines != 19) fail("the file has neither 2 nor 19 lines", file);
    if (exitCode == 1 && (fileLines != 2 || lines.errors().find("the input ended") == std::string::npos))
        fail("a give-up without its header-only file and its line", file + lines.errors());
    for (char c : lines.output()) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 32 && b != '\r' && b != '\n') || b == 127) fail("a control byte in the output", lines.output());
    }
    return 0;
}
