// Writing the answers into the application file, and the common program end.
#include "app/Form.h"

#include "runtime/Clock.h"

namespace corvel {

// Each attempt starts where the answer lines begin, so a retry after a
// fault never repeats a line, and ends with the lines on the medium. With
// no file to write to (it never opened, or a failed close took it) or
// after two failed attempts the application is given up.
void Form::writeApplication() {
    if (exitFlag == 1) {
        closeFiles();
        return;
    }
    if (!files_.isOpen(1) || writeAttempts_ >= 2) {
        giveUpApplication();
        return;
    }
    if (++writeAttempts_ == 1) {
        answersStart_ = files_.filePosition(1);
    } else {
        files_.cutFileTo(errors_, 1, answersStart_);
        errors_.deliverPendingError();
    }
    for (const Question& question : questions) {
        writeFileLine({question.fileLabel, answers.*question.answer}, true);
    }
    writeFileLine({}, true);
    writeFileLine({currentTime(), " ==={ End of Application }=== "}, true);
    flushFile();
    closeFiles();
}

// The file keeps what it held before the answers (its header), never a
// line cut in the middle. Cut and close are one statement: a failing cut
// still closes the file, and the next entry finds nothing left to do.
void Form::giveUpApplication() {
    if (!applicationLost_) {
        applicationLost_ = true;
        unwrittenCode_ = lastFaultCode_;
        // The earlier application could not be kept: nothing was written.
        if (files_.backupFailed()) unwrittenFile_ = applicationBackupName;
    }
    if (files_.isOpen(1)) files_.cutFileTo(errors_, 1, answersStart_);
    closeFiles();
}

void Form::endProgram() {
    lineLabel() = 55000;
    writeApplication();
    const bool delivered = confirmed_ && !applicationLost_ && exitFlag == 0;
    panel_.programEnd(delivered ? applicationFileName : std::string_view());
    errors_.setFaultTarget(endOfMainTarget);
    lineLabel() = 55500;
    if (panel_.ownsConsole()) runCommandLine("CMD /C CLS");
}

}  // namespace corvel
