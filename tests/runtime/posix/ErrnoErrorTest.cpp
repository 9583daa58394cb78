#include <gtest/gtest.h>

#include <cerrno>

#include "runtime/posix/ErrnoError.h"

namespace corvel {
namespace {

TEST(ErrnoErrorTest, errnoMapsToTheSameCodesForTheSameSituations) {
    EXPECT_EQ(errnoToRuntimeError(0), 0);
    EXPECT_EQ(errnoToRuntimeError(ENOENT), 53);
    EXPECT_EQ(errnoToRuntimeError(ENOENT, true), 76);
    EXPECT_EQ(errnoToRuntimeError(ENOTDIR), 76);
    for (int error : {EACCES, EPERM, EROFS, ETXTBSY, EWOULDBLOCK, EAGAIN}) {
        EXPECT_EQ(errnoToRuntimeError(error), 70) << error;
    }
    for (int error : {ENOSPC, EDQUOT, EFBIG}) EXPECT_EQ(errnoToRuntimeError(error), 61) << error;
    EXPECT_EQ(errnoToRuntimeError(EMFILE), 67);
    EXPECT_EQ(errnoToRuntimeError(ENFILE), 67);
    EXPECT_EQ(errnoToRuntimeError(ENOMEM), 7);
    EXPECT_EQ(errnoToRuntimeError(EIO), 57);
    EXPECT_EQ(errnoToRuntimeError(EINVAL), 5);
    for (int error : {EISDIR, ENAMETOOLONG, ELOOP, EXDEV}) EXPECT_EQ(errnoToRuntimeError(error), 75) << error;
}

}  // namespace
}  // namespace corvel
