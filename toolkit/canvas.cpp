// The drawing canvas of a picture over a QImage. Rectangles and lines are set pixel by pixel so
// that their edges are exactly those of the original platform; text goes through QPainter with
// antialiasing off, so every text pixel is either the font colour or the brush colour.
#include "toolkit/canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

constexpr int kPixelsPerInch = 96;
constexpr int kPointsPerInch = 72;
// A zero height asks for the face's default size, as it does on the original platform.
constexpr int kDefaultFontHeight = -11;

// a * b / c rounded to the nearest integer, halves away from zero, as the original platform's
// MulDiv converts between points and pixels.
int mulDiv(int a, int b, int c) {
    const std::int64_t product = std::int64_t{a} * b;
    const std::int64_t magnitude = (std::llabs(product) * 2 + std::llabs(c)) / (std::int64_t{std::llabs(c)} * 2);
    const bool negative = (product < 0) != (c < 0);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool isDirect32(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

QFont baseFont(const std::string& name) {
    QFont font(QString::fromStdString(name));
    // Two-colour glyphs: a text pixel is the font colour or stays the brush colour beneath.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    return font;
}

// The pixel size whose character cell (ascent + descent) comes nearest to `cellHeight`; of two
// equally near the smaller, so that the text never grows past the cell asked for by more than
// the other choice would shrink it.
int pixelSizeForCell(const std::string& name, int cellHeight, const QPaintDevice* device) {
    int best = 1;
    int bestDistance = std::numeric_limits<int>::max();
    for (int size = 1; size <= cellHeight * 2 + 2; ++size) {
        QFont font = baseFont(name);
        font.setPixelSize(size);
        const int distance = std::abs(QFontMetrics(font, device).height() - cellHeight);
        if (distance < bestDistance) {
            best = size;
            bestDistance = distance;
        }
        if (distance == 0) break;
    }
    return best;
}

}  // namespace

unsigned int ToRgb(TColor color) {
    return qRgb(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

TCanvas::TCanvas(QImage& image) : m_image(image), m_fontName(DefaultFontName()) {}

const char* TCanvas::DefaultFontName() { return "Liberation Sans"; }

int TCanvas::FontSize() const {
    if (m_fontHeight < 0) return mulDiv(-m_fontHeight, kPointsPerInch, kPixelsPerInch);
    // A cell height: the size is that of the character the cell was matched with.
    return mulDiv(MakeFont().pixelSize(), kPointsPerInch, kPixelsPerInch);
}

void TCanvas::SetFontSize(int points) { m_fontHeight = -mulDiv(points, kPixelsPerInch, kPointsPerInch); }

QFont TCanvas::MakeFont() const {
    QFont font = baseFont(m_fontName);
    const int height = m_fontHeight == 0 ? kDefaultFontHeight : m_fontHeight;
    if (height < 0) {
        font.setPixelSize(-height);
    } else {
        // The search costs a few dozen font look-ups; the boards ask for the same cell 53 or
        // 84 times in a row, so the last answer is kept.
        if (height != m_matchedCellHeight || m_fontName != m_matchedFontName) {
            m_matchedPixelSize = pixelSizeForCell(m_fontName, height, &m_image);
            m_matchedCellHeight = height;
            m_matchedFontName = m_fontName;
        }
        font.setPixelSize(m_matchedPixelSize);
    }
    return font;
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height()) return;
    if (isDirect32(m_image.format()))
        reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = ToRgb(color);
    else
        m_image.setPixel(x, y, ToRgb(color));
}

void TCanvas::FillRect(const TRect& rect) {
    const int left = std::max(rect.Left, 0);
    const int top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, m_image.width());
    const int bottom = std::min(rect.Bottom, m_image.height());
    if (left >= right || top >= bottom) return;
    const QRgb rgb = ToRgb(m_brushColor);
    for (int y = top; y < bottom; ++y) {
        if (isDirect32(m_image.format())) {
            QRgb* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
            std::fill(line + left, line + right, rgb);
        } else {
            for (int x = left; x < right; ++x) m_image.setPixel(x, y, rgb);
        }
    }
}

void TCanvas::MoveTo(int x, int y) {
    m_penX = x;
    m_penY = y;
}

// Bresenham's line: one pixel per step along the longer axis, the shorter axis at the nearest
// pixel (halves away from the start), the end point left out so that joined lines do not paint
// their joints twice.
void TCanvas::LineTo(int x, int y) {
    const std::int64_t x0 = m_penX;
    const std::int64_t y0 = m_penY;
    const std::int64_t dx = std::int64_t{x} - x0;
    const std::int64_t dy = std::int64_t{y} - y0;
    m_penX = x;
    m_penY = y;

    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t steps = xMajor ? std::llabs(dx) : std::llabs(dy);
    if (steps == 0) return;
    const std::int64_t majorStart = xMajor ? x0 : y0;
    const std::int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const std::int64_t minorStart = xMajor ? y0 : x0;
    const std::int64_t minorDelta = xMajor ? dy : dx;
    const std::int64_t majorLimit = xMajor ? m_image.width() : m_image.height();

    // Only the steps whose major coordinate falls inside the image can paint anything.
    std::int64_t first = 0;
    std::int64_t last = steps - 1;
    if (majorSign > 0) {
        first = std::max(first, -majorStart);
        last = std::min(last, majorLimit - 1 - majorStart);
    } else {
        first = std::max(first, majorStart - (majorLimit - 1));
        last = std::min(last, majorStart);
    }
    for (std::int64_t i = first; i <= last; ++i) {
        const std::int64_t numerator = 2 * i * std::llabs(minorDelta) + steps;
        const std::int64_t offset = numerator / (2 * steps);
        const std::int64_t minor = minorStart + (minorDelta < 0 ? -offset : offset);
        const std::int64_t major = majorStart + majorSign * i;
        const std::int64_t px = xMajor ? major : minor;
        const std::int64_t py = xMajor ? minor : major;
        if (px >= 0 && py >= 0 && px < m_image.width() && py < m_image.height())
            SetPixel(static_cast<int>(px), static_cast<int>(py), m_penColor);
    }
}

int TCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(MakeFont(), &m_image).horizontalAdvance(QString::fromStdString(text));
}

int TCanvas::TextHeight(const std::string&) const { return QFontMetrics(MakeFont(), &m_image).height(); }

void TCanvas::TextOut(int x, int y, const std::string& text) {
    const QFont font = MakeFont();
    const QFontMetrics metrics(font, &m_image);
    const QString string = QString::fromStdString(text);
    const int width = metrics.horizontalAdvance(string);
    const int height = metrics.height();

    // The pen ends after the text, as the original canvas leaves it.
    m_penX = x + width;
    m_penY = y;
    FillRect(TRect{x, y, x + width, y + height});
    if (string.isEmpty() || m_image.isNull()) return;

    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(ToRgb(m_fontColor)));
    painter.drawText(x, y + metrics.ascent(), string);
}
