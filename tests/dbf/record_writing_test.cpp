// Changing a table: the setters of every field type on the record buffer, blank, delete and
// recall, replace and append with the exact bytes they leave in the file, the header write that
// follows them, and what the user is told when the operating system fails in the middle.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "dbf/constants.h"
#include "dbf/dbf_date.h"
#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "platform/local_time.h"
#include "platform/locale_info.h"
#include "tests/support/engine_fixture.h"

namespace {

using platform::Call;
using platform::Fault;
using testsupport::DbfImage;
using testsupport::expectXbaseError;
using testsupport::le32;
using testsupport::readFile;

// The clock every header write of these tests reads: 9 July 2031, 13:45:12.345.
constexpr std::uint32_t kStamp = 57487705;  // ((13 * 64 + 45) * 64 + 12) * 1024 + 345

std::string bytesOf(const std::uint8_t* p, std::size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

std::string fieldBytes(const XBO_dBaseFld& table, int number) {
    return bytesOf(table.recordBuffer() + table.fieldOffset(number), table.fieldLength(number));
}

std::string recordBytes(const XBO_dBaseDBF& table) { return bytesOf(table.recordBuffer(), table.recordLength()); }

// A live record of the twenty-byte table: NAME left-aligned in 12 bytes, C1 right-aligned in 7.
std::string row(const std::string& name, const std::string& number) {
    return " " + name + std::string(12 - name.size(), ' ') + std::string(7 - number.size(), ' ') + number;
}

// The 32 header bytes as a header write under the fixed clock must leave them: date, count,
// stamp, encryption flag, user number and the three flag bits set, every other byte as it was.
std::string stampedHeader(std::string header, std::uint32_t count, std::int32_t user = 0) {
    header.resize(32);
    header[1] = 31;
    header[2] = 7;
    header[3] = 9;
    header.replace(4, 4, le32(static_cast<std::int32_t>(count)));
    header[15] = 0;
    header.replace(16, 4, le32(static_cast<std::int32_t>(kStamp)));
    header.replace(20, 4, le32(user));
    header[28] = static_cast<char>(header[28] & 0x07);
    return header;
}

void expectReport(const EXbaseError& e, int code, int location, const std::string& information,
                  const std::string& message) {
    EXPECT_EQ(e.Code(), code);
    EXPECT_EQ(e.Location(), location);
    EXPECT_EQ(e.Information(), information);
    EXPECT_EQ(e.Message(), message);
}

class RecordWritingTest : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        platform::overrideLocalTime([] { return platform::LocalTime{2031, 7, 9, 13, 45, 12, 345}; });
    }

    // Header length 97 and record length 20: NAME C(12), C1 N(7,2).
    static DbfImage twentyByteImage(int records) {
        DbfImage image;
        image.field("NAME", 'C', 12).field("C1", 'N', 7, 2);
        for (int i = 1; i <= records; ++i) image.record({"rec" + std::to_string(i), std::to_string(i) + ".00"});
        return image;
    }

    // Every setter's field type in one record.
    static DbfImage allTypesImage() {
        DbfImage image;
        image.field("NAME", 'C', 5)
            .field("C1", 'N', 2)
            .field("AMOUNT", 'N', 6, 2)
            .field("FLAG", 'L', 1)
            .field("DRAWN", 'D', 8)
            .field("RATE", 'F', 5, 1);
        image.record({"abcde", "42", "-1.50", "T", "19991231", "3.5"});
        return image;
    }
};

