// The frequency histogram of both games: counts of every number over every visible draw, the
// record-count caption, the five-draw limit, and numbers that have no place on the board.
#include "tests/analysis/analysis_test_util.h"
#include "tests/support/draw_table.h"

namespace {

using namespace analysistest;

std::function<void(TCanvas&)> countCaption(int count) {
    return [count](TCanvas& canvas) { canvas.TextOut(20, 30, "В обработке: " + std::to_string(count) + " записей"); };
}

TEST(FrequencyHistogram, CountsEverySuperLotoNumberAndCaptionsTheRecordCount) {
    Bench bench(kSuperLoto, {{1, 2, 3, 4, 5, 6},
                             {1, 2, 3, 7, 8, 9},
                             {1, 2, 10, 11, 12, 13},
                             {1, 14, 15, 16, 17, 49},
                             {1, 2, 3, 4, 48, 49}});
    bench.run(&FrequencyHistogramAnalysis());

    auto expected = perNumber(kSuperLoto, 0, {{1, 5}, {2, 4}, {3, 3}, {4, 2}, {48, 1}, {49, 2}});
    setNumbers(expected, range(5, 17), 1);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(samePerNumber(bench.periods, perNumber(kSuperLoto, kSentinel)));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(samePicture(bench.image, boardPicture(kSuperLoto, expected, countCaption(5))));

    // Nothing carries over from one run to the next.
    expectARerunChangesNothing(bench, &FrequencyHistogramAnalysis(), expected);
}

TEST(FrequencyHistogram, CountsEveryKenoNumberAndCaptionsTheRecordCount) {
    Bench bench(kKeno,
                {range(1, 20), range(11, 30), range(21, 40), range(61, 80), joined({range(1, 10), range(71, 80)})});
    bench.run(&FrequencyHistogramAnalysis());

    auto expected = perNumber(kKeno, 0);
    setNumbers(expected, range(1, 30), 2);
    setNumbers(expected, range(31, 40), 1);
    setNumbers(expected, range(61, 70), 1);
    setNumbers(expected, range(71, 80), 2);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(samePicture(bench.image, boardPicture(kKeno, expected, countCaption(5))));
}

TEST(FrequencyHistogram, CountsALongTableDrawByDraw) {
    testsupport::TempDir dir;
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        const auto draws =
            testsupport::makeDrawTable(dir.file("made.dbf"), *game, 150, static_cast<std::uint32_t>(game->numbers));
        Bench bench(*game, draws);
        bench.run(&FrequencyHistogramAnalysis());
        auto expected = perNumber(*game, 0);
        for (const auto& draw : draws)
            for (int v : draw) ++expected[static_cast<std::size_t>(v - 1)];
        EXPECT_TRUE(samePerNumber(bench.values, expected)) << game->name;
        EXPECT_TRUE(samePicture(bench.image, boardPicture(*game, expected, countCaption(150)))) << game->name;
    }
}

TEST(FrequencyHistogram, DeletedDrawsAreNeitherCountedNorTallied) {
    // Five visible draws and a deleted one among them: analysed, the deleted draw left out.
    Bench five(kSuperLoto,
               {{1, 2, 3, 4, 5, 6},
                {40, 41, 42, 43, 44, 45},
                {1, 2, 3, 4, 5, 6},
                {1, 2, 3, 4, 5, 6},
                {1, 2, 3, 4, 5, 6},
                {1, 2, 3, 4, 5, 6}},
               {2});
    five.run(&FrequencyHistogramAnalysis());
    auto expected = perNumber(kSuperLoto, 0);
    setNumbers(expected, range(1, 6), 5);
    EXPECT_TRUE(samePerNumber(five.values, expected));
    EXPECT_TRUE(samePicture(five.image, boardPicture(kSuperLoto, expected, countCaption(5))));

    // Four visible draws of six records: too few.
    Bench four(kKeno, {range(1, 20), range(1, 20), range(1, 20), range(1, 20), range(1, 20), range(1, 20)}, {1, 6});
    four.run(&FrequencyHistogramAnalysis());
    EXPECT_TRUE(four.showedOnly(analysistest::kHistogramTooFew));
    EXPECT_TRUE(samePicture(four.image, blankPicture()));
}

TEST(FrequencyHistogram, BlankAndOutOfRangeFieldsAreSkippedAndRepeatsCountTwice) {
    Bench loto(kSuperLoto, {{1, 2, 3, 4, 5, kBlank},
                            {0, 99, 7, 7, 8, 9},
                            {1, 2, 3, 4, 5, 6},
                            {-1, 49, 10, 11, 12, 13},
                            {1, 49, 49, 14, 15, 16}});
    loto.run(&FrequencyHistogramAnalysis());
    auto expected = perNumber(kSuperLoto, 0, {{1, 3}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {7, 2}, {49, 3}});
    setNumbers(expected, {6, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 1);
    EXPECT_TRUE(samePerNumber(loto.values, expected));
    EXPECT_TRUE(loto.messages.shown.empty());
    EXPECT_TRUE(samePicture(loto.image, boardPicture(kSuperLoto, expected, countCaption(5))));

    auto withStrays = Draws(5, range(1, 20));
    withStrays[0][19] = kBlank;
    withStrays[1][0] = 99;
    withStrays[2][5] = 81;
    withStrays[3][7] = 0;
    Bench keno(kKeno, withStrays);
    keno.run(&FrequencyHistogramAnalysis());
    auto kenoExpected = perNumber(kKeno, 0);
    setNumbers(kenoExpected, range(1, 20), 5);
    kenoExpected[19] = 4;
    kenoExpected[0] = 4;
    kenoExpected[5] = 4;
    kenoExpected[7] = 4;
    EXPECT_TRUE(samePerNumber(keno.values, kenoExpected));
    EXPECT_TRUE(samePicture(keno.image, boardPicture(kKeno, kenoExpected, countCaption(5))));
}

}  // namespace
