#include "console/posix/TerminalRestore.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "PtyHelper.h"

namespace corvel::posix {
namespace {

using testing::Pty;
using testing::sameSettings;

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        ::close(read);
        ::close(write);
    }
    std::string take() const {
        std::string out;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(read, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
        return out;
    }
};

TEST(RestoreStack, RunsEveryStepOnceNewestFirst) {
    Pipe pipe;
    RestoreStack stack;
    EXPECT_FALSE(stack.armed());
    EXPECT_TRUE(stack.pushBytes(pipe.write, "1"));
    EXPECT_TRUE(stack.pushBytes(pipe.write, "22"));
    EXPECT_TRUE(stack.pushBytes(pipe.write, "333"));
    EXPECT_TRUE(stack.armed());
    EXPECT_EQ(stack.bytesFor(pipe.write), "333221");
    stack.run();
    EXPECT_EQ(pipe.take(), "333221");
    EXPECT_FALSE(stack.armed());
    stack.run();
    EXPECT_EQ(pipe.take(), "");
    EXPECT_FALSE(stack.pushBytes(pipe.write, "4"));  // it has run
    stack.reset();
    EXPECT_TRUE(stack.pushBytes(pipe.write, "5"));
    stack.run();
    EXPECT_EQ(pipe.take(), "5");
}

TEST(RestoreStack, KeepsTheOrderAcrossDescriptors) {
    Pipe first;
    Pipe second;
    RestoreStack stack;
    stack.pushBytes(first.write, "a");
    stack.pushBytes(first.write, "b");
    stack.pushBytes(second.write, "c");
    stack.pushBytes(first.write, "d");
    stack.run();
    EXPECT_EQ(first.take(), "dba");
    EXPECT_EQ(second.take(), "c");
}

TEST(RestoreStack, HasFixedLimits) {
    Pipe pipe;
    RestoreStack stack;
    EXPECT_FALSE(stack.pushBytes(pipe.write, std::string(RestoreStack::maxBytes + 1, 'x')));
    for (int i = 0; i < RestoreStack::maxSteps; ++i) EXPECT_TRUE(stack.pushBytes(pipe.write, "x"));
    EXPECT_FALSE(stack.pushBytes(pipe.write, "x"));
    EXPECT_EQ(stack.size(), RestoreStack::maxSteps);
}

TEST(RestoreStack, PutsTerminalSettingsBackExactly) {
    Pty pty(24, 80);
    ASSERT_TRUE(pty.ok());
    termios before = pty.settings();
    RestoreStack stack;
    stack.pushTermios(pty.slave(), before);
    termios raw = before;
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(pty.slave(), TCSANOW, &raw), 0);
    EXPECT_FALSE(sameSettings(pty.settings(), before));
    stack.run();
    EXPECT_TRUE(sameSettings(pty.settings(), before));
}

TEST(RestoreStack, DoesNothingInAForkedChild) {
    Pipe pipe;
    RestoreStack stack;
    stack.pushBytes(pipe.write, "x");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        stack.run();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(pipe.take(), "");
    stack.run();
    EXPECT_EQ(pipe.take(), "x");
}

TEST(RestoreStack, RestoreTerminalNowWithNothingRecordedIsHarmless) {
    RestoreStack& stack = terminalRestore();
    ASSERT_FALSE(stack.armed());
    restoreTerminalNow();
    restoreTerminalNow();
    EXPECT_FALSE(stack.armed());
}

// A signal ignored at start (SIGHUP under nohup) stays ignored.
TEST(TerminalSignals, ASignalFoundIgnoredStaysIgnored) {
    std::signal(SIGHUP, SIG_IGN);
    installTerminalSignalHandlers(-1);
    const auto hangUp = std::signal(SIGHUP, SIG_DFL);
    const auto terminate = std::signal(SIGTERM, SIG_DFL);
    removeTerminalSignalHandlers();
    std::signal(SIGHUP, SIG_DFL);
    EXPECT_EQ(hangUp, SIG_IGN);
    EXPECT_NE(terminate, SIG_DFL) << "the others are handled";
}

}  // namespace
}  // namespace corvel::posix
