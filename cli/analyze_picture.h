// The pictures of `analyze --png`: the main window's picture after the command, painted by the
// main window's painter on a picture of the picture area's size from results already computed.
// Only in a build with the window layers (SHAROMETR_CLI_PICTURES).
#pragma once

#include <QGuiApplication>

#include <memory>
#include <string>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "toolkit/dataset.h"

namespace cli {

// What painting needs, made once for all the pictures of a command: a GUI application for the
// canvas's fonts, on the offscreen platform unless the environment names another.
class PictureMaker {
public:
    PictureMaker();
    ~PictureMaker();
    PictureMaker(const PictureMaker&) = delete;
    PictureMaker& operator=(const PictureMaker&) = delete;

    // Paints `result` (not a refusal) as the menu command does, the dataset's cursor placed where
    // the command leaves it for the captions, and saves the picture as PNG; false, with errno saying
    // why and no file left behind, when the file cannot be written whole.
    bool save(const Analysis& analysis, const Game& game, TDataSet& dataset, const AnalysisResult& result,
              const HistoryWindow& window, const std::string& pngPath);

private:
    std::unique_ptr<QGuiApplication> m_application;
};

}  // namespace cli
