// The walk forward on histories whose answer is known: a rigged history, picks worked out by
// hand, a uniform history for the random baseline, ties, and the reckoning against chance.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <numeric>
#include <random>
#include <vector>

#include "backtest/backtest.h"

namespace {

using Rows = std::vector<std::vector<int>>;

std::vector<std::uint8_t> cellsOf(const Game& game, const Rows& rows) {
    std::vector<std::uint8_t> cells;
    for (const auto& row : rows)
        for (int value : row) cells.push_back(DrawCell(game, value));
    return cells;
}

Rows uniformDraws(const Game& game, int count, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<int> numbers(static_cast<std::size_t>(game.numbers));
    std::iota(numbers.begin(), numbers.end(), 1);
    Rows rows;
    for (int d = 0; d < count; ++d) {
        std::shuffle(numbers.begin(), numbers.end(), generator);
        rows.emplace_back(numbers.begin(), numbers.begin() + game.fieldsPerDraw);
    }
    return rows;
}

// The picks of every tested draw.
std::map<int, std::vector<int>> picksOf(const BacktestMethod& method, const Game& game, const Rows& rows,
                                        BacktestOptions options) {
    std::map<int, std::vector<int>> picks;
    options.observer = [&](int draw, std::span<const int> chosen, int) {
        picks[draw].assign(chosen.begin(), chosen.end());
    };
    RunBacktest(method, game, cellsOf(game, rows), options);
    return picks;
}

const BacktestMethod& method(const char* name) { return *BacktestMethodNamed(name); }

TEST(BacktestWalk, SixNumbersDrawnEveryTimeAreAllHitByHot) {
    const Rows rows(200, std::vector<int>{7, 13, 21, 30, 41, 49});
    const BacktestResult result = RunBacktest(method("hot"), kSuperLoto, cellsOf(kSuperLoto, rows));
    EXPECT_EQ(result.picks, 6);
    EXPECT_EQ(result.tested, 151);  // draws 50 to 200
    EXPECT_EQ(result.hits, 6 * 151);
    EXPECT_EQ(result.observed.back(), 151);
    EXPECT_NEAR(result.expectedHits, 151 * 36.0 / 49, 1e-9);
    EXPECT_GT(result.z, 30);
    EXPECT_LT(result.pValue, 1e-12);
}

TEST(BacktestWalk, SuccessionPicksWhatFollowedTheLatestDrawBefore) {
    const Rows rows = {
        {1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 13}, {40, 41, 42, 43, 44, 45}};
    BacktestOptions options;
    options.from = 4;
    const auto picks = picksOf(method("succession"), kSuperLoto, rows, options);
    // Before draw 4 the latest draw is 1..6, once followed by 7..12.
    EXPECT_EQ(picks.at(4), (std::vector<int>{7, 8, 9, 10, 11, 12}));
    // Before draw 5 the latest holds 7..11 and 13; 7..11 were followed by 1..6.
    EXPECT_EQ(picks.at(5), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(BacktestWalk, TalvenPicksTheNumbersDueNext) {
    // 10 comes out in draws 1-4, 20 in 2 and 4, 30 in 1-5, 40 in 1, 3 and 6, 45 in every draw;
    // the rest once.
    const Rows rows = {{10, 30, 40, 45, 1, 2}, {10, 20, 30, 45, 3, 4},  {10, 30, 40, 45, 5, 6},
                       {10, 20, 30, 45, 7, 8}, {30, 45, 9, 11, 12, 13}, {40, 45, 14, 15, 16, 17},
                       {1, 2, 3, 18, 19, 21},  {22, 23, 24, 25, 26, 27}};
    BacktestOptions options;
    options.from = 7;
    options.picks = 5;
    const auto picks = picksOf(method("talven"), kSuperLoto, rows, options);
    // Six draws: 10 is due at 4·5/4 = 5 (rated 11), 20 at 6 and 30 at 6 (10 each, the lower first),
    // 45 at 7 (9), 40 at 8 (8).
    EXPECT_EQ(picks.at(7), (std::vector<int>{10, 20, 30, 45, 40}));
    // Seven draws: 20 and 30 due at 6 (11), 10 at 5 and 45 at 7 (10), 40 at 8 (9).
    EXPECT_EQ(picks.at(8), (std::vector<int>{20, 30, 10, 45, 40}));
}

TEST(BacktestWalk, UpdatingGivesWhatRecomputingGives) {
    for (const Game* game : Games()) {
        const auto cells = cellsOf(*game, uniformDraws(*game, 260, 7));
        for (const BacktestMethod& each : BacktestMethods()) {
            BacktestOptions options;
            options.from = 3;
            const BacktestResult updated = RunBacktest(each, *game, cells, options);
            options.fromScratch = true;
            const BacktestResult recomputed = RunBacktest(each, *game, cells, options);
            EXPECT_EQ(updated.hits, recomputed.hits) << game->name << ' ' << each.cliName;
            EXPECT_EQ(updated.observed, recomputed.observed) << game->name << ' ' << each.cliName;
            EXPECT_EQ(updated.skipped, recomputed.skipped) << game->name << ' ' << each.cliName;
        }
    }
}

TEST(BacktestWalk, DrawsTheAnalysisRefusesAreSkipped) {
    const auto cells = cellsOf(kSuperLoto, uniformDraws(kSuperLoto, 30, 3));
    BacktestOptions options;
    options.from = 1;
    // Fewer than 5 draws before: the histogram refuses draws 1-5; succession and random never do.
    const BacktestResult hot = RunBacktest(method("hot"), kSuperLoto, cells, options);
    EXPECT_EQ(hot.skipped, 5);
    EXPECT_EQ(hot.tested, 25);
    EXPECT_EQ(RunBacktest(method("succession"), kSuperLoto, cells, options).skipped, 0);
    EXPECT_EQ(RunBacktest(method("random"), kSuperLoto, cells, options).tested, 30);
}

TEST(BacktestWalk, StrayValuesAreNeverHit) {
    // Every draw 1..5 and a stray value; hot keeps picking 1..6.
    const Rows rows(60, std::vector<int>{1, 2, 3, 4, 5, 99});
    const BacktestResult result = RunBacktest(method("hot"), kSuperLoto, cellsOf(kSuperLoto, rows));
    EXPECT_EQ(result.hits, 5 * result.tested);
}

TEST(BacktestWalk, TheProgressIsToldAndCanStopTheWalk) {
    const auto cells = cellsOf(kKeno, uniformDraws(kKeno, 5000, 1));
    // The walks run side by side: the largest count told.
    std::atomic<std::int64_t> last = 0;
    BacktestOptions options;
    options.progress = [&](std::int64_t walked) {
        for (std::int64_t seen = last.load(); walked > seen && !last.compare_exchange_weak(seen, walked);) {
        }
        return true;
    };
    const std::vector<BacktestResult> together = RunBacktests(kKeno, cells, options);
    EXPECT_GT(last, 4 * 4951);  // the five walks of draws 50..5000 add up
    EXPECT_LE(last, 5 * 4951);
    options.progress = [](std::int64_t walked) { return walked < 2000; };
    EXPECT_THROW(RunBacktests(kKeno, cells, options), BacktestCancelled);
    // Side by side or one after the other, the same figures.
    options.progress = nullptr;
    options.observer = [](int, std::span<const int>, int) {};
    const std::vector<BacktestResult> inTurn = RunBacktests(kKeno, cells, options);
    for (std::size_t i = 0; i < together.size(); ++i) {
        EXPECT_EQ(together[i].hits, inTurn[i].hits) << i;
        EXPECT_EQ(together[i].observed, inTurn[i].observed) << i;
    }
}

// The waiting period the walk slides gives, after every draw, what the analysis gives on the
// latest 200 draws alone, with numbers repeated within a draw and blank cells among them.
TEST(BacktestWalk, TheSlidingWaitingPeriodIsTheAnalysisOfTheLatest200) {
    std::vector<std::uint8_t> cells;
    for (int d = 0; d < 320; ++d)
        for (int f = 0; f < 6; ++f) {
            int number = (d * 7 + f * 11 + d * d % 13) % 49 + 1;
            if (d % 17 == 3 && f == 1) number = cells.back();  // the field before, again
            if (d % 29 == 5 && f == 4) number = 0;
            cells.push_back(static_cast<std::uint8_t>(number));
        }
    const auto sliding = StartLatestWaitingPeriod(kSuperLoto);
    const std::span<const std::uint8_t> all(cells);
    for (int d = 1; d <= 320; ++d) {
        sliding->add(all.subspan(static_cast<std::size_t>(d - 1) * 6, 6), static_cast<std::uint32_t>(d));
        const int first = std::max(1, d - 199);
        const AnalysisResult whole =
            Analyse(AverageWaitingPeriodAnalysis(), kSuperLoto,
                    all.subspan(static_cast<std::size_t>(first - 1) * 6, static_cast<std::size_t>(d - first + 1) * 6));
        const AnalysisResult slid = sliding->result();
        ASSERT_EQ(slid.refusal != nullptr, whole.refusal != nullptr) << d;
        if (whole.refusal) continue;
        ASSERT_EQ(slid.values, whole.values) << d;
        ASSERT_EQ(slid.periods, whole.periods) << d;
    }
}

TEST(BacktestWalk, BadPicksOrStartAreRefused) {
    const auto cells = cellsOf(kKeno, uniformDraws(kKeno, 60, 1));
    BacktestOptions options;
    options.picks = 81;
    EXPECT_THROW(RunBacktest(method("hot"), kKeno, cells, options), std::invalid_argument);
    options.picks = 10;
    options.from = 0;
    EXPECT_THROW(RunBacktest(method("hot"), kKeno, cells, options), std::invalid_argument);
}

TEST(BacktestChance, RandomBaselineOnUniformHistoryStaysWithinThreeDeviations) {
    // The compiled-in games; the games of the games file have their own check, in games_test.
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        const auto cells = cellsOf(*game, uniformDraws(*game, 3000, 11));
        for (std::uint64_t seed : {1u, 2u, 3u}) {
            BacktestOptions options;
            options.seed = seed;
            const BacktestResult result = RunBacktest(method("random"), *game, cells, options);
            EXPECT_LT(std::abs(result.z), 3.0) << game->name << " seed " << seed;
            EXPECT_EQ(std::accumulate(result.observed.begin(), result.observed.end(), std::int64_t{0}), result.tested);
            EXPECT_NEAR(std::accumulate(result.expected.begin(), result.expected.end(), 0.0), result.tested, 1e-6);
        }
        // The same seed, the same picks.
        EXPECT_EQ(RunBacktest(method("random"), *game, cells).hits, RunBacktest(method("random"), *game, cells).hits);
    }
}

TEST(BacktestChance, ExpectedHitsAndVarianceAreHypergeometric) {
    // A Keno ticket of 1..10 on 149 draws that each hold 1, 2, 3 and 17 numbers above 20: tested
    // from draw 50, 100 draws of 3 hits. Worked out apart: 100 · 10 · 20/80 = 250 expected, a
    // variance of 100 · 10 · (20/80) · (60/80) · (70/79) = 166.13924..., z = 50 / 12.8895... = 3.87913.
    Rows rows;
    for (int d = 0; d < 149; ++d) {
        std::vector<int> row{1, 2, 3};
        for (int i = 0; i < 17; ++i) row.push_back(21 + (d + i) % 60);
        rows.push_back(row);
    }
    const std::vector<std::vector<int>> ticket{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}};
    const BacktestResult result = RunBacktests(kKeno, cellsOf(kKeno, rows), {}, {}, ticket).front();
    EXPECT_EQ(result.picks, 10);
    EXPECT_EQ(result.tested, 100);
    EXPECT_EQ(result.hits, 300);
    EXPECT_NEAR(result.expectedHits, 250, 1e-9);
    EXPECT_NEAR(result.variance, 166.13924050632912, 1e-9);
    EXPECT_NEAR(result.z, 3.8791260675078667, 1e-9);
    EXPECT_NEAR(HypergeometricProbability(49, 6, 6, 6), 1.0 / 13983816, 1e-15);
    EXPECT_NEAR(HypergeometricProbability(49, 6, 6, 3), 246820.0 / 13983816, 1e-12);
    EXPECT_EQ(HypergeometricProbability(49, 6, 6, 7), 0.0);
}

// Five draws of 1..6, then the tested draws: hot picks 1..6 (1 with --top 1) for each of them.
std::vector<std::uint8_t> afterFiveOf1To6(const Rows& tested) {
    Rows rows(5, std::vector<int>{1, 2, 3, 4, 5, 6});
    rows.insert(rows.end(), tested.begin(), tested.end());
    return cellsOf(kSuperLoto, rows);
}

TEST(BacktestChance, ExactPOnCasesWorkedByHand) {
    const struct {
        const char* what;
        Rows tested;
        int picks;
        std::int64_t hits;
        double p;
    } cases[] = {
        // 2 · P(3 or more of 6) = 2 · (246820 + 13545 + 258 + 1) / C(49, 6).
        {"one draw, 3 hits", {{1, 2, 3, 10, 11, 12}}, 6, 3, 0.03727509000404468},
        // 2 · P(6 of 6) = 2 / 13983816.
        {"one draw, all hit", {{1, 2, 3, 4, 5, 6}}, 6, 6, 1.4302247684037032e-07},
        // 2 · P(0 of 6)^2 = 2 · (C(43, 6) / C(49, 6))^2.
        {"two draws, no hits", {{40, 41, 42, 43, 44, 45}, {30, 31, 32, 33, 34, 35}}, 6, 0, 0.3801309197458196},
        // One pick: 2 · (6/49)^2.
        {"two draws, one pick hit twice",
         {{1, 20, 21, 22, 23, 24}, {1, 30, 31, 32, 33, 34}},
         1,
         2,
         0.029987505206164097},
        // One pick missed twice: P(X <= 0) = (43/49)^2 is over a half, so p is 1.
        {"two draws, one pick missed twice", {{7, 20, 21, 22, 23, 24}, {8, 30, 31, 32, 33, 34}}, 1, 0, 1.0},
    };
    for (const auto& c : cases) {
        BacktestOptions options;
        options.from = 6;
        options.picks = c.picks;
        const BacktestResult result = RunBacktest(method("hot"), kSuperLoto, afterFiveOf1To6(c.tested), options);
        EXPECT_EQ(result.hits, c.hits) << c.what;
        EXPECT_NEAR(result.pValue, c.p, c.p * 1e-9) << c.what;
        EXPECT_EQ(result.verdict, BacktestVerdict::TooFew) << c.what;
    }
}

TEST(BacktestChance, TheChanceBandOfOneDrawByHand) {
    // P(0 hits) = 0.436, P(at most 1) = 0.849, P(at most 2) = 0.981: the central 95% is 0..2 hits,
    // against 36/49 expected.
    const HitDistribution one = ChanceHits(49, 6, 6, 1);
    EXPECT_EQ(one.quantile(0.025), 0);
    EXPECT_EQ(one.quantile(0.975), 2);
    BacktestOptions options;
    options.from = 6;
    const BacktestResult result =
        RunBacktest(method("hot"), kSuperLoto, afterFiveOf1To6({{1, 2, 3, 10, 11, 12}}), options);
    EXPECT_EQ(result.ratioLow, 0.0);
    EXPECT_NEAR(result.ratioHigh, 2 / (36.0 / 49), 1e-12);
    // Two draws of one pick: (43/49)^2 = 0.770 hit none, 0.985 at most one.
    const HitDistribution two = ChanceHits(49, 6, 1, 2);
    EXPECT_NEAR(two.atMost(0), 1849.0 / 2401, 1e-12);
    EXPECT_NEAR(two.atLeast(2), 36.0 / 2401, 1e-12);
    EXPECT_EQ(two.quantile(0.975), 1);
}

TEST(BacktestChance, HolmOnAKnownSet) {
    // Sorted 0.01, 0.03, 0.04, 0.5: times 4, 3, 2, 1, each at least the one before.
    const std::vector<double> p = {0.01, 0.04, 0.03, 0.5};
    const std::vector<double> adjusted = HolmAdjusted(p);
    const std::vector<double> byHand = {0.04, 0.09, 0.09, 0.5};
    for (std::size_t i = 0; i < p.size(); ++i) EXPECT_NEAR(adjusted[i], byHand[i], 1e-15) << i;
    // 0.3 · 2 = 0.6, and 0.6 · 1 not below it.
    EXPECT_EQ(HolmAdjusted(std::vector<double>{0.3, 0.6}), (std::vector<double>{0.6, 0.6}));
}

TEST(BacktestChance, ChiSquareOnKnownCases) {
    // Tabled 95% points.
    for (const auto& [x, df] : std::vector<std::pair<double, int>>{
             {3.8415, 1}, {5.9915, 2}, {7.8147, 3}, {9.4877, 4}, {11.0705, 5}, {16.9190, 9}})
        EXPECT_NEAR(ChiSquareAbove(x, df), 0.05, 2e-5) << df;
    const ChiSquareFit even = FitOfCounts(std::vector<std::int64_t>{10, 20}, std::vector<double>{15, 15});
    EXPECT_NEAR(even.chi2, 10.0 / 3, 1e-12);
    EXPECT_EQ(even.df, 1);
    EXPECT_NEAR(even.p, 0.06788915486182903, 1e-12);
    // 2 + 4 make the first cell, 8 the second; the remainder 3 + 1 joins it: (3 - 6)^2/6 + (14 - 12)^2/12.
    const ChiSquareFit pooled =
        FitOfCounts(std::vector<std::int64_t>{1, 2, 10, 3, 1}, std::vector<double>{2, 4, 8, 3, 1});
    EXPECT_NEAR(pooled.chi2, 1.5 + 1.0 / 3, 1e-12);
    EXPECT_EQ(pooled.df, 1);
    EXPECT_EQ(FitOfCounts(std::vector<std::int64_t>{1, 1}, std::vector<double>{1, 1}).df, 0);
}

TEST(BacktestChance, RiggedHistoryIsMoreWithATinyAdjustedP) {
    const auto cells = cellsOf(kSuperLoto, Rows(120, std::vector<int>{1, 2, 3, 4, 5, 6}));
    const std::vector<BacktestResult> results = RunBacktests(kSuperLoto, cells);
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(MethodsTestedTogether(results), 4);
    EXPECT_EQ(results[0].verdict, BacktestVerdict::More);
    EXPECT_LT(results[0].pHolm, 1e-12);
    EXPECT_GT(results[0].ratioLow, 0.0);
    EXPECT_LT(results[0].ratioHigh, 2.0);
    EXPECT_EQ(results[4].verdict, BacktestVerdict::Baseline);
    // The baseline is never judged: no adjusted p of either kind.
    EXPECT_TRUE(std::isnan(results[4].pHolm));
    EXPECT_TRUE(std::isnan(results[4].chi2PHolm));
    // The fits are adjusted over the same four methods, apart from the verdicts' p.
    std::vector<double> fits;
    for (std::size_t i = 0; i < 4; ++i) fits.push_back(results[i].chi2P);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(results[i].chi2PHolm, HolmAdjusted(fits)[i]) << i;
    // The fit: all 71 draws in the six-hit cell, pooled with the 2-hit one (71 · 0.150 expected).
    EXPECT_GT(results[0].chi2, 300);
    EXPECT_LT(results[0].chi2P, 1e-12);
}

TEST(BacktestChance, FewerThanFiftyTestedDrawsGiveNoVerdict) {
    const auto cells = cellsOf(kSuperLoto, Rows(60, std::vector<int>{1, 2, 3, 4, 5, 6}));
    const std::vector<BacktestResult> results = RunBacktests(kSuperLoto, cells);
    EXPECT_EQ(results[0].tested, 11);
    EXPECT_LT(results[0].pValue, 1e-12);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(results[i].verdict, BacktestVerdict::TooFew) << i;
    // --to ends the test: draws 50..99 of 120 make 50 tested draws, enough.
    BacktestOptions options;
    options.to = 99;
    const BacktestResult to99 = RunBacktest(
        method("hot"), kSuperLoto, cellsOf(kSuperLoto, Rows(120, std::vector<int>{1, 2, 3, 4, 5, 6})), options);
    EXPECT_EQ(to99.tested, 50);
    EXPECT_EQ(to99.lastDraw, 99);
    EXPECT_EQ(to99.verdict, BacktestVerdict::More);
}

TEST(BacktestRandomPicks, TheGeneratorIsSplitMix64) {
    // The published first outputs of SplitMix64 from 0.
    BacktestRandom random(0);
    EXPECT_EQ(random.next(), 0xE220A8397B1DCDAFull);
    EXPECT_EQ(random.next(), 0x6E789E6AA1B965F4ull);
    EXPECT_EQ(random.next(), 0x06C45D188009454Full);
    BacktestRandom bounded(kDefaultBacktestSeed);
    for (int i = 0; i < 1000; ++i) EXPECT_LT(bounded.below(7), 7u);
}

TEST(BacktestRandomPicks, EveryNumberAsOftenAndConsecutiveOverlapsAsByChance) {
    // 4,000 Keno draws of 10 picks: each number about 500 times (sd 21); consecutive pick sets
    // share 10 * 10 / 80 = 1.25 numbers on average (sd of the mean 0.016).
    BacktestOptions options;
    options.from = 1;
    const auto picks = picksOf(method("random"), kKeno, uniformDraws(kKeno, 4000, 2), options);
    std::vector<int> times(81, 0);
    double overlaps = 0;
    const std::vector<int>* previous = nullptr;
    for (const auto& [draw, chosen] : picks) {
        for (int number : chosen) ++times[static_cast<std::size_t>(number)];
        if (previous)
            for (int number : chosen) overlaps += std::count(previous->begin(), previous->end(), number);
        previous = &chosen;
    }
    for (int number = 1; number <= 80; ++number)
        EXPECT_NEAR(times[static_cast<std::size_t>(number)], 500, 105) << number;
    EXPECT_NEAR(overlaps / 3999, 1.25, 0.08);
    // The first picks of the default seed, worked out apart from the program: the same on every build.
    EXPECT_EQ(picks.at(1), (std::vector<int>{24, 79, 30, 20, 4, 75, 48, 21, 50, 56}));
    EXPECT_EQ(picks.at(2), (std::vector<int>{35, 4, 72, 54, 6, 44, 61, 2, 71, 50}));
}

TEST(BacktestWalk, WaitingLooksAtThe200DrawsBefore) {
    const Rows rows = uniformDraws(kSuperLoto, 260, 4);
    const auto cells = cellsOf(kSuperLoto, rows);
    BacktestOptions options;
    options.from = 230;
    const auto picks = picksOf(method("waiting"), kSuperLoto, rows, options);
    const auto fields = static_cast<std::size_t>(kSuperLoto.fieldsPerDraw);
    for (int t : {230, 245, 260}) {
        const auto before =
            std::span<const std::uint8_t>(cells).subspan(static_cast<std::size_t>(t - 201) * fields, 200 * fields);
        const AnalysisResult analysed = Analyse(AverageWaitingPeriodAnalysis(), kSuperLoto, before);
        ASSERT_FALSE(analysed.refusal);
        EXPECT_EQ(picks.at(t), TopPicks(analysed.values, 6)) << t;
    }
}

TEST(BacktestTies, TheLowerNumberWins) {
    const std::vector<std::int32_t> values = {5, 7, 7, 5, 7, 1};
    EXPECT_EQ(TopPicks(values, 2), (std::vector<int>{2, 3}));
    EXPECT_EQ(TopPicks(values, 4), (std::vector<int>{2, 3, 5, 1}));
    EXPECT_EQ(TopPicks(std::vector<std::int32_t>(49, 0), 6), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // A history where every number came out equally often: hot picks 1..6.
    Rows rows;
    for (int d = 0; d < 56; ++d) {
        std::vector<int> row;
        for (int f = 0; f < 6; ++f) row.push_back((d * 6 + f) % 49 + 1);
        rows.push_back(row);
    }
    // After 49 draws of six every number has come out exactly six times.
    BacktestOptions options;
    options.from = 50;
    EXPECT_EQ(picksOf(method("hot"), kSuperLoto, rows, options).at(50), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

}  // namespace

namespace {

TEST(BacktestPool, FortyTicketsWalkOnNoMoreThreadsThanCores) {
    // 40 tickets of 1,000 tested draws each: the progress is asked from every thread that walks,
    // and the results are those of the walks one after the other.
    const auto cells = cellsOf(kKeno, uniformDraws(kKeno, 1049, 6));
    std::vector<std::vector<int>> tickets;
    for (int i = 0; i < 40; ++i) tickets.push_back({i + 1, i + 2, i + 41});
    std::mutex guard;
    std::set<std::thread::id> threads;
    BacktestOptions options;
    options.progress = [&](std::int64_t) {
        const std::lock_guard lock(guard);
        threads.insert(std::this_thread::get_id());
        return true;
    };
    const std::vector<BacktestResult> pooled = RunBacktests(kKeno, cells, options, {}, tickets);
    EXPECT_GE(threads.size(), 1u);
    EXPECT_LE(threads.size(), std::max(1u, std::thread::hardware_concurrency()));
    ASSERT_EQ(pooled.size(), 40u);
    for (std::size_t i = 0; i < tickets.size(); ++i) {
        const std::vector<std::vector<int>> one{tickets[i]};
        const BacktestResult alone = RunBacktests(kKeno, cells, {}, {}, one).front();
        EXPECT_EQ(pooled[i].ticket, static_cast<int>(i));
        EXPECT_EQ(pooled[i].hits, alone.hits) << i;
        EXPECT_EQ(pooled[i].pValue, alone.pValue) << i;
    }
}

}  // namespace
