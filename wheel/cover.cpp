#include "wheel/cover.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "analysis/synthetic_draws.h"

namespace wheel {
namespace {

struct ChooseTable {
    std::int64_t value[kMostPositions + 1][kMostPositions + 1] = {};
    ChooseTable() {
        constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
        for (int n = 0; n <= kMostPositions; ++n) {
            value[n][0] = 1;
            for (int r = 1; r <= n; ++r) {
                const std::int64_t a = value[n - 1][r - 1];
                const std::int64_t b = r <= n - 1 ? value[n - 1][r] : 0;
                value[n][r] = a > kMost - b ? kMost : a + b;
            }
        }
    }
};
const ChooseTable kChoose;

void CheckArguments(int v, Guarantee g) {
    if (v < 0 || v > kMostPositions)
        throw std::invalid_argument("a wheel is made of at most " + std::to_string(kMostPositions) + " numbers");
    if (g.t < 1 || g.t > g.m || g.m > v)
        throw std::invalid_argument("a guarantee needs 1 <= t <= m <= the numbers chosen");
}

// Calls `f` with every r-subset of the set bits of `mask`, as a mask.
template <typename F>
void ForEachSubset(std::uint64_t mask, int r, F&& f) {
    int bits[kMostPositions];
    int n = 0;
    for (std::uint64_t rest = mask; rest; rest &= rest - 1) bits[n++] = std::countr_zero(rest);
    if (r > n || r < 0) return;
    if (r == 0) {
        f(std::uint64_t{0});
        return;
    }
    int index[kMostPositions];
    for (int i = 0; i < r; ++i) index[i] = i;
    while (true) {
        std::uint64_t subset = 0;
        for (int i = 0; i < r; ++i) subset |= std::uint64_t{1} << bits[index[i]];
        f(subset);
        int i = r - 1;
        while (i >= 0 && index[i] == n - r + i) --i;
        if (i < 0) return;
        ++index[i];
        for (int j = i + 1; j < r; ++j) index[j] = index[j - 1] + 1;
    }
}

// The colexicographic rank of a set among the sets of its size: Σ C(c_i, i + 1) over its rising
// members c_0 < c_1 < ….
inline std::uint32_t Rank(std::uint64_t set) {
    std::int64_t rank = 0;
    int i = 1;
    for (; set; set &= set - 1, ++i) rank += kChoose.value[std::countr_zero(set)][i];
    return static_cast<std::uint32_t>(rank);
}

std::uint64_t Below(int v) { return v >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << v) - 1; }

class Verifier {
public:
    Verifier(std::span<const std::uint64_t> tickets, int v, Guarantee g)
        : m_v(v), m_t(g.t), m_m(g.m), m_words((tickets.size() + 63) / 64) {
        m_byPosition.assign(static_cast<std::size_t>(v) * m_words, 0);
        for (std::size_t i = 0; i < tickets.size(); ++i)
            for (std::uint64_t rest = tickets[i] & Below(v); rest; rest &= rest - 1)
                m_byPosition[static_cast<std::size_t>(std::countr_zero(rest)) * m_words + i / 64] |= std::uint64_t{1}
                                                                                                     << (i % 64);
        // have[d][j]: the tickets that hold at least j members of the partial set of size d.
        m_have.assign(static_cast<std::size_t>(m_m + 1) * (m_t + 1) * m_words, 0);
        for (std::size_t w = 0; w < m_words; ++w) {
            const std::size_t left = tickets.size() - w * 64;
            m_have[w] = left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
        }
        m_path.resize(static_cast<std::size_t>(m_m));
    }

    void run(Verification& out) {
        m_out = &out;
        walk(0, 0);
    }

private:
    std::uint64_t* have(int d, int j) {
        return m_have.data() + (static_cast<std::size_t>(d) * (m_t + 1) + static_cast<std::size_t>(j)) * m_words;
    }

