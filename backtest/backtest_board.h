// The back-test on the main window's picture: one pair of bars per method, the hits observed
// (with the band chance alone would give behind them) against the hits expected of blind picks,
// the verdict and the figures written beside them in Russian.
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
#include "tickets/tickets.h"
#include "toolkit/canvas.h"
#include "toolkit/dataset.h"

// Repaints the whole picture (665 x 313, cleared grey as the boards are) with `results`, the
// methods of one back-test of `game`, then the player's `tickets` (a result's `ticket` its place
// among them), each row captioned with the ticket's name and numbers. Rows share the height
// between them, however many.
void DrawBacktestBoard(TCanvas& canvas, const Game& game, std::span<const BacktestResult> results,
                       std::span<const Ticket> tickets = {});

// A row's caption: the method's, and for a ticket also its name and numbers: "Мои билеты:
// «Дача» – 1, 2, 3, 20, 21, 22".
std::string BacktestRowCaption(const BacktestResult& result, std::span<const Ticket> tickets);
// The same in short, before the verdict when the rows are too low for a caption of its own: the
// method's, or "Билет «Дача»", "Билет 2".
std::string BacktestShortCaption(const BacktestResult& result, std::span<const Ticket> tickets);
// The note under the rows: how many methods were adjusted together, and how many tickets among
// themselves.
std::string BacktestAdjustmentNote(std::span<const BacktestResult> results);

// "p = 0,047", or "p < 0,001".
std::string BacktestPText(double p);
// The verdict in words with the adjusted p: "больше, чем случайно: p = 0,003".
std::string BacktestVerdictText(const BacktestResult& result);
// "совпало 123, ожидалось 120,5, отношение 1,02 (случайно 0,85–1,16)"
std::string BacktestFigures(const BacktestResult& result);

// The back-test the window runs: the draws of the window of history (the table up to its record
// `upto`), the latest `last` of them tested (from the 50th draw on at the earliest), every method.
struct BacktestInput {
    std::vector<std::uint8_t> cells;
    BacktestOptions options;
};
// Reads the game's draws from `dataset` for the window of history; std::nullopt, the message
// shown, when the history is too short to test any draw.
std::optional<BacktestInput> ReadBacktestInput(const Game& game, TDataSet& dataset, const HistoryWindow& window);

// The menu command: reads the draws on this thread, back-tests every method on a worker thread
// with a progress dialog and a cancel, and paints the picture back on this thread. The tickets
// kept in the table at `ticketsTable` (none when it is empty or not there) join as "Мои билеты",
// a row each, with the figures of BacktestTickets. A history with no draw to test shows the
// message instead, and a cancelled test leaves the picture as it was, not even made.
void RunBacktestCommand(const Game& game, TDataSet& dataset, const std::function<TCanvas&()>& canvas,
                        const HistoryWindow& window = {}, const std::string& ticketsTable = {});
