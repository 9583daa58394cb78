// Plain mode on a terminal that cannot place the cursor: a whole
// application typed on a pseudo-terminal with TERM=dumb.
#include <gtest/gtest.h>

#include "e2e/Answers.h"
#include "e2e/posix/PtyProgram.h"
#include "support/TempDir.h"

namespace corvel::test {
namespace {

TEST(PlainRun, aDumbTerminalGetsTheWholeApplicationAsTextOnly) {
    TempDir dir;
    PtyProgram program({}, {50, 80, "", "", false, false, "dumb"});
    std::string keys = "Z\xC3\xBCrich\r/back\r\r";  // a UTF-8 letter, then back to it and kept
    keys += answersTypedFrom(1) + "no\r" + std::string(15, '\r') + "yes\r";
    program.type(keys);
    const int status = program.waitForExit();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string& out = program.output();
    for (char c : out) {
        const auto b = static_cast<unsigned char>(c);
        ASSERT_TRUE((b >= 32 && b != 127) || b == '\r' || b == '\n') << "byte " << int(b) << " in\n" << out;
    }
    EXPECT_NE(out.find("Enter REAL Name (First Last): [Z\xC3\xBCrich] "), std::string::npos) << out;
    EXPECT_EQ(occurrences(out, "Everything OK? (Y/N) "), 2) << "the first reply declined";
    EXPECT_NE(out.find("Data output to file MyCorvel.Txt"), std::string::npos);
    const std::string file = readFile("MyCorvel.Txt");
    EXPECT_NE(file.find("Real Name = Z\x81rich\r\nEmail Address = jane@example.org\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Former SysOp = Yes\r\n"), std::string::npos);
    EXPECT_TRUE(program.settingsAsBefore()) << "cooked mode untouched";
}

}  // namespace
}  // namespace corvel::test
