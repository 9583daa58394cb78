// The fifteen questions of the application as one table: prompt, where the
// answer is kept, review label, file label, whether an answer is required
// and where Alt+B goes.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace corvel {

// The answers, one text per question, in question order.
struct AnswerSet {
    std::string realName, emailAddress, siteName, location, voicePhone, bestTimeToCall, dataPhone,
        baudRate, internetConnectivity, domainOrIp, mailerSoftware, echomailTosser, fileTosser,
        formerSysop, specialInstructions;
};

inline constexpr int questionCount = 15;
inline constexpr int dataPhoneQuestion = 7;
inline constexpr int baudRateQuestion = 8;
inline constexpr int formerSysopQuestion = 14;
// Alt+B targets that are not a question number.
inline constexpr int noGoingBack = 0;
inline constexpr int baudGateGoingBack = -1;

struct Question {
    std::string_view prompt;
    std::string AnswerSet::*answer;
    std::string_view reviewLabel;
    std::string_view fileLabel;
    bool required;
    int altBGoesTo;
};

// Question n is questions[n - 1]; its review row is n + 3.
extern const std::array<Question, questionCount> questions;

}  // namespace corvel
