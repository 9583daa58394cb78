// The output file on POSIX: errno values at the gateway, a second process
// against the lock, failures of open, write and close.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "runtime/OutputFileFixture.h"
#include "runtime/SystemCall.h"
#include "runtime/SystemCallFaults.h"

namespace corvel {
namespace {

using test::readFile;
using testing::PlantedFaults;
using test::writeFile;
using OutputFileTest = test::OutputFileFixture;

TEST_F(OutputFileTest, aSecondProcessGets70AndLeavesTheFirstFileIntact) {
    openFresh();
    files.writeFileText(errors, 1, "header");
    files.endFileLine(errors, 1);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ErrorState childErrors;
        OutputFiles second;
        second.openOutputFile(childErrors, 1, path);
        ::_exit(childErrors.currentErrorCode());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 70);
    EXPECT_EQ(readFile(path), "header\r\n");
}


TEST_F(OutputFileTest, openFailuresRaiseTheirCodesAndLeaveNothingOpen) {
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, directory.file("no/such/x")); }), 76);
    {
        PlantedFaults faults({{"open", 0, ENOENT, {}}});
        EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path); }), 53);
    }
    for (int error : {EROFS, EACCES}) {
        PlantedFaults faults({{"open", 0, error, {}}});
        EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path); }), 70);
    }
    writeFile(path, "kept");
    {
        PlantedFaults faults({{"flock", 1, EWOULDBLOCK, {}}});
        EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path); }), 70);
    }
    EXPECT_EQ(readFile(path), "kept");  // never emptied without the lock
    {
        PlantedFaults faults({{"ftruncate", 1, EIO, {}}});
        EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path); }), 57);
    }
    EXPECT_FALSE(files.isOpen(1));
    if (::geteuid() != 0) {
        std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path); }), 70);
    }
}


TEST_F(OutputFileTest, writeFailuresRaiseTheirCodesAndKeepWhatWasWritten) {
    openFresh();
    {
        PlantedFaults faults({{"write", 1, ENOSPC, {}}});
        EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 1, "abc"); }), 61);
    }
    {
        PlantedFaults faults({{"write", 0, 0, 0}});  // a write that makes no progress
        EXPECT_EQ(raisedBy([&] { files.endFileLine(errors, 1); }), 61);
    }
    {
        // Short, interrupted, then the rest: the item arrives whole.
        PlantedFaults faults({{"write", 1, 0, 2}, {"write", 2, EINTR, {}}});
        EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 1, "hello"); }), 0);
    }
    {
        PlantedFaults faults({{"write", 1, 0, 3}, {"write", 2, ENOSPC, {}}});
        EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 1, "world"); }), 61);
    }
    EXPECT_TRUE(files.isOpen(1));
    EXPECT_EQ(readFile(path), "hellowor");
    EXPECT_EQ(files.filePosition(1), 8u);

    files.openOutputFile(errors, 2, "/dev/null");
    ASSERT_EQ(errors.takeErrorCode(), 0);
    PlantedFaults faults({{"write", 0, 0, 0}});
    EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 2, "x"); }), 57);
}


int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Memory runs out at each call of keeping the earlier application, and of
// putting a new file in place of a hard-linked one: nothing stays open, no
// temporary file stays behind, nothing is emptied without its backup.
TEST_F(OutputFileTest, memoryRunningOutAnywhereAroundTheBackupLeavesNothingBehind) {
    const std::string earlier = "09:05:03 title\r\n\r\nReal Name = Jane\r\n";
    const std::string backupName = directory.file("MyCorvel.Bak");
    const BackupRule rule{backupName};
    for (bool hardLinked : {false, true}) {
        for (const char* call : {"open", "fstat", "flock", "pread", "unlink", "write", "fdatasync", "close",
                                 "rename", "fsync", "ftruncate"}) {
            for (int occurrence = 1; occurrence <= 3; ++occurrence) {
                SCOPED_TRACE(std::string(call) + " #" + std::to_string(occurrence) + (hardLinked ? " linked" : ""));
                writeFile(path, earlier);
                std::filesystem::remove(backupName);
                if (hardLinked) std::filesystem::create_hard_link(path, path + " too");
                const int before = openDescriptors();
                SystemCallFault fault{call, occurrence, 0, {}};
                fault.outOfMemory = true;
                {
                    PlantedFaults faults({fault});
                    try {
                        files.openOutputFile(errors, 1, path, &rule);
                    } catch (const std::bad_alloc&) {
                    }
                }
                files.closeAllFiles(errors);
                errors.takeErrorCode();
                EXPECT_EQ(openDescriptors(), before);
                EXPECT_FALSE(std::filesystem::exists(backupName + ".tmp") || std::filesystem::exists(path + ".tmp"));
                EXPECT_EQ(readFile(path) == earlier ? earlier : readFile(backupName), earlier) << "emptied unkept";
                EXPECT_EQ(hardLinked ? readFile(path + " too") : earlier, earlier);
                std::filesystem::remove(path + " too");
            }
        }
    }
}

TEST_F(OutputFileTest, closingClosesEveryFileAndRaisesTheFirstFailure) {
    openFresh();
    files.openOutputFile(errors, 2, directory.file("second"));
    ASSERT_EQ(errors.takeErrorCode(), 0);
    {
        // Newest first: file 2 fails with EIO, then file 1 with ENOSPC.
        PlantedFaults faults({{"close", 1, EIO, {}, true}, {"close", 2, ENOSPC, {}, true}});
        EXPECT_EQ(raisedBy([&] { files.closeAllFiles(errors); }), 57);
    }
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_FALSE(files.isOpen(2));
    openFresh();  // the number can be opened again
}


}  // namespace
}  // namespace corvel
