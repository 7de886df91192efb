// The date converter: Julian day numbers, the stored "yyyymmdd" text, the user's short date
// format for reading and display, and what impossible or blank dates give.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "dbf/dbf_date.h"
#include "platform/exception.h"
#include "platform/locale_info.h"
#include "tests/support/test_hooks.h"

namespace {

class DateTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::overrideShortDateFormat(std::string("dd.MM.yyyy"));
        TxbDBFDate::instance().setFourDigitYear(true);
    }
    testsupport::TestHooksReset m_hooks;
    TxbDBFDate& dates = TxbDBFDate::instance();
};

TEST_F(DateTest, JulianDayNumbersOfKnownDates) {
    EXPECT_EQ(TxbDBFDate::julianDay(1980, 1, 1), 2444240);
    EXPECT_EQ(TxbDBFDate::julianDay(2000, 1, 1), 2451545);
    EXPECT_EQ(TxbDBFDate::julianDay(1899, 12, 30), TxbDBFDate::kZeroDate);
    EXPECT_EQ(TxbDBFDate::julianDay(1970, 1, 1), 2440588);
    // Leap years: every fourth, but not centuries unless divisible by 400.
    EXPECT_EQ(TxbDBFDate::julianDay(2000, 3, 1) - TxbDBFDate::julianDay(2000, 2, 28), 2);
    EXPECT_EQ(TxbDBFDate::julianDay(1900, 3, 1) - TxbDBFDate::julianDay(1900, 2, 28), 1);
    EXPECT_EQ(TxbDBFDate::julianDay(2024, 3, 1) - TxbDBFDate::julianDay(2024, 2, 28), 2);
    EXPECT_EQ(TxbDBFDate::julianDay(2023, 3, 1) - TxbDBFDate::julianDay(2023, 2, 28), 1);
    EXPECT_EQ(TxbDBFDate::julianDay(2025, 1, 1) - TxbDBFDate::julianDay(2024, 1, 1), 366);
    EXPECT_EQ(TxbDBFDate::julianDay(2101, 1, 1) - TxbDBFDate::julianDay(2100, 1, 1), 365);

    EXPECT_TRUE(TxbDBFDate::isValidDate(2000, 2, 29));
    EXPECT_TRUE(TxbDBFDate::isValidDate(2024, 2, 29));
    EXPECT_FALSE(TxbDBFDate::isValidDate(1900, 2, 29));
    EXPECT_FALSE(TxbDBFDate::isValidDate(2023, 2, 29));
    EXPECT_FALSE(TxbDBFDate::isValidDate(2023, 4, 31));
    EXPECT_TRUE(TxbDBFDate::isValidDate(2023, 12, 31));
    EXPECT_FALSE(TxbDBFDate::isValidDate(2023, 13, 1));
    EXPECT_FALSE(TxbDBFDate::isValidDate(2023, 0, 1));
    EXPECT_FALSE(TxbDBFDate::isValidDate(2023, 1, 0));

    // Day numbers and calendar dates convert both ways across years, leap days included.
    for (std::int32_t day = TxbDBFDate::julianDay(1899, 12, 25); day < TxbDBFDate::julianDay(2101, 1, 5); day += 17) {
        int y = 0, m = 0, d = 0;
        TxbDBFDate::civilDate(day, y, m, d);
        ASSERT_TRUE(TxbDBFDate::isValidDate(y, m, d)) << day;
        ASSERT_EQ(TxbDBFDate::julianDay(y, m, d), day);
    }
    int y = 0, m = 0, d = 0;
    TxbDBFDate::civilDate(2460370, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
}

TEST_F(DateTest, StoredTextToDayNumberAndBack) {
    EXPECT_EQ(dates.fromText("19800101"), 2444240);
    EXPECT_EQ(dates.fromText("20240229"), 2460370);
    EXPECT_EQ(dates.fromText("00000000"), 0);
    EXPECT_EQ(dates.fromText("        "), 0);
    EXPECT_EQ(dates.fromText(""), 0);
    EXPECT_EQ(dates.fromText("20230229"), TxbDBFDate::kZeroDate);
    EXPECT_EQ(dates.fromText("20231301"), TxbDBFDate::kZeroDate);
    EXPECT_EQ(dates.fromText("19800100"), TxbDBFDate::kZeroDate);
    // Anything but eight digits is read with the short date format.
    EXPECT_EQ(dates.fromText("01.02.2003"), 2452672);
    EXPECT_THROW(dates.fromText("garbage!"), EConvertError);
    EXPECT_THROW(dates.fromText("2024-02-29"), EConvertError);
    EXPECT_THROW(dates.fromText("31.04.2023"), EConvertError);

    EXPECT_EQ(TxbDBFDate::toStored(2444240), "19800101");
    EXPECT_EQ(TxbDBFDate::toStored(2460370), "20240229");
    EXPECT_EQ(TxbDBFDate::toStored(TxbDBFDate::kZeroDate), "18991230");
    EXPECT_EQ(TxbDBFDate::toStored(0), std::string(8, ' '));
    EXPECT_EQ(TxbDBFDate::toStored(-5), std::string(8, ' '));
}

TEST_F(DateTest, ShortDateFormatForDisplayAndInput) {
    EXPECT_EQ(dates.displayFormat(), "DD.MM.YYYY");
    EXPECT_EQ(dates.toDisplay(2444240), "01.01.1980");
    EXPECT_EQ(dates.toDisplay(0), std::string(10, ' '));
    EXPECT_EQ(dates.fromShortDate("31.12.1999"), TxbDBFDate::julianDay(1999, 12, 31));
    EXPECT_THROW(dates.fromShortDate("12/31/1999"), EConvertError);
    EXPECT_THROW(dates.fromShortDate(""), EConvertError);

    // Text written for display reads back to the same day.
    for (std::int32_t day : {2444240, 2460370, 2452672, 2451545})
        EXPECT_EQ(dates.fromShortDate(dates.toDisplay(day)), day) << day;

    // A two-digit year in the format is widened while the four-digit switch is on.
    platform::overrideShortDateFormat(std::string("MM/dd/yy"));
    EXPECT_EQ(dates.displayFormat(), "MM/DD/YYYY");
    EXPECT_EQ(dates.toDisplay(2460370), "02/29/2024");
    EXPECT_EQ(dates.fromShortDate("02/29/2024"), 2460370);
    dates.setFourDigitYear(false);
    EXPECT_EQ(dates.displayFormat(), "MM/DD/YY");
    EXPECT_EQ(dates.toDisplay(2460370), "02/29/24");
    EXPECT_EQ(dates.toDisplay(0), std::string(8, ' '));
    dates.setFourDigitYear(true);

    platform::overrideShortDateFormat(std::string("yyyy-MM-dd"));
    EXPECT_EQ(dates.displayFormat(), "YYYY-MM-DD");
    EXPECT_EQ(dates.toDisplay(2452672), "2003-02-01");
    EXPECT_EQ(dates.fromText("2003-02-01"), 2452672) << "ten characters are no stored date";
}

}  // namespace
