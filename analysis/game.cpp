// The two games as data: SuperLoto, six numbers of 49, and Keno, twenty of 80, with the
// geometry and fonts of their boards.
#include "analysis/game.h"

const GameRules kSuperLoto = {
    .name = "SuperLoto",
    .numbers = 49,
    .fieldsPerDraw = 6,
    .barStep = 13,
    .barWidth = 12,
    .captionFontInPixels = true,
    .captionFont = 12,
    .evenCaptionShift = 0,
    .referenceLineEnd = 635,
    .referenceLabelX = 640,
    .groupSeparators = false,
};

const GameRules kKeno = {
    .name = "Keno",
    .numbers = 80,
    .fieldsPerDraw = 20,
    .barStep = 8,
    .barWidth = 7,
    .captionFontInPixels = false,
    .captionFont = 6,
    // A two-digit caption is as wide as a whole 8-pixel column; the even row sits two pixels
    // to the left of its bars.
    .evenCaptionShift = -2,
    .referenceLineEnd = 640,
    .referenceLabelX = 645,
    .groupSeparators = true,
};
