// The walk forward over the history and its reckoning against chance.
#include "backtest/backtest.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <functional>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>

#include "analysis/draw_reader.h"
#include "toolkit/russian_text.h"

namespace {

// The methods: every analysis of the registry that picks, in menu order, then the random baseline.
std::vector<BacktestMethod> MakeMethods() {
    std::vector<BacktestMethod> methods;
    for (const Analysis& analysis : Analyses()) {
        const BacktestPick& pick = analysis.backtest;
        if (pick.cliName)
            methods.push_back({pick.cliName, pick.caption, &analysis, pick.latestDraws,
                               pick.walking ? pick.walking : analysis.start});
    }
    methods.push_back({"random", "Случайный выбор", nullptr, 0, nullptr});
    return methods;
}

const std::vector<BacktestMethod>& Methods() {
    static const std::vector<BacktestMethod> methods = MakeMethods();
    return methods;
}

const BacktestMethod kTicketsMethod = {"tickets", "Мои билеты", nullptr, 0, nullptr};

double LogBinomial(int n, int k) { return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0); }

// Probabilities this far below a distribution's largest are dropped from its ends: they change
// no printed figure and would make the convolutions of a long history slow.
constexpr double kNegligible = 1e-30;

// Drops the negligible ends.
void Trim(HitDistribution& distribution) {
    auto& p = distribution.probabilities;
    if (p.empty()) return;
    const double threshold = *std::max_element(p.begin(), p.end()) * kNegligible;
    std::size_t last = p.size();
    while (last > 1 && p[last - 1] < threshold) --last;
    std::size_t first = 0;
    while (first + 1 < last && p[first] < threshold) ++first;
    p.erase(p.begin() + static_cast<std::ptrdiff_t>(last), p.end());
    p.erase(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(first));
    distribution.first += static_cast<std::int64_t>(first);
}

// out[j] += factor * in[j] for j below `count`, in blocks of four that the compiler turns into
// vector operations; each out[j] takes its terms in the same order as one at a time would.
void AddScaled(double* __restrict out, const double* __restrict in, double factor, std::size_t count) {
    constexpr std::size_t kBlock = 4;
    std::size_t j = 0;
    for (; j + kBlock <= count; j += kBlock)
        for (std::size_t l = 0; l < kBlock; ++l) out[j + l] += factor * in[j + l];
    for (; j < count; ++j) out[j] += factor * in[j];
}

// The distribution of the sum of two independent counts; a square is computed by halves.
HitDistribution Convolved(const HitDistribution& a, const HitDistribution& b) {
    HitDistribution sum;
    sum.first = a.first + b.first;
    const std::size_t na = a.probabilities.size(), nb = b.probabilities.size();
    sum.probabilities.assign(na + nb - 1, 0.0);
    double* out = sum.probabilities.data();
    const double* pa = a.probabilities.data();
    const double* pb = b.probabilities.data();
    if (&a == &b) {
        for (std::size_t i = 0; i < na; ++i) {
            out[2 * i] += pa[i] * pa[i];
            AddScaled(out + 2 * i + 1, pa + i + 1, 2 * pa[i], na - i - 1);
        }
    } else {
        for (std::size_t i = 0; i < na; ++i) AddScaled(out + i, pb, pa[i], nb);
    }
    Trim(sum);
    return sum;
}

// The pool's size: one thread a core.
std::size_t BacktestThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

// What picks the numbers for draw t (counted from 1) from the draws before it; false when the
// method makes no picks for that draw.
using Picker = std::function<bool(int t, std::vector<int>& picks)>;

Picker RandomPicker(const Game& game, int k, std::uint64_t seed) {
    auto random = std::make_shared<BacktestRandom>(seed);
    auto pool = std::make_shared<std::vector<int>>(static_cast<std::size_t>(game.numbers));
    std::iota(pool->begin(), pool->end(), 1);
    return [random, pool, k](int /*t*/, std::vector<int>& picks) {
        // The first k places of a Fisher-Yates shuffle.
        auto& numbers = *pool;
        const auto size = static_cast<std::uint64_t>(numbers.size());
        for (int i = 0; i < k; ++i) {
            const auto place = static_cast<std::size_t>(i) + random->below(size - static_cast<std::uint64_t>(i));
            std::swap(numbers[static_cast<std::size_t>(i)], numbers[place]);
        }
        picks.assign(numbers.begin(), numbers.begin() + k);
        return true;
    };
}

