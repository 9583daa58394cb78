// Program entry point in a Windows console: takes the command tail from the
// process command line, prepares the console, runs the form with the real
// command interpreter for its commands, and puts the console back.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/RunForm.h"
#include "console/ConsoleSession.h"
#include "console/windows/ConsoleText.h"
#include "console/windows/ConsoleWindowDevice.h"
#include "runtime/RuntimeError.h"
#include "runtime/windows/ProcessCommands.h"

namespace {

// No console to read keys from.
constexpr int noConsoleExitCode = 2;

}  // namespace

int main() {
    using namespace corvel;
    // The command line in the console's code page, as typed keys arrive: the
    // system's own code page for programs is another one.
    const std::string tail = commandTailFromCommandLine(windows::consoleTextFromWide(GetCommandLineW()));
    switch (commandRequest(tail)) {
    case CommandRequest::help: return printUsage();
    case CommandRequest::version: return printVersion();
    case CommandRequest::usageError: return reportUsageError(tail);
    case CommandRequest::runForm: break;
    }

    std::string error;
    auto device = windows::ConsoleWindowDevice::open(error);
    if (!device) {
        std::fprintf(stderr, "corvel: %s\n", error.c_str());
        return noConsoleExitCode;
    }
    setFatalExitHook(windows::restoreOpenConsole);

    windows::ProcessCommands commands(*device);
    const FormOutcome outcome = runForm(*device, commands, tail);
    device->restore();
    if (!outcome.applicationWritten) reportUnwritten(outcome);
    return outcome.exitCode;
}
