// `sharometr-cli backtest`, run in-process on draw tables written for the test.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "backtest/backtest.h"
#include "cli/cli.h"
#include "tests/support/cli_run.h"
#include "tests/support/dbf_image.h"
#include "tests/support/draw_table.h"

namespace {

using Outcome = testsupport::CliOutcome;
using testsupport::runCli;

// A SuperLoto table in which 1..6 come out every time.
std::string riggedTable(const testsupport::TempDir& dir, int draws) {
    const std::string path = dir.file("rigged.dbf");
    testsupport::writeDrawTable(path, kSuperLoto,
                                testsupport::Draws(static_cast<std::size_t>(draws), {1, 2, 3, 4, 5, 6}));
    return path;
}

TEST(BacktestCommand, TsvGivesOneLinePerMethod) {
    testsupport::TempDir dir;
    testsupport::makeDrawTable(dir.file("kenobase.dbf"), kKeno, 120, 9);
    const Outcome outcome = runCli({"backtest", "keno", "all", "--dir", dir.path()});
    ASSERT_EQ(outcome.status, cli::kExitOk) << outcome.err;
    std::istringstream lines(outcome.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_TRUE(
        line.starts_with("method\tpicks\tfrom\tto\ttested\tskipped\thits\texpected\tratio\tratio_low\t"
                         "ratio_high\tz\tp\tp_holm\tchi2\tchi2_df\tchi2_p\tchi2_p_holm\tverdict\tobserved_0\t"));
    EXPECT_TRUE(line.ends_with("\tobserved_10\texpected_10"));
    for (const BacktestMethod& method : BacktestMethods()) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_TRUE(line.starts_with(std::string(method.cliName) + "\t10\t50\t120\t71\t0\t")) << line;
        EXPECT_TRUE(line.find("\t177.50\t") != std::string::npos) << line;  // 71 draws · 10 · 20/80
    }
    EXPECT_FALSE(std::getline(lines, line));
}

TEST(BacktestCommand, RiggedTableInJsonAndCsv) {
    testsupport::TempDir dir;
    const std::string table = riggedTable(dir, 60);
    const Outcome json = runCli({"backtest", "loto", "hot", "--table", table, "--from", "11", "--format", "json"});
    ASSERT_EQ(json.status, cli::kExitOk) << json.err;
    EXPECT_NE(
        json.out.find("\"method\": \"hot\", \"picks\": 6, \"from\": 11, \"to\": 60, \"tested\": 50, \"skipped\": 0, "
                      "\"hits\": 300, \"expected\": 36.73, \"ratio\": 8.1667"),
        std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("{\"hits\": 6, \"observed\": 50, \"expected\": 0.00}"), std::string::npos);
    EXPECT_NE(json.out.find("\"p_holm\": 0, "), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"verdict\": \"more\""), std::string::npos) << json.out;

    const Outcome csv = runCli({"backtest", "loto", "random", "--table", table, "--top", "2", "--format", "csv"});
    ASSERT_EQ(csv.status, cli::kExitOk) << csv.err;
    EXPECT_TRUE(
        csv.out.starts_with("method,picks,from,to,tested,skipped,hits,expected,ratio,ratio_low,ratio_high,z,p,p_holm,"
                            "chi2,chi2_df,chi2_p,chi2_p_holm,verdict,observed_0,expected_0,"
                            "observed_1,expected_1,observed_2,expected_2\nrandom,2,50,60,11,0,"))
        << csv.out;
    // The baseline is never judged: its adjusted figures are empty, its own p is there.
    EXPECT_NE(csv.out.find(",0.4533,,0.000,0,1,,baseline,"), std::string::npos) << csv.out;
    const Outcome baseline = runCli({"backtest", "loto", "random", "--table", table, "--format", "json"});
    EXPECT_NE(baseline.out.find("\"p_holm\": null, "), std::string::npos) << baseline.out;
    EXPECT_NE(baseline.out.find("\"chi2_p_holm\": null, "), std::string::npos) << baseline.out;
}

TEST(BacktestCommand, VerdictsOfShortAndEndedTests) {
    testsupport::TempDir dir;
    const std::string table = riggedTable(dir, 60);
    // 11 tested draws: the exact p is tiny, the verdict too few all the same; the baseline is never judged.
    const Outcome few = runCli({"backtest", "loto", "all", "--table", table, "--from", "50", "--format", "csv"});
    ASSERT_EQ(few.status, cli::kExitOk) << few.err;
    std::istringstream lines(few.out);
    std::string line;
    std::getline(lines, line);
    for (const char* verdict : {",too_few,", ",too_few,", ",too_few,", ",too_few,", ",baseline,"}) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_NE(line.find(verdict), std::string::npos) << line;
    }
    // Draws 11..59: 49 tested, one short.
    const Outcome ended = runCli({"backtest", "loto", "hot", "--table", table, "--from", "11", "--to", "59"});
    ASSERT_EQ(ended.status, cli::kExitOk) << ended.err;
    EXPECT_NE(ended.out.find("\nhot\t6\t11\t59\t49\t0\t294\t"), std::string::npos) << ended.out;
    EXPECT_NE(ended.out.find("\ttoo_few\t"), std::string::npos) << ended.out;
}

TEST(BacktestCommand, WrongRequestsAreRefusedInOneLine) {
    testsupport::TempDir dir;
    const std::string table = riggedTable(dir, 20);
    const Outcome few = runCli({"backtest", "loto", "hot", "--table", table});
    EXPECT_EQ(few.status, cli::kExitUsage);
    EXPECT_EQ(few.err, "ВНИМАНИЕ! Для проверки методов необходимо заполнить не менее 50 записей!\n");
    EXPECT_TRUE(few.out.empty());
    const Outcome beyond = runCli({"backtest", "loto", "hot", "--table", table, "--from", "5", "--to", "21"});
    EXPECT_EQ(beyond.status, cli::kExitUsage);
    EXPECT_EQ(beyond.err, "ВНИМАНИЕ! Для проверки методов необходимо заполнить не менее 21 записи!\n");

    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"backtest", "loto", "lucky", "--table", table},
          {"backtest", "loto", "hot", "--top", "50", "--table", table},
          {"backtest", "loto", "hot", "--from", "0", "--table", table},
          {"backtest", "loto", "hot", "--from", "10", "--to", "9", "--table", table},
          {"backtest", "loto", "hot", "--format", "xml", "--table", table},
          {"backtest", "loto", "hot", "--table", table, "--dir", dir.path()}}) {
        const Outcome outcome = runCli(words);
        EXPECT_EQ(outcome.status, cli::kExitUsage) << words[3];
        EXPECT_TRUE(outcome.err.starts_with("sharometr-cli backtest: ")) << outcome.err;
    }

    const Outcome keno = runCli({"backtest", "keno", "hot", "--table", table});
    EXPECT_EQ(keno.status, cli::kExitFailure);
    EXPECT_NE(keno.err.find("is not a Keno table: its first fields are not K1..K20, numeric"), std::string::npos);
}

}  // namespace
