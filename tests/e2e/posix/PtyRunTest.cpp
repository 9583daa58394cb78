// The real program on a pseudo-terminal: every way out leaves the terminal
// as it was found, a paste is only typing, resizes do no harm, redirected
// standard streams do not matter, and a second instance leaves the first
// one's file alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "e2e/Answers.h"
#include "e2e/posix/PtyProgram.h"
#include "support/TempDir.h"

namespace corvel::test {
namespace {

const std::string fifteenAnswers = answersTypedFrom(0);

int lineCount(const std::string& text) { return occurrences(text, "\r\n"); }

// The terminal as found: settings, the main screen, a visible cursor, and
// every mode the program switched on switched off again, each exactly once.
void expectTerminalRestored(const PtyProgram& program) {
    const std::string& out = program.output();
    EXPECT_TRUE(program.settingsAsBefore()) << "terminal settings";
    EXPECT_EQ(occurrences(out, "\x1b[?1049l"), 1) << "left the alternate screen once";
    EXPECT_EQ(occurrences(out, "\x1b[?2004l"), occurrences(out, "\x1b[?2004h")) << "bracketed paste off as often as on";
    EXPECT_EQ(occurrences(out, "\x1b[<u"), occurrences(out, "\x1b[>1u")) << "keyboard protocol off as often as on";
    for (auto [on, off] : {std::pair<std::string, std::string>{"\x1b[?1049h", "\x1b[?1049l"},
                           {"\x1b[?2004h", "\x1b[?2004l"},
                           {"\x1b[>1u", "\x1b[<u"},
                           {"\x1b[?25l", "\x1b[?25h"},
                           {"\x1b[?7l", "\x1b[?7h"}}) {
        std::size_t lastOff = out.rfind(off);
        std::size_t lastOn = out.rfind(on);
        EXPECT_TRUE(lastOn == std::string::npos || (lastOff != std::string::npos && lastOn < lastOff))
            << "mode left on: " << on.substr(1);
    }
}

struct WayOut {
    const char* name;
    int signal;  // 0: the program ends by itself
};

class RestoreOnEveryWayOut : public ::testing::TestWithParam<WayOut> {};

TEST_P(RestoreOnEveryWayOut, TheTerminalIsAsItWasFound) {
    TempDir dir;
    const WayOut way = GetParam();
    if (std::string(way.name) == "faultScreen") std::filesystem::create_directory("MyCorvel.Txt");
    PtyProgram program({});
    ASSERT_TRUE(program.started());
    program.waitForFirstFrame();
    if (way.signal != 0) {
        program.type("half an answer");
        program.settle(50);
        ::kill(program.pid(), way.signal);
    } else if (std::string(way.name) == "normal") {
        program.type(fifteenAnswers + "y\r");
        program.settle();
        program.type("\r");
    } else if (std::string(way.name) == "altX") {
        program.type("\x1bx");
    } else {
        for (int i = 0; i < 3; ++i) {  // one key for each report on the fault screen
            program.settle();
            program.type(" ");
        }
    }
    int status = program.waitForExit();
    EXPECT_EQ(occurrences(program.output(), "\x1b[>1u"), 1) << "the keyboard protocol was on";
    if (way.signal != 0) {
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), way.signal);
        EXPECT_EQ(lineCount(readFile("MyCorvel.Txt")), 2) << "the header, whole";
    } else {
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), std::string(way.name) == "faultScreen" ? 1 : 0);
    }
    expectTerminalRestored(program);
}

