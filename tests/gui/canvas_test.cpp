// The picture canvas read back pixel by pixel: rectangle and line edges, clipping at the image's
// borders, opaque two-colour text and the conversions between font sizes and heights.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>

#include <climits>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/canvas.h"

namespace {

constexpr TColor kBackground = 0x102030;

// The pixel as 0x00BBGGRR, so that failures print in the canvas's own terms.
TColor colourAt(const QImage& image, int x, int y) {
    const QRgb rgb = image.pixel(x, y);
    return static_cast<TColor>(qRed(rgb)) | static_cast<TColor>(qGreen(rgb)) << 8 |
           static_cast<TColor>(qBlue(rgb)) << 16;
}

QImage blankImage(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    image.fill(QColor::fromRgb(ToRgb(kBackground)));
    return image;
}

// Every pixel that is not the background.
std::set<std::pair<int, int>> paintedPixels(const QImage& image) {
    std::set<std::pair<int, int>> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (colourAt(image, x, y) != kBackground) pixels.insert({x, y});
    return pixels;
}

std::set<std::pair<int, int>> rectanglePixels(int left, int top, int right, int bottom) {
    std::set<std::pair<int, int>> pixels;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) pixels.insert({x, y});
    return pixels;
}

// The pixels a line from (x0, y0) to (x1, y1) paints on a fresh 20 x 20 image.
std::set<std::pair<int, int>> linePixels(int x0, int y0, int x1, int y1) {
    QImage image = blankImage(20, 20);
    TCanvas canvas(image);
    canvas.SetPenColor(clRed);
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
    for (const auto& [x, y] : paintedPixels(image)) EXPECT_EQ(colourAt(image, x, y), clRed) << "at " << x << "," << y;
    return paintedPixels(image);
}

using Pixels = std::set<std::pair<int, int>>;

TEST(Canvas, ColoursAreBlueGreenRedFromTheHighByteDown) {
    EXPECT_EQ(ToRgb(clRed), qRgb(255, 0, 0));
    EXPECT_EQ(ToRgb(clGreen), qRgb(0, 128, 0));
    EXPECT_EQ(ToRgb(clBlue), qRgb(0, 0, 255));
    EXPECT_EQ(ToRgb(clYellow), qRgb(255, 255, 0));
    EXPECT_EQ(ToRgb(clGray), qRgb(128, 128, 128));
    EXPECT_EQ(ToRgb(0x123456), qRgb(0x56, 0x34, 0x12));
    // The unused top byte does not leak into the alpha channel.
    EXPECT_EQ(ToRgb(0xAB000000), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(ToRgb(clWhite)), 255);
}

TEST(Canvas, FillRectPaintsTheRectangleWithoutItsRightColumnAndBottomRow) {
    QImage image = blankImage(20, 20);
    TCanvas canvas(image);
    canvas.SetBrushColor(clGreen);
    canvas.FillRect(TRect{3, 4, 8, 10});
    EXPECT_EQ(paintedPixels(image), rectanglePixels(3, 4, 8, 10));
    EXPECT_EQ(colourAt(image, 3, 4), clGreen);
    EXPECT_EQ(colourAt(image, 7, 9), clGreen);
    EXPECT_EQ(colourAt(image, 8, 9), kBackground);
    EXPECT_EQ(colourAt(image, 7, 10), kBackground);
    EXPECT_EQ(colourAt(image, 2, 4), kBackground);
    EXPECT_EQ(colourAt(image, 3, 3), kBackground);

    // One pixel; the brush in use at the call decides the colour.
    canvas.SetBrushColor(clBlue);
    canvas.FillRect(TRect{15, 15, 16, 16});
    EXPECT_EQ(colourAt(image, 15, 15), clBlue);
    EXPECT_EQ(paintedPixels(image).size(), 5u * 6u + 1u);
}

TEST(Canvas, EmptyAndInvertedRectanglesPaintNothing) {
    QImage image = blankImage(20, 20);
    TCanvas canvas(image);
    canvas.SetBrushColor(clRed);
    canvas.FillRect(TRect{5, 5, 5, 12});      // no width
    canvas.FillRect(TRect{5, 5, 12, 5});      // no height
    canvas.FillRect(TRect{12, 5, 5, 12});     // right left of left
    canvas.FillRect(TRect{5, 12, 12, 5});     // bottom above top
    canvas.FillRect(TRect{5, 300, 12, 265});  // a bar of a negative value
    canvas.FillRect(TRect{INT_MAX, INT_MAX, INT_MIN, INT_MIN});
    EXPECT_TRUE(paintedPixels(image).empty());
}

