// The average waiting period of both games: the periods (gaps over appearances, halves to even),
// the ratings against the waiting length, the counts kept by rare numbers, the limits of 5 and
// 200 draws and what a refusal leaves alone, and stray field values.
#include "tests/analysis/analysis_test_util.h"
#include "tests/support/draw_table.h"

namespace {

using namespace analysistest;

const auto kHeading = heading(10, "Расчет среднего периода ожидания");

TEST(AverageWaitingPeriod, RatesSuperLotoNumbersByPeriodAgainstWaitingLength) {
    const Draws draws = drawsFrom(12, 6,
                                  {
                                      {1, range(1, 12)},   // period 11/12 -> 1, waiting 1: 11
                                      {2, {2, 6, 10}},     // 8/3 -> 3, waiting 3: 11
                                      {3, {1, 4, 7, 11}},  // 10/4 = 2.5 -> 2, waiting 2: 11
                                      {4, {1, 5, 9}},      // 8/3 -> 3, waiting 4: 10
                                      {5, {3, 6, 9}},      // 6/3 = 2, waiting 4: 9
                                      {6, {1, 2, 3}},      // 2/3 -> 1, waiting 10: 5
                                      {7, {1, 5, 8}},      // 7/3 -> 2, waiting 5: 5
                                      {8, {4, 12}},        // twice: 2
                                      {9, {7}},            // once: 1
                                  },
                                  range(11, 48));  // each once
    Bench bench(kSuperLoto, draws);
    bench.run(&AverageWaitingPeriodAnalysis());

    auto expected =
        perNumber(kSuperLoto, 0, {{1, 11}, {2, 11}, {3, 11}, {4, 10}, {5, 9}, {6, 5}, {7, 5}, {8, 2}, {9, 1}});
    setNumbers(expected, range(11, 48), 1);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(samePerNumber(bench.periods,
                              perNumber(kSuperLoto, 0, {{1, 1}, {2, 3}, {3, 2}, {4, 3}, {5, 2}, {6, 1}, {7, 2}})));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(samePicture(bench.image, boardPicture(kSuperLoto, expected, kHeading)));
    // The walk leaves the cursor past the latest draw.
    EXPECT_TRUE(bench.dataset.Eof());
    EXPECT_EQ(bench.dataset.RecNo(), 12);

    expectARerunChangesNothing(bench, &AverageWaitingPeriodAnalysis(), expected);
}

TEST(AverageWaitingPeriod, RatesKenoNumbersByPeriodAgainstWaitingLength) {
    const Draws draws = drawsFrom(6, 20,
                                  {
                                      {1, range(1, 6)},    // 5/6 -> 1, waiting 1: 11
                                      {2, {1, 3, 5}},      // 4/3 -> 1, waiting 2: 10
                                      {3, {1, 2, 3}},      // 2/3 -> 1, waiting 4: 5
                                      {4, {2, 4}},         // twice: 2
                                      {5, {3}},            // once: 1
                                      {7, {1, 2, 4}},      // 3/3 = 1, waiting 3: 9
                                      {8, {1, 3, 6}},      // 5/3 -> 2, waiting 1: 10
                                      {9, {2, 4, 6}},      // 4/3 -> 1, waiting 1: 11
                                      {10, {1, 2, 3, 4}},  // 3/4 -> 1, waiting 3: 9
                                      {11, {1, 4}},        // twice: 2
                                  },
                                  range(12, 80));  // 12..32 twice, the others once
    Bench bench(kKeno, draws);
    bench.run(&AverageWaitingPeriodAnalysis());

    auto expected =
        perNumber(kKeno, 0, {{1, 11}, {2, 10}, {3, 5}, {4, 2}, {5, 1}, {7, 9}, {8, 10}, {9, 11}, {10, 9}, {11, 2}});
    setNumbers(expected, range(12, 32), 2);
    setNumbers(expected, range(33, 80), 1);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(
        samePerNumber(bench.periods, perNumber(kKeno, 0, {{1, 1}, {2, 1}, {3, 1}, {7, 1}, {8, 2}, {9, 1}, {10, 1}})));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(samePicture(bench.image, boardPicture(kKeno, expected, kHeading)));
    EXPECT_TRUE(bench.dataset.Eof());
    EXPECT_EQ(bench.dataset.RecNo(), 6);
}

// Fewer than five visible draws are refused as by every analysis (shared_refusals_test.cpp).
TEST(AverageWaitingPeriod, RefusesMoreThanTwoHundredDrawsTouchingNothing) {
    testsupport::TempDir dir;
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        const auto many = testsupport::makeDrawTable(dir.file("made.dbf"), *game, 201, 7);
        {
            Bench bench(*game, many);
            bench.run(&AverageWaitingPeriodAnalysis());
            EXPECT_TRUE(bench.showedOnly(analysistest::kTooMany)) << game->name;
            EXPECT_TRUE(samePicture(bench.image, blankPicture())) << game->name;
            EXPECT_TRUE(samePerNumber(bench.values, perNumber(*game, kSentinel))) << game->name;
            EXPECT_TRUE(samePerNumber(bench.periods, perNumber(*game, kSentinel))) << game->name;
        }

        // 200 visible draws (one of the 201 deleted) and 5 draws are analysed.
        for (const auto& [draws, deleted] : {std::pair{many, std::vector<int>{100}},
                                             std::pair{Draws(many.begin(), many.begin() + 5), std::vector<int>{}}}) {
            Bench bench(*game, draws, deleted);
            bench.run(&AverageWaitingPeriodAnalysis());
            EXPECT_TRUE(bench.messages.shown.empty()) << game->name << " " << draws.size();
            EXPECT_FALSE(samePicture(bench.image, blankPicture())) << game->name << " " << draws.size();
            EXPECT_FALSE(samePerNumber(bench.periods, perNumber(*game, kSentinel))) << game->name;
        }
    }
}

