#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "runtime/SystemCallFaults.h"
#include "support/TempDir.h"
#include "app/DeviceCommandOutput.h"
#include "console/MemoryDevice.h"
#include "runtime/CommandRunner.h"
#include "runtime/ErrorState.h"

namespace corvel {
namespace {

constexpr std::uint16_t showAndWait = waitForCompletion | 1;

class CommandRunnerTest : public ::testing::Test {
protected:
    std::uint32_t run(std::string_view command) {
        return runner.runCommand(errors, command, showAndWait, false);
    }

    MemoryDevice device{80, 25};
    DeviceCommandOutput output{device};
    CommandRunner runner{output};
    ErrorState errors;
};

TEST_F(CommandRunnerTest, modeConResizesTheConsoleInAnyCase) {
    EXPECT_EQ(run("Cmd /C Mode Con Cols=80 Lines=50"), 0u);
    EXPECT_EQ(device.width(), 80);
    EXPECT_EQ(device.height(), 50);
    EXPECT_EQ(run("CMD /c MODE CON: LINES=30 COLS=100"), 0u);
    EXPECT_EQ(device.width(), 100);
    EXPECT_EQ(device.height(), 30);
    EXPECT_EQ(run("cmd /c mode con lines=40"), 0u);
    EXPECT_EQ(device.width(), 100);
    EXPECT_EQ(device.height(), 40);
    // Sizes it cannot take change nothing.
    for (const char* bad : {"cmd /c mode con cols=0", "cmd /c mode con cols=99999999999",
                            "cmd /c mode con cols=8x", "cmd /c mode com1 cols=80"}) {
        EXPECT_EQ(run(bad), 1u) << bad;
    }
    EXPECT_EQ(device.width(), 100);
    EXPECT_EQ(errors.currentErrorCode(), 0);
}

TEST_F(CommandRunnerTest, clsClearsInTheDefaultAttributeWithTheCursorHome) {
    device.fillCharacters(1, 1, 80 * 25, 'x');
    device.setDefaultAttribute(0x07);
    device.setCursor(10, 10);
    EXPECT_EQ(run("CMD /C CLS"), 0u);
    for (int row = 1; row <= 25; ++row) {
        for (int column = 1; column <= 80; ++column) {
            ASSERT_EQ(device.readCell(row, column), (Cell{' ', 0x07})) << row << "," << column;
        }
    }
    EXPECT_EQ(device.cursorRow(), 1);
    EXPECT_EQ(device.cursorColumn(), 1);
}

TEST_F(CommandRunnerTest, aChildsOutputLandsInTheGridAtTheCursor) {
    device.setDefaultAttribute(0x1F);
    device.setCursor(5, 3);
    EXPECT_EQ(run("cmd /c printf one\\ttwo\\r\\nthree"), 0u);
    EXPECT_EQ(device.rowText(5, 1, 15), "  one   two    ");  // the tab stops at column 9
    EXPECT_EQ(device.rowText(6, 1, 6), "three ");
    EXPECT_EQ(device.readCell(6, 1), (Cell{'t', 0x1F}));
    EXPECT_EQ(device.cursorRow(), 6);
    EXPECT_EQ(device.cursorColumn(), 6);
    const int framesBefore = device.frames();
    EXPECT_EQ(run("echo shell >&2; echo line"), 0u);  // not "cmd /c": the shell runs it
    EXPECT_EQ(device.rowText(6, 1, 10), "threeshell");
    EXPECT_EQ(device.rowText(7, 1, 4), "line");
    EXPECT_GE(device.frames(), framesBefore + 2);  // before the child and after its output
}

TEST_F(CommandRunnerTest, exitCodesPassThroughAndAMissingProgramSoundsTheAlert) {
    EXPECT_EQ(run("sh -c 'exit 3'"), 3u);
    EXPECT_EQ(run("cmd /c sh -c \"exit 4\""), 4u);
    EXPECT_EQ(run("cmd /c false"), 1u);
    EXPECT_EQ(run("cmd /c true.EXE"), 0u);  // found without its suffix
    EXPECT_EQ(device.alerts(), 0);
    EXPECT_EQ(run("cmd /c lowchime-absent.exe"), 1u);
    EXPECT_EQ(device.alerts(), 1);
    EXPECT_EQ(errors.currentErrorCode(), 0);
}

TEST_F(CommandRunnerTest, onlyTheFirst256BytesAreUsed) {
    const std::string prefix = "cmd /c printf ";
    const std::string command = prefix + std::string(300, 'k');
    EXPECT_EQ(run(command), 0u);
    const std::string printed = device.rowText(1) + device.rowText(2) + device.rowText(3) + device.rowText(4);
    EXPECT_EQ(printed.find_first_not_of('k'), 256 - prefix.size());
}

TEST_F(CommandRunnerTest, aChildThatCannotStartRaisesTheMappedCode) {
    {
        testing::PlantedFaults faults({{"fork", 0, EAGAIN, {}}});  // out of processes
        EXPECT_EQ(run("cmd /c true"), 0u);
        EXPECT_EQ(errors.takeErrorCode(), 7);
    }
    {
        testing::PlantedFaults faults({{"pipe", 0, EMFILE, {}}});
        EXPECT_EQ(run("exit 5"), 0u);
        EXPECT_EQ(errors.takeErrorCode(), 67);
    }
    EXPECT_EQ(run("exit 5"), 5u);
    // An executable file the system cannot run fails in the child's exec.
    test::TempDir directory;
    const std::string program = directory.file("garbage");
    test::writeFile(program, std::string("\x01\x02\x03\x04", 4));
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    EXPECT_EQ(run("cmd /c " + program), 0u);
    EXPECT_EQ(errors.takeErrorCode(), 75);
}

// The wait ends with the child, not with whatever it left holding its
// output pipe; a child left running holds no descriptor of ours.
TEST_F(CommandRunnerTest, theWaitEndsWithTheChildAndALeftChildHoldsNoStrayDescriptor) {
    test::TempDir directory;
    // Left behind: a process that holds the pipe for five seconds, then
    // leaves a mark.
    EXPECT_EQ(run("(sleep 5; echo > " + directory.file("ended") + ") & echo waited"), 0u);
    EXPECT_FALSE(std::filesystem::exists(directory.file("ended"))) << "waited for what the child left";
    EXPECT_EQ(device.rowText(1, 1, 6), "waited");

    // The descriptors a child sees, waited for and left running alike.
    auto descriptors = [&](bool wait) {
        const std::string listing = directory.file(wait ? "waited" : "left-running");
        const std::string command = "exec ls /proc/self/fd > " + listing;
        const std::uint32_t result = runner.runCommand(errors, command, wait ? showAndWait : 1, false);
        if (!wait) ::waitpid(static_cast<pid_t>(result), nullptr, 0);
        return test::readFile(listing);
    };
    EXPECT_EQ(descriptors(false), descriptors(true));
}

}  // namespace
}  // namespace corvel