TEST(Canvas, FillRectIsClippedToTheImage) {
    {
        QImage image = blankImage(20, 20);
        TCanvas canvas(image);
        canvas.SetBrushColor(clRed);
        canvas.FillRect(TRect{-5, -7, 3, 2});
        EXPECT_EQ(paintedPixels(image), rectanglePixels(0, 0, 3, 2));
    }
    {
        QImage image = blankImage(20, 20);
        TCanvas canvas(image);
        canvas.SetBrushColor(clRed);
        canvas.FillRect(TRect{15, 17, 100, 100});
        EXPECT_EQ(paintedPixels(image), rectanglePixels(15, 17, 20, 20));
    }
    {
        QImage image = blankImage(20, 20);
        TCanvas canvas(image);
        canvas.SetBrushColor(clRed);
        canvas.FillRect(TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
        EXPECT_EQ(paintedPixels(image), rectanglePixels(0, 0, 20, 20));
    }
    {
        QImage image = blankImage(20, 20);
        TCanvas canvas(image);
        canvas.SetBrushColor(clRed);
        canvas.FillRect(TRect{20, 0, 30, 10});  // right of the image
        canvas.FillRect(TRect{0, -10, 10, 0});  // above it
        EXPECT_TRUE(paintedPixels(image).empty());
    }
}

TEST(Canvas, PaintsOnImagesOfOtherFormats) {
    QImage image = blankImage(20, 20, QImage::Format_RGB888);
    TCanvas canvas(image);
    canvas.SetBrushColor(clYellow);
    canvas.FillRect(TRect{2, 2, 6, 4});
    canvas.SetPenColor(clBlue);
    canvas.MoveTo(0, 10);
    canvas.LineTo(5, 10);
    Pixels expected = rectanglePixels(2, 2, 6, 4);
    for (int x = 0; x < 5; ++x) expected.insert({x, 10});
    EXPECT_EQ(paintedPixels(image), expected);
    EXPECT_EQ(colourAt(image, 5, 3), clYellow);
    EXPECT_EQ(colourAt(image, 4, 10), clBlue);
}

TEST(Canvas, LineToLeavesOutItsEndPointAndMovesThePen) {
    // Horizontal, both ways.
    EXPECT_EQ(linePixels(2, 5, 9, 5), rectanglePixels(2, 5, 9, 6));
    EXPECT_EQ(linePixels(9, 7, 2, 7), rectanglePixels(3, 7, 10, 8));
    // Vertical, both ways: upwards covers the start row down to the row after the end.
    EXPECT_EQ(linePixels(4, 3, 4, 10), rectanglePixels(4, 3, 5, 10));
    EXPECT_EQ(linePixels(4, 10, 4, 3), rectanglePixels(4, 4, 5, 11));
    // Diagonals.
    EXPECT_EQ(linePixels(0, 0, 5, 5), (Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}));
    EXPECT_EQ(linePixels(10, 2, 6, 6), (Pixels{{10, 2}, {9, 3}, {8, 4}, {7, 5}}));
    // A shallow line: one pixel per column, the row nearest to the ideal line.
    EXPECT_EQ(linePixels(0, 0, 6, 2), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}}));
    // A steep one: one pixel per row.
    EXPECT_EQ(linePixels(0, 0, 2, 6), (Pixels{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}}));
    // A line to where the pen already is paints nothing.
    EXPECT_TRUE(linePixels(3, 3, 3, 3).empty());

    QImage image = blankImage(20, 20);
    TCanvas canvas(image);
    canvas.SetPenColor(clWhite);
    canvas.MoveTo(7, 11);
    EXPECT_EQ(canvas.PenX(), 7);
    EXPECT_EQ(canvas.PenY(), 11);
    EXPECT_TRUE(paintedPixels(image).empty());
    // Joined lines: each corner is painted once, by the line leaving it; the last end stays out.
    canvas.MoveTo(2, 2);
    canvas.LineTo(8, 2);
    EXPECT_EQ(canvas.PenX(), 8);
    EXPECT_EQ(canvas.PenY(), 2);
    canvas.LineTo(8, 8);
    EXPECT_EQ(canvas.PenX(), 8);
    EXPECT_EQ(canvas.PenY(), 8);
    Pixels expected = rectanglePixels(2, 2, 8, 3);
    for (int y = 2; y < 8; ++y) expected.insert({8, y});
    EXPECT_EQ(paintedPixels(image), expected);
}

