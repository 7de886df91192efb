// Painting the grid: the title row and the indicator column as raised fixed cells, the data cells
// with the current one highlighted, the row glyphs and the dotted focus rectangle.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <map>

#include "toolkit/db_grid_private.h"
#include "toolkit/dataset.h"
#include "toolkit/fields.h"

namespace {

#include "resources/grid/dbedit.xpm"
#include "resources/grid/dbgarrow.xpm"
#include "resources/grid/dbinsert.xpm"
#include "resources/grid/dbmultiarrow.xpm"
#include "resources/grid/dbmultidot.xpm"

// The glyph with its white pixels made transparent.
const QImage& glyphImage(const char* const* xpm) {
    static std::map<const char* const*, QImage> cache;
    auto found = cache.find(xpm);
    if (found == cache.end()) {
        QImage image = QImage(xpm).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) image.setPixel(x, y, 0);
            }
        }
        found = cache.emplace(xpm, image).first;
    }
    return found->second;
}

// A grid line; a zero width or height (lines switched off) draws nothing.
void paintLine(QPainter& painter, int x, int y, int width, int height, TColor color) {
    if (width > 0 && height > 0) painter.fillRect(QRect(x, y, width, height), db_grid_detail::qcolor(color));
}
}  // namespace

using namespace db_grid_detail;

QString TDBGrid::CellText(int column, int row) const {
    if (!m_link->Active() || !DataSet() || row >= m_link->RecordCount()) return QString();
    TField* field = m_columns[column].Field();
    if (!field) return QString();
    ActiveRow active(*m_link, row);
    try {
        return fromAnsi(field->DisplayText());
    } catch (const std::exception&) {
        return QString();
    }
}

const char* const* TDBGrid::IndicatorGlyph(int row) const {
    TDataSet* dataSet = DataSet();
    if (!m_link->Active() || !dataSet) return nullptr;
    const bool selected = Has(TDBGridOption::dgMultiSelect) && RowSelected(row);
    if (row == m_link->ActiveRecord() && (row < m_link->RecordCount())) {
        switch (dataSet->State()) {
            case TDataSetState::dsEdit:
                return dbedit;
            case TDataSetState::dsInsert:
                return dbinsert;
            default:
                return selected ? dbmultiarrow : dbgarrow;
        }
    }
    return selected ? dbmultidot : nullptr;
}

void TDBGrid::PaintFixedCell(QPainter& painter, const QRect& rect) const {
    painter.fillRect(rect, qcolor(kBtnFace));
    const int left = rect.x();
    const int top = rect.y();
    const int right = rect.x() + rect.width() - 1;
    const int bottom = rect.y() + rect.height() - 1;
    painter.fillRect(QRect(left, top, rect.width(), 1), qcolor(kBtnHighlight));
    painter.fillRect(QRect(left, top, 1, rect.height()), qcolor(kBtnHighlight));
    painter.fillRect(QRect(left, bottom, rect.width(), 1), qcolor(kBtnShadow));
    painter.fillRect(QRect(right, top, 1, rect.height()), qcolor(kBtnShadow));
}

void TDBGrid::PaintText(QPainter& painter, const QRect& rect, const QString& text, const TFont& font, TColor color,
                        TAlignment alignment) const {
    if (text.isEmpty()) return;
    const QFont qfont = ToQFont(font);
    const QFontMetrics metrics(qfont);
    const int width = metrics.horizontalAdvance(text);
    int x = rect.x() + 2;
    if (alignment == TAlignment::taRightJustify) {
        x = rect.x() + rect.width() - width - 3;
    } else if (alignment == TAlignment::taCenter) {
        x = rect.x() + (rect.width() - width) / 2;
    }
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(qfont);
    painter.setPen(qcolor(color));
    painter.drawText(x, rect.y() + 2 + metrics.ascent(), text);
    painter.restore();
}

void TDBGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(QRect(0, 0, viewport()->width(), viewport()->height()), qcolor(kWindow));
    if (Has(TDBGridOption::dgTitles)) PaintTitleRow(painter);
    const int rows = DrawnRowCount();
    for (int row = 0; row < rows && RowTop(row) < viewport()->height(); ++row) PaintRow(painter, row);
}

