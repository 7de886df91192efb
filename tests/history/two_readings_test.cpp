// An import in two readings: the duplicates found from the sorted entries of the file's draws and
// the table's records (within the file and against the table, the draws turned upside down or
// not), the second reading writing the very bytes single appends would, a source read once from a
// pipe, a game whose entry takes three words, a file changed between the readings, and the plain
// path of the parser reading as the general one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "dbf/table_handler.h"
#include "history/draw_tables.h"
#include "history/import.h"
#include "platform/exception.h"
#include "platform/local_time.h"
#include "tests/support/draw_table.h"
#include "tests/support/engine_fixture.h"

namespace {

using testsupport::readFile;

const history::DrawShape kLotoShape{{"C1", "C2", "C3", "C4", "C5", "C6"}, 49};

class TwoReadings : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        platform::overrideLocalTime([] { return platform::LocalTime{2026, 12, 8, 9, 10, 11, 0}; });
    }
    void TearDown() override {
        history::setRecordsPerBatch(0);
        EngineTest::TearDown();
    }

    struct Result {
        history::FilePlan plan;
        history::AppendOutcome outcome;
    };

    // Imports `text` into the SuperLoto table at `path` as the companion does: the first reading
    // from the file (or the read end of a pipe), the second from the file again (or the copy).
    Result import(const std::string& path, const std::string& text, bool newestFirst, bool replace = false,
                  bool throughPipe = false) {
        int fd = -1;
        int ends[2] = {-1, -1};
        if (throughPipe) {
            EXPECT_EQ(::pipe(ends), 0);
            EXPECT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
            ::close(ends[1]);
            fd = ends[0];
        } else {
            testsupport::writeFile(m_dir.file("draws.csv"), text);
            fd = ::open(m_dir.file("draws.csv").c_str(), O_RDONLY);
        }
        std::ostringstream err;
        const history::DrawReplay fromFile =
            throughPipe ? history::DrawReplay() : history::replayOfFile(fd, kLotoShape, {});
        history::CompactDraws kept(6);
        history::DrawIndex index(49);
        history::DrawFileParser parser(kLotoShape, {}, err, [&](std::span<const int> draw, std::size_t line) {
            index.addDraw(draw, line);
            if (throughPipe) kept.add(draw, line);
        });
        EXPECT_EQ(history::readTextLines(fd, [&](std::string_view line) { parser.feedLine(line); }), "");
        parser.finish();
        EXPECT_FALSE(parser.faulty()) << err.str();
        Result result;
        DBFObject table(path, "", true, !replace);
        const std::uint32_t readUpTo = replace ? 0 : index.addTable(table);
        result.plan = index.plan(newestFirst);
        const history::DrawReplay replay = throughPipe ? kept.replay() : fromFile;
        try {
            if (replace) {
                history::replaceWithFresh(table, result.plan, replay, newestFirst);
            } else {
                std::size_t appended = 0;
                result.outcome =
                    history::appendFresh(table, readUpTo, result.plan, replay, newestFirst, true, appended);
            }
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
        return result;
    }

    // A SuperLoto table holding `start`, then `more` appended one by one: what an import must leave.
    std::string appendedOneByOne(const testsupport::Draws& start, const testsupport::Draws& more) {
        const std::string path = m_dir.file("expected.dbf");
        testsupport::writeDrawTable(path, kSuperLoto, start);
        {
            DBFObject table(path, "", true, true);
            for (const auto& draw : more) history::appendDraw(table, draw);
        }
        std::string bytes = readFile(path);
        ::unlink(path.c_str());
        return bytes;
    }
};

// The table holds A, B, C; the file: D, B reordered, D again, E, B, E again.
const testsupport::Draws kTable = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {13, 14, 15, 16, 17, 18}};
const char* const kFile =
    "20,21,22,23,24,25\n"
    "12,11,10,9,8,7\n"
    "25,24,23,22,21,20\n"
    "# a comment line keeps its number\n"
    "30,31,32,33,34,49\n"
    "7,8,9,10,11,12\n"
    "49,34,33,32,31,30\n";

