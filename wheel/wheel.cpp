// Wheels of a game: plans checked, tickets searched or listed in full, and verified.
#include "wheel/wheel.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "tickets/tickets.h"
#include "toolkit/russian_text.h"

namespace wheel {
namespace {

std::vector<int> Rising(std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::vector<int> OthersOf(const Plan& plan) {
    std::vector<int> others;
    for (const int n : plan.numbers)
        if (std::find(plan.keys.begin(), plan.keys.end(), n) == plan.keys.end()) others.push_back(n);
    return Rising(others);
}

std::vector<std::vector<int>> TicketsOf(std::span<const std::uint64_t> masks, const std::vector<int>& others,
                                        const std::vector<int>& keys) {
    std::vector<std::vector<int>> tickets;
    tickets.reserve(masks.size());
    for (std::uint64_t mask : masks) {
        std::vector<int> ticket = keys;
        for (; mask; mask &= mask - 1) ticket.push_back(others[static_cast<std::size_t>(std::countr_zero(mask))]);
        tickets.push_back(Rising(ticket));
    }
    return tickets;
}

Plan Normalised(const Game& game, Plan plan) {
    plan.numbers = Rising(plan.numbers);
    plan.keys = Rising(plan.keys);
    if (plan.size == 0) plan.size = DefaultTicketSize(game);
    return plan;
}

void Require(const Game& game, const Plan& plan) {
    if (const PlanFault fault = CheckPlan(game, plan)) throw WheelError(FaultText(game, fault));
}

}  // namespace

int DefaultTicketSize(const Game& game) { return std::min(game.backtestPicks, game.fieldsPerDraw); }

PlanFault CheckPlan(const Game& game, const Plan& given) {
    const Plan plan = Normalised(game, given);
    PlanFault fault;
    auto fail = [&](PlanFault::Kind kind, int value, int low = 0, int high = 0) {
        fault = {kind, value, low, high};
        return fault;
    };
    for (const std::vector<int>* list : {&plan.numbers, &plan.keys}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            if (!game.isNumber((*list)[i])) return fail(PlanFault::Kind::kOutside, (*list)[i], 1, game.numbers);
            if (i > 0 && (*list)[i] == (*list)[i - 1]) return fail(PlanFault::Kind::kRepeated, (*list)[i]);
        }
    }
    for (const int key : plan.keys)
        if (!std::binary_search(plan.numbers.begin(), plan.numbers.end(), key))
            return fail(PlanFault::Kind::kKeyNotChosen, key);
    const TicketSize size = TicketSizeOf(game);
    if (plan.size < size.fewest || plan.size > size.most)
        return fail(PlanFault::Kind::kSize, plan.size, size.fewest, size.most);
    const int v = static_cast<int>(plan.numbers.size());
    if (v < plan.size) return fail(PlanFault::Kind::kFewNumbers, v, plan.size, game.numbers);
    const int others = v - static_cast<int>(plan.keys.size());
    if (others > kMostPositions) return fail(PlanFault::Kind::kManyNumbers, others, 1, kMostPositions);
    const Guarantee g = plan.guarantee;
    const int most = std::min(others, game.fieldsPerDraw);
    if (g.t < 1 || g.m < g.t || g.m > most) return fail(PlanFault::Kind::kGuarantee, g.m, 1, most);
    if (plan.size - static_cast<int>(plan.keys.size()) < g.t)
        return fail(PlanFault::Kind::kManyKeys, static_cast<int>(plan.keys.size()), 0, plan.size - g.t);
    return fault;
}

std::string FaultText(const Game& game, const PlanFault& f) {
    const std::string n = std::to_string(f.value);
    const std::string range = std::to_string(f.low) + ".." + std::to_string(f.high);
    switch (f.kind) {
        case PlanFault::Kind::kNone:
            return {};
        case PlanFault::Kind::kOutside:
            return "'" + n + "' is not a number of " + range;
        case PlanFault::Kind::kRepeated:
            return "number " + n + " is given twice";
        case PlanFault::Kind::kKeyNotChosen:
            return "key number " + n + " is not among the chosen numbers";
        case PlanFault::Kind::kSize:
            return "a ticket of " + std::string(game.cliName) + " holds " + range + " numbers, not " + n;
        case PlanFault::Kind::kFewNumbers:
            return std::to_string(f.value) + " numbers chosen, fewer than the " + std::to_string(f.low) +
                   " a ticket holds";
        case PlanFault::Kind::kManyNumbers:
            return n + " numbers chosen besides the keys; a wheel takes at most " + std::to_string(f.high);
        case PlanFault::Kind::kManyKeys:
            return n + " key numbers leave too little room in a ticket for the guarantee (at most " +
                   std::to_string(f.high) + ")";
        case PlanFault::Kind::kGuarantee:
            return "the guarantee 't if m' needs 1 <= t <= m <= " + std::to_string(f.high) +
                   " (the chosen numbers besides the keys, and the numbers drawn)";
        case PlanFault::Kind::kTooLarge:
            return "too many combinations of drawn numbers to search a wheel over";
    }
    return {};
}

std::string RussianFaultText(const Game& game, const PlanFault& f) {
    const std::string n = std::to_string(f.value);
    switch (f.kind) {
        case PlanFault::Kind::kNone:
            return {};
        case PlanFault::Kind::kOutside:
            return "Номер " + n + " не из " + russian::range(1, f.high) + ".";
        case PlanFault::Kind::kRepeated:
            return "Номер " + n + " выбран дважды.";
        case PlanFault::Kind::kKeyNotChosen:
            return "Ключевой номер " + n + " не из выбранных.";
        case PlanFault::Kind::kSize:
            return "В билете игры " + std::string(game.name) + " от " + std::to_string(f.low) + " до " +
                   russian::counted(f.high, russian::kNumbers) + ".";
        case PlanFault::Kind::kFewNumbers:
            return "Выбрано " + russian::counted(f.value, russian::kNumbers) + ", а в билете их " +
                   std::to_string(f.low) + ": выберите больше.";
        case PlanFault::Kind::kManyNumbers:
            return "Номеров, кроме ключевых, выбрано слишком много: предел — " + std::to_string(f.high) + ".";
        case PlanFault::Kind::kManyKeys:
            return "Ключевые номера занимают билет: для гарантии в нём не остаётся места.";
        case PlanFault::Kind::kGuarantee:
            return "Гарантия «t из m» требует 1 ≤ t ≤ m ≤ " + std::to_string(f.high) + ".";
        case PlanFault::Kind::kTooLarge:
            return "Слишком много сочетаний выпавших номеров для поиска системы.";
    }
    return {};
}

namespace {

// The plan checked and put in order, with the chosen numbers besides the keys (v of them) and how
// many of them a ticket holds (k): what a small wheel and a full wheel both start from.
struct Prepared {
    Wheel wheel;
    std::vector<int> others;
    int v = 0;
    int k = 0;
};

Prepared Prepare(const Game& game, const Plan& given) {
    Require(game, given);
    Prepared prepared;
    prepared.wheel.plan = Normalised(game, given);
    prepared.others = OthersOf(prepared.wheel.plan);
    prepared.v = static_cast<int>(prepared.others.size());
    prepared.k = std::min(prepared.v, prepared.wheel.plan.size - static_cast<int>(prepared.wheel.plan.keys.size()));
    return prepared;
}

}  // namespace

Wheel MakeWheel(const Game& game, const Plan& given, const SearchOptions& options) {
    Prepared prepared = Prepare(game, given);
    Wheel& wheel = prepared.wheel;
    const std::vector<int>& others = prepared.others;
    const int v = prepared.v;
    const int k = prepared.k;
    if (Choose(v, wheel.plan.guarantee.m) > kMostSearchSets)
        throw WheelError(FaultText(game, {PlanFault::Kind::kTooLarge}));
    const SearchResult found = Search(v, k, wheel.plan.guarantee, options);
    if (found.tickets.empty()) throw WheelError("the search was cancelled before it found a wheel");
    wheel.tickets = TicketsOf(found.tickets, others, wheel.plan.keys);
    wheel.lowerBound = found.lowerBound;
    wheel.reachedBound = found.reachedBound;
    wheel.cancelled = found.cancelled;
    wheel.seconds = found.seconds;
    wheel.verification = Verify(found.tickets, v, wheel.plan.guarantee);
    if (!wheel.verification.holds)  // the search returns verified coverings only: never shown otherwise
        throw WheelError("the wheel found failed its check");
    return std::move(prepared.wheel);
}

Wheel MakeFullWheel(const Game& game, const Plan& given) {
    Prepared prepared = Prepare(game, given);
    Wheel& wheel = prepared.wheel;
    const std::vector<int>& others = prepared.others;
    const int v = prepared.v;
    const int k = prepared.k;
    if (Choose(v, k) > kMostFullWheelTickets)
        throw WheelError("the full wheel would hold " + std::to_string(Choose(v, k)) + " tickets, more than " +
                         std::to_string(kMostFullWheelTickets));
    const std::vector<std::uint64_t> masks = FullWheel(v, k);
    wheel.tickets = TicketsOf(masks, others, wheel.plan.keys);
    wheel.full = true;
    wheel.lowerBound = LowerBound(v, k, wheel.plan.guarantee);
    wheel.verification = Verify(masks, v, wheel.plan.guarantee);
    return std::move(prepared.wheel);
}

TicketsVerification VerifyTickets(const std::vector<std::vector<int>>& tickets, std::vector<int> numbers,
                                  std::vector<int> keys, Guarantee guarantee) {
    TicketsVerification out;
    keys = Rising(keys);
    if (numbers.empty())
        for (const auto& ticket : tickets) numbers.insert(numbers.end(), ticket.begin(), ticket.end());
    numbers = Rising(numbers);
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (const int n : numbers)
        if (!std::binary_search(keys.begin(), keys.end(), n)) out.numbers.push_back(n);
    const int v = static_cast<int>(out.numbers.size());
    if (v > kMostPositions)
        throw WheelError("the tickets hold " + std::to_string(v) + " numbers; a wheel is checked over at most " +
                         std::to_string(kMostPositions));
    if (guarantee.t < 1 || guarantee.m < guarantee.t || guarantee.m > v)
        throw WheelError("the guarantee 't if m' needs 1 <= t <= m <= " + std::to_string(v) +
                         " (the numbers of the tickets besides the keys)");
    std::vector<std::uint64_t> masks;
    for (std::size_t i = 0; i < tickets.size(); ++i) {
        std::uint64_t mask = 0;
        for (const int key : keys)
            if (std::find(tickets[i].begin(), tickets[i].end(), key) == tickets[i].end() && !out.ticketLacksKey)
                out.ticketLacksKey = static_cast<int>(i);
        for (const int n : tickets[i]) {
            const auto at = std::lower_bound(out.numbers.begin(), out.numbers.end(), n);
            if (at != out.numbers.end() && *at == n) mask |= std::uint64_t{1} << (at - out.numbers.begin());
        }
        masks.push_back(mask);
    }
    out.verification = Verify(masks, v, guarantee);
    for (const int position : out.verification.witness)
        out.witness.push_back(out.numbers[static_cast<std::size_t>(position)]);
    if (out.ticketLacksKey) out.verification.holds = false;
    return out;
}

Chances ChancesOf(const Game& game, const std::vector<std::vector<int>>& tickets) {
    Chances out;
    std::vector<int> numbers;
    for (const auto& ticket : tickets) numbers.insert(numbers.end(), ticket.begin(), ticket.end());
    numbers = Rising(numbers);
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    const int v = static_cast<int>(numbers.size());
    const int drawn = game.fieldsPerDraw, all = game.numbers;
    if (tickets.empty() || v > kMostPositions) return out;
    std::int64_t subsets = 0;
    for (int h = 0; h <= std::min(v, drawn); ++h) subsets += Choose(v, h);
    if (subsets > kMostChanceSets) return out;
    std::vector<std::uint64_t> masks;
    int most = 0;
    for (const auto& ticket : tickets) {
        std::uint64_t mask = 0;
        for (const int n : ticket)
            mask |= std::uint64_t{1} << (std::lower_bound(numbers.begin(), numbers.end(), n) - numbers.begin());
        masks.push_back(mask);
        most = std::max(most, static_cast<int>(ticket.size()));
    }
    const int top = std::min(most, drawn);
    // C(n, r) as a double, for N up to 99 and draws up to 20: exact enough for chances.
    auto c = [](int n, int r) {
        if (r < 0 || r > n) return 0.0;
        double value = 1;
        for (int i = 1; i <= r; ++i) value = value * (n - r + i) / i;
        return value;
    };
    const double draws = c(all, drawn);
    std::vector<double> best(static_cast<std::size_t>(top) + 1, 0.0);
    // Walk every set D of the chosen numbers a draw may hold; C(N − v, drawn − |D|) draws hold
    // exactly D among them.
    std::vector<int> stack;
    auto visit = [&](auto&& self, std::uint64_t held, int from, int size) -> void {
        int hit = 0;
        for (const std::uint64_t mask : masks) hit = std::max(hit, std::popcount(mask & held));
        best[static_cast<std::size_t>(hit)] += c(all - v, drawn - size) / draws;
        if (size == drawn) return;
        for (int x = from; x < v; ++x) self(self, held | (std::uint64_t{1} << x), x + 1, size + 1);
    };
    visit(visit, 0, 0, 0);
    out.wheel.assign(best.size(), 0.0);
    double tail = 0;
    for (int j = top; j >= 0; --j) {
        tail += best[static_cast<std::size_t>(j)];
        out.wheel[static_cast<std::size_t>(j)] = std::min(1.0, tail);
    }
    const int k = static_cast<int>(tickets.front().size());
    out.random.assign(best.size(), 0.0);
    out.expectedTickets.assign(best.size(), 0.0);
    for (int j = 0; j <= top; ++j) {
        double atLeast = 0;
        for (int h = j; h <= std::min(k, drawn); ++h) atLeast += c(k, h) * c(all - k, drawn - h) / draws;
        out.random[static_cast<std::size_t>(j)] = 1 - std::pow(1 - atLeast, static_cast<double>(tickets.size()));
        for (const auto& ticket : tickets) {
            const int size = static_cast<int>(ticket.size());
            out.expectedTickets[static_cast<std::size_t>(j)] += c(size, j) * c(all - size, drawn - j) / draws;
        }
    }
    return out;
}

}  // namespace wheel
