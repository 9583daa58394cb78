// Child processes for the command runner: finding a program on PATH, and
// running one in the same terminal with its output read through a pipe.
#pragma once

#include <cstdint>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// The path of an executable file for name: looked up on PATH as given (a
// name with a slash is taken as a path), then without a ".exe" suffix in
// any case. Nothing when neither is found.
std::optional<std::string> findProgram(std::string_view name);

struct ChildOutcome {
    bool started = false;
    int error = 0;     // errno of a failed start
    int exitCode = 0;  // when waited for; 128 + signal for a killed child
    std::int64_t pid = 0;  // the process id
};

using OutputSink = std::function<void(std::string_view)>;

// While one lives, this program ignores the signals of the terminal's
// interrupt keys (SIGINT and SIGQUIT), as a shell does while it waits for a
// child; a child started meanwhile gets them as they were before. Nothing
// on Windows, where Ctrl+C reaches the program as a key.
class InterruptsIgnored {
public:
    InterruptsIgnored();
    ~InterruptsIgnored();
    InterruptsIgnored(const InterruptsIgnored&) = delete;
    InterruptsIgnored& operator=(const InterruptsIgnored&) = delete;
};

// Runs the program at path with arguments (arguments[0] is its own name).
// Its standard input is the terminal (or the inherited one), its output
// and errors go to sink; when wait is false the output is discarded and
// the child is left running. An exception (memory running out in the sink)
// leaves no descriptor open and the child waited for.
ChildOutcome runChild(const std::string& path, const std::vector<std::string>& arguments,
                      bool wait, const OutputSink& sink);

}  // namespace corvel