    void walk(int d, int start) {
        for (int x = start; x <= m_v - (m_m - d); ++x) {
            const std::uint64_t* by = m_byPosition.data() + static_cast<std::size_t>(x) * m_words;
            // Enough to know whether some ticket now holds t: the other levels only matter below.
            const std::uint64_t* fromT = have(d, m_t);
            const std::uint64_t* fromBelow = have(d, m_t - 1);
            bool met = false;
            for (std::size_t w = 0; w < m_words && !met; ++w) met = (fromT[w] | (fromBelow[w] & by[w])) != 0;
            if (met) continue;  // every completion of the partial set is met too
            m_path[static_cast<std::size_t>(d)] = x;
            if (d + 1 == m_m) {
                if (m_out->uncovered++ == 0) m_out->witness.assign(m_path.begin(), m_path.end());
                continue;
            }
            for (int j = 0; j <= m_t; ++j) {
                const std::uint64_t* same = have(d, j);
                std::uint64_t* next = have(d + 1, j);
                if (j == 0) {
                    std::copy(same, same + m_words, next);
                    continue;
                }
                const std::uint64_t* less = have(d, j - 1);
                for (std::size_t w = 0; w < m_words; ++w) next[w] = same[w] | (less[w] & by[w]);
            }
            walk(d + 1, x + 1);
        }
    }

    int m_v, m_t, m_m;
    std::size_t m_words;
    std::vector<std::uint64_t> m_byPosition;
    std::vector<std::uint64_t> m_have;
    std::vector<int> m_path;
    Verification* m_out = nullptr;
};

bool IsFullWheel(std::span<const std::uint64_t> tickets, int v) {
    if (tickets.empty()) return false;
    const int k = std::popcount(tickets.front());
    if (static_cast<std::int64_t>(tickets.size()) != Choose(v, k)) return false;
    std::vector<std::uint64_t> sorted(tickets.begin(), tickets.end());
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); ++i)
        if (std::popcount(sorted[i]) != k || (sorted[i] & ~Below(v)) != 0 || (i > 0 && sorted[i] == sorted[i - 1]))
            return false;
    return true;
}

}  // namespace

std::int64_t Choose(int n, int r) {
    if (n < 0 || r < 0 || r > n) return 0;
    if (n > kMostPositions) return r == 0 || r == n ? 1 : std::numeric_limits<std::int64_t>::max();
    return kChoose.value[n][r];
}

Verification Verify(std::span<const std::uint64_t> tickets, int v, Guarantee g) {
    CheckArguments(v, g);
    Verification out;
    out.checked = Choose(v, g.m);
    const int k = tickets.empty() ? 0 : std::popcount(tickets.front() & Below(v));
    if (k >= g.t && IsFullWheel(tickets, v)) {
        // Every k-set is a ticket: the drawn m-set lies in one (k >= m) or holds one (k < m).
        out.holds = true;
        out.byCounting = true;
        return out;
    }
    Verifier(tickets, v, g).run(out);
    out.holds = out.uncovered == 0;
    return out;
}

std::int64_t LowerBound(int v, int k, Guarantee g) {
    CheckArguments(v, g);
    if (k >= v) return 1;
    if (g.m == g.t) {
        std::int64_t bound = 1;
        for (int i = g.t - 1; i >= 0; --i) bound = (static_cast<std::int64_t>(v - i) * bound + (k - i) - 1) / (k - i);
        return bound;
    }
    std::int64_t perTicket = 0;
    for (int j = g.t; j <= std::min(k, g.m); ++j) perTicket += Choose(k, j) * Choose(v - k, g.m - j);
    if (perTicket == 0) return 0;
    return std::max<std::int64_t>(1, (Choose(v, g.m) + perTicket - 1) / perTicket);
}

std::vector<std::uint64_t> FullWheel(int v, int k) {
    std::vector<std::uint64_t> tickets;
    if (v < 0 || v > kMostPositions || k < 1 || k > v) return tickets;
    std::vector<std::uint64_t> colex;
    ForEachSubset(Below(v), k, [&](std::uint64_t s) { colex.push_back(s); });
    // ForEachSubset walks the rising positions lexicographically already.
    return colex;
}

