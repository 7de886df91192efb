// What the writing commands leave behind and what they refuse: a replacement of a table of several
// names, scratch files of killed commands, tables made beside their name, an empty file where a
// table should be, doubled draws by set and recall, a games file that puts a table where another
// game keeps its tickets, and an import that finds the table held whole by another program.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "analysis/game.h"
#include "analysis/games_file.h"
#include "cli_test_helpers.h"
#include "dbf/table_handler.h"
#include "platform/fault_injection.h"

namespace {

using cli_test::runCli;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The id of a process that has ended.
long endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::uint64_t inodeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

// A SuperLoto table of eight sample draws in a folder of its own, and a draw file of two draws.
class Reliability : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(runCli({"create", "--game", "loto", "--sample", "8", dir.path()}).status, cli::kExitOk);
        writeFile(draws, "1 2 3 4 5 6\n7 8 9 10 11 12\n");
    }
    TempDir dir;
    const std::string table = dir.file("lotobase.dbf");
    const std::string draws = dir.file("draws.txt");
};

TEST_F(Reliability, AReplacementOfATableOfSeveralNamesIsRefusedAndPartsNothing) {
    const std::string before = readFile(table);
    ASSERT_EQ(::link(table.c_str(), dir.file("other.dbf").c_str()), 0);
    ASSERT_EQ(::symlink(table.c_str(), dir.file("link.dbf").c_str()), 0);
    const std::vector<std::string> names = namesIn(dir);
    for (const std::string& named : {table, dir.file("link.dbf")}) {
        const auto refused = runCli({"import", named, draws, "--replace"});
        EXPECT_EQ(refused.status, cli::kExitFailure) << named;
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "Table file has more than one name (hard links), a new copy would part them - " + named +
                                   "\n" + named + " is left as it was\n");
        EXPECT_EQ(readFile(table), before);
        EXPECT_EQ(inodeOf(table), inodeOf(dir.file("other.dbf"))) << "the names stay one file";
        EXPECT_EQ(namesIn(dir), names) << "no scratch file stays";
    }
    // With one name again the replacement goes through.
    ASSERT_EQ(::unlink(dir.file("other.dbf").c_str()), 0);
    EXPECT_EQ(runCli({"import", dir.file("link.dbf"), draws, "--replace"}).out, "replaced 8 records with 2 draws\n");
}

TEST_F(Reliability, ScratchFilesOfEndedProcessesGoWithTheNextCommandThatWritesTheTable) {
    const std::string ended = std::to_string(endedProcess());
    // Process 1 runs as long as the system does: its files may be in use.
    const std::vector<std::string> stale = {"lotobase.dbf." + ended + ".replace", "lotobase.dbf." + ended + ".pack",
                                            "lotobase.dbf." + ended + ".new"};
    const std::vector<std::string> kept = {"lotobase.dbf.1.replace", "lotobase.dbf." + ended + ".notes",
                                           "otherbase.dbf." + ended + ".replace"};
    const std::vector<std::vector<std::string>> commands = {
        {"import", table, draws, "--replace"},
        {"import", table, draws, "--skip-duplicates"},
        {"add", table, "1", "2", "3", "4", "5", "40"},
        {"set", table, "1", "C6=41"},
        {"delete", table, "2"},
        {"recall", table, "2"},
        {"delete", table, "2"},
        {"pack", table},
    };
    for (const auto& command : commands) {
        for (const auto& name : stale) writeFile(dir.file(name), std::string(100, 'x'));
        for (const auto& name : kept) writeFile(dir.file(name), "x");
        const auto run = runCli(command);
        EXPECT_EQ(run.status, cli::kExitOk) << command[0] << ": " << run.err;
        for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << command[0] << name;
        for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << command[0] << name;
    }
}