INSTANTIATE_TEST_SUITE_P(PtyRun, RestoreOnEveryWayOut,
                         ::testing::Values(WayOut{"normal", 0}, WayOut{"altX", 0}, WayOut{"faultScreen", 0},
                                           WayOut{"sigterm", SIGTERM}, WayOut{"sighup", SIGHUP},
                                           WayOut{"sigquit", SIGQUIT}, WayOut{"sigsegv", SIGSEGV},
                                           WayOut{"sigabrt", SIGABRT}, WayOut{"sigusr1", SIGUSR1},
                                           WayOut{"sigalrm", SIGALRM}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file-size limit (ulimit -f 1) the answers cross: the write fails as a
// full disk does and the fault screen says so. A hang-up at the closing
// prompt still writes the confirmed answers; one on the fault screen leaves
// whole lines. The terminal is put back every time.
TEST(PtyRun, aFileSizeLimitIsADiskFullAndAHangUpKeepsWholeLines) {
    std::string longAnswers;
    for (std::size_t i = 0; i < typedAnswers.size(); ++i) {
        longAnswers += (i % 4 == 0 ? std::string(250, 'a') : typedAnswers[i]) + "\r";
    }
    enum Ending { keys, hangUpOnFaultScreen, hangUpAtClosingPrompt };
    for (Ending ending : {keys, hangUpOnFaultScreen, hangUpAtClosingPrompt}) {
        SCOPED_TRACE(ending);
        TempDir dir;
        PtyProgramOptions options;
        options.fileSizeLimit = ending == hangUpAtClosingPrompt ? 0 : 1024;
        PtyProgram program({}, options);
        program.waitForFirstFrame();
        program.type(longAnswers + "y\r");
        program.settle();
        if (ending == hangUpAtClosingPrompt) ::kill(program.pid(), SIGHUP);
        program.type(ending == hangUpAtClosingPrompt ? "" : "\r");
        program.settle();
        EXPECT_EQ(program.output().find("Disk full") != std::string::npos, ending != hangUpAtClosingPrompt);
        if (ending == hangUpOnFaultScreen) ::kill(program.pid(), SIGHUP);
        int status = -1;
        for (int key = 0; key < 6 && status == -1; ++key) {  // a key for each fault screen
            if (ending == keys) program.type(" ");
            status = program.waitForExit(1000);
        }
        EXPECT_EQ(status, ending == keys ? 1 << 8 : SIGHUP) << "exit 1, or ended by the hang-up";
        const std::string application = readFile("MyCorvel.Txt");
        EXPECT_EQ(lineCount(application), ending == hangUpAtClosingPrompt ? 19 : 2);
        EXPECT_EQ(application.substr(application.size() - 2), "\r\n") << "no half line";
        EXPECT_FALSE(std::filesystem::exists("MyCorvel.Bak.tmp"));
        expectTerminalRestored(program);
    }
}

// A backup that cannot be written (a directory holds its name) is named.
TEST(PtyRun, aBackupThatCannotBeWrittenIsNamedOnStandardError) {
    TempDir dir;
    writeFile("MyCorvel.Txt", "an earlier application\r\n");
    std::filesystem::create_directory("MyCorvel.Bak");
    PtyProgram program({});
    program.waitForFirstFrame();
    int status = -1;
    for (int key = 0; key < 4 && status == -1; ++key) program.type(" "), status = program.waitForExit(1000);
    EXPECT_EQ(status, 1 << 8) << "exit status 1";
    const std::string message = "corvel: MyCorvel.Bak could not be written: Path/file access error (code 75)\r\n";
    EXPECT_EQ(program.output().substr(program.output().size() - message.size()), message);
    EXPECT_EQ(readFile("MyCorvel.Txt"), "an earlier application\r\n");
}

// Past the 1 MiB no real paste has, the rest of the paste is dropped: its
// line breaks and letters never answer the questions that follow.
TEST(PtyRun, aHugePasteIsTypingThatFillsTheFieldAndNeverEndsTheQuestion) {
    TempDir dir;
    PtyProgram program({});
    program.waitForFirstFrame();
    std::size_t before = program.output().size();
    std::string paste = "\x1b[200~";
    for (int i = 0; i < 1100000; ++i) paste += i % 50 == 49 ? '\r' : static_cast<char>('a' + i % 26);
    program.type(paste + "\r" + answersTypedFrom(1) + "y\r\r\x1b[201~");
    program.settle();
    EXPECT_LT(program.output().size() - before, 100000u) << "not a frame per pasted character";
    program.type("\r" + answersTypedFrom(1) + "y\r");
    program.settle();
    program.type("\r");
    int status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string application = readFile("MyCorvel.Txt");
    std::size_t name = application.find("Real Name = ");
    ASSERT_NE(name, std::string::npos) << application;
    std::string answer = application.substr(name + 12, application.find("\r\n", name) - name - 12);
    EXPECT_EQ(answer.size(), 255u);
    EXPECT_EQ(answer.substr(0, 30), "abcdefghijklmnopqrstuvwxyzabcd");
    EXPECT_NE(application.find("Email Address = jane@example.org\r\n"), std::string::npos);
    EXPECT_EQ(lineCount(application), 19);
}

TEST(PtyRun, aThousandResizesDoNoHarm) {
    TempDir dir;
    PtyProgram program({});
    program.waitForFirstFrame();
    std::mt19937 random(2026);
    for (int i = 0; i < 1000; ++i) {
        program.setSize(1 + static_cast<int>(random() % 70), 1 + static_cast<int>(random() % 120));
        if (i % 50 == 0) program.settle(5);
    }
    program.setSize(50, 80);
    program.settle();
    program.type(fifteenAnswers + "y\r");
    program.settle();
    program.type("\r");
    int status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(lineCount(readFile("MyCorvel.Txt")), 19);
    expectTerminalRestored(program);
}

// A bogus terminal size (65535 x 65535) is cut to the largest console; a
// memory limit (the sanitizer's largest allocation) does not end the run.
TEST(PtyRun, aHugeTerminalSizeIsCutAndTheAnswersAreKept) {
    TempDir dir;
    const char* found = std::getenv("ASAN_OPTIONS");
    const std::string saved = found ? found : "";
    setenv("ASAN_OPTIONS", "allocator_may_return_null=1:max_allocation_size_mb=256", 1);
    PtyProgram program({});
    found ? setenv("ASAN_OPTIONS", saved.c_str(), 1) : unsetenv("ASAN_OPTIONS");
    program.waitForFirstFrame();
    program.type("Jane");
    program.setSize(65535, 65535);
    program.settle();
    program.type(" Doe\r" + answersTypedFrom(1) + "y\r");
    program.settle();
    program.type("\r");
    int status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(readFile("MyCorvel.Txt").find("Real Name = Jane Doe\r\n"), std::string::npos);
}

TEST(PtyRun, redirectedStandardOutputLeavesTheFormOnTheTerminal) {
    TempDir dir;
    PtyProgram program({}, {50, 80, "", dir.file("out"), false});
    program.waitForFirstFrame();
    program.type("\x1bx");
    int status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile("out"), "") << "nothing goes to standard output";
    EXPECT_EQ(lineCount(readFile("MyCorvel.Txt")), 2) << "Alt+X keeps the header only";
    expectTerminalRestored(program);
}

TEST(PtyRun, aSecondInstanceLeavesTheFirstOnesFileAlone) {
    TempDir dir;
    PtyProgram first({});
    first.waitForFirstFrame();
    const std::string header = readFile("MyCorvel.Txt");
    ASSERT_EQ(lineCount(header), 2);

    PtyProgram second({"Othernet"});
    second.waitForFirstFrame();
    EXPECT_NE(second.output().find("Permission denied"), std::string::npos) << "the file is in use";
    for (int i = 0; i < 3; ++i) {  // a key for each report
        second.type(" ");
        second.settle();
    }
    int status = second.waitForExit();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the second application was not written";
    const std::string message = "corvel: MyCorvel.Txt was not written: another program has MyCorvel.Txt open (code 70)\r\n";
    EXPECT_NE(second.output().find(message), std::string::npos) << "the reason on standard error";
    EXPECT_EQ(readFile("MyCorvel.Txt"), header);

    first.type(fifteenAnswers + "y\r");
    first.settle();
    first.type("\r");
    ASSERT_TRUE(WIFEXITED(first.waitForExit()));
    std::string application = readFile("MyCorvel.Txt");
    EXPECT_EQ(application.substr(0, header.size()), header);
    EXPECT_EQ(lineCount(application), 19);
}

// A planted link is refused and its target left alone; then a name typed
// in UTF-8 with control bytes in it reaches title and file in code page 437
// without them, and the earlier application is kept as the backup, over a
// link of that name, which is replaced and not followed.
TEST(PtyRun, theTailIsTextTheEarlierApplicationIsKeptAndNoLinkIsFollowed) {
    TempDir dir;
    writeFile("victim", "not yours\n");
    std::filesystem::create_symlink("victim", "MyCorvel.Txt");
    PtyProgram refused({});
    refused.waitForFirstFrame();
    EXPECT_NE(refused.output().find("Path/file access error"), std::string::npos);
    refused.type(" ");
    int status = refused.waitForExit();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string message = "corvel: MyCorvel.Txt was not written: Path/file access error (code 75)\r\n";
    EXPECT_EQ(refused.output().substr(refused.output().size() - message.size()), message);
    EXPECT_EQ(readFile("victim"), "not yours\n");
    ASSERT_TRUE(std::filesystem::is_symlink("MyCorvel.Txt"));

    std::filesystem::remove("MyCorvel.Txt");
    const std::string earlier = "09:05:03  -=:{ FIDONet Application }:=-  on December 8th, 2026\r\n\r\n"
                                "Real Name = Jane Doe\r\n";
    writeFile("MyCorvel.Txt", earlier);
    std::filesystem::create_symlink("victim", "MyCorvel.Bak");
    PtyProgram program({"R\xC3\xA9seau\x1b[31m", "Net\nwork"});
    program.waitForFirstFrame();
    EXPECT_NE(program.output().find("R\xC3\xA9seau[31m Network"), std::string::npos);
    program.type(fifteenAnswers + "y\r");
    program.settle();
    program.type("\r");
    status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string application = readFile("MyCorvel.Txt");
    EXPECT_EQ(lineCount(application), 19);
    EXPECT_NE(application.find(" -=:{ R\x82seau[31m Network Application }:=-  on "), std::string::npos);
    EXPECT_FALSE(std::filesystem::is_symlink("MyCorvel.Bak"));
    EXPECT_EQ(readFile("MyCorvel.Bak"), earlier);
    EXPECT_EQ(readFile("victim"), "not yours\n");
    EXPECT_FALSE(std::filesystem::exists("MyCorvel.Bak.tmp"));
}

// Whether the process is stopped (Linux: the state in /proc).
bool isStopped(pid_t pid) {
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'T';
}

bool waitUntil(PtyProgram& program, const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) return true;
        program.settle(20, 50);
    }
    return condition();
}

