// The back-test: does following a method's picks beat chance on the player's own history?
// For every draw t from a start draw to an end draw, a method picks k numbers from the draws
// before t only, and the draw t is searched for them. The hits, summed over the tested draws, are
// set against their exact distribution under chance (the per-draw hypergeometric distribution of
// k blind picks convolved over the tested draws): a two-sided p-value, the central 95% of the
// ratio of hits to expected hits, and the count of draws with 0, 1, 2, ... hits against its
// expected count with a chi-square test of the fit. Several methods tested together have their
// p-values adjusted by Holm's method, and a verdict follows the adjusted p; the fits' p-values are
// adjusted the same way over the same methods, apart. No Qt, no table: the draws come as the
// analyses take them, rows of small integers.
#pragma once

#include <cstdint>
#include <exception>
#include <limits>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/synthetic_draws.h"
#include "analysis/analyses.h"
#include "analysis/game.h"
#include "toolkit/dataset.h"

// A way of picking numbers; every method but the random baseline is an analysis of the registry
// that picks (its row's `backtest`), whose k highest values are the picks (ties go to the lower
// number).
struct BacktestMethod {
    const char* cliName;       // "hot", as the command line names it
    const char* caption;       // "Горячие номера", on the picture
    const Analysis* analysis;  // nullptr: the seeded random baseline
    // The draws before t the analysis is given: 0, every one; otherwise the latest so many (the
    // average waiting period, whose own limit is 200 draws).
    int latestDraws;
    // What the walk feeds the draws one by one as t advances, giving the analysis of the draws
    // before t: the analysis itself, or for the latest draws one that lets the oldest go.
    std::unique_ptr<DrawAccumulator> (*walking)(const Game& game);
};

// The analyses that pick, in the registry's order (hot, succession, ...), then random.
std::span<const BacktestMethod> BacktestMethods();
// The player's own tickets ("tickets", "Мои билеты"): each ticket's numbers are its picks for every
// tested draw. Not among BacktestMethods(): it needs the tickets, given to RunBacktests.
const BacktestMethod& TicketsMethod();
// Whether the figures of `method` are judged against chance (every method but the baseline).
bool JudgedMethod(const BacktestMethod& method);
const BacktestMethod* BacktestMethodNamed(std::string_view cliName);

inline constexpr int kDefaultFirstTestedDraw = 50;
inline constexpr std::uint64_t kDefaultBacktestSeed = 20240101;
// Fewer tested draws than this give no verdict: the exact p is right, but so short a test
// cannot tell a method from chance.
inline constexpr int kFewestTestedDraws = 50;
// The level of the verdict, on the adjusted p.
inline constexpr double kBacktestSignificance = 0.05;

// What the figures say of a method: more or fewer hits than chance (adjusted p below the level),
// not to be told from chance, too few draws to say, or the random baseline, one chance run shown
// for comparison and never judged.
enum class BacktestVerdict { More, Fewer, Chance, TooFew, Baseline };
// "more", "fewer", "chance", "too_few", "baseline".
const char* BacktestVerdictName(BacktestVerdict verdict);

struct BacktestOptions {
    int picks = 0;                              // k; 0: the game's backtestPicks
    int from = kDefaultFirstTestedDraw;         // the first tested draw, counted from 1 in table order
    int to = 0;                                 // the last tested draw; 0: the history's last
    std::uint64_t seed = kDefaultBacktestSeed;  // of the random baseline
    // Recompute every method's values from all the draws before t at each step instead of
    // updating them: the same result, slower; the benchmark compares the two.
    bool fromScratch = false;
    // Told of every tested draw: its number, the picks in order of preference, the hits. The
    // methods then walk one after the other.
    std::function<void(int draw, std::span<const int> picks, int hits)> observer;
    // Asked now and then during the walks with the draws walked so far by all of them, from
    // the walks' threads (the walks share a pool of threads, one a core); returning false stops
    // the back-test, which then raises BacktestCancelled.
    std::function<bool(std::int64_t walked)> progress;
};

// A back-test stopped by its progress callback.
struct BacktestCancelled : std::exception {
    const char* what() const noexcept override { return "the back-test was cancelled"; }
};

// The adjusted p of a result outside every family: the random baseline's.
inline constexpr double kNotAdjusted = std::numeric_limits<double>::quiet_NaN();

struct BacktestResult {
    const BacktestMethod* method = nullptr;
    int ticket = -1;    // of the tickets method: the ticket's place among those given
    int picks = 0;      // k
    int firstDraw = 0;  // the first tested draw
    int lastDraw = 0;   // the last tested draw
    int tested = 0;     // draws tested
    // Draws the method made no picks for: its analysis refuses so short a history (fewer than 5
    // draws before t). They are not tested and count nowhere else.
    int skipped = 0;
    std::int64_t hits = 0;
    double expectedHits = 0;
    double variance = 0;
    double ratio = 0;  // hits / expected (0 when nothing was expected)
    // The central 95% of the ratio under chance: the 2.5% and 97.5% points of the exact
    // distribution of the hits, divided by the expected hits.
    double ratioLow = 0;
    double ratioHigh = 0;
    double z = 0;       // (hits - expected) / sd, the normal approximation's score (0 when the variance is 0)
    double pValue = 1;  // two-sided, exact: min(1, 2 min(P(X <= hits), P(X >= hits)))
    // Adjusted over the methods tested together; NaN for the baseline, which is never judged.
    double pHolm = kNotAdjusted;
    // The fit of the hit distribution: chi-square over the counts of draws by hits, sparse cells
    // pooled until every expected count is 5 or more; df = cells - 1 (0: one cell, nothing to test).
    double chi2 = 0;
    int chi2Df = 0;
    double chi2P = 1;
    double chi2PHolm = kNotAdjusted;  // chi2P adjusted over the same methods as pHolm, apart from it
    // Of a ticket: false when it is not known after which draw it was kept, so that it is judged
    // on no draw (a ticket of a table from before the tickets kept that mark).
    bool keptKnown = true;
    BacktestVerdict verdict = BacktestVerdict::TooFew;
    // Index h: the tested draws with h hits, observed and expected; h runs to min(k, m).
    std::vector<std::int64_t> observed;
    std::vector<double> expected;
};

