#include <gtest/gtest.h>

#include "PlatformFaults.h"
#include "app/FormHarness.h"
#include "app/RunForm.h"
#include "console/LineReader.h"
#include "console/MemoryLines.h"

namespace corvel::test {
namespace {

// The form in plain mode on the in-memory line device, with the harness's
// directory and clock.
struct PlainRun {
    FormHarness harness;
    MemoryLines lines;
    int exitCode = -1;

    // Lines as a file holds them (CR LF or LF), split as plain mode reads them.
    explicit PlainRun(const std::string& text) {
        std::size_t at = 0;
        LineReader reader([&](char* buffer, std::size_t size) {
            const std::size_t n = std::min(size, text.size() - at);
            text.copy(buffer, n, at);
            at += n;
            return n;
        });
        while (auto line = reader.readLine()) lines.pushLine(withoutControlCharacters(*line));
        lines.setEchoesInput(false);
    }
    int run(const std::string& tail = "") {
        MemoryDevice unseen(80, 50);
        DeviceCommandOutput unseenOutput(unseen);
        CommandRunner runner(unseenOutput);
        exitCode = runPlain(lines, runner, tail).exitCode;
        return exitCode;
    }
    std::string file() const { return harness.file(); }
};

std::string joined(const std::vector<std::string>& answers, const std::string& end) {
    std::string text;
    for (const std::string& answer : answers) text += answer + end;
    return text;
}

// One answers file through both front-ends: the screen form typed key by
// key, plain mode reading it as lines, give the same file.
TEST(PlainMode, theSameAnswersGiveTheScreenFormsFile) {
    std::vector<std::string> answers = fullAnswers;
    answers[3] = "Z\x81rich, ZH";  // a code page 437 letter
    answers[5] = "  7am-9pm  ";  // blanks around go
    answers[14] = std::string(300, 'x');  // the field holds 255
    const std::string answersFile = joined(answers, "\r\n") + "yes\r\n";

    FormHarness screen;
    std::size_t at = 0;
    screen.device.setIdleHook([&] {
        const std::size_t end = answersFile.find("\r\n", at);
        if (end == std::string::npos) return;
        screen.device.pushText(answersFile.substr(at, end - at));
        screen.device.pushKey(13, 28);
        at = end + 2;
        if (at == answersFile.size()) screen.device.pushKey(13, 28);  // the closing prompt's Enter
    });
    ASSERT_EQ(screen.run(), 0);

    PlainRun plain(answersFile);
    ASSERT_EQ(plain.run(), 0);
    EXPECT_EQ(plain.file(), screen.file());
    EXPECT_NE(plain.file().find("Instructions = " + std::string(255, 'x') + "\r\n"), std::string::npos);
    EXPECT_NE(plain.file().find("Location = Z\x81rich, ZH\r\n"), std::string::npos);
}

// /back, a required answer left empty, the data phone skipping the BAUD
// question, a declined confirmation, a kept and a cleared answer, Y/N.
TEST(PlainMode, aScriptedRunWithItsWaysAround) {
    PlainRun plain(joined({"", "Jane Doe", "/back", "", "jane@example.org", "Doe BBS", "Here", "555", "", "",
                           "/back", "", "", "", "", "", "", "n", "Later", "no",
                           "", "", "", "", "/clear", "", "", "", "", "", "", "", "", "", "/clear", "Y"},
                          "\n"));
    EXPECT_EQ(plain.run("Othernet"), 0);
    const std::string& out = plain.lines.output();
    EXPECT_EQ(out.rfind("-=:{ Othernet Application }:=-  December 8th, 2026\r\nCorvel v1.1.C\r\n", 0), 0u) << out;
    EXPECT_NE(out.find("\r\nEnter REAL Name (First Last): \r\nAn answer is required.\r\n"
                       "Enter REAL Name (First Last): Jane Doe\r\nEnter Email Address: /back\r\n"
                       "Enter REAL Name (First Last): [Jane Doe] \r\nEnter Email Address: jane@example.org\r\n"),
              std::string::npos) << out;
    EXPECT_NE(out.find("Enter Data phone no. (Dialup only): \r\nInternet Connectivity? (BinkP, Telnet, FTP): /back\r\n"
                       "Enter Data phone no. (Dialup only): \r\nInternet Connectivity?"),
              std::string::npos) << "no data phone: no BAUD question, going on or back";
    EXPECT_NE(out.find("\r\nUser Name = Jane Doe\r\nEmail Address = jane@example.org\r\n"), std::string::npos);
    EXPECT_NE(out.find("Former SysOp = No\r\nSpecial Instructions = Later\r\nEverything OK? (Y/N) no\r\n"
                       "Enter REAL Name (First Last): [Jane Doe] \r\n"),
              std::string::npos) << "a declined reply asks again from question 1, answers kept";
    EXPECT_NE(out.find("Enter Voice phone no. (i.e. 1-337-555-1212): [555] /clear\r\nAn answer is required.\r\n"
                       "Enter Voice phone no. (i.e. 1-337-555-1212): [555] \r\n"),
              std::string::npos) << "/clear at a required question";
    EXPECT_EQ(out.substr(out.size() - 34), "Data output to file MyCorvel.Txt\r\n");
    EXPECT_EQ(plain.lines.errors(), "");
    EXPECT_NE(plain.file().find("Location = Here\r\nVoice Phone = 555\r\nBest Time to call = \r\n"),
              std::string::npos) << plain.file();
    EXPECT_NE(plain.file().find("Former SysOp = No\r\nInstructions = \r\n"), std::string::npos);
}

TEST(PlainMode, theEndOfTheInputGivesUpWithTheHeaderOnly) {
    struct Case {
        std::string input;
        std::string where;
    };
    for (const Case& c : {Case{"", "question 1"}, Case{"Jane Doe\n/back\n\n", "question 2"},
                          Case{"Jane Doe\njane@example.org\n", "question 3"},
                          Case{joined(fullAnswers, "\n") + "no\n", "question 1"},
                          Case{joined(fullAnswers, "\n"), "the confirmation"}}) {
        PlainRun plain(c.input);
        EXPECT_EQ(plain.run(), applicationNotWrittenExitCode);
        EXPECT_EQ(plain.file(), headerLines);
        EXPECT_EQ(plain.lines.errors(), "corvel: the input ended at " + c.where + "; the answers were not written\n");
    }
}

TEST(PlainMode, aFaultIsOneErrorLineAndTheProgramGoesOnAsAfterTheFaultScreen) {
    PlainRun plain(joined(fullAnswers, "\n") + "yes\n");
    plantSystemCallFaults({{platform::openSteps[0], 1, platform::accessDenied.error, {}}});
    EXPECT_EQ(plain.run(), applicationNotWrittenExitCode);
    EXPECT_EQ(plain.lines.errors(), "corvel: Internal Error: Line 100 Code 70 = Permission denied\n");
    EXPECT_EQ(plain.lines.output(), "") << "no key to wait for, nothing asked";
}

}  // namespace
}  // namespace corvel::test
