// The back-test's picture.
#include "backtest/backtest_board.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/board.h"
#include "toolkit/russian_text.h"

namespace {

constexpr int kMargin = 5;
constexpr int kHeadingY = 6;
constexpr int kFirstRowY = 30;
constexpr int kNoteY = board::kHeight - 36;  // how many methods were judged together
constexpr int kLegendY = board::kHeight - 20;
constexpr int kLongestBar = 240;
constexpr int kFiguresX = kMargin + kLongestBar + 12;
constexpr int kFiguresWidth = board::kWidth - kFiguresX - kMargin;
// A row of full height, and its parts from the row's top; more methods than fit share the
// height and the parts shrink in proportion.
constexpr int kRowHeight = 49;
constexpr int kObservedBarY = 16;
// The caption goes above the bars when they leave it this much room, else before the verdict.
constexpr int kCaptionRoom = 12;
constexpr int kExpectedBarY = 31;
constexpr int kBarHeight = 12;
constexpr int kBandOverhang = 3;  // the chance band shows above and below the observed bar
// The lines of text beside the bars: their tops from the row's top and their font sizes.
constexpr struct {
    int y;
    int points;
} kLines[] = {{0, 8}, {11, 7}, {22, 7}, {31, 7}, {40, 7}};
constexpr int kSmallLineHeight = 9;

// Neither a finding nor chance: too few draws, or the random baseline.
constexpr TColor kNeutral = 0xC0C0C0;
constexpr TColor kBand = 0x5A5A5A;

TColor VerdictColor(BacktestVerdict verdict) {
    switch (verdict) {
        case BacktestVerdict::More:
            return clRed;
        case BacktestVerdict::Fewer:
            return clBlue;
        case BacktestVerdict::Chance:
            return clGreen;
        case BacktestVerdict::TooFew:
        case BacktestVerdict::Baseline:
            break;
    }
    return kNeutral;
}

void Text(TCanvas& canvas, int x, int y, TColor color, int points, const std::string& text) {
    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(color);
    canvas.SetFontSize(points);
    canvas.TextOut(x, y, text);
}

// `text` cut with an ellipsis to fit `width` in the canvas' font.
std::string Fitted(const TCanvas& canvas, std::string text, int width) {
    if (canvas.TextWidth(text) <= width) return text;
    const std::string ellipsis(russian::kEllipsis);
    while (!text.empty() && canvas.TextWidth(text + ellipsis) > width) {
        text.pop_back();
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
        if (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0xC0) text.pop_back();
    }
    return text + ellipsis;
}

void Rect(TCanvas& canvas, int left, int top, int right, int bottom, TColor color) {
    canvas.SetBrushColor(color);
    canvas.FillRect(TRect{left, top, right, bottom});
}

int Length(double value, double scale) { return std::max(1, static_cast<int>(value * scale + 0.5)); }

std::string Decimal(double value, int decimals) { return russian::decimal(value, decimals); }

// The draws by hits, observed, then expected: "тиражи по совпадениям 0–6: 110; 105; 30; 5; 1; 0; 0".
std::string ObservedLine(const BacktestResult& result) {
    std::string line =
        "тиражи по совпадениям " + russian::range(0, static_cast<long long>(result.observed.size()) - 1) + ":";
    for (std::size_t h = 0; h < result.observed.size(); ++h)
        line += (h == 0 ? " " : "; ") + russian::wholeNumber(result.observed[h]);
    return line;
}

std::string ExpectedLine(const BacktestResult& result) {
    std::string line = "ожидалось:";
    for (std::size_t h = 0; h < result.expected.size(); ++h)
        line += (h == 0 ? " " : "; ") + Decimal(result.expected[h], 1);
    return line;
}

}  // namespace

std::string BacktestPText(double p) { return p < 0.001 ? "p < 0,001" : "p = " + Decimal(p, 3); }