TEST_F(RecordWritingTest, AppendToAnEmptyTableWritesTheRecordTheEndByteAndTheHeader) {
    DbfImage image = twentyByteImage(0);
    image.lastUpdate(99, 12, 31).updateStamp(0x11223344).tableFlags(0xFE).codePage(0x65);
    const std::string path = write(image);
    // Reserved bytes and a stranger's user number, to see what the header write keeps.
    testsupport::patchFile(path, 12, "\x01\x02\x03");
    testsupport::patchFile(path, 20, "WXYZabcd");
    testsupport::patchFile(path, 30, "\x7F\x7E");
    const std::string before = readFile(path);
    ASSERT_EQ(before.size(), 98u);
    ASSERT_EQ(image.computedHeaderLength(), 97);
    ASSERT_EQ(image.computedRecordLength(), 20);

    DBFObject table(path, "", true, true);
    ASSERT_EQ(table.recordCount(), 0u);
    table.blankRecord();
    ASSERT_TRUE(table.putText("NAME", "Lotto"));
    ASSERT_TRUE(table.putNumber(2, 12.5));
    const std::string record = row("Lotto", "12.50");
    ASSERT_EQ(recordBytes(table), record);

    platform::clearFaults();
    table.appendRecord();
    std::string expected = stampedHeader(before.substr(0, 32), 1) + before.substr(32, 65) + record + "\x1A";
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(expected[28], '\x06') << "bits 3-7 of the flags are cleared";
    EXPECT_EQ(expected.substr(12, 3), "\x01\x02\x03");
    EXPECT_EQ(platform::callCount(Call::Write), 2) << "one record write and one header write";
    EXPECT_EQ(platform::callCount(Call::Lock), 1);
    EXPECT_EQ(platform::callCount(Call::Unlock), 1);
    EXPECT_EQ(table.recordCount(), 1u);
    EXPECT_EQ(table.currentRecord(), 1u);
    EXPECT_FALSE(table.eof());
    EXPECT_FALSE(table.bof());
    EXPECT_EQ(table.lockCount(), 0);
    EXPECT_FALSE(table.headerUpdatePending());
    EXPECT_EQ(table.updateStamp(), kStamp);
    EXPECT_TRUE(table.isDirty());
    EXPECT_EQ(bytesOf(table.oldRecord().data(), 20), record);

    // The second append overwrites the end byte; the user number comes from the table.
    table.setUserNumber(0x01020304);
    table.putText(1, "second");
    table.recordBuffer()[0] = '*';  // an appended record is never deleted
    table.appendRecord();
    expected = stampedHeader(before.substr(0, 32), 2, 0x01020304) + before.substr(32, 65) + record +
               row("second", "12.50") + "\x1A";
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(expected.substr(20, 4), "\x04\x03\x02\x01");
    EXPECT_EQ(table.currentRecord(), 2u);
    EXPECT_FALSE(table.isDeleted());
}

TEST_F(RecordWritingTest, AppendLandsBehindWhatAnotherUserAppendedMeanwhile) {
    const std::string path = write(twentyByteImage(1));
    DBFObject first(path, "", true, true);
    DBFObject second(path, "", true, true);
    ASSERT_EQ(second.recordCount(), 1u);

    first.blankRecord();
    first.putText(1, "first");
    first.appendRecord();
    EXPECT_EQ(second.recordCount(), 1u) << "the other object has not looked yet";

    second.blankRecord();
    second.putText(1, "second");
    second.appendRecord();
    EXPECT_EQ(second.recordCount(), 3u);
    EXPECT_EQ(second.currentRecord(), 3u);

    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 97u + 3 * 20 + 1);
    EXPECT_EQ(bytes.substr(117, 20), row("first", "0.00"));
    EXPECT_EQ(bytes.substr(137, 20), row("second", "0.00"));
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(4, 4), le32(3));
}

TEST_F(RecordWritingTest, ReplaceRewritesExactlyOneRecordInPlace) {
    const std::string path = write(twentyByteImage(5));
    const std::string before = readFile(path);
    DBFObject table(path, "", true, true);
    table.readRecord(3);
    ASSERT_TRUE(table.putValueText(2, "-7.126"));
    ASSERT_TRUE(table.putText(1, "changed"));
    const std::string record = recordBytes(table);
    ASSERT_EQ(record, row("changed", "-7.13"));

    platform::clearFaults();
    table.replaceRecord(3);
    std::string expected = before;
    expected.replace(0, 32, stampedHeader(before.substr(0, 32), 5));
    expected.replace(97 + 2 * 20, 20, record);
    EXPECT_EQ(readFile(path), expected);
    // The record, then the header in two pieces around its count, which only an append writes.
    EXPECT_EQ(platform::callCount(Call::Write), 3);
    EXPECT_EQ(platform::callCount(Call::Lock), 0) << "replace takes no lock of its own";
    EXPECT_EQ(table.currentRecord(), 3u);
    EXPECT_EQ(table.recordCount(), 5u);
    EXPECT_FALSE(table.recordModified());
    EXPECT_FALSE(table.headerUpdatePending());
    EXPECT_EQ(bytesOf(table.oldRecord().data(), 20), record);

    // Replacing from another position writes where it is told, and moves there.
    table.readRecord(1);
    table.putText(1, "one");
    table.replaceRecord(4);
    expected.replace(97 + 3 * 20, 20, row("one", "1.00"));
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(table.currentRecord(), 4u);
}

