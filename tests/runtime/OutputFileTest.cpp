#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/OutputFileFixture.h"
#include "runtime/SystemCallFaults.h"
#include "PlatformFaults.h"

namespace corvel {
namespace {

using test::readFile;
using test::writeFile;

using OutputFileTest = test::OutputFileFixture;

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
#ifdef _WIN32
    GTEST_SKIP() << "the file is held with share mode 0: nobody else can read it while it is open";
#endif
    openFresh();
    files.writeFileText(errors, 1, "Name: ");
    EXPECT_EQ(readFile(path), "Name: ");
    files.writeFileText(errors, 1, "Ann");
    EXPECT_EQ(readFile(path), "Name: Ann");
    files.endFileLine(errors, 1);
    EXPECT_EQ(readFile(path), "Name: Ann\r\n");
}

// Memory running out while the earlier content is being kept: the open
// fails as a whole, and the file is neither emptied nor left held.
TEST_F(OutputFileTest, memoryRunningOutWhileKeepingTheEarlierContentLeavesTheFileFree) {
    const std::string earlier = "a\r\n\r\nb\r\n";
    writeFile(path, earlier);
    const std::string backupName = directory.file("MyCorvel.Bak");
    const BackupRule rule{backupName};
    {
        SystemCallFault fault{test::platform::readCall, 1, 0, {}};
        fault.outOfMemory = true;
        testing::PlantedFaults faults({fault});
        EXPECT_THROW(files.openOutputFile(errors, 1, path, &rule), std::bad_alloc);
    }
    EXPECT_FALSE(files.isOpen(1));
    EXPECT_EQ(readFile(path), earlier);
    files.openOutputFile(errors, 1, path, &rule);
    EXPECT_EQ(errors.takeErrorCode(), 0) << "the failed open held on to the file";
    EXPECT_EQ(readFile(backupName), earlier);
}

// The earlier content is judged by its bytes: nothing and exactly a header
// are not kept, everything else is. A second name (a hard link) keeps its
// content: the file is never emptied through it.
TEST_F(OutputFileTest, theBackupRuleGoesByContentAndNeverEmptiesAHardLink) {
    const std::string header = "09:05:03  -=:{ FIDONet Application }:=-  on December 8th, 2026\r\n\r\n";
    const struct {
        std::string earlier;
        bool kept;
        bool hardLinked;
    } cases[] = {
        {"", false, false},      {header, false, false},        {"09:05:03 title\r\rReal Name = J\r\r", true, false},
        {"one long line", true, false},  {"09:05:03 title\r\n", true, false},  {"\r\n\r\n", true, false},
        {header + "R", true, false},     {header + "Real Name = J\r\n", true, true},  {header, false, true},
    };
    const std::string backupName = directory.file("MyCorvel.Bak");
    const BackupRule rule{backupName};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.earlier);
        writeFile(backupName, "older backup");
        writeFile(path, c.earlier);
        if (c.hardLinked) std::filesystem::create_hard_link(path, path + " too");
        files.openOutputFile(errors, 1, path, &rule);
        files.writeFileText(errors, 1, "new");
        files.closeAllFiles(errors);
        EXPECT_EQ(errors.takeErrorCode(), 0);
        EXPECT_EQ(readFile(path), "new");
        EXPECT_EQ(readFile(backupName), c.kept ? c.earlier : "older backup");
        EXPECT_EQ(c.hardLinked ? readFile(path + " too") : c.earlier, c.earlier) << "emptied through the other name";
        std::filesystem::remove(path + " too");
    }
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