std::string BacktestVerdictText(const BacktestResult& result) {
    switch (result.verdict) {
        case BacktestVerdict::More:
            return "больше, чем случайно: " + BacktestPText(result.pHolm);
        case BacktestVerdict::Fewer:
            // A method cannot lose to chance for long: a short run of misses is what chance gives
            // now and then, not a sign of odd draws.
            return "меньше ожидаемого — у случайного метода так бывает: " + BacktestPText(result.pHolm);
        case BacktestVerdict::Chance:
            return "не отличить от случая: " + BacktestPText(result.pHolm);
        case BacktestVerdict::TooFew:
            if (!result.keptKnown) return "не проверен: неизвестно, когда билет сохранён";
            if (result.ticket >= 0)
                return "мало тиражей после сохранения билета: нужно не меньше " +
                       russian::counted(kFewestTestedDraws, russian::kDraws);
            return "мало тиражей для вывода: нужно не меньше " + russian::counted(kFewestTestedDraws, russian::kDraws);
        case BacktestVerdict::Baseline:
            return "один прогон для сравнения: без поправки " + BacktestPText(result.pValue);
    }
    return {};
}

std::string BacktestHeading(const Game& game, const BacktestResult& first) {
    return std::string("Проверка методов \u00AB") + game.menu.menuCaption + "\u00BB: тиражи " +
           russian::range(first.firstDraw, first.lastDraw) + ", по " + russian::counted(first.picks, russian::kNumbers);
}

std::string BacktestFigures(const BacktestResult& result) {
    return "совпало " + russian::wholeNumber(result.hits) + ", ожидалось " + Decimal(result.expectedHits, 1) +
           ", отношение " + Decimal(result.ratio, 2) + " (полоса случая без поправки " + Decimal(result.ratioLow, 2) +
           std::string(russian::kEnDash) + Decimal(result.ratioHigh, 2) + ")";
}

std::string BacktestDetails(const BacktestResult& result) {
    std::string line =
        russian::counted(result.tested, russian::kDraws) + (result.ticket >= 0 ? " после сохранения" : " в проверке");
    if (result.skipped > 0) line += ", без выбора " + russian::counted(result.skipped, russian::kDraws);
    if (result.verdict != BacktestVerdict::Baseline) line += "; без поправки " + BacktestPText(result.pValue);
    line += "; хи-квадрат " + Decimal(result.chi2, 1);
    if (result.chi2Df > 0)
        line += std::isnan(result.chi2PHolm) ? ", без поправки " + BacktestPText(result.chi2P)
                                             : ", с поправкой " + BacktestPText(result.chi2PHolm);
    return line;
}

std::string BacktestRowCaption(const BacktestResult& result, std::span<const BacktestRowName> ticketNames) {
    if (result.ticket < 0 || static_cast<std::size_t>(result.ticket) >= ticketNames.size())
        return result.method->caption;
    return ticketNames[static_cast<std::size_t>(result.ticket)].caption;
}

std::string BacktestShortCaption(const BacktestResult& result, std::span<const BacktestRowName> ticketNames) {
    if (result.ticket < 0 || static_cast<std::size_t>(result.ticket) >= ticketNames.size())
        return result.method->caption;
    return ticketNames[static_cast<std::size_t>(result.ticket)].shortCaption;
}

// The tickets are adjusted among themselves, as the companion's back-test of the tickets gives
// them. The band is each method's own, without the adjustment, and said so.
std::string BacktestAdjustmentNote(std::span<const BacktestResult> results) {
    int methods = 0, tickets = 0;
    for (const BacktestResult& result : results)
        if (JudgedMethod(*result.method)) ++(result.ticket >= 0 ? tickets : methods);
    const std::string rest =
        ": p с поправкой Холма; цвет — при p < 0,05; полоса — 95\u00a0% исходов случая, без поправки";
    if (methods > 0 && tickets > 0)
        return russian::counted(methods, russian::kMethods) + " вместе, " +
               russian::counted(tickets, russian::kTickets) + " отдельно" + rest;
    const int count = methods > 0 ? methods : tickets;
    const bool one = count % 10 == 1 && count % 100 != 11;
    return russian::counted(count, methods > 0 ? russian::kMethods : russian::kTickets) +
           (one ? " проверен" : " проверены вместе") + rest;
}