// Job control: a stop puts the terminal back as on exit, going on takes it
// again and paints the whole frame; Ctrl+Z typed in the editor stays a key.
TEST(PtyRun, aStopGivesTheTerminalBackAndGoingOnTakesItAgain) {
    TempDir dir;
    PtyProgramOptions options;
    options.asJob = true;
    PtyProgram program({}, options);
    program.waitForFirstFrame();
    program.type("Jane");
    program.settle();
    const std::size_t beforeStop = program.output().size();
    ::kill(program.pid(), SIGTSTP);
    ASSERT_TRUE(waitUntil(program, [&] { return isStopped(program.pid()); }));
    program.settle();
    const std::string atStop = program.output().substr(beforeStop);
    EXPECT_TRUE(program.settingsAsBefore()) << "settings as found while stopped";
    for (const char* mode : {"\x1b[?1049l", "\x1b[?2004l", "\x1b[<u"}) {
        EXPECT_NE(atStop.find(mode), std::string::npos) << "left on when stopped: " << mode + 1;
    }

    const std::size_t beforeGoingOn = program.output().size();
    ::kill(program.pid(), SIGCONT);
    ASSERT_TRUE(waitUntil(program, [&] {
        return program.output().find("Jane", beforeGoingOn) != std::string::npos;
    })) << "the whole frame is painted again";
    const std::string afterGoingOn = program.output().substr(beforeGoingOn);
    for (const char* mode : {"\x1b[?1049h", "\x1b[?2004h", "\x1b[>1u", "\x1b[2J"}) {
        EXPECT_NE(afterGoingOn.find(mode), std::string::npos) << "not taken again: " << mode + 1;
    }
    EXPECT_FALSE(program.settingsAsBefore()) << "raw mode again";

    program.type("\x1a");  // Ctrl+Z: a key the editor ignores
    program.settle();
    EXPECT_FALSE(isStopped(program.pid()));
    program.type(" Doe\r" + answersTypedFrom(1) + "y\r");
    program.settle();
    program.type("\r");
    int status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(readFile("MyCorvel.Txt").find("Real Name = Jane Doe\r\n"), std::string::npos);
    EXPECT_TRUE(program.settingsAsBefore());
    const std::string& out = program.output();
    EXPECT_EQ(occurrences(out, "\x1b[?1049l"), 2) << "put back once for the stop and once at the end";
    EXPECT_EQ(occurrences(out, "\x1b[>1u"), occurrences(out, "\x1b[<u"));
}

