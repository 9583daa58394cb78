// Child programs for the command runner's stand-in on Windows: a program
// found with SearchPathA, started with CreateProcessA, its output and
// errors read through a pipe and handed to the sink, then waited for.
#include "runtime/ChildProcess.h"

#include <windows.h>

#include "runtime/SystemCall.h"
#include "runtime/windows/BoolResult.h"

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

ChildOutcome runChild(const std::string& path, const std::vector<std::string>& arguments,
                      bool wait, const OutputSink& sink) {
    ChildOutcome outcome;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    SystemResult piped = callSystem("CreatePipe", [&] { return boolResult(CreatePipe(&readEnd, &writeEnd, &inheritable, 0)); });
    if (piped.failed()) {
        outcome.error = piped.error;
        return outcome;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::string commandLine = joinArguments(arguments);
    SystemResult started = callSystem("CreateProcessA", [&] {
        return boolResult(CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                         NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process));
    });
    CloseHandle(writeEnd);
    if (started.failed()) {
        CloseHandle(readEnd);
        outcome.error = started.error;
        return outcome;
    }
    outcome.started = true;
    outcome.pid = process.dwProcessId;
    if (wait) {
        readAll(readEnd, sink);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        outcome.exitCode = static_cast<int>(exitCode);
    }
    CloseHandle(readEnd);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return outcome;
}

}  // namespace corvel
