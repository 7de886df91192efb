// `sharometr-cli import` of the files lottery archives and spreadsheets publish: the draw in one
// field, numeric column labels, UTF-16, the companion's json dump, files listing the newest draw
// first, the replacement of a table's draws; and the fields a reader must not misread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_test_helpers.h"
#include "dbf/table_handler.h"
#include "platform/fault_injection.h"
#include "tests/support/draw_table.h"

namespace {

using cli_test::runCli;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

class ImportShapes : public ::testing::Test {
protected:
    TempDir dir;
    const std::string table = dir.file("lotobase.dbf");
    const std::string csv = dir.file("draws.csv");

    void SetUp() override { testsupport::writeDrawTable(table, kSuperLoto, {{1, 2, 3, 4, 5, 16}}); }

    cli_test::ProgramResult importing(const std::string& text, std::vector<std::string> options = {}) {
        writeFile(csv, text);
        std::vector<std::string> args{"import", table, csv};
        args.insert(args.end(), options.begin(), options.end());
        return runCli(args);
    }
    // The draws after the first, as dump writes them without record numbers.
    std::string newDraws() {
        std::string out = runCli({"dump", table}).out;
        out.erase(0, out.find('\n') + 1);
        std::string draws;
        for (std::size_t at = 0; at < out.size();) {
            const std::size_t end = out.find('\n', at);
            const std::string row = out.substr(at, end - at);
            draws += row.substr(row.find('\t') + 1) + "\n";
            at = end + 1;
        }
        return draws;
    }
};

// UTF-16 text with its byte-order mark, as spreadsheets save "Unicode text".
std::string utf16(const std::u16string& text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

TEST_F(ImportShapes, ADrawInOneFieldIsFoundOrNamed) {
    const struct {
        const char* text;
        std::vector<std::string> options;
        const char* err;
    } cases[] = {
        {"1234;05.12.2026;\"3,17,22,31,40,48\"\n1235;06.12.2026;\"4,18,23,32,41,49\"\n", {}, ""},
        {"1234;05.12.2026;3 17 22 31 40 48\n1235;06.12.2026;4 18 23 32 41 49\n", {}, ""},
        {"3-17-22-31-40-48\n4-18-23-32-41-49\n", {}, ""},
        {"1234\t3 17 22 31 40 48\t7 7\n1235\t4 18 23 32 41 49\t8 8\n", {"--columns", "2"}, ""},
        {"Тираж;Дата;1;2;3;4;5;6\n1234;05.12.2026;3;17;22;31;40;48\n1235;06.12.2026;4;18;23;32;41;49\n",
         {"--columns", "3-8"},
         "skipped header line 1\n"},
        {"Тираж;Дата;Номера\n1234;2026-12-05;\"3,17,22,31,40,48\"\n1235;2026-12-06;4 18 23 32 41 49\n",
         {},
         "skipped header line 1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SetUp();
        const auto result = importing(c.text, c.options);
        EXPECT_EQ(result.status, cli::kExitOk) << result.err;
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "appended 2 draws\n");
        EXPECT_EQ(newDraws(), "3\t17\t22\t31\t40\t48\n4\t18\t23\t32\t41\t49\n");
    }

    // Keno's twenty numbers in one field; a field of twenty numbers is no SuperLoto draw.
    const std::string keno = dir.file("kenobase.dbf");
    testsupport::writeDrawTable(keno, kKeno, {});
    writeFile(csv, "7;01.12.2026;1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 80\n");
    const auto kenoDraw = runCli({"import", keno, csv});
    EXPECT_EQ(kenoDraw.status, cli::kExitOk) << kenoDraw.err;
    EXPECT_EQ(runCli({"dump", keno}).out, "1\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18\t19\t80\n");
    SetUp();
    const std::string before = readFile(table);
    EXPECT_EQ(importing("7;01.12.2026;1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\n").status, cli::kExitFailure);
    EXPECT_EQ(readFile(table), before);
}

TEST_F(ImportShapes, UnicodeAndWindowsTextAndTheJsonDumpReadBack) {
    for (const bool little : {true, false}) {
        SetUp();
        const auto result = importing(utf16(
            u"Тираж\tДата\tНомера\r\n1234\t05.12.2026\t3 17 22 31 40 48\r\n1235\t06.12.2026\t4 18 23 32 41 49\r\n",
            little));
        EXPECT_EQ(result.status, cli::kExitOk) << result.err;
        EXPECT_EQ(newDraws(), "3\t17\t22\t31\t40\t48\n4\t18\t23\t32\t41\t49\n");
    }
    SetUp();
    // "Тираж;Дата" in Windows-1251 over draws: a header, whatever its bytes.
    const auto windows = importing("\xD2\xE8\xF0\xE0\xE6;\xC4\xE0\xF2\xE0;N\n1234;05.12.2026;3 17 22 31 40 48\n");
    EXPECT_EQ(windows.status, cli::kExitOk) << windows.err;
    EXPECT_EQ(windows.err, "skipped header line 1\n");

    // The json of dump, imported into an empty table, gives the same draws back.
    const std::string json = runCli({"dump", table, "--format", "json"}).out;
    const std::string copy = dir.file("copy/lotobase.dbf");
    ASSERT_EQ(runCli({"create", "--game", "loto", dir.file("copy")}).status, cli::kExitOk);
    writeFile(csv, json);
    const auto back = runCli({"import", copy, csv});
    EXPECT_EQ(back.status, cli::kExitOk) << back.err << json;
    EXPECT_EQ(back.out, "appended 2 draws\n");
    EXPECT_EQ(runCli({"dump", copy}).out, runCli({"dump", table}).out);

    // With --deleted, the deleted records stay out.
    ASSERT_EQ(runCli({"delete", table, "2"}).status, cli::kExitOk);
    writeFile(csv, runCli({"dump", table, "--deleted", "--format", "json"}).out);
    const std::string again = dir.file("again/lotobase.dbf");
    ASSERT_EQ(runCli({"create", "--game", "loto", dir.file("again")}).status, cli::kExitOk);
    EXPECT_EQ(runCli({"import", again, csv}).out, "appended 1 draw\n");
}

TEST_F(ImportShapes, ANewestFirstFileIsRefusedWithoutTheOptionAndTurnedWithIt) {
    const std::string before = readFile(table);
    const char* newestFirst = "1235;06.12.2026;4 18 23 32 41 49\n1234;05.12.2026;3 17 22 31 40 48\n";
    const auto refused = importing(newestFirst);
    EXPECT_EQ(refused.status, cli::kExitFailure);
    EXPECT_EQ(refused.err,
              "field 1 (draw numbers) runs downwards, the newest draw first; --newest-first imports such a file "
              "oldest first\nnothing appended\n");
    EXPECT_EQ(readFile(table), before);
    const auto byDate = importing("06.12.2026;4 18 23 32 41 49\n05.12.2026;3 17 22 31 40 48\n");
    EXPECT_EQ(byDate.err.rfind("field 1 (dates) runs downwards", 0), 0u) << byDate.err;

    const auto turned = importing(newestFirst, {"--newest-first"});
    EXPECT_EQ(turned.status, cli::kExitOk) << turned.err;
    EXPECT_EQ(newDraws(), "3\t17\t22\t31\t40\t48\n4\t18\t23\t32\t41\t49\n") << "the oldest draw first";

    SetUp();
    const auto wrongWay =
        importing("1234;05.12.2026;3 17 22 31 40 48\n1235;06.12.2026;4 18 23 32 41 49\n", {"--newest-first"});
    EXPECT_EQ(wrongWay.status, cli::kExitFailure);
    EXPECT_EQ(wrongWay.err,
              "--newest-first, but field 1 (draw numbers) runs upwards, the oldest draw first\n"
              "nothing appended\n");
}

TEST_F(ImportShapes, ReplacePutsTheFilesDrawsInPlaceOfTheTables) {
    const auto replaced =
        importing("3 17 22 31 40 48\n1 2 3 4 5 16\n3 17 22 31 40 48\n", {"--replace", "--skip-duplicates"});
    EXPECT_EQ(replaced.status, cli::kExitOk) << replaced.err;
    EXPECT_EQ(replaced.err, "line 3: the same draw as line 1, skipped\n") << "the old draws do not count";
    EXPECT_EQ(replaced.out, "replaced 1 record with 2 draws, 1 duplicate skipped\n");
    EXPECT_EQ(runCli({"dump", table}).out, "1\t3\t17\t22\t31\t40\t48\n2\t1\t2\t3\t4\t5\t16\n");

    // Another user of the table: refused, the table as it was.
    const std::string before = readFile(table);
    {
        DBFObject other(table, "", false, true);
        writeFile(csv, "7 8 9 10 11 12\n");
        TempDir scratch;
        const auto busy = cli_test::runProgram(SHAROMETR_CLI_PROGRAM, {"import", table, csv, "--replace"}, scratch);
        EXPECT_EQ(busy.status, cli::kExitFailure);
        EXPECT_EQ(readFile(table), before);
    }
}

TEST_F(ImportShapes, FieldsAReaderMustNotMisread) {
    // A doubled quote inside quotes is one quote character.
    const auto quoted = importing("\"1\"\"2\",3,4,5,6,7\n");
    EXPECT_EQ(quoted.status, cli::kExitFailure);
    EXPECT_EQ(quoted.err, "line 1: '1\"2' is not a number\nnothing appended\n");
    // LibreOffice's header names cut at the first comma: the number columns found past another one.
    const auto calc = importing(
        "\"DRAW,N,4,0\",\"C1,N,2,0\",\"C2,N,2,0\",\"C3,N,2,0\",\"C4,N,2,0\",\"C5,N,2,0\",\"C6,N,2,0\"\n"
        "1001,31,32,33,34,35,36\n");
    EXPECT_EQ(calc.status, cli::kExitOk) << calc.err;
    EXPECT_EQ(newDraws(), "31\t32\t33\t34\t35\t36\n");
}

// Another program appends a draw of this import at the last moment, just before the import takes
// the append lock: the import sees it under the lock and never writes it a second time.
TEST_F(ImportShapes, ADrawAppendedMeanwhileIsNotWrittenTwice) {
    TempDir scratch;
    const auto otherAdds = [&](const std::vector<std::string>& numbers) {
        platform::beforeNextCall(platform::Call::Lock, [&, numbers] {
            std::vector<std::string> args{"add", table};
            args.insert(args.end(), numbers.begin(), numbers.end());
            EXPECT_EQ(cli_test::runProgram(SHAROMETR_CLI_PROGRAM, args, scratch).status, 0);
        });
    };
    const std::vector<std::string> shared{"4", "18", "23", "32", "41", "49"};
    otherAdds(shared);
    const auto skipped = importing("3 17 22 31 40 48\n4 18 23 32 41 49\n", {"--skip-duplicates"});
    platform::clearFaults();
    EXPECT_EQ(skipped.status, cli::kExitOk) << skipped.err;
    EXPECT_EQ(skipped.err, "line 2: the same draw as record 2, appended meanwhile, skipped\n");
    EXPECT_EQ(skipped.out, "appended 1 draw, 1 duplicate skipped\n");
    EXPECT_EQ(newDraws(), "4\t18\t23\t32\t41\t49\n3\t17\t22\t31\t40\t48\n");

    // Without --skip-duplicates the batch stops whole; `add` refuses alike.
    SetUp();
    otherAdds(shared);
    const auto stopped = importing("3 17 22 31 40 48\n4 18 23 32 41 49\n");
    platform::clearFaults();
    EXPECT_EQ(stopped.status, cli::kExitFailure);
    EXPECT_EQ(stopped.err,
              "line 2: the same draw as record 2, appended meanwhile\n"
              "nothing appended (--skip-duplicates leaves duplicates out)\n");
    EXPECT_EQ(newDraws(), "4\t18\t23\t32\t41\t49\n");
    otherAdds({"7", "8", "9", "10", "11", "12"});
    const auto add = runCli({"add", table, "12", "11", "10", "9", "8", "7"});
    platform::clearFaults();
    EXPECT_EQ(add.status, cli::kExitFailure);
    EXPECT_EQ(add.err, "the same draw as record 3, nothing appended\n");
    EXPECT_EQ(newDraws(), "4\t18\t23\t32\t41\t49\n7\t8\t9\t10\t11\t12\n");
}

TEST(AddDuplicates, ADrawTwiceInTheTableIsNamedByItsFirstRecord) {
    TempDir dir;
    const std::string table = dir.file("lotobase.dbf");
    testsupport::writeDrawTable(table, kSuperLoto,
                                {{7, 8, 9, 10, 11, 12},
                                 {1, 2, 3, 4, 5, 6},
                                 {13, 14, 15, 16, 17, 18},
                                 {19, 20, 21, 22, 23, 24},
                                 {6, 5, 4, 3, 2, 1}});
    const auto added = runCli({"add", table, "1", "2", "3", "4", "5", "6"});
    EXPECT_EQ(added.status, cli::kExitFailure);
    EXPECT_EQ(added.err, "the same draw as record 2, nothing appended\n");
}

}  // namespace