void DrawBacktestBoard(TCanvas& canvas, const Game& game, std::span<const BacktestResult> results,
                       std::span<const BacktestRowName> ticketNames) {
    Rect(canvas, 0, 0, board::kWidth, board::kClientHeight, clGray);

    if (!results.empty()) Text(canvas, kMargin, kHeadingY, clWhite, 10, BacktestHeading(game, results.front()));
    double longest = 0;
    for (const BacktestResult& result : results)
        longest = std::max(
            {longest, static_cast<double>(result.hits), result.expectedHits, result.ratioHigh * result.expectedHits});
    const double scale = longest > 0 ? kLongestBar / longest : 0.0;

    const int count = static_cast<int>(results.size());
    const int rowHeight = count > 0 ? std::min(kRowHeight, (kNoteY - 2 - kFirstRowY) / count) : kRowHeight;
    const double shrink = static_cast<double>(rowHeight) / kRowHeight;
    auto part = [&](int offset) { return static_cast<int>(std::lround(offset * shrink)); };
    const bool captionAbove = part(kObservedBarY) >= kCaptionRoom;
    int y = kFirstRowY;
    for (const BacktestResult& result : results) {
        const std::string caption = BacktestRowCaption(result, ticketNames);
        if (captionAbove) {
            canvas.SetFontSize(9);
            Text(canvas, kMargin, y, clYellow, 9, Fitted(canvas, caption, kFiguresX - kMargin - 4));
        }
        const int barHeight = std::max(1, part(kBarHeight));
        const int observedY = y + part(kObservedBarY);
        const int overhang = std::max(1, part(kBandOverhang));
        if (result.expectedHits > 0)
            Rect(canvas, kMargin + Length(result.ratioLow * result.expectedHits, scale) - 1, observedY - overhang,
                 kMargin + Length(result.ratioHigh * result.expectedHits, scale) + 1, observedY + barHeight + overhang,
                 kBand);
        Rect(canvas, kMargin, observedY, kMargin + Length(static_cast<double>(result.hits), scale),
             observedY + barHeight, VerdictColor(result.verdict));
        const int expectedY = y + part(kExpectedBarY);
        Rect(canvas, kMargin, expectedY, kMargin + Length(result.expectedHits, scale), expectedY + barHeight, clWhite);

        std::string verdict =
            (captionAbove ? "" : BacktestShortCaption(result, ticketNames) + ": ") + BacktestVerdictText(result);
        // Rows too low for the details still say on how many draws a ticket was judged.
        if (result.ticket >= 0 && result.keptKnown && kLines[2].y + kSmallLineHeight > rowHeight)
            verdict += " (" + russian::counted(result.tested, russian::kDraws) + ")";
        const std::string lines[] = {verdict, BacktestFigures(result), BacktestDetails(result), ObservedLine(result),
                                     ExpectedLine(result)};
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            if (kLines[i].y + kSmallLineHeight > rowHeight) break;
            canvas.SetFontSize(kLines[i].points);
            Text(canvas, kFiguresX, y + kLines[i].y, i == 0 ? clYellow : clWhite, kLines[i].points,
                 Fitted(canvas, lines[i], kFiguresWidth));
        }
        y += rowHeight;
    }

    if (!results.empty()) {
        // A note too long for its line (tickets beside the methods) takes a smaller font first.
        const std::string note = BacktestAdjustmentNote(results);
        canvas.SetFontSize(8);
        const int points = canvas.TextWidth(note) > board::kWidth - 2 * kMargin ? 7 : 8;
        canvas.SetFontSize(points);
        Text(canvas, kMargin, kNoteY, clWhite, points, Fitted(canvas, note, board::kWidth - 2 * kMargin));
    }

    // The legend.
    int x = kMargin;
    auto key = [&](TColor color, const std::string& text) {
        Rect(canvas, x, kLegendY + 3, x + 10, kLegendY + 11, color);
        Text(canvas, x + 14, kLegendY, clWhite, 8, text);
        x += 14 + canvas.TextWidth(text) + 7;
    };
    key(clGreen, "не отличить от случая");
    key(clRed, "больше, чем случайно");
    key(clBlue, "меньше ожидаемого");
    key(kNeutral, "без вывода");
    key(clWhite, "ожидалось");
    key(kBand, "полоса случая");
    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(clWhite);
    canvas.SetFontSize(12);
}
