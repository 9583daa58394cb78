// The program's command line and its start without a terminal, run as a
// process the way a user or a script would start it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace corvel::test {
namespace {

struct Outcome {
    int exitCode = -1;
    std::string output;
};

long lineCount(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

Outcome runProgram(const std::string& command) {
    Outcome outcome;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, got);
        int status = ::pclose(pipe);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return outcome;
}

TEST(CommandLine, helpVersionAndAMistypedOptionLeaveTheApplicationFileAlone) {
    TempDir dir;
    std::ofstream("MyCorvel.Txt") << "an earlier application\r\n";
    for (const char* words : {"--help", "-h", "'-?'", "'/?'"}) {
        Outcome help = runProgram(std::string(CORVEL_BINARY) + " " + words + " </dev/null");
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.output.rfind("usage: corvel [network name]\n", 0), 0u) << words << help.output;
    }
    for (const char* words : {"--version", "-V"}) {
        Outcome version = runProgram(std::string(CORVEL_BINARY) + " " + words + " </dev/null");
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.output, "Corvel v1.1.C\n") << words;
    }
    // A text that cannot be written fails, and says so.
    for (const char* words : {"--version", "--help"}) {
        Outcome full = runProgram(std::string(CORVEL_BINARY) + " " + words + " 2>&1 >/dev/full </dev/null");
        EXPECT_EQ(full.exitCode, 1) << words;
        EXPECT_EQ(full.output.rfind("corvel: ", 0), 0u) << full.output;
    }
    // A mistyped option is not a network's name: nothing starts.
    Outcome typo = runProgram("TERM=xterm " + std::string(CORVEL_BINARY) + " --hepl 2>&1 </dev/null");
    EXPECT_EQ(typo.exitCode, 2);
    EXPECT_NE(typo.output.find("--help"), std::string::npos) << typo.output;
    EXPECT_EQ(readFile("MyCorvel.Txt"), "an earlier application\r\n");
    EXPECT_FALSE(std::filesystem::exists("MyCorvel.Bak"));
}

TEST(CommandLine, aCharacterSetThatIsNoModeIsRefusedBeforeTheFileIsTouched) {
    TempDir dir;
    std::ofstream("MyCorvel.Txt") << "an earlier application\r\n";
    Outcome run = runProgram("TERM=xterm CORVEL_CHARSET=latin1 " + std::string(CORVEL_BINARY) + " </dev/null 2>&1");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.output, "corvel: CORVEL_CHARSET must be utf-8, cp437 or ascii\n");
    EXPECT_EQ(readFile("MyCorvel.Txt"), "an earlier application\r\n");
}

// Answers from a pipe: plain mode without asking, whatever the terminal;
// input that ends before the confirmation gives the application up.
TEST(CommandLine, answersPipedInFillTheApplicationOrGiveItUpWhereTheyEnd) {
    if (std::system("command -v setsid >/dev/null 2>&1") != 0) GTEST_SKIP() << "setsid is not installed";
    TempDir dir;
    const std::string program = std::string(CORVEL_BINARY) + " Othernet";
    const std::string answers = "Jane Doe\njane@example.org\nDoe BBS\nHere\n555\n\n\n\n\n\n\n\ny\n\n";
    for (const char* environment : {"env -u TERM", "TERM=dumb", "TERM=xterm setsid -w"}) {
        Outcome run = runProgram("printf '" + answers + "yes\\n' | " + environment + " " + program + " 2>&1");
        EXPECT_EQ(run.exitCode, 0) << environment << run.output;
        EXPECT_NE(run.output.find("\r\nData output to file MyCorvel.Txt\r\n"), std::string::npos) << run.output;
        EXPECT_EQ(lineCount(readFile("MyCorvel.Txt")), 19);
    }
    Outcome cut = runProgram("printf 'Jane Doe\\n' | " + program + " 2>&1 >/dev/null");
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.output, "corvel: the input ended at question 2; the answers were not written\n");
    EXPECT_EQ(lineCount(readFile("MyCorvel.Txt")), 2);
}

}  // namespace
}  // namespace corvel::test
