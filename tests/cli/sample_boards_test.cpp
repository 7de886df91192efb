// The first run's boards: on the committed sample tables (which scripts/run.sh makes the same)
// every analysis of both games draws its board, none refuses, and at most one bar in ten is cut
// at the top of the board (a value above 26), as `sharometr-cli analyze --values` reports them.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli_test_helpers.h"

namespace {

using cli_test::runCli;
using testsupport::readFile;
using testsupport::TempDir;

const std::string kSamples = SHAROMETR_SAMPLES_DIR;
constexpr int kTopOfTheBoard = 26;

std::uint32_t recordCount(const std::string& table) {
    const std::string bytes = readFile(table);
    EXPECT_GE(bytes.size(), 8u) << table;
    if (bytes.size() < 8) return 0;
    std::uint32_t count = 0;
    for (int i = 7; i >= 4; --i) count = count * 256 + static_cast<unsigned char>(bytes[i]);
    return count;
}

TEST(SampleBoards, EveryAnalysisOfTheSampleTablesDrawsAReadableBoard) {
    // The tables are copied: the analyses open them shared, and the samples stay untouched.
    TempDir dir;
    for (const char* table : {"lotobase.dbf", "kenobase.dbf"})
        std::filesystem::copy_file(kSamples + "/" + table, dir.file(table));

    for (const auto& [game, numbers] : {std::pair{"loto", 49}, std::pair{"keno", 80}}) {
        for (const char* analysis : {"histogram", "succession", "waiting", "talven"}) {
            const auto result = runCli({"analyze", game, analysis, "--dir", dir.path(), "--values"});
            ASSERT_EQ(result.status, cli::kExitOk) << game << ' ' << analysis << " refuses: " << result.err;
            std::istringstream lines(result.out);
            int number = 0;
            int value = 0;
            int bars = 0;
            int cut = 0;
            int drawn = 0;
            while (lines >> number >> value) {
                ++bars;
                if (value > kTopOfTheBoard) ++cut;
                if (value > 0) ++drawn;
            }
            EXPECT_EQ(bars, numbers) << game << ' ' << analysis;
            EXPECT_LE(cut * 10, bars) << game << ' ' << analysis << ": " << cut << " bars cut at the top";
            EXPECT_GE(drawn * 2, bars) << game << ' ' << analysis << ": a board of mostly empty places";
        }
    }
}

TEST(SampleBoards, TheRunCommandMakesTablesOfTheSampleSizes) {
    std::ifstream in(std::string(SHAROMETR_SOURCE_DIR) + "/scripts/run.sh");
    ASSERT_TRUE(in) << "scripts/run.sh";
    const std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch sizes;
    ASSERT_TRUE(std::regex_search(script, sizes, std::regex(R"(\[loto\]=(\d+) \[keno\]=(\d+))")));
    EXPECT_EQ(std::stoul(sizes[1].str()), recordCount(kSamples + "/lotobase.dbf"));
    EXPECT_EQ(std::stoul(sizes[2].str()), recordCount(kSamples + "/kenobase.dbf"));
    EXPECT_GE(recordCount(kSamples + "/lotobase.dbf"), 5u);
    EXPECT_LE(recordCount(kSamples + "/kenobase.dbf"), 200u) << "the waiting period takes at most 200 draws";
}

}  // namespace
