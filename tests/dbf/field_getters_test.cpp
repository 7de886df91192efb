// The field getters on a record buffer: text, number, logical, date and display text for every
// field type, the binary fields of version 0x30 tables, the field lookup by name and the type
// check of the by-name getters.
#include <gtest/gtest.h>

#include <string>

#include "dbf/constants.h"
#include "dbf/dbf_table.h"
#include "tests/support/engine_fixture.h"

namespace {

using testsupport::DbfImage;
using testsupport::doubleBytes;
using testsupport::expectXbaseError;
using testsupport::le32;
using testsupport::le64;

using FieldGettersTest = testsupport::EngineTest;

TEST_F(FieldGettersTest, TextIsCopiedAsStoredUpToAZeroByte) {
    DbfImage image;
    image.field("NAME", 'C', 8).field("C1", 'N', 3);
    image.record({std::string("ab\0cd", 5), "12"});
    image.record({"  lead", ""});
    XBO_dBaseFld table(write(image), "", false, true);

    table.readRecord(1);
    EXPECT_EQ(table.getText(1), "ab");
    EXPECT_EQ(table.getText("name"), "ab");
    EXPECT_EQ(table.getText(2), " 12") << "nothing is trimmed";
    EXPECT_EQ(table.getNumber(2), 12.0L);
    table.readRecord(2);
    EXPECT_EQ(table.getText(1), "  lead  ");
    EXPECT_EQ(table.getDisplayText(1), "  lead") << "display drops trailing blanks only";
    EXPECT_EQ(table.getText(2), "   ");

    // Numbers outside 1..count give neutral values, not errors.
    for (int number : {0, -1, 3, 99}) {
        EXPECT_EQ(table.field(number), nullptr) << number;
        EXPECT_EQ(table.fieldType(number), 0) << number;
        EXPECT_EQ(table.fieldName(number), "") << number;
        EXPECT_EQ(table.fieldLength(number), 0u) << number;
        EXPECT_EQ(table.fieldDecimals(number), 0) << number;
        EXPECT_EQ(table.fieldOffset(number), 0u) << number;
        EXPECT_EQ(table.getText(number), "") << number;
        EXPECT_EQ(table.getNumber(number), 0.0L) << number;
        EXPECT_FALSE(table.getLogical(number)) << number;
        EXPECT_EQ(table.getDate(number), 0) << number;
    }
}

TEST_F(FieldGettersTest, FieldLookupIgnoresCaseAndTrailingBlanks) {
    DbfImage image;
    image.field("C1", 'N', 2).fieldRaw(std::string("AB\0JUNK", 7), 'C', 3, 0).field("c1", 'N', 4);
    image.field("LONGNAME_11", 'C', 2);
    image.record({"5", "xyz", "77", "ok"});
    const std::string path = write(image);
    XBO_dBaseFld table(path, "", false, true);
    table.readRecord(1);

    EXPECT_EQ(table.findField("c1").number(), 1) << "the first match wins";
    EXPECT_EQ(table.findField("C1 ").number(), 1);
    EXPECT_EQ(table.fieldNumber("C1   "), 1);
    EXPECT_EQ(table.fieldName(2), "AB") << "the name ends at its first zero byte";
    EXPECT_EQ(table.fieldNumber("ab"), 2);
    EXPECT_EQ(table.getText("Ab"), "xyz");
    EXPECT_EQ(table.fieldNumber("longname_11"), 4);

    for (const std::string& name :
         {std::string("ABJUNK"), std::string("C2"), std::string("LONGNAME_11X"), std::string("")}) {
        auto e = expectXbaseError([&] { table.fieldNumber(name); });
        EXPECT_EQ(e.Code(), 1003) << name;
        EXPECT_EQ(e.Location(), xb::loc::kFieldLookup) << name;
        EXPECT_EQ(e.Message(), "dBase field name is invalid - " + path + "->" + name);
    }
    auto e = expectXbaseError([&] { table.getText("nope"); });
    EXPECT_EQ(e.Message(), "dBase field name is invalid - " + path + "->nope");
    e = expectXbaseError([&] { table.getDisplayText("nope"); });
    EXPECT_EQ(e.Code(), 1003);
    e = expectXbaseError([&] { table.getNumber("nope"); });
    EXPECT_EQ(e.Code(), 1003);
}

TEST_F(FieldGettersTest, NumbersAreReadFromTheirText) {
    DbfImage image;
    image.field("C1", 'N', 2).field("X", 'N', 8, 2).field("W", 'C', 40).field("F1", 'F', 8, 1);
    image.record({" 7", "-3.50", "42", "1.5E+3"});
    image.record({"", "", "abcdefghijklmnopqrstuvwxyz0123456789ABCD", ""});
    image.record({"1x", "+7", "  -0.25e1  ", "12 3"});
    // The table is named as the file system spells it, without directory or extension.
    const std::string path = write(image, "LotoBase.dbf");
    XBO_dBaseFld table(m_dir.file("lotobase"), "", false, true);

    table.readRecord(1);
    EXPECT_EQ(table.getNumber(1), 7.0L);
    EXPECT_EQ(table.getNumber("x"), -3.5L);
    EXPECT_EQ(table.getNumber(3), 42.0L) << "by number, a C field's text is converted";
    EXPECT_EQ(table.getNumber("F1"), 1500.0L);

    table.readRecord(2);
    EXPECT_EQ(table.getNumber(1), 0.0L);
    EXPECT_EQ(table.getNumber(2), 0.0L);
    EXPECT_EQ(table.getNumber(4), 0.0L);
    auto e = expectXbaseError([&] { table.getNumber(3); });
    EXPECT_EQ(e.Code(), 1004);
    EXPECT_EQ(e.Location(), xb::loc::kNone);
    EXPECT_EQ(e.Message(),
              "dBase field is of incorrect type - Invalid number in field LotoBase->W "
              "(abcdefghijklmnopqrstuvwxyz01234)");

    table.readRecord(3);
    EXPECT_EQ(table.getNumber(2), 7.0L);
    EXPECT_EQ(table.getNumber(3), -2.5L) << "leading blanks are skipped, trailing removed";
    e = expectXbaseError([&] { table.getNumber("C1"); });
    EXPECT_EQ(e.Code(), 1004);
    EXPECT_EQ(e.Information(), "Invalid number in field LotoBase->C1 (1x)");
    EXPECT_EQ(e.Message(), "dBase field is of incorrect type - Invalid number in field LotoBase->C1 (1x)");
    e = expectXbaseError([&] { table.getNumber(4); });
    EXPECT_EQ(e.Information(), "Invalid number in field LotoBase->F1 (    12 3)");
}

TEST_F(FieldGettersTest, DisplayTextOfNumberAndMemoLikeFields) {
    DbfImage image;
    image.field("N0", 'N', 5).field("N2", 'N', 6, 2).field("F1", 'F', 7, 3);
    image.field("M1", 'M', 10).field("B1", 'B', 10).field("G1", 'G', 10);
    image.record({"", "", "", "", "", ""});
    image.record({"12", "1.50", "-0.125", "5", "7", "3"});
    XBO_dBaseFld table(write(image.version(0x83)), "", false, true);

    table.readRecord(1);
    EXPECT_EQ(table.getDisplayText(1), "0");
    EXPECT_EQ(table.getDisplayText("n2"), "0.00");
    EXPECT_EQ(table.getDisplayText(3), "0.000");
    EXPECT_EQ(table.getDisplayText(4), "---memo---");
    EXPECT_EQ(table.getDisplayText(5), "--binary--");
    EXPECT_EQ(table.getDisplayText(6), "-general--");

    table.readRecord(2);
    EXPECT_EQ(table.getDisplayText(1), "12");
    EXPECT_EQ(table.getDisplayText(2), "1.50");
    EXPECT_EQ(table.getDisplayText(3), "-0.125");
    EXPECT_EQ(table.getDisplayText(4), "---MEMO---");
    EXPECT_EQ(table.getDisplayText(5), "--BINARY--");
    EXPECT_EQ(table.getDisplayText(6), "-GENERAL--");
    EXPECT_EQ(table.getNumber(4), 5.0L) << "a memo field's number is its block";
}

TEST_F(FieldGettersTest, LogicalFieldsAcceptTheTrueLettersOnly) {
    DbfImage image;
    image.field("L1", 'L', 1);
    const std::string trueLetters = "TtYyJj";
    for (char c : trueLetters) image.record({std::string(1, c)});
    for (const char* text : {"N", "n", "F", "?", " ", "1"}) image.record({text});
    XBO_dBaseFld table(write(image), "", false, true);

    for (std::uint32_t n = 1; n <= 12; ++n) {
        table.readRecord(n);
        const bool expected = n <= trueLetters.size();
        EXPECT_EQ(table.getLogical(1), expected) << n;
        EXPECT_EQ(table.getLogical("l1"), expected) << n;
        EXPECT_EQ(table.getDisplayText(1), expected ? "T" : "F") << n;
    }
}

TEST_F(FieldGettersTest, DatesAreReadAsJulianDays) {
    DbfImage image;
    image.field("D1", 'D', 8).field("DS", 'D', 10);
    image.record({"19800101", "01.02.2003"});
    image.record({"", ""});
    image.record({"00000000", "20240229"});
    image.record({"20230229", ""});
    image.record({"garbage!", "29.02.2023"});
    XBO_dBaseFld table(write(image), "", false, true);

    table.readRecord(1);
    EXPECT_EQ(table.getDate(1), 2444240);
    EXPECT_EQ(table.getDate("d1"), 2444240);
    EXPECT_EQ(table.getDisplayText(1), "01.01.1980");
    EXPECT_EQ(table.getDate(2), 2452672) << "text in the short date format";
    EXPECT_EQ(table.getDisplayText(2), "01.02.2003");

    table.readRecord(2);
    EXPECT_EQ(table.getDate(1), 0);
    EXPECT_EQ(table.getDisplayText(1), std::string(10, ' '));

    table.readRecord(3);
    EXPECT_EQ(table.getDate(1), 0);
    EXPECT_EQ(table.getDisplayText(1), std::string(10, ' '));
    EXPECT_EQ(table.getDate(2), 2460370);
    platform::overrideShortDateFormat(std::string("MM/dd/yy"));
    EXPECT_EQ(table.getDisplayText(2), "02/29/2024") << "the year is widened to four digits";
    TxbDBFDate::instance().setFourDigitYear(false);
    EXPECT_EQ(table.getDisplayText(2), "02/29/24");
    EXPECT_EQ(table.getDisplayText(1), std::string(8, ' '));
    TxbDBFDate::instance().setFourDigitYear(true);
    platform::overrideShortDateFormat(std::string("dd.MM.yyyy"));

    table.readRecord(4);
    EXPECT_EQ(table.getDate(1), TxbDBFDate::kZeroDate) << "an impossible date";
    EXPECT_EQ(table.getDisplayText(1), "30.12.1899");

    table.readRecord(5);
    auto e = expectXbaseError([&] { table.getDate(1); });
    EXPECT_EQ(e.Code(), 1004);
    EXPECT_EQ(e.Location(), xb::loc::kNone);
    EXPECT_EQ(e.Message(), "dBase field is of incorrect type - Invalid date in field lotobase->D1 (garbage!)");
    EXPECT_THROW(table.getDisplayText(1), EConvertError);
    e = expectXbaseError([&] { table.getDate("ds"); });
    EXPECT_EQ(e.Information(), "Invalid date in field lotobase->DS (29.02.2023)");
}

TEST_F(FieldGettersTest, ByNameTypedGettersCheckTheType) {
    DbfImage image;
    image.field("C1", 'N', 2).field("NAME", 'C', 4).field("D1", 'D', 8).field("L1", 'L', 1);
    image.field("F1", 'F', 4).field("M1", 'M', 4).field("B1", 'B', 4).field("G1", 'G', 4).field("I1", 'I', 4);
    image.record({"9", "12", "19800101", "T", "1.5", "2", "3", "4", "5"});
    XBO_dBaseFld table(write(image), "", false, true);
    table.readRecord(1);

    for (const char* name : {"C1", "F1", "M1", "B1", "G1", "I1"}) EXPECT_NO_THROW(table.getNumber(name)) << name;
    EXPECT_EQ(table.getNumber("f1"), 1.5L);
    EXPECT_EQ(table.getNumber(2), 12.0L) << "the by-number form checks nothing";
    EXPECT_EQ(table.getDate("D1"), 2444240);
    EXPECT_TRUE(table.getLogical("L1"));

    const auto expectTypeError = [&](const std::function<void()>& call, const std::string& name) {
        auto e = expectXbaseError(call);
        EXPECT_EQ(e.Code(), 1004) << name;
        EXPECT_EQ(e.Location(), xb::loc::kTypeCheck) << name;
        EXPECT_EQ(e.Message(), "dBase field is of incorrect type - " + name);
    };
    expectTypeError([&] { table.getNumber("name"); }, "name");
    expectTypeError([&] { table.getNumber("D1"); }, "D1");
    expectTypeError([&] { table.getNumber("L1"); }, "L1");
    expectTypeError([&] { table.getLogical("C1"); }, "C1");
    expectTypeError([&] { table.getLogical("NAME"); }, "NAME");
    expectTypeError([&] { table.getDate("C1"); }, "C1");
    expectTypeError([&] { table.getDate("name"); }, "name");
    EXPECT_EQ(table.getText("D1"), "19800101") << "text getters take any type";
}

TEST_F(FieldGettersTest, Version30BinaryFields) {
    DbfImage image;
    image.version(0x30);
    image.field("B1", 'B', 8).field("I1", 'I', 4).field("M1", 'M', 4).field("G1", 'G', 4);
    image.field("T1", 'T', 8).field("Y1", 'Y', 8).field("N1", 'N', 4);
    image.record({doubleBytes(3.25), le32(-7), le32(42), le32(9), le32(2444240) + le32(3600000), le64(12345678), "12"});
    image.record({doubleBytes(-0.5), le32(2147483647), le32(0), le32(0), std::string(8, ' '),
                  le64((std::int64_t{5} << 32) + 7), ""});
    XBO_dBaseFld table(write(image), "", false, true);
    ASSERT_EQ(table.fieldCount(), 7);

    table.readRecord(1);
    EXPECT_EQ(table.getNumber(1), 3.25L);
    EXPECT_EQ(table.getNumber("I1"), -7.0L);
    EXPECT_EQ(table.getNumber(3), 42.0L);
    EXPECT_EQ(table.getNumber(4), 9.0L);
    EXPECT_EQ(table.getNumber(5), (2444240.0L - 1721425.0L) * 86400000.0L + 3600000.0L);
    EXPECT_NEAR(static_cast<double>(table.getNumber(6)), 1234.5678, 1e-9);
    EXPECT_EQ(table.getNumber(7), 12.0L) << "text fields stay text";
    EXPECT_EQ(table.getDisplayText(3), "---MEMO---");

    table.readRecord(2);
    EXPECT_EQ(table.getNumber(1), -0.5L);
    EXPECT_EQ(table.getNumber(2), 2147483647.0L);
    EXPECT_EQ(table.getDisplayText(3), "---memo---");
    EXPECT_EQ(table.getNumber(5), (2415019.0L - 1721425.0L) * 86400000.0L) << "blank day and time";
    EXPECT_NEAR(static_cast<double>(table.getNumber(6)), (5.0 * 4294967296.0 + 7.0) / 10000.0, 1e-6);
}

}  // namespace
