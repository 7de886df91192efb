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
    // Two-digit captions are wider than Keno's 8-pixel columns; the even row starts a little
    // to the left so that neighbours in one row do not touch.
    .evenCaptionShift = -2,
    .referenceLineEnd = 640,
    .referenceLabelX = 645,
    .groupSeparators = true,
};
