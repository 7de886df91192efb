// The tickets' walk forward, by the back-test of the methods.
#include "tickets/ticket_backtest.h"

std::vector<BacktestResult> BacktestTickets(const Game& game, std::span<const std::uint8_t> cells,
                                            const BacktestOptions& options, std::span<const Ticket> tickets) {
    if (tickets.empty()) return {};
    std::vector<std::vector<int>> picks;
    for (const Ticket& ticket : tickets) picks.push_back(ticket.numbers);
    return RunBacktests(game, cells, options, {}, picks);
}
