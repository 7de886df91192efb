// The player's tickets against chance: each kept ticket walked forward as a method whose picks are
// its own numbers, on the draws that came after it was kept only, the tickets adjusted by Holm
// among themselves. The companion's `backtest GAME tickets` and the window's back-test both take
// their figures from here, so a ticket's p, chance band and adjusted p are the same in both.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "backtest/backtest.h"
#include "tickets/tickets.h"

// One result per ticket, in the order given (result.ticket its place); `options.picks` is not
// used, each ticket picks its own numbers. `records` are the draws' record numbers (as
// ReadHistory gives them; empty: draw t is record t): a ticket is judged on the draws of records
// above its keptAfter, and on none when its keptAfter is not known. Raises what RunBacktests
// raises.
std::vector<BacktestResult> BacktestTickets(const Game& game, std::span<const std::uint8_t> cells,
                                            const BacktestOptions& options, std::span<const Ticket> tickets,
                                            std::span<const std::uint32_t> records = {});
