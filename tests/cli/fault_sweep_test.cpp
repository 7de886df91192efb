// Every point at which a writing command can fail, swept: the k-th call of the file seam fails,
// for k = 1, 2, ... until the command runs through without meeting it: the draw file's open and
// reads, the scratch files, the new table's making and renaming included. After each run the table is
// byte for byte the old one or the new one (for import: the old one and as many whole draws as the
// command says it appended), a failure was said, nothing is left beside the table, and the table
// then opens, checks and analyses cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "cli_test_helpers.h"
#include "dbf/dbf_table.h"
#include "dbf/text_numbers.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"

namespace {

using cli_test::runCli;
using testsupport::DbfImage;
using testsupport::readFile;
using testsupport::TempDir;

constexpr platform::LocalTime kNow{2031, 7, 4, 12, 30, 15, 250};
constexpr std::size_t kHeader = 225;
constexpr std::size_t kRecord = 13;

// Seven SuperLoto draws, the fourth deleted.
DbfImage lotoTable() {
    DbfImage image;
    for (int i = 1; i <= 6; ++i) image.field("C" + std::to_string(i), 'N', 2);
    image.codePage(0x65);
    for (int d = 0; d < 7; ++d) {
        std::vector<std::string> draw;
        for (int i = 1; i <= 6; ++i) draw.push_back(std::to_string(d * 7 + i));
        image.record(draw, d == 3);
    }
    return image;
}

struct SweepCase {
    const char* name;
    std::vector<std::string> args;       // "TABLE" and "DIR" stand for the table's path and its folder
    bool tableBefore = true;             // false: the command makes the table
    bool soundBefore = true;             // false: the table before is one the command mends
    bool analysable = true;              // false: too few draws for an analysis
    const char* table = "lotobase.dbf";  // the file the command writes
    bool emptyBefore = false;            // the file stands there empty (0 bytes) before
    bool madeEmptyMayStay = false;       // the command makes the table empty, then writes into it
};

std::vector<std::string> spelled(const std::vector<std::string>& args, const TempDir& dir) {
    std::vector<std::string> words;
    for (const std::string& word : args) {
        if (word == "TABLE")
            words.push_back(dir.file("lotobase.dbf"));
        else if (word == "DIR")
            words.push_back(dir.path());
        else if (word == "DRAWS")
            words.push_back(dir.file("draws.csv"));
        else
            words.push_back(word);
    }
    return words;
}

std::vector<std::string> namesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The table as an import that stopped after `appended` of the new draws leaves it.
std::string partlyImported(const std::string& before, const std::string& after, std::size_t appended) {
    const std::size_t records = (before.size() - kHeader - 1) / kRecord + appended;
    std::string expected = after.substr(0, kHeader + records * kRecord) + "\x1A";
    const std::string count = testsupport::le32(static_cast<std::int32_t>(records));
    expected.replace(4, 4, count);
    return expected;
}

// The table `after` as it was made, before its records went in: no records, the end mark.
std::string emptied(const std::string& after) {
    const std::size_t header =
        static_cast<unsigned char>(after[8]) | static_cast<std::size_t>(static_cast<unsigned char>(after[9])) << 8;
    std::string expected = after.substr(0, header) + "\x1A";
    expected.replace(4, 4, testsupport::le32(0));
    return expected;
}

// Runs the sweep of one command; returns its number of failure points.
int sweep(const SweepCase& c) {
    TempDir reference;
    TempDir dir;
    const auto prepare = [&](const TempDir& where) {
        for (const std::string& name : namesIn(where)) std::filesystem::remove(where.file(name));
        if (c.tableBefore) lotoTable().endMarker(c.soundBefore).writeTo(where.file("lotobase.dbf"));
        if (c.emptyBefore) testsupport::writeFile(where.file(c.table), "");
        testsupport::writeFile(where.file("draws.csv"), "3 9 17 25 33 41\n4 10 18 26 34 42\n5 11 19 27 35 43\n");
    };
    const bool writtenBefore = (std::string(c.table) == "lotobase.dbf" && c.tableBefore) || c.emptyBefore;
    prepare(reference);
    const std::string before = writtenBefore ? readFile(reference.file(c.table)) : std::string();
    const auto clean = runCli(spelled(c.args, reference));
    EXPECT_EQ(clean.status, cli::kExitOk) << c.name << ": " << clean.err;
    const std::string after = readFile(reference.file(c.table));
    EXPECT_NE(after, before) << c.name;
    const std::vector<std::string> files = namesIn(reference);

    int points = 0;
    for (int k = 1; k < 1000; ++k) {
        SCOPED_TRACE(std::string(c.name) + ", failing call " + std::to_string(k));
        prepare(dir);
        platform::failCallNumber(k, platform::code::kDiskFull);
        const auto run = runCli(spelled(c.args, dir));
        const bool struck = platform::callNumberStruck();
        platform::clearFaults();
        const bool exists = std::filesystem::exists(dir.file(c.table));
        const std::string now = exists ? readFile(dir.file(c.table)) : std::string();
        if (!struck) {
            EXPECT_EQ(run.status, cli::kExitOk) << run.err;
            EXPECT_EQ(now, after);
            break;
        }
        ++points;
        if (run.status == cli::kExitOk) {
            EXPECT_EQ(now, after) << "a success leaves the new table";
            std::string said = clean.out;
            if (const auto at = said.find(reference.path()); at != std::string::npos)
                said.replace(at, reference.path().size(), dir.path());
            EXPECT_EQ(run.out, said);
        } else {
            EXPECT_NE(run.err, "") << "a failure is said";
            std::smatch partly;
            if (std::regex_search(run.out, partly, std::regex("^appended ([0-9]+) draws? of [0-9]+\n$"))) {
                EXPECT_EQ(now, partlyImported(before, after, std::stoul(partly[1])));
            } else {
                EXPECT_FALSE(std::regex_search(
                    run.out, std::regex("(^|\n)(appended|removed|repaired|created|replaced|ok|ticket [0-9])")))
                    << "no success is claimed: " << run.out;
                if (c.madeEmptyMayStay && exists && !writtenBefore) {
                    // The table was made, whole and empty, before what was to go into it failed.
                    EXPECT_EQ(now, emptied(after)) << run.err;
                } else {
                    EXPECT_EQ(exists, writtenBefore) << run.err;
                    EXPECT_EQ(now, before) << run.err;
                }
            }
        }
        // Nothing beside the table: no scratch file, no half-made table.
        std::vector<std::string> left = namesIn(dir);
        if (!exists) left.push_back(c.table);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, files);
        if (!exists || (!c.soundBefore && now == before)) continue;
        const auto checked = runCli({"check", dir.file(c.table)});
        EXPECT_EQ(checked.status, cli::kExitOk) << checked.out;
        if (c.analysable) {
            const auto analysed = runCli({"analyze", "loto", "histogram", "--table", dir.file("lotobase.dbf")});
            EXPECT_EQ(analysed.status, cli::kExitOk) << analysed.err;
        }
    }
    return points;
}

