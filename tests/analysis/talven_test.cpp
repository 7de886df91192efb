// The Тальвен method of both games: the predicted draws (last appearance plus its mean period,
// halves to even), the ratings by distance from the draw before the latest and where the two
// games differ, the counts kept by rare numbers, the five-draw limit, a long table, stray field
// values and where the cursor is left.
#include "tests/analysis/analysis_test_util.h"
#include "tests/support/draw_table.h"

namespace {

using namespace analysistest;

const char kHeadingText[] = "Расчет наиболее вероятных номеров по методу А.Тальвена";

TEST(TalvenMethod, RatesSuperLotoPredictionsByDistanceFromTheDrawBeforeTheLatest) {
    const Draws draws = drawsFrom(10, 6,
                                  {
                                      {1, range(1, 10)},   // 10 * 11 / 10 = 11, distance 2: 9
                                      {2, {3, 6}},         // 6 * 3 / 2 = 9, distance 0: 11
                                      {3, {2, 4, 6, 8}},   // 8 * 5 / 4 = 10, distance 1: 10
                                      {4, {1, 4}},         // 4 * 3 / 2 = 6, distance 3: 8
                                      {5, {2, 7}},         // 7 * 3 / 2 = 10.5 -> 10, distance 1: 10
                                      {6, range(1, 6)},    // 6 * 7 / 6 = 7, distance 2: 9
                                      {7, {9, 10}},        // 10 * 3 / 2 = 15, distance 6: 5
                                      {8, {5}},            // once: 1
                                      {10, {1, 2, 3, 4}},  // 4 * 5 / 4 = 5, distance 4: 5
                                  },
                                  range(11, 37));  // each once
    Bench bench(kSuperLoto, draws);
    bench.run(&TalvenMethodAnalysis());

    auto expected =
        perNumber(kSuperLoto, 0, {{1, 9}, {2, 11}, {3, 10}, {4, 8}, {5, 10}, {6, 9}, {7, 5}, {8, 1}, {10, 5}});
    setNumbers(expected, range(11, 37), 1);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(
        samePerNumber(bench.periods,
                      perNumber(kSuperLoto, 0, {{1, 11}, {2, 9}, {3, 10}, {4, 6}, {5, 10}, {6, 7}, {7, 15}, {10, 5}})));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(samePicture(bench.image, boardPicture(kSuperLoto, expected, heading(10, kHeadingText))));
    // The last search, for 10, stopped on draw 4.
    EXPECT_EQ(bench.dataset.RecNo(), 4);

    expectARerunChangesNothing(bench, &TalvenMethodAnalysis(), expected);
}

TEST(TalvenMethod, RatesKenoPredictionsWithoutEightAndCaptionsInEightPoints) {
    const Draws draws = drawsFrom(5, 20,
                                  {
                                      {1, range(1, 5)},  // 5 * 6 / 5 = 6, distance 2: 9
                                      {2, {1, 3}},       // 3 * 3 / 2 = 4.5 -> 4, distance 0: 11
                                      {3, {1, 2}},       // 2 * 3 / 2 = 3, distance 1: 10
                                      {4, {1, 2, 5}},    // 5 * 4 / 3 -> 7, distance 3: 5 (SuperLoto: 8)
                                      {5, {3, 5}},       // 5 * 3 / 2 = 7.5 -> 8, distance 4: 5
                                      {6, {2}},          // once: 1
                                      {8, {2, 3, 4}},    // 4 * 4 / 3 -> 5, distance 1: 10
                                  },
                                  range(9, 80));  // 9..18 in draws 1 and 5 (5 * 3 / 2 -> 8: 5), the others once
    Bench bench(kKeno, draws);
    bench.run(&TalvenMethodAnalysis());

    auto expected = perNumber(kKeno, 0, {{1, 9}, {2, 11}, {3, 10}, {4, 5}, {5, 5}, {6, 1}, {8, 10}});
    setNumbers(expected, range(9, 18), 5);
    setNumbers(expected, range(19, 80), 1);
    auto periods = perNumber(kKeno, 0, {{1, 6}, {2, 4}, {3, 3}, {4, 7}, {5, 8}, {8, 5}});
    setNumbers(periods, range(9, 18), 8);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(samePerNumber(bench.periods, periods));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(samePicture(bench.image, boardPicture(kKeno, expected, heading(8, kHeadingText))));
    EXPECT_EQ(bench.dataset.RecNo(), 5);
}

// The prediction and rating worked out from the draws, in integers: last appearance r of m
// appearances, r * (m + 1) / m rounded half to even, distance from draw n - 1.
void expectedRatings(const Game& game, const Draws& draws, const std::vector<std::int32_t>& close,
                     std::vector<std::int32_t>& values, std::vector<std::int32_t>& periods) {
    values = perNumber(game, 0);
    periods = perNumber(game, 0);
    std::vector<long long> last(static_cast<std::size_t>(game.numbers), 0);
    for (std::size_t r = 0; r < draws.size(); ++r)
        for (int v : draws[r]) {
            ++values[static_cast<std::size_t>(v - 1)];
            last[static_cast<std::size_t>(v - 1)] = static_cast<long long>(r) + 1;
        }
    const long long n = static_cast<long long>(draws.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const long long m = values[i];
        if (m < 2) continue;
        const long long product = last[i] * (m + 1);
        long long p = product / m;
        const long long twice = 2 * (product % m);
        if (twice > m || (twice == m && p % 2 != 0)) ++p;
        periods[i] = static_cast<std::int32_t>(p);
        const long long distance = p > n - 1 ? p - (n - 1) : (n - 1) - p;
        values[i] = distance < static_cast<long long>(close.size()) ? close[static_cast<std::size_t>(distance)] : 5;
    }
}

TEST(TalvenMethod, AnalysesALongTableWithoutALimit) {
    testsupport::TempDir dir;
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        const auto draws = testsupport::makeDrawTable(dir.file("made.dbf"), *game, 500, 11);
        Bench bench(*game, draws);
        bench.run(&TalvenMethodAnalysis());
        std::vector<std::int32_t> values;
        std::vector<std::int32_t> periods;
        expectedRatings(
            *game, draws,
            game == &kSuperLoto ? std::vector<std::int32_t>{11, 10, 9, 8} : std::vector<std::int32_t>{11, 10, 9},
            values, periods);
        EXPECT_TRUE(bench.messages.shown.empty()) << game->name;
        EXPECT_TRUE(samePerNumber(bench.values, values)) << game->name;
        EXPECT_TRUE(samePerNumber(bench.periods, periods)) << game->name;
    }
}

