// The short date format taken from strftime patterns, and the replaceable local clock.
#include "platform/local_time.h"
#include "platform/locale_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <time.h>
#include <optional>
#include <string>
#include <utility>

using namespace platform;

TEST(ShortDateFormat, StrftimePatternsBecomeTheClassLibraryNotation) {
    const std::pair<const char*, const char*> rows[] = {
        {"%d.%m.%Y", "dd.MM.yyyy"}, {"%m/%d/%y", "MM/dd/yy"},   {"%D", "MM/dd/yy"},
        {"%F", "yyyy-MM-dd"},       {"%d/%m/%Y", "dd/MM/yyyy"}, {"%e.%m.%y", "d.MM.yy"},
        {"%x", "MM/dd/yy"},         {"%-d.%-m.%Y", "d.M.yyyy"}, {"%Y-%m-%d", "yyyy-MM-dd"}};
    for (const auto& [pattern, notation] : rows) EXPECT_EQ(shortDateFormatFromStrftime(pattern), notation) << pattern;
}

TEST(ShortDateFormat, UnknownConversionsAreDropped) {
    EXPECT_EQ(shortDateFormatFromStrftime("%a %d.%m.%Y"), " dd.MM.yyyy");
    EXPECT_EQ(shortDateFormatFromStrftime("%Ey"), "yy");
    EXPECT_EQ(shortDateFormatFromStrftime("%d.%m.%Y%"), "dd.MM.yyyy");
    EXPECT_EQ(shortDateFormatFromStrftime(""), "");
}

TEST(ShortDateFormat, OverrideWinsAndCanBeLifted) {
    overrideShortDateFormat(std::string("yyyy/MM/dd"));
    EXPECT_EQ(shortDateFormat(), "yyyy/MM/dd");
    overrideShortDateFormat(std::string("dd-MM-yy"));
    EXPECT_EQ(shortDateFormat(), "dd-MM-yy");
    overrideShortDateFormat(std::nullopt);
    // Whatever the machine's locale says, it has the letters of a date in it.
    const std::string fromLocale = shortDateFormat();
    EXPECT_NE(fromLocale, "dd-MM-yy");
    EXPECT_NE(fromLocale.find('d'), std::string::npos);
    EXPECT_NE(fromLocale.find('M'), std::string::npos);
    EXPECT_NE(fromLocale.find('y'), std::string::npos);
}

TEST(LocalTime, OverrideFixesTheClock) {
    overrideLocalTime([] { return LocalTime{2001, 2, 3, 4, 5, 6, 789}; });
    LocalTime t = localTime();
    EXPECT_EQ(t.year, 2001);
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.day, 3);
    EXPECT_EQ(t.hour, 4);
    EXPECT_EQ(t.minute, 5);
    EXPECT_EQ(t.second, 6);
    EXPECT_EQ(t.millisecond, 789);
    overrideLocalTime({});
    t = localTime();
    EXPECT_NE(t.year, 2001);
}

TEST(LocalTime, SystemClockFollowsTheTimeZone) {
    // Pin the zone so that the answer can be checked against UTC on any machine.
    const char* saved = std::getenv("TZ");
    const std::optional<std::string> savedZone = saved ? std::optional<std::string>(saved) : std::nullopt;

    const struct {
        const char* zone;
        int eastOfUtcHours;
    } zones[] = {{"UTC0", 0}, {"MSK-3", 3}, {"EST5", -5}};
    for (const auto& zone : zones) {
        SCOPED_TRACE(zone.zone);
        ::setenv("TZ", zone.zone, 1);
        LocalTime t{};
        std::tm expected{};
        for (int attempt = 0; attempt < 3; ++attempt) {
            // The clock localTime reads: time() may take a coarser clock that turns its second a
            // tick later.
            const auto seconds = [] {
                timespec now{};
                ::clock_gettime(CLOCK_REALTIME, &now);
                return now.tv_sec;
            };
            const std::time_t before = seconds();
            t = localTime();
            if (seconds() == before) {
                const std::time_t shifted = before + zone.eastOfUtcHours * 3600;
                ::gmtime_r(&shifted, &expected);
                break;
            }
        }
        EXPECT_EQ(t.year, expected.tm_year + 1900);
        EXPECT_EQ(t.month, expected.tm_mon + 1);
        EXPECT_EQ(t.day, expected.tm_mday);
        EXPECT_EQ(t.hour, expected.tm_hour);
        EXPECT_EQ(t.minute, expected.tm_min);
        EXPECT_EQ(t.second, expected.tm_sec);
        EXPECT_GE(t.millisecond, 0);
        EXPECT_LE(t.millisecond, 999);
    }

    if (savedZone)
        ::setenv("TZ", savedZone->c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
