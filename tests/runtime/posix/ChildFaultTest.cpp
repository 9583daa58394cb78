// Running a child program on the real terminal device with memory running
// out at each step of it, and the interrupt keys around the terminal's lend.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <new>
#include <set>
#include <string>

#include "console/MemoryDevice.h"
#include "console/posix/PtyHelper.h"
#include "console/posix/TerminalDevice.h"
#include "runtime/CommandRunner.h"
#include "runtime/ErrorState.h"
#include "runtime/SystemCallFaults.h"

namespace corvel {
namespace {

std::set<std::string> openDescriptors() {
    std::set<std::string> names;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (dirent* entry = ::readdir(dir)) names.insert(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

// After each planted fault: raw mode again, the same descriptors open, and
// no child of ours left, running or unwaited.
TEST(ChildFaults, memoryRunningOutAtEachStepOfAChildLeavesNothingBehind) {
    posix::testing::Pty pty(24, 80);
    std::string error;
    auto device = posix::TerminalDevice::openOn(::dup(pty.slave()), true, posix::Charset::utf8, error);
    ASSERT_NE(device, nullptr) << error;
    const termios raw = pty.settings();
    CommandRunner runner(*device);
    ErrorState errors;
    const std::set<std::string> before = openDescriptors();
    for (const char* call : {"pipe", "fork", "close", "read"}) {
        int faults = 0;
        for (int n = 1;; ++n) {
            SCOPED_TRACE(std::string(call) + " " + std::to_string(n) + " runs out of memory");
            bool thrown = false;
            try {
                testing::PlantedFaults planted({{call, n, 0, {}, false, true}});
                runner.runCommand(errors, "cmd /c sh -c \"echo tone\"", waitForCompletion | 1, false);
            } catch (const std::bad_alloc&) {
                thrown = true;
            }
            pty.drain(0);
            EXPECT_TRUE(posix::testing::sameSettings(pty.settings(), raw)) << "the terminal is raw";
            EXPECT_EQ(openDescriptors(), before);
            errno = 0;
            EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
            EXPECT_EQ(errno, ECHILD) << "a child is left";
            if (!thrown) break;
            ++faults;
        }
        EXPECT_GT(faults, 0) << call;
    }
}

// Records how SIGINT is handled when the console is lent and taken back.
class LendWatch : public MemoryDevice {
public:
    LendWatch() : MemoryDevice(80, 25) {}
    void setChildRunning(bool running) override {
        struct sigaction now {};
        ::sigaction(SIGINT, nullptr, &now);
        (running ? ignoredAtLend : ignoredAtTakeBack) = now.sa_handler == SIG_IGN;
    }
    bool ignoredAtLend = false;
    bool ignoredAtTakeBack = false;
};

void noteInterrupt(int) {}

// Ctrl+C just as the child ends must not reach the program's handler before
// raw mode is back; the child itself gets the handler's default.
TEST(ChildFaults, interruptsStayIgnoredFromBeforeTheLendUntilAfterTheTakeBack) {
    struct sigaction mine {};
    mine.sa_handler = noteInterrupt;
    struct sigaction found {};
    ::sigaction(SIGINT, &mine, &found);
    LendWatch device;
    CommandRunner runner(device);
    ErrorState errors;
    const std::uint32_t exitCode =
        runner.runCommand(errors, "cmd /c sh -c \"kill -INT $$; exit 3\"", waitForCompletion | 1, false);
    EXPECT_EQ(exitCode, 128u + SIGINT) << "the child ends of the signal";
    EXPECT_TRUE(device.ignoredAtLend);
    EXPECT_TRUE(device.ignoredAtTakeBack);
    struct sigaction after {};
    ::sigaction(SIGINT, &found, &after);
    EXPECT_EQ(after.sa_handler, noteInterrupt) << "the handler is back";
}

}  // namespace
}  // namespace corvel
