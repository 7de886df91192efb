// The tickets' rules, their table shared with another program, and their check against draws
// whose answers are worked out by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/draw_datasets.h"
#include "cli/cli.h"
#include "tests/support/child_process.h"
#include "tests/support/cli_run.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"
#include "backtest/backtest.h"
#include "tickets/ticket_backtest.h"
#include "tickets/ticket_check.h"
#include "tickets/tickets.h"
#include "dbf/table_file.h"

namespace {

using testsupport::Draws;

Ticket MakeTicket(const Game& game, const std::vector<std::string>& words, const std::string& name = "") {
    Ticket ticket;
    const auto fault = CheckTicket(game, words, name, ticket);
    EXPECT_FALSE(fault) << *fault;
    return ticket;
}

std::vector<std::string> Words(const std::vector<int>& numbers) {
    std::vector<std::string> words;
    for (const int number : numbers) words.push_back(std::to_string(number));
    return words;
}

std::vector<TicketCheck> CheckOn(const Game& game, const Draws& draws, const std::vector<std::vector<int>>& tickets,
                                 const HistoryWindow& window = {}) {
    testsupport::TempDir dir;
    const std::string path = dir.file("draws.dbf");
    testsupport::writeDrawTable(path, game, draws);
    std::vector<Ticket> kept;
    for (const auto& numbers : tickets) kept.push_back(MakeTicket(game, Words(numbers)));
    const auto dataset = MakeDrawDataSetOn(game, path);
    return CheckTickets(game, *dataset, kept, window);
}

const Draws kLotoDraws = {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 10, 11, 12}, {7, 8, 9, 10, 11, 12}};

}  // namespace

TEST(TicketRules, SizesAndTableNamesFollowTheGame) {
    const Game& g1224 = *GameNamed("g1224");
    struct Case {
        const Game* game;
        int fewest, most;
        bool systems;
        std::string table;
    } cases[] = {
        {&kSuperLoto, 6, 12, true, "lototick.dbf"},
        {&kKeno, 1, 10, false, "kenotick.dbf"},
        {GameNamed("g536"), 5, 11, true, "g536tick.dbf"},
        {&g1224, 12, 18, true, "g1224bastick.dbf"},
    };
    for (const Case& c : cases) {
        const TicketSize size = TicketSizeOf(*c.game);
        EXPECT_EQ(size.fewest, c.fewest) << c.game->cliName;
        EXPECT_EQ(size.most, c.most) << c.game->cliName;
        EXPECT_EQ(size.systems, c.systems) << c.game->cliName;
        EXPECT_EQ(TicketTableFileName(*c.game), c.table);
    }
}

TEST(TicketRules, BadTicketsAreRefusedWithTheirReason) {
    struct Case {
        const Game* game;
        std::vector<std::string> words;
        std::string name;
        std::string fault;
    } cases[] = {
        {&kSuperLoto, {"1", "2", "3", "4", "5"}, "", "holds 6..12 numbers, not 5"},
        {&kSuperLoto, Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), "", "not 13"},
        {&kSuperLoto, {"1", "2", "3", "4", "5", "50"}, "", "'50' is not a number of 1..49"},
        {&kSuperLoto, {"1", "2", "3", "4", "5", "0"}, "", "'0' is not"},
        {&kSuperLoto, {"1", "2", "3", "4", "5", "5.0"}, "", "'5.0' is not"},
        {&kSuperLoto, {"1", "2", "3", "4", "5", " 6"}, "", "' 6' is not"},
        {&kSuperLoto, {"1", "2", "3", "4", "5", "3"}, "", "number 3 is given twice"},
        {&kKeno, {}, "", "holds 1..10 numbers, not 0"},
        {&kKeno, Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), "", "not 11"},
        {&kKeno, {"81"}, "", "'81' is not a number of 1..80"},
        {&kKeno, {"7"}, "двадцать один символ!", "longer than 20 characters"},
        {&kKeno, {"7"}, "билет ☺", "a character the table cannot keep"},
    };
    for (const Case& c : cases) {
        Ticket ticket;
        const auto fault = CheckTicket(*c.game, c.words, c.name, ticket);
        ASSERT_TRUE(fault) << c.fault;
        EXPECT_NE(fault->find(c.fault), std::string::npos) << *fault;
        EXPECT_TRUE(ticket.numbers.empty());
    }
    const Ticket keno = MakeTicket(kKeno, {"80", "1", "64"}, "Мой билет");
    EXPECT_EQ(keno.numbers, (std::vector<int>{1, 64, 80}));
    EXPECT_EQ(keno.name, "Мой билет");
}

