// The analyses as accumulators over the draws. The four of the numbers do the arithmetic the
// commands have always done; only the bookkeeping changed, so that one pass over the table serves.
// The sums and the pairs count whole draws only, so that what chance gives is exact for them.
#include "analysis/analyses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <deque>

#include "toolkit/fields.h"
#include "toolkit/russian_text.h"

namespace {

constexpr std::int32_t kCloseRatings[] = {11, 10, 9, 8};
constexpr std::int32_t kDistantRating = 5;
constexpr int kWaitingCloseRatings = 3;

std::int32_t Rating(long long distance, int closeRatings) {
    return distance < closeRatings ? kCloseRatings[distance] : kDistantRating;
}

std::size_t IndexOf(std::int32_t number) { return static_cast<std::size_t>(number - 1); }

std::int32_t RoundedQuotient(double dividend, double divisor) {
    return static_cast<std::int32_t>(RoundHalfEven(dividend / divisor));
}

// The average waiting period's figures of one number among `draws` rows: seen `appearances`
// times, in rows `first` to `last` (0: in none), the rows holding it reaching its appearances at
// `upTo`. Its period, when it has one, and its value then: how near the waiting since its last
// row comes to the period. The value is left as it was (its count) otherwise.
void RateWaiting(std::int32_t appearances, int first, int upTo, int last, int draws, std::int32_t& period,
                 std::int32_t& value) {
    if (appearances <= 2 || first == 0) return;
    // The gaps between the rows holding it, up to its appearances, add up to the distance from
    // the first to the last of them; divided by the appearances, not by the gaps.
    period = RoundedQuotient(static_cast<double>(upTo - first), appearances);
    if (period <= 0) return;
    const int waiting = draws - last + 1;  // the latest draw waits 1
    value = Rating(std::abs(static_cast<long long>(period) - waiting), kWaitingCloseRatings);
}

// out[i] += in[i] for i below `count`: in blocks of eight, which the compiler turns into a few
// vector additions, as the back-test sums a row of followers for every draw it tests.
void AddInto(std::int32_t* __restrict out, const std::int32_t* __restrict in, std::size_t count) {
    constexpr std::size_t kBlock = 8;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock)
        for (std::size_t j = 0; j < kBlock; ++j) out[i + j] += in[i + j];
    for (; i < count; ++i) out[i] += in[i];
}

// What every analysis keeps: the game, the draws seen and how often each number came out (a
// number twice in a draw counts twice).
class Counting : public DrawAccumulator {
public:
    explicit Counting(const Game& game) : m_game(game), m_tally(static_cast<std::size_t>(game.numbers) + 1, 0) {}

    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        if (records.empty()) return;
        // The counts of the whole run in one loop: this is most of a long table's work.
        std::int32_t* tally = m_tally.data();
        const std::uint8_t* cell = cells.data();
        for (std::size_t i = 0, n = cells.size(); i < n; ++i) ++tally[cell[i]];
        addedRows(cells, records);
    }

protected:
    // After the counts, the run's draws one by one; an analysis may take the run whole instead,
    // counting the draws and the latest record itself.
    virtual void addedRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) {
        const auto width = static_cast<std::size_t>(m_game.fieldsPerDraw);
        for (std::size_t r = 0; r < records.size(); ++r) {
            ++m_draws;
            m_latestRecord = records[r];
            added(cells.subspan(r * width, width), records[r]);
        }
    }
    virtual void added(DrawRow /*draw*/, std::uint32_t /*record*/) {}

    // The run counted as draws, for an analysis that takes it whole.
    void countRun(std::span<const std::uint32_t> records) {
        m_draws += static_cast<int>(records.size());
        m_latestRecord = records.back();
    }

    // A result over the draws seen, the cursor left on the latest unless said otherwise.
    AnalysisResult started(CursorAfter cursor) const {
        AnalysisResult result;
        result.draws = m_draws;
        result.cursor = cursor;
        result.cursorRecord = m_latestRecord;
        return result;
    }

    AnalysisResult refused(const char* message, bool clearsValues, CursorAfter cursor) const {
        AnalysisResult result = started(cursor);
        result.refusal = message;
        result.refusalClearsValues = clearsValues;
        return result;
    }

    const Game& m_game;
    int m_draws = 0;
    std::uint32_t m_latestRecord = 0;
    // How often each number came out, at its own index; index 0 takes the blank cells, so that
    // counting needs no test.
    std::vector<std::int32_t> m_tally;

    // The count of the number at `index` (0-based), and the counts of every number.
    std::int32_t countOf(std::size_t index) const { return m_tally[index + 1]; }
    std::vector<std::int32_t> counts() const { return {m_tally.begin() + 1, m_tally.end()}; }
};

