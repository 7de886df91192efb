// Filters over combinations and the exact counts of what they keep.
#include "wheel/filters.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <unordered_map>

#include "wheel/cover.h"

namespace wheel {
namespace {

std::optional<int> Whole(const std::string& word) {
    int value = 0;
    const auto [end, fault] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || fault != std::errc() || end != word.data() + word.size() || value < 0) return std::nullopt;
    return value;
}

bool Range(const std::string& text, int& low, int& high) {
    const std::size_t dash = text.find('-');
    const auto a = Whole(text.substr(0, dash));
    const auto b = dash == std::string::npos ? a : Whole(text.substr(dash + 1));
    if (!a || !b || *a > *b) return false;
    low = *a;
    high = *b;
    return true;
}

using Mask128 = std::pair<std::uint64_t, std::uint64_t>;
Mask128 MaskOf(const int* numbers, std::size_t count) {
    Mask128 mask{0, 0};
    for (std::size_t i = 0; i < count; ++i)
        (numbers[i] < 64 ? mask.first : mask.second) |= std::uint64_t{1} << (numbers[i] % 64);
    return mask;
}
bool Within(Mask128 a, Mask128 b) { return (a.first & ~b.first) == 0 && (a.second & ~b.second) == 0; }

int MostOf(const int* counts, int n) { return n == 0 ? 0 : *std::max_element(counts, counts + n); }

// One filter over every combination of `size` numbers, one number after another: the state is
// the count chosen (5 bits) and what the measure needs so far.
Kept CountOne(const Game& game, const Filter& f, int size) {
    using State = std::uint64_t;
    std::unordered_map<State, std::uint64_t> now{{0, 1}}, next;
    const int half = game.numbers / 2;
    auto step = [&](State s, int n, bool chosen) -> State {
        State count = s & 31, rest = s >> 5;
        if (chosen) ++count;
        switch (f.kind) {
            case Filter::Kind::kSum:
                rest += chosen ? static_cast<State>(n) : 0;
                break;
            case Filter::Kind::kOdd:
                rest += chosen && n % 2 == 1;
                break;
            case Filter::Kind::kLow:
                rest += chosen && n <= half;
                break;
            case Filter::Kind::kFrom:
                rest += chosen && std::find(f.numbers.begin(), f.numbers.end(), n) != f.numbers.end();
                break;
            case Filter::Kind::kRun:
            case Filter::Kind::kDecade: {
                State current = rest & 31, most = rest >> 5;
                if (f.kind == Filter::Kind::kRun ? !chosen : n % 10 == 0) current = 0;
                if (chosen) ++current;
                rest = current | (std::max(most, current) << 5);
                break;
            }
            case Filter::Kind::kLastDigit:
                if (chosen) rest += State{1} << (5 * (n % 10));
                break;
            case Filter::Kind::kDrawn:
                break;
        }
        return count | (rest << 5);
    };
    auto measure = [&](State s) -> int {
        const State rest = s >> 5;
        switch (f.kind) {
            case Filter::Kind::kRun:
            case Filter::Kind::kDecade:
                return static_cast<int>(rest >> 5);
            case Filter::Kind::kLastDigit: {
                int most = 0;
                for (int d = 0; d < 10; ++d) most = std::max(most, static_cast<int>((rest >> (5 * d)) & 31));
                return most;
            }
            default:
                return static_cast<int>(rest);
        }
    };
    for (int n = 1; n <= game.numbers; ++n) {
        next.clear();
        for (const auto& [state, ways] : now) {
            next[step(state, n, false)] += ways;
            if (static_cast<int>(state & 31) < size) next[step(state, n, true)] += ways;
        }
        std::swap(now, next);
    }
    Kept out;
    for (const auto& [state, ways] : now) {
        if (static_cast<int>(state & 31) != size) continue;
        out.of += static_cast<std::int64_t>(ways);
        const int value = measure(state);
        if (value >= f.low && value <= f.high) out.kept += static_cast<std::int64_t>(ways);
    }
    return out;
}

}  // namespace

void SetDraws(Filter& filter, const std::vector<std::vector<int>>& draws) {
    filter.draws.clear();
    for (const auto& draw : draws) {
        filter.draws.push_back(MaskOf(draw.data(), draw.size()));
        filter.drawSize = static_cast<int>(draw.size());
    }
    std::sort(filter.draws.begin(), filter.draws.end());
}

