// The local date and time texts, read afresh from the clock source on
// every call.
#include "runtime/Clock.h"

#include <mutex>

namespace corvel {

namespace {

std::mutex sourceMutex;
ClockSource clockSource;  // empty: the system clock

LocalMoment currentMoment() {
    std::lock_guard lock(sourceMutex);
    return clockSource ? clockSource() : systemClockMoment();
}

// Two digits: the tens, then the units.
void appendTwoDigits(std::string& text, int value) {
    value = ((value % 100) + 100) % 100;
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
}

}  // namespace

void setClockSource(ClockSource source) {
    std::lock_guard lock(sourceMutex);
    clockSource = std::move(source);
}

std::string currentDate() {
    const LocalMoment moment = currentMoment();
    std::string text;
    appendTwoDigits(text, moment.month);
    text += '-';
    appendTwoDigits(text, moment.day);
    text += '-';
    appendTwoDigits(text, moment.year / 100);
    appendTwoDigits(text, moment.year);
    return text;
}

std::string currentTime() {
    const LocalMoment moment = currentMoment();
    std::string text;
    appendTwoDigits(text, moment.hour);
    text += ':';
    appendTwoDigits(text, moment.minute);
    text += ':';
    appendTwoDigits(text, moment.second);
    return text;
}

}  // namespace corvel