bool PicksOf(const AnalysisResult& result, int k, std::vector<int>& picks) {
    if (result.refusal) return false;
    TopPicksInto(result.values, k, picks);
    return true;
}

// The walk of one method: the tested draws, the hits and their counts by hits. `walked` counts the
// draws walked by every walk of one back-test, which may run side by side, for its progress.
BacktestResult Walk(const BacktestMethod& method, const Game& game, std::span<const std::uint8_t> cells,
                    const BacktestOptions& options, std::atomic<std::int64_t>& walked,
                    const BacktestTicket* ticket = nullptr) {
    const int k = ticket               ? static_cast<int>(ticket->numbers.size())
                  : options.picks != 0 ? options.picks
                                       : game.backtestPicks;
    if (k < 1 || k > game.numbers)
        throw std::invalid_argument("the number of picks must be 1 to " + std::to_string(game.numbers) + ", not " +
                                    std::to_string(k));
    if (options.from < 1)
        throw std::invalid_argument("the first tested draw must be 1 or later, not " + std::to_string(options.from));
    if (options.to != 0 && options.to < options.from)
        throw std::invalid_argument("the last tested draw must not come before the first, " +
                                    std::to_string(options.from) + ", not " + std::to_string(options.to));

    const auto fields = static_cast<std::size_t>(game.fieldsPerDraw);
    const int draws = DrawCount(game, cells);
    const int last = options.to != 0 ? std::min(options.to, draws) : draws;
    // A ticket is judged on the draws after it was kept only, and on none when that is not known.
    const int from = !ticket              ? options.from
                     : !ticket->keptKnown ? std::max(options.from, last + 1)
                                          : std::max(options.from, ticket->firstDraw);
    auto row = [&](int t) { return cells.subspan(static_cast<std::size_t>(t - 1) * fields, fields); };
    auto before = [&](int t, int limit) {
        const int first = limit > 0 ? std::max(1, t - limit) : 1;
        return cells.subspan(static_cast<std::size_t>(first - 1) * fields,
                             static_cast<std::size_t>(t - first) * fields);
    };

    Picker picker;
    std::unique_ptr<DrawAccumulator> accumulator;
    if (ticket) {
        for (const int number : ticket->numbers)
            if (!game.isNumber(number))
                throw std::invalid_argument("a ticket holds " + std::to_string(number) + ", no number of 1.." +
                                            std::to_string(game.numbers));
        picker = [ticket](int, std::vector<int>& picks) {
            picks = ticket->numbers;
            return true;
        };
    } else if (!method.analysis) {
        picker = RandomPicker(game, k, options.seed);
    } else if (!options.fromScratch) {
        accumulator = method.walking(game);
        // The draws before the first tested one, the latest of them only where that is all it takes.
        const int firstFed = method.latestDraws > 0 ? std::max(1, options.from - method.latestDraws) : 1;
        for (int t = firstFed; t < options.from && t <= draws; ++t)
            accumulator->add(row(t), static_cast<std::uint32_t>(t));
        picker = [&](int, std::vector<int>& picks) { return PicksOf(accumulator->result(), k, picks); };
    } else {
        picker = [&](int t, std::vector<int>& picks) {
            return PicksOf(Analyse(*method.analysis, game, before(t, method.latestDraws)), k, picks);
        };
    }

    BacktestResult result;
    result.method = &method;
    result.picks = k;
    result.firstDraw = from;
    result.lastDraw = std::max(last, from - 1);
    result.keptKnown = !ticket || ticket->keptKnown;
    const int mostHits = std::min(k, game.fieldsPerDraw);
    result.observed.assign(static_cast<std::size_t>(mostHits) + 1, 0);
    std::vector<std::uint8_t> drawn(static_cast<std::size_t>(game.numbers) + 1);
    std::vector<int> picks;
    constexpr int kProgressEvery = 1024;
    for (int t = from; t <= last; ++t) {
        if (picker(t, picks)) {
            std::fill(drawn.begin(), drawn.end(), std::uint8_t{0});
            for (std::uint8_t n : row(t)) drawn[n] = 1;  // 0, a stray value, is never picked
            int hits = 0;
            for (int number : picks) hits += drawn[static_cast<std::size_t>(number)];
            ++result.tested;
            result.hits += hits;
            ++result.observed[static_cast<std::size_t>(hits)];
            if (options.observer) options.observer(t, picks, hits);
        } else {
            ++result.skipped;
        }
        if (accumulator) accumulator->add(row(t), static_cast<std::uint32_t>(t));
        if (const std::int64_t sofar = ++walked;
            sofar % kProgressEvery == 0 && options.progress && !options.progress(sofar))
            throw BacktestCancelled();
    }
    return result;
}