TEST_F(RecordWritingTest, ReplaceOfNoRecordAppendsInstead) {
    const std::string path = write(twentyByteImage(2));
    const std::string before = readFile(path);
    DBFObject table(path, "", true, true);
    table.readRecord(1);
    table.putText(1, "zero");
    table.replaceRecord(0);
    EXPECT_EQ(table.recordCount(), 3u);
    EXPECT_EQ(table.currentRecord(), 3u);
    table.putText(1, "beyond");
    table.replaceRecord(9);
    table.putText(1, "negative");
    table.replaceRecord(-1);
    // A table in the append-only state appends whatever number it is given.
    table.setTableState(xb::state::kAppendOnly);
    table.putText(1, "state3");
    table.replaceRecord(1);
    EXPECT_EQ(table.recordCount(), 6u);

    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 97u + 6 * 20 + 1);
    EXPECT_EQ(bytes.substr(97, 40), before.substr(97, 40)) << "records 1 and 2 untouched";
    EXPECT_EQ(bytes.substr(137, 20), row("zero", "1.00"));
    EXPECT_EQ(bytes.substr(157, 20), row("beyond", "1.00"));
    EXPECT_EQ(bytes.substr(177, 20), row("negative", "1.00"));
    EXPECT_EQ(bytes.substr(197, 20), row("state3", "1.00"));
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(4, 4), le32(6));
}

TEST_F(RecordWritingTest, DeleteAndRecallRewriteTheFlagAndNothingElse) {
    const std::string path = write(twentyByteImage(3));
    const std::string before = readFile(path);
    DBFObject table(path, "", true, true);
    table.readRecord(2);

    platform::clearFaults();
    table.deleteCurrentRecord();
    std::string expected = before;
    expected.replace(0, 32, stampedHeader(before.substr(0, 32), 3));
    expected[97 + 20] = '*';
    EXPECT_EQ(readFile(path), expected);
    EXPECT_TRUE(table.isDeleted());
    EXPECT_EQ(table.currentRecord(), 2u);
    EXPECT_EQ(platform::callCount(Call::Lock), 0) << "delete takes no lock";

    table.recallCurrentRecord();
    expected[97 + 20] = ' ';
    EXPECT_EQ(readFile(path), expected);
    EXPECT_FALSE(table.isDeleted());
    EXPECT_EQ(platform::callCount(Call::Lock), 0) << "recall takes no lock";
    EXPECT_EQ(table.recordCount(), 3u);
}

TEST_F(RecordWritingTest, NumberFieldsTakeValueTextAndNumbersRightAligned) {
    const std::string path = write(allTypesImage());
    DBFObject table(path, "", true, true);
    table.readRecord(1);

    const std::vector<std::pair<std::string, std::string>> texts = {
        {"", " 0"},
        {" 7 ", " 7"},
        {"7.6", " 8"},
        {"  9", " 9"},
        {"-5", "-5"},
        {"1e1", "10"},
        // Only the first 32 characters count.
        {std::string(31, '0') + "7" + "garbage", " 7"},
    };
    for (const auto& [text, stored] : texts) {
        EXPECT_TRUE(table.putValueText(2, text)) << text;
        EXPECT_EQ(fieldBytes(table, 2), stored) << '"' << text << '"';
    }
    EXPECT_EQ(table.changedMarks()[2], 1);
    EXPECT_TRUE(table.recordModified());

    // A number too wide is refused before the field is touched.
    expectReport(expectXbaseError([&] { table.putValueText(2, "123"); }), 1011, 1261, "C1 - 123",
                 "Number too large to fit in field - C1 - 123");
    expectReport(expectXbaseError([&] { table.putNumber(2, -10); }), 1011, 1261, "C1 - -10",
                 "Number too large to fit in field - C1 - -10");
    EXPECT_EQ(fieldBytes(table, 2), " 7");
    expectReport(expectXbaseError([&] { table.putValueText("c1", "abc"); }), 1004, 1261, "",
                 "dBase field is of incorrect type - ");
    EXPECT_EQ(fieldBytes(table, 2), " 7");

    EXPECT_TRUE(table.putNumber(3, 12.5));
    EXPECT_EQ(fieldBytes(table, 3), " 12.50");
    EXPECT_TRUE(table.putNumber("amount", -12.5));
    EXPECT_EQ(fieldBytes(table, 3), "-12.50");
    EXPECT_TRUE(table.putNumber(3, 0.004));
    EXPECT_EQ(fieldBytes(table, 3), "  0.00");
    EXPECT_TRUE(table.putValueText(3, "3"));
    EXPECT_EQ(fieldBytes(table, 3), "  3.00");
    expectReport(expectXbaseError([&] { table.putNumber(3, 1234.567); }), 1011, 1261, "AMOUNT - 1234.57",
                 "Number too large to fit in field - AMOUNT - 1234.57");
    EXPECT_TRUE(table.putNumber(6, -2.26));
    EXPECT_EQ(fieldBytes(table, 6), " -2.3");

    // Numbers belong in number fields only.
    expectReport(expectXbaseError([&] { table.putNumber(1, 5); }), 1004, 1299, "",
                 "dBase field is of incorrect type - ");
    EXPECT_EQ(fieldBytes(table, 1), "abcde");
    expectReport(expectXbaseError([&] { table.putNumber(4, 1); }), 1004, 1299, "",
                 "dBase field is of incorrect type - ");
    expectReport(expectXbaseError([&] { table.putNumber("NAME", 5); }), 1004, 1299, "NAME",
                 "dBase field is of incorrect type - NAME");
    // The raw put aligns by type and checks nothing.
    EXPECT_TRUE(table.putText(3, "ab"));
    EXPECT_EQ(fieldBytes(table, 3), "    ab");
    EXPECT_TRUE(table.putText(3, "1234567"));
    EXPECT_EQ(fieldBytes(table, 3), "123456");
}

