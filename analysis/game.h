// What sets SuperLoto and Keno apart, as data: how many numbers and fields, the board's geometry
// and fonts. Every painter and every command takes one of the two and has no other game logic.
#pragma once

#include <cstdint>

struct GameRules {
    const char* name;   // "SuperLoto" or "Keno"
    int numbers;        // 49 or 80
    int fieldsPerDraw;  // 6 or 20

    // The board.
    int barStep;             // pixels from one column to the next
    int barWidth;            // pixels of a bar
    bool captionFontInPixels;  // true: captionFont is a height in pixels; false: a size in points
    int captionFont;         // 12 pixels, or 6 points
    int evenCaptionShift;    // x offset of even numbers' captions
    int referenceLineEnd;    // x where the reference lines end (excluded)
    int referenceLabelX;     // x of the reference labels
    bool groupSeparators;    // a line every ten numbers
};

extern const GameRules kSuperLoto;
extern const GameRules kKeno;

// The board's fixed geometry, the same for both games.
namespace board {
inline constexpr int kWidth = 665;       // the picture
inline constexpr int kHeight = 313;
inline constexpr int kClientHeight = 314;  // the window's client area the painter clears
inline constexpr int kBaseline = 265;
inline constexpr int kPixelsPerUnit = 10;
inline constexpr int kOddCaptionY = 270;
inline constexpr int kEvenCaptionY = 285;
inline constexpr int kReferenceValues[] = {1, 5, 8, 11};
inline constexpr int kSeparatorTop = 155;
}  // namespace board
