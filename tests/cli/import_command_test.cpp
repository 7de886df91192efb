// `sharometr-cli import`: draws from a text file appended through the engine exactly as given,
// every line checked before anything is written, and the append lock of other programs obeyed.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>

#include "cli_test_helpers.h"
#include "dbf/table_handler.h"
#include "history/import.h"
#include "platform/fault_injection.h"

namespace {

using cli_test::ForeignLock;
using cli_test::runCli;
using testsupport::DbfImage;
using testsupport::le32;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

// A SuperLoto table with two draws in it already. Its visible draw is one that the files of the
// tests below do not hold, since a draw already in the table is refused as a duplicate.
std::string writeLotoTable(const TempDir& dir) {
    DbfImage image;
    for (int i = 1; i <= 6; ++i) image.field("C" + std::to_string(i), 'N', 2);
    image.codePage(0x65);
    image.record({"1", "2", "3", "4", "5", "16"});
    image.record({"7", "8", "9", "10", "11", "12"}, /*deleted=*/true);
    const std::string path = dir.file("lotobase.dbf");
    image.writeTo(path);
    return path;
}

std::string kenoTable(const TempDir& dir) {
    DbfImage image;
    for (int i = 1; i <= 20; ++i) image.field("K" + std::to_string(i), 'N', 2);
    const std::string path = dir.file("kenobase.dbf");
    image.writeTo(path);
    return path;
}

std::string record(const std::vector<int>& numbers) {
    std::string bytes = " ";
    for (const int n : numbers) bytes += (n < 10 ? " " : "") + std::to_string(n);
    return bytes;
}

// A fresh SuperLoto table in a folder of its own, its bytes as the test starts, and the path of
// the draw file the test writes.
class ImportCommand : public ::testing::Test {
protected:
    TempDir dir;
    const std::string table = writeLotoTable(dir);
    const std::string before = readFile(table);
    const std::string csv = dir.file("draws.csv");