TEST_F(RecordWritingTest, LogicalFieldsTakeLettersAndNumbers) {
    const std::string path = write(allTypesImage());
    DBFObject table(path, "", true, true);
    table.readRecord(1);

    const std::vector<std::pair<std::string, std::string>> texts = {
        {"y", "T"}, {"n", "F"}, {"2", "T"}, {"0", "F"}, {"0.5", "F"},  {"-3", "T"},
        {"", "F"},  {"J", "T"}, {"t", "T"}, {"f", "F"}, {"Nein", "F"}, {"Yes", "T"},
    };
    for (const auto& [text, stored] : texts) {
        EXPECT_TRUE(table.putValueText(4, text)) << text;
        EXPECT_EQ(fieldBytes(table, 4), stored) << '"' << text << '"';
    }
    expectReport(expectXbaseError([&] { table.putValueText(4, "?"); }), 1004, 1262, "FLAG",
                 "dBase field is of incorrect type - FLAG");
    EXPECT_EQ(fieldBytes(table, 4), "T") << "the field keeps its value";

    EXPECT_TRUE(table.putLogical(4, false));
    EXPECT_EQ(fieldBytes(table, 4), "F");
    EXPECT_TRUE(table.putLogical("flag", true));
    EXPECT_EQ(fieldBytes(table, 4), "T");
    expectReport(expectXbaseError([&] { table.putLogical(2, true); }), 1004, 1299, "",
                 "dBase field is of incorrect type - ");
    EXPECT_EQ(fieldBytes(table, 2), "42");
    expectReport(expectXbaseError([&] { table.putLogical("C1", true); }), 1004, 1299, "C1",
                 "dBase field is of incorrect type - C1");
}

TEST_F(RecordWritingTest, DateFieldsTakeStoredShortAndDayNumberForms) {
    const std::string path = write(allTypesImage());
    DBFObject table(path, "", true, true);
    table.readRecord(1);

    EXPECT_TRUE(table.putValueText(5, "20240229"));
    EXPECT_EQ(fieldBytes(table, 5), "20240229");
    EXPECT_TRUE(table.putValueText(5, ""));
    EXPECT_EQ(fieldBytes(table, 5), "        ");
    EXPECT_TRUE(table.putValueText(5, "19800101"));
    EXPECT_TRUE(table.putValueText(5, "00000000"));
    EXPECT_EQ(fieldBytes(table, 5), "        ");
    EXPECT_TRUE(table.putValueText(5, "29.02.2024"));
    EXPECT_EQ(fieldBytes(table, 5), "20240229");
    platform::overrideShortDateFormat(std::string("MM/dd/yyyy"));
    EXPECT_TRUE(table.putValueText("DRAWN", "12/31/1999"));
    EXPECT_EQ(fieldBytes(table, 5), "19991231");
    platform::overrideShortDateFormat(std::string("dd.MM.yyyy"));
    EXPECT_THROW(table.putValueText(5, "no date"), EConvertError);

    EXPECT_TRUE(table.putDate(5, TxbDBFDate::julianDay(1980, 1, 1)));
    EXPECT_EQ(fieldBytes(table, 5), "19800101");
    EXPECT_EQ(TxbDBFDate::julianDay(1980, 1, 1), 2444240);
    EXPECT_TRUE(table.putDate("drawn", 0));
    EXPECT_EQ(fieldBytes(table, 5), "        ");
    table.putDate(5, 2444240);
    expectReport(expectXbaseError([&] { table.putDate(5, -1); }), 1004, 1251, "",
                 "dBase field is of incorrect type - ");
    EXPECT_EQ(fieldBytes(table, 5), "19800101");
    EXPECT_FALSE(table.putDate(1, 2444240)) << "a field that is no date is left alone";
    EXPECT_EQ(fieldBytes(table, 1), "abcde");
    // The day number is checked before the field's type.
    expectReport(expectXbaseError([&] { table.putDate(1, -1); }), 1004, 1251, "",
                 "dBase field is of incorrect type - ");
    expectReport(expectXbaseError([&] { table.putDate("NAME", 2444240); }), 1004, 1299, "NAME",
                 "dBase field is of incorrect type - NAME");
}

