// The sharometr-cli program itself: its exit statuses and where its output goes, as a shell or a
// script sees them.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "cli_test_helpers.h"

namespace {

using cli_test::runProgram;
using testsupport::TempDir;

const std::string kProgram = SHAROMETR_CLI_PROGRAM;
const std::string kSamples = SHAROMETR_SAMPLES_DIR;

TEST(Program, ExitStatusAndStreamsFollowTheCommand)
{
    TempDir scratch;

    const auto info = runProgram(kProgram, {"info", kSamples + "/kenobase.dbf"}, scratch);
    std::ostringstream inProcess;
    std::ostringstream ignored;
    ASSERT_EQ(cli::run(std::vector<std::string>{"info", kSamples + "/kenobase.dbf"}, inProcess, ignored),
              cli::kExitOk);
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out, inProcess.str());
    EXPECT_EQ(info.err, "");

    const auto missing = runProgram(kProgram, {"info", scratch.file("NOSUCH.DBF")}, scratch);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "File not found - " + scratch.file("NOSUCH.DBF") + "\n");

    const auto usage = runProgram(kProgram, {}, scratch);
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_NE(usage.err.find("usage: sharometr-cli"), std::string::npos);

    const auto help = runProgram(kProgram, {"--help"}, scratch);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: sharometr-cli"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST(Program, MakesFillsAndShowsATable)
{
    TempDir scratch;
    TempDir work;
    const auto created = runProgram(kProgram, {"create", "--game", "loto", work.path()}, scratch);
    EXPECT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "created " + work.file("lotobase.dbf") + " with 0 draws\n");

    testsupport::writeFile(work.file("draws.txt"), "1 2 3 4 5 6\n49,48,47,46,45,44\n");
    const auto imported = runProgram(kProgram, {"import", work.file("lotobase.dbf"), work.file("draws.txt")}, scratch);
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "appended 2 draws\n");

    EXPECT_EQ(runProgram(kProgram, {"delete", work.file("lotobase.dbf"), "1"}, scratch).status, 0);
    EXPECT_EQ(runProgram(kProgram, {"set", work.file("lotobase.dbf"), "2", "C6=1"}, scratch).status, 0);
    const auto dumped = runProgram(kProgram, {"dump", "--deleted", work.file("lotobase.dbf")}, scratch);
    EXPECT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out, "1\t1\t2\t3\t4\t5\t6\n2\t49\t48\t47\t46\t45\t1\n");
    EXPECT_EQ(dumped.err, "");

    const auto again = runProgram(kProgram, {"create", "--game", "loto", work.path()}, scratch);
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(again.err, "File already exists - " + work.file("lotobase.dbf") + "\n");
}

}  // namespace
