// Coverings of the chosen numbers by tickets, on positions 0..v-1 (the layer above maps them to a
// game's numbers): the exact check that every set of m drawn positions meets some ticket in at
// least t, the lower bounds of a covering's size, and the search for a small one. Tickets are
// bit masks, so v is at most 64; plain C++ without Qt.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace wheel {

inline constexpr int kMostPositions = 64;

// «t if m»: whenever m of the drawn numbers are among the chosen ones, some ticket holds at least
// t of them.
struct Guarantee {
    int t = 3;
    int m = 3;
    bool operator==(const Guarantee&) const = default;
};

// C(n, r) exactly for n up to 64 (0 outside 0 <= r <= n); saturates at INT64_MAX beyond.
std::int64_t Choose(int n, int r);

struct Verification {
    bool holds = false;
    std::int64_t checked = 0;    // the m-sets of positions the guarantee speaks of: C(v, m)
    std::int64_t uncovered = 0;  // of them, those no ticket meets in t
    std::vector<int> witness;    // the first such m-set (positions, rising); empty when it holds
    bool byCounting = false;     // every k-set is a ticket: it holds without looking at the m-sets
};

// Checks every m-set of the v positions (pruning each partial set some ticket already meets in t,
// with all its completions counted at once), or proves the full set of k-sets by counting.
// `tickets` are masks of positions below v.
Verification Verify(std::span<const std::uint64_t> tickets, int v, Guarantee guarantee);

// How small a covering can be. For m = t, Schönheim's bound ⌈v/k ⌈(v−1)/(k−1) ⌈…⌈(v−t+1)/(k−t+1)⌉…⌉⌉⌉;
// for m > t, the counting bound: C(v, m) over the m-sets one ticket of k meets in t or more.
std::int64_t LowerBound(int v, int k, Guarantee guarantee);
// Whether LowerBound is Schönheim's (m = t) rather than the counting bound.
inline bool LowerBoundIsSchoenheim(Guarantee guarantee) { return guarantee.m == guarantee.t; }

// Every k-set of the v positions, in lexicographic order.
std::vector<std::uint64_t> FullWheel(int v, int k);

struct SearchProgress {
    int best = 0;    // tickets of the smallest covering found so far (0: none yet)
    int trying = 0;  // tickets of the covering being searched for now
    std::int64_t lowerBound = 0;
    double seconds = 0;   // since the search began
    double fraction = 0;  // of the time allowed
};

struct SearchOptions {
    double seconds = 5;      // the time allowed; the best covering so far is kept when it runs out
    std::uint64_t seed = 1;  // the same seed and the same work done give the same tickets
    // Caps the annealing's moves (0: none), so that a seeded search ends the same on every
    // machine however fast: the tests and the benchmark use it.
    std::int64_t moveBudget = 0;
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(const SearchProgress&)> progress;  // now and then, on the searching thread
};

struct SearchResult {
    std::vector<std::uint64_t> tickets;  // verified: the guarantee holds for them
    std::int64_t lowerBound = 0;
    bool reachedBound = false;
    bool cancelled = false;
    double seconds = 0;
    double secondsToBest = 0;  // when the covering returned was found
    std::int64_t moves = 0;
};

// A greedy covering first, then simulated annealing over the tickets (one number of a ticket
// exchanged for another, with the count of tickets meeting each m-set kept as it goes) to cover
// everything with one ticket fewer, again and again, until the lower bound, the time or the move
// budget is reached or the search is cancelled. Only a covering Verify accepts is returned; a
// search cancelled before its first covering returns no tickets. Refuses (std::invalid_argument)
// a v, k or guarantee it cannot serve: v above 64, k outside 1..v, t outside 1..min(k, m), m
// above v, or more m-sets than it can count (kMostSearchSets).
inline constexpr std::int64_t kMostSearchSets = 10'000'000;  // 12 bytes each while searching
SearchResult Search(int v, int k, Guarantee guarantee, const SearchOptions& options);

}  // namespace wheel
