// For the tests and the benchmark: an analysis of a game as the main window's command runs it, on
// a canvas the caller holds. It reads the table through the dataset, fills the board values (and
// periods), paints the board and writes its caption, or tells the user why not through the
// message service. A shorthand for RunAnalysis with an eagerly made canvas.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/game.h"
#include "toolkit/canvas.h"
#include "toolkit/dataset.h"

struct Analysis;

struct AnalysisContext {
    TDataSet& dataset;
    std::span<std::int32_t> values;   // LotoValues or KenoValues
    std::span<std::int32_t> periods;  // LotoPeriods or KenoPeriods
    TCanvas& canvas;
};

void RunAnalysisCommand(const Analysis& analysis, const Game& game, AnalysisContext& context);
