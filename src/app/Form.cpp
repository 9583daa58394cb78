// The form's main routine, its start-up and title screen, and the statements
// through which it reaches the file and command services.
#include "app/Form.h"

#include <new>

#include "runtime/Clock.h"
#include "text/NumberText.h"

namespace corvel {

Form::Form(ConsoleScreen& screen, ConsoleKeyboard& keyboard, OutputFiles& files, CommandService& runner,
           std::string commandTail)
    : screenPanel_(std::make_unique<ScreenPanel>(screen, keyboard)), panel_(*screenPanel_), files_(files),
      runner_(runner), commandTail_(std::move(commandTail)) {}

Form::Form(FormPanel& panel, OutputFiles& files, CommandService& runner, std::string commandTail)
    : panel_(panel), files_(files), runner_(runner), commandTail_(std::move(commandTail)) {}

int Form::mainRoutine() {
    Stage stage = Stage::questions;
    for (;;) {
        FaultTarget target = noFaultTarget;
        try {
            if (stage == Stage::faultScreen) {
                showFaultScreen();
            } else if (stage == Stage::questions) {
                startUp();
                questionSequence();
            }
            endProgram();
            return exitCode();
        } catch (const FaultTransfer& transfer) {
            target = transfer.target;
        } catch (const std::bad_alloc&) {
            target = outOfMemory();
        } catch (const EndRequested&) {
            endAsRequested(stage);
            stage = Stage::programEnd;
            continue;
        }
        if (target == endOfMainTarget) return exitCode();
        stage = Stage::faultScreen;
    }
}

// Asked from outside to end (a hang-up, a termination request, the closing
// console) while a key was awaited. Confirmed answers, and the answers of
// a fault screen, are written as the key would have had them written; any
// other wait ends with the header alone, as Alt+X does.
void Form::endAsRequested(Stage stage) {
    if (stage == Stage::faultScreen) {
        errors_.leaveFaultHandler();
    } else if (!confirmed_) {
        exitFlag = 1;
    }
}

// An application given up because the input ended is not written either.
int Form::exitCode() const {
    return applicationLost_ || inputEndedAt_ != 0 ? applicationNotWrittenExitCode : 0;
}

// Memory ran out inside a statement: that is run-time error 7, delivered as
// the statement's own check would deliver it. Only the first statements of
// the start-up run without a fault target; what they lost cannot be made up,
// so there the failure goes on up.
FaultTarget Form::outOfMemory() {
    errors_.raiseRuntimeError(7);
    try {
        errors_.deliverPendingError();
    } catch (const FaultTransfer& transfer) {
        return transfer.target;
    }
    throw;
}

void Form::startUp() {
    lineLabel() = 0;
    answerHistory.assign(1, std::string());
    if (panel_.ownsConsole()) runCommandLine("Cmd /C Mode Con Cols=80 Lines=50");
    panel_.clear();
    errors_.setFaultTarget(faultScreenTarget);
    monthNames.assign(13, std::string());
    lineLabel() = 100;
    networkName = commandTail_.size() > 1 ? commandTail_ : "FIDONet";
    titleText = " -=:{ " + networkName + " Application }:=-";
    for (int n = 1; n <= 12; ++n) monthNames[n] = monthTableItem(n);
    files_.openOutputFile(errors_, 1, applicationFileName, &applicationBackup);
    errors_.deliverPendingError();
    writeFileLine({currentTime(), " ", titleText, "  on "}, false);
    lineLabel() = 200;
    panel_.showTitle(titleText, versionLabel, creditLine);
    lineLabel() = 300;
    std::string date = currentDate();
    int month = static_cast<int>(textToNumber(date.substr(0, 2)));
    int day = static_cast<int>(textToNumber(date.substr(3, 2)));
    std::string monthName = month >= 1 && month <= 12 ? monthNames[month] : std::string();
    dateText = monthName + numberToText(day) + std::string(daySuffix(day)) + ", " + date.substr(6, 4);
    panel_.showDate(dateText);
    writeFileLine({dateText}, true);
    writeFileLine({}, true);
}

void Form::writeFileLine(std::initializer_list<std::string_view> items, bool endLine) {
    for (std::string_view item : items) files_.writeFileText(errors_, 1, item);
    if (endLine) files_.endFileLine(errors_, 1);
    errors_.deliverPendingError();
}

void Form::runCommandLine(std::string_view commandLine) {
    // Once the program is asked to end, nobody waits for a tone or a clear
    // screen, and the terminal may be gone.
    if (panel_.endRequested()) return;
    runner_.runCommand(errors_, commandLine, waitForCompletion | 1, false);
    errors_.deliverPendingError();
}

void Form::flushFile() {
    files_.flushFile(errors_, 1);
    errors_.deliverPendingError();
}

void Form::closeFiles() {
    files_.closeAllFiles(errors_);
    errors_.deliverPendingError();
}

std::string monthTableItem(int n) {
    static constexpr std::string_view months[] = {"January", "February", "March",     "April",
                                                  "May",     "June",     "July",      "August",
                                                  "September", "October", "November", "December"};
    return n >= 1 && n <= 12 ? std::string(months[n - 1]) : std::string();
}

std::string_view daySuffix(int day) {
    switch (day) {
        case 1: case 21: case 31: return "st";
        case 2: case 22: return "nd";
        case 3: case 23: return "rd";
        default: return "th";
    }
}

}  // namespace corvel