// The figures of a walk against chance, its p unadjusted.
void Reckon(BacktestResult& result, const Game& game, const HitDistribution& chance) {
    // Every tested draw had k picks: the same chance each time.
    const double n = game.numbers;
    const double m = game.fieldsPerDraw;
    const double k = result.picks;
    const double share = m / n;
    result.expectedHits = result.tested * k * share;
    result.variance = result.tested * k * share * ((n - m) / n) * ((n - k) / (n - 1));
    result.ratio = result.expectedHits > 0 ? static_cast<double>(result.hits) / result.expectedHits : 0.0;
    if (result.expectedHits > 0) {
        result.ratioLow = static_cast<double>(chance.quantile(0.025)) / result.expectedHits;
        result.ratioHigh = static_cast<double>(chance.quantile(0.975)) / result.expectedHits;
    }
    if (result.variance > 0)
        result.z = (static_cast<double>(result.hits) - result.expectedHits) / std::sqrt(result.variance);
    result.pValue = TwoSidedP(chance, result.hits);
    result.expected.clear();
    for (std::size_t h = 0; h < result.observed.size(); ++h)
        result.expected.push_back(result.tested * HypergeometricProbability(game.numbers, game.fieldsPerDraw,
                                                                            result.picks, static_cast<int>(h)));
    const ChiSquareFit fit = FitOfCounts(result.observed, result.expected);
    result.chi2 = fit.chi2;
    result.chi2Df = fit.df;
    result.chi2P = fit.p;
}

BacktestVerdict VerdictOf(const BacktestResult& result) {
    if (!JudgedMethod(*result.method)) return BacktestVerdict::Baseline;
    if (result.tested < kFewestTestedDraws) return BacktestVerdict::TooFew;
    if (result.pHolm >= kBacktestSignificance) return BacktestVerdict::Chance;
    return static_cast<double>(result.hits) > result.expectedHits ? BacktestVerdict::More : BacktestVerdict::Fewer;
}

}  // namespace

std::span<const BacktestMethod> BacktestMethods() { return Methods(); }

const BacktestMethod& TicketsMethod() { return kTicketsMethod; }

bool JudgedMethod(const BacktestMethod& method) { return method.analysis || &method == &kTicketsMethod; }

const BacktestMethod* BacktestMethodNamed(std::string_view cliName) {
    for (const BacktestMethod& method : Methods())
        if (cliName == method.cliName) return &method;
    return nullptr;
}

std::string BacktestTooFewMessage(int from) {
    // After «не менее» the noun is genitive: не менее 21 записи, 50 записей.
    constexpr russian::NounForms kRecordsGenitive{"записи", "записей", "записей"};
    return "ВНИМАНИЕ! Для проверки методов необходимо заполнить не менее " + std::to_string(from) + " " +
           std::string(russian::agreeingForm(from, kRecordsGenitive)) + "!";
}

std::vector<int> TopPicks(std::span<const std::int32_t> values, int k) {
    std::vector<int> picks;
    TopPicksInto(values, k, picks);
    return picks;
}

