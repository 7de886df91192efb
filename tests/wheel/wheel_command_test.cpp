// `sharometr-cli wheel`, run in-process: the formats, the verification of a file, filters, keeping
// the tickets, and the mistakes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/support/cli_run.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"
#include "tickets/tickets.h"

namespace {

using testsupport::runCli;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(WheelCommand, FormatsOfAVerifiedWheelAndTheirCheckAgain) {
    testsupport::TempDir dir;
    const std::vector<std::string> base = {"wheel", "loto",   "--numbers", "1-7",       "--guarantee",
                                           "2if2",  "--size", "6",         "--seconds", "1"};
    // Seven numbers, tickets of six, every pair in some ticket: each ticket leaves out one number,
    // so three tickets (Schönheim's ⌈7/6 ⌈6/5⌉⌉) leave no pair out.
    const auto tsv = runCli(base);
    ASSERT_EQ(tsv.status, cli::kExitOk) << tsv.err;
    EXPECT_EQ(tsv.out, "1\t2\t3\t4\t5\t6\n1\t2\t3\t4\t5\t7\n1\t2\t3\t4\t6\t7\n");
    EXPECT_EQ(Lines(tsv.err).front(),
              "3 tickets of 6 numbers guarantee '2 if 2' over 7 numbers: verified, 21 sets of 2 checked; lower bound 3 "
              "(Schoenheim)");
    EXPECT_EQ(Lines(tsv.err).back(),
              "A wheel or a filter changes which tickets you buy and how many, never the chance of any one ticket.");
    auto csvLine = base;
    csvLine.insert(csvLine.end(), {"--format", "csv"});
    EXPECT_EQ(runCli(csvLine).out, "n1,n2,n3,n4,n5,n6\n1,2,3,4,5,6\n1,2,3,4,5,7\n1,2,3,4,6,7\n");
    auto jsonLine = base;
    jsonLine.insert(jsonLine.end(), {"--format", "json"});
    const auto json = runCli(jsonLine);
    EXPECT_EQ(
        json.out,
        "{\"game\": \"loto\", \"numbers\": [1, 2, 3, 4, 5, 6, 7], \"keys\": [], \"size\": 6, \"guarantee\": \"2 if "
        "2\", \"full\": false, \"lower_bound\": 3, \"bound\": \"Schoenheim\", \"wheel_tickets\": 3, \"filters\": "
        "[], \"guarantee_holds\": true, \"sets_checked\": 21, \"tickets\": [\n  [1, 2, 3, 4, 5, 6],\n  [1, 2, 3, "
        "4, 5, 7],\n  [1, 2, 3, 4, 6, 7]\n]}\n");
    // Each form reads back for --verify; a ticket list one short fails, naming a set it misses.
    for (const auto& [name, text] : {std::pair{"w.tsv", tsv.out}, std::pair{"w.json", json.out}}) {
        std::ofstream(dir.file(name)) << text;
        const auto again = runCli({"wheel", "loto", "--verify", dir.file(name), "--guarantee", "2if2"});
        EXPECT_EQ(again.status, cli::kExitOk) << again.err;
        EXPECT_EQ(again.out, "'2 if 2' holds: 3 tickets over 7 numbers, 21 sets of 2 checked\n");
    }
    std::ofstream(dir.file("short.csv")) << "n1,n2,n3,n4,n5,n6\n1,2,3,4,5,6\n1,2,3,4,5,7\n";
    const auto failed =
        runCli({"wheel", "loto", "--verify", dir.file("short.csv"), "--guarantee", "2if2", "--numbers", "1-7"});
    EXPECT_EQ(failed.status, cli::kExitFailure);
    EXPECT_EQ(failed.out, "'2 if 2' fails: 1 of 21 sets of 2 meet no ticket in 2, such as 6 7\n");
    std::ofstream(dir.file("bad.txt")) << "1 2 3 4 5 6\n1 2 x 4 5 6\n";
    const auto bad = runCli({"wheel", "loto", "--verify", dir.file("bad.txt"), "--guarantee", "2if2"});
    EXPECT_EQ(bad.status, cli::kExitFailure);
    EXPECT_EQ(bad.err, dir.file("bad.txt") + ", line 2: 'x' is not a number\n");
}

TEST(WheelCommand, FiltersSayWhatTheyKeepAndTheWheelIsKeptAsTickets) {
    testsupport::TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 10, 11, 12}});
    const auto made = runCli({"wheel", "loto", "--numbers", "1-7", "--guarantee", "2if2", "--size", "6", "--filter",
                              "drawn sum=0-22", "--dir", dir.path(), "--add-to-tickets"});
    ASSERT_EQ(made.status, cli::kExitOk) << made.err;
    // The past draw 1..6 goes, and of the sums 21, 22, 23 only 21 and 22 are kept: 1..5 7 stays.
    EXPECT_EQ(made.out, "1\t2\t3\t4\t5\t7\n");
    const auto said = Lines(made.err);
    ASSERT_EQ(said.size(), 6u) << made.err;
    EXPECT_EQ(said[1], "filter drawn keeps 2 of 3 tickets, 13983814 of all 13983816 combinations (100.00%)");
    EXPECT_EQ(said[2], "filter sum=0-22 keeps 2 of 3 tickets, 2 of all 13983816 combinations (0.0000143%)");
    EXPECT_EQ(said[3], "1 ticket left; '2 if 2' no longer holds: 6 of 21 sets of 2 meet no ticket, such as 1 6");
    EXPECT_EQ(said[5], "1 ticket added to " + dir.file("lototick.dbf"));
    const auto kept = runCli({"wheel", "loto", "--numbers", "1-7", "--guarantee", "2if2", "--size", "6", "--dir",
                              dir.path(), "--add-to-tickets"});
    EXPECT_EQ(Lines(kept.err).back(), "2 tickets added to " + dir.file("lototick.dbf") + "; 1 was kept there already");
    EXPECT_EQ(ReadTickets(kSuperLoto, dir.file("lototick.dbf")).size(), 3u);
    const auto twice = runCli({"wheel", "loto", "--numbers", "1-7", "--guarantee", "2if2", "--size", "6", "--dir",
                               dir.path(), "--add-to-tickets"});
    EXPECT_EQ(Lines(twice.err).back(),
              "0 tickets added to " + dir.file("lototick.dbf") + "; 3 were kept there already");
}

