// Benchmarks of the back-test: every method on SuperLoto 5,000 and Keno 100,000 draws held in
// memory (uniform draws from a fixed seed), the walk forward that updates its analysis as t
// advances against recomputing the analysis from all the draws before t at every step. The
// recomputing walk is timed over the latest 200 draws only, so that the program stays short; the
// closing table sets the two side by side per tested draw (medians of the repetitions) and gives
// the whole walk's time. The average waiting period is computed afresh on its 200 draws either
// way. Before any timing both walks must give the same figures. Run it from a Release build (see
// CMakeLists.txt); it takes about two minutes, most of it recomputing Keno's succession.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "backtest/backtest.h"

namespace {

constexpr int kRecomputedDraws = 200;
constexpr int kRepetitions = 3;

std::vector<std::uint8_t> uniformHistory(const Game& game, int draws) {
    std::mt19937 generator(static_cast<std::uint32_t>(game.syntheticSeed));
    std::vector<std::uint8_t> numbers(static_cast<std::size_t>(game.numbers));
    std::iota(numbers.begin(), numbers.end(), std::uint8_t{1});
    std::vector<std::uint8_t> cells;
    for (int d = 0; d < draws; ++d) {
        std::shuffle(numbers.begin(), numbers.end(), generator);
        cells.insert(cells.end(), numbers.begin(), numbers.begin() + game.fieldsPerDraw);
    }
    return cells;
}

struct Case {
    const Game* game;
    const BacktestMethod* method;
    int draws;
    std::string name(const char* way) const {
        return std::string(game->cliName) + "/" + method->cliName + "/" + way + "/" + std::to_string(draws);
    }
};

// Keeps the median of every benchmark's repetitions, in seconds per walk.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred)
                medians[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    std::map<std::string, double> medians;
};

bool sameFigures(const BacktestResult& a, const BacktestResult& b) {
    return a.tested == b.tested && a.hits == b.hits && a.observed == b.observed && a.skipped == b.skipped;
}

std::string time(double seconds) {
    char text[32];
    if (seconds <= 0) return "-";
    if (seconds >= 1)
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    else if (seconds >= 1e-3)
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    std::map<const Game*, std::vector<std::uint8_t>> histories;
    histories[&kSuperLoto] = uniformHistory(kSuperLoto, 5000);
    histories[&kKeno] = uniformHistory(kKeno, 100000);
    std::vector<Case> cases;
    // The two games whose histories above are measured; the games of the games file share
    // their code, and 5 000 draws of SuperLoto stand for them.
    for (const Game* game : {&kSuperLoto, &kKeno})
        for (const BacktestMethod& method : BacktestMethods())
            cases.push_back({game, &method, DrawCount(*game, histories[game])});

    for (const Case& c : cases) {
        const auto& cells = histories[c.game];
        BacktestOptions recomputing;
        recomputing.from = c.draws - kRecomputedDraws + 1;
        recomputing.fromScratch = true;
        BacktestOptions updating = recomputing;
        updating.fromScratch = false;
        if (!sameFigures(RunBacktest(*c.method, *c.game, cells, updating),
                         RunBacktest(*c.method, *c.game, cells, recomputing))) {
            std::fprintf(stderr, "backtest: %s: updating and recomputing disagree\n", c.name("").c_str());
            return 1;
        }
        benchmark::RegisterBenchmark(c.name("updating").c_str(),
                                     [&cells, c](benchmark::State& state) {
                                         for (auto _ : state)
                                             benchmark::DoNotOptimize(RunBacktest(*c.method, *c.game, cells).hits);
                                         state.counters["draws"] = c.draws - kDefaultFirstTestedDraw + 1;
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(kRepetitions);
        benchmark::RegisterBenchmark(
            c.name("recomputing_last200").c_str(),
            [&cells, c, recomputing](benchmark::State& state) {
                for (auto _ : state) benchmark::DoNotOptimize(RunBacktest(*c.method, *c.game, cells, recomputing).hits);
                state.counters["draws"] = kRecomputedDraws;
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(kRepetitions);
    }

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf(
        "\nThe back-test per tested draw (medians of %d repetitions): updating the analysis as the walk\n"
        "advances against recomputing it from every draw before (timed on the latest %d draws), and the\n"
        "whole walk from draw %d, updating and (estimated) recomputing\n",
        kRepetitions, kRecomputedDraws, kDefaultFirstTestedDraw);
    std::printf("%-9s  %-10s  %6s  %12s  %12s  %8s  %12s  %14s\n", "game", "method", "draws", "updating", "recomputing",
                "times", "whole walk", "recomputed");
    for (const Case& c : cases) {
        const auto updating = reporter.medians.find(c.name("updating"));
        const auto recomputing = reporter.medians.find(c.name("recomputing_last200"));
        if (updating == reporter.medians.end() || recomputing == reporter.medians.end()) continue;
        const int tested = c.draws - kDefaultFirstTestedDraw + 1;
        const double perDraw = updating->second / tested;
        const double perDrawRecomputed = recomputing->second / kRecomputedDraws;
        // Recomputing an analysis of the whole history costs in proportion to the draws before
        // t: the whole walk's estimate scales the latest draws' cost down to the average t.
        double wholeRecomputed = perDrawRecomputed * tested;
        if (c.method->analysis && c.method->incremental)
            wholeRecomputed *= (kDefaultFirstTestedDraw + c.draws) / 2.0 / (c.draws - kRecomputedDraws / 2.0);
        char times[32];
        std::snprintf(times, sizeof times, "%.1f", perDrawRecomputed / perDraw);
        std::printf("%-9s  %-10s  %6d  %12s  %12s  %8s  %12s  %14s\n", c.game->name, c.method->cliName, c.draws,
                    time(perDraw).c_str(), time(perDrawRecomputed).c_str(), times, time(updating->second).c_str(),
                    time(wholeRecomputed).c_str());
    }
    return 0;
}
