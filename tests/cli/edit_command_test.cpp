// `sharometr-cli set`, `delete` and `recall`: one record changed through the engine under its
// record lock, the bytes written, and the refusals that leave the file as it was.
#include <gtest/gtest.h>

#include "cli_test_helpers.h"
#include "dbf/table_handler.h"
#include "tests/support/other_program_edit.h"

namespace {

using cli_test::FixedClock;
using cli_test::ForeignLock;
using cli_test::runCli;
using cli_test::runProgram;
using testsupport::DbfImage;
using testsupport::le32;
using testsupport::readFile;
using testsupport::TempDir;

const std::string kProgram = SHAROMETR_CLI_PROGRAM;
constexpr platform::LocalTime kNow{2030, 2, 28, 23, 59, 58, 999};
constexpr std::size_t kHeader = 225;
constexpr std::size_t kRecord = 13;

// Five SuperLoto draws, the fourth one deleted; header date 2026-01-15.
std::string writeTable(const TempDir& dir) {
    DbfImage image;
    for (int i = 1; i <= 6; ++i) image.field("C" + std::to_string(i), 'N', 2);
    image.record({"1", "2", "3", "4", "5", "6"});
    image.record({"11", "12", "13", "14", "15", "16"});
    image.record({"21", "22", "23", "24", "25", "26"});
    image.record({"31", "32", "33", "34", "35", "36"}, /*deleted=*/true);
    image.record({"41", "42", "43", "44", "45", "46"});
    const std::string path = dir.file("lotobase.dbf");
    image.writeTo(path);
    return path;
}

// `bytes` with record n (1-based) replaced.
std::string withRecord(std::string bytes, std::size_t n, const std::string& record) {
    return bytes.replace(kHeader + (n - 1) * kRecord, kRecord, record);
}

// `bytes` with the header's date and stamp as the engine's header write leaves them at kNow.
std::string withHeaderWrittenNow(std::string bytes) {
    bytes.replace(1, 3, std::string("\x1e\x02\x1c", 3));
    bytes.replace(16, 4, le32(static_cast<std::int32_t>(cli_test::updateStamp(kNow))));
    return bytes;
}

// Whether the record's lock is free: a table object of this process can take it.
bool recordLockFree(const std::string& path, std::int64_t n) {
    DBFObject table(path, "", true, true);
    table.readRecord(n);
    const bool locked = table.lockCurrentRecord();
    if (locked) table.unlock();
    return locked;
}

TEST(SetCommand, WritesTheValuesIntoTheRecordAndNothingElse) {
    TempDir dir;
    const FixedClock clock(kNow);
    const std::string path = writeTable(dir);
    const std::string before = readFile(path);

    const auto result = runCli({"set", path, "3", "C1=7", "c6=49", "C3= 8 "});
    EXPECT_EQ(result.status, cli::kExitOk) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    const std::string after = readFile(path);
    EXPECT_TRUE(after == withHeaderWrittenNow(withRecord(before, 3, "  722 8242549")))
        << after.substr(kHeader + 2 * kRecord, kRecord);
    EXPECT_TRUE(recordLockFree(path, 3));

    // A deleted record can be set too; it stays deleted. An empty value is no draw number, so it
    // is refused; --force, for repairs, stores it as 0.
    const auto refused = runCli({"set", path, "4", "C2="});
    EXPECT_EQ(refused.status, cli::kExitFailure);
    EXPECT_EQ(refused.err, "record 4: an empty field is not a number (--force writes it anyway)\n");
    EXPECT_EQ(readFile(path).substr(kHeader + 3 * kRecord, kRecord), "*313233343536");
    const auto deleted = runCli({"set", path, "4", "C2=", "--force"});
    EXPECT_EQ(deleted.status, cli::kExitOk) << deleted.err;
    EXPECT_EQ(readFile(path).substr(kHeader + 3 * kRecord, kRecord), "*31 033343536");
}

TEST(SetCommand, AValueTheEngineRefusesChangesNothing) {
    TempDir dir;
    const std::string path = writeTable(dir);
    const std::string before = readFile(path);

    const auto tooLarge = runCli({"set", path, "2", "C1=5", "C2=100"});
    EXPECT_EQ(tooLarge.status, cli::kExitFailure);
    EXPECT_EQ(tooLarge.out, "");
    EXPECT_EQ(tooLarge.err, "Number too large to fit in field - C2 - 100\n");

    const auto unknown = runCli({"set", path, "2", "C1=5", "C7=1"});
    EXPECT_EQ(unknown.status, cli::kExitFailure);
    EXPECT_EQ(unknown.err, "dBase field name is invalid - " + path + "->C7\n");

    const auto notNumber = runCli({"set", path, "2", "C1=five"});
    EXPECT_EQ(notNumber.status, cli::kExitFailure);
    EXPECT_EQ(notNumber.err, "dBase field is of incorrect type - C1 - five\n");

    for (const std::string number : {"0", "6", "99999999999999999999999"}) {
        const auto missing = runCli({"set", path, number, "C1=5"});
        EXPECT_EQ(missing.status, cli::kExitFailure);
        EXPECT_EQ(missing.err, "record " + number + " does not exist: the table has 5 records\n");
    }
    EXPECT_TRUE(readFile(path) == before);
    EXPECT_TRUE(recordLockFree(path, 2));

    cli_test::expectUsageErrors("set", {{{"set"}, "missing FILE argument"},
                                        {{"set", path}, "missing RECNO argument"},
                                        {{"set", path, "2"}, "missing FIELD=VALUE argument"},
                                        {{"set", path, "two", "C1=5"}, "'two' is not a record number"},
                                        {{"set", path, "-2", "C1=5"}, "'-2' is not a record number"},
                                        {{"set", path, "2", "C1"}, "'C1' is not FIELD=VALUE"},
                                        {{"set", path, "2", "=5"}, "'=5' is not FIELD=VALUE"}});
    EXPECT_TRUE(readFile(path) == before);
}

TEST(DeleteAndRecall, FlipTheDeletionFlagOnDisk) {
    TempDir dir;
    const FixedClock clock(kNow);
    const std::string path = writeTable(dir);
    const std::string before = readFile(path);

    const auto deleted = runCli({"delete", path, "2"});
    EXPECT_EQ(deleted.status, cli::kExitOk) << deleted.err;
    EXPECT_EQ(deleted.out, "");
    std::string expected = withHeaderWrittenNow(before);
    expected[kHeader + kRecord] = '*';
    EXPECT_TRUE(readFile(path) == expected);
    EXPECT_TRUE(recordLockFree(path, 2));

    // Deleting twice changes nothing more.
    EXPECT_EQ(runCli({"delete", path, "2"}).status, cli::kExitOk);
    EXPECT_TRUE(readFile(path) == expected);

    const auto recalled = runCli({"recall", path, "4"});
    EXPECT_EQ(recalled.status, cli::kExitOk) << recalled.err;
    expected[kHeader + 3 * kRecord] = ' ';
    EXPECT_TRUE(readFile(path) == expected);
    EXPECT_EQ(runCli({"recall", path, "2"}).status, cli::kExitOk);
    expected[kHeader + kRecord] = ' ';
    EXPECT_TRUE(readFile(path) == expected);

    for (const std::string command : {"delete", "recall"}) {
        const auto missing = runCli({command, path, "6"});
        EXPECT_EQ(missing.status, cli::kExitFailure);
        EXPECT_EQ(missing.err, "record 6 does not exist: the table has 5 records\n");
        const auto usage = runCli({command, path});
        EXPECT_EQ(usage.status, cli::kExitUsage);
        EXPECT_EQ(usage.err.rfind("sharometr-cli " + command + ": missing RECNO argument\n", 0), 0u);
        const auto extra = runCli({command, path, "1", "2"});
        EXPECT_EQ(extra.status, cli::kExitUsage);
        EXPECT_EQ(extra.err.rfind("sharometr-cli " + command + ": unexpected argument '2'\n", 0), 0u);
    }
    EXPECT_TRUE(readFile(path) == expected);

    const auto noTable = runCli({"delete", dir.file("NOSUCH.DBF"), "1"});
    EXPECT_EQ(noTable.status, cli::kExitFailure);
    EXPECT_EQ(noTable.err, "File not found - " + dir.file("NOSUCH.DBF") + "\n");
}

TEST(RecordLock, ARecordAnotherProgramHoldsIsLeftAlone) {
    TempDir dir;
    const std::string path = writeTable(dir);
    const std::string before = readFile(path);

    std::uint32_t offset = 0;
    {
        DBFObject table(path, "", false, true);
        ASSERT_TRUE(table.recordLockOffset(3, offset));
    }
    // The default layout: lock base + header length + two records.
    EXPECT_EQ(offset, 0x40000000u + kHeader + 2 * kRecord);

    ForeignLock editing(path, offset);
    ASSERT_TRUE(editing.locked());
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"set", path, "3", "C1=9"}, {"delete", path, "3"}, {"recall", path, "3"}}) {
        const auto refused = runCli(args);
        EXPECT_EQ(refused.status, cli::kExitFailure) << args[0];
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "Record is locked by another user\n") << args[0];
    }
    TempDir scratch;
    const auto program = runProgram(kProgram, {"set", path, "3", "C1=9"}, scratch);
    EXPECT_EQ(program.status, 1);
    EXPECT_EQ(program.err, "Record is locked by another user\n");
    EXPECT_TRUE(readFile(path) == before);

    // Other records stay free to change; record 3 once the other program lets go.
    EXPECT_EQ(runCli({"set", path, "2", "C1=9"}).status, cli::kExitOk);
    editing.release();
    const auto afterwards = runCli({"set", path, "3", "C1=9"});
    EXPECT_EQ(afterwards.status, cli::kExitOk) << afterwards.err;
    EXPECT_EQ(readFile(path).substr(kHeader + 2 * kRecord, 3), "  9");
}

