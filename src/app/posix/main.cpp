// Program entry point: takes the command tail, opens the terminal, runs the
// form and puts the terminal back.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Form.h"
#include "console/ConsoleSession.h"
#include "console/posix/TerminalDevice.h"
#include "console/posix/TerminalRestore.h"
#include "runtime/CommandRunner.h"
#include "runtime/OutputFile.h"
#include "runtime/RuntimeError.h"

namespace {

// No terminal, or none the program can draw on.
constexpr int noTerminalExitCode = 2;

void printUsage() {
    std::puts(
        "usage: corvel [network name]\n"
        "Fills in an application to join a network (FIDONet unless another name is\n"
        "given) and writes it to MyCorvel.Txt in the current directory.\n"
        "  --help     show this text\n"
        "  --version  show the version");
}

// Why the program cannot run on this terminal, or nothing; sets the charset.
// Checked before the terminal or the file is touched.
std::string refusal(corvel::posix::Charset& charset) {
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0') {
        return "TERM is not set; corvel needs a terminal that can place the cursor (set TERM, e.g. TERM=xterm)";
    }
    if (std::strcmp(term, "dumb") == 0) {
        return "TERM is \"dumb\"; corvel needs a terminal that can place the cursor";
    }
    auto chosen = corvel::posix::chooseCharset(std::getenv("CORVEL_CHARSET"),
                                               corvel::posix::TerminalDevice::localeIsUtf8());
    if (!chosen) return "CORVEL_CHARSET must be utf-8, cp437 or ascii";
    charset = *chosen;
    return {};
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

    posix::Charset charset = posix::Charset::ascii;
    std::string error = refusal(charset);
    if (!error.empty()) {
        std::fprintf(stderr, "corvel: %s\n", error.c_str());
        return noTerminalExitCode;
    }
    auto device = posix::TerminalDevice::open(charset, error);
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
