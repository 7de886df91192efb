// `sharometr-cli import` of archives that are no plain text file: results pasted from a page
// through standard input, a spreadsheet, a file of another kind; and `--dry-run`, which prints
// what the import would do and writes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_test_helpers.h"
#include "tests/support/draw_table.h"

namespace {

using cli_test::runCli;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

class ImportArchives : public ::testing::Test {
protected:
    TempDir dir;
    const std::string table = dir.file("lotobase.dbf");

    void SetUp() override { testsupport::writeDrawTable(table, kSuperLoto, {{1, 2, 3, 4, 5, 16}}); }
};

TEST_F(ImportArchives, ADryRunPrintsThePreviewAndWritesNothing) {
    const std::string before = readFile(table);
    const std::string pasted = dir.file("pasted.txt");
    writeFile(pasted,
              "Тираж № 11 502 от 01.12.2025 — 5 19 24 33 42 1\n"
              "Тираж № 11 501 от 30.11.2025 — 4 18 23 32 41 49\n"
              "Тираж № 11 500 от 29.11.2025 — 3 17 22 31 40 48 7\n");
    TempDir scratch;
    const auto dry = cli_test::runProgram(SHAROMETR_CLI_PROGRAM, {"import", "--dry-run", table, "-"}, scratch, pasted);
    EXPECT_EQ(dry.out,
              "encoding: UTF-8\n"
              "header: none\n"
              "numbers: a run of 6 numbers in the line, found: the draw stands there in 3 of the first 3 lines\n"
              "order: newest first, by the draw-number column\n"
              "draws to import: 0\n"
              "bad lines: 1\n"
              "first draw: 4 18 23 32 41 49 (line 2)\n"
              "last draw: 5 19 24 33 42 1 (line 1)\n"
              "nothing written (--dry-run)\n");
    EXPECT_EQ(dry.err, "line 3: 7 numbers, the table has 6 fields\nnothing appended\n");
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(readFile(table), before);

    writeFile(pasted, "12.11.2025 №1234: 3, 17, 22, 31, 40, 48\n13.11.2025 №1235: 4, 18, 23, 32, 41, 49\n");
    const auto clean = runCli({"import", "--dry-run", table, pasted});
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_NE(clean.out.find("order: oldest first, by field 1 (dates)\ndraws to import: 2\n"), std::string::npos)
        << clean.out;
    EXPECT_EQ(readFile(table), before);
    const auto real = runCli({"import", table, pasted});
    EXPECT_EQ(real.out, "appended 2 draws\n") << real.err;
}

TEST_F(ImportArchives, ASpreadsheetComesInAndAnotherFileIsRefused) {
    const auto sheet =
        runCli({"import", "--newest-first", table, std::string(SHAROMETR_ARCHIVES_DIR) + "/superloto.xlsx"});
    EXPECT_EQ(sheet.status, 0) << sheet.err;
    EXPECT_EQ(sheet.out, "appended 3 draws\n");
    EXPECT_EQ(runCli({"dump", table}).out,
              "1\t1\t2\t3\t4\t5\t16\n2\t3\t17\t22\t31\t40\t48\n3\t4\t18\t23\t32\t41\t49\n4\t5\t19\t24\t33\t42\t1\n");

    const std::string before = readFile(table);
    const std::string picture = dir.file("archive.png");
    writeFile(picture, std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    const auto refused = runCli({"import", table, picture});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "cannot read " + picture + ": not a text file nor a table\n");
    EXPECT_EQ(readFile(table), before);
}

}  // namespace
