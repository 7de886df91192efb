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

}  // namespace