TEST_F(RecordWritingTest, RawPutsAndTheSettersOfNoField) {
    const std::string path = write(allTypesImage());
    DBFObject table(path, "", true, true);
    table.readRecord(1);

    EXPECT_TRUE(table.putValueText(1, "ab"));
    EXPECT_EQ(fieldBytes(table, 1), "ab   ");
    EXPECT_TRUE(table.putText("name", "abcdefgh"));
    EXPECT_EQ(fieldBytes(table, 1), "abcde");
    EXPECT_TRUE(table.putText(1, ""));
    EXPECT_EQ(fieldBytes(table, 1), "     ");
    EXPECT_TRUE(table.putValueText(6, "1.25"));
    EXPECT_EQ(fieldBytes(table, 6), " 1.25") << "an F field takes the text raw, right-aligned";

    const std::string unchanged = recordBytes(table);
    for (int number : {0, -1, 7, 99}) {
        EXPECT_FALSE(table.putText(number, "x")) << number;
        EXPECT_FALSE(table.putValueText(number, "1")) << number;
        EXPECT_FALSE(table.putNumber(number, 1)) << number;
        EXPECT_FALSE(table.putLogical(number, true)) << number;
        EXPECT_FALSE(table.putDate(number, 2444240)) << number;
    }
    EXPECT_EQ(recordBytes(table), unchanged);

    const std::string info = table.path() + "->NOPE";
    const std::string message = "dBase field name is invalid - " + info;
    expectReport(expectXbaseError([&] { table.putText("NOPE", "x"); }), 1003, 1298, info, message);
    expectReport(expectXbaseError([&] { table.putValueText("NOPE", "1"); }), 1003, 1298, info, message);
    expectReport(expectXbaseError([&] { table.putNumber("NOPE", 1); }), 1003, 1298, info, message);
    expectReport(expectXbaseError([&] { table.putLogical("NOPE", true); }), 1003, 1298, info, message);
    expectReport(expectXbaseError([&] { table.putDate("NOPE", 1); }), 1003, 1298, info, message);
    EXPECT_EQ(recordBytes(table), unchanged);
}

TEST_F(RecordWritingTest, BlankRecordHoldsBlanksAndRightAlignedZeros) {
    const std::string path = write(allTypesImage());
    DBFObject table(path, "", true, true);
    table.readRecord(1);
    table.recordBuffer()[0] = '*';
    table.blankRecord();
    EXPECT_EQ(recordBytes(table), std::string(" ") + "     " + " 0" + "  0.00" + " " + "        " + "  0.0");
    EXPECT_EQ(table.recordBuffer()[table.recordLength()], 0x1A) << "only the record's bytes are blanked";
    for (std::size_t i = 0; i < table.changedMarks().size(); ++i) EXPECT_EQ(table.changedMarks()[i], 1) << i;
}

