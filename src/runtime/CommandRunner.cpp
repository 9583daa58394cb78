// The command runner: the interpreter stand-in's built-ins act on the
// console through the command output; programs and shell lines run as
// children whose output goes there too.
#include "runtime/CommandRunner.h"

#include "runtime/ChildProcess.h"
#include "runtime/CommandLine.h"
#include "runtime/ErrorState.h"
#include "runtime/RuntimeError.h"
#include "runtime/SystemCall.h"

namespace corvel {

namespace {

// The interpreter runs in-process for its built-ins, but its start still
// passes the system-call gateway, where it can fail as a child's start can.
bool startInterpreter(ErrorState& errors) {
    SystemResult started = callSystem("interpreter", [] { return 0; });
    if (started.failed()) errors.raiseRuntimeError(systemErrorCode(started.error));
    return !started.failed();
}

}  // namespace

std::uint32_t CommandRunner::runCommand(ErrorState& errors, std::string_view commandText,
                                        std::uint16_t showStyleAndWait, bool /*inheritHandles*/) {
    // The output file and every other descriptor of ours are close-on-exec,
    // so a child never inherits them.
    const CommandLine command = parseCommandLine(commandText.substr(0, commandLimit));
    const bool wait = (showStyleAndWait & waitForCompletion) != 0;
    std::string path;
    std::vector<std::string> arguments;
    const bool builtIn = command.kind != CommandLine::Kind::program && command.kind != CommandLine::Kind::shellLine;
    if (builtIn && !startInterpreter(errors)) return 0;
    switch (command.kind) {
    case CommandLine::Kind::nothing: return 0;
    case CommandLine::Kind::invalid: return 1;
    case CommandLine::Kind::resize:
        output_.resize(command.columns, command.rows);
        return 0;  // the next frame shows it
    case CommandLine::Kind::clear:
        output_.clear();
        return 0;
    case CommandLine::Kind::program: {
        std::optional<std::string> found = findProgram(command.words.front());
        if (!found) {
            output_.alert();  // a missing program sounds the alert in its place
            return 1;
        }
        path = *found;
        arguments = command.words;
        break;
    }
    case CommandLine::Kind::shellLine:
        path = "/bin/sh";
        arguments = {"sh", "-c", command.text};
        break;
    }
    return runProgram(errors, path, arguments, wait);
}

std::uint32_t CommandRunner::runProgram(ErrorState& errors, const std::string& path,
                                        const std::vector<std::string>& arguments, bool wait) {
    ChildOutcome outcome;
    {
        // The interrupt keys are ignored from before the console is lent
        // until after it is taken back, on every way out.
        InterruptsIgnored interrupts;
        ChildOnConsole lent(output_, wait);
        outcome = runChild(path, arguments, wait, [&](std::string_view bytes) { output_.write(bytes); });
    }
    if (!outcome.started) {
        errors.raiseRuntimeError(systemErrorCode(outcome.error));
        return 0;
    }
    return wait ? static_cast<std::uint32_t>(outcome.exitCode) : static_cast<std::uint32_t>(outcome.pid);
}

}  // namespace corvel
