// For the tests and the benchmark: the four analyses of a game as the main window's commands, on
// a canvas the caller holds. Each reads the table through the dataset, fills the board values
// (and periods), paints the board and writes its caption, or tells the user why not through the
// message service. Shorthands for RunAnalysis with an eagerly made canvas.
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

void FrequencyHistogram(const Game& game, AnalysisContext& context);
void SuccessionProbability(const Game& game, AnalysisContext& context);
void AverageWaitingPeriod(const Game& game, AnalysisContext& context);
void TalvenMethod(const Game& game, AnalysisContext& context);
