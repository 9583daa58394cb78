// One run of the form on a console device, and the texts the program prints
// instead of running it.
#include "app/RunForm.h"

#include <cstdio>

#include "app/Form.h"
#include "console/ConsoleSession.h"
#include "runtime/CommandService.h"
#include "runtime/OutputFile.h"
#include "runtime/RuntimeError.h"

namespace corvel {

CommandRequest commandRequest(const std::string& tail) {
    // No network is called like this, and the file must not be emptied to
    // show a usage text.
    if (tail == "--help" || tail == "-h" || tail == "-?" || tail == "/?") return CommandRequest::help;
    if (tail == "--version" || tail == "-V") return CommandRequest::version;
    return CommandRequest::runForm;
}

void printUsage() {
    std::puts(
        "usage: corvel [network name]\n"
        "Fills in an application to join a network (FIDONet unless another name is\n"
        "given) and writes it to MyCorvel.Txt in the current directory.\n"
        "  -h, -?, /?, --help  show this text\n"
        "  -V, --version       show the version");
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
    outcome.unwrittenCode = form.unwrittenCode();
    outcome.unwrittenFile = std::string(form.unwrittenFile());
    outcome.endRequest = device.endRequest();
    return outcome;
}

void reportUnwritten(const FormOutcome& outcome) {
    // For example "corvel: MyCorvel.Txt was not written: Permission denied
    // (code 70)"; an earlier application that could not be kept stopped the
    // run before anything was written: "corvel: MyCorvel.Bak could not be
    // written: ...".
    const std::string message(errorMessage(outcome.unwrittenCode));
    const char* what = outcome.unwrittenFile == applicationFileName ? "was not written" : "could not be written";
    std::fprintf(stderr, "corvel: %s %s: %s (code %u)\n", outcome.unwrittenFile.c_str(), what, message.c_str(),
                 static_cast<unsigned>(outcome.unwrittenCode));
}

}  // namespace corvel
