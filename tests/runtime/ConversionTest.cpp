#include <gtest/gtest.h>

#include <cmath>

#include "runtime/Clock.h"
#include "text/NumberText.h"

namespace corvel {
namespace {

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { setClockSource({}); }
    void setMoment(LocalMoment moment) {
        setClockSource([moment] { return moment; });
    }
};

TEST_F(ClockTest, dateAndTimeHaveFixedFieldsWithLeadingZeros) {
    setMoment({2025, 12, 8, 9, 5, 3});
    EXPECT_EQ(currentDate(), "12-08-2025");
    EXPECT_EQ(currentTime(), "09:05:03");
    setMoment({2009, 1, 31, 21, 5, 3});
    EXPECT_EQ(currentDate(), "01-31-2009");
    EXPECT_EQ(currentTime(), "21:05:03");
    // The form takes the day piece and writes it back with a sign position.
    EXPECT_EQ(numberToText(textToNumber(currentDate().substr(3, 2))), " 31");
}

TEST_F(ClockTest, theClockIsReadOnEveryCall) {
    int second = 0;
    setClockSource([&second] { return LocalMoment{2024, 2, 29, 23, 59, second++}; });
    EXPECT_EQ(currentTime(), "23:59:00");
    EXPECT_EQ(currentTime(), "23:59:01");
    setClockSource({});
    const std::string date = currentDate();
    ASSERT_EQ(date.size(), 10u);
    EXPECT_EQ(date[2], '-');
    EXPECT_EQ(currentTime().size(), 8u);
}

TEST(TextToNumberTest, readsTheNumberAtTheStart) {
    EXPECT_EQ(textToNumber("31"), 31);
    EXPECT_EQ(textToNumber("08"), 8);
    EXPECT_EQ(textToNumber(""), 0);
    EXPECT_EQ(textToNumber(" \t\n-12abc"), -12);
    EXPECT_EQ(textToNumber("+1.5"), 1.5);
    EXPECT_EQ(textToNumber(".25x"), 0.25);
    EXPECT_EQ(textToNumber("2.5E2"), 250);
    EXPECT_EQ(textToNumber("2d-1"), 0.2);
    EXPECT_EQ(textToNumber("7e"), 7);    // an exponent letter without digits ends the number
    EXPECT_EQ(textToNumber("12 3"), 12);
    EXPECT_EQ(textToNumber("-."), 0);
    EXPECT_EQ(textToNumber("\r5"), 0);   // only blanks, tabs and line feeds are skipped
    EXPECT_TRUE(std::isinf(textToNumber("1e999")));
    EXPECT_EQ(textToNumber("1e-999"), 0);
}

TEST(NumberToTextTest, integralValuesHaveASignPositionAndNoPoint) {
    EXPECT_EQ(numberToText(8), " 8");
    EXPECT_EQ(numberToText(25), " 25");
    EXPECT_EQ(numberToText(0), " 0");
    EXPECT_EQ(numberToText(-0.0), " 0");
    EXPECT_EQ(numberToText(-3), "-3");
    EXPECT_EQ(numberToText(32767), " 32767");
    EXPECT_EQ(numberToText(-32768), "-32768");
    EXPECT_EQ(numberToText(123456789012345.0), " 123456789012345");
    EXPECT_EQ(numberToText7(300), " 300");
    EXPECT_EQ(numberToText7(9999999), " 9999999");
}

TEST(NumberToTextTest, theFirstDroppedDigitDecidesTheRounding) {
    EXPECT_EQ(numberToText7(12345674), " 1.234567E+07");  // 4: cut
    EXPECT_EQ(numberToText7(12345676), " 1.234568E+07");  // 6: up
    EXPECT_EQ(numberToText7(12345675), " 1.234568E+07");  // 5 after odd 7: up
    EXPECT_EQ(numberToText7(12345665), " 1.234566E+07");  // 5 after even 6: cut
    EXPECT_EQ(numberToText7(99999995), " 1E+08");         // carry through every digit
    EXPECT_EQ(numberToText(1234567890123456.0), " 1.23456789012346E+15");
    EXPECT_EQ(numberToText(0.1 + 0.2), " 0.3");
    EXPECT_EQ(numberToText(-2.5), "-2.5");
    EXPECT_EQ(numberToText7(0.000012345678), " 0.00001234568");
    EXPECT_EQ(numberToText7(1.5e-7), " 1.5E-07");
}

}  // namespace
}  // namespace corvel
