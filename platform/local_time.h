// The local date and time the engine stamps into a table header, behind a seam so that tests
// can fix the clock.
#pragma once

#include <functional>

namespace platform {

struct LocalTime {
    int year = 0;  // four digits
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

LocalTime localTime();

// Tests install a fixed clock; an empty function restores the system clock.
void overrideLocalTime(std::function<LocalTime()> clock);

}  // namespace platform
