// Counts with agreeing nouns, grouped whole numbers, decimal commas and ranges.
#include "toolkit/russian_text.h"

#include <gtest/gtest.h>

namespace {

const std::string nbsp(russian::kNbsp);

TEST(RussianText, TheNounAgreesWithEveryKindOfNumber) {
    const struct {
        long long count;
        const char* form;
    } cases[] = {
        {0, "тиражей"},  {1, "тираж"},      {2, "тиража"},        {4, "тиража"},    {5, "тиражей"},
        {11, "тиражей"}, {12, "тиражей"},   {14, "тиражей"},      {20, "тиражей"},  {21, "тираж"},
        {22, "тиража"},  {25, "тиражей"},   {101, "тираж"},       {111, "тиражей"}, {112, "тиражей"},
        {1001, "тираж"}, {1011, "тиражей"}, {1000000, "тиражей"}, {-1, "тираж"},    {-3, "тиража"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(russian::agreeingForm(c.count, russian::kDraws), c.form) << c.count;
    }
    EXPECT_EQ(russian::counted(21, russian::kRecords), "21" + nbsp + "запись");
    EXPECT_EQ(russian::counted(3, russian::kLines), "3" + nbsp + "строки");
    EXPECT_EQ(russian::counted(25000, russian::kDraws), "25" + nbsp + "000" + nbsp + "тиражей");
}

TEST(RussianText, NumbersTakeNonBreakingGroupsADecimalCommaAndAnEnDash) {
    EXPECT_EQ(russian::wholeNumber(0), "0");
    EXPECT_EQ(russian::wholeNumber(9999), "9999");
    EXPECT_EQ(russian::wholeNumber(10000), "10" + nbsp + "000");
    EXPECT_EQ(russian::wholeNumber(1234567), "1" + nbsp + "234" + nbsp + "567");
    EXPECT_EQ(russian::wholeNumber(-250000), "-250" + nbsp + "000");
    EXPECT_EQ(russian::decimal(0.0471, 3), "0,047");
    EXPECT_EQ(russian::decimal(2.5, 1), "2,5");
    EXPECT_EQ(russian::decimal(-0.0001, 2), "0,00");
    EXPECT_EQ(russian::decimal(-1.25, 1), "-1,2");
    EXPECT_EQ(russian::decimal(7, 0), "7");
    EXPECT_EQ(russian::range(5, 200), "5\u2013200");
}

}  // namespace
