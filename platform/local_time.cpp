// The wall clock in the user's time zone, replaceable by tests.
#include "platform/local_time.h"

#include <ctime>
#include <mutex>
#include <utility>

namespace platform {

namespace {

std::mutex g_mutex;
std::function<LocalTime()> g_clock;

LocalTime systemLocalTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // localtime_r need not look at TZ again; tzset makes a changed TZ count.
    ::tzset();
    std::tm parts{};
    ::localtime_r(&now.tv_sec, &parts);
    LocalTime result;
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    result.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return result;
}

}  // namespace

LocalTime localTime() {
    std::function<LocalTime()> clock;
    {
        std::lock_guard lock(g_mutex);
        clock = g_clock;
    }
    return clock ? clock() : systemLocalTime();
}

void overrideLocalTime(std::function<LocalTime()> clock) {
    std::lock_guard lock(g_mutex);
    g_clock = std::move(clock);
}

}  // namespace platform
