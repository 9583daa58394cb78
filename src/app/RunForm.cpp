// One run of the form on a console device, and the texts the program prints
// instead of running it.
#include "app/RunForm.h"

#include <cstdio>

#include "app/Form.h"
#include "console/ConsoleSession.h"
#include "console/LineDevice.h"
#include "editor/LinePanel.h"
#include "runtime/CommandService.h"
#include "runtime/FileHandle.h"
#include "runtime/OutputFile.h"
#include "runtime/RuntimeError.h"

namespace corvel {

CommandRequest commandRequest(const std::string& tail) {
    // No network is called like this, and the file must not be emptied to
    // show a usage text.
    if (tail == "--help" || tail == "-h" || tail == "-?" || tail == "/?") return CommandRequest::help;
    if (tail == "--version" || tail == "-V") return CommandRequest::version;
    const bool oneWord = tail.find(' ') == std::string::npos;
    if (oneWord && tail.rfind("--", 0) == 0) return CommandRequest::usageError;
    return CommandRequest::runForm;
}

namespace {

// The exit code after a text went to standard output: 1, said on standard
// error, when it did not get there whole (a full disk, a closed pipe).
int outputWritten(bool written) {
    if (written && std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    std::fprintf(stderr, "corvel: the text could not be written to standard output\n");
    return 1;
}

}  // namespace

bool takePlainRequest(std::string& tail) {
    for (std::string_view word : {"--plain", "/plain"}) {
        if (tail.compare(0, word.size(), word) != 0) continue;
        if (tail.size() > word.size() && tail[word.size()] != ' ') continue;
        const std::size_t rest = tail.find_first_not_of(' ', word.size());
        tail.erase(0, rest == std::string::npos ? tail.size() : rest);
        return true;
    }
    return false;
}

int printUsage() {
    return outputWritten(std::puts(
        "usage: corvel [network name]\n"
        "       corvel --plain [network name]\n"
        "Fills in an application to join a network (FIDONet unless another name is\n"
        "given) and writes it to MyCorvel.Txt in the current directory.\n"
        "  --plain, /plain     plain mode: the questions as lines of text, one answer\n"
        "                      per line; also when TERM is dumb or unset and when\n"
        "                      standard input is not a terminal\n"
        "  -h, -?, /?, --help  show this text\n"
        "  -V, --version       show the version\n"
        "Plain mode: /back goes back a question, /exit leaves, /clear empties an\n"
        "answer, an empty line keeps the [answer] shown. The end of the input before\n"
        "the confirmation leaves the answers unwritten (exit status 1).") >= 0);
}

int printVersion() { return outputWritten(std::puts(trimBlanks(versionLabel).c_str()) >= 0); }

int reportUsageError(const std::string& tail) {
    std::fprintf(stderr, "corvel: unknown option \"%s\"; see corvel --help\n", tail.c_str());
    return 2;
}

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

FormOutcome runPlain(LineDevice& device, CommandService& runner, const std::string& tail) {
    LinePanel panel(device);
    OutputFiles files;
    Form form(panel, files, runner, withoutControlBytes(tail));
    FormOutcome outcome;
    outcome.exitCode = form.mainRoutine();
    outcome.applicationWritten = form.applicationWritten();
    outcome.unwrittenCode = form.unwrittenCode();
    if (const int step = form.inputEndedAt(); step != 0) {
        const std::string where = step == confirmationStep ? "the confirmation" : "question " + std::to_string(step);
        device.writeError("corvel: the input ended at " + where + "; the answers were not written");
    }
    return outcome;
}

void reportUnwritten(const FormOutcome& outcome) {
    // For example "corvel: MyCorvel.Txt was not written: Permission denied
    // (code 70)"; an earlier application that could not be kept stopped the
    // run before anything was written: "corvel: MyCorvel.Bak could not be
    // written: ...". A refusal because another program (a second instance)
    // has the file open says so.
    std::string message(errorMessage(outcome.unwrittenCode));
    const bool application = outcome.unwrittenFile == applicationFileName;
    if (application && outcome.unwrittenCode == 70 && heldByAnotherProgram(outcome.unwrittenFile)) {
        message = "another program has " + outcome.unwrittenFile + " open";
    }
    const char* what = application ? "was not written" : "could not be written";
    std::fprintf(stderr, "corvel: %s %s: %s (code %u)\n", outcome.unwrittenFile.c_str(), what, message.c_str(),
                 static_cast<unsigned>(outcome.unwrittenCode));
}

}  // namespace corvel
