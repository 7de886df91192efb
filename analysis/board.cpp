// The board painter of both games: one pass that clears the picture, paints a bar per number
// coloured against the average, writes the number captions, the reference lines with their
// labels and, on Keno, the group separators, and leaves the canvas in the state the commands'
// captions rely on.
#include "analysis/board.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/conversions.h"
#include "toolkit/russian_text.h"

namespace {

// Where a scaled board says its scale: below the count caption, above the tallest bar, in the
// same letters on every game (a game's number captions may be too small to read a sentence in).
constexpr int kScaleCaptionX = 20;
constexpr int kScaleCaptionY = 46;
constexpr int kScaleCaptionPixels = 12;

// A bins board's columns take the width the bars of the numbers take, up to this much each.
constexpr int kBinsWidth = 640;
constexpr int kWidestBinStep = 40;
constexpr int kBinLabelPixels = 12;
constexpr int kSmallBinLabelPixels = 9;
constexpr int kLegendY = 30;

int clampToInt(std::int64_t value) {
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::int32_t RedThreshold(std::span<const std::int32_t> values) {
    if (values.empty()) throw std::invalid_argument("RedThreshold: no board values");
    // The original adds in a 32-bit integer; an overflowing sum wraps as it did there.
    std::uint32_t sum = 0;
    for (std::int32_t value : values) sum += static_cast<std::uint32_t>(value);
    const auto signedSum = static_cast<std::int32_t>(sum);
    const double average = static_cast<double>(signedSum) / static_cast<double>(values.size());
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(static_cast<std::int64_t>(RoundHalfEven(average)) + 2,
                                                              std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

TColor BarColor(std::int32_t value, std::int32_t threshold) {
    // v <= T / 3 in exact arithmetic; the products cannot overflow in 64 bits.
    if (3 * std::int64_t{value} <= threshold) return clBlue;
    return value > threshold ? clRed : clGreen;
}

// The scale in words: pixels a unit while a unit takes a pixel or more, else units a pixel (a
// long history's counts run to hundreds of thousands, and "0,00 pixels a unit" says nothing).
std::string board::ScaleCaption(double pixelsPerUnit) {
    if (pixelsPerUnit >= 0.995) return "Масштаб: " + russian::decimal(pixelsPerUnit, 2) + " пикселя на единицу";
    const double unitsPerPixel = 1.0 / pixelsPerUnit;
    if (unitsPerPixel < 9.95) return "Масштаб: 1 пиксель на " + russian::decimal(unitsPerPixel, 1) + " единицы";
    return "Масштаб: 1 пиксель на " + russian::counted(std::llround(unitsPerPixel), {"единицу", "единицы", "единиц"});
}

void DrawGameBoard(TCanvas& canvas, const Game& game, std::span<const std::int32_t> values, bool scaled) {
    if (game.numbers <= 0 || values.size() != static_cast<std::size_t>(game.numbers))
        throw std::invalid_argument(std::string("DrawGameBoard: ") + game.name + " needs " +
                                    std::to_string(game.numbers) + " board values, got " +
                                    std::to_string(values.size()));

    canvas.SetBrushColor(clGray);
    canvas.FillRect(TRect{0, 0, board::kWidth, board::kClientHeight});

    const std::int32_t threshold = RedThreshold(values);
    const std::int32_t tallest = std::max<std::int32_t>(1, *std::max_element(values.begin(), values.end()));
    const double pixelsPerUnit = static_cast<double>(board::kBaseline - board::kScaledTop) / tallest;
    auto heightOf = [&](std::int32_t value) {
        return scaled ? static_cast<std::int64_t>(RoundHalfEven(pixelsPerUnit * value))
                      : std::int64_t{board::kPixelsPerUnit} * value;
    };
    for (int i = 0; i < game.numbers; ++i) {
        const std::int32_t value = values[static_cast<std::size_t>(i)];
        const int left = game.barStep * i;
        // A negative value gives a top below the baseline, an inverted rectangle that paints
        // nothing; a huge one is cut at the picture's top edge by the fill.
        const int top = clampToInt(std::int64_t{board::kBaseline} - heightOf(value));
        canvas.SetBrushColor(BarColor(value, threshold));
        canvas.FillRect(TRect{left, top, left + game.barWidth, board::kBaseline});
    }

    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(clYellow);
    if (game.captionFontInPixels)
        canvas.SetFontHeight(game.captionFont);
    else
        canvas.SetFontSize(game.captionFont);
    for (int i = 0; i < game.numbers; ++i) {
        const int number = i + 1;
        const bool even = number % 2 == 0;
        const int x = game.barStep * i + (even ? game.evenCaptionShift : 0);
        canvas.TextOut(x, even ? board::kEvenCaptionY : board::kOddCaptionY, std::to_string(number));
    }

    canvas.SetFontColor(clWhite);
    canvas.SetPenColor(clWhite);
    const std::vector<std::int32_t> references =
        scaled ? std::vector<std::int32_t>{tallest / 2, tallest}
               : std::vector<std::int32_t>(std::begin(board::kReferenceValues), std::end(board::kReferenceValues));
    for (const std::int32_t reference : references) {
        if (reference <= 0) continue;
        const int y = clampToInt(board::kBaseline - heightOf(reference));
        const std::string label = std::to_string(reference);
        // A scaled board's labels may be long: they end inside the picture, the line short of them.
        const int x =
            scaled ? std::min(game.referenceLabelX, board::kWidth - 1 - canvas.TextWidth(label)) : game.referenceLabelX;
        canvas.MoveTo(0, y);
        canvas.LineTo(scaled ? std::min(game.referenceLineEnd, x - 5) : game.referenceLineEnd, y);
        canvas.TextOut(x, y - 3, label);
    }
    if (scaled) {
        // The usual board has 10 pixels a unit.
        canvas.SetFontHeight(kScaleCaptionPixels);
        canvas.TextOut(kScaleCaptionX, kScaleCaptionY, board::ScaleCaption(pixelsPerUnit));
    }

    if (game.groupSeparators) {
        // Over the leftmost column of the bars of numbers 11, 21, ... : groups of ten.
        for (int i = 10; i < game.numbers; i += 10) {
            const int x = game.barStep * i;
            canvas.MoveTo(x, board::kBaseline);
            canvas.LineTo(x, board::kSeparatorTop);
        }
    }

    canvas.SetFontSize(12);
}

TColor BinColor(std::int32_t value, double expected) {
    const double spread = 2 * std::sqrt(std::max(expected, 0.0));
    if (value > expected + spread) return clRed;
    if (value < expected - spread) return clBlue;
    return clGreen;
}

void DrawBinsBoard(TCanvas& canvas, std::span<const std::int32_t> values, std::span<const std::string> labels,
                   std::span<const double> expected) {
    const auto count = static_cast<int>(values.size());
    if (count == 0 || count > kBinsWidth || labels.size() != values.size() ||
        (!expected.empty() && expected.size() != values.size()))
        throw std::invalid_argument("DrawBinsBoard: " + std::to_string(values.size()) + " values, " +
                                    std::to_string(labels.size()) + " labels and " + std::to_string(expected.size()) +
                                    " expectations do not make a board");

    canvas.SetBrushColor(clGray);
    canvas.FillRect(TRect{0, 0, board::kWidth, board::kClientHeight});

    const int step = std::min(kBinsWidth / count, kWidestBinStep);
    const int barWidth = std::max(1, step - (step >= 4 ? 2 : 0));
    double tallest = 1;
    for (std::size_t i = 0; i < values.size(); ++i) {
        tallest = std::max<double>(tallest, values[i]);
        if (!expected.empty()) tallest = std::max(tallest, std::ceil(expected[i]));
    }
    const double pixelsPerUnit = (board::kBaseline - board::kScaledTop) / tallest;
    const auto yOf = [&](double value) { return clampToInt(board::kBaseline - std::llround(pixelsPerUnit * value)); };
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const int left = step * i;
        canvas.SetBrushColor(expected.empty() ? clGreen : BinColor(values[at], expected[at]));
        canvas.FillRect(TRect{left, yOf(values[at]), left + barWidth, board::kBaseline});
    }
    canvas.SetPenColor(clWhite);
    if (!expected.empty()) {
        for (int i = 0; i < count; ++i) {
            const int y = yOf(expected[static_cast<std::size_t>(i)]);
            canvas.MoveTo(step * i, y);
            canvas.LineTo(step * i + barWidth, y);
        }
    }

    // The labels, centred under their columns, odd places above even ones: a label may take two
    // columns' width; when the widest does not fit in the smaller letters either, every second
    // (third, ...) label is written.
    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(clYellow);
    int widest = 0;
    for (const int pixels : {kBinLabelPixels, kSmallBinLabelPixels}) {
        canvas.SetFontHeight(pixels);
        widest = 0;
        for (const std::string& label : labels) widest = std::max(widest, canvas.TextWidth(label));
        if (widest + 2 <= 2 * step) break;
    }
    const int every = std::max(1, (widest + 2 + 2 * step - 1) / (2 * step));
    for (int i = 0; i < count; i += every) {
        const std::string& label = labels[static_cast<std::size_t>(i)];
        const int width = canvas.TextWidth(label);
        const int x = std::clamp(step * i + barWidth / 2 - width / 2, 0, board::kWidth - width);
        canvas.TextOut(x, (i / every) % 2 == 0 ? board::kOddCaptionY : board::kEvenCaptionY, label);
    }

    // Reference lines at the tallest value and half of it, their labels right of the bars.
    canvas.SetFontColor(clWhite);
    canvas.SetFontHeight(kBinLabelPixels);
    const int barsEnd = step * count;
    const auto top = static_cast<std::int32_t>(tallest);
    for (const std::int32_t reference : {top / 2, top}) {
        if (reference <= 0) continue;
        const int y = yOf(reference);
        const std::string label = std::to_string(reference);
        const int x = std::min(barsEnd + 5, board::kWidth - 1 - canvas.TextWidth(label));
        canvas.MoveTo(0, y);
        canvas.LineTo(std::min(barsEnd, x - 5), y);
        canvas.TextOut(x, y - 3, label);
    }
    canvas.SetFontHeight(kScaleCaptionPixels);
    if (!expected.empty()) canvas.TextOut(kScaleCaptionX, kLegendY, "Белая черта — сколько в среднем дал бы случай");
    canvas.TextOut(kScaleCaptionX, kScaleCaptionY, board::ScaleCaption(pixelsPerUnit));
    canvas.SetFontSize(12);
}
