// What every analysis command shares, for both games: too few visible draws are refused with one
// plain message, the picture and the periods left alone; a failure of the dataset while a command walks the table ends
// the command with that failure, before the board is painted.
#include <cstddef>
#include <string>
#include <tuple>

#include "tests/analysis/analysis_test_util.h"
#include "toolkit/database_error.h"

namespace {

using namespace analysistest;

// Every analysis of the registry, by its index, on both games.
using AnalysisOnGame = std::tuple<std::size_t, const Game*>;

auto EveryAnalysisOnBothGames() {
    return ::testing::Combine(::testing::Range<std::size_t>(0, Analyses().size()),
                              ::testing::Values(&kSuperLoto, &kKeno));
}

std::string analysisOnGameName(const ::testing::TestParamInfo<AnalysisOnGame>& info) {
    return std::string(Analyses()[std::get<0>(info.param)].cliName) + "_" + std::get<1>(info.param)->name;
}

class SharedRefusals : public ::testing::TestWithParam<AnalysisOnGame> {
protected:
    const Analysis& analysis() const { return Analyses()[std::get<0>(GetParam())]; }
    const Game& game() const { return *std::get<1>(GetParam()); }

    // Runs the command on the draws and checks the refusal the analysis gives a short history.
    void expectRefused(const Draws& draws, const std::vector<int>& deleted, const AnalysisResult& refused) {
        Bench bench(game(), draws, deleted);
        bench.run(&analysis());
        EXPECT_TRUE(bench.showedOnly(refused.refusal)) << draws.size();
        EXPECT_TRUE(samePicture(bench.image, blankPicture())) << draws.size();
        EXPECT_TRUE(samePerNumber(bench.values, perNumber(game(), refused.refusalClearsValues ? 0 : kSentinel)));
        EXPECT_TRUE(samePerNumber(bench.periods, perNumber(game(), kSentinel)));
    }
};

// An analysis that refuses a short history refuses it for fewer than five visible draws, however
// few, with one of the two texts for it, deleted draws not counted.
TEST_P(SharedRefusals, FewerThanFiveVisibleDrawsAreRefused) {
    const AnalysisResult empty = Analyse(analysis(), game(), {});
    if (!empty.refusal) GTEST_SKIP() << "paints a board however short the history";
    EXPECT_TRUE(std::string(empty.refusal) == analysistest::kHistogramTooFew ||
                std::string(empty.refusal) == analysistest::kTooFew)
        << empty.refusal;
    testsupport::TempDir dir;
    const auto made = testsupport::makeDrawTable(dir.file("made.dbf"), game(), 5, 7);
    const Draws five(5, range(1, game().fieldsPerDraw));
    expectRefused({}, {}, empty);
    expectRefused(Draws(4, five.front()), {}, empty);
    expectRefused(five, {5}, empty);
    expectRefused(made, {3}, empty);
}

INSTANTIATE_TEST_SUITE_P(EveryAnalysis, SharedRefusals, EveryAnalysisOnBothGames(), analysisOnGameName);

class DatasetFailures : public ::testing::TestWithParam<AnalysisOnGame> {};

TEST_P(DatasetFailures, ADatasetFailureWhileWalkingLeavesThePictureAlone) {
    const auto [index, game] = GetParam();
    const Command command = &Analyses()[index];
    // One number field short of a draw: reading the last one fails.
    const int fields = game->fieldsPerDraw - 1;
    Bench bench(*game, Draws(6, range(1, fields)), {}, fields);
    EXPECT_THROW(bench.run(command), EDatabaseError);
    EXPECT_TRUE(samePicture(bench.image, blankPicture()));
    EXPECT_TRUE(bench.messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryAnalysis, DatasetFailures, EveryAnalysisOnBothGames(), analysisOnGameName);

}  // namespace
