// The back-test's picture.
#include "backtest/backtest_board.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "tickets/ticket_backtest.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
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
} kLines[] = {{0, 8}, {11, 8}, {22, 7}, {31, 7}, {40, 7}};
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

std::string DetailsLine(const BacktestResult& result) {
    std::string line = russian::counted(result.tested, russian::kDraws) + " в проверке";
    if (result.skipped > 0) line += ", без выбора " + russian::counted(result.skipped, russian::kDraws);
    if (result.verdict != BacktestVerdict::Baseline) line += "; без поправки " + BacktestPText(result.pValue);
    line += "; z = " + Decimal(result.z, 2) + "; хи-квадрат " + Decimal(result.chi2, 1);
    if (result.chi2Df > 0) line += ", " + BacktestPText(result.chi2P);
    return line;
}

}  // namespace

std::string BacktestPText(double p) { return p < 0.001 ? "p < 0,001" : "p = " + Decimal(p, 3); }

std::string BacktestVerdictText(const BacktestResult& result) {
    switch (result.verdict) {
        case BacktestVerdict::More:
            return "больше, чем случайно: " + BacktestPText(result.pHolm);
        case BacktestVerdict::Fewer:
            return "меньше, чем случайно (тиражи не похожи на случайные): " + BacktestPText(result.pHolm);
        case BacktestVerdict::Chance:
            return "не отличить от случая: " + BacktestPText(result.pHolm);
        case BacktestVerdict::TooFew:
            return "мало тиражей для вывода: нужно не меньше " + std::to_string(kFewestTestedDraws);
        case BacktestVerdict::Baseline:
            return "один случайный прогон для сравнения: " + BacktestPText(result.pValue);
    }
    return {};
}

std::string BacktestFigures(const BacktestResult& result) {
    return "совпало " + russian::wholeNumber(result.hits) + ", ожидалось " + Decimal(result.expectedHits, 1) +
           ", отношение " + Decimal(result.ratio, 2) + " (случайно " + Decimal(result.ratioLow, 2) +
           std::string(russian::kEnDash) + Decimal(result.ratioHigh, 2) + ")";
}

std::string BacktestRowCaption(const BacktestResult& result, std::span<const Ticket> tickets) {
    std::string caption = result.method->caption;
    if (result.ticket < 0 || static_cast<std::size_t>(result.ticket) >= tickets.size()) return caption;
    const Ticket& ticket = tickets[static_cast<std::size_t>(result.ticket)];
    caption += ": " + TicketTitle(ticket) + " " + std::string(russian::kEnDash);
    for (std::size_t i = 0; i < ticket.numbers.size(); ++i)
        caption += (i ? ", " : " ") + std::to_string(ticket.numbers[i]);
    return caption;
}

std::string BacktestShortCaption(const BacktestResult& result, std::span<const Ticket> tickets) {
    if (result.ticket < 0 || static_cast<std::size_t>(result.ticket) >= tickets.size()) return result.method->caption;
    const Ticket& ticket = tickets[static_cast<std::size_t>(result.ticket)];
    return ticket.name.empty() ? "Билет " + russian::wholeNumber(ticket.record) : "Билет " + TicketTitle(ticket);
}

// The tickets are adjusted among themselves, as the companion's back-test of the tickets gives them.
std::string BacktestAdjustmentNote(std::span<const BacktestResult> results) {
    int methods = 0, tickets = 0;
    for (const BacktestResult& result : results)
        if (JudgedMethod(*result.method)) ++(result.ticket >= 0 ? tickets : methods);
    const std::string checked = methods % 10 == 1 && methods % 100 != 11 ? "проверен " : "проверено ";
    const std::string rest = " p с поправкой Холма, цвет при p < 0,05; полоса — 95\u00a0% случайных исходов";
    if (tickets == 0) return "Вместе " + checked + russian::counted(methods, russian::kMethods) + "," + rest;
    return russian::counted(methods, russian::kMethods) + " вместе, " + russian::counted(tickets, russian::kTickets) +
           " отдельно:" + rest;
}

