// The back-test's picture.
#include "backtest/backtest_board.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "toolkit/dialogs.h"

namespace {

constexpr int kMargin = 5;
constexpr int kHeadingY = 6;
constexpr int kFirstRowY = 30;
constexpr int kRowHeight = 49;
constexpr int kBarHeight = 12;
constexpr int kObservedBarY = 16;  // from the row's top
constexpr int kExpectedBarY = 31;
constexpr int kLongestBar = 240;
constexpr int kFiguresX = kMargin + kLongestBar + 12;
constexpr int kLegendY = board::kHeight - 20;
constexpr double kSignificance = 0.05;
constexpr double kSmallestPValue = 1e-15;

std::string Formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Two decimals, or the power of ten of a small one; below what a double tells apart from 0 on
// these counts, a bound.
std::string PValueText(double p) {
    if (p < kSmallestPValue) return "p < " + Formatted("%.0e", kSmallestPValue);
    return "p = " + Formatted(p >= 0.01 ? "%.2f" : "%.1e", p);
}

// Green when the method cannot be told from chance, red when it hit significantly more, blue
// when significantly less: the board's colours.
TColor VerdictColor(const BacktestResult& result) {
    if (result.pValue >= kSignificance) return clGreen;
    return result.z > 0 ? clRed : clBlue;
}

void Text(TCanvas& canvas, int x, int y, TColor color, int points, const std::string& text) {
    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(color);
    canvas.SetFontSize(points);
    canvas.TextOut(x, y, text);
}

void Bar(TCanvas& canvas, int y, double value, double scale, TColor color) {
    const int length = std::max(1, static_cast<int>(value * scale + 0.5));
    canvas.SetBrushColor(color);
    canvas.FillRect(TRect{kMargin, y, kMargin + length, y + kBarHeight});
}

}  // namespace

std::string BacktestFigures(const BacktestResult& result) {
    return "наблюдено " + std::to_string(result.hits) + ", ожидалось " + Formatted("%.1f", result.expectedHits) +
           ", отношение " + Formatted("%.2f", result.ratio) + ", " + PValueText(result.pValue);
}

void DrawBacktestBoard(TCanvas& canvas, const Game& game, std::span<const BacktestResult> results) {
    canvas.SetBrushColor(clGray);
    canvas.FillRect(TRect{0, 0, board::kWidth, board::kClientHeight});

    if (!results.empty()) {
        const BacktestResult& first = results.front();
        const int last = first.firstDraw + first.tested + first.skipped - 1;
        Text(canvas, kMargin, kHeadingY, clWhite, 10,
             std::string("Проверка методов: ") + game.menu.menuCaption + ", по " + std::to_string(first.picks) +
                 " номеров, тиражи с " + std::to_string(first.firstDraw) + "-го по " + std::to_string(last) + "-й");
    }
    double longest = 0;
    for (const BacktestResult& result : results)
        longest = std::max({longest, static_cast<double>(result.hits), result.expectedHits});
    const double scale = longest > 0 ? kLongestBar / longest : 0.0;

    int y = kFirstRowY;
    for (const BacktestResult& result : results) {
        Text(canvas, kMargin, y, clYellow, 9, result.method->caption);
        Bar(canvas, y + kObservedBarY, static_cast<double>(result.hits), scale, VerdictColor(result));
        Bar(canvas, y + kExpectedBarY, result.expectedHits, scale, clWhite);
        Text(canvas, kFiguresX, y + kObservedBarY, clWhite, 8, BacktestFigures(result));
        std::string details = "z = " + Formatted("%.2f", result.z) + ", тиражей " + std::to_string(result.tested);
        if (result.skipped > 0) details += ", без выбора " + std::to_string(result.skipped);
        Text(canvas, kFiguresX, y + kExpectedBarY, clWhite, 8, details);
        y += kRowHeight;
    }

    // The legend.
    int x = kMargin;
    auto key = [&](TColor color, const std::string& text) {
        canvas.SetBrushColor(color);
        canvas.FillRect(TRect{x, kLegendY + 3, x + 10, kLegendY + 11});
        Text(canvas, x + 14, kLegendY, clWhite, 8, text);
        x += 14 + canvas.TextWidth(text) + 12;
    };
    key(clGreen, "наблюдено: не отличить от случая");
    key(clRed, "больше случая (p < 0.05)");
    key(clBlue, "меньше");
    key(clWhite, "ожидалось при случайном выборе");
    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(clWhite);
    canvas.SetFontSize(12);
}

void RunBacktestCommand(const Game& game, TDataSet& dataset, const std::function<TCanvas&()>& canvas) {
    const std::vector<std::uint8_t> cells = ReadHistory(dataset, game);
    if (DrawCount(game, cells) < kDefaultFirstTestedDraw) {
        ShowMessage(BacktestTooFewMessage(kDefaultFirstTestedDraw));
        return;
    }
    const std::vector<BacktestResult> results = RunBacktests(game, cells);
    DrawBacktestBoard(canvas(), game, results);
}
