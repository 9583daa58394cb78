// Running a command line with CreateProcessA: no application name (the
// interpreter is found from the line), no new console, the form's
// environment and directory; only a failed start is an error.
#include "runtime/windows/ProcessCommands.h"

#include <windows.h>

#include <string>

#include "runtime/ErrorState.h"
#include "runtime/SystemCall.h"
#include "runtime/windows/OwnedHandle.h"

namespace corvel::windows {

namespace {

// Only this much of a command line is used; the rest is cut without notice.
constexpr std::size_t commandLimit = 256;

}  // namespace

std::uint32_t ProcessCommands::runCommand(ErrorState& errors, std::string_view commandText,
                                          std::uint16_t showStyleAndWait, bool inheritHandles) {
    std::string commandLine(commandText.substr(0, commandLimit));  // NUL-ended by the string
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showStyleAndWait & 0x7FFF);
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = inheritHandles ? TRUE : FALSE;
    PROCESS_INFORMATION process{};

    ConsoleSharedWithChild shared(console_);
    SystemResult started = callSystem("CreateProcessA", [&] {
        return CreateProcessA(nullptr, commandLine.data(), &security, &security, inheritHandles ? TRUE : FALSE,
                              NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)
                   ? 1LL : -1LL;
    });
    if (started.failed()) {
        errors.raiseRuntimeError(failureCode(started));
        return 0;
    }
    const OwnedHandle processHandle(process.hProcess);
    const OwnedHandle threadHandle(process.hThread);
    std::uint32_t result = process.dwProcessId;
    if ((showStyleAndWait & waitForCompletion) != 0) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        result = exitCode;
    }
    return result;
}

}  // namespace corvel::windows
