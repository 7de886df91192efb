// Reading a game's draws from its table for the analyses: one pass over the visible records in
// table order, each draw decoded into a row of the game's numbers, and the analyses run on
// them with the dataset's cursor left where the menu command leaves it. No painting.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/analyses.h"
#include "analysis/game.h"
#include "toolkit/dataset.h"

// Which draws an analysis sees: every visible draw, or a window of the history.
struct HistoryWindow {
    int last = 0;            // only the latest `last` draws (0: every one)
    std::uint32_t upto = 0;  // only the draws in records 1..upto, the history as it stood then (0: every one)

    bool whole() const { return last == 0 && upto == 0; }
};

// Reads the draws of `game` from `dataset`, within `window`, and hands them in table order to
// every accumulator of `sinks`; returns how many. One pass in blocks that leaves the cursor
// alone, or, for a table that needs it, a walk of the dataset with AsInteger. Raises what
// AsInteger raises.
int ReadDraws(TDataSet& dataset, const Game& game, const HistoryWindow& window,
              std::span<DrawAccumulator* const> sinks);

// An analysis of the table behind `dataset`: the draws read, the result, and the cursor moved
// where the menu command leaves it.
AnalysisResult AnalyseDataSet(const Analysis& analysis, const Game& game, TDataSet& dataset,
                              const HistoryWindow& window = {});

// Leaves the cursor where an analysis with this result leaves it.
void PlaceCursor(TDataSet& dataset, const AnalysisResult& result, const HistoryWindow& window);
