#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/ErrorState.h"
#include "runtime/RuntimeError.h"

namespace corvel {
namespace {

TEST(RuntimeErrorTest, messagesComeFromTheTable) {
    EXPECT_EQ(errorMessage(0), "No Error");
    EXPECT_EQ(errorMessage(300), "No Error");
    EXPECT_EQ(errorMessage(1), "");
    EXPECT_EQ(errorMessage(9), "Subscript/Pointer out of range");
    EXPECT_EQ(errorMessage(52), "Bad file name or number");
    EXPECT_EQ(errorMessage(61), "Disk full");
    EXPECT_EQ(errorMessage(75), "Path/file access error");
    EXPECT_EQ(errorMessage(76), "Path not found");
    EXPECT_EQ(errorMessage(99), "Object error");
    EXPECT_EQ(errorMessage(242), "String space corrupt");
    EXPECT_EQ(errorMessage(255), "");
    int known = 0;
    for (unsigned code = 0; code < 256; ++code) known += errorMessage(code).empty() ? 0 : 1;
    EXPECT_EQ(known, 30);
}

TEST(RuntimeErrorTest, windowsErrorsMapAsTabled) {
    const std::uint8_t expected[40] = {0,  75, 53, 76, 67, 70, 51, 241, 7,  241, 241, 51, 51, 51,
                                       7,  68, 75, 74, 53, 70, 68, 71,  51, 72,  51,  72, 72, 72,
                                       72, 72, 72, 72, 70, 70, 72, 72,  70, 75,  62,  61};
    for (std::uint32_t error = 0; error < 40; ++error) {
        EXPECT_EQ(systemErrorToRuntimeError(error), expected[error]) << "system error " << error;
    }
    EXPECT_EQ(systemErrorToRuntimeError(112), 61);
    EXPECT_EQ(systemErrorToRuntimeError(87), 5);
    EXPECT_EQ(systemErrorToRuntimeError(40), 75);
    EXPECT_EQ(systemErrorToRuntimeError(0xFFFFFFFFu), 75);
}

TEST(ErrorStateTest, threeRaisesInOneStatementAreDeliveredOnceWithTheLastCode) {
    ErrorState errors;
    errors.setFaultTarget(7);
    errors.lineLabel = 100;
    errors.raiseRuntimeError(52);
    errors.lineLabel = 200;
    errors.raiseRuntimeError(52);
    errors.raiseRuntimeError(61);
    int deliveries = 0;
    for (int statement = 0; statement < 3; ++statement) {
        try {
            errors.deliverPendingError();
        } catch (const FaultTransfer& transfer) {
            EXPECT_EQ(transfer.target, 7);
            ++deliveries;
        }
    }
    EXPECT_EQ(deliveries, 1);
    EXPECT_TRUE(errors.handlerActive());
    EXPECT_EQ(errors.currentErrorCode(), 61);
    EXPECT_EQ(errors.faultLabel(), 200);
    EXPECT_EQ(errors.takeErrorCode(), 61);
    EXPECT_EQ(errors.currentErrorCode(), 0);
    EXPECT_EQ(errors.faultLabel(), 0);
}

TEST(ErrorStateTest, withoutTargetTheCodeIsOnlyRecorded) {
    ErrorState errors;
    errors.raiseRuntimeError(0);
    EXPECT_NO_THROW(errors.deliverPendingError());
    EXPECT_FALSE(errors.pending());
    EXPECT_EQ(errors.currentErrorCode(), 51);
    EXPECT_EQ(errors.faultLabel(), 0);  // raised before any label was passed
}

TEST(ErrorStateTest, settingATargetDropsAPendingError) {
    ErrorState errors;
    errors.raiseRuntimeError(53);
    errors.setFaultTarget(3);
    EXPECT_NO_THROW(errors.deliverPendingError());
    EXPECT_EQ(errors.currentErrorCode(), 53);
}

TEST(ErrorStateTest, codesOutsideTheByteAreInternalErrors) {
    ErrorState errors;
    errors.raiseRuntimeError(256);
    EXPECT_EQ(errors.currentErrorCode(), 51);
    errors.raiseRuntimeError(-1);  // must neither exit nor read as 255
    EXPECT_EQ(errors.currentErrorCode(), 51);
}

int hookRuns = 0;
void countingHook() {
    ++hookRuns;
    std::_Exit(hookRuns == 1 ? 254 : 1);  // proves the hook ran before the exit
}

TEST(ErrorStateDeathTest, fatalCodesEndTheProcessWith255) {
    for (int code : {241, 242, 250}) {
        EXPECT_EXIT(
            {
                ErrorState errors;
                errors.raiseRuntimeError(code);
            },
            ::testing::ExitedWithCode(255), "")
            << code;
    }
    EXPECT_EXIT(
        {
            setFatalExitHook(countingHook);
            fatalExit();
        },
        ::testing::ExitedWithCode(254), "");
}

}  // namespace
}  // namespace corvel
