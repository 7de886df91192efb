// The board painter shared by every analysis of a game: bars of the board values coloured
// against the average, number captions, reference lines and labels (and Keno's group
// separators). It repaints the whole picture and leaves the canvas ready for the caption the
// command writes next: grey solid brush, white pen, white font of 12 points, face untouched.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "analysis/game.h"
#include "toolkit/canvas.h"

// `scaled`: the bars drawn so that the tallest reaches kScaledTop, with two reference lines (the
// tallest value and half of it) and the scale written below the caption, instead of 10 pixels a
// unit cut at the top; unscaled, the board is exactly as it always was.
void DrawGameBoard(TCanvas& canvas, const Game& game, std::span<const std::int32_t> values, bool scaled = false);

namespace board {
// What a scaled board writes of its scale: pixels a unit while a unit takes a pixel or more
// ("Масштаб: 8,33 пикселя на единицу"), else units a pixel ("Масштаб: 1 пиксель на 1250 единиц").
std::string ScaleCaption(double pixelsPerUnit);

// Where a scaled board's tallest bar ends: below the captions the commands write.
inline constexpr int kScaledTop = 64;
}  // namespace board

// The colour of a bar: red above the threshold, blue at or below a third of it, green between.
TColor BarColor(std::int32_t value, std::int32_t threshold);
// The red threshold: the average value rounded half to even, plus 2.
std::int32_t RedThreshold(std::span<const std::int32_t> values);
