#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "runtime/ErrorState.h"
#include "runtime/OutputFile.h"
#include "runtime/SystemCall.h"
#include "SystemCallFaults.h"
#include "support/TempDir.h"

namespace corvel {
namespace {

using test::readFile;
using testing::PlantedFaults;
using test::writeFile;

class OutputFileTest : public ::testing::Test {
protected:
    // Opens the file under number 1 and expects no error.
    void openFresh() {
        files.openOutputFile(errors, 1, path);
        ASSERT_EQ(errors.takeErrorCode(), 0);
    }
    // The code raised by an operation, the state cleared again.
    template <class Operation>
    int raisedBy(Operation operation) {
        operation();
        return errors.takeErrorCode();
    }

    test::TempDir directory;
    std::string path = directory.file("MyCorvel.Txt");
    ErrorState errors;
    OutputFiles files;
};

TEST_F(OutputFileTest, writesItemsBackToBackWithCrLfAndEmptiesOlderContent) {
    writeFile(path, std::string(500, 'z'));
    openFresh();
    EXPECT_EQ(readFile(path), "");
    files.writeFileText(errors, 1, "12:00:00 ");
    files.writeFileText(errors, 1, "");
    files.writeFileText(errors, 1, "Title");
    files.endFileLine(errors, 1);
    files.endFileLine(errors, 1);
    files.writeFileText(errors, 1, std::string("\xEC\x00\xF9", 3));
    files.endFileLine(errors, 1);
    EXPECT_EQ(files.filePosition(1), 23u);
    files.closeAllFiles(errors);
    EXPECT_EQ(errors.currentErrorCode(), 0);
    EXPECT_EQ(readFile(path), std::string("12:00:00 Title\r\n\r\n\xEC\x00\xF9\r\n", 23));
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 1, "x"); }), 52);
    EXPECT_EQ(raisedBy([&] { files.closeAllFiles(errors); }), 0);  // nothing open
}

TEST_F(OutputFileTest, everyItemIsWithTheSystemWhenTheCallReturns) {
    openFresh();
    files.writeFileText(errors, 1, "Name: ");
    EXPECT_EQ(readFile(path), "Name: ");
    files.writeFileText(errors, 1, "Ann");
    EXPECT_EQ(readFile(path), "Name: Ann");
    files.endFileLine(errors, 1);
    EXPECT_EQ(readFile(path), "Name: Ann\r\n");
}

TEST_F(OutputFileTest, refusesBadNamesNumbersAndReuse) {
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, ""); }), 64);
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, directory.file("a*b")); }), 64);
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, directory.file("a?b")); }), 64);
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path + std::string(1, '\0') + "x"); }), 64);
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, -1, path); }), 52);
    EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 1, "x"); }), 52);
    EXPECT_EQ(raisedBy([&] { files.endFileLine(errors, 1); }), 52);
    EXPECT_FALSE(std::filesystem::exists(path));
    openFresh();
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, directory.file("other")); }), 55);
    EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 2, ""); }), 52);
}

TEST_F(OutputFileTest, aLongNameIsCutTo255Bytes) {
    const std::string longName = directory.file(std::string(300, 'n'));
    files.openOutputFile(errors, 1, longName);
    EXPECT_EQ(errors.currentErrorCode(), 0);
    EXPECT_TRUE(std::filesystem::exists(longName.substr(0, 255)));
}

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

TEST_F(OutputFileTest, cutFileToTakesBackWhatFollowsThePosition) {
    openFresh();
    files.writeFileText(errors, 1, "header");
    files.endFileLine(errors, 1);
    const std::uint64_t headerEnd = files.filePosition(1);
    files.writeFileText(errors, 1, "answer one, half writ");
    files.cutFileTo(errors, 1, headerEnd);
    EXPECT_EQ(errors.takeErrorCode(), 0);
    EXPECT_EQ(files.filePosition(1), headerEnd);
    files.writeFileText(errors, 1, "answer");
    files.endFileLine(errors, 1);
    EXPECT_EQ(raisedBy([&] { files.cutFileTo(errors, 1, 1000); }), 5);
    EXPECT_EQ(raisedBy([&] { files.cutFileTo(errors, 3, 0); }), 52);
    files.closeAllFiles(errors);
    EXPECT_EQ(readFile(path), "header\r\nanswer\r\n");
}

}  // namespace
}  // namespace corvel
