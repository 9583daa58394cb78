// The command runner: the interpreter stand-in's built-ins act on the
// console device; programs and shell lines run as children whose output is
// carried into the grid as processed stream output.
#include "runtime/CommandRunner.h"

#include "console/ConsoleDevice.h"
#include "console/StreamOutput.h"
#include "runtime/ChildProcess.h"
#include "runtime/CommandLine.h"
#include "runtime/ErrorState.h"
#include "runtime/RuntimeError.h"
#include "runtime/SystemCall.h"

namespace corvel {

namespace {

// Only this much of a command line is used; the rest is cut without notice.
constexpr std::size_t commandLimit = 256;

void clearConsole(ConsoleDevice& device) {
    const int cells = device.width() * device.height();
    device.fillCharacters(1, 1, cells, ' ');
    device.fillAttributes(1, 1, cells, device.defaultAttribute());
    device.setCursor(1, 1);
}

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
        device_.resize(command.columns != 0 ? command.columns : device_.width(),
                       command.rows != 0 ? command.rows : device_.height());
        return 0;  // the next frame shows it
    case CommandLine::Kind::clear:
        clearConsole(device_);
        return 0;
    case CommandLine::Kind::program: {
        std::optional<std::string> found = findProgram(command.words.front());
        if (!found) {
            device_.alert();  // a missing program sounds the alert in its place
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
    device_.present();
    StreamOutput stream(device_);
    ChildOutcome outcome;
    {
        // The interrupt keys are ignored from before the console is lent
        // until after it is taken back, on every way out.
        InterruptsIgnored interrupts;
        ConsoleLentToChild lent(device_, wait);
        outcome = runChild(path, arguments, wait, [&](std::string_view bytes) {
            stream.write(bytes);
            device_.present();
        });
    }
    if (!outcome.started) {
        errors.raiseRuntimeError(systemErrorCode(outcome.error));
        return 0;
    }
    return wait ? static_cast<std::uint32_t>(outcome.exitCode) : static_cast<std::uint32_t>(outcome.pid);
}

}  // namespace corvel
