// The runner of the analyses: the order of its steps is the one the users' pictures depend on:
// the draws decide the values, the board painter wipes the picture, and every caption is
// written after it.
#include "analysis/runner.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/board.h"
#include "toolkit/dialogs.h"
#include "toolkit/russian_text.h"

namespace {

constexpr int kHeadingX = 5;
constexpr int kHeadingPoints = 10;
constexpr int kHeadingY = 10;
constexpr int kCountCaptionX = 20;
constexpr int kCountCaptionY = 30;
constexpr int kDrawCaptionX = 290;
constexpr int kDrawCaptionStep = 17;

void CheckArray(const Game& game, std::span<std::int32_t> array, const char* what) {
    if (array.size() != static_cast<std::size_t>(game.numbers))
        throw std::invalid_argument(std::string(what) + " do not match the numbers of " + game.name);
}

int HeadingPoints(const Analysis& analysis, const Game& game) {
    return analysis.headingPoints ? game.*analysis.headingPoints : kHeadingPoints;
}

void WriteHeading(TCanvas& canvas, int points, const char* text) {
    canvas.SetFontColor(clWhite);
    canvas.SetFontSize(points);
    canvas.TextOut(kHeadingX, kHeadingY, text);
}

// How many numbers of the latest draw the caption writes: none of an empty history.
int LatestDrawFields(const Game& game, const AnalysisResult& result) {
    return result.draws > 0 ? game.fieldsPerDraw : 0;
}

// The board and the captions, the latest draw's `drawFields` numbers given by `drawText` one by
// one as each is written (a failing read leaves what was painted before it).
void PaintBoardAndCaptions(TCanvas& canvas, const Analysis& analysis, const Game& game, const AnalysisResult& result,
                           int drawFields, const std::function<std::string(int)>& drawText, bool scaled) {
    if (result.perNumber())
        DrawGameBoard(canvas, game, result.values, scaled);
    else
        DrawBinsBoard(canvas, result.values, result.binLabels, result.expected);
    switch (analysis.caption) {
        case CaptionKind::DrawCount:
            // In the state the painter leaves the canvas.
            canvas.TextOut(kCountCaptionX, kCountCaptionY, "В обработке: " + std::to_string(result.draws) + " записей");
            break;
        case CaptionKind::LatestDraw:
            WriteHeading(canvas, HeadingPoints(analysis, game), analysis.heading);
            for (int i = 0; i < drawFields; ++i)
                canvas.TextOut(kDrawCaptionX + kDrawCaptionStep * i, kHeadingY, drawText(i));
            break;
        case CaptionKind::Heading:
            WriteHeading(canvas, HeadingPoints(analysis, game), analysis.heading);
            break;
        case CaptionKind::HeadingAndDraws:
            WriteHeading(
                canvas, HeadingPoints(analysis, game),
                (std::string(analysis.heading) + " (" + russian::counted(result.draws, russian::kDraws) + ")").c_str());
            break;
    }
}

}  // namespace

std::vector<std::string> LatestDrawTexts(const Analysis& analysis, const Game& game, const AnalysisResult& result,
                                         TDataSet& dataset) {
    std::vector<std::string> texts;
    if (analysis.caption != CaptionKind::LatestDraw) return texts;
    for (int i = 0; i < LatestDrawFields(game, result); ++i) texts.push_back(dataset.Fields(i).AsString());
    return texts;
}

void PaintAnalysis(TCanvas& canvas, const Analysis& analysis, const Game& game, const AnalysisResult& result,
                   TDataSet& dataset, bool scaled) {
    // The numbers as the data window shows them, read from the latest draw the cursor is on.
    PaintBoardAndCaptions(
        canvas, analysis, game, result, LatestDrawFields(game, result),
        [&dataset](int i) { return dataset.Fields(i).AsString(); }, scaled);
}

void PaintAnalysis(TCanvas& canvas, const Analysis& analysis, const Game& game, const AnalysisResult& result,
                   std::span<const std::string> latestDraw, bool scaled) {
    PaintBoardAndCaptions(
        canvas, analysis, game, result, static_cast<int>(latestDraw.size()),
        [latestDraw](int i) { return latestDraw[static_cast<std::size_t>(i)]; }, scaled);
}

AnalysisResult RunAnalysis(const Analysis& analysis, const Game& game, TDataSet& dataset, const BoardTarget& target,
                           const HistoryWindow& window) {
    CheckArray(game, target.values, "board values");
    CheckArray(game, target.periods, "periods");
    const AnalysisResult result = AnalyseDataSet(analysis, game, dataset, window);
    if (result.refusal) {
        if (result.refusalClearsValues) std::ranges::fill(target.values, 0);
        const std::string wayOut = target.refusalWayOut ? target.refusalWayOut(result.refusal) : std::string();
        ShowMessage(wayOut.empty() ? std::string(result.refusal) : std::string(result.refusal) + "\n" + wayOut);
        return result;
    }
    // The board values are the numbers': a result of bins of its own leaves them as they were.
    if (result.perNumber()) std::ranges::copy(result.values, target.values.begin());
    if (!result.periods.empty()) std::ranges::copy(result.periods, target.periods.begin());
    PaintAnalysis(target.canvas(), analysis, game, result, dataset, target.scaled);
    return result;
}
