// How often the back-test cries wolf: fair histories (every draw uniform and independent, from a
// fixed seed) back-tested as the window does, and the share of histories in which anything is
// called a finding. Every method, the player's ticket of the hot numbers kept at the latest draw
// and judged on the draws that came after, and the same ticket judged on the history it was
// chosen from, as tickets were before they kept their mark. Prints one line a figure and game.
//   backtest_calibration [HISTORIES] [DRAWS]   (default 500 histories of 600 draws)
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/synthetic_draws.h"
#include "backtest/backtest.h"

namespace {

std::vector<std::uint8_t> FairHistory(const Game& game, int draws, std::uint64_t seed) {
    SplitMix64 random(seed);
    std::vector<int> pool(static_cast<std::size_t>(game.numbers));
    std::vector<std::uint8_t> cells;
    for (int d = 0; d < draws; ++d) {
        std::iota(pool.begin(), pool.end(), 1);
        for (int i = 0; i < game.fieldsPerDraw; ++i) {
            const auto place = static_cast<std::size_t>(i) + random.below(pool.size() - static_cast<std::size_t>(i));
            std::swap(pool[static_cast<std::size_t>(i)], pool[place]);
            cells.push_back(DrawCell(game, pool[static_cast<std::size_t>(i)]));
        }
    }
    return cells;
}

struct Tally {
    int histories = 0;
    int methodsFinding = 0, methodsMore = 0, methodsFewer = 0;  // family-wise, on the adjusted p
    int rawP = 0, outsideBand = 0, rawChi2 = 0, adjustedChi2 = 0;
    int baselineRawP = 0;
    int ticketKept = 0, ticketKeptTooFew = 0, ticketLookAhead = 0;

    void print(const Game& game) const {
        const auto share = [&](int count) { return 100.0 * count / histories; };
        std::printf("%s, %d fair histories:\n", game.cliName, histories);
        std::printf("  methods, any verdict more or fewer (Holm):     %5.1f%% (more %.1f%%, fewer %.1f%%)\n",
                    share(methodsFinding), share(methodsMore), share(methodsFewer));
        std::printf("  methods, any unadjusted p < 0.05:              %5.1f%%\n", share(rawP));
        std::printf("  methods, any bar outside its unadjusted band:  %5.1f%%\n", share(outsideBand));
        std::printf("  methods, any chi-square p < 0.05 unadjusted:   %5.1f%%\n", share(rawChi2));
        std::printf("  methods, any chi-square p < 0.05 adjusted:     %5.1f%%\n", share(adjustedChi2));
        std::printf("  random baseline, unadjusted p < 0.05:          %5.1f%%\n", share(baselineRawP));
        std::printf("  hot ticket kept at the latest draw, judged on the draws after: %5.1f%% (too few: %d)\n",
                    share(ticketKept), ticketKeptTooFew);
        std::printf("  the same ticket judged on the draws it was chosen from:       %5.1f%%\n",
                    share(ticketLookAhead));
    }
};

bool Finding(const BacktestResult& result) {
    return result.verdict == BacktestVerdict::More || result.verdict == BacktestVerdict::Fewer;
}

Tally Calibrate(const Game& game, int histories, int draws) {
    Tally tally;
    const int keptAt = draws / 2;
    for (int h = 0; h < histories; ++h) {
        const std::vector<std::uint8_t> cells =
            FairHistory(game, draws, 0x5EED0000u + static_cast<std::uint64_t>(h) * 7919u);
        BacktestOptions options;
        options.seed = kDefaultBacktestSeed + static_cast<std::uint64_t>(h);
        const std::vector<BacktestResult> methods = RunBacktests(game, cells, options);
        bool finding = false, more = false, fewer = false, raw = false, band = false, chi2 = false, chi2Holm = false;
        for (const BacktestResult& result : methods) {
            if (result.verdict == BacktestVerdict::Baseline) {
                tally.baselineRawP += result.pValue < kBacktestSignificance;
                continue;
            }
            finding |= Finding(result);
            more |= result.verdict == BacktestVerdict::More;
            fewer |= result.verdict == BacktestVerdict::Fewer;
            raw |= result.pValue < kBacktestSignificance;
            band |= result.ratio < result.ratioLow || result.ratio > result.ratioHigh;
            chi2 |= result.chi2P < kBacktestSignificance;
            chi2Holm |= result.chi2PHolm < kBacktestSignificance;
        }
        tally.methodsFinding += finding;
        tally.methodsMore += more;
        tally.methodsFewer += fewer;
        tally.rawP += raw;
        tally.outsideBand += band;
        tally.rawChi2 += chi2;
        tally.adjustedChi2 += chi2Holm;

        // The player's ticket: the hot numbers of the draws known when it was kept.
        const auto known = std::span(cells).first(static_cast<std::size_t>(keptAt * game.fieldsPerDraw));
        const AnalysisResult hot = Analyse(FrequencyHistogramAnalysis(), game, known);
        const std::vector<int> numbers = TopPicks(hot.values, game.backtestPicks);
        const BacktestTicket kept[] = {{numbers, keptAt + 1, true}};
        const BacktestResult judged = RunBacktests(game, cells, options, {}, kept).front();
        tally.ticketKept += Finding(judged);
        tally.ticketKeptTooFew += judged.verdict == BacktestVerdict::TooFew;
        // As before the mark: the same numbers judged on the draws they were chosen from.
        const BacktestTicket lookingAhead[] = {{numbers, 1, true}};
        const std::vector<std::uint8_t> chosenFrom(known.begin(), known.end());
        tally.ticketLookAhead += Finding(RunBacktests(game, chosenFrom, options, {}, lookingAhead).front());
        ++tally.histories;
    }
    return tally;
}

}  // namespace

int main(int argc, char** argv) {
    const int histories = argc > 1 ? std::atoi(argv[1]) : 500;
    const int draws = argc > 2 ? std::atoi(argv[2]) : 600;
    if (histories < 1 || draws < 2 * kFewestTestedDraws + kDefaultFirstTestedDraw) {
        std::fprintf(stderr, "usage: backtest_calibration [HISTORIES >= 1] [DRAWS >= 150]\n");
        return 2;
    }
    for (const Game* game : {&kSuperLoto, &kKeno}) Calibrate(*game, histories, draws).print(*game);
    return 0;
}
