// Filters: what each keeps counted combinatorially over every combination of a game, against the
// plain count one combination after another; parsing; hot and absent numbers.
#include <gtest/gtest.h>

#include <numeric>

#include "analysis/game.h"
#include "wheel/filters.h"

namespace {

using namespace wheel;

// Every combination of `size` numbers of 1..N, kept by all filters: the plain way.
std::int64_t BruteKept(const Game& game, const std::vector<Filter>& filters, int size) {
    std::vector<int> c(static_cast<std::size_t>(size));
    std::iota(c.begin(), c.end(), 1);
    std::int64_t kept = 0;
    while (true) {
        kept += KeepsAll(game, filters, c);
        int i = size - 1;
        while (i >= 0 && c[static_cast<std::size_t>(i)] == game.numbers - size + 1 + i) --i;
        if (i < 0) return kept;
        ++c[static_cast<std::size_t>(i)];
        for (int j = i + 1; j < size; ++j) c[static_cast<std::size_t>(j)] = c[static_cast<std::size_t>(j - 1)] + 1;
    }
}

Filter Parsed(const std::string& text) {
    Filter f;
    std::string analysis;
    int count = 0;
    const auto fault = ParseFilter(text, f, analysis, count);
    EXPECT_FALSE(fault) << *fault;
    return f;
}

TEST(Filters, EachKeptCountMatchesTheCountOneByOne) {
    const Game& game = *GameNamed("g536");
    for (const char* text : {"sum=60-100", "odd=2-3", "low=0-1", "run=1-1", "run=3-5", "decade=0-2", "digit=0-1",
                             "from=1,2,3,4,5,6,7,8:2-2"}) {
        const Filter f = Parsed(text);
        const Kept all = KeptOfAll(game, {f}, 5);
        EXPECT_EQ(all.of, 376992) << text;
        EXPECT_TRUE(all.known);
        EXPECT_EQ(all.kept, BruteKept(game, {f}, 5)) << text;
        EXPECT_GT(all.kept, 0) << text;
        EXPECT_LT(all.kept, all.of) << text;
    }
    // Measures by hand: 3 4 5 is a run of three, 31 38 share a decade and 8 38 a last digit.
    const std::vector<int> c = {3, 4, 5, 31, 38};
    EXPECT_EQ(Measure(game, Parsed("sum=0-0"), c), 81);
    EXPECT_EQ(Measure(game, Parsed("odd=0-0"), c), 3);
    EXPECT_EQ(Measure(game, Parsed("low=0-0"), c), 3);
    EXPECT_EQ(Measure(game, Parsed("run=0-0"), c), 3);
    EXPECT_EQ(Measure(game, Parsed("decade=0-0"), c), 3);
    EXPECT_EQ(Measure(game, Parsed("digit=0-0"), c), 1);
    // Several together are counted one combination after another.
    const std::vector<Filter> two = {Parsed("sum=70-110"), Parsed("odd=2-3")};
    EXPECT_EQ(KeptOfAll(game, two, 5).kept, BruteKept(game, two, 5));
}

TEST(Filters, PastDrawsAreExcludedAndCounted) {
    const Game& game = *GameNamed("g536");
    Filter drawn = Parsed("drawn");
    drawn.low = drawn.high = 0;  // keep what was never drawn
    SetDraws(drawn, {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {1, 2, 3, 4, 5}});
    EXPECT_FALSE(Keeps(game, drawn, {1, 2, 3, 4, 5}));
    EXPECT_TRUE(Keeps(game, drawn, {1, 2, 3, 4, 6}));
    EXPECT_EQ(KeptOfAll(game, {drawn}, 5).kept, 376992 - 2);
    EXPECT_EQ(KeptOf(game, {drawn}, {{1, 2, 3, 4, 5}, {1, 2, 3, 4, 6}, {6, 7, 8, 9, 10}}).kept, 1);
    // A smaller ticket lies inside a past draw; a larger one holds it.
    EXPECT_FALSE(Keeps(game, drawn, {7, 9}));
    EXPECT_FALSE(Keeps(game, drawn, {1, 2, 3, 4, 5, 36}));
}

TEST(Filters, ParsingAndItsMistakes) {
    Filter f;
    std::string analysis;
    int count = 0;
    EXPECT_FALSE(ParseFilter("hot=10:2-4", f, analysis, count));
    EXPECT_EQ(analysis, "hot");
    EXPECT_EQ(count, 10);
    EXPECT_EQ(f.low, 2);
    EXPECT_EQ(f.high, 4);
    const std::pair<const char*, const char*> mistakes[] = {
        {"heat=1-2", "unknown filter 'heat' (sum, odd, low, run, decade, digit, from, hot, absent or drawn)"},
        {"sum=9-1", "filter 'sum=9-1' needs a range A-B of whole numbers, A <= B"},
        {"sum", "filter 'sum' needs a range A-B of whole numbers, A <= B"},
        {"hot=2-4", "filter 'hot=2-4' needs numbers, a colon and a range, as in hot=10:2-4"},
        {"from=1,x:1-2", "filter 'from=1,x:1-2': 'x' is not a number"},
        {"absent=0:1-2", "filter 'absent=0:1-2': '0' is not a count of numbers"},
        {"drawn=1", "filter 'drawn' takes no value"},
    };
    for (const auto& [text, message] : mistakes) {
        const auto fault = ParseFilter(text, f, analysis, count);
        ASSERT_TRUE(fault) << text;
        EXPECT_EQ(*fault, message);
    }
}

TEST(Filters, HotAndAbsentNumbers) {
    const Game& game = *GameNamed("g536");
    const std::vector<std::vector<int>> draws = {{1, 2, 3, 4, 5}, {1, 2, 6, 7, 8}, {1, 9, 10, 11, 12}};
    EXPECT_EQ(HotNumbers(game, draws, 2), (std::vector<int>{1, 2}));
    // Never drawn first (13, 14, …), lower numbers first among equals.
    EXPECT_EQ(AbsentNumbers(game, draws, 3), (std::vector<int>{13, 14, 15}));
    EXPECT_EQ(AbsentNumbers(game, {{1, 2, 3, 4, 5}}, 36).size(), 36u);
}

}  // namespace