// The title row: fixed cells with black lines.
void TDBGrid::PaintTitleRow(QPainter& painter) const {
    const int lineWidth = LineWidth();
    const int lineHeight = LineHeight();
    if (Has(TDBGridOption::dgIndicator)) {
        const QRect cell = CellRect(-1, -1);
        PaintFixedCell(painter, cell);
        paintLine(painter, cell.x() + cell.width(), 0, lineWidth, cell.height() + lineHeight, kFixedLine);
        paintLine(painter, 0, cell.height(), cell.width(), lineHeight, kFixedLine);
    }
    for (int c = m_leftCol; c <= LastColumn(); ++c) {
        const QRect cell = CellRect(c, -1);
        if (cell.isEmpty() || cell.x() >= viewport()->width()) break;
        PaintFixedCell(painter, cell);
        const TColumnTitle& title = m_columns[c].Title();
        PaintText(painter, cell, QString::fromStdString(title.Caption()), title.Font(), title.Font().Color,
                  title.Alignment());
        paintLine(painter, cell.x() + cell.width(), 0, lineWidth, cell.height() + lineHeight, kFixedLine);
        paintLine(painter, cell.x(), cell.height(), cell.width(), lineHeight, kFixedLine);
    }
}

// One data row: its indicator cell with the row's glyph, then the data cells.
void TDBGrid::PaintRow(QPainter& painter, int row) const {
    const int lineWidth = LineWidth();
    const int lineHeight = LineHeight();
    const int top = RowTop(row);
    const bool active = m_link->Active() && DataSet();
    if (Has(TDBGridOption::dgIndicator)) {
        const QRect cell = CellRect(-1, row);
        PaintFixedCell(painter, cell);
        if (const char* const* glyph = IndicatorGlyph(row)) {
            const QImage& image = glyphImage(glyph);
            painter.drawImage(cell.x() + cell.width() - image.width() - 1,
                              cell.y() + (cell.height() - image.height()) / 2, image);
        }
        paintLine(painter, cell.x() + cell.width(), top, lineWidth, cell.height() + lineHeight, kFixedLine);
        paintLine(painter, 0, top + cell.height(), cell.width(), lineHeight, kFixedLine);
    }
    const bool rowSelected = Has(TDBGridOption::dgMultiSelect) && active && RowSelected(row);
    const bool activeRow = active && row == m_link->ActiveRecord();
    for (int c = m_leftCol; c <= LastColumn(); ++c) {
        const QRect cell = CellRect(c, row);
        if (cell.isEmpty() || cell.x() >= viewport()->width()) break;
        const TColumn& column = m_columns[c];
        const bool current = activeRow && (c == m_col || Has(TDBGridOption::dgRowSelect));
        const bool highlighted = current || rowSelected;
        painter.fillRect(cell, qcolor(highlighted ? kHighlight : kWindow));
        PaintText(painter, cell, CellText(c, row), column.Font(), highlighted ? kHighlightText : column.Font().Color,
                  column.Alignment());
        if (current && c == m_col && !m_editorMode && HasFocusWithin()) PaintFocusRect(painter, cell);
        paintLine(painter, cell.x() + cell.width(), top, lineWidth, cell.height() + lineHeight, kDataLine);
        paintLine(painter, cell.x(), top + cell.height(), cell.width(), lineHeight, kDataLine);
    }
}

// The dotted focus rectangle, every other pixel of the cell's edge in the inverse of the highlight.
void TDBGrid::PaintFocusRect(QPainter& painter, const QRect& cell) const {
    painter.setPen(qcolor(~kHighlight & 0xFFFFFF));
    const int right = cell.x() + cell.width() - 1;
    const int bottom = cell.y() + cell.height() - 1;
    for (int x = cell.x(); x <= right; x += 2) {
        painter.drawPoint(x, cell.y());
        painter.drawPoint(x, bottom);
    }
    for (int y = cell.y(); y <= bottom; y += 2) {
        painter.drawPoint(cell.x(), y);
        painter.drawPoint(right, y);
    }
}
