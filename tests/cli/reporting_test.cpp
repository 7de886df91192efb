// What the companion says when its own output cannot be written (a full disk, a closed pipe):
// never success, and never a refusal when the table was changed all the same; and how a name that
// leads to no file it can use is refused, with nothing half said before the refusal.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/command_support.h"
#include "cli_test_helpers.h"

namespace {

using cli_test::runCli;
using testsupport::TempDir;

// Standard output on a full disk: every write fails.
class FullDisk : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

testsupport::CliOutcome runWithoutOutput(const std::vector<std::string>& words) {
    FullDisk disk;
    std::ostream out(&disk);
    std::ostringstream err;
    const int status = cli::run(words, out, err);
    return {status, "", err.str()};
}

TEST(Reporting, ALostReportSaysWhetherTheChangeWasMade) {
    TempDir dir;
    ASSERT_EQ(runCli({"create", "--game", "loto", "--sample", "10", dir.path()}).status, cli::kExitOk);
    const std::string table = dir.file("lotobase.dbf");
    const std::string made = "done, its changes are made, but its report could not be written to standard output\n";
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string err;
    };
    for (const Case& c : std::vector<Case>{
             {{"add", table, "1", "2", "3", "4", "5", "6"}, cli::kExitUnreported, "sharometr-cli add: " + made},
             {{"tickets", "--dir", dir.path(), "loto", "add", "7", "8", "9", "10", "11", "12"},
              cli::kExitUnreported,
              "sharometr-cli tickets: " + made},
             {{"check", table, "--repair"}, cli::kExitUnreported, "sharometr-cli check: " + made},
             // Reading commands changed nothing: their lost output is a plain failure.
             {{"dump", table}, cli::kExitFailure, "sharometr-cli: cannot write the output\n"},
             {{"check", table}, cli::kExitFailure, "sharometr-cli: cannot write the output\n"},
             {{"tickets", "loto", "list", "--dir", dir.path()},
              cli::kExitFailure,
              "sharometr-cli: cannot write the output\n"},
             {{"--version"}, cli::kExitFailure, "sharometr-cli: cannot write the output\n"},
         }) {
        const auto outcome = runWithoutOutput(c.words);
        EXPECT_EQ(outcome.status, c.status) << c.words.front();
        EXPECT_EQ(outcome.err, c.err) << c.words.front();
    }
    // The changes are there: the draw appended, the ticket kept.
    const auto dump = runCli({"dump", table});
    EXPECT_NE(dump.out.find("\n11\t1\t2\t3\t4\t5\t6\n"), std::string::npos) << dump.out;
    EXPECT_EQ(runCli({"tickets", "loto", "list", "--dir", dir.path()}).out,
              "record\tname\tnumbers\n1\t\t7 8 9 10 11 12\n");
    // A refused command keeps its own status and message.
    const auto refused = runWithoutOutput({"delete", table, "99"});
    EXPECT_EQ(refused.status, cli::kExitFailure);
    EXPECT_EQ(refused.err, "record 99 does not exist: the table has 11 records\n");
}

// Which words of a line are the command's, whatever the options around them.
TEST(Reporting, TheCommandLinesThatChangeTables) {
    const std::vector<std::pair<std::vector<std::string>, bool>> lines{
        {{"import", "a.dbf", "b.csv"}, true},
        {{"check", "--repair", "a.dbf"}, true},
        {{"tickets", "--dir=x", "keno", "add", "1"}, true},
        {{"tickets", "keno", "list", "--name", "add"}, false},
        {{"tickets", "keno", "check", "--", "add"}, false},
        {{"analyze", "keno", "all"}, false},
        {{}, false}};
    for (const auto& [words, changes] : lines)
        EXPECT_EQ(cli::changesTables(words), changes) << (words.empty() ? "" : words.front());
}

// A directory named like a table is said to be no regular file, by every command, and a ticket
// refused by its table prints nothing before the refusal.
TEST(Reporting, ADirectoryNamedLikeATableIsNoRegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("lotobase.dbf").c_str(), 0700), 0);
    ASSERT_EQ(runCli({"create", "--game", "keno", dir.path()}).status, cli::kExitOk);
    ASSERT_EQ(::mkdir(dir.file("kenotick.dbf").c_str(), 0700), 0);
    const std::string notRegular = "Not a regular file - ";
    for (const std::vector<std::string>& words : {std::vector<std::string>{"info", dir.file("lotobase.dbf")},
                                                  {"dump", dir.file("lotobase.dbf")},
                                                  {"add", dir.file("lotobase.dbf"), "1", "2", "3", "4", "5", "6"},
                                                  {"tickets", "keno", "add", "1", "2", "3", "--dir", dir.path()},
                                                  {"tickets", "keno", "list", "--dir", dir.path()}}) {
        const auto refused = runCli(words);
        EXPECT_EQ(refused.status, cli::kExitFailure) << words.front();
        EXPECT_EQ(refused.out, "") << words.front();
        EXPECT_EQ(refused.err.rfind(notRegular, 0), 0u) << refused.err;
    }
}

}  // namespace
