// Writing the answers into the application file, and the common program end.
#include "app/Form.h"

#include "runtime/Clock.h"

namespace corvel {

// Each attempt starts where the answer lines begin, so a retry after a
// fault never repeats a line; after two failed attempts the file is closed
// and the application given up.
void Form::writeApplication() {
    if (exitFlag == 1 || writeAttempts_ >= 2) {
        if (exitFlag != 1) applicationLost_ = true;
        closeFiles();
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
    closeFiles();
}

void Form::endProgram() {
    lineLabel() = 55000;
    writeApplication();
    screen_.setTextColors(7, -1, 0);
    screen_.newLine();
    errors_.setFaultTarget(endOfMainTarget);
    lineLabel() = 55500;
    runCommandLine("CMD /C CLS");
}

}  // namespace corvel