namespace {

using Clock = std::chrono::steady_clock;

class Annealer {
public:
    Annealer(int v, int k, Guarantee g, const SearchOptions& options)
        : m_v(v),
          m_k(k),
          m_t(g.t),
          m_m(g.m),
          m_options(options),
          m_random(options.seed ^ 0x5EA2C4ull),
          m_all(Below(v)) {
        const std::int64_t sets = Choose(v, g.m);
        m_count.assign(static_cast<std::size_t>(sets), 0);
        m_place.resize(static_cast<std::size_t>(sets));
        m_uncovered.resize(static_cast<std::size_t>(sets));
        for (std::size_t i = 0; i < m_uncovered.size(); ++i) {
            m_uncovered[i] = static_cast<std::uint32_t>(i);
            m_place[i] = static_cast<std::uint32_t>(i);
        }
        m_start = Clock::now();
        // An exchange changes many m-sets at once when m > t: the temperature follows its size.
        m_scale = std::max(1.0, std::sqrt(static_cast<double>(Choose(v - k - 1, g.m - g.t))));
    }

    SearchResult run() {
        SearchResult result;
        result.lowerBound = LowerBound(m_v, m_k, {m_t, m_m});
        m_bound = result.lowerBound;
        for (const std::uint64_t block : Partitioned()) add(block);
        greedy();
        prune();
        if (m_stopped) {
            result.cancelled = cancelled();
            finish(result);
            return result;
        }
        keep();
        while (static_cast<std::int64_t>(m_best.size()) > m_bound && !stopNow(true)) {
            dropOne();
            if (!anneal()) break;
            keep();
        }
        result.cancelled = cancelled();
        finish(result);
        return result;
    }

private:
    double seconds() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }
    bool cancelled() const { return m_options.cancel && m_options.cancel->load(std::memory_order_relaxed); }

    // Now and then: the clock, the cancel and the progress.
    bool stopNow(bool now = false) {
        if (m_stopped) return true;
        if (m_options.moveBudget > 0 && m_moves >= m_options.moveBudget) m_stopped = true;
        if ((m_moves & 255) == 0 || m_stopped || now) {
            const double now = seconds();
            if (now >= m_options.seconds || cancelled()) m_stopped = true;
            if (m_options.progress && (now - m_reported >= 0.1 || m_stopped)) {
                m_reported = now;
                SearchProgress p;
                p.best = static_cast<int>(m_best.size());
                p.trying = static_cast<int>(m_blocks.size());
                p.lowerBound = m_bound;
                p.seconds = now;
                p.fraction = m_options.seconds > 0 ? std::min(1.0, now / m_options.seconds) : 1.0;
                m_options.progress(p);
            }
        }
        return m_stopped;
    }

    void increase(std::uint64_t set) {
        const std::uint32_t r = Rank(set);
        if (m_count[r]++ == 0) take(r);
    }
    void decrease(std::uint64_t set) {
        const std::uint32_t r = Rank(set);
        if (--m_count[r] == 0) {
            m_place[r] = static_cast<std::uint32_t>(m_uncovered.size());
            m_uncovered.push_back(r);
        }
    }
    void take(std::uint32_t r) {
        const std::uint32_t at = m_place[r];
        const std::uint32_t last = m_uncovered.back();
        m_uncovered[at] = last;
        m_place[last] = at;
        m_uncovered.pop_back();
    }

    // Every m-set a ticket meets in t or more.
    template <typename F>
    void forEachMet(std::uint64_t block, F&& f) {
        const std::uint64_t outside = m_all & ~block;
        for (int j = m_t; j <= std::min(m_k, m_m); ++j)
            ForEachSubset(block, j, [&](std::uint64_t inside) {
                ForEachSubset(outside, m_m - j, [&](std::uint64_t rest) { f(inside | rest); });
            });
    }

    void add(std::uint64_t block) {
        m_blocks.push_back(block);
        forEachMet(block, [&](std::uint64_t s) { increase(s); });
    }

    // The m-set an uncovered rank stands for.
    std::uint64_t unrank(std::uint32_t rank) const {
        std::uint64_t set = 0;
        std::int64_t rest = rank;
        for (int i = m_m; i >= 1; --i) {
            int c = i - 1;
            while (c + 1 < m_v && kChoose.value[c + 1][i] <= rest) ++c;
            set |= std::uint64_t{1} << c;
            rest -= kChoose.value[c][i];
        }
        return set;
    }

    int randomMember(std::uint64_t set) {
        int n = static_cast<int>(m_random.below(static_cast<std::uint64_t>(std::popcount(set))));
        for (; n > 0; --n) set &= set - 1;
        return std::countr_zero(set);
    }