TEST_F(RecordWritingTest, VisualFoxBinaryFieldsStoreTheirEncoding) {
    DbfImage image;
    image.version(0x30).field("B", 'B', 8).field("I", 'I', 4).field("T", 'T', 8).field("Y", 'Y', 8).field("N", 'N', 4);
    image.record({std::string(8, 'x'), std::string(4, 'x'), std::string(8, 'x'), std::string(8, 'x'), "1"});
    const std::string path = write(image);
    DBFObject table(path, "", true, true);
    table.readRecord(1);

    table.blankRecord();
    EXPECT_EQ(fieldBytes(table, 1), std::string(8, '\0'));
    EXPECT_EQ(fieldBytes(table, 2), std::string(4, '\0'));
    EXPECT_EQ(fieldBytes(table, 4), std::string(8, '\0'));
    EXPECT_EQ(fieldBytes(table, 5), "   0");
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(table.getNumber(n), 0.0L) << n;

    EXPECT_TRUE(table.putNumber(1, 3.25));
    EXPECT_EQ(fieldBytes(table, 1), testsupport::doubleBytes(3.25));
    EXPECT_TRUE(table.putNumber(2, -7.9));
    EXPECT_EQ(fieldBytes(table, 2), le32(-7)) << "truncated towards zero";
    const double when = (2460000.0 - 1721425.0) * 86400000.0 + 45296789.0;
    EXPECT_TRUE(table.putNumber(3, when));
    EXPECT_EQ(fieldBytes(table, 3), le32(2460000) + le32(45296789));
    EXPECT_TRUE(table.putNumber(4, 500000000.0));
    EXPECT_EQ(fieldBytes(table, 4), le32(658067456) + le32(1164));
    EXPECT_EQ(table.getNumber(1), 3.25L);
    EXPECT_EQ(table.getNumber(2), -7.0L);
    EXPECT_EQ(table.getNumber(3), static_cast<long double>(when));
    EXPECT_EQ(table.getNumber(4), 500000000.0L);
    EXPECT_TRUE(table.putNumber(4, -1.5));
    EXPECT_EQ(fieldBytes(table, 4), le32(-15000) + le32(0));
    EXPECT_EQ(table.getNumber(4), -1.5L);
    // By name, the type check lets I through as a number but not T.
    EXPECT_TRUE(table.putNumber("i", 12));
    EXPECT_EQ(fieldBytes(table, 2), le32(12));
    expectReport(expectXbaseError([&] { table.putNumber("t", when); }), 1004, 1299, "t",
                 "dBase field is of incorrect type - t");

    // Written and read back through the file.
    table.replaceRecord(1);
    DBFObject reader(path, "", false, true);
    reader.readRecord(1);
    EXPECT_EQ(reader.getNumber(1), 3.25L);
    EXPECT_EQ(reader.getNumber(3), static_cast<long double>(when));
    EXPECT_EQ(reader.getNumber(4), -1.5L);

    // I, T and Y are numbers only in a version 0x30 table.
    DbfImage plain;
    plain.field("I", 'I', 4).field("Y", 'Y', 8).record({"", ""});
    DBFObject old(write(plain, "plain.dbf"), "", true, true);
    old.readRecord(1);
    expectReport(expectXbaseError([&] { old.putNumber(1, 1); }), 1004, 1299, "", "dBase field is of incorrect type - ");
    expectReport(expectXbaseError([&] { old.putNumber("Y", 1); }), 1004, 1299, "Y",
                 "dBase field is of incorrect type - Y");
}

TEST_F(RecordWritingTest, ReadOnlyTableRefusesRecordWritesAndSkipsTheHeader) {
    const std::string path = write(twentyByteImage(2));
    const std::string before = readFile(path);
    {
        DBFObject table(path, "", false, true);
        table.readRecord(1);
        table.putText(1, "nope");
        const std::string denied = "File access denied - " + table.path();
        expectReport(expectXbaseError([&] { table.replaceRecord(1); }), 5, 1102, table.path(), denied);
        EXPECT_FALSE(table.headerUpdatePending()) << "a failed change leaves no header write behind";
        expectReport(expectXbaseError([&] { table.appendRecord(); }), 5, 1102, table.path(), denied);
        EXPECT_EQ(table.recordCount(), 2u);
        EXPECT_EQ(table.currentRecord(), 1u);
        EXPECT_EQ(table.lockCount(), 0);
        EXPECT_FALSE(table.isDirty());
        EXPECT_NO_THROW(table.close()) << "the pending header is not written to a read-only table";
    }
    EXPECT_EQ(readFile(path), before);
}