TEST_F(TwoReadings, DuplicatesWithinTheFileAndAgainstTheTableInEitherOrder) {
    struct Case {
        bool newestFirst;
        std::vector<history::Duplicate> duplicates;
        testsupport::Draws appended;
    };
    const std::vector<Case> cases = {
        {false,
         {{2, 2, 2, false}, {3, 0, 1, false}, {6, 2, 2, false}, {7, 0, 5, false}},
         {{20, 21, 22, 23, 24, 25}, {30, 31, 32, 33, 34, 49}}},
        // Upside down the last line goes in first: the earlier draw of a pair is the lower one.
        {true,
         {{6, 2, 6, false}, {5, 0, 7, false}, {2, 2, 6, false}, {1, 0, 3, false}},
         {{49, 34, 33, 32, 31, 30}, {25, 24, 23, 22, 21, 20}}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.newestFirst ? "newest first" : "oldest first");
        const std::string path = m_dir.file("lotobase.dbf");
        testsupport::writeDrawTable(path, kSuperLoto, kTable);
        const Result result = import(path, kFile, each.newestFirst);
        EXPECT_EQ(result.plan.draws, 6u);
        EXPECT_EQ(result.plan.fresh(), 2u);
        EXPECT_EQ(result.plan.duplicates, each.duplicates);
        EXPECT_EQ(result.outcome.appended, 2u);
        EXPECT_TRUE(readFile(path) == appendedOneByOne(kTable, each.appended)) << "the bytes of single appends";
        ::unlink(path.c_str());
    }
}

TEST_F(TwoReadings, NewestFirstReachesBackThroughManyBlocksAndReplacesAlike) {
    // More draws than one block of the scratch file holds, turned over on the way in.
    history::setRecordsPerBatch(7);
    std::string text;
    testsupport::Draws oldestFirst;
    for (int n = 0; n < 60; ++n) {
        const std::vector<int> draw{1 + n % 7,        8 + n / 7 % 7,     15 + n / 49 % 7,
                                    22 + n / 343 % 7, 29 + n / 2401 % 7, 36 + n / 16807 % 7};
        text += std::to_string(draw[0]);
        for (std::size_t i = 1; i < draw.size(); ++i) text += "," + std::to_string(draw[i]);
        text += '\n';
        oldestFirst.insert(oldestFirst.begin(), draw);
    }
    const std::string path = m_dir.file("lotobase.dbf");
    testsupport::writeDrawTable(path, kSuperLoto, kTable);
    EXPECT_EQ(import(path, text, true).outcome.appended, 60u);
    EXPECT_TRUE(readFile(path) == appendedOneByOne(kTable, oldestFirst));

    import(path, text, true, /*replace=*/true);
    const std::string replaced = readFile(path);
    const std::string expected = appendedOneByOne({}, oldestFirst);
    ASSERT_EQ(replaced.size(), expected.size());
    EXPECT_TRUE(replaced.substr(32) == expected.substr(32)) << "the header's date aside, the same table";
}

TEST_F(TwoReadings, ASourceReadOnceKeepsItsDrawsAndImportsAsAFileDoes) {
    for (const bool newestFirst : {false, true}) {
        const std::string fromFile = m_dir.file("file.dbf");
        const std::string fromPipe = m_dir.file("pipe.dbf");
        testsupport::writeDrawTable(fromFile, kSuperLoto, kTable);
        testsupport::writeDrawTable(fromPipe, kSuperLoto, kTable);
        const Result file = import(fromFile, kFile, newestFirst);
        const Result piped = import(fromPipe, kFile, newestFirst, false, /*throughPipe=*/true);
        EXPECT_EQ(piped.plan.duplicates, file.plan.duplicates);
        EXPECT_EQ(piped.outcome.appended, 2u);
        EXPECT_TRUE(readFile(fromPipe) == readFile(fromFile));
        ::unlink(fromFile.c_str());
        ::unlink(fromPipe.c_str());
    }
}

TEST_F(TwoReadings, AnEntryTakesTwoWordsForKenoAndSuperLotoAndThreeForNinetyNineNumbers) {
    EXPECT_EQ(history::DrawIndex(kKeno.numbers).entryBytes(), 16u);
    EXPECT_EQ(history::DrawIndex(kSuperLoto.numbers).entryBytes(), 16u);
    EXPECT_EQ(history::DrawIndex(95).entryBytes(), 16u);
    EXPECT_EQ(history::DrawIndex(96).entryBytes(), 24u);
    // Draws differing in one number only, at the edges of the words; the last is the first again.
    history::DrawIndex index(99);
    const std::vector<std::vector<int>> draws = {{1, 31, 32, 95, 99}, {1, 31, 33, 95, 99}, {1, 31, 32, 95, 98},
                                                 {2, 31, 32, 95, 99}, {1, 31, 32, 96, 99}, {99, 95, 32, 31, 1}};
    for (std::size_t i = 0; i < draws.size(); ++i) index.addDraw(draws[i], i + 1);
    const history::FilePlan plan = index.plan(false);
    EXPECT_EQ(plan.duplicates, (std::vector<history::Duplicate>{{6, 0, 1, false}}));
    EXPECT_EQ(plan.skipped, std::vector<std::uint32_t>{6});
}

