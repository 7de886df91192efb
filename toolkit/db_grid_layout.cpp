// The grid's geometry: row heights from the fonts, which columns and rows fit the viewport, where
// each cell lies, the two scroll bars and the place of the cell editor.
#include <QFontMetrics>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdlib>

#include "toolkit/db_grid_private.h"
#include "toolkit/dataset.h"
#include "toolkit/dialogs.h"

int TDBGrid::FixedWidth() const { return Has(TDBGridOption::dgIndicator) ? IndicatorWidth + LineWidth() : 0; }

int TDBGrid::TitleTotal() const { return Has(TDBGridOption::dgTitles) ? m_titleHeight + LineHeight() : 0; }

int TDBGrid::RowTop(int row) const { return TitleTotal() + row * (m_rowHeight + LineHeight()); }

int TDBGrid::ColumnLeft(int column) const {
    if (column < m_leftCol) return -1;
    int x = FixedWidth();
    for (int c = m_leftCol; c < column; ++c) x += m_columns[c].Width() + LineWidth();
    return x;
}

int TDBGrid::DrawnRowCount() const {
    if (!m_link->Active() || !DataSet()) return 1;
    return std::max(1, m_link->RecordCount());
}

int TDBGrid::AvailableWidth() const { return viewport()->width(); }

QRect TDBGrid::CellRect(int column, int row) const {
    int x = 0;
    int width = 0;
    if (column == -1) {
        if (!Has(TDBGridOption::dgIndicator)) return QRect();
        width = IndicatorWidth;
    } else {
        if (column < 0 || column > LastColumn()) return QRect();
        x = ColumnLeft(column);
        if (x < 0) return QRect();
        width = m_columns[column].Width();
    }
    int y = 0;
    int height = 0;
    if (row == -1) {
        if (!Has(TDBGridOption::dgTitles)) return QRect();
        height = m_titleHeight;
    } else {
        if (row < 0 || row >= DrawnRowCount()) return QRect();
        y = RowTop(row);
        height = m_rowHeight;
    }
    return QRect(x, y, width, height);
}

void TDBGrid::CellAt(const QPoint& point, int& column, int& row) const {
    column = -2;
    row = -2;
    if (Has(TDBGridOption::dgIndicator) && point.x() >= 0 && point.x() < FixedWidth()) {
        column = -1;
    } else {
        for (int c = m_leftCol; c <= LastColumn(); ++c) {
            const int left = ColumnLeft(c);
            if (left > point.x()) break;
            if (point.x() < left + m_columns[c].Width() + LineWidth()) {
                column = c;
                break;
            }
        }
    }
    if (Has(TDBGridOption::dgTitles) && point.y() >= 0 && point.y() < TitleTotal()) {
        row = -1;
    } else if (point.y() >= TitleTotal()) {
        const int r = (point.y() - TitleTotal()) / (m_rowHeight + LineHeight());
        if (r < DrawnRowCount()) row = r;
    }
}

int TDBGrid::TitleEdgeAt(int x) const {
    for (int c = m_leftCol; c <= LastColumn(); ++c) {
        const int edge = ColumnLeft(c) + m_columns[c].Width();
        if (std::abs(x - edge) <= 2) return c;
        if (edge > x + 2) break;
    }
    return -1;
}

int TDBGrid::MaxLeftCol() const {
    const int available = AvailableWidth() - FixedWidth();
    int used = 0;
    int column = LastColumn();
    while (column >= 0) {
        const int width = m_columns[column].Width() + LineWidth();
        if (used + width > available && column < LastColumn()) break;
        used += width;
        --column;
    }
    return std::max(0, column + 1);
}