TEST(TicketCheck, ATicketEqualToADrawAndASystemTicketWithAKnownOverlap) {
    const auto checks = CheckOn(kSuperLoto, kLotoDraws, {{6, 5, 4, 3, 2, 1}, {1, 2, 3, 4, 10, 11, 20, 21}});
    ASSERT_EQ(checks.size(), 2u);
    const TicketCheck& simple = checks[0];
    EXPECT_EQ(simple.draws, 3);
    EXPECT_EQ(simple.observed, (std::vector<std::int64_t>{1, 0, 0, 1, 0, 0, 1}));
    ASSERT_EQ(simple.expected.size(), 7u);
    EXPECT_NEAR(simple.expected[6], 3.0 / 13983816.0, 1e-15);
    EXPECT_NEAR(simple.expected[0], 3 * 0.4359649755, 1e-9);
    EXPECT_EQ(simple.bestHits, 6);
    EXPECT_EQ(simple.bestDraw, 1);
    EXPECT_EQ(simple.bestRecord, 1u);
    EXPECT_TRUE(simple.latestMatches.empty());
    EXPECT_EQ(simple.latestRecord, 3u);
    EXPECT_EQ(simple.winFrom, 3) << "SuperLoto pays from 3 matches";
    EXPECT_EQ(simple.lastWinDraw, 2) << "the 3 matches of the second draw";
    EXPECT_EQ(simple.lastWinHits, 3);
    EXPECT_TRUE(simple.combinations.empty());

    // Overlaps 4, 5 and 2 with the three draws; 28 combinations of 6 each draw.
    const TicketCheck& system = checks[1];
    EXPECT_EQ(system.observed, (std::vector<std::int64_t>{0, 0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(system.latestMatches, (std::vector<int>{10, 11}));
    EXPECT_EQ(system.latestCombinations, (std::vector<std::int64_t>{1, 12, 15, 0, 0, 0, 0}));
    EXPECT_EQ(system.combinations, (std::vector<std::int64_t>{1, 12, 21, 26, 21, 3, 0}));
    EXPECT_EQ(system.bestHits, 5);
    EXPECT_EQ(system.bestDraw, 2);
}

TEST(TicketCheck, KenoTicketsOfOneAndTenNumbers) {
    Draws draws(3);
    for (int i = 1; i <= 20; ++i) {
        draws[0].push_back(i);
        draws[1].push_back(20 + i);
        draws[2].push_back(60 + i);
    }
    const auto checks = CheckOn(
        kKeno, draws, {{5}, {64}, {15, 16, 17, 18, 19, 20, 21, 22, 23, 24}, {70, 71, 72, 73, 74, 75, 76, 77, 78, 79}});
    ASSERT_EQ(checks.size(), 4u);
    EXPECT_EQ(checks[0].observed, (std::vector<std::int64_t>{2, 1}));
    EXPECT_NEAR(checks[0].expected[0], 3 * 0.75, 1e-12);
    EXPECT_NEAR(checks[0].expected[1], 3 * 0.25, 1e-12);
    EXPECT_EQ(checks[1].observed, (std::vector<std::int64_t>{2, 1}));
    EXPECT_EQ(checks[1].latestMatches, (std::vector<int>{64}));
    const TicketCheck& ten = checks[2];
    ASSERT_EQ(ten.observed.size(), 11u);
    EXPECT_EQ(ten.observed[0], 1);
    EXPECT_EQ(ten.observed[4], 1);
    EXPECT_EQ(ten.observed[6], 1);
    EXPECT_EQ(ten.bestHits, 6);
    EXPECT_EQ(ten.bestDraw, 1);
    EXPECT_TRUE(ten.latestMatches.empty());
    EXPECT_TRUE(ten.combinations.empty()) << "a Keno ticket plays its numbers, not combinations";
    EXPECT_EQ(checks[3].observed[10], 1);
    EXPECT_EQ(checks[3].bestDraw, 3);
    EXPECT_EQ(checks[3].latestMatches.size(), 10u);
}

TEST(TicketCheck, OfDrawsTyingAtTheBestTheFirstIsTheBest) {
    // Draws 2 and 4 both match 4 of the ticket, draw 3 only 3: the best is draw 2, record 2.
    const Draws draws{{1, 2, 20, 21, 22, 23}, {1, 2, 3, 4, 30, 31}, {1, 2, 3, 40, 41, 42}, {3, 4, 5, 6, 43, 44}};
    const auto checks = CheckOn(kSuperLoto, draws, {{1, 2, 3, 4, 5, 6}});
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].bestHits, 4);
    EXPECT_EQ(checks[0].bestDraw, 2);
    EXPECT_EQ(checks[0].bestRecord, 2u);
}

TEST(TicketCheck, TheWindowOfHistoryAndTheLastWinningDraw) {
    const std::vector<std::vector<int>> ticket{{1, 2, 3, 4, 5, 6}};
    const auto latest = CheckOn(kSuperLoto, kLotoDraws, ticket, {.last = 2});
    EXPECT_EQ(latest[0].draws, 2);
    EXPECT_EQ(latest[0].observed, (std::vector<std::int64_t>{1, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(latest[0].bestDraw, 1);
    EXPECT_EQ(latest[0].bestRecord, 2u);
    const auto then = CheckOn(kSuperLoto, kLotoDraws, ticket, {.upto = 2});
    EXPECT_EQ(then[0].draws, 2);
    EXPECT_EQ(then[0].latestMatches, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(then[0].latestRecord, 2u);

    // 6 of 45 wins from 2 matches: the last draw with 2 or more is the second.
    const auto wins = CheckOn(*GameNamed("g645"), kLotoDraws, ticket);
    EXPECT_EQ(wins[0].lastWinDraw, 2);
    EXPECT_EQ(wins[0].lastWinRecord, 2u);
    EXPECT_EQ(wins[0].lastWinHits, 3);
}

TEST(TicketTable, TicketsAreKeptListedAndDeleted) {
    testsupport::TempDir dir;
    const std::string path = TicketTablePath(kSuperLoto, dir.path());
    EXPECT_EQ(AddTicket(kSuperLoto, path, MakeTicket(kSuperLoto, Words({7, 1, 2, 3, 4, 5}), "Дача")), 1u);
    EXPECT_EQ(AddTicket(kSuperLoto, path, MakeTicket(kSuperLoto, Words({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}))), 2u);
    auto tickets = ReadTickets(kSuperLoto, path);
    ASSERT_EQ(tickets.size(), 2u);
    EXPECT_EQ(tickets[0].name, "Дача");
    EXPECT_EQ(tickets[0].numbers, (std::vector<int>{1, 2, 3, 4, 5, 7}));
    EXPECT_EQ(tickets[1].numbers.size(), 12u);
    // The fields the six-number ticket leaves over are blank on disk, not 0.
    const std::string bytes = testsupport::readFile(path);
    EXPECT_EQ(bytes.find(" 0"), std::string::npos) << "an unused field written as 0";
    EXPECT_TRUE(DeleteTicket(kSuperLoto, path, 1));
    EXPECT_THROW(DeleteTicket(kSuperLoto, path, 1), TicketError);
    EXPECT_THROW(DeleteTicket(kSuperLoto, path, 3), TicketError);
    tickets = ReadTickets(kSuperLoto, path);
    ASSERT_EQ(tickets.size(), 1u);
    EXPECT_EQ(tickets[0].record, 2u);
    // A Keno tickets table is no SuperLoto one, nor is a draw table.
    EXPECT_THROW(ReadTickets(kKeno, path), TicketError);
    const std::string draws = dir.file("lotobase.dbf");
    testsupport::writeDrawTable(draws, kSuperLoto, kLotoDraws);
    const std::string before = testsupport::readFile(draws);
    EXPECT_THROW(AddTicket(kSuperLoto, draws, tickets[0]), TicketError);
    EXPECT_EQ(testsupport::readFile(draws), before);
}

TEST(TicketTable, AnotherProgramHoldingATicketKeepsItFromDeletion) {
    testsupport::TempDir dir;
    const std::string path = TicketTablePath(kKeno, dir.path());
    CreateTicketTable(kKeno, path);
    // The other program appends its own ticket and then holds its record until told.
    testsupport::Child other([&](testsupport::Child& self) {
        AddTicket(kKeno, path, MakeTicket(kKeno, {"33"}, "другой"));
        DBFObject table(path, "", true, true);
        if (!table.lockAndReadRecord(1)) return 2;
        self.tell('H');
        if (self.hear() != 'G') return 3;
        table.unlock();
        return 0;
    });
    ASSERT_EQ(other.receive(), 'H');
    EXPECT_EQ(AddTicket(kKeno, path, MakeTicket(kKeno, {"1", "2"})), 2u);
    EXPECT_FALSE(DeleteTicket(kKeno, path, 1));
    // The companion refuses it the same way, and says why.
    std::ostringstream out, err;
    const std::vector<std::string> words{"tickets", "keno", "delete", "1", "--tickets", path};
    EXPECT_EQ(cli::run(words, out, err), cli::kExitFailure);
    EXPECT_EQ(err.str(), "sharometr-cli tickets: ticket 1 is in use by another program\n");
    const std::string held = testsupport::readFile(path);
    EXPECT_EQ(ReadTickets(kKeno, path).size(), 2u);
    other.send('G');
    EXPECT_EQ(other.wait(), 0);
    EXPECT_EQ(testsupport::readFile(path), held);
    EXPECT_TRUE(DeleteTicket(kKeno, path, 1));
    const auto left = ReadTickets(kKeno, path);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].numbers, (std::vector<int>{1, 2}));
}

TEST(TicketBacktest, TicketsAreFixedPicksAdjustedWithTheMethods) {
    // Draw t holds 1..6 when t is even, 7..12 when odd: a ticket of 1..6 hits 6 in every other draw.
    std::vector<std::uint8_t> cells;
    for (int t = 1; t <= 100; ++t)
        for (int i = 1; i <= 6; ++i) cells.push_back(static_cast<std::uint8_t>(t % 2 == 0 ? i : i + 6));
    const std::vector<std::vector<int>> tickets{{1, 2, 3, 4, 5, 6}, {1, 7, 20}};
    const BacktestMethod* hot[] = {BacktestMethodNamed("hot")};
    BacktestOptions options;
    options.picks = 6;
    const auto results = RunBacktests(kSuperLoto, cells, options, hot, tickets);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].ticket, -1);
    EXPECT_EQ(results[1].method, &TicketsMethod());
    EXPECT_EQ(results[1].ticket, 0);
    EXPECT_EQ(results[1].tested, 51);
    EXPECT_EQ(results[1].hits, 26 * 6);  // draws 50..100: 26 even ones
    EXPECT_EQ(results[1].verdict, BacktestVerdict::More);
    EXPECT_EQ(results[2].picks, 3);
    EXPECT_EQ(results[2].hits, 51) << "1 or 7 comes in every draw";
    EXPECT_EQ(MethodsTestedTogether(results), 3);
    const std::vector<double> judged{results[0].pValue, results[1].pValue, results[2].pValue};
    EXPECT_EQ(HolmAdjusted(judged)[1], results[1].pHolm);
    EXPECT_THROW(RunBacktests(kSuperLoto, cells, {}, {}, std::vector<std::vector<int>>{{1, 50}}),
                 std::invalid_argument);
}

TEST(TicketBacktest, TheTicketsAreAdjustedAmongThemselvesAsTheCompanionGivesThem) {
    testsupport::TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, Draws(80, {1, 2, 3, 4, 5, 6}));
    const std::string path = dir.file("lototick.dbf");
    // Both kept before the first draw: judged on every tested one.
    Ticket dacha = MakeTicket(kSuperLoto, Words({1, 2, 3, 4, 5, 6}), "Дача");
    Ticket other = MakeTicket(kSuperLoto, Words({1, 2, 40, 41, 42, 43, 44}));
    dacha.keptAfter = other.keptAfter = 0;
    AddTicket(kSuperLoto, path, dacha);
    AddTicket(kSuperLoto, path, other);
    const std::vector<Ticket> tickets = ReadTickets(kSuperLoto, path);
    const auto dataset = MakeDrawDataSet(kSuperLoto, dir.path());
    const std::vector<BacktestResult> results =
        BacktestTickets(kSuperLoto, ReadHistory(*dataset, kSuperLoto), BacktestOptions{}, tickets);
    ASSERT_EQ(results.size(), 2u);
    // Draws 50..80: the first ticket hits 6 in each of the 31, the second 2.
    EXPECT_EQ(results[0].hits, 31 * 6);
    EXPECT_EQ(results[1].picks, 7);
    EXPECT_EQ(results[1].hits, 31 * 2);
    const std::vector<double> own{results[0].pValue, results[1].pValue};
    EXPECT_EQ(results[0].pHolm, HolmAdjusted(own)[0]);
    EXPECT_EQ(results[1].pHolm, HolmAdjusted(own)[1]);

    // The companion prints the same figures, line for line.
    const auto companion = testsupport::runCli({"backtest", "loto", "tickets", "--dir", dir.path()});
    ASSERT_EQ(companion.status, cli::kExitOk) << companion.err;
    std::istringstream lines(companion.out);
    std::string line;
    std::getline(lines, line);
    for (const BacktestResult& result : results) {
        ASSERT_TRUE(std::getline(lines, line));
        char figures[200];
        std::snprintf(figures, sizeof figures, "\t%.4f\t%.4f\t%.4f\t%.3f\t%.4g\t%.4g\t", result.ratio, result.ratioLow,
                      result.ratioHigh, result.z, result.pValue, result.pHolm);
        EXPECT_NE(line.find(figures), std::string::npos) << line << " lacks " << figures;
    }
}