class Histogram final : public Counting {
public:
    using Counting::Counting;

    AnalysisResult result() const override {
        if (m_draws < kFewestDraws) return refused(kHistogramTooFew, true, CursorAfter::First);
        AnalysisResult result = started(CursorAfter::PastLast);
        result.values = counts();
        return result;
    }

private:
    // The counts are all it needs.
    void addedRows(std::span<const std::uint8_t> /*cells*/, std::span<const std::uint32_t> records) override {
        countRun(records);
    }
};

// Cell (earlier, later): how often `later` came out in the draw right after one holding `earlier`;
// the row of an earlier number holds its followers side by side, as the result sums them.
class Succession final : public Counting {
public:
    explicit Succession(const Game& game)
        : Counting(game), m_cells(static_cast<std::size_t>(game.numbers) * static_cast<std::size_t>(game.numbers), 0) {}

    AnalysisResult result() const override {
        AnalysisResult result = started(CursorAfter::Last);
        result.values.assign(static_cast<std::size_t>(m_game.numbers), 0);
        // An empty table has no latest draw: nothing is summed.
        if (!m_latest.empty()) {
            const auto numbers = static_cast<std::size_t>(m_game.numbers);
            std::int32_t* values = result.values.data();
            for (std::uint8_t z : m_latest)
                if (z != 0) AddInto(values, &m_cells[IndexOf(z) * numbers], numbers);
        }
        if (m_game.successionDivisor != 1)
            for (std::int32_t& value : result.values) value = RoundedQuotient(value, m_game.successionDivisor);
        return result;
    }

private:
    void added(DrawRow draw, std::uint32_t /*record*/) override {
        if (m_game.successionCountsLatestPair) {
            if (!m_latest.empty()) countPair(draw, m_latest);
        } else if (!m_beforeLatest.empty()) {
            // The pair that ended in the latest draw is no longer the latest one.
            countPair(m_latest, m_beforeLatest);
        }
        m_beforeLatest.swap(m_latest);
        m_latest.assign(draw.begin(), draw.end());
    }

    void countPair(DrawRow later, DrawRow earlier) {
        for (std::uint8_t b : earlier) {
            if (b == 0) continue;
            std::int32_t* followers = &m_cells[IndexOf(b) * static_cast<std::size_t>(m_game.numbers)];
            for (std::uint8_t a : later)
                if (a != 0) ++followers[IndexOf(a)];
        }
    }

    std::vector<std::int32_t> m_cells;
    std::vector<std::uint8_t> m_latest;
    std::vector<std::uint8_t> m_beforeLatest;
};

// Keeps the latest draws up to the limit; a longer history is refused.
class WaitingPeriod final : public Counting {
public:
    using Counting::Counting;

    AnalysisResult result() const override {
        if (m_draws < kFewestDraws) return refused(kTooFew, false, CursorAfter::Unmoved);
        if (m_draws > kMostWaitingDraws) return refused(kTooMany, false, CursorAfter::Unmoved);
        const int fields = m_game.fieldsPerDraw;
        const int draws = m_draws;
        AnalysisResult result = started(CursorAfter::PastLast);
        result.values = counts();
        result.periods.assign(static_cast<std::size_t>(m_game.numbers), 0);

        // One pass over the rows: for every number the first row holding it, the row where the
        // rows holding it reach its appearances (a number repeated within a draw counts more
        // appearances than rows hold it, and the search for the missing rows ends at the latest
        // draw) and the latest row holding it.
        const auto numbers = static_cast<std::size_t>(m_game.numbers);
        std::vector<int> first(numbers, 0), last(numbers, 0), rows(numbers, 0), upTo(numbers, 0);
        for (int row = 1; row <= draws; ++row) {
            const auto begin = m_rows.begin() + static_cast<std::ptrdiff_t>(row - 1) * fields;
            for (auto cell = begin; cell != begin + fields; ++cell) {
                if (*cell == 0) continue;
                const std::size_t n = IndexOf(*cell);
                if (last[n] == row) continue;
                if (first[n] == 0) first[n] = row;
                last[n] = row;
                if (++rows[n] <= countOf(n)) upTo[n] = row;
            }
        }
        for (std::size_t n = 0; n < numbers; ++n)
            RateWaiting(countOf(n), first[n], upTo[n], last[n], draws, result.periods[n], result.values[n]);
        return result;
    }

private:
    void added(DrawRow draw, std::uint32_t /*record*/) override {
        m_rows.insert(m_rows.end(), draw.begin(), draw.end());
        // Past the limit only the count matters: the result is a refusal.
        if (m_draws > kMostWaitingDraws) m_rows.clear();
    }

