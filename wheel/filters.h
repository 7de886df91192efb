// Filters over combinations: a wheel's tickets, a full wheel, or every combination of a game. Each
// filter keeps the combinations whose measure lies in a range, and says exactly how many it keeps:
// counted one by one over a list, and over all combinations of a game counted combinatorially
// (one number after another, keeping only the measure's state). A filter changes which tickets
// are bought and how many, never the chance of any one of them; a filtered wheel loses its
// guarantee unless the check finds it still holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/game.h"

namespace wheel {

struct Filter {
    enum class Kind {
        kSum,        // the sum of the numbers
        kOdd,        // how many are odd
        kLow,        // how many are in the low half, 1..N/2
        kRun,        // the longest run of consecutive numbers (1 when none are neighbours)
        kDecade,     // the most numbers in one decade (1–9, 10–19, …)
        kLastDigit,  // the most numbers sharing a last digit
        kFrom,       // how many are among `numbers` (hot numbers, long absent ones, …)
        kDrawn,      // 1 when a past draw holds the combination (or it a draw's numbers), else 0
    };
    Kind kind = Kind::kSum;
    int low = 0, high = 0;     // the measure kept: low..high
    std::vector<int> numbers;  // kFrom: the set
    // kDrawn: the past draws as two-word masks of their numbers, sorted (SetDraws), and their size.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> draws;
    int drawSize = 0;
    std::string label;  // how the player named it ("hot=10:2-6")
};

// Gives a kDrawn filter the draws of the history.
void SetDraws(Filter& filter, const std::vector<std::vector<int>>& draws);

// The filter's measure of one combination (numbers rising).
int Measure(const Game& game, const Filter& filter, const std::vector<int>& combination);
bool Keeps(const Game& game, const Filter& filter, const std::vector<int>& combination);
bool KeepsAll(const Game& game, const std::vector<Filter>& filters, const std::vector<int>& combination);

// A filter as the companion names it: sum=A-B, odd=A-B, low=A-B, run=A-B, decade=A-B, digit=A-B,
// from=N,N,...:A-B; "drawn" (the history's draws, filled in by the caller) and hot=K:A-B /
// absent=K:A-B (K numbers of an analysis, filled in by the caller) come back with their kind and
// range and an empty set. Returns the mistake in English, or nullopt.
std::optional<std::string> ParseFilter(const std::string& text, Filter& filter, std::string& analysis, int& count);

// How many combinations a filter keeps, of how many.
struct Kept {
    std::int64_t kept = 0;
    std::int64_t of = 0;
    bool known = true;  // false: too many combinations to count this way
};
Kept KeptOf(const Game& game, const std::vector<Filter>& filters, const std::vector<std::vector<int>>& combinations);
// Over every combination of `size` numbers of the game: one filter counted combinatorially, or
// several together one combination after another when there are at most kMostCountedCombinations.
inline constexpr std::int64_t kMostCountedCombinations = 16'000'000;
Kept KeptOfAll(const Game& game, const std::vector<Filter>& filters, int size);

// The hot numbers (drawn most often) and the long absent ones (not drawn for the longest), `count`
// of each, from the draws (oldest first), ties to the lower number.
std::vector<int> HotNumbers(const Game& game, const std::vector<std::vector<int>>& draws, int count);
std::vector<int> AbsentNumbers(const Game& game, const std::vector<std::vector<int>>& draws, int count);

}  // namespace wheel