TEST(FaultSweep, EveryWritingCommandLeavesTheOldTableOrTheNewOneAndSaysWhich) {
    const cli_test::FixedClock clock(kNow);
    // An append waits for no one here: a failed lock call is refused at once.
    const auto patience = XBO_dBaseDBF::appendPatience();
    XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds(0));
    const std::vector<SweepCase> cases = {
        {"add", {"add", "TABLE", "2", "8", "16", "24", "32", "40"}},
        {"import", {"import", "TABLE", "DRAWS"}},
        {"set", {"set", "TABLE", "2", "C1=1", "C6=49"}},
        {"delete", {"delete", "TABLE", "2"}},
        {"recall", {"recall", "TABLE", "4"}},
        {"pack", {"pack", "TABLE"}},
        {"check --repair", {"check", "TABLE", "--repair"}, true, false},
        {"create", {"create", "--game", "loto", "DIR"}, false, true, false},
        {"create --sample", {"create", "--game", "loto", "--sample", "8", "DIR"}, false},
        {"import --replace", {"import", "TABLE", "DRAWS", "--replace"}, true, true, false},
        {"import --newest-first", {"import", "TABLE", "DRAWS", "--newest-first"}},
        {"import --replace --newest-first",
         {"import", "TABLE", "DRAWS", "--replace", "--newest-first"},
         true,
         true,
         false},
        {"create over an empty file", {"create", "--game", "loto", "DIR"}, false, false, false, "lotobase.dbf", true},
        {"tickets add",
         {"tickets", "loto", "add", "1", "2", "3", "4", "5", "6", "--dir", "DIR"},
         true,
         true,
         false,
         "lototick.dbf",
         false,
         true},
    };
    for (const SweepCase& c : cases) {
        const int points = sweep(c);
        std::cout << "fault sweep: " << c.name << ": " << points << " failure points\n";
        EXPECT_GT(points, 3) << c.name;
    }
    XBO_dBaseDBF::setAppendPatience(patience);
}

}  // namespace