    // Writes `lines` as the draw file and imports it into `into`, the table unless given.
    cli_test::ProgramResult importing(const std::string& lines, const std::string& into = "") {
        writeFile(csv, lines);
        return runCli({"import", into.empty() ? table : into, csv});
    }
};
using AddCommand = ImportCommand;

TEST_F(ImportCommand, AppendsEveryDrawAsGiven) {
    writeFile(csv,
              "# SuperLoto, autumn\n"
              "49,1,17,23,5,30\n"
              "\n"
              "  \t \n"
              "3;14;15;9;26;2\r\n"
              "  # a comment after blanks\n"
              "8 12\t33 ,41; 44  45\n"
              "06,07,08,09,10,11");  // no newline at the end, leading zeros

    const auto result = runCli({"import", table, csv});
    EXPECT_EQ(result.status, cli::kExitOk) << result.err;
    EXPECT_EQ(result.out, "appended 4 draws\n");
    EXPECT_EQ(result.err, "");

    const std::string after = readFile(table);
    const std::size_t records = before.size() - 1;  // the old end-of-file byte is overwritten
    ASSERT_EQ(after.size(), records + 4 * 13 + 1);
    EXPECT_EQ(after.substr(32, records - 32), before.substr(32, records - 32));
    EXPECT_EQ(after.substr(4, 4), le32(6));
    EXPECT_EQ(after.substr(records, 4 * 13), record({49, 1, 17, 23, 5, 30}) + record({3, 14, 15, 9, 26, 2}) +
                                                 record({8, 12, 33, 41, 44, 45}) + record({6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(after.back(), '\x1A');

    {
        // And as the engine reads it back.
        DBFObject engine(table, "", false, true);
        ASSERT_EQ(engine.recordCount(), 6u);
        engine.readRecord(4);
        EXPECT_FALSE(engine.isDeleted());
        EXPECT_EQ(engine.getNumber("C4"), 9);
        EXPECT_EQ(engine.getNumber("C6"), 2);
    }

    // A second file goes after the first; one draw is one draw.
    const auto more = importing("20 21 22 23 24 25\n");
    EXPECT_EQ(more.status, cli::kExitOk) << more.err;
    EXPECT_EQ(more.out, "appended 1 draw\n");
    const std::string last = readFile(table);
    EXPECT_EQ(last.substr(225 + 6 * 13, 14), record({20, 21, 22, 23, 24, 25}) + "\x1A");

    // A file of comments only appends nothing and says so.
    const auto none = importing("# nothing yet\n\n");
    EXPECT_EQ(none.status, cli::kExitOk);
    EXPECT_EQ(none.out, "appended 0 draws\n");
    EXPECT_EQ(readFile(table), last);
}

TEST_F(ImportCommand, ABadLineAnywhereAppendsNothing) {
    const auto result = importing(
        "1 2 3 4 5 6\n"
        "12,3,12,40,41,42\n"
        "1 2 3 4 5 6 7\n"
        "x1 2 3 4 5 6\n"
        "1 2 3 4 5 50\n"
        "# fine\n"
        "0 2 3 4 5 6\n"
        "-3 2 3 4 5 6\n"
        "1 2 3 4 5\n"
        "1 2 3.5 4 5 6\n"
        "7 7 7 1 2 3\n"
        "99999999999999999999999 1 2 3 4 5\n"
        "10 11 12 13 14 15\n");
    EXPECT_EQ(result.status, cli::kExitFailure);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "line 2: 12 appears twice\n"
              "line 3: 7 numbers, the table has 6 fields\n"
              "line 4: 'x1' is not a number\n"
              "line 5: 50 is outside 1..49\n"
              "line 7: 0 is outside 1..49\n"
              "line 8: -3 is outside 1..49\n"
              "line 9: 5 numbers, the table has 6 fields\n"
              "line 10: '3.5' is not a number\n"
              "line 11: 7 appears 3 times\n"
              "line 12: 99999999999999999999999 is outside 1..49\n"
              "nothing appended\n");
    EXPECT_TRUE(readFile(table) == before);

    // Keno's limits: twenty numbers of 1..80.
    const std::string keno = kenoTable(dir);
    const std::string kenoBefore = readFile(keno);
    const auto kenoResult = importing(
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 80\n"
        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 81\n"
        "1 2 3 4 5 6\n",
        keno);
    EXPECT_EQ(kenoResult.status, cli::kExitFailure);
    EXPECT_EQ(kenoResult.err,
              "line 2: 81 is outside 1..80\n"
              "line 3: 6 numbers, the table has 20 fields\n"
              "nothing appended\n");
    EXPECT_TRUE(readFile(keno) == kenoBefore);
}

TEST_F(ImportCommand, RefusesWhatItCannotRead) {
    const auto noCsv = runCli({"import", table, dir.file("absent.csv")});
    EXPECT_EQ(noCsv.status, cli::kExitFailure);
    EXPECT_EQ(noCsv.err, "cannot read " + dir.file("absent.csv") + "\n");
    const auto folder = runCli({"import", table, dir.path()});
    EXPECT_EQ(folder.status, cli::kExitFailure);
    EXPECT_EQ(folder.err, "cannot read " + dir.path() + "\n");
    EXPECT_TRUE(readFile(table) == before);

    writeFile(dir.file("draws.csv"), "1 2 3 4 5 6\n");
    const auto noTable = runCli({"import", dir.file("NOSUCH.DBF"), dir.file("draws.csv")});
    EXPECT_EQ(noTable.status, cli::kExitFailure);
    EXPECT_EQ(noTable.err, "File not found - " + dir.file("NOSUCH.DBF") + "\n");

    // A table that is not a draw table takes no draws.
    DbfImage other;
    other.field("NAME", 'C', 10).field("C1", 'N', 2);
    other.writeTo(dir.file("other.dbf"));
    const std::string otherBefore = readFile(dir.file("other.dbf"));
    const auto wrong = runCli({"import", dir.file("other.dbf"), dir.file("draws.csv")});
    EXPECT_EQ(wrong.status, cli::kExitFailure);
    EXPECT_EQ(wrong.err, dir.file("other.dbf") + " has 2 fields, a draw table has 5, 6, 7, 12 or 20\n");
    EXPECT_TRUE(readFile(dir.file("other.dbf")) == otherBefore);

    cli_test::expectUsageErrors("import", {{{"import"}, "missing FILE argument"},
                                           {{"import", table}, "missing CSV argument"},
                                           {{"import", table, "a.csv", "b.csv"}, "unexpected argument 'b.csv'"}});
}

TEST_F(ImportCommand, WaitsForNoOneElsesAppendLock) {
    writeFile(dir.file("draws.csv"), "1 2 3 4 5 6\n7 8 9 10 11 12\n");

    const auto patience = XBO_dBaseDBF::appendPatience();
    XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds(100));
    {
        // Another program appending: it holds the append byte of the default lock layout.
        ForeignLock appending(table, 0x7FFFFFFEu);
        ASSERT_TRUE(appending.locked());
        const auto refused = runCli({"import", table, dir.file("draws.csv")});
        EXPECT_EQ(refused.status, cli::kExitFailure);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "Record locked by another user - " + table + "\n");
        EXPECT_TRUE(readFile(table) == before);
    }
    const auto afterwards = runCli({"import", table, dir.file("draws.csv")});
    XBO_dBaseDBF::setAppendPatience(patience);
    EXPECT_EQ(afterwards.status, cli::kExitOk) << afterwards.err;
    EXPECT_EQ(afterwards.out, "appended 2 draws\n");
    EXPECT_EQ(testsupport::fileSizeOf(table), 225u + 4u * 13u + 1u);
}

TEST_F(ImportCommand, AFailureMidwaySaysHowManyDrawsWentIn) {
    writeFile(dir.file("draws.csv"), "1 2 3 4 5 6\n7 8 9 10 11 12\n13 14 15 16 17 18\n");
    // Each append writes twice, the record and then the header: the third write is the second
    // draw's record, with one draw a batch.
    history::setRecordsPerBatch(1);
    const platform::FaultGuard diskFull({platform::Call::Write, 2, -1, 112, 0});
    const auto result = runCli({"import", table, dir.file("draws.csv")});
    history::setRecordsPerBatch(0);
    EXPECT_EQ(result.status, cli::kExitFailure);
    EXPECT_EQ(result.out, "appended 1 draw of 3\n");
    EXPECT_EQ(result.err, "Xbase Error 112, SubCode 1102.\n " + table + ">1102\nNo space left on device\n");
    const std::string after = readFile(table);
    ASSERT_EQ(after.size(), 225u + 3u * 13u + 1u);
    EXPECT_EQ(after.substr(225 + 2 * 13), record({1, 2, 3, 4, 5, 6}) + "\x1A");
}

}  // namespace

