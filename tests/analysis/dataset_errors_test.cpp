// A failure of the dataset while a command walks the table ends the command with that failure,
// before the board is painted: the picture keeps what it showed.
#include "tests/analysis/analysis_test_util.h"

#include "toolkit/database_error.h"

namespace {

using namespace analysistest;

TEST(AnalysisCommands, ADatasetFailureWhileWalkingLeavesThePictureAlone)
{
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        // One number field short of a draw: reading the last one fails.
        const int fields = game->fieldsPerDraw - 1;
        const Draws draws(6, range(1, fields));
        for (Command command : {FrequencyHistogram, SuccessionProbability, AverageWaitingPeriod, TalvenMethod}) {
            Bench bench(*game, draws, {}, fields);
            EXPECT_THROW(bench.run(command), EDatabaseError) << game->name;
            EXPECT_TRUE(samePicture(bench.image, blankPicture())) << game->name;
            EXPECT_TRUE(bench.messages.shown.empty()) << game->name;
        }
    }
}

}  // namespace
