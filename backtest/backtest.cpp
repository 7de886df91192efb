// The walk forward over the history and its reckoning against chance.
#include "backtest/backtest.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <stdexcept>
#include <string>

#include "analysis/draw_reader.h"

namespace {

const BacktestMethod kMethods[] = {
    {"hot", "Горячие номера", &FrequencyHistogramAnalysis(), true},
    {"succession", "Вероятность следования", &SuccessionProbabilityAnalysis(), true},
    {"waiting", "Средний период ожидания", &AverageWaitingPeriodAnalysis(), false},
    {"talven", "Метод А. Тальвена", &TalvenMethodAnalysis(), true},
    {"random", "Случайный выбор", nullptr, true},
};

double LogBinomial(int n, int k) { return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0); }

// What picks the numbers for draw t (counted from 1) from the draws before it; false when the
// method makes no picks for that draw.
using Picker = std::function<bool(int t, std::vector<int>& picks)>;

Picker RandomPicker(const Game& game, int k, std::uint64_t seed) {
    auto rng = std::make_shared<std::mt19937_64>(seed);
    auto pool = std::make_shared<std::vector<int>>(static_cast<std::size_t>(game.numbers));
    std::iota(pool->begin(), pool->end(), 1);
    return [rng, pool, k](int /*t*/, std::vector<int>& picks) {
        // The first k places of a Fisher-Yates shuffle.
        auto& numbers = *pool;
        for (int i = 0; i < k; ++i) {
            std::uniform_int_distribution<int> place(i, static_cast<int>(numbers.size()) - 1);
            std::swap(numbers[static_cast<std::size_t>(i)], numbers[static_cast<std::size_t>(place(*rng))]);
        }
        picks.assign(numbers.begin(), numbers.begin() + k);
        return true;
    };
}

bool PicksOf(const AnalysisResult& result, int k, std::vector<int>& picks) {
    if (result.refusal) return false;
    picks = TopPicks(result.values, k);
    return true;
}

}  // namespace

std::span<const BacktestMethod> BacktestMethods() { return kMethods; }

const BacktestMethod* BacktestMethodNamed(std::string_view cliName) {
    for (const BacktestMethod& method : kMethods)
        if (cliName == method.cliName) return &method;
    return nullptr;
}

std::string BacktestTooFewMessage(int from) {
    return "ВНИМАНИЕ! Для проверки методов необходимо заполнить не менее " + std::to_string(from) + " записей!";
}

std::vector<int> TopPicks(std::span<const std::int32_t> values, int k) {
    std::vector<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    const auto count = static_cast<std::ptrdiff_t>(
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(k, 0)), 0, values.size()));
    std::partial_sort(order.begin(), order.begin() + count, order.end(), [&](int a, int b) {
        const auto va = values[static_cast<std::size_t>(a)];
        const auto vb = values[static_cast<std::size_t>(b)];
        return va != vb ? va > vb : a < b;
    });
    std::vector<int> picks;
    picks.reserve(static_cast<std::size_t>(count));
    for (std::ptrdiff_t i = 0; i < count; ++i) picks.push_back(order[static_cast<std::size_t>(i)] + 1);
    return picks;
}

double HypergeometricProbability(int numbers, int drawn, int picks, int hits) {
    if (hits < 0 || hits > picks || hits > drawn || picks - hits > numbers - drawn) return 0.0;
    return std::exp(LogBinomial(drawn, hits) + LogBinomial(numbers - drawn, picks - hits) -
                    LogBinomial(numbers, picks));
}

int DrawCount(const Game& game, std::span<const std::uint8_t> cells) {
    return static_cast<int>(cells.size() / static_cast<std::size_t>(game.fieldsPerDraw));
}