    std::vector<std::uint8_t> m_rows;
};

// The waiting period of the latest draws only: the oldest leaves as a new one comes, and each
// number keeps the rows holding it, so that a result costs one look at each number. Rows hold a
// number at most once in a sound table; a repeated one counts more appearances than rows, and its
// rows reach its appearances at the latest of them, as in the whole analysis.
class LatestWaitingPeriod final : public DrawAccumulator {
public:
    explicit LatestWaitingPeriod(const Game& game)
        : m_game(game),
          m_tally(static_cast<std::size_t>(game.numbers) + 1, 0),
          m_holding(static_cast<std::size_t>(game.numbers) + 1),
          m_period(static_cast<std::size_t>(game.numbers) + 1, 0),
          m_rows(static_cast<std::size_t>(kMostWaitingDraws) * static_cast<std::size_t>(game.fieldsPerDraw)) {}

    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        const auto width = static_cast<std::size_t>(m_game.fieldsPerDraw);
        for (std::size_t r = 0; r < records.size(); ++r) {
            const auto slot = static_cast<std::size_t>(m_added % kMostWaitingDraws) * width;
            if (m_added >= kMostWaitingDraws) {
                const int oldest = m_added - kMostWaitingDraws + 1;
                for (std::size_t f = 0; f < width; ++f) {
                    const std::uint8_t n = m_rows[slot + f];
                    --m_tally[n];
                    if (n != 0 && !m_holding[n].empty() && m_holding[n].front() == oldest) m_holding[n].pop_front();
                    rate(n);
                }
            }
            ++m_added;
            m_latestRecord = records[r];
            for (std::size_t f = 0; f < width; ++f) {
                const std::uint8_t n = cells[r * width + f];
                m_rows[slot + f] = n;
                ++m_tally[n];
                if (n != 0 && (m_holding[n].empty() || m_holding[n].back() != m_added)) m_holding[n].push_back(m_added);
                rate(n);
            }
        }
    }

    AnalysisResult result() const override {
        const int draws = std::min(m_added, kMostWaitingDraws);
        AnalysisResult result;
        result.draws = draws;
        result.cursorRecord = m_latestRecord;
        if (draws < kFewestDraws) {
            result.refusal = kTooFew;
            return result;
        }
        result.cursor = CursorAfter::PastLast;
        result.values.assign(m_tally.begin() + 1, m_tally.end());
        result.periods.assign(m_period.begin() + 1, m_period.end());
        for (std::size_t n = 1; n < m_holding.size(); ++n) {
            // Only the waiting since the number's last row moves with every draw.
            if (m_period[n] <= 0) continue;
            const int waiting = m_added - m_holding[n].back() + 1;  // the latest draw waits 1
            result.values[n - 1] =
                Rating(std::abs(static_cast<long long>(m_period[n]) - waiting), kWaitingCloseRatings);
        }
        return result;
    }

private:
    // The period of a number depends on its count and the distance from its first row in the
    // window to its last, both of which change only when a row holding it comes or goes: it is
    // reckoned then, and a result only measures each number's waiting against it.
    void rate(std::uint8_t n) {
        if (n == 0) return;
        std::int32_t period = 0;
        std::int32_t unused = 0;
        if (!m_holding[n].empty())
            RateWaiting(m_tally[n], 1, m_holding[n].back() - m_holding[n].front() + 1, 1, 1, period, unused);
        m_period[n] = period;
    }