int Measure(const Game& game, const Filter& f, const std::vector<int>& c) {
    switch (f.kind) {
        case Filter::Kind::kSum:
            return std::accumulate(c.begin(), c.end(), 0);
        case Filter::Kind::kOdd:
            return static_cast<int>(std::count_if(c.begin(), c.end(), [](int n) { return n % 2; }));
        case Filter::Kind::kLow:
            return static_cast<int>(std::count_if(c.begin(), c.end(), [&](int n) { return n <= game.numbers / 2; }));
        case Filter::Kind::kFrom:
            return static_cast<int>(std::count_if(c.begin(), c.end(), [&](int n) {
                return std::find(f.numbers.begin(), f.numbers.end(), n) != f.numbers.end();
            }));
        case Filter::Kind::kRun: {
            int most = 0, current = 0;
            for (std::size_t i = 0; i < c.size(); ++i) {
                current = i > 0 && c[i] == c[i - 1] + 1 ? current + 1 : 1;
                most = std::max(most, current);
            }
            return most;
        }
        case Filter::Kind::kDecade:
        case Filter::Kind::kLastDigit: {
            int counts[10] = {};
            for (const int n : c) ++counts[f.kind == Filter::Kind::kDecade ? n / 10 : n % 10];
            return MostOf(counts, 10);
        }
        case Filter::Kind::kDrawn: {
            const std::vector<Mask128>& draws = f.draws;
            const Mask128 mine = MaskOf(c.data(), c.size());
            if (static_cast<int>(c.size()) == f.drawSize)
                return std::binary_search(draws.begin(), draws.end(), mine) ? 1 : 0;
            for (const Mask128& draw : draws)
                if (static_cast<int>(c.size()) < f.drawSize ? Within(mine, draw) : Within(draw, mine)) return 1;
            return 0;
        }
    }
    return 0;
}

bool Keeps(const Game& game, const Filter& f, const std::vector<int>& c) {
    const int value = Measure(game, f, c);
    return value >= f.low && value <= f.high;
}

bool KeepsAll(const Game& game, const std::vector<Filter>& filters, const std::vector<int>& c) {
    return std::all_of(filters.begin(), filters.end(), [&](const Filter& f) { return Keeps(game, f, c); });
}

std::optional<std::string> ParseFilter(const std::string& text, Filter& f, std::string& analysis, int& count) {
    f = Filter{};
    f.label = text;
    analysis.clear();
    count = 0;
    const std::size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : text.substr(equals + 1);
    if (name == "drawn") {
        if (equals != std::string::npos) return "filter 'drawn' takes no value";
        f.kind = Filter::Kind::kDrawn;
        return std::nullopt;
    }
    static const std::pair<const char*, Filter::Kind> kNames[] = {
        {"sum", Filter::Kind::kSum},   {"odd", Filter::Kind::kOdd},       {"low", Filter::Kind::kLow},
        {"run", Filter::Kind::kRun},   {"decade", Filter::Kind::kDecade}, {"digit", Filter::Kind::kLastDigit},
        {"from", Filter::Kind::kFrom}, {"hot", Filter::Kind::kFrom},      {"absent", Filter::Kind::kFrom},
    };
    const auto known =
        std::find_if(std::begin(kNames), std::end(kNames), [&](const auto& p) { return name == p.first; });
    if (known == std::end(kNames))
        return "unknown filter '" + name + "' (sum, odd, low, run, decade, digit, from, hot, absent or drawn)";
    f.kind = known->second;
    std::string range = value;
    if (f.kind == Filter::Kind::kFrom) {
        const std::size_t colon = value.find(':');
        if (colon == std::string::npos)
            return "filter '" + text + "' needs numbers, a colon and a range, as in " + name +
                   (name == "from" ? "=3,7,12:1-2" : "=10:2-4");
        const std::string head = value.substr(0, colon);
        range = value.substr(colon + 1);
        if (name == "from") {
            std::size_t at = 0;
            while (at <= head.size()) {
                const std::size_t comma = std::min(head.find(',', at), head.size());
                const auto n = Whole(head.substr(at, comma - at));
                if (!n) return "filter '" + text + "': '" + head.substr(at, comma - at) + "' is not a number";
                f.numbers.push_back(*n);
                at = comma + 1;
            }
        } else {
            const auto n = Whole(head);
            if (!n || *n < 1) return "filter '" + text + "': '" + head + "' is not a count of numbers";
            analysis = name;
            count = *n;
        }
    }
    if (!Range(range, f.low, f.high)) return "filter '" + text + "' needs a range A-B of whole numbers, A <= B";
    return std::nullopt;
}