TEST(Canvas, LinesAreClippedToTheImage) {
    EXPECT_EQ(linePixels(-5, 3, 30, 3), rectanglePixels(0, 3, 20, 4));
    EXPECT_EQ(linePixels(10, 3, -1000000000, 3), rectanglePixels(0, 3, 11, 4));
    EXPECT_EQ(linePixels(6, INT_MAX, 6, INT_MIN), rectanglePixels(6, 0, 7, 20));
    EXPECT_TRUE(linePixels(-5, 30, 30, 30).empty());
    // A diagonal entering at the left edge keeps its slope.
    EXPECT_EQ(linePixels(-3, -3, 3, 3), (Pixels{{0, 0}, {1, 1}, {2, 2}}));

    QImage image = blankImage(20, 20);
    TCanvas canvas(image);
    canvas.MoveTo(0, 0);
    canvas.LineTo(INT_MAX, INT_MIN);
    EXPECT_EQ(canvas.PenX(), INT_MAX);
    EXPECT_EQ(canvas.PenY(), INT_MIN);
}

TEST(Canvas, FontSizeAndHeightConvertAtNinetySixPixelsPerInch) {
    QImage image = blankImage(4, 4);
    TCanvas canvas(image);
    EXPECT_EQ(canvas.FontName(), std::string(TCanvas::DefaultFontName()));
    EXPECT_EQ(canvas.FontName(), "Liberation Sans");
    EXPECT_EQ(canvas.FontHeight(), -11);
    EXPECT_EQ(canvas.FontSize(), 8);

    canvas.SetFontSize(12);
    EXPECT_EQ(canvas.FontHeight(), -16);
    EXPECT_EQ(canvas.FontSize(), 12);
    canvas.SetFontSize(6);
    EXPECT_EQ(canvas.FontHeight(), -8);
    EXPECT_EQ(canvas.FontSize(), 6);
    canvas.SetFontSize(8);
    EXPECT_EQ(canvas.FontHeight(), -11);  // 10.67 to the nearest pixel
    canvas.SetFontSize(10);
    EXPECT_EQ(canvas.FontHeight(), -13);  // 13.33
    canvas.SetFontSize(11);
    EXPECT_EQ(canvas.FontHeight(), -15);  // 14.67

    canvas.SetFontHeight(-15);
    EXPECT_EQ(canvas.FontSize(), 11);  // 11.25
    canvas.SetFontHeight(-14);
    EXPECT_EQ(canvas.FontSize(), 11);  // 10.5 goes away from zero
    canvas.SetFontHeight(-13);
    EXPECT_EQ(canvas.FontSize(), 10);  // 9.75

    // A cell height: the size follows the character the cell was matched with, and the height
    // stays as set.
    canvas.SetFontHeight(12);
    EXPECT_EQ(canvas.FontHeight(), 12);
    EXPECT_GE(canvas.FontSize(), 6);
    EXPECT_LE(canvas.FontSize(), 9);
}

TEST(Canvas, APositiveHeightIsTheNearestCellTheFaceCanGive) {
    QImage image = blankImage(4, 4);
    TCanvas canvas(image);

    // The cells the face gives for character heights of 5 to 24 pixels.
    std::set<int> cells;
    for (int em = 5; em <= 24; ++em) {
        canvas.SetFontHeight(-em);
        const int cell = canvas.TextHeight("0");
        EXPECT_GE(cell, em) << "a cell holds its character, at " << em;
        cells.insert(cell);
    }
    // A cell the face can give is given exactly; any other comes within the distance to the
    // nearest one there is.
    for (int wanted = *cells.begin(); wanted <= *cells.rbegin(); ++wanted) {
        int nearest = INT_MAX;
        for (int cell : cells) nearest = std::min(nearest, std::abs(cell - wanted));
        canvas.SetFontHeight(wanted);
        EXPECT_EQ(std::abs(canvas.TextHeight("0") - wanted), nearest) << "cell " << wanted;
    }

    // The SuperLoto captions' 12-pixel cell.
    canvas.SetFontHeight(12);
    EXPECT_LE(std::abs(canvas.TextHeight("49") - 12), 1);
    // The board's other fonts: 6 and 12 points are 8- and 16-pixel characters in taller cells.
    canvas.SetFontSize(6);
    const int small = canvas.TextHeight("80");
    canvas.SetFontSize(12);
    const int large = canvas.TextHeight("80");
    EXPECT_GE(small, 8);
    EXPECT_GE(large, 16);
    EXPECT_LT(small, large);
}

