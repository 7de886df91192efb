// The SuperLoto and Keno boards painted on the main window's 665 x 313 picture and read back
// pixel by pixel: bar columns, heights and colours against the average, clipping, captions,
// reference lines and labels, Keno's group separators and the canvas state left behind.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "analysis/board.h"
#include "analysis/game.h"
#include "toolkit/canvas.h"

namespace {

using Values = std::vector<std::int32_t>;

constexpr TColor kUnpainted = clBlack;
constexpr int kReferenceRows[] = {255, 215, 185, 155};

TColor colourAt(const QImage& image, int x, int y) {
    const QRgb rgb = image.pixel(x, y);
    return static_cast<TColor>(qRed(rgb)) | static_cast<TColor>(qGreen(rgb)) << 8 |
           static_cast<TColor>(qBlue(rgb)) << 16;
}

bool isReferenceRow(int y) {
    for (int row : kReferenceRows)
        if (row == y) return true;
    return false;
}

// The main window's picture with its canvas, black until something paints it.
struct Picture {
    QImage image{665, 313, QImage::Format_RGB32};
    TCanvas canvas{image};

    Picture() { image.fill(Qt::black); }

    void paint(const Game& game, const Values& values) { DrawGameBoard(canvas, game, values); }
    TColor at(int x, int y) const { return colourAt(image, x, y); }