namespace {

// The draws of a table as the engine reads them back, one line of numbers a visible record.
std::string drawsOf(const std::string& table) { return runCli({"dump", table}).out; }

TEST_F(ImportCommand, TakesDrawFilesAsPeopleHaveThem) {
    // A lottery site's export: byte-order mark, CRLF, a header, dates, quoted fields and a
    // jackpot with commas inside its quotes.
    const auto withoutColumns = importing(
        "\xEF\xBB\xBF"
        "Date;Draw;\"Ball 1\";B2;B3;B4;B5;B6;Jackpot\r\n"
        "\"05.01.2024\";1001;\"7\";8;9;10;11;12;\"1,000,000\"\r\n"
        "12.01.2024 ; 1002 ; 49 ; 48 ; 47 ; 46 ; 45 ; 44 ;\r\n");
    // The draw is found beside the date and the draw number, which tell the order.
    EXPECT_EQ(withoutColumns.status, cli::kExitOk) << withoutColumns.err;
    EXPECT_EQ(withoutColumns.err, "skipped header line 1\n");
    EXPECT_EQ(withoutColumns.out, "appended 2 draws\n");
    EXPECT_EQ(drawsOf(table), "1\t1\t2\t3\t4\t5\t16\n3\t7\t8\t9\t10\t11\t12\n4\t49\t48\t47\t46\t45\t44\n");
    writeFile(table, before);
    const auto withColumns = runCli({"import", "--columns=3-8", table, csv});
    EXPECT_EQ(withColumns.status, cli::kExitOk) << withColumns.err;
    EXPECT_EQ(withColumns.err, "skipped header line 1\n");
    EXPECT_EQ(withColumns.out, "appended 2 draws\n");
    EXPECT_EQ(drawsOf(table), "1\t1\t2\t3\t4\t5\t16\n3\t7\t8\t9\t10\t11\t12\n4\t49\t48\t47\t46\t45\t44\n");

    // Columns in any order and separate ones; a field that is missing is named.
    writeFile(csv, "x,20,x,21,22,23,24,25\nx,30,x,31,32,33\n");
    const auto scattered = runCli({"import", table, csv, "--columns", "2,4-8"});
    EXPECT_EQ(scattered.status, cli::kExitFailure);
    EXPECT_EQ(scattered.err, "line 2: no field 7, the line has 6\nnothing appended\n");

    // LibreOffice Calc's CSV export of a table names the fields with their type: the header says
    // where the numbers are. A first line mixing numbers and words is no header.
    const auto calc = importing(
        "\"C1,N,2,0\",\"C2,N,2,0\",\"C3,N,2,0\",\"C4,N,2,0\",\"C5,N,2,0\",\"C6,N,2,0\"\n"
        "31,32,33,34,35,36\n");
    EXPECT_EQ(calc.status, cli::kExitOk) << calc.err;
    EXPECT_EQ(calc.out, "appended 1 draw\n");
    EXPECT_EQ(importing("C1,2,3,4,5,6\n").err, "line 1: 'C1' is not a number\nnothing appended\n");
    EXPECT_EQ(importing("1,2,\"3\n").err, "line 1: a quote is not closed\nnothing appended\n");

    // Standard input, for "-".
    writeFile(csv, "40 41 42 43 1 2\n");
    TempDir scratch;
    const auto piped = cli_test::runProgram(SHAROMETR_CLI_PROGRAM, {"import", table, "-"}, scratch, csv);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, "appended 1 draw\n");
    EXPECT_TRUE(drawsOf(table).ends_with("\n6\t40\t41\t42\t43\t1\t2\n")) << drawsOf(table);