TEST(Canvas, TextOutIsOpaqueOnABoxOfTheBrushColour) {
    QImage image = blankImage(80, 40);
    TCanvas canvas(image);
    canvas.SetBrushColor(clGray);
    canvas.SetFontColor(clYellow);
    canvas.SetFontHeight(12);
    const std::string text = "1234";
    const int width = canvas.TextWidth(text);
    const int height = canvas.TextHeight(text);
    ASSERT_GT(width, 4 * 3);
    ASSERT_GT(height, 8);

    canvas.TextOut(10, 20, text);
    EXPECT_EQ(canvas.PenX(), 10 + width);
    EXPECT_EQ(canvas.PenY(), 20);

    // The box is exactly TextWidth x TextHeight from (10, 20); nothing outside it changes.
    EXPECT_EQ(paintedPixels(image), rectanglePixels(10, 20, 10 + width, 20 + height));
    // No antialiasing: every pixel is the brush or the font colour, and there is real ink.
    int ink = 0;
    for (int y = 20; y < 20 + height; ++y) {
        for (int x = 10; x < 10 + width; ++x) {
            const TColor colour = colourAt(image, x, y);
            EXPECT_TRUE(colour == clGray || colour == clYellow) << "at " << x << "," << y;
            ink += colour == clYellow;
        }
    }
    EXPECT_GT(ink, 4 * 6);
    // The digits stand on the baseline inside the cell: its top and bottom rows are blank.
    for (int x = 10; x < 10 + width; ++x) {
        EXPECT_EQ(colourAt(image, x, 20), clGray);
        EXPECT_EQ(colourAt(image, x, 20 + height - 1), clGray);
    }
}

TEST(Canvas, TextUsesTheColoursAndFontInForceAtTheCall) {
    QImage image = blankImage(120, 60);
    TCanvas canvas(image);
    // "88" written at (0, y) in these colours and size; its width and height.
    const auto write = [&canvas](TColor brush, TColor font, int size, int y) {
        canvas.SetBrushColor(brush);
        canvas.SetFontColor(font);
        canvas.SetFontSize(size);
        canvas.TextOut(0, y, "88");
        return std::pair{canvas.TextWidth("88"), canvas.TextHeight("88")};
    };
    const auto [largeWidth, largeHeight] = write(clWhite, clRed, 12, 0);
    const auto [smallWidth, smallHeight] = write(clBlue, clGreen, 6, 30);
    EXPECT_LT(smallWidth, largeWidth);
    EXPECT_LT(smallHeight, largeHeight);

    std::set<TColor> top;
    std::set<TColor> bottom;
    for (int y = 0; y < largeHeight; ++y)
        for (int x = 0; x < largeWidth; ++x) top.insert(colourAt(image, x, y));
    for (int y = 30; y < 30 + smallHeight; ++y)
        for (int x = 0; x < smallWidth; ++x) bottom.insert(colourAt(image, x, y));
    EXPECT_EQ(top, (std::set<TColor>{clWhite, clRed}));
    EXPECT_EQ(bottom, (std::set<TColor>{clBlue, clGreen}));

    // Empty text paints no box.
    QImage empty = blankImage(20, 20);
    TCanvas emptyCanvas(empty);
    EXPECT_EQ(emptyCanvas.TextWidth(""), 0);
    emptyCanvas.TextOut(3, 3, "");
    EXPECT_TRUE(paintedPixels(empty).empty());

    // Text cut by the image's edges paints what falls inside.
    QImage edge = blankImage(10, 10);
    TCanvas edgeCanvas(edge);
    edgeCanvas.SetBrushColor(clGray);
    edgeCanvas.SetFontColor(clYellow);
    edgeCanvas.TextOut(-3, -4, "888");
    for (const auto& [x, y] : paintedPixels(edge)) {
        const TColor colour = colourAt(edge, x, y);
        EXPECT_TRUE(colour == clGray || colour == clYellow);
    }
    EXPECT_EQ(paintedPixels(edge).count({0, 0}), 1u);
}

TEST(Canvas, TextIsReadAsUtf8) {
    QImage image = blankImage(4, 4);
    TCanvas canvas(image);
    canvas.SetFontSize(12);
    QFont font(QString::fromLatin1(TCanvas::DefaultFontName()));
    font.setPixelSize(16);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    const QFontMetrics metrics(font, &image);
    // "В обработке: 5 записей", two bytes for each Cyrillic letter.
    const std::string caption =
        "\xD0\x92 \xD0\xBE\xD0\xB1\xD1\x80\xD0\xB0\xD0\xB1\xD0\xBE\xD1\x82"
        "\xD0\xBA\xD0\xB5: 5 \xD0\xB7\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD0\xB5"
        "\xD0\xB9";
    EXPECT_EQ(canvas.TextWidth(caption), metrics.horizontalAdvance(QString::fromUtf8(caption.c_str())));
    EXPECT_NE(canvas.TextWidth(caption), metrics.horizontalAdvance(QString::fromLatin1(caption.c_str())));
}

}  // namespace
