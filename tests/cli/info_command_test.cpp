// `sharometr-cli info`: the table's header values, both record counts and the field list as the
// engine reads them, and the engine's own message when it cannot open the table.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/support/child_process.h"
#include "tests/support/dbf_image.h"

namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

const std::string kSamples = SHAROMETR_SAMPLES_DIR;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome runCli(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
}

// The committed SuperLoto sample holds 100 draws.
std::string superLotoInfo(int visible) {
    return "version: 0x03\n"
           "header length: 225\n"
           "record length: 13\n"
           "records: 100\n"
           "visible records: " +
           std::to_string(visible) +
           "\n"
           "C1 N 2 0\nC2 N 2 0\nC3 N 2 0\nC4 N 2 0\nC5 N 2 0\nC6 N 2 0\n";
}

TEST(InfoCommand, DescribesTheSampleTables) {
    const Outcome loto = runCli({"info", kSamples + "/lotobase.dbf"});
    EXPECT_EQ(loto.status, cli::kExitOk);
    EXPECT_EQ(loto.out, superLotoInfo(100));
    EXPECT_EQ(loto.err, "");

    std::string kenoFields;
    for (int i = 1; i <= 20; ++i) kenoFields += "K" + std::to_string(i) + " N 2 0\n";
    const Outcome keno = runCli({"info", kSamples + "/kenobase.dbf"});
    EXPECT_EQ(keno.status, cli::kExitOk);
    EXPECT_EQ(keno.out,
              "version: 0x03\n"
              "header length: 673\n"
              "record length: 41\n"
              "records: 50\n"
              "visible records: 50\n" +
                  kenoFields);
    EXPECT_EQ(keno.err, "");
}

TEST(InfoCommand, CountsDeletedRecordsAsInvisible) {
    TempDir dir;
    std::string bytes = readFile(kSamples + "/lotobase.dbf");
    for (int record : {1, 50, 100}) bytes[225 + (record - 1) * 13] = '*';
    // A deletion flag other than "*" still marks a live record.
    bytes[225 + 9 * 13] = 'x';
    const std::string path = dir.file("LOTOBASE.DBF");
    writeFile(path, bytes);

    const Outcome outcome = runCli({"info", path});
    EXPECT_EQ(outcome.status, cli::kExitOk);
    EXPECT_EQ(outcome.out, superLotoInfo(97));
    EXPECT_EQ(outcome.err, "");
}

TEST(InfoCommand, CountsRecordsFromTheFileSizeNotTheHeader) {
    TempDir dir;
    std::string bytes = readFile(kSamples + "/lotobase.dbf");
    bytes[4] = 10;  // the header's count, never believed
    bytes[5] = 0;
    bytes.resize(225 + 90 * 13 + 5);  // 90 whole records and a torn one
    const std::string path = dir.file("TORN.DBF");
    writeFile(path, bytes);

    const Outcome outcome = runCli({"info", path});
    EXPECT_EQ(outcome.status, cli::kExitOk);
    EXPECT_NE(outcome.out.find("records: 90\nvisible records: 90\n"), std::string::npos) << outcome.out;
}

TEST(InfoCommand, ReportsTheEngineErrorAndFails) {
    TempDir dir;

    const std::string missing = dir.file("NOSUCH.DBF");
    const Outcome notFound = runCli({"info", missing});
    EXPECT_EQ(notFound.status, cli::kExitFailure);
    EXPECT_EQ(notFound.out, "");
    EXPECT_EQ(notFound.err, "File not found - " + missing + "\n");

    std::string bytes = readFile(kSamples + "/lotobase.dbf");
    bytes[0] = 0x04;
    const std::string damaged = dir.file("DAMAGED.DBF");
    writeFile(damaged, bytes);
    const Outcome invalid = runCli({"info", damaged});
    EXPECT_EQ(invalid.status, cli::kExitFailure);
    EXPECT_EQ(invalid.out, "");
    EXPECT_EQ(invalid.err, "dBase DBF file header invalid - " + damaged + "\n");

    // A header cut short has no text of its own: the numbered form, its carriage return shown as
    // a line break so that the path does not overwrite the text on a terminal.
    const std::string shortFile = dir.file("SHORT.DBF");
    writeFile(shortFile, bytes.substr(0, 20));
    const Outcome cut = runCli({"info", shortFile});
    EXPECT_EQ(cut.status, cli::kExitFailure);
    EXPECT_EQ(cut.out, "");
    EXPECT_EQ(cut.err, "Xbase Error 221, SubCode 1204.\n " + shortFile + ">1204\n");
}

