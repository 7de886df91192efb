// Coverings and wheels: the exact check against brute force, the bounds, the search on seeded
// cases, key numbers, plan faults and the chances of a set of tickets.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "analysis/game.h"
#include "analysis/synthetic_draws.h"
#include "wheel/cover.h"
#include "wheel/wheel.h"

namespace {

using namespace wheel;

// Every m-set of 0..v−1, and whether some ticket meets it in t: the plain way.
std::int64_t BruteUncovered(const std::vector<std::uint64_t>& tickets, int v, Guarantee g,
                            std::uint64_t* first = nullptr) {
    std::int64_t uncovered = 0;
    bool found = false;
    for (std::uint64_t set = 0; set < (std::uint64_t{1} << v); ++set) {
        if (std::popcount(set) != g.m) continue;
        const bool met =
            std::any_of(tickets.begin(), tickets.end(), [&](std::uint64_t t) { return std::popcount(t & set) >= g.t; });
        if (!met) {
            ++uncovered;
            if (first && !found) *first = set;
            found = true;
        }
    }
    return uncovered;
}

std::uint64_t Mask(std::initializer_list<int> positions) {
    std::uint64_t mask = 0;
    for (const int p : positions) mask |= std::uint64_t{1} << p;
    return mask;
}

TEST(Verify, AgreesWithBruteForceOnRandomTicketLists) {
    SplitMix64 random(7);
    for (int round = 0; round < 300; ++round) {
        const int v = 4 + static_cast<int>(random.below(9));
        const int m = 1 + static_cast<int>(random.below(static_cast<std::uint64_t>(std::min(v, 6))));
        const int t = 1 + static_cast<int>(random.below(static_cast<std::uint64_t>(m)));
        std::vector<std::uint64_t> tickets(random.below(12));
        for (auto& ticket : tickets) ticket = random.next() & ((std::uint64_t{1} << v) - 1);
        const Verification check = Verify(tickets, v, {t, m});
        const std::int64_t brute = BruteUncovered(tickets, v, {t, m});
        ASSERT_EQ(check.uncovered, brute) << v << " " << t << " " << m;
        EXPECT_EQ(check.holds, brute == 0);
        EXPECT_EQ(check.checked, Choose(v, m));
        if (brute > 0) {
            ASSERT_EQ(static_cast<int>(check.witness.size()), m);
            std::uint64_t witness = 0;
            for (const int p : check.witness) witness |= std::uint64_t{1} << p;
            EXPECT_EQ(BruteUncovered(tickets, v, {t, m}, nullptr) > 0, true);
            for (const std::uint64_t ticket : tickets) EXPECT_LT(std::popcount(ticket & witness), t);
        }
    }
}

TEST(Verify, AWheelShortOfOneTicketFailsOnExactlyOneSet) {
    // Every triple of 7 numbers covers «3 if 3»; without {0,1,2} that triple alone is missed.
    std::vector<std::uint64_t> full = FullWheel(7, 3);
    ASSERT_EQ(full.size(), 35u);
    const Verification whole = Verify(full, 7, {3, 3});
    EXPECT_TRUE(whole.holds);
    EXPECT_TRUE(whole.byCounting);
    full.erase(std::find(full.begin(), full.end(), Mask({0, 1, 2})));
    const Verification missing = Verify(full, 7, {3, 3});
    EXPECT_FALSE(missing.holds);
    EXPECT_FALSE(missing.byCounting);
    EXPECT_EQ(missing.uncovered, 1);
    EXPECT_EQ(missing.witness, (std::vector<int>{0, 1, 2}));
    // The Fano plane covers every pair of 7 points; dropping a line uncovers its three pairs.
    std::vector<std::uint64_t> fano = {Mask({0, 1, 2}), Mask({0, 3, 4}), Mask({0, 5, 6}), Mask({1, 3, 5}),
                                       Mask({1, 4, 6}), Mask({2, 3, 6}), Mask({2, 4, 5})};
    EXPECT_TRUE(Verify(fano, 7, {2, 2}).holds);
    fano.pop_back();
    const Verification short_ = Verify(fano, 7, {2, 2});
    EXPECT_EQ(short_.uncovered, 3);
    EXPECT_EQ(short_.witness, (std::vector<int>{2, 4}));
}

TEST(LowerBound, SchoenheimAndCountingBounds) {
    EXPECT_EQ(LowerBound(7, 3, {2, 2}), 7);
    EXPECT_EQ(LowerBound(12, 6, {3, 3}), 14);
    EXPECT_EQ(LowerBound(13, 4, {2, 2}), 13);
    EXPECT_EQ(LowerBound(49, 6, {6, 6}), Choose(49, 6) / 1);  // only the full wheel plays every six
    EXPECT_EQ(LowerBound(10, 10, {3, 3}), 1);
    // «3 if 6» of 20 numbers: C(20,6) = 38760 sets, a ticket of 6 meets 8730 of them in 3 or more.
    EXPECT_EQ(LowerBound(20, 6, {3, 6}), 5);
}

TEST(Search, ReachesKnownOptimaAndAlwaysReturnsVerifiedWheels) {
    struct Case {
        int v, k, t, m;
        std::size_t size;
    };
    for (const Case c : {Case{7, 3, 2, 2, 7}, Case{13, 4, 2, 2, 13}, Case{9, 3, 2, 2, 12}, Case{8, 4, 2, 2, 6}}) {
        SearchOptions options;
        options.seconds = 60;
        options.moveBudget = 2'000'000;
        const SearchResult found = Search(c.v, c.k, {c.t, c.m}, options);
        EXPECT_EQ(found.tickets.size(), c.size) << c.v << " " << c.k << " " << c.t;
        EXPECT_TRUE(found.reachedBound || found.tickets.size() > static_cast<std::size_t>(found.lowerBound));
        EXPECT_TRUE(Verify(found.tickets, c.v, {c.t, c.m}).holds);
    }
    SplitMix64 random(11);
    for (int round = 0; round < 12; ++round) {
        const int v = 6 + static_cast<int>(random.below(10));
        const int k = 2 + static_cast<int>(random.below(static_cast<std::uint64_t>(std::min(v - 1, 6))));
        const int m = 1 + static_cast<int>(random.below(static_cast<std::uint64_t>(std::min(v, 5))));
        const int t = 1 + static_cast<int>(random.below(static_cast<std::uint64_t>(std::min(m, k))));
        SearchOptions options;
        options.seconds = 30;
        options.seed = random.next();
        options.moveBudget = 20'000;
        const SearchResult found = Search(v, k, {t, m}, options);
        ASSERT_FALSE(found.tickets.empty());
        EXPECT_EQ(BruteUncovered(found.tickets, v, {t, m}), 0) << v << " " << k << " " << t << " " << m;
        EXPECT_GE(static_cast<std::int64_t>(found.tickets.size()), found.lowerBound);
        for (const std::uint64_t ticket : found.tickets) EXPECT_EQ(std::popcount(ticket), k);
        // The same seed and budget: the same tickets.
        EXPECT_EQ(Search(v, k, {t, m}, options).tickets, found.tickets);
    }
}

TEST(Search, ACancelBeforeAnyWheelGivesNoTicketsAndProgressIsReported) {
    std::atomic<bool> cancel{true};
    SearchOptions options;
    options.cancel = &cancel;
    int reports = 0;
    options.progress = [&](const SearchProgress& p) {
        ++reports;
        EXPECT_EQ(p.lowerBound, LowerBound(30, 5, {3, 3}));
    };
    const SearchResult found = Search(30, 5, {3, 3}, options);
    EXPECT_TRUE(found.cancelled);
    EXPECT_TRUE(found.tickets.empty());
    EXPECT_GE(reports, 1);
    EXPECT_THROW(Search(70, 5, {3, 3}, {}), std::invalid_argument);
    EXPECT_THROW(Search(10, 2, {3, 3}, {}), std::invalid_argument);
}

TEST(Wheel, KeyNumbersStandInEveryTicketAndTheGuaranteeSpeaksOfTheOthers) {
    Plan plan;
    plan.numbers = {3, 7, 11, 15, 19, 22, 28, 31, 40, 44, 49};
    plan.keys = {7, 40};
    plan.guarantee = {3, 4};
    SearchOptions options;
    options.moveBudget = 200'000;
    const Wheel made = MakeWheel(kSuperLoto, plan, options);
    EXPECT_EQ(made.plan.size, 6);
    EXPECT_TRUE(made.verification.holds);
    for (const auto& ticket : made.tickets) {
        EXPECT_EQ(ticket.size(), 6u);
        EXPECT_TRUE(std::binary_search(ticket.begin(), ticket.end(), 7));
        EXPECT_TRUE(std::binary_search(ticket.begin(), ticket.end(), 40));
    }
    const TicketsVerification again = VerifyTickets(made.tickets, plan.numbers, plan.keys, {3, 4});
    EXPECT_TRUE(again.verification.holds);
    EXPECT_EQ(again.numbers.size(), 9u);
    // A ticket that lost a key breaks the promise, as does one fewer ticket.
    auto broken = made.tickets;
    broken.front().erase(std::find(broken.front().begin(), broken.front().end(), 7));
    EXPECT_EQ(VerifyTickets(broken, plan.numbers, plan.keys, {3, 4}).ticketLacksKey, 0);
    broken = made.tickets;
    broken.pop_back();
    const TicketsVerification fewer = VerifyTickets(broken, plan.numbers, plan.keys, {3, 4});
    EXPECT_FALSE(fewer.verification.holds);
    EXPECT_EQ(fewer.witness.size(), 4u);
    // The full wheel: every four of the nine with the two keys.
    const Wheel full = MakeFullWheel(kSuperLoto, plan);
    EXPECT_EQ(full.tickets.size(), 126u);
    EXPECT_TRUE(full.verification.holds && full.verification.byCounting);
}

TEST(Wheel, FaultyPlansAreSaidInBothLanguages) {
    struct Case {
        Plan plan;
        const char* english;
        const char* russian;
    };
    const Case cases[] = {
        {{{1, 2, 3, 4, 5, 50}, {}, 0, {3, 3}}, "'50' is not a number of 1..49", "Номер 50 не из 1–49."},
        {{{1, 2, 3, 4, 5, 5, 6}, {}, 0, {3, 3}}, "number 5 is given twice", "Номер 5 выбран дважды."},
        {{{1, 2, 3, 4, 5, 6, 7}, {9}, 0, {3, 3}},
         "key number 9 is not among the chosen numbers",
         "Ключевой номер 9 не из выбранных."},
        {{{1, 2, 3, 4, 5, 6, 7}, {}, 5, {3, 3}},
         "a ticket of loto holds 6..12 numbers, not 5",
         "В билете игры SuperLoto от 6 до 12\u00A0номеров."},
        {{{1, 2, 3, 4, 5}, {}, 0, {3, 3}},
         "5 numbers chosen, fewer than the 6 a ticket holds",
         "Выбрано 5\u00A0номеров, а в билете их 6: выберите больше."},
        {{{1, 2, 3, 4, 5, 6, 7, 8}, {}, 0, {4, 3}},
         "the guarantee 't if m' needs 1 <= t <= m <= 6 (the chosen numbers besides the keys, and the numbers drawn)",
         "Гарантия «t из m» требует 1 ≤ t ≤ m ≤ 6."},
        {{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 2, 3, 4}, 0, {3, 3}},
         "4 key numbers leave too little room in a ticket for the guarantee (at most 3)",
         "Ключевые номера занимают билет: для гарантии в нём не остаётся места."},
    };
    for (const Case& c : cases) {
        const PlanFault fault = CheckPlan(kSuperLoto, c.plan);
        ASSERT_TRUE(fault) << c.english;
        EXPECT_EQ(FaultText(kSuperLoto, fault), c.english);
        EXPECT_EQ(RussianFaultText(kSuperLoto, fault), c.russian);
        EXPECT_THROW(MakeWheel(kSuperLoto, c.plan, {}), WheelError);
    }
    std::vector<int> many;
    for (int n = 1; n <= 70; ++n) many.push_back(n);
    const PlanFault tooMany = CheckPlan(kKeno, {many, {}, 10, {2, 2}});
    EXPECT_EQ(FaultText(kKeno, tooMany), "70 numbers chosen besides the keys; a wheel takes at most 64");
    EXPECT_EQ(RussianFaultText(kKeno, tooMany), "Номеров, кроме ключевых, выбрано слишком много: предел — 64.");
}

TEST(Chances, OneTicketIsItsOwnRandomTicketAndMeansAgree) {
    const Chances one = ChancesOf(kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    ASSERT_EQ(one.wheel.size(), 7u);
    for (std::size_t j = 0; j < one.wheel.size(); ++j) EXPECT_NEAR(one.wheel[j], one.random[j], 1e-12) << j;
    EXPECT_NEAR(one.wheel[6], 1.0 / 13983816.0, 1e-15);
    // Two tickets sharing no number: the best match is the larger of two; the mean number of
    // tickets matching three is twice one ticket's chance whichever tickets they are.
    const Chances two = ChancesOf(kSuperLoto, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    const double three = 20.0 * 12341.0 / 13983816.0;  // C(6,3) C(43,3) / C(49,6)
    EXPECT_NEAR(two.expectedTickets[3], 2 * three, 1e-12);
    // P(best >= 6) is exactly 2 / C(49,6) for the pair, and 1 − (1 − p)² for random ones.
    EXPECT_NEAR(two.wheel[6], 2.0 / 13983816.0, 1e-15);
    EXPECT_NEAR(two.random[6], 1 - std::pow(1 - 1.0 / 13983816.0, 2), 1e-15);
}

}  // namespace
