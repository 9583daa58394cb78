// A child program on the real terminal device with memory running out at
// each step, and the interrupt keys around the terminal's lend.
#include <dirent.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <new>
#include <set>

#include "app/DeviceCommandOutput.h"
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
    DIR* dir = ::opendir("/proc/self/fd");
    while (dirent* entry = ::readdir(dir)) names.insert(entry->d_name);
    ::closedir(dir);
    return names;
}

// After each fault: raw mode, the same descriptors open, no child left.
TEST(ChildFaults, memoryRunningOutAtEachStepOfAChildLeavesNothingBehind) {
    posix::testing::Pty pty(24, 80);
    std::string error;
    auto device = posix::TerminalDevice::openOn(::dup(pty.slave()), true, posix::Charset::utf8, error);
    ASSERT_NE(device, nullptr) << error;
    const termios raw = pty.settings();
    DeviceCommandOutput output(*device);
    CommandRunner runner(output);
    ErrorState errors;
    const std::set<std::string> before = openDescriptors();
    for (const char* call : {"pipe", "fork", "close", "read"}) {
        for (int n = 1, thrown = 1; thrown; ++n) {
            SCOPED_TRACE(std::string(call) + " " + std::to_string(n) + " runs out of memory");
            testing::PlantedFaults planted({{call, n, 0, {}, false, true}});
            thrown = 0;
            try {
                runner.runCommand(errors, "cmd /c sh -c \"echo tone\"", waitForCompletion | 1, false);
            } catch (const std::bad_alloc&) {
                thrown = 1;
            }
            EXPECT_TRUE(n > 1 || thrown) << "no such step";
            pty.drain(0);
            EXPECT_TRUE(posix::testing::sameSettings(pty.settings(), raw)) << "the terminal is raw";
            EXPECT_EQ(openDescriptors(), before);
            EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child is left";
        }
    }
}

// How SIGINT is handled when the console is lent and when it is taken back.
struct LendWatch : MemoryDevice {
    LendWatch() : MemoryDevice(80, 25) {}
    void setChildRunning(bool running) override {
        struct sigaction now {};
        ::sigaction(SIGINT, nullptr, &now);
        (running ? ignoredAtLend : ignoredAtTakeBack) = now.sa_handler == SIG_IGN;
    }
    bool ignoredAtLend = false;
    bool ignoredAtTakeBack = false;
};

// Ctrl+C as the child ends must not reach the program before raw mode is
// back; the child gets the signal's default.
TEST(ChildFaults, interruptsStayIgnoredFromBeforeTheLendUntilAfterTheTakeBack) {
    LendWatch device;
    DeviceCommandOutput output(device);
    CommandRunner runner(output);
    ErrorState errors;
    EXPECT_EQ(runner.runCommand(errors, "cmd /c sh -c \"kill -INT $$\"", waitForCompletion | 1, false), 130u);
    EXPECT_TRUE(device.ignoredAtLend && device.ignoredAtTakeBack);
    struct sigaction after {};
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL) << "as it was";
}

}  // namespace
}  // namespace corvel