    void greedy() {
        const int tries = m_m == m_t ? 24 : 4;
        while (!m_uncovered.empty()) {
            const std::uint64_t target = unrank(m_uncovered[m_random.below(m_uncovered.size())]);
            std::uint64_t bestBlock = 0;
            std::int64_t bestGain = -1;
            for (int i = 0; i < tries; ++i) {
                std::uint64_t block = 0;
                std::uint64_t from = target;
                for (int j = 0; j < m_t; ++j) {
                    const int x = randomMember(from);
                    block |= std::uint64_t{1} << x;
                    from &= ~(std::uint64_t{1} << x);
                }
                while (std::popcount(block) < m_k) block |= std::uint64_t{1} << randomMember(m_all & ~block);
                std::int64_t gain = 0;
                forEachMet(block, [&](std::uint64_t s) { gain += m_count[Rank(s)] == 0; });
                if (gain > bestGain) {
                    bestGain = gain;
                    bestBlock = block;
                }
            }
            add(bestBlock);
            ++m_moves;
            if (stopNow()) return;
        }
    }

    // For m > t, the pigeonhole start: r = ⌊(m − 1)/(t − 1)⌋ parts of the numbers, each covered
    // for «t if t» on its own; any m drawn numbers put t in one part, whose covering meets them.
    // Empty when it does not apply; the annealing then starts from the greedy covering alone.
    std::vector<std::uint64_t> Partitioned() {
        std::vector<std::uint64_t> blocks;
        if (m_m == m_t || m_t < 2) return blocks;
        const int parts = std::min(m_v, (m_m - 1) / (m_t - 1));
        if (parts < 2) return blocks;  // one part is a covering of t-sets: larger than the greedy start
        SearchOptions part;
        part.seed = m_options.seed;
        part.cancel = m_options.cancel;
        part.seconds = 0.4 * m_options.seconds / parts;
        part.moveBudget = m_options.moveBudget / (2 * parts);
        int first = 0;
        for (int i = 0; i < parts; ++i) {
            const int size = m_v / parts + (i < m_v % parts ? 1 : 0);
            const std::uint64_t in = Below(first + size) & ~Below(first);
            if (size >= m_t) {
                if (size <= m_k) {
                    // One ticket holds the whole part, the rest of it any other numbers.
                    std::uint64_t block = in;
                    for (int x = 0; x < m_v && std::popcount(block) < m_k; ++x) block |= std::uint64_t{1} << x;
                    blocks.push_back(block);
                } else {
                    for (const std::uint64_t local : Search(size, m_k, {m_t, m_t}, part).tickets)
                        blocks.push_back(local << first);
                }
            }
            first += size;
        }
        if (!Verify(blocks, m_v, {m_t, m_m}).holds) blocks.clear();  // cut short: no start of its own
        return blocks;
    }

    void keep() {
        const Verification check = Verify(m_blocks, m_v, {m_t, m_m});
        if (check.holds) {
            m_best = m_blocks;
            m_bestSeconds = seconds();
        }
    }