    cli_test::expectUsageErrors(
        "import",
        {{{"import", table, csv, "--columns", "3-"}, "--columns wants field numbers such as 3-8 or 2,4,6-9, not '3-'"},
         {{"import", table, csv, "--columns=0-5"}, "--columns wants field numbers such as 3-8 or 2,4,6-9, not '0-5'"},
         {{"import", table, csv, "--columns="}, "--columns wants a value"},
         {{"import", table, csv, "--columns", "1-5"}, "--columns names 5 fields, the table has 6"},
         {{"import", table, csv, "--skip-duplicates=yes"}, "--skip-duplicates takes no value"}});
}

TEST_F(ImportCommand, DrawsMetBeforeAreRefusedOrSkipped) {
    // The table's visible draw in another order, a new one twice, and the deleted record's draw,
    // which is no longer part of the history.

    const auto refused = importing("16 5 4 3 2 1\n20 21 22 23 24 25\n# again\n25,24,23,22,21,20\n7 8 9 10 11 12\n");
    EXPECT_EQ(refused.status, cli::kExitFailure);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "line 1: the same draw as record 1\n"
              "line 4: the same draw as line 2\n"
              "nothing appended (--skip-duplicates leaves duplicates out)\n");
    EXPECT_TRUE(readFile(table) == before);

    const auto skipped = runCli({"import", "--skip-duplicates", table, csv});
    EXPECT_EQ(skipped.status, cli::kExitOk) << skipped.err;
    EXPECT_EQ(skipped.out, "appended 2 draws, 2 duplicates skipped\n");
    EXPECT_EQ(skipped.err, "line 1: the same draw as record 1, skipped\nline 4: the same draw as line 2, skipped\n");
    EXPECT_EQ(drawsOf(table), "1\t1\t2\t3\t4\t5\t16\n3\t20\t21\t22\t23\t24\t25\n4\t7\t8\t9\t10\t11\t12\n");
}