namespace {

// The picks of values spanning fewer than kValueSpan (ratings, small counts: many equal ones): a
// value at a time from the highest down, the numbers holding it found by comparing every value
// with it at once (a mask of 64 at a time) and taken in order of number, without a comparison that
// a processor must guess. False when the span is wider.
constexpr std::int64_t kValueSpan = 16;

bool PicksByValue(std::span<const std::int32_t> values, std::size_t count, std::vector<int>& picks) {
    if (values.empty()) return false;
    std::int32_t lowest = values[0], highest = values[0];
    for (const std::int32_t value : values) {
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    if (static_cast<std::int64_t>(highest) - lowest >= kValueSpan) return false;
    picks.resize(count);
    std::size_t filled = 0;
    for (std::int32_t value = highest; filled < count; --value) {
        for (std::size_t base = 0; base < values.size() && filled < count; base += 64) {
            const std::size_t end = std::min(values.size(), base + 64);
            std::uint64_t holding = 0;
            for (std::size_t i = base; i < end; ++i)
                holding |= static_cast<std::uint64_t>(values[i] == value) << (i - base);
            for (; holding != 0 && filled < count; holding &= holding - 1)
                picks[filled++] = static_cast<int>(base + static_cast<std::size_t>(std::countr_zero(holding))) + 1;
        }
    }
    return true;
}

}  // namespace

// Values of a wide span: one pass keeping the best so far in order. A number's key is its value above its place taken
// backwards, so that keys differ and the higher key is the higher value, or the lower number of
// an equal one. The walk's values change little from one draw to the next: the picks it passes
// back in go in first, and then most numbers fall short of the last kept at once, where a pass
// from the first number would keep and drop a third of them on guesses a processor gets wrong.
void TopPicksInto(std::span<const std::int32_t> values, int k, std::vector<int>& picks) {
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(k, 0)), values.size());
    if (PicksByValue(values, count, picks)) return;
    constexpr std::size_t kMostSeeded = 128;
    constexpr std::int64_t kPlaces = 0xFFFFFFFF;
    const auto key = [&](std::size_t i) {
        return static_cast<std::int64_t>(values[i]) * (kPlaces + 1) + (kPlaces - static_cast<std::int64_t>(i));
    };
    std::int64_t few[kMostSeeded];
    std::vector<std::int64_t> many;
    std::int64_t* kept = few;
    if (count > kMostSeeded) {
        many.resize(count);
        kept = many.data();
    }
    std::size_t size = 0;
    const auto keep = [&](std::int64_t next) {
        std::size_t place = size++;
        for (; place > 0 && kept[place - 1] < next; --place) kept[place] = kept[place - 1];
        kept[place] = next;
    };
    bool seeded[kMostSeeded] = {};
    const bool seeding = values.size() <= kMostSeeded && count > 0 && picks.size() == count;
    if (seeding) {
        for (const int pick : picks) {
            if (pick < 1 || static_cast<std::size_t>(pick) > values.size() || seeded[pick - 1]) {
                std::fill(std::begin(seeded), std::end(seeded), false);
                size = 0;
                break;
            }
            seeded[pick - 1] = true;
            keep(key(static_cast<std::size_t>(pick - 1)));
        }
    }
    for (std::size_t i = 0; i < values.size() && count > 0; ++i) {
        if (seeding && seeded[i]) continue;
        const std::int64_t next = key(i);
        if (size == count) {
            if (next < kept[size - 1]) continue;
            --size;
        }
        keep(next);
    }
    picks.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        picks[i] = static_cast<int>(kPlaces - (kept[i] & kPlaces)) + 1;  // places to numbers
}

double HypergeometricProbability(int numbers, int drawn, int picks, int hits) {
    if (hits < 0 || hits > picks || hits > drawn || picks - hits > numbers - drawn) return 0.0;
    return std::exp(LogBinomial(drawn, hits) + LogBinomial(numbers - drawn, picks - hits) -
                    LogBinomial(numbers, picks));
}

int DrawCount(const Game& game, std::span<const std::uint8_t> cells) {
    return static_cast<int>(cells.size() / static_cast<std::size_t>(game.fieldsPerDraw));
}

const char* BacktestVerdictName(BacktestVerdict verdict) {
    switch (verdict) {
        case BacktestVerdict::More:
            return "more";
        case BacktestVerdict::Fewer:
            return "fewer";
        case BacktestVerdict::Chance:
            return "chance";
        case BacktestVerdict::TooFew:
            return "too_few";
        case BacktestVerdict::Baseline:
            return "baseline";
    }
    return "";
}

double HitDistribution::atMost(std::int64_t hits) const {
    const std::int64_t end = std::min<std::int64_t>(hits - first + 1, static_cast<std::int64_t>(probabilities.size()));
    if (end <= 0) return 0.0;
    return std::min(1.0, std::accumulate(probabilities.begin(), probabilities.begin() + end, 0.0));
}

double HitDistribution::atLeast(std::int64_t hits) const {
    const std::int64_t begin = std::max<std::int64_t>(hits - first, 0);
    if (begin >= static_cast<std::int64_t>(probabilities.size())) return 0.0;
    return std::min(1.0, std::accumulate(probabilities.begin() + begin, probabilities.end(), 0.0));
}

