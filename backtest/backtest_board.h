// The back-test on the main window's picture: one pair of bars per method, the hits observed
// against the hits expected of blind picks, with the figures written beside them in Russian.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "analysis/game.h"
#include "backtest/backtest.h"
#include "toolkit/canvas.h"
#include "toolkit/dataset.h"

// Repaints the whole picture (665 x 313, cleared grey as the boards are) with `results`, every
// method of one back-test of `game`.
void DrawBacktestBoard(TCanvas& canvas, const Game& game, std::span<const BacktestResult> results);

// "наблюдено 123, ожидалось 120.5, отношение 1.02, p = 0.71"
std::string BacktestFigures(const BacktestResult& result);

// The menu command: reads the game's draws from `dataset`, back-tests every method with the
// defaults and paints the picture. A history with no draw to test shows the message instead and
// leaves the picture as it was, not even made.
void RunBacktestCommand(const Game& game, TDataSet& dataset, const std::function<TCanvas&()>& canvas);
