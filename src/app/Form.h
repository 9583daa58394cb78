// The application form: one object holding the form's variables, with the
// main routine, the question sequence, the error tone, the application
// writer, the program end and the fault screen as its operations. What the
// user sees and types goes through a front-end panel: the screen one, or
// the line one of plain mode.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Questions.h"
#include "console/ConsoleKeyboard.h"
#include "console/ConsoleScreen.h"
#include "editor/FormPanel.h"
#include "editor/ScreenPanel.h"
#include "runtime/CommandService.h"
#include "runtime/ErrorState.h"
#include "runtime/OutputFile.h"

namespace corvel {

inline constexpr std::string_view applicationFileName = "MyCorvel.Txt";
// An earlier application (anything but nothing or exactly a header: its
// line and the empty line) is kept under this name, in the same directory,
// before the file is emptied.
inline constexpr std::string_view applicationBackupName = "MyCorvel.Bak";
inline constexpr BackupRule applicationBackup{applicationBackupName};
inline constexpr std::string_view versionLabel = " Corvel v1.1.C ";
inline constexpr std::string_view creditLine = "The Corvel Team";

// Where the form's delivered run-time errors continue.
inline constexpr FaultTarget faultScreenTarget = 1;
inline constexpr FaultTarget endOfMainTarget = 2;

// Exit code when the application could not be written after two attempts.
inline constexpr int applicationNotWrittenExitCode = 1;

// The question the input ended at when it ended at the confirmation.
inline constexpr int confirmationStep = 16;

class Form {
public:
    // The form on the screen front-end.
    Form(ConsoleScreen& screen, ConsoleKeyboard& keyboard, OutputFiles& files, CommandService& runner,
         std::string commandTail);
    // The form on another front-end, which outlives it.
    Form(FormPanel& panel, OutputFiles& files, CommandService& runner, std::string commandTail);

    // The whole run; returns the process exit code.
    int mainRoutine();

    // One question through the panel; false when the input ended.
    bool askQuestion();
    void playErrorTone();
    void writeApplication();
    void endProgram();
    void showFaultScreen();

    // --- the form's variables ---
    std::uint16_t& lineLabel() { return errors_.lineLabel; }
    std::string networkName;
    std::string titleText;
    std::vector<std::string> monthNames;
    std::string dateText;
    std::vector<std::string> answerHistory;
    AnswerSet answers;
    std::string promptText;
    std::string editBuffer;
    std::string answerResult;
    int goBackFlag = 0;
    int exitFlag = 0;
    std::string confirmReply;

    // False when the answers could not be written, however often tried.
    bool applicationWritten() const { return !applicationLost_; }
    // The error code of the fault that lost the application (0 while not lost).
    std::uint8_t unwrittenCode() const { return unwrittenCode_; }
    // The question (1..15, or confirmationStep) at which the input ended,
    // which gives the application up; 0 while it has not ended.
    int inputEndedAt() const { return inputEndedAt_; }
    // The file that could not be written: the application, or its backup
    // when keeping the earlier application failed.
    std::string_view unwrittenFile() const { return unwrittenFile_; }

private:
    enum class Stage { questions, faultScreen, programEnd };
    void endAsRequested(Stage stage);
    void startUp();
    void questionSequence();
    int baudGate(bool goingBack) const;
    bool confirm();
    void inputEnded(int step);
    void giveUpApplication();
    int exitCode() const;
    FaultTarget outOfMemory();

    // The only ways the form reaches the run-time services that can raise
    // an error; each is one statement and ends with the after-statement
    // check, which hands a pending error to the fault target.
    void writeFileLine(std::initializer_list<std::string_view> items, bool endLine);
    void runCommandLine(std::string_view commandLine);
    void flushFile();
    void closeFiles();

    std::unique_ptr<ScreenPanel> screenPanel_;
    FormPanel& panel_;
    OutputFiles& files_;
    CommandService& runner_;
    std::string commandTail_;
    ErrorState errors_;

    int writeAttempts_ = 0;
    std::uint64_t answersStart_ = 0;
    bool applicationLost_ = false;
    std::uint8_t lastFaultCode_ = 0;  // of the last fault not raised by the fault screen
    std::uint8_t unwrittenCode_ = 0;
    bool confirmed_ = false;  // the answers were confirmed: they are due
    int inputEndedAt_ = 0;
    std::string_view unwrittenFile_ = applicationFileName;
};

// The month table: item n (1-based) of January..December, else empty.
std::string monthTableItem(int n);
// The ordinal suffix of a day of the month.
std::string_view daySuffix(int day);
// The first field of a typed line: a quoted text, or up to the first comma
// with trailing blanks removed.
std::string firstField(std::string_view line);
// Blanks (code 32 only) removed at both ends.
std::string trimBlanks(std::string_view text);

}  // namespace corvel
