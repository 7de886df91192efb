// The draw history's own parts: draw keys, the parser's encodings and order, batches appended
// byte for byte as single appends would leave them and all or nothing, and a table's draws
// replaced with a fault at every step leaving the old table whole.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "dbf/table_handler.h"
#include "history/draw_tables.h"
#include "history/import.h"
#include "platform/fault_injection.h"
#include "platform/local_time.h"
#include "tests/support/draw_table.h"
#include "tests/support/engine_fixture.h"

namespace {

using testsupport::readFile;

// Draw n of Keno: the numbers 1..80 shuffled from seed n, the first twenty of them.
std::vector<int> kenoDraw(std::uint32_t n) {
    std::vector<int> all(80);
    std::iota(all.begin(), all.end(), 1);
    std::mt19937 random(n);
    std::shuffle(all.begin(), all.end(), random);
    return std::vector<int>(all.begin(), all.begin() + 20);
}

class History : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // One clock for every header write, so that two tables written alike are alike byte for byte.
        platform::overrideLocalTime([] { return platform::LocalTime{2026, 12, 5, 10, 20, 30, 400}; });
    }
    void TearDown() override {
        history::setRecordsPerBatch(0);
        EngineTest::TearDown();
    }

    static std::vector<history::Draw> drawsOf(const testsupport::Draws& numbers) {
        std::vector<history::Draw> draws;
        for (std::size_t i = 0; i < numbers.size(); ++i) draws.push_back({numbers[i], i + 1});
        return draws;
    }
    // The draws as an import's two readings have them: the plan of the first against `table`
    // (none: the table's draws are replaced), and the second handing them over again.
    struct Reading {
        history::FilePlan plan;
        std::uint32_t readUpTo = 0;
        history::DrawReplay replay;
    };
    static Reading readingOf(const std::vector<history::Draw>& draws, int highest, DBFObject* table) {
        history::DrawIndex index(highest);
        for (const auto& draw : draws) index.addDraw(draw.numbers, draw.line);
        Reading reading;
        if (table) reading.readUpTo = index.addTable(*table);
        reading.plan = index.plan(false);
        reading.replay = [&draws](const history::DrawFileParser::DrawVisitor& visit) {
            for (const auto& draw : draws) visit(draw.numbers, draw.line);
            return std::string();
        };
        return reading;
    }
    static std::size_t appendAll(DBFObject& table, const std::vector<history::Draw>& draws, bool skipDuplicates,
                                 std::size_t& appended) {
        const Reading reading = readingOf(draws, kKeno.numbers, &table);
        history::appendFresh(table, reading.readUpTo, reading.plan, reading.replay, false, skipDuplicates, appended);
        return appended;
    }

    // Appends through the history's batches; gives how many went in.
    std::size_t importInto(const std::string& path, const std::vector<history::Draw>& draws) {
        DBFObject table(path, "", true, true);
        std::size_t appended = 0;
        return appendAll(table, draws, true, appended);
    }

    std::vector<std::string> filesInFolder() const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(m_dir.path().c_str());
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
        return names;
    }
};

TEST_F(History, DrawKeysFindASetOfNumbersByItsFirstPlace) {
    history::DrawKeys keys(kKeno.numbers);
    for (std::uint32_t n = 1; n <= 5000; ++n) EXPECT_EQ(keys.add(kenoDraw(n), n), n);
    EXPECT_EQ(keys.size(), 5000u);
    std::vector<int> draw = kenoDraw(77);
    std::reverse(draw.begin(), draw.end());
    EXPECT_EQ(keys.find(draw), 77u) << "the same set in another order";
    EXPECT_EQ(keys.add(draw, 9999), 77u) << "the first place stays";
    for (int& number : draw) number = number % 80 + 1;
    EXPECT_EQ(keys.find(draw), 0u);
    history::DrawKeys loto(kSuperLoto.numbers);
    loto.add(std::vector<int>{1, 2, 3, 4, 5, 49}, 3);
    EXPECT_EQ(loto.find(std::vector<int>{49, 5, 4, 3, 2, 1}), 3u);
    EXPECT_EQ(loto.find(std::vector<int>{1, 2, 3, 4, 5, 48}), 0u);
}