Kept KeptOf(const Game& game, const std::vector<Filter>& filters, const std::vector<std::vector<int>>& combinations) {
    Kept out;
    out.of = static_cast<std::int64_t>(combinations.size());
    for (const auto& c : combinations) out.kept += KeepsAll(game, filters, c);
    return out;
}

Kept KeptOfAll(const Game& game, const std::vector<Filter>& filters, int size) {
    Kept out;
    out.of = Choose(game.numbers, size);
    if (filters.empty()) {
        out.kept = out.of;
        return out;
    }
    const bool drawn =
        std::any_of(filters.begin(), filters.end(), [](const Filter& f) { return f.kind == Filter::Kind::kDrawn; });
    if (filters.size() == 1 && !drawn) return CountOne(game, filters.front(), size);
    if (filters.size() == 1 && filters.front().drawSize == size) {
        // Each distinct past draw is one combination of this size.
        const std::vector<Mask128>& draws = filters.front().draws;
        std::vector<Mask128> unique(draws);
        unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
        const std::int64_t drawnCount = static_cast<std::int64_t>(unique.size());
        const bool keepDrawn = filters.front().low <= 1 && filters.front().high >= 1;
        const bool keepOthers = filters.front().low <= 0;
        out.kept = (keepDrawn ? drawnCount : 0) + (keepOthers ? out.of - drawnCount : 0);
        return out;
    }
    if (out.of > kMostCountedCombinations) {
        out.known = false;
        return out;
    }
    std::vector<int> c(static_cast<std::size_t>(size));
    std::iota(c.begin(), c.end(), 1);
    while (true) {
        out.kept += KeepsAll(game, filters, c);
        int i = size - 1;
        while (i >= 0 && c[static_cast<std::size_t>(i)] == game.numbers - size + 1 + i) --i;
        if (i < 0) break;
        ++c[static_cast<std::size_t>(i)];
        for (int j = i + 1; j < size; ++j) c[static_cast<std::size_t>(j)] = c[static_cast<std::size_t>(j - 1)] + 1;
    }
    return out;
}

std::vector<int> HotNumbers(const Game& game, const std::vector<std::vector<int>>& draws, int count) {
    std::vector<int> times(static_cast<std::size_t>(game.numbers) + 1, 0);
    for (const auto& draw : draws)
        for (const int n : draw)
            if (game.isNumber(n)) ++times[static_cast<std::size_t>(n)];
    std::vector<int> numbers(static_cast<std::size_t>(game.numbers));
    std::iota(numbers.begin(), numbers.end(), 1);
    std::stable_sort(numbers.begin(), numbers.end(), [&](int a, int b) {
        return times[static_cast<std::size_t>(a)] > times[static_cast<std::size_t>(b)];
    });
    numbers.resize(static_cast<std::size_t>(std::min(count, game.numbers)));
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::vector<int> AbsentNumbers(const Game& game, const std::vector<std::vector<int>>& draws, int count) {
    std::vector<long> last(static_cast<std::size_t>(game.numbers) + 1, -1);
    for (std::size_t i = 0; i < draws.size(); ++i)
        for (const int n : draws[i])
            if (game.isNumber(n)) last[static_cast<std::size_t>(n)] = static_cast<long>(i);
    std::vector<int> numbers(static_cast<std::size_t>(game.numbers));
    std::iota(numbers.begin(), numbers.end(), 1);
    std::stable_sort(numbers.begin(), numbers.end(), [&](int a, int b) {
        return last[static_cast<std::size_t>(a)] < last[static_cast<std::size_t>(b)];
    });
    numbers.resize(static_cast<std::size_t>(std::min(count, game.numbers)));
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace wheel