TEST(WheelCommand, MistakesAreSaidOnceWithTheUsage) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"wheel", "loto", "--guarantee", "3if3"}, "missing --numbers, such as 1,5,7,12-20"},
        {{"wheel", "loto", "--numbers", "1-9"},
         "missing --guarantee, such as 3if4 (3 of any 4 drawn numbers among yours)"},
        {{"wheel", "loto", "--numbers", "1-9", "--guarantee", "3of4"},
         "--guarantee wants TifM such as 3if4, not '3of4'"},
        {{"wheel", "loto", "--numbers", "1,x", "--guarantee", "3if4"},
         "--numbers wants numbers such as 1,5,7 or 1-10, not 'x'"},
        {{"wheel", "loto", "--numbers", "1-50", "--guarantee", "3if4"}, "'50' is not a number of 1..49"},
        {{"wheel", "loto", "--numbers", "1-9", "--guarantee", "3if4", "--filter", "heat=1-2"},
         "unknown filter 'heat' (sum, odd, low, run, decade, digit, from, hot, absent or drawn)"},
        {{"wheel", "keno", "--numbers", "1-30", "--guarantee", "3if4", "--size", "11"},
         "a ticket of keno holds 1..10 numbers, not 11"},
    };
    for (const auto& [words, message] : cases) {
        const auto outcome = runCli(words);
        EXPECT_EQ(outcome.status, cli::kExitUsage);
        EXPECT_EQ(Lines(outcome.err).front(), std::string("sharometr-cli wheel: ") + message);
        EXPECT_EQ(outcome.out, "");
    }
}

}  // namespace