// Another program changes the record after this one positioned on it but before its lock: the
// change is made to the record as read under the lock, so the other program's change stays.
TEST(RecordLock, AChangeMadeBeforeTheLockIsGrantedIsKept) {
    TempDir dir;
    const std::string path = writeTable(dir);
    struct Case {
        std::vector<std::string> args;
        std::string field;  // what the other program changes meanwhile, to "value"
        std::string value;
        std::string expected;  // record 2 afterwards; it starts as " 111213141516"
    };
    const std::vector<Case> cases = {
        {{"set", path, "2", "C1=7"}, "C2", "9", "  7 913141516"},
        {{"delete", path, "2"}, "C3", "8", "* 7 9 8141516"},
        {{"recall", path, "2"}, "C4", "1", "  7 9 8 11516"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        testsupport::OtherProgramEdit other(path, 2, c.field, c.value);
        other.changeBeforeNextLock();
        const auto result = runCli(c.args);
        platform::clearFaults();
        EXPECT_EQ(result.status, cli::kExitOk) << result.err;
        ASSERT_TRUE(other.changed()) << "the other program did not act before the lock";
        EXPECT_EQ(readFile(path).substr(kHeader + kRecord, kRecord), c.expected);
    }
}

}  // namespace

namespace {

TEST(SetCommand, ADrawTableKeepsDrawsUnlessForced) {
    TempDir dir;
    const std::string path = writeTable(dir);
    const std::string before = readFile(path);
    for (const auto& [value, reason] :
         std::vector<std::pair<std::string, std::string>>{{"C1=50", "50 is outside 1..49"},
                                                          {"C1=0", "0 is outside 1..49"},
                                                          {"C1=-1", "-1 is outside 1..49"},
                                                          {"C1=1.5", "'1.5' is not a number"},
                                                          {"C1=", "an empty field is not a number"},
                                                          {"C1=23", "23 appears twice"}}) {
        const auto refused = runCli({"set", path, "3", value});
        EXPECT_EQ(refused.status, cli::kExitFailure) << value;
        EXPECT_EQ(refused.err, "record 3: " + reason + " (--force writes it anyway)\n");
    }
    EXPECT_TRUE(readFile(path) == before);
    EXPECT_TRUE(recordLockFree(path, 3));

    // Two values that swap numbers make a draw again; --force writes a repair as given.
    EXPECT_EQ(runCli({"set", path, "3", "C1=22", "C2=21"}).status, cli::kExitOk);
    EXPECT_EQ(readFile(path).substr(kHeader + 2 * kRecord, kRecord),
              " 2221232425"
              "26");
    const auto forced = runCli({"set", "--force", path, "3", "C1=0"});
    EXPECT_EQ(forced.status, cli::kExitOk) << forced.err;
    EXPECT_EQ(readFile(path).substr(kHeader + 2 * kRecord, kRecord),
              "  021232425"
              "26");

    // A Keno table's range is 1..80; a table of another shape takes any value its fields take.
    DbfImage keno;
    for (int i = 1; i <= 20; ++i) keno.field("K" + std::to_string(i), 'N', 2);
    std::vector<std::string> draw;
    for (int i = 1; i <= 20; ++i) draw.push_back(std::to_string(i));
    keno.record(draw).writeTo(dir.file("kenobase.dbf"));
    EXPECT_EQ(runCli({"set", dir.file("kenobase.dbf"), "1", "K1=80"}).status, cli::kExitOk);
    EXPECT_EQ(runCli({"set", dir.file("kenobase.dbf"), "1", "K1=81"}).err,
              "record 1: 81 is outside 1..80 (--force writes it anyway)\n");
    DbfImage other;
    other.field("C1", 'N', 2).record({"1"}).writeTo(dir.file("other.dbf"));
    EXPECT_EQ(runCli({"set", dir.file("other.dbf"), "1", "C1=0"}).status, cli::kExitOk);
}

TEST(SetCommand, AFieldGivenTwiceIsRefusedAsAWrongCommandLine) {
    TempDir dir;
    const std::string path = writeTable(dir);
    const std::string before = readFile(path);
    cli_test::expectUsageErrors("set", {{{"set", path, "1", "C1=5", "C1=50"}, "field C1 is given twice"},
                                        {{"set", path, "1", "C2=7", "c2=8"}, "field c2 is given twice"}});
    EXPECT_TRUE(readFile(path) == before);
    EXPECT_TRUE(recordLockFree(path, 1));
}

}  // namespace