TEST_F(RecordWritingTest, ShortWritesAreContinuedAndAFailedContinuationIsReported) {
    const std::string path = write(twentyByteImage(2));
    const std::string before = readFile(path);
    DBFObject table(path, "", true, true);
    table.blankRecord();
    table.putText(1, "short");

    platform::clearFaults();
    platform::injectFault(Fault{Call::Write, 0, 1, 0, 5});
    table.appendRecord();
    EXPECT_EQ(platform::callCount(Call::Write), 3) << "record in two pieces, then the header";
    std::string expected =
        stampedHeader(before.substr(0, 32), 3) + before.substr(32, 97 - 32 + 40) + row("short", "0.00") + "\x1A";
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(table.recordCount(), 3u);

    platform::injectFault(Fault{Call::Write, 0, 1, 0, 5});
    platform::queueFault(Fault{Call::Write, 0, 1, platform::code::kDiskFull, 0});
    table.putText(1, "cut");
    const EXbaseError e = expectXbaseError([&] { table.appendRecord(); });
    expectReport(e, 112, 1102, table.path(), "Xbase Error 112, SubCode 1102.\r " + table.path() + ">1102");
    EXPECT_EQ(table.recordCount(), 3u);
    EXPECT_EQ(table.currentRecord(), 3u);
    EXPECT_EQ(table.lockCount(), 0);
    table.close();

    // The five bytes that reached the file were taken back: the file is byte for byte as it was.
    const std::string after = readFile(path);
    EXPECT_EQ(after, expected);
    DBFObject reopened(path, "", true, true);
    EXPECT_EQ(reopened.recordCount(), 3u);
    reopened.readRecord(3);
    EXPECT_EQ(reopened.getText(1), "short       ");
    reopened.putText(1, "again");
    reopened.appendRecord();
    EXPECT_EQ(readFile(path).substr(97 + 60), row("again", "0.00") + "\x1A");
}

// One platform call failing during an append: what is reported, and what is left.
struct AppendFault {
    const char* what;
    Fault fault;
    int location;
    bool recordWritten;
};

TEST_F(RecordWritingTest, FailuresDuringAnAppendReleaseTheLockAndKeepTheFile) {
    const std::vector<AppendFault> cases = {
        {"record write", Fault{Call::Write, 0, 1, platform::code::kDiskFull, 0}, 1102, false},
        {"header write", Fault{Call::Write, 1, 1, platform::code::kWriteFault, 0}, 1102, false},
        {"header read", Fault{Call::Read, 0, 1, platform::code::kReadFault, 0}, 1101, false},
        {"file size", Fault{Call::Size, 0, 1, platform::code::kGeneralFailure, 0}, 1105, false},
    };
    for (const AppendFault& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = write(twentyByteImage(3), "case" + std::to_string(&c - cases.data()) + ".dbf");
        const std::string before = readFile(path);
        {
            DBFObject table(path, "", true, true);
            table.readRecord(2);
            table.blankRecord();
            table.putText(1, "new");
            platform::injectFault(c.fault);
            const EXbaseError e = expectXbaseError([&] { table.appendRecord(); });
            platform::clearFaults();
            const std::string code = std::to_string(c.fault.code);
            const std::string location = std::to_string(c.location);
            expectReport(e, static_cast<int>(c.fault.code), c.location, table.path(),
                         "Xbase Error " + code + ", SubCode " + location + ".\r " + table.path() + ">" + location);
            EXPECT_EQ(table.lockCount(), 0);
            EXPECT_EQ(table.recordCount(), c.recordWritten ? 4u : 3u);
            EXPECT_EQ(table.currentRecord(), c.recordWritten ? 4u : 2u);
            EXPECT_FALSE(table.headerUpdatePending()) << "closing must not stamp a table the append left alone";
            if (!c.recordWritten) {
                EXPECT_EQ(readFile(path), before);
            }
            // Another user can append at once: the byte is free.
            DBFObject other(path, "", true, true);
            other.blankRecord();
            other.putText(1, "other");
            other.appendRecord();
            EXPECT_EQ(other.recordCount(), c.recordWritten ? 5u : 4u);
        }
        // The other append wrote the header; every record is whole.
        const std::string after = readFile(path);
        const std::uint32_t count = c.recordWritten ? 5 : 4;
        ASSERT_EQ(after.size(), 97u + count * 20 + 1);
        EXPECT_EQ(after.substr(4, 4), le32(static_cast<std::int32_t>(count)));
        EXPECT_EQ(after.substr(32, 65 + 60), before.substr(32, 65 + 60));
        if (c.recordWritten) {
            EXPECT_EQ(after.substr(157, 20), row("new", "0.00"));
        }
        EXPECT_EQ(after.substr(97 + (count - 1) * 20), row("other", "0.00") + "\x1A");
    }
}

