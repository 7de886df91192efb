// `wheel`: the wheel search on a table of (v, k, t, m) cases, the size found against the best known
// size (published coverings and designs) and the lower bound, with the time it took to find it;
// then the exact check of a 40-number «3 if 6» wheel of tickets of six, timed by Google Benchmark.
//   build/bench/wheel [--seconds=S] [--benchmark_...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wheel/cover.h"

namespace {

using namespace wheel;

struct Case {
    int v, k, t, m;
    int known;  // the best size known (0: none known here)
};

// Best known sizes: Steiner systems and projective and affine planes where they exist (their size
// is Schönheim's bound), the rest from the published covering tables.
constexpr Case kCases[] = {
    {7, 3, 2, 2, 7},   {8, 3, 2, 2, 11},   {9, 3, 2, 2, 12},  {10, 3, 2, 2, 17},  {12, 3, 2, 2, 24},  {13, 3, 2, 2, 26},
    {15, 3, 2, 2, 35}, {19, 3, 2, 2, 57},  {13, 4, 2, 2, 13}, {16, 4, 2, 2, 20},  {8, 4, 3, 3, 14},   {10, 4, 3, 3, 30},
    {12, 4, 3, 3, 57}, {13, 4, 3, 3, 78},  {14, 4, 3, 3, 91}, {16, 4, 3, 3, 140}, {20, 4, 3, 3, 285}, {10, 5, 4, 4, 51},
    {12, 6, 3, 3, 15}, {12, 6, 5, 5, 132}, {21, 5, 2, 2, 21}, {25, 5, 2, 2, 30},  {28, 4, 2, 2, 63},  {31, 6, 2, 2, 31},
    {10, 6, 3, 6, 0},  {15, 6, 3, 6, 0},   {20, 6, 3, 6, 0},  {15, 6, 3, 4, 0},   {20, 6, 4, 6, 0},   {40, 6, 3, 6, 0},
};

double SecondsAllowed(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--seconds=", 10) == 0) return std::atof(argv[i] + 10);
    return 10;
}

// A 40-number «3 if 6» wheel: two halves of 20, each covered by a (20, 6, 3) covering; six drawn
// numbers put three in one half, and a ticket of that half holds them.
std::vector<std::uint64_t> FortyNumberWheel() {
    SearchOptions options;
    options.seconds = 5;
    const SearchResult half = Search(20, 6, {3, 3}, options);
    std::vector<std::uint64_t> tickets = half.tickets;
    for (const std::uint64_t ticket : half.tickets) tickets.push_back(ticket << 20);
    return tickets;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = SecondsAllowed(argc, argv);
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i)
        if (std::strncmp(argv[i], "--seconds=", 10) != 0) rest.push_back(argv[i]);
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    std::printf("| v | k | t | m | found | best known | lower bound | found in | moves |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const Case& c : kCases) {
        SearchOptions options;
        options.seconds = seconds;
        const SearchResult found = Search(c.v, c.k, {c.t, c.m}, options);
        const std::string known = c.known ? std::to_string(c.known) : "?";
        std::printf("| %d | %d | %d | %d | %zu | %s | %lld%s | %.2f s | %lld |\n", c.v, c.k, c.t, c.m,
                    found.tickets.size(), known.c_str(), static_cast<long long>(found.lowerBound),
                    c.t == c.m ? "" : " (counting)", found.secondsToBest, static_cast<long long>(found.moves));
        std::fflush(stdout);
    }

    const std::vector<std::uint64_t> forty = FortyNumberWheel();
    std::printf("\n40-number «3 if 6» wheel of %zu tickets of 6: C(40,6) = %lld sets checked\n", forty.size(),
                static_cast<long long>(Choose(40, 6)));
    benchmark::RegisterBenchmark("verify_40_numbers_3_if_6",
                                 [&forty](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const Verification v = Verify(forty, 40, {3, 6});
                                         if (!v.holds) state.SkipWithError("the wheel fails its guarantee");
                                         benchmark::DoNotOptimize(v.uncovered);
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
