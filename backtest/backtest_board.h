// The back-test on the main window's picture: one pair of bars per method, the hits observed
// (with the band chance alone would give behind them) against the hits expected of blind picks,
// the verdict and the figures written beside them in Russian. It knows no tickets: the window
// names a ticket's row.
#pragma once

#include <span>
#include <string>

#include "analysis/game.h"
#include "backtest/backtest.h"
#include "toolkit/canvas.h"

// How the window names the row of a ticket (a result's `ticket` its place among the names): in
// full above the bars, "Мои билеты: «Дача» — 1, 2, 3, 20, 21, 22", and in short before the verdict
// when the rows are too low for a caption of its own, "Билет «Дача»".
struct BacktestRowName {
    std::string caption;
    std::string shortCaption;
};

// Repaints the whole picture (665 x 313, cleared grey as the boards are) with `results`, the
// methods of one back-test of `game`, then the player's tickets, each row named by `ticketNames`.
// Rows share the height between them, however many.
void DrawBacktestBoard(TCanvas& canvas, const Game& game, std::span<const BacktestResult> results,
                       std::span<const BacktestRowName> ticketNames = {});

// A row's caption: the method's, or the ticket's full name.
std::string BacktestRowCaption(const BacktestResult& result, std::span<const BacktestRowName> ticketNames);
// The same in short: the method's, or the ticket's short name.
std::string BacktestShortCaption(const BacktestResult& result, std::span<const BacktestRowName> ticketNames);
// The note under the rows: how many methods were adjusted together, and how many tickets among
// themselves, and which figures are adjusted.
std::string BacktestAdjustmentNote(std::span<const BacktestResult> results);

// The picture's heading, of the first row's draws: "Проверка методов «СуперЛото»: тиражи 50–100,
// по 6 номеров".
std::string BacktestHeading(const Game& game, const BacktestResult& first);
// "p = 0,047", or "p < 0,001".
std::string BacktestPText(double p);
// The verdict in words with the adjusted p: "больше, чем случайно: p = 0,003".
std::string BacktestVerdictText(const BacktestResult& result);
// "совпало 123, ожидалось 120,5, отношение 1,02 (полоса случая без поправки 0,85–1,16)"
std::string BacktestFigures(const BacktestResult& result);
// The draws tested (a ticket's: those after it was kept) and the unadjusted p, then the fit with
// its own adjusted p: "71 тираж в проверке; без поправки p = 0,047; хи-квадрат 3,1, с поправкой
// p = 0,912".
std::string BacktestDetails(const BacktestResult& result);
