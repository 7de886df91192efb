// The picture of `analyze --png`: the main window's picture after the command, made through the
// main window's runner on a picture of the picture area's size. Only in a build with the window
// layers (SHAROMETR_CLI_PICTURES).
#pragma once

#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "toolkit/dataset.h"

namespace cli {

struct PictureRun {
    AnalysisResult result;
    std::vector<std::string> messages;  // what the command told the user instead of painting
    bool written = false;               // the PNG file was written
};

// Runs the analysis as the main window does and, when it paints, saves the picture as PNG.
PictureRun analyzeToPicture(const Analysis& analysis, const Game& game, TDataSet& dataset, const HistoryWindow& window,
                            const std::string& pngPath);

}  // namespace cli