TEST_F(TwoReadings, AFileChangedBetweenTheReadingsIsRefusedAndTheTableStays) {
    const std::string path = m_dir.file("lotobase.dbf");
    testsupport::writeDrawTable(path, kSuperLoto, kTable);
    const std::string before = readFile(path);
    const std::string csv = m_dir.file("draws.csv");
    testsupport::writeFile(csv, kFile);
    const int fd = ::open(csv.c_str(), O_RDONLY);
    const history::DrawReplay replay = history::replayOfFile(fd, kLotoShape, {});
    std::ostringstream err;
    history::DrawIndex index(49);
    history::DrawFileParser parser(kLotoShape, {}, err,
                                   [&](std::span<const int> draw, std::size_t line) { index.addDraw(draw, line); });
    history::readTextLines(fd, [&](std::string_view line) { parser.feedLine(line); });
    parser.finish();
    const history::FilePlan plan = index.plan(false);
    testsupport::writeFile(csv, std::string(kFile) + "40,41,42,43,44,45\n");
    {
        DBFObject table(path, "", true, false);
        EXPECT_THROW(history::replaceWithFresh(table, plan, replay, false), Exception);
    }
    ::close(fd);
    EXPECT_TRUE(readFile(path) == before);
}

TEST_F(TwoReadings, ThePlainPathReadsLinesAsTheGeneralOneDoes) {
    // After a first line that settles the header question, each line alone: what it gives.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"3,17,22,31,40,48", "3 17 22 31 40 48"},
        {"03;17;22;31;40;48", "3 17 22 31 40 48"},
        {"3 17 22 31 40 48", "3 17 22 31 40 48"},
        {"3\t17\t22\t31\t40\t48\r", "3 17 22 31 40 48"},
        {"3,17;22,31,40,48", "3 17 22 31 40 48"},
        {"3,17,22,31,40,50", "line 2: 50 is outside 1..49\n"},
        {"3,17,22,31,40,0", "line 2: 0 is outside 1..49\n"},
        {"3,3,22,31,40,48", "line 2: 3 appears twice\n"},
        {"3,17,22,31,40", "line 2: 5 numbers, the table has 6 fields\n"},
        {"3,17,22,31,40,48,49", "line 2: 7 numbers, the table has 6 fields\n"},
        // Without named columns an empty field is no number of the draw.
        {"3,17,,31,40,48", "line 2: 5 numbers, the table has 6 fields\n"},
        {"3,17,22,31,40,48,", "3 17 22 31 40 48"},
    };
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line);
        std::ostringstream err;
        std::string got;
        history::DrawFileParser parser(kLotoShape, {}, err, [&](std::span<const int> draw, std::size_t at) {
            if (at != 2) return;
            for (const int number : draw) got += (got.empty() ? "" : " ") + std::to_string(number);
        });
        parser.feedLine("1,2,3,4,5,6");
        parser.feedLine(line);
        parser.finish();
        EXPECT_EQ(got.empty() ? err.str() : got, expected);
    }

    // Named columns with a draw number beside them, as the companion's csv dump has: the draws and
    // the order they run in.
    std::ostringstream err;
    std::vector<int> firstNumbers;
    history::DrawFileParser dump(kLotoShape, {}, err,
                                 [&](std::span<const int> draw, std::size_t) { firstNumbers.push_back(draw[0]); });
    for (const char* line : {"record,C1,C2,C3,C4,C5,C6", "9,1,2,3,4,5,6", "8,7,8,9,10,11,12", "7,13,14,15,16,17,18"})
        dump.feedLine(line);
    dump.finish();
    EXPECT_EQ(firstNumbers, (std::vector<int>{1, 7, 13}));
    EXPECT_EQ(dump.drawCount(), 3u);
    EXPECT_EQ(dump.order(), history::DrawOrder::kNewestFirst);
    EXPECT_EQ(dump.orderColumn(), "field 1 (draw numbers)");
    EXPECT_EQ(err.str(), "skipped header line 1\n");
}

}  // namespace