TEST_F(ImportCommand, SpecialFilesAndEndlessLinesAreRefusedAtOnce) {
    // A FIFO nobody writes to: refused, not waited on. The import runs in a child so that a wait
    // would show as a missing answer instead of a hung test.
    const std::string fifo = dir.file("draws.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testsupport::Child child([&](testsupport::Child& self) {
        const auto result = runCli({"import", table, fifo});
        self.tell(result.err == "cannot read " + fifo + ": not a regular file\n" ? 'R' : 'W');
        return result.status;
    });
    EXPECT_EQ(child.receive(std::chrono::milliseconds(5000)), 'R');
    EXPECT_EQ(child.wait(), cli::kExitFailure);

    const auto device = runCli({"import", table, "/dev/zero"});
    EXPECT_EQ(device.status, cli::kExitFailure);
    EXPECT_EQ(device.err, "cannot read /dev/zero: not a regular file\n");

    // A line longer than any draw's, here one of 1 MB without an end: refused with its number.
    const auto endless = importing("1 2 3 4 5 7\n# fine\n" + std::string(1u << 20, '0'));
    EXPECT_EQ(endless.status, cli::kExitFailure);
    EXPECT_EQ(endless.err, csv + ": line 3 is longer than 4096 bytes\nnothing appended\n");
    EXPECT_EQ(importing(std::string(4096, ' ') + "\n" + std::string(4097, ' ') + "\n").err,
              csv + ": line 2 is longer than 4096 bytes\nnothing appended\n");
    EXPECT_TRUE(readFile(table) == before);
}

TEST_F(AddCommand, AppendsOneDrawWithImportsChecks) {
    const auto added = runCli({"add", table, "49", "1", "17", "23", "5", "30"});
    EXPECT_EQ(added.status, cli::kExitOk) << added.err;
    EXPECT_EQ(added.out, "appended record 3\n");
    const std::string after = readFile(table);
    EXPECT_EQ(after.substr(225 + 2 * 13), record({49, 1, 17, 23, 5, 30}) + "\x1A");

    for (const auto& [numbers, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"1", "2", "3", "4", "5"}, "5 numbers, the table has 6 fields"},
             {{"1", "2", "3", "4", "5", "50"}, "50 is outside 1..49"},
             {{"1", "2", "3", "4", "5", "-3"}, "-3 is outside 1..49"},
             {{"1", "2", "3", "4", "5", "5"}, "5 appears twice"},
             {{"1", "2", "3", "4", "5", "x"}, "'x' is not a number"},
             {{"30", "5", "23", "17", "1", "49"}, "the same draw as record 3, nothing appended"}}) {
        std::vector<std::string> args{"add", table};
        args.insert(args.end(), numbers.begin(), numbers.end());
        const auto refused = runCli(args);
        EXPECT_EQ(refused.status, cli::kExitFailure);
        EXPECT_EQ(refused.err, reason + "\n");
    }
    EXPECT_TRUE(readFile(table) == after);
    cli_test::expectUsageErrors("add", {{{"add", table}, "missing N1 argument"}});
}

}  // namespace
