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
#include "toolkit/canvas.h"
#include "toolkit/dataset.h"

// Repaints the whole picture (665 x 313, cleared grey as the boards are) with `results`, the
// methods of one back-test of `game`. Rows share the height between them, however many.
void DrawBacktestBoard(TCanvas& canvas, const Game& game, std::span<const BacktestResult> results);

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
// with a progress dialog and a cancel, and paints the picture back on this thread. A history with
// no draw to test shows the message instead, and a cancelled test leaves the picture as it was,
// not even made.
void RunBacktestCommand(const Game& game, TDataSet& dataset, const std::function<TCanvas&()>& canvas,
                        const HistoryWindow& window = {});