private:
    const Game& m_game;
    int m_added = 0;
    std::uint32_t m_latestRecord = 0;
    std::vector<std::int32_t> m_tally;       // at each number's own index; 0 takes the blanks
    std::vector<std::deque<int>> m_holding;  // the rows holding each number, counted from 1
    std::vector<std::int32_t> m_period;      // each number's period at its own index; 0: none
    std::vector<std::uint8_t> m_rows;        // the window, a ring of rows
};

class Talven final : public Counting {
public:
    // The last rows at each number's own index, as the counts are kept.
    explicit Talven(const Game& game)
        : Counting(game),
          m_lastRow(static_cast<std::size_t>(game.numbers) + 1, 0),
          m_lastRecord(static_cast<std::size_t>(game.numbers), 0),
          m_predicted(static_cast<std::size_t>(game.numbers) + 1, 0) {}

    AnalysisResult result() const override {
        if (m_draws < kFewestDraws) return refused(kTooFew, true, CursorAfter::Unmoved);
        const int draws = m_draws;
        AnalysisResult result = started(CursorAfter::PastLast);
        result.values = counts();
        result.periods.assign(static_cast<std::size_t>(m_game.numbers), 0);
        for (std::int32_t i = 1; i <= m_game.numbers; ++i) {
            const std::int32_t appearances = countOf(IndexOf(i));
            if (appearances <= 1) continue;
            // The search back from the latest draw stops on the number's last appearance.
            result.cursor = CursorAfter::Record;
            result.cursorRecord = m_lastRecord[IndexOf(i)];
            const std::int32_t predicted = m_predicted[static_cast<std::size_t>(i)];
            result.periods[IndexOf(i)] = predicted;
            // The distance from the draw before the latest, not from the next one.
            const long long distance = std::abs(static_cast<long long>(predicted) - draws + 1);
            result.values[IndexOf(i)] = Rating(distance, m_game.talvenCloseRatings);
        }
        return result;
    }

private:
    // After the counts, each number's latest row in the run, searched back from its end: every
    // number of a game turns up within a few dozen draws, so the search seldom reads far.
    void addedRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        const int firstRow = m_draws + 1;
        const auto width = static_cast<std::size_t>(m_game.fieldsPerDraw);
        int* lastRow = m_lastRow.data();
        int missing = m_game.numbers;
        for (std::size_t r = records.size(); r-- > 0 && missing > 0;) {
            for (std::size_t f = 0; f < width; ++f) {
                const std::uint8_t n = cells[r * width + f];
                if (n == 0 || lastRow[n] >= firstRow) continue;
                lastRow[n] = firstRow + static_cast<int>(r);
                m_lastRecord[IndexOf(n)] = records[r];
                --missing;
            }
        }
        countRun(records);
        // A number's predicted draw changes only with its count and its last row, that is when
        // the run holds it: a draw at a time (the back-test's walk) divides for its numbers only.
        if (records.size() * width < static_cast<std::size_t>(m_game.numbers)) {
            for (const std::uint8_t n : cells) predict(n);
        } else {
            for (std::int32_t n = 1; n <= m_game.numbers; ++n) predict(static_cast<std::size_t>(n));
        }
    }

    void predict(std::size_t n) {
        const std::int32_t appearances = m_tally[n];
        if (n == 0 || appearances <= 1) return;
        const long long lastAppearance = m_lastRow[n];
        m_predicted[n] = RoundedQuotient(static_cast<double>(lastAppearance * (appearances + 1)), appearances);
    }

    std::vector<int> m_lastRow;
    std::vector<std::uint32_t> m_lastRecord;
    // The draw each number is predicted for, at its own index, once it came out twice.
    std::vector<std::int32_t> m_predicted;
};

