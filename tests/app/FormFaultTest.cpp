#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PlatformFaults.h"
#include "app/FormHarness.h"

namespace corvel::test {
namespace {

struct CallCase {
    const char* call;
    int occurrence;
    platform::ErrorCase error;
};

const std::string emptyAnswerLines =
    "Real Name = \r\nEmail Address = \r\nBBS/Site Name = \r\nLocation = \r\nVoice Phone = \r\n"
    "Best Time to call = \r\nData Phone = \r\nBAUD Rate = \r\nInternet = \r\nDomain/IP = \r\n"
    "Mailer = \r\nEchomail Tosser = \r\nFile Tosser = \r\nFormer SysOp = \r\nInstructions = \r\n"
    "\r\n09:05:03 ==={ End of Application }=== \r\n";

// Finds a row of the screen that starts with text, or 0. The fault screen
// writes over whatever the row held, so the rest of it may hold anything.
int rowHolding(const MemoryDevice& device, const std::string& text) {
    for (int row = 1; row <= device.height(); ++row) {
        if (device.rowText(row).compare(0, text.size(), text) == 0) return row;
    }
    return 0;
}

TEST(FormFault, anUnopenableFileIsReportedAtLine100AndTheRunEndsWithoutAnApplication) {
    FormHarness form;
    plantSystemCallFaults({{platform::openSteps[0], 1, platform::accessDenied.error, {}}});
    std::vector<std::string> reports;
    auto pressAKey = [&] {
        int row = form.device.cursorRow();
        reports.push_back(trimmedRow(form.device, row - 1));
        EXPECT_EQ(trimmedRow(form.device, row), " \xEC Press any key ...");
        EXPECT_EQ(form.device.readCell(row, 2).attribute % 16, 3);
        form.device.pushExtended(59);  // F1 will do
    };
    form.then(pressAKey);
    form.then(pressAKey);
    EXPECT_EQ(form.run(), applicationNotWrittenExitCode);
    ASSERT_EQ(reports.size(), 1u) << "nothing to write into: no reports of writes that cannot be";
    EXPECT_EQ(reports[0], reportLine("100", "70", "Permission denied"));
    EXPECT_EQ(form.form->unwrittenCode(), 70);
    EXPECT_FALSE(std::filesystem::exists(form.dir.path() / "MyCorvel.Txt"));
}

// Puts a tone program on PATH that exists but whose start the test can fail.
// It is a shell script: the runs with it are for POSIX.
#ifdef _WIN32
struct ToneProgram {
    static constexpr bool available = false;
    explicit ToneProgram(const std::filesystem::path&) {}
};
#else
struct ToneProgram {
    static constexpr bool available = true;
    std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    explicit ToneProgram(const std::filesystem::path& dir) {
        std::ofstream(dir / "lowchime") << "#!/bin/sh\nexit 0\n";
        std::filesystem::permissions(dir / "lowchime", std::filesystem::perms::owner_all);
        setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
    }
    ~ToneProgram() { setenv("PATH", oldPath.c_str(), 1); }
};
#endif

std::string answersWithName(const std::string& name) {
    std::string lines = emptyAnswerLines;
    return lines.replace(lines.find("Real Name = ") + 12, 0, name);
}

TEST(FormFault, aToneThatCannotStartDuringTheQuestionsIsReportedAtLine300) {
    FormHarness form;
    if (!ToneProgram::available) GTEST_SKIP() << "the tone program is a shell script";
    ToneProgram tone(form.dir.path());
    form.answer("Jane");
    form.then([&] {
        plantSystemCallFaults({{platform::childStartCall, 1, platform::outOfMemory.error, {}}});
        form.device.pushKey(13, 28);  // question 2 left empty: the tone is due
    });
    form.then([&] {
        int row = rowHolding(form.device, reportLine("300", "7", "Out of memory"));
        ASSERT_NE(row, 0);
        EXPECT_EQ(row, 47) << "the report starts on the row below the cursor";
        EXPECT_EQ(form.device.readCell(row, 2).attribute, 4 + 1 * 16);
        EXPECT_EQ(form.device.readCell(row, 2).character, 0xEC);
        EXPECT_EQ(form.device.readCell(row, 20).attribute % 16, 3);
        EXPECT_EQ(form.device.readCell(row, 25).attribute % 16, 15);
        EXPECT_EQ(form.device.alerts(), 1) << "the beep";
        form.device.pushAlt('q');
    });
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.file(), headerLines + answersWithName("Jane"));
}

TEST(FormFault, aToneThatNeverStartsDoesNotKeepTheFaultScreenComingBack) {
    FormHarness form;
    if (!ToneProgram::available) GTEST_SKIP() << "the tone program is a shell script";
    ToneProgram tone(form.dir.path());
    form.answer("Jane");
    form.then([&] {
        plantSystemCallFaults({{platform::childStartCall, 0, platform::outOfMemory.error, {}}});
        form.device.pushKey(13, 28);
    });
    form.then([&] {
        EXPECT_NE(rowHolding(form.device, reportLine("10000", "7", "Out of memory")), 0);
        EXPECT_EQ(form.device.alerts(), 2) << "two entries, each with its beep";
        form.device.pushKey(27, 1);
    });
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.file(), headerLines + answersWithName("Jane"));
}

