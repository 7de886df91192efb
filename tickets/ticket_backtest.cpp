// The tickets' walk forward, by the back-test of the methods.
#include "tickets/ticket_backtest.h"

#include <algorithm>

std::vector<BacktestResult> BacktestTickets(const Game& game, std::span<const std::uint8_t> cells,
                                            const BacktestOptions& options, std::span<const Ticket> tickets,
                                            std::span<const std::uint32_t> records) {
    if (tickets.empty()) return {};
    const int draws = DrawCount(game, cells);
    std::vector<BacktestTicket> walked;
    for (const Ticket& ticket : tickets) {
        BacktestTicket each{ticket.numbers, draws + 1, ticket.keptAfter.has_value()};
        if (ticket.keptAfter) {
            // The first draw of a record past the mark; the records rise in table order.
            const std::uint32_t mark = *ticket.keptAfter;
            if (records.empty())
                each.firstDraw = static_cast<int>(std::min<std::uint32_t>(mark, static_cast<std::uint32_t>(draws))) + 1;
            else
                each.firstDraw =
                    static_cast<int>(std::upper_bound(records.begin(), records.end(), mark) - records.begin()) + 1;
        }
        walked.push_back(std::move(each));
    }
    return RunBacktests(game, cells, options, {}, walked);
}