// Whether a draw row is a whole draw: every cell a number, none twice (a bit per number tells).
bool WholeDraw(const std::uint8_t* cell, std::size_t width) {
    std::array<std::uint64_t, 4> seen{};
    for (std::size_t f = 0; f < width; ++f) {
        const std::uint8_t n = cell[f];
        std::uint64_t& word = seen[n >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (n & 63);
        if (n == 0 || (word & bit) != 0) return false;
        word |= bit;
    }
    return true;
}

// A range of sums as the player reads it: «121–130», or «121» alone.
std::string SumLabel(int from, int to) { return from == to ? std::to_string(from) : russian::range(from, to); }

// The widths a range of sums may take: 1–5, then 10, 15, 20, 25, 30, 40, 50 times a power of ten.
int NextBinWidth(int width) {
    if (width < 5) return width + 1;
    int power = 1;
    while (width >= 50 * power) power *= 10;
    for (const int step : {10, 15, 20, 25, 30, 40, 50})
        if (step * power > width) return step * power;
    return 100 * power;
}

// The distribution of the sums of whole draws, in ranges: each sum its own bin where all of them
// fit in kMostSumBins, else ranges of one round width over the middle where all but a thousandth
// of the chance lies at either side, and a range each for the two tails.
class DrawSums final : public Counting {
public:
    explicit DrawSums(const Game& game)
        : Counting(game),
          m_smallest(game.fieldsPerDraw * (game.fieldsPerDraw + 1) / 2),
          m_largest(game.fieldsPerDraw * (2 * game.numbers - game.fieldsPerDraw + 1) / 2),
          m_sums(static_cast<std::size_t>(std::max(m_largest, 0)) + 1, 0) {}

    AnalysisResult result() const override {
        if (m_draws < kFewestDraws) return refused(kTooFew, false, CursorAfter::Unmoved);
        AnalysisResult result = started(CursorAfter::PastLast);
        const std::vector<double> chances = DrawSumChances(m_game.numbers, m_game.fieldsPerDraw);
        for (const auto& [from, to] : bins(chances)) {
            std::int64_t count = 0;
            double chance = 0;
            for (int s = from; s <= to; ++s) {
                count += m_sums[static_cast<std::size_t>(s)];
                chance += chances[static_cast<std::size_t>(s)];
            }
            result.values.push_back(static_cast<std::int32_t>(count));
            result.expected.push_back(chance * static_cast<double>(m_whole));
            result.binLabels.push_back(SumLabel(from, to));
        }
        return result;
    }

private:
    // The runs whole: the counts of the numbers are not needed.
    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        if (records.empty()) return;
        const auto width = static_cast<std::size_t>(m_game.fieldsPerDraw);
        const std::uint8_t* row = cells.data();
        for (std::size_t r = 0; r < records.size(); ++r, row += width) {
            if (!WholeDraw(row, width)) continue;
            int sum = 0;
            for (std::size_t f = 0; f < width; ++f) sum += row[f];
            ++m_sums[static_cast<std::size_t>(sum)];
            ++m_whole;
        }
        countRun(records);
    }

    std::vector<std::pair<int, int>> bins(const std::vector<double>& chances) const {
        std::vector<std::pair<int, int>> bins;
        if (m_largest - m_smallest + 1 <= kMostSumBins) {
            for (int s = m_smallest; s <= m_largest; ++s) bins.emplace_back(s, s);
            return bins;
        }
        constexpr double kTail = 0.001;
        int low = m_smallest, high = m_largest;
        for (double below = chances[static_cast<std::size_t>(low)]; below <= kTail;)
            below += chances[static_cast<std::size_t>(++low)];
        for (double above = chances[static_cast<std::size_t>(high)]; above <= kTail;)
            above += chances[static_cast<std::size_t>(--high)];
        for (int width = 1;; width = NextBinWidth(width)) {
            const int first = std::max(m_smallest, low / width * width);
            const int middle = (high - first) / width + 1;
            const int tails = (first > m_smallest ? 1 : 0) + (first + middle * width <= m_largest ? 1 : 0);
            if (middle + tails > kMostSumBins) continue;
            if (first > m_smallest) bins.emplace_back(m_smallest, first - 1);
            for (int b = 0; b < middle; ++b)
                bins.emplace_back(first + b * width, std::min(m_largest, first + (b + 1) * width - 1));
            if (first + middle * width <= m_largest) bins.emplace_back(first + middle * width, m_largest);
            return bins;
        }
    }

    int m_smallest;
    int m_largest;
    std::vector<std::int64_t> m_sums;  // whole draws by their sum
    std::int64_t m_whole = 0;          // the whole draws among the draws
};

// How often each pair of numbers came out in one whole draw, the most frequent first. The counts
// are one flat table of (N + 1)² cells, each pair counted at (earlier field's number, later
// field's number), so that a draw's pairs cost an increment each and no test of their order.
class Pairs final : public Counting {
public:
    explicit Pairs(const Game& game)
        : Counting(game), m_side(static_cast<std::size_t>(game.numbers) + 1), m_cells(m_side * m_side, 0) {}

