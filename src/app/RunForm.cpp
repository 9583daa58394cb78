// One run of the form on a console device, and the texts the program prints
// instead of running it.
#include "app/RunForm.h"

#include <cstdio>

#include "app/Form.h"
#include "console/ConsoleSession.h"
#include "runtime/CommandService.h"
#include "runtime/OutputFile.h"

namespace corvel {

CommandRequest commandRequest(const std::string& tail) {
    // No network is called like this, and the file must not be emptied to
    // show a usage text.
    if (tail == "--help") return CommandRequest::help;
    if (tail == "--version") return CommandRequest::version;
    return CommandRequest::runForm;
}

void printUsage() {
    std::puts(
        "usage: corvel [network name]\n"
        "Fills in an application to join a network (FIDONet unless another name is\n"
        "given) and writes it to MyCorvel.Txt in the current directory.\n"
        "  --help     show this text\n"
        "  --version  show the version");
}

void printVersion() { std::puts(trimBlanks(versionLabel).c_str()); }

FormOutcome runForm(ConsoleDevice& device, CommandService& runner, const std::string& tail) {
    ConsoleSession session;
    session.startSession(device, tail);
    OutputFiles files;
    Form form(session.screen(), session.keyboard(), files, runner, session.commandTail());
    FormOutcome outcome;
    outcome.exitCode = session.endSession(form.mainRoutine());
    outcome.applicationWritten = form.applicationWritten();
    return outcome;
}

void reportUnwritten() {
    std::fprintf(stderr, "corvel: the application could not be written to %s\n",
                 std::string(applicationFileName).c_str());
}

}  // namespace corvel
