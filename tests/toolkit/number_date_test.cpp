// The conversions the fields build on: reals written as the class library's "%g" writes them,
// rounding halves to even, and civil dates as TDateTime day numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/exception.h"
#include "toolkit/fields.h"

namespace {

TEST(FormatG, WritesShortestTextOfAtMostFifteenDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {-32768.0, "-32768"},
        {32767.0, "32767"},
        {2147483647.0, "2147483647"},
        {-2147483648.0, "-2147483648"},
        {0.5, "0.5"},
        {-0.5, "-0.5"},
        {7.5, "7.5"},
        {100.0, "100"},
        {123.456, "123.456"},
        {1234567.5, "1234567.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {-2.0 / 3.0, "-0.666666666666667"},
        {9.9999999999999999, "10"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"},
        // More integer digits than fifteen go to exponent form, without '+' or padding.
        {1e15, "1E15"},
        {1234567890123456.0, "1.23456789012346E15"},
        {1e20, "1E20"},
        {-1.5e20, "-1.5E20"},
        {1e100, "1E100"},
        // Down to 1E-4 the fixed form is kept; below it the exponent form.
        {0.0001, "0.0001"},
        {0.00012, "0.00012"},
        {0.00001, "1E-5"},
        {0.000012, "1.2E-5"},
        {-1e-7, "-1E-7"},
        {2.5e-300, "2.5E-300"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatG(c.value), c.text) << "for " << c.text;
    EXPECT_EQ(FormatG(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatG(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FormatG(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(1.5), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5), 4.0);
    EXPECT_EQ(RoundHalfEven(6.5), 6.0);
    EXPECT_EQ(RoundHalfEven(7.5), 8.0);
    EXPECT_EQ(RoundHalfEven(-0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-7.5), -8.0);
    // Everything else goes to the nearest integer.
    EXPECT_EQ(RoundHalfEven(2.4999999), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3.0);
    EXPECT_EQ(RoundHalfEven(-2.5000001), -3.0);
    EXPECT_EQ(RoundHalfEven(-2.4), -2.0);
    EXPECT_EQ(RoundHalfEven(5.0), 5.0);
    EXPECT_EQ(RoundHalfEven(4294967296.5), 4294967296.0);
    // Around 2^51, where doubles still hold halves, and past 2^52, where all are whole.
    EXPECT_EQ(RoundHalfEven(2251799813685248.5), 2251799813685248.0);
    EXPECT_EQ(RoundHalfEven(2251799813685249.5), 2251799813685250.0);
    EXPECT_EQ(RoundHalfEven(-2251799813685249.5), -2251799813685250.0);
    EXPECT_EQ(RoundHalfEven(2251799813685247.5), 2251799813685248.0);
    EXPECT_EQ(RoundHalfEven(9007199254740993.0), 9007199254740992.0);
    EXPECT_TRUE(std::signbit(RoundHalfEven(-0.0)));
    EXPECT_FALSE(std::signbit(RoundHalfEven(-0.25)));
    EXPECT_EQ(RoundHalfEven(2147483647.5), 2147483648.0);
    EXPECT_EQ(RoundHalfEven(1e300), 1e300);
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::numeric_limits<double>::quiet_NaN())));
}

TEST(CivilDate, EncodesDaysCountedFromDecember30Of1899) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);  // 1900 is no leap year
    EXPECT_EQ(EncodeDate(2001, 2, 15), 36937.0);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);

    TDateTime date = 42.0;
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, date));
    EXPECT_FALSE(TryEncodeDate(2001, 2, 29, date));
    EXPECT_TRUE(TryEncodeDate(2004, 2, 29, date));
    EXPECT_EQ(date, 38046.0);
    date = 42.0;
    EXPECT_FALSE(TryEncodeDate(2001, 4, 31, date));
    EXPECT_FALSE(TryEncodeDate(2001, 13, 1, date));
    EXPECT_FALSE(TryEncodeDate(2001, 0, 1, date));
    EXPECT_FALSE(TryEncodeDate(2001, 1, 0, date));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, date));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, date));
    EXPECT_EQ(date, 42.0) << "a refused date leaves the result alone";

    try {
        EncodeDate(2001, 13, 1);
        ADD_FAILURE() << "month 13 was accepted";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "Invalid argument to date encode");
    }
}

TEST(CivilDate, DecodesTheDayOfADateTime) {
    int year = 0, month = 0, day = 0;
    DecodeDate(36937.0, year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 20010215);
    // The time of day does not move the date, before 1899-12-30 either.
    DecodeDate(36937.99, year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 20010215);
    DecodeDate(-1.75, year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 18991229);
    DecodeDate(-0.5, year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 18991230);
    DecodeDate(60.0, year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 19000228);
    DecodeDate(-693593.0, year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 10101);
    // Outside the calendar all three are 0.
    DecodeDate(2958466.0, year, month, day);
    EXPECT_EQ(year + month + day, 0);
    DecodeDate(-693594.0, year, month, day);
    EXPECT_EQ(year + month + day, 0);
    DecodeDate(std::numeric_limits<double>::quiet_NaN(), year, month, day);
    EXPECT_EQ(year + month + day, 0);

    // Every day of four centuries, across the leap-year rules, comes back as it went in.
    TDateTime expected = EncodeDate(1800, 1, 1);
    for (int y = 1800; y < 2200; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= 31; ++d) {
                TDateTime date = 0.0;
                if (!TryEncodeDate(y, m, d, date)) continue;
                ASSERT_EQ(date, expected) << y << '-' << m << '-' << d;
                DecodeDate(date, year, month, day);
                ASSERT_EQ(year * 10000 + month * 100 + day, y * 10000 + m * 100 + d);
                expected += 1.0;
            }
}

}  // namespace
