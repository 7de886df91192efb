// The check of a player's tickets against the draws: per ticket, its matches in the latest draw,
// how many draws gave 0, 1, 2, ... hits against the counts chance expects, the best draw, the last
// winning one, and for a system ticket how many of its combinations matched each count. One pass
// over the draws, the tickets held as bit sets, fed as the analyses are fed (ReadDraws).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "tickets/tickets.h"

struct TicketCheck {
    Ticket ticket;
    int draws = 0;  // the draws checked
    // The latest draw: its record and the ticket's numbers it holds.
    std::uint32_t latestRecord = 0;
    std::vector<int> latestMatches;
    // Index h: the draws in which the ticket matched h numbers, and the count chance expects
    // (draws times the hypergeometric probability of h); h runs to min(numbers, m).
    std::vector<std::int64_t> observed;
    std::vector<double> expected;
    // The most numbers matched in one draw and the first draw that did it (counted from 1 among
    // the draws checked, and its record); 0 with no draws.
    int bestHits = 0;
    int bestDraw = 0;
    std::uint32_t bestRecord = 0;
    // The last draw with at least the game's least winning count (0: none, or the game names no
    // winning counts) and its matches.
    int winFrom = 0;  // the game's least winning count; 0: the game names none
    int lastWinDraw = 0;
    std::uint32_t lastWinRecord = 0;
    int lastWinHits = 0;
    // A system ticket's combinations of m numbers by the count j they matched (index j): in the
    // latest draw, and summed over the draws checked. Empty for any other ticket.
    std::vector<std::int64_t> latestCombinations;
    std::vector<std::int64_t> combinations;
};

// C(n, k) as a whole number (0 outside 0 <= k <= n).
std::int64_t Binomial(int n, int k);
// Of the C(t, m) combinations of a ticket of t numbers, how many match j numbers of a draw that
// holds h of the ticket's numbers: C(h, j) C(t - h, m - j).
std::int64_t CombinationsMatching(int t, int m, int h, int j);

class TicketChecker final : public DrawAccumulator {
public:
    TicketChecker(const Game& game, std::vector<Ticket> tickets);

    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override;
    // The draws fed, nothing else: the checks are what this accumulator gives.
    AnalysisResult result() const override;
    std::vector<TicketCheck> checks() const;

private:
    const Game& m_game;
    std::vector<Ticket> m_tickets;
    std::vector<std::uint64_t> m_bits;  // two words a ticket
    std::size_t m_stride;               // hit cells a ticket: min(most numbers, m) + 1
    std::vector<std::int64_t> m_hits;   // per ticket, the draws by hits
    std::vector<int> m_best, m_bestDraw, m_lastWinDraw, m_lastWinHits;
    std::vector<std::uint32_t> m_bestRecord, m_lastWinRecord;
    int m_winFrom;  // the least winning count, or above any count
    int m_draws = 0;
    std::uint32_t m_latestRecord = 0;
    std::vector<std::uint8_t> m_latest;
};

// The tickets checked against the draws of `dataset` (a game's draw table) within `window`, in one
// pass; `more` are fed the same draws (the window's progress, other counts). Raises what
// ReadDraws raises.
std::vector<TicketCheck> CheckTickets(const Game& game, TDataSet& dataset, std::vector<Ticket> tickets,
                                      const HistoryWindow& window = {}, std::span<DrawAccumulator* const> more = {});
