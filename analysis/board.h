// The board painter shared by every analysis of a game: bars of the board values coloured
// against the average, number captions, reference lines and labels (and Keno's group
// separators). It repaints the whole picture and leaves the canvas ready for the caption the
// command writes next: grey solid brush, white pen, white font of 12 points, face untouched.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "toolkit/canvas.h"

// `scaled`: the bars drawn so that the tallest reaches kScaledTop, with two reference lines (the
// tallest value and half of it) and the scale written below the caption, instead of 10 pixels a
// unit cut at the top; unscaled, the board is exactly as it always was.
void DrawGameBoard(TCanvas& canvas, const Game& game, std::span<const std::int32_t> values, bool scaled = false);

// The board of values that stand for bins of their own, a label each, rather than for the game's
// numbers: a bar per bin across the board, always scaled so that the tallest bar or expectation
// fits, with a white mark at the value chance alone gives on average (`expected`, when given).
// A bar is red above the expectation by more than two of chance's standard deviations (taken as
// its square root), blue as far below it, green between (green without an expectation). The
// labels in two rows under the bars, as many as fit; the canvas left as DrawGameBoard leaves it.
void DrawBinsBoard(TCanvas& canvas, std::span<const std::int32_t> values, std::span<const std::string> labels,
                   std::span<const double> expected);

namespace board {
// What a scaled board writes of its scale: pixels a unit while a unit takes a pixel or more
// ("Масштаб: 8,33 пикселя на единицу"), else units a pixel ("Масштаб: 1 пиксель на 1250 единиц").
std::string ScaleCaption(double pixelsPerUnit);

// Where a scaled board's tallest bar ends: below the captions the commands write.
inline constexpr int kScaledTop = 64;
}  // namespace board

// The colour of a bin's bar against what chance gives it on average, as DrawBinsBoard paints it.
TColor BinColor(std::int32_t value, double expected);

// The colour of a bar: red above the threshold, blue at or below a third of it, green between.
TColor BarColor(std::int32_t value, std::int32_t threshold);
// The red threshold: the average value rounded half to even, plus 2.
std::int32_t RedThreshold(std::span<const std::int32_t> values);