TEST(TalvenMethod, StrayValuesAreSkippedAndRepeatsCountEveryField) {
    // 11 twice in draw 3: 3 * 3 / 2 = 4.5 -> 4, distance 0: 11. 5 in draws 1 and 5: 7.5 -> 8,
    // distance 4: 5.
    Bench loto(kSuperLoto, {{5, 1, 2, 3, 4, kBlank},
                            {99, 6, 7, 8, 9, 10},
                            {11, 11, 12, 13, 14, 15},
                            {16, 17, 18, 19, 20, -1},
                            {5, 21, 22, 23, 0, 99}});
    loto.run(&TalvenMethodAnalysis());
    auto expected = perNumber(kSuperLoto, 0, {{5, 5}, {11, 11}});
    setNumbers(expected, joined({range(1, 4), range(6, 10), range(12, 23)}), 1);
    EXPECT_TRUE(samePerNumber(loto.values, expected));
    EXPECT_TRUE(samePerNumber(loto.periods, perNumber(kSuperLoto, 0, {{5, 8}, {11, 4}})));
    EXPECT_TRUE(samePicture(loto.image, boardPicture(kSuperLoto, expected, heading(10, kHeadingText))));
    EXPECT_EQ(loto.dataset.RecNo(), 3);

    // 1..19 in every draw: 5 * 6 / 5 = 6, distance 2: 9; the twentieth field blank, 99, 20, 0, -1.
    Bench keno(kKeno, kenoDrawsWithStrayValues());
    keno.run(&TalvenMethodAnalysis());
    const auto kenoExpected = firstNineteen(9, {{20, 1}});
    EXPECT_TRUE(samePerNumber(keno.values, kenoExpected));
    EXPECT_TRUE(samePerNumber(keno.periods, firstNineteen(6)));
    EXPECT_TRUE(samePicture(keno.image, boardPicture(kKeno, kenoExpected, heading(8, kHeadingText))));
    EXPECT_EQ(keno.dataset.RecNo(), 5);
}

}  // namespace