TEST(TicketBacktest, ATicketIsJudgedOnlyOnTheDrawsAfterItWasKept) {
    // 1..6 come out every time. Kept after record 100 of 180 (record 40 deleted, so the 100th record
    // is the 99th draw): judged on records 101..180, the 80 draws from the 100th on. Kept after
    // the last: judged on none, too few. Not known when kept: judged on none, and said so.
    testsupport::TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, Draws(180, {1, 2, 3, 4, 5, 6}),
                                testsupport::DrawTableLayout{{40}});
    std::vector<Ticket> tickets{Ticket{1, "", {1, 2, 3, 4, 5, 6}, 100}, Ticket{2, "", {1, 2, 3, 4, 5, 6}, 180},
                                Ticket{3, "", {1, 2, 3, 4, 5, 6}, std::nullopt}};
    const auto dataset = MakeDrawDataSet(kSuperLoto, dir.path());
    std::vector<std::uint32_t> records;
    const std::vector<std::uint8_t> cells = ReadHistory(*dataset, kSuperLoto, 0, &records);
    ASSERT_EQ(records.size(), 179u);
    const auto results = BacktestTickets(kSuperLoto, cells, BacktestOptions{}, tickets, records);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].firstDraw, 100);
    EXPECT_EQ(results[0].tested, 80);
    EXPECT_EQ(results[0].hits, 80 * 6);
    EXPECT_EQ(results[0].verdict, BacktestVerdict::More);
    for (const std::size_t late : {1u, 2u}) {
        EXPECT_EQ(results[late].tested, 0) << late;
        EXPECT_EQ(results[late].verdict, BacktestVerdict::TooFew) << late;
    }
    EXPECT_TRUE(results[1].keptKnown);
    EXPECT_FALSE(results[2].keptKnown);
    // Without records, draw t is record t; the methods' start still holds for an early mark.
    EXPECT_EQ(BacktestTickets(kSuperLoto, cells, BacktestOptions{}, tickets).front().firstDraw, 101);
    tickets[0].keptAfter = 3;
    EXPECT_EQ(BacktestTickets(kSuperLoto, cells, BacktestOptions{}, tickets).front().firstDraw, 50);
}