// The tone program runs as a shell would run it: with the terminal's own
// settings, the form ignoring SIGINT meanwhile, and the form going on when
// it ends even though a process it started still holds its output. Esc
// typed during the tone and x typed after it are two keys, not Alt+X.
TEST(PtyRun, theToneProgramGetsTheTerminalAsAShellGivesIt) {
    TempDir dir;
    std::filesystem::create_directory("bin");
    writeFile("bin/lowchime",
              "#!/bin/sh\n"
              "[ -e tone-played ] && exit 0\n"
              "stty -a > tone-settings\n"
              "kill -INT $PPID\n"
              "sleep 20 &\n"
              ": > tone-played\n"
              "sleep 1\n");
    std::filesystem::permissions("bin/lowchime", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (std::filesystem::current_path() / "bin").string().append(":").append(path).c_str(), 1);
    PtyProgram program({});
    setenv("PATH", path.c_str(), 1);
    program.waitForFirstFrame();
    program.type("\r");  // the name is required: the tone plays
    ASSERT_TRUE(waitUntil(program, [] { return std::filesystem::exists("tone-played"); }));
    program.type("\x1b");
    program.settle(300, 300);
    program.type("x");
    program.settle(1500, 5000);  // the tone ends, the form takes the keys
    program.type("\x7f" + fifteenAnswers + "y\r");
    program.settle();
    program.type("\r");
    int status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string settings = readFile("tone-settings");
    EXPECT_NE(settings.find(" icanon"), std::string::npos) << settings;
    EXPECT_NE(settings.find(" echo "), std::string::npos) << settings;
    std::string application = readFile("MyCorvel.Txt");
    EXPECT_EQ(lineCount(application), 19) << "Esc and x are no Alt+X";
    EXPECT_NE(application.find("Real Name = Jane Doe\r\n"), std::string::npos);
    EXPECT_EQ(occurrences(program.output(), "\x1b[?2004l"), 2) << "plain keys for the tone program, and at the end";
    expectTerminalRestored(program);
}

}  // namespace
}  // namespace corvel::test
