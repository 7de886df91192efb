// What every analysis command shares, for both games: too few visible draws are refused with one
// plain message, the picture and the periods left alone; a failure of the dataset while a command walks the table ends
// the command with that failure, before the board is painted.
#include <string>
#include <tuple>

#include "tests/analysis/analysis_test_util.h"
#include "toolkit/database_error.h"

namespace {

using namespace analysistest;

struct Refusal {
    const char* name;
    Command command;
    const char* tooFew;  // the message of fewer than five visible draws
    bool clearsValues;   // the board values are set to 0 before the refusal, or left as they were
};

const Refusal kRefusals[] = {
    {"FrequencyHistogram", FrequencyHistogram, kHistogramTooFew, true},
    {"TalvenMethod", TalvenMethod, kTooFew, true},
    {"AverageWaitingPeriod", AverageWaitingPeriod, kTooFew, false},
};

class SharedRefusals : public ::testing::TestWithParam<std::tuple<Refusal, const Game*>> {
protected:
    const Refusal& refusal() const { return std::get<0>(GetParam()); }
    const Game& game() const { return *std::get<1>(GetParam()); }

    // Runs the command on the draws and checks the refusal with `message`.
    void expectRefused(const Draws& draws, const std::vector<int>& deleted, const char* message) {
        Bench bench(game(), draws, deleted);
        bench.run(refusal().command);
        EXPECT_TRUE(bench.showedOnly(message)) << draws.size();
        EXPECT_TRUE(samePicture(bench.image, blankPicture())) << draws.size();
        EXPECT_TRUE(samePerNumber(bench.values, perNumber(game(), refusal().clearsValues ? 0 : kSentinel)));
        EXPECT_TRUE(samePerNumber(bench.periods, perNumber(game(), kSentinel)));
    }
};

TEST_P(SharedRefusals, FewerThanFiveVisibleDrawsAreRefused) {
    testsupport::TempDir dir;
    const auto made = testsupport::makeDrawTable(dir.file("made.dbf"), game(), 5, 7);
    const Draws five(5, range(1, game().fieldsPerDraw));
    expectRefused({}, {}, refusal().tooFew);
    expectRefused(Draws(4, five.front()), {}, refusal().tooFew);
    expectRefused(five, {5}, refusal().tooFew);
    expectRefused(made, {3}, refusal().tooFew);
}

std::string refusalName(const ::testing::TestParamInfo<std::tuple<Refusal, const Game*>>& info) {
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param)->name;
}

INSTANTIATE_TEST_SUITE_P(EveryRefusingAnalysis, SharedRefusals,
                         ::testing::Combine(::testing::ValuesIn(kRefusals), ::testing::Values(&kSuperLoto, &kKeno)),
                         refusalName);

class DatasetFailures : public ::testing::TestWithParam<std::tuple<Command, const Game*>> {};

TEST_P(DatasetFailures, ADatasetFailureWhileWalkingLeavesThePictureAlone) {
    const auto [command, game] = GetParam();
    // One number field short of a draw: reading the last one fails.
    const int fields = game->fieldsPerDraw - 1;
    Bench bench(*game, Draws(6, range(1, fields)), {}, fields);
    EXPECT_THROW(bench.run(command), EDatabaseError);
    EXPECT_TRUE(samePicture(bench.image, blankPicture()));
    EXPECT_TRUE(bench.messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryAnalysis, DatasetFailures,
                         ::testing::Combine(::testing::Values(FrequencyHistogram, SuccessionProbability,
                                                              AverageWaitingPeriod, TalvenMethod),
                                            ::testing::Values(&kSuperLoto, &kKeno)));

}  // namespace
