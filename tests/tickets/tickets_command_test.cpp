// `sharometr-cli tickets`, run in-process on tables written for the test.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/support/cli_run.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"

namespace {

using Outcome = testsupport::CliOutcome;
using testsupport::runCli;

}  // namespace

TEST(TicketsCommand, AddListCheckAndDelete) {
    testsupport::TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto,
                                {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 10, 11, 12}, {7, 8, 9, 10, 11, 12}});
    const Outcome added =
        runCli({"tickets", "loto", "add", "6", "5", "4", "3", "2", "1", "--name", "Дача", "--dir", dir.path()});
    ASSERT_EQ(added.status, cli::kExitOk) << added.err;
    EXPECT_EQ(added.out, "ticket 1 added\n");
    ASSERT_EQ(
        runCli({"tickets", "loto", "add", "1", "2", "3", "4", "10", "11", "20", "21", "--dir", dir.path()}).status,
        cli::kExitOk);
    EXPECT_EQ(runCli({"tickets", "loto", "list", "--dir", dir.path()}).out,
              "record\tname\tnumbers\n1\tДача\t1 2 3 4 5 6\n2\t\t1 2 3 4 10 11 20 21\n");

    const Outcome tsv = runCli({"tickets", "loto", "check", "--dir", dir.path()});
    ASSERT_EQ(tsv.status, cli::kExitOk) << tsv.err;
    std::istringstream lines(tsv.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(
        line.starts_with("record\tname\tnumbers\tdraws\tlatest\tmatches\tbest_hits\tbest_record\tlast_win\t"
                         "last_win_hits\tcombinations\tcombinations_latest\tobserved_0\texpected_0\t"))
        << line;
    std::getline(lines, line);
    EXPECT_TRUE(line.starts_with("1\tДача\t1 2 3 4 5 6\t3\t3\t\t6\t1\t2\t3\t\t\t1\t1.31\t")) << line;
    std::getline(lines, line);
    EXPECT_TRUE(
        line.starts_with("2\t\t1 2 3 4 10 11 20 21\t3\t3\t10 11\t5\t2\t2\t5\t1 12 21 26 21 3 0\t1 12 15 0 0 0 0\t"))
        << line;

    const Outcome json = runCli({"tickets", "loto", "check", "--dir", dir.path(), "--last", "1", "--format", "json"});
    ASSERT_EQ(json.status, cli::kExitOk) << json.err;
    EXPECT_NE(json.out.find("{\"record\": 1, \"name\": \"Дача\", \"numbers\": [1, 2, 3, 4, 5, 6], \"draws\": 1, "
                            "\"latest\": 3, \"matches\": [], \"best_hits\": 0"),
              std::string::npos)
        << json.out;

    EXPECT_EQ(runCli({"tickets", "loto", "delete", "1", "--dir", dir.path()}).out, "ticket 1 deleted\n");
    EXPECT_EQ(runCli({"tickets", "loto", "list", "--dir", dir.path(), "--format", "csv"}).out,
              "record,name,numbers\n2,,1 2 3 4 10 11 20 21\n");
}

TEST(TicketsCommand, BadTicketsLeaveTheTableAsItWas) {
    testsupport::TempDir dir;
    ASSERT_EQ(runCli({"tickets", "keno", "add", "80", "--dir", dir.path()}).status, cli::kExitOk);
    const std::string before = testsupport::readFile(dir.file("kenotick.dbf"));
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string message;
    } cases[] = {
        {{"81"}, cli::kExitFailure, "'81' is not a number of 1..80"},
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}, cli::kExitFailure, "holds 1..10 numbers, not 11"},
        {{"4", "4"}, cli::kExitFailure, "number 4 is given twice"},
        {{"80"}, cli::kExitFailure, "ticket 1 holds the same numbers"},
        {{}, cli::kExitUsage, "missing the ticket's numbers"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words{"tickets", "keno", "add"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        words.insert(words.end(), {"--dir", dir.path()});
        const Outcome outcome = runCli(words);
        EXPECT_EQ(outcome.status, c.status) << c.message;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(runCli({"tickets", "keno", "delete", "2", "--dir", dir.path()}).status, cli::kExitFailure);
    EXPECT_EQ(runCli({"tickets", "keno", "fold", "--dir", dir.path()}).status, cli::kExitUsage);
    EXPECT_EQ(testsupport::readFile(dir.file("kenotick.dbf")), before);
}

TEST(TicketsCommand, TheBacktestOfTheTicketsGivesOneJudgedRowEach) {
    testsupport::TempDir dir;
    // 1..6 come out every time: the ticket of them beats chance, the one of 40..45 falls short of it.
    // Both are kept before the first draw, so that every tested draw came after them.
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, {});
    ASSERT_EQ(runCli({"tickets", "loto", "add", "1", "2", "3", "4", "5", "6", "--dir", dir.path()}).status,
              cli::kExitOk);
    ASSERT_EQ(runCli({"tickets", "loto", "add", "40", "41", "42", "43", "44", "45", "46", "--dir", dir.path()}).status,
              cli::kExitOk);
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, testsupport::Draws(120, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(runCli({"backtest", "loto", "tickets", "--dir", dir.path(), "--tickets", dir.file("none.dbf")}).status,
              cli::kExitUsage);
    const Outcome tsv = runCli({"backtest", "loto", "tickets", "--dir", dir.path()});
    ASSERT_EQ(tsv.status, cli::kExitOk) << tsv.err;
    std::istringstream lines(tsv.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(line.starts_with("method\tticket\tnumbers\tpicks\tfrom\tto\ttested\t")) << line;
    std::getline(lines, line);
    EXPECT_TRUE(line.starts_with("tickets\t1\t1 2 3 4 5 6\t6\t50\t120\t71\t0\t426\t")) << line;
    EXPECT_NE(line.find("\tmore\t"), std::string::npos) << line;
    std::getline(lines, line);
    EXPECT_TRUE(line.starts_with("tickets\t2\t40 41 42 43 44 45 46\t7\t50\t120\t71\t0\t0\t")) << line;
    EXPECT_NE(line.find("\tfewer\t"), std::string::npos) << line;
    EXPECT_FALSE(std::getline(lines, line));

    const Outcome json = runCli({"backtest", "loto", "tickets", "--dir", dir.path(), "--format", "json"});
    EXPECT_NE(json.out.find("{\"method\": \"tickets\", \"ticket\": 2, \"numbers\": [40, 41, 42, 43, 44, 45, 46], "
                            "\"picks\": 7,"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"verdict\": \"fewer\", \"kept\": 0, "), std::string::npos) << json.out;

    // A ticket added now, after the 120 draws, is judged on none of them: the draws it may have
    // been chosen from would flatter it.
    ASSERT_EQ(runCli({"tickets", "loto", "add", "1", "2", "3", "4", "5", "7", "--dir", dir.path()}).status,
              cli::kExitOk);
    const Outcome late = runCli({"backtest", "loto", "tickets", "--dir", dir.path()});
    ASSERT_EQ(late.status, cli::kExitOk) << late.err;
    EXPECT_NE(late.out.find("tickets\t3\t1 2 3 4 5 7\t6\t121\t120\t0\t0\t0\t"), std::string::npos) << late.out;
    EXPECT_NE(late.out.find("\ttoo_few\t120\t"), std::string::npos) << late.out;
}
