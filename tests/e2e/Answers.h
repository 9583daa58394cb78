// The fifteen answers the end-to-end runs type, in question order (the data
// phone number is given, so the BAUD question is asked).
#pragma once

#include <string>
#include <vector>

namespace corvel::test {

inline const std::vector<std::string> typedAnswers = {
    "Jane Doe", "jane@example.org", "Doe BBS", "Lafayette, LA", "1-337-555-1212",
    "7am-9pm",  "1-337-555-1313",   "33600",   "BinkP",         "bbs.example.org",
    "Mailer",   "Tosser",           "FileT",   "y",             "none"};

// The answers as one stretch of typing from the given one on, each ended by Enter.
inline std::string answersTypedFrom(std::size_t first = 0) {
    std::string keys;
    for (std::size_t i = first; i < typedAnswers.size(); ++i) keys += typedAnswers[i] + "\r";
    return keys;
}

}  // namespace corvel::test