std::int64_t HitDistribution::quantile(double share) const {
    double below = 0;
    for (std::size_t i = 0; i < probabilities.size(); ++i) {
        below += probabilities[i];
        if (below >= share) return first + static_cast<std::int64_t>(i);
    }
    return first + static_cast<std::int64_t>(probabilities.size()) - 1;
}

// The n-fold convolution by squaring from the highest bit of n down: each step squares the total
// (by halves) and, for a 1 bit, adds one draw, a convolution with at most k + 1 values. The
// distributions widen as the square root of the draws they cover.
HitDistribution ChanceHits(int numbers, int drawn, int picks, int draws) {
    HitDistribution one;
    for (int h = 0; h <= std::min(picks, drawn); ++h)
        one.probabilities.push_back(HypergeometricProbability(numbers, drawn, picks, h));
    Trim(one);
    HitDistribution total{0, {1.0}};
    if (draws <= 0) return total;
    int bit = 30;
    while ((draws >> bit & 1) == 0) --bit;
    total = one;
    for (--bit; bit >= 0; --bit) {
        total = Convolved(total, total);
        if (draws >> bit & 1) total = Convolved(total, one);
    }
    return total;
}

double TwoSidedP(const HitDistribution& chance, std::int64_t hits) {
    return std::min(1.0, 2 * std::min(chance.atMost(hits), chance.atLeast(hits)));
}

std::vector<double> HolmAdjusted(std::span<const double> pValues) {
    const std::size_t count = pValues.size();
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return pValues[a] < pValues[b]; });
    std::vector<double> adjusted(count);
    double running = 0;
    for (std::size_t rank = 0; rank < count; ++rank) {
        running = std::max(running, std::min(1.0, static_cast<double>(count - rank) * pValues[order[rank]]));
        adjusted[order[rank]] = running;
    }
    return adjusted;
}

ChiSquareFit FitOfCounts(std::span<const std::int64_t> observed, std::span<const double> expected) {
    constexpr double kFewestExpected = 5;
    std::vector<std::pair<double, double>> cells;  // observed, expected
    double pendingObserved = 0, pendingExpected = 0;
    for (std::size_t h = 0; h < observed.size() && h < expected.size(); ++h) {
        pendingObserved += static_cast<double>(observed[h]);
        pendingExpected += expected[h];
        if (pendingExpected >= kFewestExpected) {
            cells.emplace_back(pendingObserved, pendingExpected);
            pendingObserved = pendingExpected = 0;
        }
    }
    if (cells.empty()) return {};
    cells.back().first += pendingObserved;
    cells.back().second += pendingExpected;
    ChiSquareFit fit;
    for (const auto& [o, e] : cells) fit.chi2 += (o - e) * (o - e) / e;
    fit.df = static_cast<int>(cells.size()) - 1;
    fit.p = ChiSquareAbove(fit.chi2, fit.df);
    return fit;
}

// Whole degrees of freedom have closed forms: for 2j, e^-y times the first j terms of e^y; for
// 2j + 1, erfc(sqrt y) and j terms of a half-integer series (y = x / 2).
double ChiSquareAbove(double x, int df) {
    if (df <= 0 || x <= 0) return 1.0;
    const double y = x / 2;
    double sum = 0;
    if (df % 2 == 0) {
        double term = 1;
        for (int i = 0; i < df / 2; ++i) {
            sum += term;
            term *= y / (i + 1);
        }
        return std::min(1.0, std::exp(-y) * sum);
    }
    const double pi = std::acos(-1.0);
    double term = std::sqrt(y) / (std::sqrt(pi) / 2);  // y^(1/2) / Gamma(3/2)
    for (int i = 0; i < df / 2; ++i) {
        sum += term;
        term *= y / (i + 1.5);
    }
    return std::min(1.0, std::erfc(std::sqrt(y)) + std::exp(-y) * sum);
}

BacktestResult RunBacktest(const BacktestMethod& method, const Game& game, std::span<const std::uint8_t> cells,
                           const BacktestOptions& options) {
    const BacktestMethod* methods[] = {&method};
    return RunBacktests(game, cells, options, methods).front();
}

std::vector<BacktestResult> RunBacktests(const Game& game, std::span<const std::uint8_t> cells,
                                         const BacktestOptions& options, std::span<const BacktestMethod* const> methods,
                                         std::span<const std::vector<int>> tickets) {
    std::vector<BacktestTicket> walked;
    for (const std::vector<int>& numbers : tickets) walked.push_back({numbers, 1, true});
    return RunBacktests(game, cells, options, methods, walked);
}