TEST(FormFault, aWriteThatFailsOnceIsRetriedFromTheFirstAnswerLine) {
    FormHarness form;
    form.answerAll(fullAnswers);
    form.then([&] {
        // The header took seven writes; fail the fourth answer line's label.
        plantSystemCallFaults({{platform::writeCall, 7, platform::diskFull.error, {}}});
        form.device.pushText("Y\r");
    });
    form.then([&] { form.device.pushText("\r"); });
    form.then([&] {
        EXPECT_NE(rowHolding(form.device, reportLine("55000", "61", "Disk full")), 0);
        form.device.pushText(" ");
    });
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.file(), headerLines + fullAnswerLines) << "no answer line twice";
}

TEST(FormFault, aDiskThatStaysFullEndsTheRunAfterTwoAttempts) {
    FormHarness form;
    form.answerAll(fullAnswers);
    form.then([&] {
        plantSystemCallFaults({{platform::writeCall, 0, 0, std::size_t{0}}});  // no write gets through
        form.device.pushText("y\r");
    });
    form.then([&] { form.device.pushText("\r"); });
    form.then([&] { form.device.pushText("\r"); });
    form.then([&] { form.device.pushText("\r"); });
    EXPECT_EQ(form.run(), applicationNotWrittenExitCode);
    EXPECT_FALSE(form.form->applicationWritten());
    EXPECT_EQ(form.file(), headerLines) << "cut back to where the answers start";
}

TEST(FormFault, memoryRunningOutInAStatementIsError7AndTheAnswersAreStillWritten) {
    FormHarness form;
    if (!ToneProgram::available) GTEST_SKIP() << "the tone program is a shell script";
    ToneProgram tone(form.dir.path());
    SystemCallFault toneOutOfMemory{"stat", 1, 0, {}};  // looking for the tone program
    toneOutOfMemory.outOfMemory = true;
    plantSystemCallFaults({toneOutOfMemory});
    form.answer("Jane");
    form.answer("");  // question 2 is required: the tone is due
    form.then([&] {
        EXPECT_NE(rowHolding(form.device, reportLine("300", "7", "Out of memory")), 0);
        form.device.pushText(" ");
    });
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.file(), headerLines + answersWithName("Jane"));
}

TEST(FormFault, aBackupThatCannotBeWrittenIsAStartUpFaultAndLeavesBothFilesAsTheyWere) {
    const CallCase cases[] = {
        {platform::createCall, 2, platform::accessDenied},  // the temporary copy
        {platform::readCall, 1, platform::deviceError},
        {platform::writeCall, 1, platform::diskFull},
        {platform::syncCall, 1, platform::deviceError},
        {platform::renameCall, 1, platform::accessDenied},
    };
    const std::string earlier = headerLines + fullAnswerLines;
    for (const CallCase& c : cases) {
        SCOPED_TRACE(c.call);
        FormHarness form;
        writeFile(form.dir.path() / "MyCorvel.Txt", earlier);
        writeFile(form.dir.path() / "MyCorvel.Bak", "an older backup\r\n");
        plantSystemCallFaults({{c.call, c.occurrence, c.error.error, {}}});
        form.then([&] {
            EXPECT_NE(rowHolding(form.device, reportLine("100", std::to_string(c.error.code), c.error.message)), 0);
            form.device.pushText(" ");
        });
        EXPECT_EQ(form.run(), applicationNotWrittenExitCode);
        EXPECT_EQ(form.file(), earlier);
        EXPECT_EQ(readFile(form.dir.path() / "MyCorvel.Bak"), "an older backup\r\n");
        EXPECT_FALSE(std::filesystem::exists(form.dir.path() / "MyCorvel.Bak.tmp"));
        EXPECT_EQ(form.form->unwrittenFile(), "MyCorvel.Bak") << "the closing message names the backup";
    }
}

// Faults planted after the confirmation, while the answers are written; the
// run answers every fault screen with a key.
struct EndFault {
    const char* what;
    std::vector<SystemCallFault> faults;
    int exitCode;
    std::string file;
    std::uint8_t unwrittenCode;
};

TEST(FormFault, writingThatIsGivenUpLeavesTheHeaderAndTheFlushCountsAsAWrite) {
    const std::vector<EndFault> cases = {
        {"the disk fills during both attempts",
         {{platform::writeCall, 5, platform::diskFull.error, {}}, {platform::writeCall, 30, platform::diskFull.error, {}}},
         applicationNotWrittenExitCode, headerLines, 61},
        {"the flush to the medium fails once", {{platform::syncCall, 1, platform::deviceError.error, {}}}, 0,
         headerLines + fullAnswerLines, 0},
        {"the flush to the medium always fails", {{platform::syncCall, 0, platform::deviceError.error, {}}},
         applicationNotWrittenExitCode, headerLines, static_cast<std::uint8_t>(platform::deviceError.code)},
    };
    for (const EndFault& c : cases) {
        SCOPED_TRACE(c.what);
        FormHarness form;
        form.answerAll(fullAnswers);
        form.then([&] {
            plantSystemCallFaults(c.faults);
            form.device.pushText("y\r");
        });
        for (int i = 0; i < 4; ++i) form.then([&] { form.device.pushText("\r"); });
        EXPECT_EQ(form.run(), c.exitCode);
        EXPECT_EQ(form.file(), c.file) << "two header lines or all nineteen";
        EXPECT_EQ(form.form->unwrittenCode(), c.unwrittenCode);
    }
}

}  // namespace
}  // namespace corvel::test