TEST(TicketsTable, ATableOfTheOlderFormWithoutKeptStillServes) {
    // NAME and T1..T12 only, as tables were made before: read, added to and deleted from as
    // before; its tickets are of unknown age, and the back-test says so rather than judge them.
    testsupport::TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, Draws(120, {1, 2, 3, 4, 5, 6}));
    const std::string path = dir.file("lototick.dbf");
    std::vector<xb::FieldSpec> fields{{"NAME", 'C', kTicketNameWidth, 0}};
    for (int i = 1; i <= 12; ++i) fields.push_back({"T" + std::to_string(i), 'N', 2, 0});
    xb::createTable(path, fields, 0x65);
    const auto added =
        testsupport::runCli({"tickets", "loto", "add", "1", "2", "3", "4", "5", "6", "--dir", dir.path()});
    ASSERT_EQ(added.status, cli::kExitOk) << added.err;
    EXPECT_NE(added.err.find("is a tickets table of the older form, without KEPT: its tickets are not back-tested"),
              std::string::npos)
        << added.err;
    const std::vector<Ticket> kept = ReadTickets(kSuperLoto, path);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].numbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(kept[0].keptAfter);
    const auto backtest = testsupport::runCli({"backtest", "loto", "tickets", "--dir", dir.path()});
    ASSERT_EQ(backtest.status, cli::kExitOk) << backtest.err;
    EXPECT_NE(backtest.out.find("\t0\t0\t0\t0.00\t"), std::string::npos) << backtest.out;  // tested, skipped, hits
    EXPECT_NE(backtest.out.find("\ttoo_few\t\t"), std::string::npos) << "no mark: " << backtest.out;
    EXPECT_TRUE(DeleteTicket(kSuperLoto, path, 1));
    // A table of some other form is still refused, now naming KEPT among the fields it wants.
    const std::string other = dir.file("other.dbf");
    xb::createTable(other, {{"NAME", 'C', kTicketNameWidth, 0}, {"T1", 'N', 2, 0}}, 0x65);
    try {
        ReadTickets(kSuperLoto, other);
        ADD_FAILURE() << "read";
    } catch (const TicketError& error) {
        EXPECT_NE(std::string(error.what()).find("(NAME, then T1..T12, then KEPT)"), std::string::npos) << error.what();
    }
}