TEST_F(History, TheParserTellsTheEncodingAndTheOrder) {
    std::ostringstream err;
    history::DrawShape shape{{"C1", "C2", "C3", "C4", "C5", "C6"}, 49};
    std::vector<std::size_t> lines;
    history::DrawFileParser windows(shape, {}, err,
                                    [&](std::span<const int>, std::size_t line) { lines.push_back(line); });
    windows.feedLine("\xD2\xE8\xF0\xE0\xE6;\xC4\xE0\xF2\xE0;N");  // "Тираж;Дата;N" in Windows-1251
    windows.feedLine("20;2026-12-05;3 17 22 31 40 48");
    windows.feedLine("19;2026-12-01;4 18 23 32 41 49");
    windows.finish();
    EXPECT_TRUE(windows.sawWindows1251());
    EXPECT_EQ(windows.order(), history::DrawOrder::kNewestFirst);
    EXPECT_EQ(windows.orderColumn(), "field 1 (draw numbers)");
    // Newest first, the last line read is the first draw to go in.
    ASSERT_EQ(windows.drawCount(), 2u);
    EXPECT_EQ(lines, (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(err.str(), "skipped header line 1\n");

    history::DrawFileParser mixed(shape, {}, err, [](std::span<const int>, std::size_t) {});
    for (const char* line : {"05.12.2026;3 17 22 31 40 48", "01.12.2026;4 18 23 32 41 49", "09.12.2026;5 6 7 8 9 10"})
        mixed.feedLine(line);
    mixed.finish();
    EXPECT_EQ(mixed.order(), history::DrawOrder::kUnknown) << "neither up nor down";
}

TEST_F(History, BatchesLeaveTheBytesOfOneAppendAfterAnother) {
    const std::string single = m_dir.file("single.dbf");
    const std::string batched = m_dir.file("batched.dbf");
    const std::string several = m_dir.file("several.dbf");
    const testsupport::Draws start = testsupport::makeDrawTable(single, kKeno, 3, 5);
    testsupport::writeDrawTable(batched, kKeno, start);
    testsupport::writeDrawTable(several, kKeno, start);
    testsupport::Draws more;
    for (std::uint32_t n = 100; n < 107; ++n) more.push_back(kenoDraw(n));
    {
        DBFObject table(single, "", true, true);
        for (const auto& draw : more) history::appendDraw(table, draw);
    }
    const auto draws = drawsOf(more);
    EXPECT_EQ(importInto(batched, draws), 7u);
    history::setRecordsPerBatch(3);
    EXPECT_EQ(importInto(several, draws), 7u);
    EXPECT_TRUE(readFile(batched) == readFile(single));
    EXPECT_TRUE(readFile(several) == readFile(single));
}

TEST_F(History, ABatchIsWrittenWholeOrNotAtAll) {
    const std::string path = m_dir.file("kenobase.dbf");
    testsupport::makeDrawTable(path, kKeno, 2, 9);
    const std::string before = readFile(path);
    testsupport::Draws more;
    for (std::uint32_t n = 200; n < 205; ++n) more.push_back(kenoDraw(n));
    const auto draws = drawsOf(more);
    {
        // The batch's one write fails: nothing of it stays.
        const platform::FaultGuard full({platform::Call::Write, 0, -1, 112, 0});
        DBFObject table(path, "", true, true);
        std::size_t appended = 9;
        testsupport::expectXbaseError([&] { appendAll(table, draws, false, appended); });
        EXPECT_EQ(appended, 0u);
    }
    EXPECT_TRUE(readFile(path) == before);

    // Batches of two: the second batch's record write fails (the third write); the first stands.
    history::setRecordsPerBatch(2);
    {
        const platform::FaultGuard full({platform::Call::Write, 2, -1, 112, 0});
        DBFObject table(path, "", true, true);
        std::size_t appended = 0;
        testsupport::expectXbaseError([&] { appendAll(table, draws, false, appended); });
        EXPECT_EQ(appended, 2u);
    }
    DBFObject table(path, "", false, true);
    EXPECT_EQ(table.recordCount(), 4u);
    EXPECT_EQ(testsupport::fileSizeOf(path), before.size() + 2u * table.recordLength());
}

TEST_F(History, AReplacementFailingAtAnyStepLeavesTheTableWhole) {
    const std::string path = m_dir.file("lotobase.dbf");
    testsupport::makeDrawTable(path, kSuperLoto, 4, 3);
    const std::string before = readFile(path);
    const auto draws = drawsOf({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    const std::string expected = [&] {
        const std::string other = m_dir.file("expected.dbf");
        testsupport::writeDrawTable(other, kSuperLoto, {});
        DBFObject table(other, "", true, true);
        for (const auto& draw : draws) history::appendDraw(table, draw.numbers);
        table.close();
        std::string bytes = readFile(other);
        ::unlink(other.c_str());
        return bytes;
    }();
    int failures = 0;
    for (const platform::Call call : {platform::Call::Open, platform::Call::Write, platform::Call::Flush,
                                      platform::Call::Permissions, platform::Call::Move}) {
        for (int skip = 0; skip < 4; ++skip) {
            SCOPED_TRACE(std::to_string(static_cast<int>(call)) + " after " + std::to_string(skip));
            bool failed = false;
            {
                DBFObject table(path, "", true, false);
                const platform::FaultGuard fault({call, skip, 1, 5, 0});
                try {
                    const Reading reading = readingOf(draws, kSuperLoto.numbers, nullptr);
                    history::replaceWithFresh(table, reading.plan, reading.replay, false);
                } catch (const Exception&) {
                    failed = true;
                }
            }
            const std::string after = readFile(path);
            if (failed) {
                ++failures;
                EXPECT_TRUE(after == before) << "a failed replacement leaves the old table";
            } else {
                // The header's length and field bytes match; the records are the new draws.
                EXPECT_EQ(after.size(), expected.size());
                EXPECT_EQ(after.substr(32), expected.substr(32));
                testsupport::writeFile(path, before);
            }
            EXPECT_EQ(filesInFolder(), std::vector<std::string>{"lotobase.dbf"}) << "no file left beside it";
        }
    }
    EXPECT_GE(failures, 5) << "every kind of call failed at least once";
}

}  // namespace