// One walk: the picks from the draws before, the hits in the draw, the update: they read best
// as one loop over the history.
BacktestResult RunBacktest(const BacktestMethod& method, const Game& game, std::span<const std::uint8_t> cells,
                           const BacktestOptions& options) {
    const int k = options.picks != 0 ? options.picks : game.backtestPicks;
    if (k < 1 || k > game.numbers)
        throw std::invalid_argument("the number of picks must be 1 to " + std::to_string(game.numbers) + ", not " +
                                    std::to_string(k));
    if (options.from < 1)
        throw std::invalid_argument("the first tested draw must be 1 or later, not " + std::to_string(options.from));

    const auto fields = static_cast<std::size_t>(game.fieldsPerDraw);
    const int draws = DrawCount(game, cells);
    auto row = [&](int t) { return cells.subspan(static_cast<std::size_t>(t - 1) * fields, fields); };
    auto before = [&](int t, int limit) {
        const int first = limit > 0 ? std::max(1, t - limit) : 1;
        return cells.subspan(static_cast<std::size_t>(first - 1) * fields,
                             static_cast<std::size_t>(t - first) * fields);
    };

    Picker picker;
    std::unique_ptr<DrawAccumulator> accumulator;
    if (!method.analysis) {
        picker = RandomPicker(game, k, options.seed);
    } else if (method.incremental && !options.fromScratch) {
        accumulator = method.analysis->start(game);
        for (int t = 1; t < options.from && t <= draws; ++t) accumulator->add(row(t), static_cast<std::uint32_t>(t));
        picker = [&](int, std::vector<int>& picks) { return PicksOf(accumulator->result(), k, picks); };
    } else {
        const int limit = method.incremental ? 0 : kMostWaitingDraws;
        picker = [&, limit](int t, std::vector<int>& picks) {
            return PicksOf(Analyse(*method.analysis, game, before(t, limit)), k, picks);
        };
    }

    BacktestResult result;
    result.method = &method;
    result.picks = k;
    result.firstDraw = options.from;
    const int mostHits = std::min(k, game.fieldsPerDraw);
    result.observed.assign(static_cast<std::size_t>(mostHits) + 1, 0);
    std::vector<bool> drawn(static_cast<std::size_t>(game.numbers) + 1);
    std::vector<int> picks;
    for (int t = options.from; t <= draws; ++t) {
        if (picker(t, picks)) {
            std::fill(drawn.begin(), drawn.end(), false);
            for (std::uint8_t n : row(t)) drawn[n] = true;  // 0, a stray value, is never picked
            int hits = 0;
            for (int number : picks) hits += drawn[static_cast<std::size_t>(number)] ? 1 : 0;
            ++result.tested;
            result.hits += hits;
            ++result.observed[static_cast<std::size_t>(hits)];
            if (options.observer) options.observer(t, picks, hits);
        } else {
            ++result.skipped;
        }
        if (accumulator) accumulator->add(row(t), static_cast<std::uint32_t>(t));
    }

    // Every tested draw had k picks: the same chance each time.
    const double n = game.numbers;
    const double m = game.fieldsPerDraw;
    const double share = m / n;
    result.expectedHits = result.tested * k * share;
    result.variance = result.tested * k * share * ((n - m) / n) * ((n - k) / (n - 1));
    result.ratio = result.expectedHits > 0 ? static_cast<double>(result.hits) / result.expectedHits : 0.0;
    if (result.variance > 0) {
        result.z = (static_cast<double>(result.hits) - result.expectedHits) / std::sqrt(result.variance);
        result.pValue = std::erfc(std::abs(result.z) / std::sqrt(2.0));
    }
    for (int h = 0; h <= mostHits; ++h)
        result.expected.push_back(result.tested * HypergeometricProbability(game.numbers, game.fieldsPerDraw, k, h));
    return result;
}

std::vector<BacktestResult> RunBacktests(const Game& game, std::span<const std::uint8_t> cells,
                                         const BacktestOptions& options) {
    std::vector<BacktestResult> results;
    for (const BacktestMethod& method : kMethods) results.push_back(RunBacktest(method, game, cells, options));
    return results;
}

std::vector<std::uint8_t> ReadHistory(TDataSet& dataset, const Game& game) {
    DrawCollector collector;
    DrawAccumulator* sinks[] = {&collector};
    ReadDraws(dataset, game, HistoryWindow{}, sinks);
    return collector.cells();
}

void DrawCollector::addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> /*records*/) {
    m_cells.insert(m_cells.end(), cells.begin(), cells.end());
}

AnalysisResult DrawCollector::result() const { return {}; }