    // Drops, in one pass, every ticket whose m-sets all have another ticket meeting them.
    void prune() {
        for (std::size_t i = 0; i < m_blocks.size();) {
            bool alone = false;
            forEachMet(m_blocks[i], [&](std::uint64_t s) { alone = alone || m_count[Rank(s)] == 1; });
            if (alone) {
                ++i;
                continue;
            }
            const std::uint64_t block = m_blocks[i];
            m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(i));
            forEachMet(block, [&](std::uint64_t s) { decrease(s); });
        }
    }

    // One ticket fewer: the one whose loss uncovers the fewest m-sets.
    void dropOne() {
        std::size_t worst = 0;
        std::int64_t fewest = std::numeric_limits<std::int64_t>::max();
        for (std::size_t i = 0; i < m_blocks.size(); ++i) {
            std::int64_t only = 0;
            forEachMet(m_blocks[i], [&](std::uint64_t s) { only += m_count[Rank(s)] == 1; });
            if (only < fewest) {
                fewest = only;
                worst = i;
            }
        }
        const std::uint64_t block = m_blocks[worst];
        m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(worst));
        forEachMet(block, [&](std::uint64_t s) { decrease(s); });
    }

    double uniform() { return static_cast<double>(m_random.next() >> 11) * 0x1.0p-53; }

    // Anneals the tickets until every m-set is met (true) or the search must stop (false).
    bool anneal() {
        const double hot = kHot * m_scale, cold = kCold * m_scale;
        double temperature = hot;
        std::vector<std::size_t> near;
        while (!m_uncovered.empty()) {
            ++m_moves;
            if (stopNow()) return false;
            const std::uint64_t target = unrank(m_uncovered[m_random.below(m_uncovered.size())]);
            // Tickets one number short of meeting the target in t: one exchange covers it.
            near.clear();
            for (std::size_t i = 0; i < m_blocks.size(); ++i)
                if (std::popcount(m_blocks[i] & target) == m_t - 1) near.push_back(i);
            const std::size_t which =
                near.empty() ? m_random.below(m_blocks.size()) : near[m_random.below(near.size())];
            const std::uint64_t block = m_blocks[which];
            if ((target & ~block) == 0 || (block & ~target) == 0) continue;
            const int y = randomMember(target & ~block);
            const int x = randomMember(block & ~target);
            const std::uint64_t bx = std::uint64_t{1} << x, by = std::uint64_t{1} << y;
            // The m-sets that change: x, t−1 others of the ticket and m−t outside both (they lose
            // the ticket), or the same with y for x (they gain it).
            const std::uint64_t stay = block & ~bx;
            const std::uint64_t outside = m_all & ~block & ~by;
            std::int64_t delta = 0;
            ForEachSubset(stay, m_t - 1, [&](std::uint64_t a) {
                ForEachSubset(outside, m_m - m_t, [&](std::uint64_t c) {
                    delta += m_count[Rank(a | c | bx)] == 1;
                    delta -= m_count[Rank(a | c | by)] == 0;
                });
            });
            temperature = std::max(cold, temperature * kCooling);
            if (temperature <= cold) temperature = hot;  // frozen without a covering: heat again
            if (delta > 0 && uniform() >= std::exp(-static_cast<double>(delta) / temperature)) continue;
            ForEachSubset(stay, m_t - 1, [&](std::uint64_t a) {
                ForEachSubset(outside, m_m - m_t, [&](std::uint64_t c) {
                    increase(a | c | by);
                    decrease(a | c | bx);
                });
            });
            m_blocks[which] = stay | by;
        }
        return true;
    }

    void finish(SearchResult& result) {
        result.tickets = m_best;
        std::sort(result.tickets.begin(), result.tickets.end(), [](std::uint64_t a, std::uint64_t b) {
            // Rising by their lowest differing position: the order a player reads them in.
            const std::uint64_t differ = a ^ b;
            return differ && (a & differ & (~differ + 1)) != 0;
        });
        result.reachedBound = !m_best.empty() && static_cast<std::int64_t>(m_best.size()) <= m_bound;
        result.seconds = seconds();
        result.moves = m_moves;
        result.secondsToBest = m_bestSeconds;
    }

    static constexpr double kHot = 1.2;
    static constexpr double kCold = 0.08;
    static constexpr double kCooling = 0.99995;

    int m_v, m_k, m_t, m_m;
    const SearchOptions& m_options;
    SplitMix64 m_random;
    std::uint64_t m_all;
    std::vector<std::uint32_t> m_count;      // per m-set (by rank): the tickets meeting it in t or more
    std::vector<std::uint32_t> m_uncovered;  // the ranks met by none
    std::vector<std::uint32_t> m_place;      // where a rank stands in m_uncovered
    std::vector<std::uint64_t> m_blocks, m_best;
    double m_scale = 1;
    std::int64_t m_bound = 0;
    std::int64_t m_moves = 0;
    bool m_stopped = false;
    double m_reported = -1;
    double m_bestSeconds = 0;
    Clock::time_point m_start;
};

}  // namespace

SearchResult Search(int v, int k, Guarantee g, const SearchOptions& options) {
    CheckArguments(v, g);
    if (k < 1 || k > v || g.t > k) throw std::invalid_argument("a ticket holds 1 to v numbers, and at least t");
    if (Choose(v, g.m) > kMostSearchSets) throw std::invalid_argument("too many sets of drawn numbers to search over");
    return Annealer(v, k, g, options).run();
}

}  // namespace wheel
