// The local clock: the moment it reports, and the date and time as
// fixed-format texts.
#pragma once

#include <functional>
#include <string>

namespace corvel {

// One local moment, as the clock reports it (month 1..12, hour 0..23).
struct LocalMoment {
    int year = 0;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
// Where the moment comes from; an empty source is the system clock. Tests
// set a fixed moment through it.
using ClockSource = std::function<LocalMoment()>;
void setClockSource(ClockSource source);
// The platform's local clock, read now.
LocalMoment systemClockMoment();

// "MM-DD-YYYY" and "HH:MM:SS", local time, read afresh on every call.
std::string currentDate();
std::string currentTime();

}  // namespace corvel
