// Measures the run-time services: unbuffered item writes to the output
// file, processed stream output into a console grid, and the round trip
// of a child command.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/DeviceCommandOutput.h"
#include "console/MemoryDevice.h"
#include "console/StreamOutput.h"
#include "runtime/CommandRunner.h"
#include "runtime/ErrorState.h"
#include "runtime/OutputFile.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Work>
double microsecondsPer(int count, Work work) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) work();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

}  // namespace

int main() {
    using namespace corvel;
    const std::string path = (std::filesystem::temp_directory_path() / "corvel-bench.txt").string();
    ErrorState errors;
    OutputFiles files;
    files.openOutputFile(errors, 1, path);
    const double item = microsecondsPer(20000, [&] { files.writeFileText(errors, 1, "Sysop name: Ann"); });
    const double line = microsecondsPer(20000, [&] { files.endFileLine(errors, 1); });
    files.closeAllFiles(errors);
    std::filesystem::remove(path);
    std::printf("file item write: %.2f us, line end: %.2f us\n", item, line);

    MemoryDevice device(80, 50);
    StreamOutput stream(device);
    const std::string text = "a line of child output\twith a tab\r\n";
    const double streamed = microsecondsPer(20000, [&] { stream.write(text); });
    std::printf("stream output of %zu bytes: %.2f us\n", text.size(), streamed);

    DeviceCommandOutput commandOutput(device);
    CommandRunner runner(commandOutput);
    const double child = microsecondsPer(50, [&] { runner.runCommand(errors, "cmd /c true", 0x8001, false); });
    const double shell = microsecondsPer(50, [&] { runner.runCommand(errors, "exit 0", 0x8001, false); });
    std::printf("cmd /c true: %.0f us, shell line: %.0f us, errors: %d\n", child, shell,
                errors.currentErrorCode());
    return 0;
}
