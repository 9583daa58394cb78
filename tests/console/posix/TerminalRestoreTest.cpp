#include "console/posix/TerminalRestore.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

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

// A second deadly signal that arrives while a restore is under way (on the
// signal path, or on the main thread's close) waits until it is done: the
// terminal ends up with its settings, however the restore was cut into. The
// restore's first step writes to a full pipe and blocks until the test
// drains it, after both signals were sent.
TEST(RestoreStack, ASecondSignalWaitsUntilTheRestoreIsDone) {
    for (bool fromMainThread : {false, true}) {
        Pty pty(24, 80);
        ASSERT_TRUE(pty.ok());
        const termios before = pty.settings();
        Pipe full;
        while (::write(full.write, "........", 8) > 0) {
        }
        fcntl(full.write, F_SETFL, 0);  // from now on a write waits for room
        Pipe ready;
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int s : {SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
            RestoreStack& stack = terminalRestore();
            stack.pushTermios(pty.slave(), before);
            termios raw = before;
            cfmakeraw(&raw);
            tcsetattr(pty.slave(), TCSANOW, &raw);
            stack.pushBytes(full.write, "x");
            installTerminalSignalHandlers(-1);
            [[maybe_unused]] ssize_t n = ::write(ready.write, "r", 1);
            if (fromMainThread) restoreTerminalNow();
            for (;;) pause();
        }
        ::close(full.write);
        full.write = -1;
        pollfd started{ready.read, POLLIN, 0};
        ASSERT_EQ(poll(&started, 1, 5000), 1);
        usleep(100000);  // on its way into the blocked write
        if (!fromMainThread) ::kill(child, SIGTERM);
        usleep(100000);
        ::kill(child, SIGHUP);
        usleep(100000);
        std::string drained;
        for (;;) {
            pollfd p{full.read, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) break;
            char buffer[4096];
            ssize_t n = ::read(full.read, buffer, sizeof buffer);
            if (n <= 0) break;
            drained.append(buffer, static_cast<std::size_t>(n));
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(drained.back(), 'x') << "from main thread: " << fromMainThread;
        EXPECT_TRUE(sameSettings(pty.settings(), before)) << "from main thread: " << fromMainThread;
    }
}

}  // namespace
}  // namespace corvel::posix
