// The main window's «Проверка методов»: the draws of the window of history read, every method and
// the player's tickets walked forward on a worker with progress and a cancel, and the back-test's
// picture painted back with a row for each ticket.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "backtest/backtest.h"
#include "backtest/backtest_board.h"
#include "tickets/tickets.h"
#include "toolkit/canvas.h"
#include "toolkit/dataset.h"

// The back-test the window runs: the draws of the window of history (the table up to its record
// `upto`) and their record numbers, the latest `last` of them tested (from the 50th draw on at
// the earliest), every method.
struct BacktestInput {
    std::vector<std::uint8_t> cells;
    std::vector<std::uint32_t> records;
    BacktestOptions options;
};
// Reads the game's draws from `dataset` for the window of history; std::nullopt, the message
// shown, when the history is too short to test any draw.
std::optional<BacktestInput> ReadBacktestInput(const Game& game, TDataSet& dataset, const HistoryWindow& window);

// The rows' names of the tickets on the picture: "Мои билеты: «Дача» — 1, 2, 3" in full, and
// "Билет «Дача»" or "Билет 2" in short.
std::vector<BacktestRowName> BacktestTicketNames(std::span<const Ticket> tickets);

// The menu command: reads the draws on this thread, back-tests every method on a worker thread
// with a progress dialog and a cancel, and paints the picture back on this thread. The tickets
// kept in the table at `ticketsTable` (none when it is empty or not there) join as "Мои билеты",
// a row each, with the figures of BacktestTickets: each judged on the draws after it was kept.
// A history with no draw to test shows the message instead, and a cancelled test leaves the
// picture as it was, not even made.
void RunBacktestCommand(const Game& game, TDataSet& dataset, const std::function<TCanvas&()>& canvas,
                        const HistoryWindow& window = {}, const std::string& ticketsTable = {});