std::vector<BacktestResult> RunBacktests(const Game& game, std::span<const std::uint8_t> cells,
                                         const BacktestOptions& options, std::span<const BacktestMethod* const> methods,
                                         std::span<const BacktestTicket> tickets) {
    std::vector<const BacktestMethod*> every;
    if (methods.empty() && tickets.empty()) {
        for (const BacktestMethod& method : Methods()) every.push_back(&method);
        methods = every;
    }
    // The walks share nothing but the history and the count of draws walked: they run on a pool
    // of one thread a core, each taking the next walk not yet taken, unless an observer wants the
    // draws in order.
    std::atomic<std::int64_t> walked = 0;
    const std::size_t count = methods.size() + tickets.size();
    std::vector<BacktestResult> results(count);
    auto walk = [&](std::size_t i) {
        if (i < methods.size()) return Walk(*methods[i], game, cells, options, walked);
        BacktestResult result = Walk(kTicketsMethod, game, cells, options, walked, &tickets[i - methods.size()]);
        result.ticket = static_cast<int>(i - methods.size());
        return result;
    };
    const std::size_t threads = options.observer ? 1 : std::min<std::size_t>(count, BacktestThreads());
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i) results[i] = walk(i);
    } else {
        std::vector<std::exception_ptr> failures(count);
        std::atomic<std::size_t> next = 0;
        std::atomic<bool> failed = false;
        auto work = [&] {
            while (!failed) {
                const std::size_t i = next++;
                if (i >= count) break;
                try {
                    results[i] = walk(i);
                } catch (...) {
                    failures[i] = std::current_exception();
                    failed = true;  // a cancel or a fault: the walks not yet taken are not started
                }
            }
        };
        {
            std::vector<std::jthread> pool;
            for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
            work();
        }
        for (const std::exception_ptr& failure : failures)
            if (failure) std::rethrow_exception(failure);
    }

    // The methods share their chance distribution unless one skipped draws the others tested.
    std::vector<std::pair<std::pair<int, int>, HitDistribution>> chances;
    for (BacktestResult& result : results) {
        auto known = std::find_if(chances.begin(), chances.end(), [&](const auto& c) {
            return c.first.first == result.tested && c.first.second == result.picks;
        });
        if (known == chances.end()) {
            chances.emplace_back(std::pair(result.tested, result.picks),
                                 ChanceHits(game.numbers, game.fieldsPerDraw, result.picks, result.tested));
            known = chances.end() - 1;
        }
        Reckon(result, game, known->second);
    }

    // The verdicts' p and the fits' p are two families over the same methods, each adjusted
    // apart: a small fit p beside a verdict of chance is then as rare as a false verdict.
    std::vector<double> judged, fits;
    for (const BacktestResult& result : results)
        if (JudgedMethod(*result.method)) {
            judged.push_back(result.pValue);
            fits.push_back(result.chi2P);
        }
    const std::vector<double> adjusted = HolmAdjusted(judged);
    const std::vector<double> fitsAdjusted = HolmAdjusted(fits);
    std::size_t next = 0;
    for (BacktestResult& result : results) {
        if (JudgedMethod(*result.method)) {
            result.pHolm = adjusted[next];
            result.chi2PHolm = fitsAdjusted[next++];
        }
        result.verdict = VerdictOf(result);
    }
    return results;
}

int MethodsTestedTogether(std::span<const BacktestResult> results) {
    return static_cast<int>(
        std::count_if(results.begin(), results.end(), [](const BacktestResult& r) { return JudgedMethod(*r.method); }));
}

std::vector<std::uint8_t> ReadHistory(TDataSet& dataset, const Game& game, std::uint32_t upto,
                                      std::vector<std::uint32_t>* records) {
    DrawCollector collector;
    DrawAccumulator* sinks[] = {&collector};
    ReadDraws(dataset, game, HistoryWindow{0, upto}, sinks);
    if (records) *records = collector.records();
    return collector.cells();
}

void DrawCollector::addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) {
    m_cells.insert(m_cells.end(), cells.begin(), cells.end());
    m_records.insert(m_records.end(), records.begin(), records.end());
}

AnalysisResult DrawCollector::result() const { return {}; }