// The k numbers of the highest values (number i at index i - 1), the lower number first among
// equal values, in that order.
std::vector<int> TopPicks(std::span<const std::int32_t> values, int k);
// The same into `picks`, whose room is kept from one draw to the next.
void TopPicksInto(std::span<const std::int32_t> values, int k, std::vector<int>& picks);

// P(h hits) when k of the `numbers` are picked and `drawn` of them are drawn, at random.
double HypergeometricProbability(int numbers, int drawn, int picks, int hits);

// The distribution of the hits summed over `draws` draws of blind picks: P(X = first + i) at
// index i. Outside it the probabilities are below 1e-30 of the largest and are taken as 0.
struct HitDistribution {
    std::int64_t first = 0;
    std::vector<double> probabilities;

    double atMost(std::int64_t hits) const;
    double atLeast(std::int64_t hits) const;
    // The smallest count whose P(X <= count) reaches `share`.
    std::int64_t quantile(double share) const;
};
HitDistribution ChanceHits(int numbers, int drawn, int picks, int draws);

// min(1, 2 min(P(X <= hits), P(X >= hits))).
double TwoSidedP(const HitDistribution& chance, std::int64_t hits);

// Holm's step-down adjustment of p-values tested together, in their order.
std::vector<double> HolmAdjusted(std::span<const double> pValues);

struct ChiSquareFit {
    double chi2 = 0;
    int df = 0;
    double p = 1;
};
// Observed against expected counts, neighbouring cells pooled from the low end until each holds
// an expected 5 or more (a short remainder at the high end joins the last cell).
ChiSquareFit FitOfCounts(std::span<const std::int64_t> observed, std::span<const double> expected);
// P(chi-square with `df` degrees of freedom >= x).
double ChiSquareAbove(double x, int df);

// The random baseline's generator: SplitMix64, a fixed algorithm, so the same seed gives the same
// picks with any compiler and library; the one the synthetic draws use.
using BacktestRandom = SplitMix64;

// The back-test of `method` alone on the draws `cells` (rows of game.fieldsPerDraw cells, each a
// number of the game or 0, in table order), its p unadjusted. Raises std::invalid_argument for
// picks outside 1..numbers, a start draw below 1 or an end draw before it.
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
    const std::vector<std::uint32_t>& records() const { return m_records; }

private:
    std::vector<std::uint8_t> m_cells;
    std::vector<std::uint32_t> m_records;
};

// Every visible draw of the table behind `dataset` (up to its record `upto`, 0: every one), read
// once, as rows for RunBacktest; the draws' record numbers go to `records` when it is given.
std::vector<std::uint8_t> ReadHistory(TDataSet& dataset, const Game& game, std::uint32_t upto = 0,
                                      std::vector<std::uint32_t>* records = nullptr);

// A player's ticket as the back-test walks it: its numbers are its picks, and it is judged only
// on the draws from `firstDraw` on (counted from 1 in table order), those that came after it
// was chosen: the draws it may have been chosen from would flatter it.
struct BacktestTicket {
    std::vector<int> numbers;
    int firstDraw = 1;
    bool keptKnown = true;  // false: not known when it was kept, judged on no draw
};

// The `methods` tested together on the same history, in that order, adjusted by Holm over all but
// the random baseline; with no methods given, every one of BacktestMethods(). `tickets` join as
// the tickets method, one result each after the methods, their picks their own numbers whatever
// options.picks says, each tested from the later of options.from and its own first draw; with
// tickets alone, no other method is tested. The walks run on a pool of one thread a core.
std::vector<BacktestResult> RunBacktests(const Game& game, std::span<const std::uint8_t> cells,
                                         const BacktestOptions& options, std::span<const BacktestMethod* const> methods,
                                         std::span<const BacktestTicket> tickets);
// The same with tickets judged on every tested draw.
std::vector<BacktestResult> RunBacktests(const Game& game, std::span<const std::uint8_t> cells,
                                         const BacktestOptions& options = {},
                                         std::span<const BacktestMethod* const> methods = {},
                                         std::span<const std::vector<int>> tickets = {});
// How many of `results` were adjusted together: all but the baseline.
int MethodsTestedTogether(std::span<const BacktestResult> results);

// The message for a history with no draw to test from draw `from` on: it needs `from` draws.
std::string BacktestTooFewMessage(int from);
