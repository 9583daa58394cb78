#include <gtest/gtest.h>
TEST(Smoke, builds) { SUCCEED(); }
