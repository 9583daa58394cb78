// Child programs for the command runner's stand-in on Windows: a program
// found with SearchPathA, started with CreateProcessA, its output and
// errors read through a pipe and handed to the sink, then waited for.
#include "runtime/ChildProcess.h"

#include <windows.h>

#include "runtime/SystemCall.h"
#include "runtime/windows/BoolResult.h"
#include "runtime/windows/OwnedHandle.h"

namespace corvel {

namespace {

// Arguments joined into one command line, each with blanks in quotes.
std::string joinArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        const bool quote = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
        line += quote ? "\"" + argument + "\"" : argument;
    }
    return line;
}

void readAll(HANDLE from, const OutputSink& sink) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(from, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        if (sink) sink(std::string_view(buffer, got));
    }
}

}  // namespace

InterruptsIgnored::InterruptsIgnored() = default;
InterruptsIgnored::~InterruptsIgnored() = default;

std::optional<std::string> findProgram(std::string_view name) {
    const std::string wanted(name);
    char found[MAX_PATH] = {};
    SystemResult searched = callSystem("SearchPathA", [&]() -> long long {
        const DWORD length = SearchPathA(nullptr, wanted.c_str(), ".exe", MAX_PATH, found, nullptr);
        return length == 0 || length >= MAX_PATH ? -1LL : static_cast<long long>(length);
    });
    if (searched.failed()) return std::nullopt;
    return std::string(found);
}

namespace {

// The child's process handle, waited on when its owner ends, after the
// read end of its output is closed (a child still writing then ends):
// memory running out while the output is passed on leaves no child
// unwaited.
class WaitedProcess {
public:
    WaitedProcess(HANDLE process, OwnedHandle& output) : process_(process), output_(output) {}
    ~WaitedProcess() {
        output_.close();
        WaitForSingleObject(process_.get(), INFINITE);
    }
    WaitedProcess(const WaitedProcess&) = delete;
    WaitedProcess& operator=(const WaitedProcess&) = delete;
    HANDLE get() const { return process_.get(); }

private:
    OwnedHandle process_;
    OwnedHandle& output_;
};

}  // namespace

// Every handle is owned from the moment it exists.
ChildOutcome runChild(const std::string& path, const std::vector<std::string>& arguments,
                      bool wait, const OutputSink& sink) {
    ChildOutcome outcome;
    std::string commandLine = joinArguments(arguments);
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    OwnedHandle readEnd;
    OwnedHandle writeEnd;
    SystemResult piped = callSystem("CreatePipe", [&] {
        return boolResult(CreatePipe(readEnd.receive(), writeEnd.receive(), &inheritable, 0));
    });
    if (piped.failed()) {
        outcome.error = piped.error;
        return outcome;
    }
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION process{};
    SystemResult started = callSystem("CreateProcessA", [&] {
        return boolResult(CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                         NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process));
    });
    writeEnd.close();
    if (started.failed()) {
        outcome.error = started.error;
        return outcome;
    }
    const OwnedHandle thread(process.hThread);
    outcome.started = true;
    outcome.pid = process.dwProcessId;
    if (!wait) {
        const OwnedHandle leftRunning(process.hProcess);
        return outcome;
    }
    const WaitedProcess child(process.hProcess, readEnd);
    readAll(readEnd.get(), sink);
    readEnd.close();
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.get(), &exitCode);
    outcome.exitCode = static_cast<int>(exitCode);
    return outcome;
}

}  // namespace corvel
