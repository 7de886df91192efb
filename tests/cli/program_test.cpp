// The sharometr-cli program itself: its exit statuses and where its output goes, as a shell or a
// script sees them.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/cli.h"
#include "cli/options.h"
#include "cli_test_helpers.h"

namespace {

using cli_test::runProgram;
using testsupport::TempDir;

const std::string kProgram = SHAROMETR_CLI_PROGRAM;
const std::string kSamples = SHAROMETR_SAMPLES_DIR;

TEST(Program, ExitStatusAndStreamsFollowTheCommand) {
    TempDir scratch;

    const auto info = runProgram(kProgram, {"info", kSamples + "/kenobase.dbf"}, scratch);
    std::ostringstream inProcess;
    std::ostringstream ignored;
    ASSERT_EQ(cli::run(std::vector<std::string>{"info", kSamples + "/kenobase.dbf"}, inProcess, ignored), cli::kExitOk);
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

TEST(Program, MakesFillsAndShowsATable) {
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

namespace {

using cli_test::runCli;

// Columns of a line of UTF-8 text: its characters.
std::size_t columns(const std::string& line) {
    return static_cast<std::size_t>(
        std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void expectWithin80Columns(const std::string& text, const std::string& what) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        EXPECT_LE(columns(line), 80u) << what << ": " << line;
        start = end == std::string::npos ? text.size() : end + 1;
    }
}

TEST(Program, EveryCommandHasItsHelpWithin80Columns) {
    const auto usage = runCli({"--help"});
    expectWithin80Columns(usage.out, "--help");
    for (const cli::Command& command : cli::commands()) {
        const std::string name(command.name);
        SCOPED_TRACE(name);
        // Wherever the request stands, before or after other words, and in either spelling.
        for (const auto& args :
             std::vector<std::vector<std::string>>{{name, "--help"}, {name, "-h"}, {name, "some.dbf", "--help"}}) {
            const auto help = runCli(args);
            EXPECT_EQ(help.status, cli::kExitOk);
            EXPECT_EQ(help.err, "");
            EXPECT_EQ(help.out.rfind("usage: sharometr-cli " + name + " ", 0), 0u) << help.out;
            EXPECT_NE(help.out.find(cli::summaryOf(command).substr(1) + ".\n"), std::string::npos);
            expectWithin80Columns(help.out, name + " --help");
        }
        // After "--" it is an argument like any other.
        EXPECT_NE(runCli({name, "--", "--help"}).status, cli::kExitOk);
    }
    // A usage mistake shows the command's own usage.
    const auto mistake = runCli({"dump", "--all", "x.dbf"});
    EXPECT_EQ(mistake.err,
              "sharometr-cli dump: unknown option '--all'\n"
              "usage: sharometr-cli dump FILE [--deleted] [--format tsv|csv|json]\n"
              "       sharometr-cli dump --help\n");
}

TEST(Program, VersionIsTheOneOfTheBuild) {
    TempDir scratch;
    const auto version = runProgram(kProgram, {"--version"}, scratch);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "sharometr-cli 3.1.2\n");
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(cli::version(), "3.1.2");
}

TEST(Program, OptionsTakeTheirValueEitherWayAndOnlyOnce) {
    const std::vector<std::string> words{"FILE", "--format=csv", "--deleted", "-", "-3", "--", "--deleted"};
    const auto line = cli::parseArguments(words, {{"--format", "FORMAT"}, {"--deleted"}});
    EXPECT_EQ(line.value("--format"), "csv");
    EXPECT_TRUE(line.has("--deleted"));
    EXPECT_EQ(line.positionals(), (std::vector<std::string>{"FILE", "-", "-3", "--deleted"}));
    EXPECT_EQ(line.positional(3, "X"), "--deleted");
    EXPECT_EQ(cli::parseArguments(std::vector<std::string>{"--format", "json"}, {{"--format", "F"}}).value("--format"),
              "json");
    EXPECT_FALSE(cli::parseArguments(std::vector<std::string>{}, {{"--format", "F"}}).value("--format"));

    for (const auto& [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--format"}, "--format wants a value"},
             {{"--format="}, "--format wants a value"},
             {{"--deleted=1"}, "--deleted takes no value"},
             {{"--deleted", "--deleted"}, "--deleted is given twice"},
             {{"--format=a", "--format", "b"}, "--format is given twice"},
             {{"-x"}, "unknown option '-x'"},
             {{"--other=1"}, "unknown option '--other'"}}) {
        try {
            cli::parseArguments(args, {{"--format", "FORMAT"}, {"--deleted"}});
            ADD_FAILURE() << reason;
        } catch (const cli::UsageError& error) {
            EXPECT_EQ(std::string(error.what()), reason);
        }
    }
    const auto two = cli::parseArguments(std::vector<std::string>{"a", "b"}, {});
    EXPECT_THROW(two.noMoreThan(1), cli::UsageError);
    EXPECT_THROW(two.positional(2, "C"), cli::UsageError);
}

}  // namespace