TEST(AverageWaitingPeriod, StrayValuesAreSkippedAndRepeatsNeverSearchPastTheLatestDraw) {
    // 7 stands once in draw 1 and twice in draw 5: three appearances, one gap of 4, period 4/3 -> 1,
    // waiting 1: 11. 12 stands three times in draw 3 alone: no gap, period 0, painted with its count.
    Bench loto(kSuperLoto, {{7, 1, 2, 3, 4, 5},
                            {kBlank, 99, 8, 9, 10, 11},
                            {12, 12, 12, 13, 14, 15},
                            {16, 17, 18, 19, 20, -1},
                            {7, 7, 22, 23, 0, 99}});
    loto.run(&AverageWaitingPeriodAnalysis());
    auto expected = perNumber(kSuperLoto, 0, {{7, 11}, {12, 3}});
    setNumbers(expected, joined({range(1, 5), range(8, 11), range(13, 20), {22, 23}}), 1);
    EXPECT_TRUE(samePerNumber(loto.values, expected));
    EXPECT_TRUE(samePerNumber(loto.periods, perNumber(kSuperLoto, 0, {{7, 1}})));
    EXPECT_TRUE(loto.messages.shown.empty());
    EXPECT_TRUE(samePicture(loto.image, boardPicture(kSuperLoto, expected, kHeading)));

    // 1..19 in every draw (period 4/5 -> 1, waiting 1: 11); the twentieth field blank, 99, 20, 0, -1.
    Bench keno(kKeno, kenoDrawsWithStrayValues());
    keno.run(&AverageWaitingPeriodAnalysis());
    const auto kenoExpected = firstNineteen(11, {{20, 1}});
    EXPECT_TRUE(samePerNumber(keno.values, kenoExpected));
    EXPECT_TRUE(samePerNumber(keno.periods, firstNineteen(1)));
    EXPECT_TRUE(samePicture(keno.image, boardPicture(kKeno, kenoExpected, kHeading)));
}

}  // namespace