    // Column x seen from the baseline up: the colour of the bar standing there and the top row
    // it reaches. The white reference lines cross every bar and are looked through. No bar:
    // grey and the baseline row.
    struct Bar {
        TColor colour;
        int top;
        bool operator==(const Bar&) const = default;
    };
    Bar barAt(int x) const {
        const TColor colour = at(x, 264);
        if (colour == clGray) return {clGray, 265};
        int top = 264;
        while (top > 0 && (at(x, top - 1) == colour || (isReferenceRow(top - 1) && at(x, top - 1) == clWhite))) --top;
        // A bar whose top lies on a reference line shows white there.
        return {colour, top};
    }
};

std::ostream& operator<<(std::ostream& out, const Picture::Bar& bar) {
    return out << "{colour 0x" << std::hex << bar.colour << std::dec << ", top " << bar.top << "}";
}

// Five SuperLoto draws of thirty different numbers: 1 to 30 once each.
Values fiveDistinctLotoDraws() {
    Values values(49, 0);
    for (int i = 0; i < 30; ++i) values[i] = 1;
    return values;
}

// Ten Keno draws' worth of counts (sum 200, average 2.5, so T = 4): numbers 1 to 9 hold
// 0, 1, 2, 3, 4, 5, 6, 26 and 27, numbers 10 to 64 hold 2, numbers 65 to 80 hold 1.
Values tenKenoDraws() {
    Values values(80, 0);
    const std::int32_t first[] = {0, 1, 2, 3, 4, 5, 6, 26, 27};
    for (int i = 0; i < 9; ++i) values[i] = first[i];
    for (int i = 9; i < 64; ++i) values[i] = 2;
    for (int i = 64; i < 80; ++i) values[i] = 1;
    return values;
}

// The picture with only the texts of a board written at the places given for them, on grey:
// what the board's caption rows and label column must show.
QImage expectedTexts(const Game& game, const std::string& face) {
    QImage image(665, 313, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(ToRgb(clGray)));
    TCanvas canvas(image);
    canvas.SetFontName(face);
    canvas.SetBrushColor(clGray);
    const bool loto = game.numbers == 49;
    if (loto)
        canvas.SetFontHeight(12);
    else
        canvas.SetFontSize(6);
    canvas.SetFontColor(clYellow);
    for (int i = 1; i <= game.numbers; ++i) {
        const int step = loto ? 13 : 8;
        if (i % 2 == 1)
            canvas.TextOut(step * (i - 1), 270, std::to_string(i));
        else
            canvas.TextOut(step * (i - 1) - (loto ? 0 : 2), 285, std::to_string(i));
    }
    canvas.SetFontColor(clWhite);
    const int labelX = loto ? 640 : 645;
    canvas.TextOut(labelX, 252, "1");
    canvas.TextOut(labelX, 212, "5");
    canvas.TextOut(labelX, 182, "8");
    canvas.TextOut(labelX, 152, "11");
    return image;
}

TEST(Board, ThresholdIsTheRoundedAveragePlusTwoWithHalvesToEven) {
    Values loto(49, 0);
    EXPECT_EQ(RedThreshold(loto), 2);
    loto.assign(49, 0);
    for (int i = 0; i < 30; ++i) loto[i] = 1;
    EXPECT_EQ(RedThreshold(loto), 3);  // S = 30: 0.61
    loto.assign(49, 0);
    loto[0] = 600;
    EXPECT_EQ(RedThreshold(loto), 14);  // 100 draws: 12.24
    loto[0] = 24;
    EXPECT_EQ(RedThreshold(loto), 2);
    loto[0] = 25;
    EXPECT_EQ(RedThreshold(loto), 3);

    Values keno(80, 0);
    keno[0] = 40;  // 0.5 goes to 0
    EXPECT_EQ(RedThreshold(keno), 2);
    keno[0] = 41;
    EXPECT_EQ(RedThreshold(keno), 3);
    keno[0] = 120;  // 1.5 goes to 2
    EXPECT_EQ(RedThreshold(keno), 4);
    keno[0] = 200;  // 2.5 goes to 2
    EXPECT_EQ(RedThreshold(keno), 4);
    keno[0] = 280;  // 3.5 goes to 4
    EXPECT_EQ(RedThreshold(keno), 6);
    keno[0] = 360;  // 4.5 goes to 4
    EXPECT_EQ(RedThreshold(keno), 6);
    keno[0] = -40;  // -0.5 goes to 0
    EXPECT_EQ(RedThreshold(keno), 2);
    keno[0] = -120;  // -1.5 goes to -2
    EXPECT_EQ(RedThreshold(keno), 0);

    // The sum is a 32-bit integer and wraps as one: 80 times INT32_MAX is -80.
    keno.assign(80, INT32_MAX);
    EXPECT_EQ(RedThreshold(keno), 1);
    // 49 times INT32_MAX is 2^31 - 49.
    loto.assign(49, INT32_MAX);
    EXPECT_EQ(RedThreshold(loto), 43826196 + 2);

    EXPECT_THROW(RedThreshold(Values{}), std::invalid_argument);
}

TEST(Board, BarColourIsBlueUpToAThirdOfTheThresholdAndRedAboveIt) {
    struct Row {
        std::int32_t threshold;
        std::int32_t lastBlue;
        std::int32_t lastGreen;
    };
    // The colour table for the first thresholds.
    const Row rows[] = {{2, 0, 2}, {3, 1, 3}, {4, 1, 4}, {5, 1, 5}, {6, 2, 6}, {14, 4, 14}};
    for (const Row& row : rows) {
        for (std::int32_t value = -3; value <= 30; ++value) {
            const TColor expected = value <= row.lastBlue ? clBlue : value <= row.lastGreen ? clGreen : clRed;
            EXPECT_EQ(BarColor(value, row.threshold), expected) << "T " << row.threshold << ", value " << value;
        }
    }
    // Far-out values do not overflow the comparison with the third.
    EXPECT_EQ(BarColor(INT32_MAX, 1), clRed);
    EXPECT_EQ(BarColor(INT32_MIN, 1), clBlue);
    EXPECT_EQ(BarColor(INT32_MAX / 3 + 1, INT32_MAX), clGreen);
    EXPECT_EQ(BarColor(INT32_MAX / 3, INT32_MAX), clBlue);
}

TEST(Board, SuperLotoBarsStandOnTheBaselineTenPixelsPerUnitWithOnePixelGaps) {
    Picture picture;
    picture.paint(kSuperLoto, fiveDistinctLotoDraws());

    // T = 3: every drawn number has a 10-pixel blue bar, the other 19 none.
    for (int number = 1; number <= 49; ++number) {
        const int left = 13 * (number - 1);
        const Picture::Bar expected = number <= 30 ? Picture::Bar{clBlue, 255} : Picture::Bar{clGray, 265};
        EXPECT_EQ(picture.barAt(left), expected) << "number " << number;
        EXPECT_EQ(picture.barAt(left + 11), expected) << "number " << number;
        EXPECT_EQ(picture.barAt(left + 12), (Picture::Bar{clGray, 265})) << "gap after " << number;
        // Below the line the bar's rows are its colour throughout; above it and on the
        // baseline nothing.
        for (int x = left; x < left + 12; ++x) {
            EXPECT_EQ(picture.at(x, 256), expected.colour);
            EXPECT_EQ(picture.at(x, 254), clGray);
            EXPECT_EQ(picture.at(x, 265), clGray);
        }
    }
    // The first bar starts at the picture's left edge; the last ends at x = 635.
    EXPECT_EQ(picture.at(0, 260), clBlue);
    EXPECT_EQ(picture.at(635, 260), clGray);

    // The whole picture is repainted: nothing is left of what it showed before.
    for (int y = 0; y < 313; ++y)
        for (int x = 0; x < 665; ++x) ASSERT_NE(picture.at(x, y), kUnpainted) << "at " << x << "," << y;
}

TEST(Board, KenoBarsAreColouredAgainstTheAverageAndCutAtTheTopEdge) {
    Picture picture;
    const Values values = tenKenoDraws();
    picture.paint(kKeno, values);

    // S = 200, T = 4: 0 and 1 blue, 2 to 4 green, 5 and above red.
    auto colourOf = [](std::int32_t value) {
        return value == 0 ? clGray : value <= 1 ? clBlue : value <= 4 ? clGreen : clRed;
    };
    for (int number = 1; number <= 80; ++number) {
        const int left = 8 * (number - 1);
        const std::int32_t value = values[number - 1];
        const Picture::Bar expected{colourOf(value), value == 0 ? 265 : std::max(0, 265 - 10 * value)};
        // The leftmost column of every eleventh bar lies under a separator: look at the next.
        EXPECT_EQ(picture.barAt(number % 10 == 1 ? left + 1 : left), expected) << "number " << number;
        EXPECT_EQ(picture.barAt(left + 6), expected) << "number " << number;
        EXPECT_EQ(picture.barAt(left + 7), (Picture::Bar{clGray, 265})) << "gap after " << number;
    }

    // Number 8 (26) reaches row 5, the highest top inside the picture; number 9 (27) is cut
    // at row 0.
    EXPECT_EQ(picture.at(56, 5), clRed);
    EXPECT_EQ(picture.at(62, 5), clRed);
    EXPECT_EQ(picture.at(56, 4), clGray);
    EXPECT_EQ(picture.at(64, 0), clRed);
    EXPECT_EQ(picture.at(70, 0), clRed);
    EXPECT_EQ(picture.at(63, 0), clGray);
    EXPECT_EQ(picture.at(71, 0), clGray);
    // Number 7 (6): rows 205 to 264.
    EXPECT_EQ(picture.at(48, 205), clRed);
    EXPECT_EQ(picture.at(48, 204), clGray);
    // Number 1 (0): no bar, the caption still written below.
    EXPECT_EQ(picture.barAt(0), (Picture::Bar{clGray, 265}));
    // The last bar covers x = 632 to 638.
    EXPECT_EQ(picture.at(632, 260), clBlue);
    EXPECT_EQ(picture.at(638, 260), clBlue);
    EXPECT_EQ(picture.at(639, 260), clGray);
}

TEST(Board, NegativeValuesPaintNothingAndHugeOnesFillTheColumn) {
    // S = -1 - 100 + INT32_MIN + INT32_MAX + 27 = -75, average -1.53, T = 0: values up to 0
    // blue, above red.
    Values values(49, 0);
    values[0] = -1;
    values[1] = -100;
    values[2] = INT32_MIN;
    values[3] = INT32_MAX;
    values[4] = 27;
    Picture picture;
    picture.paint(kSuperLoto, values);

    for (int x = 0; x < 39; ++x) {
        EXPECT_EQ(picture.barAt(x), (Picture::Bar{clGray, 265})) << "at x " << x;
        for (int y = 0; y < 270; ++y) {
            if (!isReferenceRow(y)) {
                ASSERT_EQ(picture.at(x, y), clGray) << "at " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(picture.barAt(39), (Picture::Bar{clRed, 0}));
    EXPECT_EQ(picture.barAt(50), (Picture::Bar{clRed, 0}));
    EXPECT_EQ(picture.barAt(52), (Picture::Bar{clRed, 0}));
    EXPECT_EQ(picture.barAt(63), (Picture::Bar{clRed, 0}));
    EXPECT_EQ(picture.barAt(64), (Picture::Bar{clGray, 265})) << "the gap after number 5";

    // Eighty huge values wrap the sum to -80: T = 1, every bar red and full height.
    Picture keno;
    keno.paint(kKeno, Values(80, INT32_MAX));
    for (int number = 1; number <= 80; ++number)
        EXPECT_EQ(keno.barAt(8 * (number - 1) + 3), (Picture::Bar{clRed, 0})) << "number " << number;
}

TEST(Board, ReferenceLinesEndWhereTheGameSaysAndCarryTheirLabels) {
    struct Case {
        const Game* game;
        Values values;
        int lineEnd;
    };
    const Case cases[] = {{&kSuperLoto, fiveDistinctLotoDraws(), 635}, {&kKeno, tenKenoDraws(), 640}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.game->name);
        Picture picture;
        picture.paint(*c.game, c.values);
        for (int y : kReferenceRows) {
            for (int x = 0; x < c.lineEnd; ++x) ASSERT_EQ(picture.at(x, y), clWhite) << "at " << x << "," << y;
            EXPECT_EQ(picture.at(c.lineEnd, y), clGray) << "row " << y;
        }
        // White above the baseline is the lines and, on Keno, the separators (rows 156 to 265
        // of seven columns, three of them on lines already); nothing else left of the labels.
        int white = 0;
        for (int y = 0; y <= 265; ++y)
            for (int x = 0; x < c.lineEnd; ++x) white += picture.at(x, y) == clWhite;
        EXPECT_EQ(white, 4 * c.lineEnd + (c.game->groupSeparators ? 7 * (110 - 3) : 0));

        // Right of the lines, the labels and nothing else: "1", "5", "8", "11" at (label x,
        // y - 3) in the captions' font, white on grey.
        const QImage expected = expectedTexts(*c.game, TCanvas::DefaultFontName());
        int ink = 0;
        for (int y = 0; y < 266; ++y) {
            for (int x = c.lineEnd; x < 665; ++x) {
                ASSERT_EQ(picture.at(x, y), colourAt(expected, x, y)) << "at " << x << "," << y;
                ink += picture.at(x, y) == clWhite;
            }
        }
        EXPECT_GT(ink, 4 * 5);
    }
}

TEST(Board, KenoSeparatorsRunOverTheFirstColumnOfEveryTenthBar) {
    Picture picture;
    picture.paint(kKeno, tenKenoDraws());
    for (int x = 80; x <= 560; x += 80) {
        for (int y = 156; y <= 265; ++y) ASSERT_EQ(picture.at(x, y), clWhite) << "at " << x << "," << y;
        EXPECT_EQ(picture.at(x, 155), clWhite) << "the 11 line crosses at " << x;
        EXPECT_EQ(picture.at(x, 154), clGray) << "above the separator at " << x;
        EXPECT_EQ(picture.at(x, 266), clGray) << "below the separator at " << x;
        // The bar under it (numbers 11 to 61 hold 2, number 71 holds 1) keeps its other
        // columns.
        EXPECT_EQ(picture.at(x + 1, 258), x == 560 ? clBlue : clGreen) << "next to the separator at " << x;
        EXPECT_EQ(picture.at(x - 1, 258), clGray) << "gap before the separator at " << x;
    }
    // No separator before the first group or after the last.
    for (int y = 156; y <= 265; ++y) {
        if (isReferenceRow(y)) continue;
        EXPECT_NE(picture.at(0, y), clWhite) << "row " << y;
        EXPECT_NE(picture.at(640, y), clWhite) << "row " << y;
    }
    // SuperLoto has none: its row 265 is grey throughout.
    Picture loto;
    loto.paint(kSuperLoto, fiveDistinctLotoDraws());
    for (int x = 0; x < 665; ++x) ASSERT_EQ(loto.at(x, 265), clGray) << "at " << x;
}

TEST(Board, NumberCaptionsAlternateBetweenTwoRowsInYellow) {
    struct Case {
        const Game* game;
        Values values;
    };
    const Case cases[] = {{&kSuperLoto, fiveDistinctLotoDraws()}, {&kKeno, tenKenoDraws()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.game->name);
        Picture picture;
        picture.paint(*c.game, c.values);
        const QImage expected = expectedTexts(*c.game, TCanvas::DefaultFontName());
        // Below the baseline: the captions at their places and nothing else.
        int yellow = 0;
        for (int y = 266; y < 313; ++y) {
            for (int x = 0; x < 665; ++x) {
                ASSERT_EQ(picture.at(x, y), colourAt(expected, x, y)) << "at " << x << "," << y;
                yellow += picture.at(x, y) == clYellow;
            }
        }
        EXPECT_GT(yellow, c.game->numbers * 8);
        // No caption ink above the baseline.
        for (int y = 0; y < 266; ++y)
            for (int x = 0; x < 665; ++x) ASSERT_NE(picture.at(x, y), clYellow) << "at " << x << "," << y;
    }

    // Keno's last two captions: 79 at (624, 270), 80 at (630, 285). Their ink lies inside
    // their boxes and starts within a pixel of the box's left edge.
    Picture picture;
    picture.paint(kKeno, tenKenoDraws());
    TCanvas measure(picture.image);
    measure.SetFontSize(6);
    struct Caption {
        std::string text;
        int x;
        int y;
    };
    for (const Caption& caption : {Caption{"79", 624, 270}, Caption{"80", 630, 285}, Caption{"2", 6, 285}}) {
        const int width = measure.TextWidth(caption.text);
        const int height = measure.TextHeight(caption.text);
        int minX = INT_MAX;
        int maxX = INT_MIN;
        for (int y = caption.y; y < caption.y + height; ++y) {
            for (int x = caption.x - 3; x < caption.x + width + 3; ++x) {
                if (picture.at(x, y) != clYellow) continue;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
        EXPECT_GE(minX, caption.x) << caption.text;
        EXPECT_LE(minX, caption.x + 1) << caption.text;
        EXPECT_LT(maxX, caption.x + width) << caption.text;
        EXPECT_NE(picture.at(caption.x - 1, caption.y + height / 2), clYellow) << caption.text;
    }
}

TEST(Board, PainterLeavesGreyBrushWhitePenAndWhiteTwelvePointFont) {
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        SCOPED_TRACE(game->name);
        Picture picture;
        picture.canvas.SetBrushColor(clRed);
        picture.canvas.SetPenColor(clBlue);
        picture.canvas.SetFontColor(clGreen);
        picture.canvas.SetFontHeight(30);
        picture.canvas.SetFontName("Liberation Serif");
        picture.paint(*game, Values(static_cast<std::size_t>(game->numbers), 3));

        EXPECT_EQ(picture.canvas.BrushColor(), clGray);
        EXPECT_EQ(picture.canvas.PenColor(), clWhite);
        EXPECT_EQ(picture.canvas.FontColor(), clWhite);
        EXPECT_EQ(picture.canvas.FontSize(), 12);
        EXPECT_EQ(picture.canvas.FontHeight(), -16);
        EXPECT_EQ(picture.canvas.FontName(), "Liberation Serif");

        // The face the board found is the face its captions are written in.
        const QImage expected = expectedTexts(*game, "Liberation Serif");
        for (int y = 266; y < 313; ++y)
            for (int x = 0; x < 665; ++x)
                ASSERT_EQ(picture.at(x, y), colourAt(expected, x, y)) << "at " << x << "," << y;

        // The command's caption written next is white on grey.
        picture.canvas.TextOut(20, 30, "5");
        const int width = picture.canvas.TextWidth("5");
        const int height = picture.canvas.TextHeight("5");
        bool ink = false;
        for (int y = 30; y < 30 + height; ++y) {
            for (int x = 20; x < 20 + width; ++x) {
                const TColor colour = picture.at(x, y);
                EXPECT_TRUE(colour == clWhite || colour == clGray) << "at " << x << "," << y;
                ink = ink || colour == clWhite;
            }
        }
        EXPECT_TRUE(ink);
    }
}

TEST(Board, RepaintingGivesTheSamePictureWhateverWasThere) {
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        SCOPED_TRACE(game->name);
        const Values first = game->numbers == 49 ? fiveDistinctLotoDraws() : tenKenoDraws();
        Values second(static_cast<std::size_t>(game->numbers), 0);
        for (std::size_t i = 0; i < second.size(); ++i) second[i] = static_cast<std::int32_t>((i * 7) % 13);

        Picture picture;
        picture.paint(*game, first);
        const QImage once = picture.image.copy();
        picture.paint(*game, first);
        EXPECT_TRUE(picture.image == once);
        picture.paint(*game, second);
        EXPECT_FALSE(picture.image == once);
        picture.paint(*game, first);
        EXPECT_TRUE(picture.image == once);

        // Over a picture of something else entirely.
        Picture other;
        other.image.fill(QColor(12, 200, 77));
        other.canvas.SetBrushColor(clBlue);
        other.canvas.FillRect(TRect{100, 100, 400, 300});
        other.paint(*game, first);
        EXPECT_TRUE(other.image == once);
    }
}

// The scale is written in the same legible letters on every game, whatever the size of its number
// captions, between the captions above and the tallest bar.
TEST(Board, TheScaleIsWrittenInTheSameLettersOnEveryGame) {
    std::vector<std::pair<int, int>> inkRows;
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        SCOPED_TRACE(game->name);
        Picture picture;
        Values values(static_cast<std::size_t>(game->numbers), 3);
        values[4] = 40;
        DrawGameBoard(picture.canvas, *game, values, true);
        int first = INT_MAX;
        int last = -1;
        for (int y = 40; y < board::kScaledTop; ++y)
            for (int x = 20; x < 300; ++x)
                if (picture.at(x, y) == clWhite) {
                    first = std::min(first, y);
                    last = std::max(last, y);
                }
        ASSERT_GE(last, first) << "the scale is written";
        EXPECT_GE(last - first + 1, 8) << "letters tall enough to read";
        inkRows.emplace_back(first, last);
    }
    EXPECT_EQ(inkRows[0], inkRows[1]);
}

// The scale in words at every size of history: pixels a unit, or units a pixel once a unit takes
// less than one, the noun agreeing with the number.
TEST(Board, TheScaleIsSaidInWordsThatFitItsSize) {
    struct Case {
        double pixelsPerUnit;
        const char* caption;
    };
    for (const Case c :
         {Case{200.0 / 24, "Масштаб: 8,33 пикселя на единицу"}, Case{1.0, "Масштаб: 1,00 пикселя на единицу"},
          Case{0.4, "Масштаб: 1 пиксель на 2,5 единицы"}, Case{1.0 / 21, "Масштаб: 1 пиксель на 21\u00A0единицу"},
          Case{1.0 / 44, "Масштаб: 1 пиксель на 44\u00A0единицы"},
          Case{200.0 / 250081, "Масштаб: 1 пиксель на 1250\u00A0единиц"}}) {
        EXPECT_EQ(board::ScaleCaption(c.pixelsPerUnit), c.caption);
    }
    // The labels of the reference lines end inside the picture, however long.
    Picture picture;
    Values values(80, 250000);
    values[7] = 250081;
    DrawGameBoard(picture.canvas, kKeno, values, true);
    const int y = board::kScaledTop;
    bool inked = false;
    int lineEnd = 0;
    while (picture.at(lineEnd + 1, y) == clWhite) ++lineEnd;
    for (int row = y - 3; row < y + 12; ++row) {
        EXPECT_NE(picture.at(board::kWidth - 1, row), clWhite) << "a label cut at the edge, row " << row;
        for (int x = lineEnd + 1; x < board::kWidth - 1; ++x) inked = inked || picture.at(x, row) == clWhite;
    }
    EXPECT_TRUE(inked) << "the tallest value's label is written beyond its line";
    EXPECT_LE(lineEnd, kKeno.referenceLineEnd);
}

TEST(Board, AWrongNumberOfValuesIsRefusedBeforeAnythingIsPainted) {
    Picture picture;
    const QImage blank = picture.image.copy();
    EXPECT_THROW(picture.paint(kSuperLoto, Values(48, 1)), std::invalid_argument);
    EXPECT_THROW(picture.paint(kSuperLoto, Values(50, 1)), std::invalid_argument);
    EXPECT_THROW(picture.paint(kSuperLoto, Values{}), std::invalid_argument);
    EXPECT_THROW(picture.paint(kKeno, Values(49, 1)), std::invalid_argument);
    EXPECT_THROW(picture.paint(kKeno, Values(81, 1)), std::invalid_argument);
    EXPECT_TRUE(picture.image == blank);
    EXPECT_NO_THROW(picture.paint(kKeno, Values(80, 1)));
    EXPECT_FALSE(picture.image == blank);
}

}  // namespace
