// The drawing canvas of a picture, over a QImage: brush, pen and font as the boards use them,
// pixel-exact rectangles and lines, and opaque text on the brush colour.
#pragma once

#include <cstdint>
#include <string>

class QImage;
class QFont;

// A colour as 0x00BBGGRR.
using TColor = std::uint32_t;

inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBlack = 0x000000;

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

class TCanvas {
public:
    // Paints on `image`, which must outlive the canvas.
    explicit TCanvas(QImage& image);

    TColor BrushColor() const { return m_brushColor; }
    void SetBrushColor(TColor color) { m_brushColor = color; }
    TColor PenColor() const { return m_penColor; }
    void SetPenColor(TColor color) { m_penColor = color; }
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color) { m_fontColor = color; }
    // Font height in pixels: a positive height is the character cell (internal leading
    // included), a negative one the character alone. Setting the size sets the height
    // to -size * 96 / 72, and the other way round.
    int FontHeight() const { return m_fontHeight; }
    void SetFontHeight(int height) { m_fontHeight = height; }
    int FontSize() const;
    void SetFontSize(int points);
    const std::string& FontName() const { return m_fontName; }
    void SetFontName(const std::string& name) { m_fontName = name; }

    // The rectangle without its right column and bottom row; an empty or inverted one paints
    // nothing.
    void FillRect(const TRect& rect);
    void MoveTo(int x, int y);
    // A one-pixel line in the pen colour to (x, y), that end point excluded; the pen moves there.
    void LineTo(int x, int y);
    int PenX() const { return m_penX; }
    int PenY() const { return m_penY; }
    // Text (UTF-8) with its cell's top-left corner at (x, y), on a box of the brush colour
    // TextWidth wide and TextHeight high; the pen moves to the box's top-right corner.
    void TextOut(int x, int y, const std::string& text);
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    QImage& Image() { return m_image; }

    // The face the canvas starts with: the stand-in for the original's default sans serif.
    static const char* DefaultFontName();

private:
    QFont MakeFont() const;
    void SetPixel(int x, int y, TColor color);

    QImage& m_image;
    TColor m_brushColor = clWhite;
    TColor m_penColor = clBlack;
    TColor m_fontColor = clBlack;
    int m_fontHeight = -11;
    std::string m_fontName;
    int m_penX = 0;
    int m_penY = 0;
    // The pixel size last matched to a positive (cell) height, for that height and face.
    mutable int m_matchedCellHeight = 0;
    mutable int m_matchedPixelSize = 0;
    mutable std::string m_matchedFontName;
};

// The colour as Qt's RGB value.
unsigned int ToRgb(TColor color);