// A write the disk takes only part of, then refuses: whether it strikes the record or the header,
// and whatever the table's end looked like, the append leaves the file byte for byte as it was.
TEST_F(RecordWritingTest, ATornAppendLeavesTheFileAsItWas) {
    struct Tail {
        const char* what;
        DbfImage image;
    };
    std::vector<Tail> tails = {{"end mark", twentyByteImage(3)},
                               {"no end mark", twentyByteImage(3).endMarker(false)},
                               {"partial record", twentyByteImage(3).tail("rec4    ")}};
    // Skip: writes that pass untouched before the short one (0 the record, 1 the header).
    for (const int skip : {0, 1}) {
        for (const Tail& t : tails) {
            SCOPED_TRACE(std::string(t.what) + (skip == 0 ? ", record torn" : ", header torn"));
            const std::string path = write(t.image, "torn" + std::to_string(skip) + ".dbf");
            const std::string before = readFile(path);
            DBFObject table(path, "", true, true);
            table.blankRecord();
            table.putText(1, "torn");
            platform::injectFault(Fault{Call::Write, skip, 1, 0, 7});
            platform::queueFault(Fault{Call::Write, 0, 1, platform::code::kDiskFull, 0});
            const EXbaseError e = expectXbaseError([&] { table.appendRecord(); });
            platform::clearFaults();
            EXPECT_EQ(e.Code(), 112);
            EXPECT_EQ(readFile(path), before);
            EXPECT_EQ(table.recordCount(), 3u);
            EXPECT_EQ(table.lockCount(), 0);
            // The next append goes where the torn one would have.
            table.appendRecord();
            table.close();
            const std::string after = readFile(path);
            EXPECT_EQ(after.substr(4, 4), le32(4));
            EXPECT_EQ(after.substr(97, 60), before.substr(97, 60));
            EXPECT_EQ(after.substr(157), row("torn", "0.00") + "\x1A");
        }
    }
}

TEST_F(RecordWritingTest, FailuresDuringAReplaceAndAFlushAreReportedWithThePath) {
    const std::string path = write(twentyByteImage(3));
    const std::string before = readFile(path);
    DBFObject table(path, "", true, true);
    table.readRecord(2);
    table.putText(1, "edited");
    const std::string edited = recordBytes(table);
    const std::string numbered = ".\r " + table.path() + ">";

    // A failure at any step of the change leaves the file as it was, header date included.
    platform::injectFault(Fault{Call::Write, 0, 1, platform::code::kDiskFull, 0});
    expectReport(expectXbaseError([&] { table.replaceRecord(2); }), 112, 1102, table.path(),
                 "Xbase Error 112, SubCode 1102" + numbered + "1102");
    EXPECT_EQ(readFile(path), before);
    EXPECT_FALSE(table.headerUpdatePending());

    platform::injectFault(Fault{Call::Read, 1, 1, platform::code::kReadFault, 0});
    expectReport(expectXbaseError([&] { table.replaceRecord(2); }), 30, 1101, table.path(),
                 "Xbase Error 30, SubCode 1101" + numbered + "1101");
    EXPECT_EQ(readFile(path), before) << "the record that went out is taken back";

    platform::injectFault(Fault{Call::Size, 0, 1, platform::code::kGeneralFailure, 0});
    expectReport(expectXbaseError([&] { table.replaceRecord(2); }), 31, 1105, table.path(),
                 "Xbase Error 31, SubCode 1105" + numbered + "1105");
    EXPECT_EQ(readFile(path), before);

    platform::injectFault(Fault{Call::Write, 1, 1, platform::code::kAccessDenied, 0});
    expectReport(expectXbaseError([&] { table.replaceRecord(2); }), 5, 1102, table.path(),
                 "File access denied - " + table.path());
    EXPECT_EQ(readFile(path), before);
    EXPECT_FALSE(table.headerUpdatePending());
    EXPECT_EQ(table.lockCount(), 0);
    std::string expected = before;

    platform::injectFault(Fault{Call::Flush, 0, 1, platform::code::kLockViolation, 0});
    expectReport(expectXbaseError([&] { table.flush(); }), 33, 1111, table.path(),
                 "Record locked by another user - " + table.path());
    EXPECT_TRUE(table.isDirty());
    platform::clearFaults();
    table.flush();
    EXPECT_FALSE(table.isDirty());
    EXPECT_EQ(platform::callCount(Call::Flush), 1);

    // Nothing is pending at close; a change that goes through writes record and header.
    table.close();
    EXPECT_EQ(readFile(path), expected);
    DBFObject again(path, "", true, true);
    again.readRecord(2);
    again.putText(1, "edited");
    again.replaceRecord(2);
    again.close();
    expected.replace(117, 20, edited);
    expected.replace(0, 32, stampedHeader(before.substr(0, 32), 3));
    EXPECT_EQ(readFile(path), expected);
}

}  // namespace
