// Program entry point on a POSIX terminal: takes the command tail, checks
// the terminal, brings the tail into the console's code page, opens the
// terminal, runs the form and puts the terminal back.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/RunForm.h"
#include "console/ConsoleSession.h"
#include "console/posix/TerminalDevice.h"
#include "console/posix/TerminalRestore.h"
#include "console/posix/TypedText.h"
#include "runtime/CommandRunner.h"
#include "runtime/RuntimeError.h"

namespace {

// No terminal, or none the program can draw on.
constexpr int noTerminalExitCode = 2;

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
    const std::string tail = withoutControlBytes(commandTailFromArguments(argc, argv));
    switch (commandRequest(tail)) {
    case CommandRequest::help: return printUsage();
    case CommandRequest::version: return printVersion();
    case CommandRequest::usageError: return reportUsageError(tail);
    case CommandRequest::runForm: break;
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

    CommandRunner runner(*device);
    // The tail was typed on this terminal: its characters arrive in the
    // terminal's character set, as the keys do.
    const FormOutcome outcome = runForm(*device, runner, posix::typedText(tail, charset));
    device->close();
    if (!outcome.applicationWritten) reportUnwritten(outcome);
    return outcome.exitCode;
}
