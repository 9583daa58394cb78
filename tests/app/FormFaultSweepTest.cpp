// Whole runs of the form with a fault planted at every place the file and
// command services reach the system: each run is answered by a driver that
// reads the screen (a question, the confirmation, the fault screen), and each
// must show the right report and leave a file without a repeated line.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "PlatformFaults.h"
#include "app/FormHarness.h"

namespace corvel::test {
namespace {

struct Outcome {
    int exitCode = -1;
    std::vector<std::string> reports;  // the report line of each fault screen
    std::string file;
    bool fileExists = false;
};

bool rowHas(const MemoryDevice& device, int row, const std::string& text) {
    return device.rowText(row).find(text) != std::string::npos;
}

// Runs the form with faults planted from the start, answering whatever the
// screen asks until the form ends.
Outcome runWithFaults(std::vector<SystemCallFault> faults) {
    FormHarness form;
    Outcome outcome;
    std::size_t answered = 0;
    int waits = 0;
    form.device.setIdleHook([&] {
        MemoryDevice& device = form.device;
        const int row = device.cursorRow();
        if (++waits > 300) {
            ADD_FAILURE() << "the form does not end";
            device.pushAlt('x');
        } else if (rowHas(device, row, "Press any key ...")) {
            outcome.reports.push_back(trimmedRow(device, row - 1));
            device.pushText(" ");
        } else if (rowHas(device, row, "Everything OK? (Y/N)")) {
            device.pushText("y\r");
        } else if (rowHas(device, row, "{Press ENTER}")) {
            device.pushText("\r");
        } else {
            device.pushText(answered < fullAnswers.size() ? fullAnswers[answered++] : "");
            device.pushKey(13, 28);
        }
    });
    plantSystemCallFaults(std::move(faults));
    outcome.exitCode = form.run();
    outcome.fileExists = std::filesystem::exists(form.dir.path() / "MyCorvel.Txt");
    outcome.file = form.file();
    return outcome;
}

std::string report(const std::string& line, int code, const std::string& message) {
    return reportLine(line, std::to_string(code), message);
}

// No line but the empty ones occurs twice.
void expectNoRepeatedLine(const std::string& file) {
    std::map<std::string, int> seen;
    std::istringstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line != "\r") {
            EXPECT_EQ(++seen[line], 1) << "repeated: " << line << "\n" << file;
        }
    }
}

using platform::fileErrors;
using ErrorCase = platform::ErrorCase;

TEST(FormFaultSweep, aFileThatCannotBeOpenedIsReportedAtLine100AndNoApplicationIsClaimed) {
    for (const char* call : platform::openSteps) {
        for (const ErrorCase& e : fileErrors) {
            SCOPED_TRACE(std::string(call) + " fails with " + e.message);
            Outcome run = runWithFaults({{call, 1, e.error, {}}});
            ASSERT_FALSE(run.reports.empty());
            EXPECT_EQ(run.reports[0], report("100", e.code, e.message));
            EXPECT_EQ(run.exitCode, applicationNotWrittenExitCode);
            EXPECT_EQ(run.file, "") << "nothing written, nothing emptied that was not ours";
        }
    }
}

TEST(FormFaultSweep, aWriteThatFailsAnywhereLeavesEveryLineOnce) {
    for (const ErrorCase& e : {platform::diskFull, platform::deviceError, platform::accessDenied}) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE("write " + std::to_string(n) + " fails with " + e.message);
            Outcome run = runWithFaults({{platform::writeCall, n, e.error, {}}});
            if (run.reports.empty()) {
                EXPECT_GT(n, 30) << "every write of the run was tried";
                EXPECT_EQ(run.file, headerLines + fullAnswerLines);
                break;
            }
            const bool inHeader = run.reports[0].find("Line 55000") == std::string::npos;
            EXPECT_EQ(run.reports[0], report(inHeader ? (n <= 4 ? "100" : "300") : "55000", e.code, e.message));
            EXPECT_EQ(run.exitCode, 0) << "the answers are written on the second attempt";
            expectNoRepeatedLine(run.file);
            const std::string& answers = inHeader ? "Real Name = \r\n" : fullAnswerLines;
            EXPECT_NE(run.file.find(answers), std::string::npos) << run.file;
        }
    }
}

TEST(FormFaultSweep, aWriteThatPassesNothingIsADiskFull) {
    Outcome run = runWithFaults({{platform::writeCall, 12, 0, std::size_t{0}}});
    ASSERT_FALSE(run.reports.empty());
    EXPECT_EQ(run.reports[0], report("55000", 61, "Disk full"));
    EXPECT_EQ(run.file, headerLines + fullAnswerLines);
}

TEST(FormFaultSweep, aCloseThatReportsALateErrorIsShownAndTheAnswersStayOnce) {
    const ErrorCase& e = platform::deviceError;
    SystemCallFault fault{platform::closeCall, 1, e.error, {}, true};
    Outcome run = runWithFaults({fault});
    ASSERT_FALSE(run.reports.empty());
    EXPECT_EQ(run.reports[0], report("55000", e.code, e.message));
    // Whether the lines reached the disk is not known after a failed close,
    // so the run does not claim the application.
    EXPECT_EQ(run.exitCode, applicationNotWrittenExitCode);
    expectNoRepeatedLine(run.file);
    EXPECT_EQ(run.file, headerLines + fullAnswerLines);
}

TEST(FormFaultSweep, commandsThatCannotStart) {
    // The console-size command comes before the fault screen is set up: its
    // failure goes unreported and the run carries on.
    Outcome size = runWithFaults({{"interpreter", 1, platform::outOfMemory.error, {}}});
    EXPECT_TRUE(size.reports.empty());
    EXPECT_EQ(size.file, headerLines + fullAnswerLines);

    // The closing screen-clear runs after the program end made its own exit
    // the fault target: the run simply ends, the application written.
    Outcome clear = runWithFaults({{"interpreter", 2, platform::accessDenied.error, {}}});
    EXPECT_TRUE(clear.reports.empty());
    EXPECT_EQ(clear.exitCode, 0);
    EXPECT_EQ(clear.file, headerLines + fullAnswerLines);
}

}  // namespace
}  // namespace corvel::test
