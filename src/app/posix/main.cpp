// Program entry point on a POSIX terminal: takes the command tail, checks
// the terminal, brings the tail into the console's code page, opens the
// terminal, runs the form and puts the terminal back. Plain mode (asked
// for, a terminal that cannot place the cursor, or answers from a file or
// pipe) runs the form as lines on the standard streams instead.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "app/RunForm.h"
#include "console/ConsoleSession.h"
#include "app/DeviceCommandOutput.h"
#include "console/MemoryDevice.h"
#include "console/posix/StreamLines.h"
#include "console/posix/TerminalDevice.h"
#include "console/posix/TerminalRestore.h"
#include "console/posix/TypedText.h"
#include "runtime/CommandRunner.h"
#include "runtime/RuntimeError.h"

namespace {

// No terminal, or none the program can draw on.
constexpr int noTerminalExitCode = 2;

// A terminal that cannot place the cursor, or answers that come from a
// file or pipe, get the form as lines of text.
bool plainModeNeeded() {
    const char* term = std::getenv("TERM");
    return term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0 || isatty(STDIN_FILENO) != 1;
}

// Why the program cannot run with this character set, or nothing; sets the
// charset. Checked before the terminal or the file is touched.
std::string refusal(corvel::posix::Charset& charset) {
    auto chosen = corvel::posix::chooseCharset(std::getenv("CORVEL_CHARSET"),
                                               corvel::posix::TerminalDevice::localeIsUtf8());
    if (!chosen) return "CORVEL_CHARSET must be utf-8, cp437 or ascii";
    charset = *chosen;
    return {};
}

// Plain mode: the standard streams untouched but for text; the form's
// console commands act on a console nobody sees (the tone program's output
// included), so nothing but text reaches the terminal.
int runPlainMode(const std::string& tail, corvel::posix::Charset charset) {
    using namespace corvel;
    posix::StreamLines lines(STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO, charset);
    MemoryDevice unseen(80, 50);
    DeviceCommandOutput unseenOutput(unseen);
    CommandRunner runner(unseenOutput);
    const FormOutcome outcome = runPlain(lines, runner, posix::typedText(tail, charset));
    if (!outcome.applicationWritten) reportUnwritten(outcome);
    return outcome.exitCode;
}

// Ends the process as the signal that asked for the end does by default, so
// that the waiting shell sees which one it was.
[[noreturn]] void endBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvel;
    std::string tail = withoutControlBytes(commandTailFromArguments(argc, argv));
    const bool plainAsked = takePlainRequest(tail);
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
    // A file-size limit or a closed pipe makes the write fail with its
    // error (EFBIG is run-time error 61), which the form reports, instead
    // of ending the program in the middle of a line.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    if (plainAsked || plainModeNeeded()) return runPlainMode(tail, charset);
    auto device = posix::TerminalDevice::open(charset, error);
    if (!device) {
        std::fprintf(stderr, "corvel: %s\n", error.c_str());
        return noTerminalExitCode;
    }
    setFatalExitHook(restoreTerminalNow);

    DeviceCommandOutput commandOutput(*device);
    CommandRunner runner(commandOutput);
    // The tail was typed on this terminal: its characters arrive in the
    // terminal's character set, as the keys do.
    const FormOutcome outcome = runForm(*device, runner, posix::typedText(tail, charset));
    device->close();
    if (!outcome.applicationWritten) reportUnwritten(outcome);
    if (outcome.endRequest != 0) endBySignal(outcome.endRequest);
    return outcome.exitCode;
}
