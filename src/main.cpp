// Program entry point: takes the command tail, opens the terminal, runs the
// form and puts the terminal back.
#include <cstdio>
#include <string>

#include "app/Form.h"
#include "console/ConsoleSession.h"
#include "console/posix/TerminalDevice.h"
#include "console/posix/TerminalRestore.h"
#include "runtime/CommandRunner.h"
#include "runtime/OutputFile.h"
#include "runtime/RuntimeError.h"

namespace {

constexpr int noTerminalExitCode = 2;

void printUsage() {
    std::puts(
        "usage: corvel [network name]\n"
        "Fills in an application to join a network (FIDONet unless another name is\n"
        "given) and writes it to MyCorvel.Txt in the current directory.\n"
        "  --help     show this text\n"
        "  --version  show the version");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvel;
    const std::string tail = commandTailFromArguments(argc, argv);
    // No network is called like this, and the file must not be emptied to
    // show a usage text.
    if (tail == "--help") {
        printUsage();
        return 0;
    }
    if (tail == "--version") {
        std::puts(trimBlanks(versionLabel).c_str());
        return 0;
    }

    std::string error;
    auto device = posix::TerminalDevice::open(error);
    if (!device) {
        std::fprintf(stderr, "corvel: %s\n", error.c_str());
        return noTerminalExitCode;
    }
    setFatalExitHook(restoreTerminalNow);

    ConsoleSession session;
    session.startSession(*device, tail);
    OutputFiles files;
    CommandRunner runner(*device);
    Form form(session.screen(), session.keyboard(), files, runner, session.commandTail());
    const int exitCode = session.endSession(form.mainRoutine());
    device->close();
    if (!form.applicationWritten()) {
        std::fprintf(stderr, "corvel: the application could not be written to %s\n",
                     std::string(applicationFileName).c_str());
    }
    return exitCode;
}
