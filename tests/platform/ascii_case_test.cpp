// ASCII letter case: only a-z and A-Z change, whatever the locale says of other bytes.
#include "platform/ascii_case.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace platform;

TEST(AsciiCase, FoldsOnlyAsciiLettersInEveryLocale) {
    // A single-byte locale, where the C library would fold 0xE9 as a letter, if one is installed.
    const std::string before = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "en_US.ISO-8859-1");
    EXPECT_EQ(upperAscii(std::string_view("lotobase.dbf \xE9\xC9\xD0\xB0")), "LOTOBASE.DBF \xE9\xC9\xD0\xB0");
    EXPECT_EQ(lowerAscii(std::string_view("C1,N \xC9")), "c1,n \xC9");
    EXPECT_EQ(upperAscii('z'), 'Z');
    EXPECT_EQ(upperAscii('{'), '{');
    EXPECT_EQ(lowerAscii('@'), '@');
    std::setlocale(LC_CTYPE, before.c_str());
}

TEST(AsciiCase, ComparesWithoutRegardToAsciiCaseOnly) {
    EXPECT_TRUE(sameAsciiIgnoringCase("Default Directory", "DEFAULT directory"));
    EXPECT_TRUE(sameAsciiIgnoringCase("", ""));
    EXPECT_FALSE(sameAsciiIgnoringCase("C1", "C12"));
    EXPECT_FALSE(sameAsciiIgnoringCase("\xE9", "\xC9"));
    EXPECT_FALSE(sameAsciiIgnoringCase("[", "{"));
}
