// What a menu command of the main window does, in one place for every analysis and game: reads
// the draws, runs the analysis, leaves the dataset's cursor where the command leaves it, and
// then either paints the board with its captions or shows the refusal. The main window, the
// companion's --png and the benchmark all run it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "toolkit/canvas.h"
#include "toolkit/dataset.h"

struct BoardTarget {
    std::span<std::int32_t> values;   // LotoValues or KenoValues
    std::span<std::int32_t> periods;  // LotoPeriods or KenoPeriods
    // The picture's canvas, asked for only when a board is painted: a refused command leaves the
    // picture as it was, not even made.
    std::function<TCanvas&()> canvas;
    // The board scaled so that the tallest bar fits (DrawGameBoard).
    bool scaled = false;
    // What the window adds below a refusal that it can show a way out of (the waiting period's
    // limit of draws: the window of history); the refusal itself stays as it is.
    std::function<std::string(const char* refusal)> refusalWayOut;
};

AnalysisResult RunAnalysis(const Analysis& analysis, const Game& game, TDataSet& dataset, const BoardTarget& target,
                           const HistoryWindow& window = {});

// Paints the result's board and the analysis' captions (the latest draw's from the dataset's
// current record).
void PaintAnalysis(TCanvas& canvas, const Analysis& analysis, const Game& game, const AnalysisResult& result,
                   TDataSet& dataset, bool scaled = false);
// The same with the latest draw's numbers as LatestDrawTexts read them, for a board painted again
// after the dataset's cursor may have moved.
void PaintAnalysis(TCanvas& canvas, const Analysis& analysis, const Game& game, const AnalysisResult& result,
                   std::span<const std::string> latestDraw, bool scaled = false);
// The numbers the analysis' caption writes of the latest draw, as the data window shows them, read
// from the dataset's current record; none when the caption writes none.
std::vector<std::string> LatestDrawTexts(const Analysis& analysis, const Game& game, const AnalysisResult& result,
                                         TDataSet& dataset);
