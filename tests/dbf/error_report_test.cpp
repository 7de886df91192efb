// The engine's error report: message texts of listed codes, the numbered form of the others, and
// the exception that carries code, location and information.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dbf/constants.h"
#include "dbf/error_report.h"

namespace {

// The message of each listed code as the user reads it, raised at location 1101 on /tmp/x/a.dbf:
// the code, a blank, then the message to the end of the line.
constexpr char kListedMessages[] =
    "2 File not found - /tmp/x/a.dbf\n"
    "3 Path not found - /tmp/x/a.dbf\n"
    "4 Too many open files - /tmp/x/a.dbf\n"
    "5 File access denied - /tmp/x/a.dbf\n"
    "12 Invalid file access code - /tmp/x/a.dbf\n"
    "15 Invalid drive number - /tmp/x/a.dbf\n"
    "32 File access denied - /tmp/x/a.dbf\n"
    "33 Record locked by another user - /tmp/x/a.dbf\n"
    "100 Disk read error - /tmp/x/a.dbf\n"
    "101 Disk write error - /tmp/x/a.dbf\n"
    "102 File not assigned - /tmp/x/a.dbf\n"
    "103 File not open - /tmp/x/a.dbf\n"
    "104 File not open for input - /tmp/x/a.dbf\n"
    "105 File not open for output - /tmp/x/a.dbf\n"
    "106 Invalid numeric format - /tmp/x/a.dbf\n"
    "150 Disk is write-protected - /tmp/x/a.dbf\n"
    "152 Drive not ready - /tmp/x/a.dbf\n"
    "162 Hardware failure - /tmp/x/a.dbf\n"
    "183 File already exists - /tmp/x/a.dbf\n"
    "222 Not a regular file - /tmp/x/a.dbf\n"
    "1001 dBase DBF file header invalid - /tmp/x/a.dbf\n"
    "1002 dBase record request beyond EOF - /tmp/x/a.dbf\n"
    "1003 dBase field name is invalid - /tmp/x/a.dbf\n"
    "1004 dBase field is of incorrect type - /tmp/x/a.dbf\n"
    "1005 dBase memo record has format error - /tmp/x/a.dbf\n"
    "1006 Formula expression cannot be translated - /tmp/x/a.dbf\n"
    "1011 Number too large to fit in field - /tmp/x/a.dbf\n"
    "1012 Table file was replaced or removed by another program, open it again - /tmp/x/a.dbf\n"
    "1013 Table file has more than one name (hard links), a new copy would part them - /tmp/x/a.dbf\n"
    "1269 A Password is included for unencrypted file %s - /tmp/x/a.dbf\n"
    "1270 No Password for encrypted file %s - /tmp/x/a.dbf\n"
    "1271 Invalid Password for encrypted file s% - /tmp/x/a.dbf\n";

TEST(ErrorReport, ListedCodesHaveTheirTexts) {
    std::istringstream lines(kListedMessages);
    for (std::string line; std::getline(lines, line);) {
        const int code = std::stoi(line);
        const std::string message = line.substr(line.find(' ') + 1);
        const std::string text = message.substr(0, message.rfind(" - "));
        ASSERT_NE(xb::errorText(code), nullptr) << code;
        EXPECT_EQ(xb::errorText(code), text) << code;
        // The location is never shown for a listed code, and the placeholders stay unformatted.
        EXPECT_EQ(xb::errorMessage(code, 1101, "/tmp/x/a.dbf"), message) << code;
        EXPECT_EQ(xb::errorMessage(code, -7, ""), text + " - ") << code;
    }
    for (int unlisted : {0, 1, 6, 29, 30, 31, 87, 112, 221, 1000, 1007, 1272}) {
        EXPECT_EQ(xb::errorText(unlisted), nullptr) << unlisted;
    }
}

TEST(ErrorReport, UnlistedCodesUseTheNumberedForm) {
    EXPECT_EQ(xb::errorMessage(221, 1207, "/tmp/x/lotobase.dbf"),
              "Xbase Error 221, SubCode 1207.\r /tmp/x/lotobase.dbf>1207");
    EXPECT_EQ(xb::errorMessage(30, 1101, "/tmp/x/a.dbf"), "Xbase Error 30, SubCode 1101.\r /tmp/x/a.dbf>1101");
    // No information: the message ends with the carriage return.
    EXPECT_EQ(xb::errorMessage(221, 1204, ""), "Xbase Error 221, SubCode 1204.\r");
    // Location -7 drops the SubCode part but is still appended after the information.
    EXPECT_EQ(xb::errorMessage(112, -7, ""), "Xbase Error 112.\r");
    EXPECT_EQ(xb::errorMessage(112, -7, "info"), "Xbase Error 112.\r info>-7");
    EXPECT_EQ(xb::errorMessage(0, 0, ""), "Xbase Error 0, SubCode 0.\r");
    EXPECT_EQ(xb::errorMessage(29, -1, "p"), "Xbase Error 29, SubCode -1.\r p>-1");
}

TEST(ErrorReport, RaisedExceptionCarriesCodeLocationInformationAndMessage) {
    try {
        xb::raiseError(1004, xb::loc::kTypeCheck, "C1");
        FAIL() << "raiseError returned";
    } catch (const EXbaseError& e) {
        EXPECT_EQ(e.Code(), 1004);
        EXPECT_EQ(e.Location(), 1299);
        EXPECT_EQ(e.Information(), "C1");
        EXPECT_EQ(e.Message(), "dBase field is of incorrect type - C1");
        EXPECT_STREQ(e.what(), "dBase field is of incorrect type - C1");
    }

    // Callers that know only the base exception still get the message.
    try {
        xb::raiseError(221, xb::loc::kRecordRead, "/p/t.dbf");
        FAIL() << "raiseError returned";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Xbase Error 221, SubCode 1207.\r /p/t.dbf>1207");
        EXPECT_NE(dynamic_cast<const EXbaseError*>(&e), nullptr);
    }

    const EXbaseError direct(3, 1107, "/no/such/dir/a.dbf");
    EXPECT_EQ(direct.Message(), "Path not found - /no/such/dir/a.dbf");
    EXPECT_EQ(std::strlen(direct.what()), direct.Message().size());
}

}  // namespace