void DrawBacktestBoard(TCanvas& canvas, const Game& game, std::span<const BacktestResult> results,
                       std::span<const Ticket> tickets) {
    Rect(canvas, 0, 0, board::kWidth, board::kClientHeight, clGray);

    if (!results.empty()) {
        const BacktestResult& first = results.front();
        Text(canvas, kMargin, kHeadingY, clWhite, 10,
             std::string("Проверка методов: ") + game.menu.menuCaption + ", тиражи " +
                 russian::range(first.firstDraw, first.lastDraw) + ", в выборе " +
                 russian::counted(first.picks, russian::kNumbers));
    }
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
        const std::string caption = BacktestRowCaption(result, tickets);
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

        const std::string verdict =
            (captionAbove ? "" : BacktestShortCaption(result, tickets) + ": ") + BacktestVerdictText(result);
        const std::string lines[] = {verdict, BacktestFigures(result), DetailsLine(result), ObservedLine(result),
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
        canvas.SetFontSize(8);
        Text(canvas, kMargin, kNoteY, clWhite, 8,
             Fitted(canvas, BacktestAdjustmentNote(results), board::kWidth - 2 * kMargin));
    }

    // The legend.
    int x = kMargin;
    auto key = [&](TColor color, const std::string& text) {
        Rect(canvas, x, kLegendY + 3, x + 10, kLegendY + 11, color);
        Text(canvas, x + 14, kLegendY, clWhite, 8, text);
        x += 14 + canvas.TextWidth(text) + 10;
    };
    key(clGreen, "не отличить от случая");
    key(clRed, "больше случая");
    key(clBlue, "меньше случая");
    key(kNeutral, "без вывода");
    key(clWhite, "ожидалось");
    key(kBand, "полоса случая");
    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(clWhite);
    canvas.SetFontSize(12);
}

std::optional<BacktestInput> ReadBacktestInput(const Game& game, TDataSet& dataset, const HistoryWindow& window) {
    BacktestInput request;
    request.cells = ReadHistory(dataset, game, window.upto);
    const int draws = DrawCount(game, request.cells);
    if (draws < kDefaultFirstTestedDraw) {
        ShowMessage(BacktestTooFewMessage(kDefaultFirstTestedDraw));
        return std::nullopt;
    }
    if (window.last > 0) request.options.from = std::max(kDefaultFirstTestedDraw, draws - window.last + 1);
    return request;
}

void RunBacktestCommand(const Game& game, TDataSet& dataset, const std::function<TCanvas&()>& canvas,
                        const HistoryWindow& window, const std::string& ticketsTable) {
    std::optional<BacktestInput> input = ReadBacktestInput(game, dataset, window);
    if (!input) return;
    std::vector<Ticket> tickets;
    if (!ticketsTable.empty() && TicketTableExists(ticketsTable)) tickets = ReadTickets(game, ticketsTable);
    const int walked = std::max(0, DrawCount(game, input->cells) - input->options.from + 1);
    const auto walks = static_cast<std::int64_t>(BacktestMethods().size() + tickets.size());
    const auto total = static_cast<std::int64_t>(walked) * walks;
    std::vector<BacktestResult> results;
    const bool done = RunLongWork(
        "Проверка методов: " + russian::counted(walked, russian::kDraws) + "…", [&](LongWorkProgress& progress) {
            // The tickets walk after the methods: their steps follow on.
            std::int64_t before = 0;
            input->options.progress = [&](std::int64_t steps) {
                progress.report(before + steps, total);
                return !progress.cancelled();
            };
            results = RunBacktests(game, input->cells, input->options);
            before = static_cast<std::int64_t>(walked) * static_cast<std::int64_t>(BacktestMethods().size());
            const std::vector<BacktestResult> own = BacktestTickets(game, input->cells, input->options, tickets);
            results.insert(results.end(), own.begin(), own.end());
        });
    if (done) DrawBacktestBoard(canvas(), game, results, tickets);
}
