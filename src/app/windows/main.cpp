// Program entry point in a Windows console: takes the command tail from the
// process command line, prepares the console, runs the form with the real
// command interpreter for its commands, and puts the console back. Plain
// mode (asked for, or answers from a redirected standard input) runs the
// form as lines on the standard handles instead.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/RunForm.h"
#include "console/ConsoleSession.h"
#include "console/windows/ConsoleLines.h"
#include "console/windows/ConsoleText.h"
#include "console/windows/ConsoleWindowDevice.h"
#include "runtime/RuntimeError.h"
#include "runtime/windows/ProcessCommands.h"

namespace {

// No console to read keys from.
constexpr int noConsoleExitCode = 2;

// Answers that come from a file or pipe get the form as lines of text.
bool inputRedirected() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode)) return false;
    const DWORD type = GetFileType(input);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Plain mode: the console's modes and size untouched; the tone program
// still runs in it.
int runPlainMode(const std::string& tail) {
    using namespace corvel;
    windows::ConsoleLines lines;
    windows::ProcessCommands commands(lines, nullptr, nullptr);
    const FormOutcome outcome = runPlain(lines, commands, tail);
    if (!outcome.applicationWritten) reportUnwritten(outcome);
    return outcome.exitCode;
}

}  // namespace

int main() {
    using namespace corvel;
    // The command line in the console's code page, as typed keys arrive: the
    // system's own code page for programs is another one.
    std::string tail = commandTailFromCommandLine(windows::consoleTextFromWide(GetCommandLineW()));
    const bool plainAsked = takePlainRequest(tail);
    switch (commandRequest(tail)) {
    case CommandRequest::help: return printUsage();
    case CommandRequest::version: return printVersion();
    case CommandRequest::usageError: return reportUsageError(tail);
    case CommandRequest::runForm: break;
    }
    if (plainAsked || inputRedirected()) return runPlainMode(tail);

    std::string error;
    auto device = windows::ConsoleWindowDevice::open(error);
    if (!device) {
        std::fprintf(stderr, "corvel: %s\n", error.c_str());
        return noConsoleExitCode;
    }
    setFatalExitHook(windows::restoreOpenConsole);

    windows::ProcessCommands commands(*device, device->screenHandle(), device->keyboardHandle());
    const FormOutcome outcome = runForm(*device, commands, tail);
    device->restore();
    if (!outcome.applicationWritten) reportUnwritten(outcome);
    if (outcome.endRequest != 0) {
        // The file is closed: the control handler may let the system end
        // the process, as a closed console ends it.
        windows::endRequestAnswered();
        ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    }
    return outcome.exitCode;
}