    AnalysisResult result() const override {
        if (m_draws < kFewestDraws) return refused(kTooFew, false, CursorAfter::Unmoved);
        AnalysisResult result = started(CursorAfter::PastLast);
        struct Pair {
            std::int64_t count;
            int first, second;
        };
        std::vector<Pair> pairs;
        for (std::size_t a = 1; a < m_side; ++a)
            for (std::size_t b = a + 1; b < m_side; ++b)
                pairs.push_back(
                    {m_cells[a * m_side + b] + m_cells[b * m_side + a], static_cast<int>(a), static_cast<int>(b)});
        const auto shown = std::min<std::size_t>(kPairsShown, pairs.size());
        // The most frequent first; equal counts in the order of their numbers.
        std::partial_sort(pairs.begin(), pairs.begin() + static_cast<std::ptrdiff_t>(shown), pairs.end(),
                          [](const Pair& x, const Pair& y) {
                              if (x.count != y.count) return x.count > y.count;
                              return x.first != y.first ? x.first < y.first : x.second < y.second;
                          });
        const double expected = PairChance(m_game.numbers, m_game.fieldsPerDraw) * static_cast<double>(m_whole);
        for (std::size_t i = 0; i < shown; ++i) {
            result.values.push_back(static_cast<std::int32_t>(pairs[i].count));
            result.expected.push_back(expected);
            result.binLabels.push_back(std::to_string(pairs[i].first) + " и " + std::to_string(pairs[i].second));
        }
        return result;
    }

private:
    // The runs whole: the counts of the numbers are not needed.
    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        if (records.empty()) return;
        const auto width = static_cast<std::size_t>(m_game.fieldsPerDraw);
        const std::uint8_t* row = cells.data();
        std::uint32_t* counts = m_cells.data();
        for (std::size_t r = 0; r < records.size(); ++r, row += width) {
            if (!WholeDraw(row, width)) continue;
            for (std::size_t i = 0; i + 1 < width; ++i) {
                std::uint32_t* line = counts + row[i] * m_side;
                for (std::size_t j = i + 1; j < width; ++j) ++line[row[j]];
            }
            ++m_whole;
        }
        countRun(records);
    }

    std::size_t m_side;
    std::vector<std::uint32_t> m_cells;
    std::int64_t m_whole = 0;
};

template <class Accumulator>
std::unique_ptr<DrawAccumulator> Start(const Game& game) {
    return std::make_unique<Accumulator>(game);
}

const Analysis kAnalyses[] = {
    {.name = "frequency histogram",
     .cliName = "histogram",
     .menuCaption = "Гистограмма",
     .valueMeaning = "count",
     .caption = CaptionKind::DrawCount,
     .start = &Start<Histogram>,
     .backtest = {.cliName = "hot", .caption = "Горячие номера"}},
    {.name = "succession probability",
     .cliName = "succession",
     .menuCaption = "Расчет вероятности",
     .valueMeaning = "score",
     .caption = CaptionKind::LatestDraw,
     .heading = "Расчет вероятности для комплекта шаров: ",
     .start = &Start<Succession>,
     .backtest = {.cliName = "succession", .caption = "Вероятность следования"}},
    {.name = "average waiting period",
     .cliName = "waiting",
     .menuCaption = "Средний период ожидания",
     .valueMeaning = "period",
     .caption = CaptionKind::Heading,
     .heading = "Расчет среднего периода ожидания",
     .start = &Start<WaitingPeriod>,
     .backtest = {.cliName = "waiting",
                  .caption = "Средний период ожидания",
                  .latestDraws = kMostWaitingDraws,
                  .walking = &StartLatestWaitingPeriod}},
    {.name = "Talven method",
     .cliName = "talven",
     .menuCaption = "Метод А. Тальвена",
     .valueMeaning = "rating",
     .caption = CaptionKind::Heading,
     .heading = "Расчет наиболее вероятных номеров по методу А.Тальвена",
     .headingPoints = &Game::talvenCaptionSize,
     .start = &Start<Talven>,
     .backtest = {.cliName = "talven", .caption = "Метод А. Тальвена"}},
    // Below a separator in the menus. Neither picks numbers: the back-test leaves them out.
    {.name = "draw sums",
     .cliName = "sums",
     .menuCaption = "Суммы номеров тиража",
     .valueMeaning = "count",
     .caption = CaptionKind::HeadingAndDraws,
     .heading = "Суммы номеров тиража",
     .headingPoints = nullptr,
     .start = &Start<DrawSums>,
     .binName = "sum",
     .binCaption = "Сумма",
     .picksNumbers = false},
    {.name = "pairs",
     .cliName = "pairs",
     .menuCaption = "Частые пары номеров",
     .valueMeaning = "count",
     .caption = CaptionKind::HeadingAndDraws,
     .heading = "Самые частые пары номеров",
     .headingPoints = nullptr,
     .start = &Start<Pairs>,
     .binName = "pair",
     .binCaption = "Пара",
     .picksNumbers = false},
};

}  // namespace