TEST(InfoCommand, AFifoIsRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("fifo.dbf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Were the open to wait for a writer, the other process would never answer.
    for (const std::string command : {"info", "dump"}) {
        testsupport::Child child([&](testsupport::Child& self) {
            const Outcome refused = runCli({command, fifo});
            const bool expected =
                refused.status == cli::kExitFailure && refused.err == "Not a regular file - " + fifo + "\n";
            self.tell(expected ? 'R' : 'F');
            return 0;
        });
        EXPECT_EQ(child.receive(std::chrono::milliseconds(5000)), 'R') << command;
    }
}

TEST(CommandLine, UsageMistakesPrintTheUsageAndExitWithTwo) {
    const Outcome none = runCli({});
    EXPECT_EQ(none.status, cli::kExitUsage);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err.rfind("sharometr-cli: no command given\nusage: sharometr-cli COMMAND", 0), 0u) << none.err;

    const Outcome unknown = runCli({"frobnicate", "x"});
    EXPECT_EQ(unknown.status, cli::kExitUsage);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err.rfind("sharometr-cli: unknown command 'frobnicate'\nusage: ", 0), 0u) << unknown.err;

    const Outcome noFile = runCli({"info"});
    EXPECT_EQ(noFile.status, cli::kExitUsage);
    EXPECT_EQ(noFile.out, "");
    EXPECT_EQ(noFile.err.rfind("sharometr-cli info: missing FILE argument\nusage: ", 0), 0u) << noFile.err;

    const Outcome twoFiles = runCli({"info", kSamples + "/lotobase.dbf", "extra"});
    EXPECT_EQ(twoFiles.status, cli::kExitUsage);
    EXPECT_EQ(twoFiles.out, "");
    EXPECT_EQ(twoFiles.err.rfind("sharometr-cli info: unexpected argument 'extra'\nusage: ", 0), 0u) << twoFiles.err;
}

TEST(CommandLine, HelpListsEveryCommandOnStandardOutput) {
    const Outcome help = runCli({"--help"});
    EXPECT_EQ(help.status, cli::kExitOk);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("usage: sharometr-cli COMMAND [ARGUMENTS]\n", 0), 0u) << help.out;
    for (const cli::Command& command : cli::commands()) {
        const std::string synopsis = std::string(command.name) + " " + std::string(command.arguments);
        EXPECT_NE(help.out.find("\n  " + synopsis + " "), std::string::npos) << synopsis;
        EXPECT_NE(help.out.find(cli::summaryOf(command) + "\n"), std::string::npos);
    }
    EXPECT_NE(help.out.find("\n  info FILE "), std::string::npos);
}

}  // namespace

TEST(InfoCommand, AHeaderCountThatIsNotTheFilesIsShownBesideIt) {
    TempDir dir;
    std::string bytes = readFile(kSamples + "/lotobase.dbf");
    bytes.replace(4, 4, std::string(4, '\xFF'));
    const std::string path = dir.file("lotobase.dbf");
    writeFile(path, bytes);
    const Outcome outcome = runCli({"info", path});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_NE(outcome.out.find("records: 100\nvisible records: 100\nheader record count: 4294967295\n"),
              std::string::npos)
        << outcome.out;
    // When they agree, one line says it.
    EXPECT_EQ(runCli({"info", kSamples + "/lotobase.dbf"}).out, superLotoInfo(100));

    // Two files whose names differ only in letter case: the command says which one it reads.
    writeFile(dir.file("LOTOBASE.DBF"), readFile(kSamples + "/lotobase.dbf"));
    const Outcome both = runCli({"info", dir.file("Lotobase.dbf")});
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(both.err, "sharometr-cli: " + dir.file("Lotobase.dbf") +
                            " names 2 files that differ only in letter case (LOTOBASE.DBF, lotobase.dbf); using "
                            "LOTOBASE.DBF\n");
}
