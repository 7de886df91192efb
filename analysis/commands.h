// The four analyses of each game, as functions of the game's rules, the main window's dataset on
// its table, the board values and periods, and the picture's canvas. Each walks the table,
// fills the board values, paints the board and writes its caption, or tells the user why not
// through the message service. Values outside the game's numbers (a blank field reads as 0) are
// skipped by every tally and search.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/game.h"
#include "toolkit/canvas.h"
#include "toolkit/dataset.h"

struct AnalysisContext {
    TDataSet& dataset;
    std::span<std::int32_t> values;   // LotoValues or KenoValues
    std::span<std::int32_t> periods;  // LotoPeriods or KenoPeriods
    TCanvas& canvas;
};

void FrequencyHistogram(const GameRules& game, AnalysisContext& context);
void SuccessionProbability(const GameRules& game, AnalysisContext& context);
void AverageWaitingPeriod(const GameRules& game, AnalysisContext& context);
void TalvenMethod(const GameRules& game, AnalysisContext& context);
