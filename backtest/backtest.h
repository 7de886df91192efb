// The back-test: does following a method's picks beat chance on the player's own history?
// For every draw t from a start draw on, a method picks k numbers from the draws before t only,
// and the draw t is searched for them. The hits, summed over the tested draws, are set against
// what k numbers chosen blindly would hit on average (k·m/N of a draw of m numbers out of N),
// with the hypergeometric variance, a z-score and a two-sided p-value, and the count of draws
// with 0, 1, 2, ... hits against its expected count. No Qt, no table: the draws come as the
// analyses take them, rows of small integers.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/game.h"
#include "toolkit/dataset.h"

// A way of picking numbers; every analysis but the random baseline is one of the four analyses,
// whose k highest values are the picks (ties go to the lower number).
struct BacktestMethod {
    const char* cliName;       // "hot", as the command line names it
    const char* caption;       // "Горячие номера", on the picture
    const Analysis* analysis;  // nullptr: the seeded random baseline
    // True when the analysis is fed the draws one by one as t advances; false when its values are
    // computed afresh on the draws before t (the average waiting period, whose own limit is 200
    // draws: it is given the latest 200 before t).
    bool incremental;
};

// hot, succession, waiting, talven, random.
std::span<const BacktestMethod> BacktestMethods();
const BacktestMethod* BacktestMethodNamed(std::string_view cliName);

inline constexpr int kDefaultFirstTestedDraw = 50;
inline constexpr std::uint64_t kDefaultBacktestSeed = 20240101;

struct BacktestOptions {
    int picks = 0;                              // k; 0: the game's backtestPicks
    int from = kDefaultFirstTestedDraw;         // the first tested draw, counted from 1 in table order
    std::uint64_t seed = kDefaultBacktestSeed;  // of the random baseline
    // Recompute every method's values from all the draws before t at each step instead of
    // updating them: the same result, slower; the benchmark compares the two.
    bool fromScratch = false;
    // Told of every tested draw: its number, the picks in order of preference, the hits.
    std::function<void(int draw, std::span<const int> picks, int hits)> observer;
};

struct BacktestResult {
    const BacktestMethod* method = nullptr;
    int picks = 0;      // k
    int firstDraw = 0;  // the first tested draw
    int tested = 0;     // draws tested
    // Draws the method made no picks for: its analysis refuses so short a history (fewer than 5
    // draws before t). They are not tested and count nowhere else.
    int skipped = 0;
    std::int64_t hits = 0;
    double expectedHits = 0;
    double variance = 0;
    double ratio = 0;   // hits / expected (0 when nothing was expected)
    double z = 0;       // (hits - expected) / sd (0 when the variance is 0)
    double pValue = 1;  // two-sided, normal approximation
    // Index h: the tested draws with h hits, observed and expected; h runs to min(k, m).
    std::vector<std::int64_t> observed;
    std::vector<double> expected;
};

// The k numbers of the highest values (number i at index i - 1), the lower number first among
// equal values, in that order.
std::vector<int> TopPicks(std::span<const std::int32_t> values, int k);

// P(h hits) when k of the `numbers` are picked and `drawn` of them are drawn, at random.
double HypergeometricProbability(int numbers, int drawn, int picks, int hits);

// The back-test of `method` on the draws `cells` (rows of game.fieldsPerDraw cells, each a number
// of the game or 0, in table order). Raises std::invalid_argument for picks outside 1..numbers or
// a start draw below 1.
BacktestResult RunBacktest(const BacktestMethod& method, const Game& game, std::span<const std::uint8_t> cells,
                           const BacktestOptions& options = {});

// The draws of a history: cells.size() / fieldsPerDraw.
int DrawCount(const Game& game, std::span<const std::uint8_t> cells);

// A DrawAccumulator that keeps the rows it is fed: the history in memory for a back-test.
class DrawCollector final : public DrawAccumulator {
public:
    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override;
    AnalysisResult result() const override;
    const std::vector<std::uint8_t>& cells() const { return m_cells; }

private:
    std::vector<std::uint8_t> m_cells;
};

// Every visible draw of the table behind `dataset`, read once, as rows for RunBacktest.
std::vector<std::uint8_t> ReadHistory(TDataSet& dataset, const Game& game);

// Every method of BacktestMethods() on the same history, in that order.
std::vector<BacktestResult> RunBacktests(const Game& game, std::span<const std::uint8_t> cells,
                                         const BacktestOptions& options = {});

// The message for a history with no draw to test from draw `from` on: it needs `from` draws.
std::string BacktestTooFewMessage(int from);