TEST_F(Reliability, AnEmptyFileUnderATablesNameIsSaidPlainlyAndCreateMakesTheTableInItsPlace) {
    TempDir empty;
    const std::string path = empty.file("lotobase.dbf");
    const std::string plainly = path +
                                " is an empty file (0 bytes), no table: its making was cut short; create makes a draw "
                                "table in its place, or remove it\n";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"info", path}, {"add", path, "1", "2", "3", "4", "5", "6"}, {"check", path}}) {
        writeFile(path, "");
        const auto said = runCli(args);
        EXPECT_EQ(said.status, cli::kExitFailure) << args[0];
        EXPECT_TRUE(said.err.ends_with(plainly)) << said.err;
        EXPECT_EQ(readFile(path), "");
    }
    const auto games = runCli({"games", "--dir", empty.path(), "--format", "csv"});
    EXPECT_NE(games.out.find("\nloto,СуперЛото,49,6,lotobase.dbf,C1..C6,empty\n"), std::string::npos) << games.out;
    EXPECT_NE(runCli({"games", "--dir", empty.path(), "--format", "json"}).out.find("\"present\": \"empty\""),
              std::string::npos);

    for (const std::vector<std::string>& create :
         {std::vector<std::string>{"create", "--game", "loto", empty.path()},
          std::vector<std::string>{"create", "--game", "loto", "--sample", "5", empty.path()}}) {
        writeFile(path, "");
        const auto made = runCli(create);
        EXPECT_EQ(made.status, cli::kExitOk) << made.err;
        EXPECT_EQ(runCli({"check", path}).status, cli::kExitOk);
        EXPECT_EQ(namesIn(empty), std::vector<std::string>{"lotobase.dbf"});
    }
    // A file with anything in it stays the user's.
    writeFile(path, "x");
    const auto refused = runCli({"create", "--game", "loto", empty.path()});
    EXPECT_EQ(refused.err, "File already exists - " + path + "\n");
    EXPECT_EQ(readFile(path), "x");
}

TEST_F(Reliability, ANewTableIsWrittenBesideItsNameAndOnTheDiskBeforeItTakesIt) {
    struct Case {
        std::vector<std::string> args;
        std::string made;
    };
    TempDir fresh;
    const std::vector<Case> cases = {
        {{"create", "--game", "keno", fresh.path()}, "kenobase.dbf"},
        {{"create", "--game", "loto", "--sample", "6", fresh.path()}, "lotobase.dbf"},
        {{"tickets", "loto", "add", "1", "2", "3", "4", "5", "6", "--dir", fresh.path()}, "lototick.dbf"},
    };
    for (const Case& c : cases) {
        platform::clearFaults();
        bool nameFree = false;
        int flushes = 0;
        int flushedBefore = 0;
        std::vector<std::string> beside;
        // The last rename of the command gives the table its name; what was flushed since the
        // rename before it (a scratch table of its own) counts.
        std::function<void()> atRename = [&] {
            nameFree = !std::filesystem::exists(fresh.file(c.made));
            flushes = platform::callCount(platform::Call::Flush) - flushedBefore;
            flushedBefore += flushes;
            beside = namesIn(fresh);
            if (nameFree) platform::beforeNextCall(platform::Call::Move, atRename);
        };
        platform::beforeNextCall(platform::Call::Move, atRename);
        const auto run = runCli(c.args);
        platform::clearFaults();
        EXPECT_EQ(run.status, cli::kExitOk) << run.err;
        EXPECT_TRUE(nameFree) << c.made << " was not there until the rename";
        EXPECT_GE(flushes, 1) << c.made << " was on the disk before it";
        EXPECT_EQ(std::count_if(beside.begin(), beside.end(),
                                [&](const std::string& name) { return name.starts_with(c.made + "."); }),
                  1)
            << c.made;
        EXPECT_TRUE(std::filesystem::exists(fresh.file(c.made)));
    }
}

