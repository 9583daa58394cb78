// The output file on Windows: share mode 0 against a second opener, the
// end of file set only on a disk file, last-error values through the gateway.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "runtime/OutputFileFixture.h"
#include "runtime/SystemCallFaults.h"

namespace corvel {
namespace {

using test::readFile;
using test::writeFile;
using testing::PlantedFaults;
using FileHandleTest = test::OutputFileFixture;

TEST_F(FileHandleTest, aSecondOpenerIsRefusedWhileTheFileIsOpenAndTheFileStaysIntact) {
    openFresh();
    files.writeFileText(errors, 1, "header");
    files.endFileLine(errors, 1);
    OutputFiles second;
    ErrorState secondErrors;
    second.openOutputFile(secondErrors, 1, path);
    EXPECT_EQ(secondErrors.currentErrorCode(), 70) << "a sharing violation is Permission denied";
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE) << "not even for reading";
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    files.closeAllFiles(errors);
    EXPECT_EQ(readFile(path), "header\r\n");
}

TEST_F(FileHandleTest, onlyADiskFileIsEmptiedAndADeviceIsWrittenAsItIs) {
    writeFile(path, std::string(300, 'z'));
    openFresh();
    files.writeFileText(errors, 1, "new");
    files.closeAllFiles(errors);
    EXPECT_EQ(readFile(path), "new");

    files.openOutputFile(errors, 2, "NUL");
    EXPECT_EQ(errors.takeErrorCode(), 0) << "no end of file is set on a device";
    files.writeFileText(errors, 2, "gone");
    EXPECT_EQ(errors.takeErrorCode(), 0);
    files.closeAllFiles(errors);
}

TEST_F(FileHandleTest, lastErrorValuesBecomeTheirRunTimeErrors) {
    EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, directory.file("no\\such\\x")); }), 76);
    writeFile(path, "kept");
    for (int error : {5, 32, 19}) {  // access denied (a read-only file), sharing violation, write protect
        PlantedFaults faults({{"CreateFileA", 1, error, {}}});
        EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path); }), 70) << error;
    }
    {
        PlantedFaults faults({{"SetEndOfFile", 1, 21, {}}});
        EXPECT_EQ(raisedBy([&] { files.openOutputFile(errors, 1, path); }), 71);
    }
    EXPECT_EQ(readFile(path), "kept");
    openFresh();
    {
        PlantedFaults faults({{"WriteFile", 1, 112, {}}});
        EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 1, "abc"); }), 61);
    }
    {
        PlantedFaults faults({{"WriteFile", 1, 0, 1}});  // short, then the rest
        EXPECT_EQ(raisedBy([&] { files.writeFileText(errors, 1, "abc"); }), 0);
    }
    {
        PlantedFaults faults({{"CloseHandle", 1, 6, {}, true}});
        EXPECT_EQ(raisedBy([&] { files.closeAllFiles(errors); }), 51);
    }
    EXPECT_EQ(readFile(path), "abc");
}

}  // namespace
}  // namespace corvel