void TDBGrid::UpdateLayout() {
    if (m_layingOut || m_destroying) return;
    m_layingOut = true;
    m_rowHeight = QFontMetrics(ToQFont(m_font)).height() + 3;
    int titleText = QFontMetrics(ToQFont(m_titleFont)).height();
    for (const auto& column : m_columns.m_items) {
        titleText = std::max(titleText, QFontMetrics(ToQFont(column->Title().Font())).height());
    }
    m_titleHeight = titleText + 4;

    int total = FixedWidth();
    for (const auto& column : m_columns.m_items) total += column->Width() + LineWidth();
    const bool needBar = total > AvailableWidth();
    const Qt::ScrollBarPolicy policy = needBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (horizontalScrollBarPolicy() != policy) setHorizontalScrollBarPolicy(policy);
    const int maxLeft = needBar ? MaxLeftCol() : 0;
    m_leftCol = std::clamp(m_leftCol, 0, maxLeft);
    {
        QSignalBlocker block(horizontalScrollBar());
        horizontalScrollBar()->setRange(0, maxLeft);
        horizontalScrollBar()->setPageStep(1);
        horizontalScrollBar()->setValue(m_leftCol);
    }

    m_visibleRows = std::max(1, (viewport()->height() - TitleTotal()) / (m_rowHeight + LineHeight()));
    if (m_link->BufferCount() != m_visibleRows) {
        // Growing the window reads more records, which may fail like any read.
        RunGuarded([&] { m_link->SetBufferCount(m_visibleRows); });
    }
    m_layingOut = false;
    ScrollToColumn(m_col);
    UpdateScrollBar();
    UpdateEditorGeometry();
    viewport()->update();
}

void TDBGrid::ScrollToColumn(int column) {
    if (column < 0 || column > LastColumn()) return;
    // The right edge of `column` with `first` as the first column shown.
    auto rightEdge = [&](int first) {
        int x = FixedWidth();
        for (int c = first; c <= column; ++c) x += m_columns[c].Width() + LineWidth();
        return x - LineWidth();
    };
    int left = std::min(m_leftCol, column);
    while (left < column && rightEdge(left) > AvailableWidth()) ++left;
    SetLeftCol(left);
}

void TDBGrid::SetLeftCol(int column) {
    column = std::clamp(column, 0, horizontalScrollBar()->maximum());
    {
        QSignalBlocker block(horizontalScrollBar());
        horizontalScrollBar()->setValue(column);
    }
    if (column == m_leftCol) return;
    m_leftCol = column;
    UpdateEditorGeometry();
    viewport()->update();
}

void TDBGrid::UpdateScrollBar() {
    if (m_destroying) return;
    QScrollBar* bar = verticalScrollBar();
    QSignalBlocker block(bar);
    TDataSet* dataSet = DataSet();
    if (!m_link->Active() || !dataSet) {
        bar->setRange(0, 0);
        bar->setEnabled(false);
        return;
    }
    // A row being inserted has no number yet, and the count cannot have changed: the bar stays.
    if (dataSet->State() == TDataSetState::dsInsert) return;
    try {
        if (dataSet->IsSequenced()) {
            const int count = dataSet->RecordCount();
            if (count <= 0) {
                bar->setRange(0, 0);
                bar->setEnabled(false);
                return;
            }
            bar->setRange(1, count);
            bar->setPageStep(std::max(1, m_visibleRows));
            bar->setSingleStep(1);
            bar->setValue(dataSet->SequenceNo());
            bar->setEnabled(count > 1);
        } else {
            bar->setRange(0, 4);
            bar->setPageStep(1);
            bar->setValue(dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2);
            bar->setEnabled(true);
        }
    } catch (const std::exception&) {
        // The bar keeps its last state; the failure shows when the user next acts.
    }
    bar->setSliderPosition(bar->value());
}

void TDBGrid::UpdateEditorGeometry() {
    if (!m_editor || m_destroying) return;
    if (!m_editorMode || !m_link->Active()) {
        m_editor->hide();
        return;
    }
    const QRect cell = CellRect(m_col, m_link->ActiveRecord());
    if (cell.isEmpty() || cell.left() >= AvailableWidth()) {
        if (m_editor->hasFocus()) setFocus(Qt::OtherFocusReason);
        m_editor->hide();
        return;
    }
    m_editor->setFont(ToQFont(m_columns[m_col].Font()));
    m_editor->setGeometry(cell);
    if (!m_editor->isVisible()) {
        const bool focusIt = HasFocusWithin();
        m_editor->show();
        if (focusIt) m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void TDBGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateLayout();
}

void TDBGrid::scrollContentsBy(int, int) { viewport()->update(); }