TEST_F(Reliability, SetAndRecallRefuseADrawTheTableHoldsAlreadyUnlessForced) {
    ASSERT_EQ(runCli({"set", table, "1", "C1=1", "C2=2", "C3=3", "C4=4", "C5=5", "C6=6"}).status, cli::kExitOk);
    ASSERT_EQ(runCli({"set", table, "2", "C1=7", "C2=8", "C3=9", "C4=10", "C5=11", "C6=12"}).status, cli::kExitOk);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"set", table, "2", "C1=6", "C2=5", "C3=4", "C4=3", "C5=2", "C6=1"},
         cli::kExitFailure,
         "record 2: the same draw as record 1 (--force writes it anyway)\n"},
        {{"set", table, "1", "C6=6"}, cli::kExitOk, ""},  // the record's own draw is no twin
        {{"delete", table, "1"}, cli::kExitOk, ""},
        {{"set", table, "2", "C1=1", "C2=2", "C3=3", "C4=4", "C5=5", "C6=6"}, cli::kExitOk, ""},  // 1 is deleted
        {{"recall", table, "1"}, cli::kExitFailure, "record 1: the same draw as record 2 (--force writes it anyway)\n"},
        {{"recall", table, "1", "--force"}, cli::kExitOk, ""},
        {{"set", table, "3", "C1=1", "C2=2", "C3=3", "C4=4", "C5=5", "C6=6", "--force"}, cli::kExitOk, ""},
    };
    for (const Case& c : cases) {
        const std::string before = readFile(table);
        const auto run = runCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.args[2];
        EXPECT_EQ(run.err, c.err);
        if (c.status != cli::kExitOk) EXPECT_EQ(readFile(table), before) << "nothing written";
    }
    const auto check = runCli({"check", table});
    EXPECT_NE(check.out.find("the same draw as record"), std::string::npos) << "forced twins are the user's";
}

TEST(GamesFileTickets, AGameWhoseTicketsWouldStandOnAnotherGamesTableIsRefusedWithItsLine) {
    const std::string text =
        "[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = ztick.dbf\nfields = A\n"
        "[g2]\nname = b\nnumbers = 20\ndrawn = 5\ntable = zbase.dbf\nfields = B\n";
    const GamesFile file = ParseGamesFile(text, "g.ini", Games());
    ASSERT_EQ(file.games.size(), 1u);
    EXPECT_EQ(file.games[0].cliName, "g1");
    EXPECT_EQ(file.mistakes, std::vector<std::string>{
                                 "g.ini:11: [g2] table = zbase.dbf: its tickets table ztick.dbf is the table of g1"});
}

TEST_F(Reliability, AnImportWaitsForATableAnotherProgramHoldsWholeAndSaysSoWhenItStaysHeld) {
    const auto patience = XBO_dBaseDBF::appendPatience();
    for (const bool released : {true, false}) {
        XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds(released ? 20000 : 300));
        const std::string before = readFile(table);
        testsupport::Child pack([&](testsupport::Child& self) {
            DBFObject whole(table, "", true, /*shared=*/false);
            self.tellAndHold('H');
            return 0;
        });
        ASSERT_EQ(pack.receive(), 'H');
        // The holder lets go a little later, while the import waits.
        std::thread letGo([&] {
            if (!released) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            pack.send('Q');
        });
        const auto run = runCli({"import", table, draws});
        letGo.join();
        if (released) {
            EXPECT_EQ(run.status, cli::kExitOk) << run.err;
            EXPECT_EQ(run.out, "appended 2 draws\n");
        } else {
            EXPECT_EQ(run.status, cli::kExitFailure);
            EXPECT_EQ(run.err, "File access denied - " + table +
                                   "\nwaited 0.3 s: another program still holds the table to itself (a pack or a "
                                   "replacement), nothing imported\n");
            EXPECT_EQ(readFile(table), before);
            pack.send('Q');
        }
        EXPECT_EQ(pack.wait(), 0);
    }
    XBO_dBaseDBF::setAppendPatience(patience);
}

}  // namespace