std::span<const Analysis> Analyses() { return kAnalyses; }
const Analysis& FrequencyHistogramAnalysis() { return kAnalyses[0]; }
const Analysis& SuccessionProbabilityAnalysis() { return kAnalyses[1]; }
const Analysis& AverageWaitingPeriodAnalysis() { return kAnalyses[2]; }
const Analysis& TalvenMethodAnalysis() { return kAnalyses[3]; }
const Analysis& DrawSumsAnalysis() { return kAnalyses[4]; }
const Analysis& PairsAnalysis() { return kAnalyses[5]; }

std::vector<double> DrawSumChances(int highest, int picks) {
    if (picks < 0 || picks > highest) return {};
    const auto largest = static_cast<std::size_t>(picks * (2 * highest - picks + 1) / 2);
    // ways[k][s]: the sets of k of the numbers so far whose sum is s. Counts up to C(99, 49) need
    // no more than a double's relative precision.
    std::vector<std::vector<double>> ways(static_cast<std::size_t>(picks) + 1, std::vector<double>(largest + 1, 0));
    ways[0][0] = 1;
    for (int v = 1; v <= highest; ++v) {
        const auto value = static_cast<std::size_t>(v);
        for (int k = std::min(v, picks); k >= 1; --k) {
            std::vector<double>& to = ways[static_cast<std::size_t>(k)];
            const std::vector<double>& from = ways[static_cast<std::size_t>(k - 1)];
            for (std::size_t s = largest; s >= value; --s) to[s] += from[s - value];
        }
    }
    std::vector<double> chances = std::move(ways[static_cast<std::size_t>(picks)]);
    double all = 0;
    for (const double w : chances) all += w;
    for (double& w : chances) w /= all;
    return chances;
}

double PairChance(int highest, int picks) {
    if (highest < 2) return 0;
    return static_cast<double>(picks) * (picks - 1) / (static_cast<double>(highest) * (highest - 1));
}

const Analysis* AnalysisNamed(const std::string& cliName) {
    for (const Analysis& analysis : kAnalyses)
        if (cliName == analysis.cliName) return &analysis;
    return nullptr;
}

std::unique_ptr<DrawAccumulator> StartLatestWaitingPeriod(const Game& game) {
    return std::make_unique<LatestWaitingPeriod>(game);
}

std::string MenuItemName(const Game& game, std::size_t index) {
    if (index < game.menu.itemNames.size() && game.menu.itemNames[index]) return game.menu.itemNames[index];
    std::string analysis = kAnalyses[index].cliName;
    analysis.front() = static_cast<char>(analysis.front() - 'a' + 'A');
    return game.cliName + analysis;
}

const char* MenuItemCaption(const Game& game, std::size_t index) {
    if (index < game.menu.itemCaptions.size() && game.menu.itemCaptions[index]) return game.menu.itemCaptions[index];
    return kAnalyses[index].menuCaption;
}

AnalysisResult Analyse(const Analysis& analysis, const Game& game, std::span<const std::uint8_t> cells) {
    const auto fields = static_cast<std::size_t>(game.fieldsPerDraw);
    auto accumulator = analysis.start(game);
    std::uint32_t record = 0;
    for (std::size_t at = 0; at + fields <= cells.size(); at += fields)
        accumulator->add(cells.subspan(at, fields), ++record);
    return accumulator->result();
}
