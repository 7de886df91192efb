// The walk forward on histories whose answer is known: a rigged history, picks worked out by
// hand, a uniform history for the random baseline, ties, and the reckoning against chance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
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
    const auto cells = cellsOf(kKeno, uniformDraws(kKeno, 149, 5));
    const BacktestResult result = RunBacktest(method("random"), kKeno, cells);
    EXPECT_EQ(result.picks, 10);
    EXPECT_EQ(result.tested, 100);
    EXPECT_NEAR(result.expectedHits, 100 * 2.5, 1e-9);
    EXPECT_NEAR(result.variance, 100 * 10 * 0.25 * 0.75 * (70.0 / 79), 1e-9);
    EXPECT_NEAR(result.z, (result.hits - 250.0) / std::sqrt(result.variance), 1e-9);
    EXPECT_NEAR(result.pValue, std::erfc(std::abs(result.z) / std::sqrt(2.0)), 1e-12);
    EXPECT_NEAR(HypergeometricProbability(49, 6, 6, 6), 1.0 / 13983816, 1e-15);
    EXPECT_NEAR(HypergeometricProbability(49, 6, 6, 3), 246820.0 / 13983816, 1e-12);
    EXPECT_EQ(HypergeometricProbability(49, 6, 6, 7), 0.0);
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
