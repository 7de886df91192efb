// The grid's keyboard, mouse and focus events: each is turned into one of the grid's actions and
// runs through the program's guard, so a refusal ends in the error box and not in the event loop.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <cstdlib>

#include "toolkit/db_grid_private.h"
#include "toolkit/dataset.h"
#include "toolkit/dialogs.h"

using namespace db_grid_detail;

bool TDBGrid::event(QEvent* event) {
    // With dgTabs, Tab and Shift+Tab move between the cells instead of leaving the grid.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && Has(TDBGridOption::dgTabs) &&
            !(key->modifiers() & Qt::AltModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    bool handled = true;
    RunGuarded([&] {
        if (KeyDown(event->key(), event->modifiers())) return;
        const bool typing = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                            (event->key() == Qt::Key_Backspace || isPrintable(*event));
        if (typing && m_link->Active()) {
            TypeOnClosedCell(*event);
            return;
        }
        handled = false;
    });
    if (handled) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool TDBGrid::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    TDataSet* dataSet = DataSet();
    if (!m_link->Active() || !dataSet) return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool alt = modifiers & Qt::AltModifier;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        if (alt || !Has(TDBGridOption::dgTabs)) return false;
        Tab(key == Qt::Key_Tab && !shift);
        return true;
    }
    return ctrl ? CtrlKeyDown(key) : PlainKeyDown(key, shift);
}

// Ctrl with a key: to the ends of the window, the table or the row, or delete the record.
bool TDBGrid::CtrlKeyDown(int key) {
    TDataSet* dataSet = DataSet();
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            MoveRows(-m_link->ActiveRecord(), false);
            return true;
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            MoveRows(m_link->RecordCount() - m_link->ActiveRecord() - 1, false);
            return true;
        case Qt::Key_Home:
            ClearSelection();
            dataSet->First();
            return true;
        case Qt::Key_End:
            ClearSelection();
            dataSet->Last();
            return true;
        case Qt::Key_Left:
            SelectColumn(0);
            return true;
        case Qt::Key_Right:
            SelectColumn(LastColumn());
            return true;
        case Qt::Key_Delete:
            if (!m_editorMode) DeleteRecord();
            return true;
        default:
            return false;
    }
}

// A key alone or with Shift (which widens a multi-selection).
bool TDBGrid::PlainKeyDown(int key, bool shift) {
    switch (key) {
        case Qt::Key_Up:
            PriorRow(shift);
            return true;
        case Qt::Key_Down:
            NextRow(shift);
            return true;
        case Qt::Key_PageUp:
            MoveRows(-m_visibleRows, shift);
            return true;
        case Qt::Key_PageDown:
            MoveRows(m_visibleRows, shift);
            return true;
        case Qt::Key_Left:
            if (m_col > 0) SelectColumn(m_col - 1);
            return true;
        case Qt::Key_Right:
            if (m_col < LastColumn()) SelectColumn(m_col + 1);
            return true;
        case Qt::Key_Home:
            SelectColumn(0);
            return true;
        case Qt::Key_End:
            SelectColumn(LastColumn());
            return true;
        case Qt::Key_Insert:
            if (!shift) InsertRecord();
            return true;
        case Qt::Key_F2:
            ShowEditor();
            return true;
        case Qt::Key_Escape:
            EscapeKey();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            EnterKey();
            return true;
        default:
            return false;
    }
}

// ---- focus ------------------------------------------------------------------------------------

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (m_editorMode && m_editor->isVisible()) m_editor->setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
    if (!m_destroying) FocusLeft(QApplication::focusWidget());
}

void TDBGrid::FocusLeft(QWidget* newFocus) {
    // Only a move to another control of the same window counts; the grid's own editor does not.
    if (m_destroying || !newFocus || newFocus == this || isAncestorOf(newFocus)) return;
    if (newFocus->window() != window()) return;
    TDataSet* dataSet = DataSet();
    if (!m_link->Active() || !dataSet) return;
    bool failed = false;
    RunGuarded([&] {
        try {
            if (Has(TDBGridOption::dgCancelOnExit) && dataSet->State() == TDataSetState::dsInsert &&
                !dataSet->Modified() && !m_editChanged) {
                dataSet->Cancel();
            } else {
                WriteEditorText();
            }
        } catch (...) {
            failed = true;
            throw;
        }
    });
    // The user is brought back to the text that could not be taken.
    if (failed) QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
}

// ---- the mouse --------------------------------------------------------------------------------

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    if (!HasFocusWithin()) setFocus(Qt::MouseFocusReason);
    RunGuarded([&] { PressCell(*event); });
    event->accept();
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click counts as a press of its own.
    mousePressEvent(event);
}

void TDBGrid::PressCell(QMouseEvent& event) {
    if (!m_link->Active() || !DataSet()) return;
    const QPoint point = event.position().toPoint();
    int column = -2;
    int row = -2;
    CellAt(point, column, row);
    if (row == -1) {
        if (event.button() != Qt::LeftButton || !Has(TDBGridOption::dgColumnResize)) return;
        const int edge = TitleEdgeAt(point.x());
        if (edge >= 0) {
            m_drag = Drag::Sizing;
            m_dragColumn = edge;
            m_dragStartX = point.x();
            m_dragStartWidth = m_columns[edge].Width();
        } else if (column >= 0) {
            m_drag = Drag::MovePending;
            m_dragColumn = column;
            m_dragStartX = point.x();
        }
        return;
    }
    if (row < 0) return;
    const bool left = event.button() == Qt::LeftButton;
    const bool toggle = Has(TDBGridOption::dgMultiSelect) && (event.modifiers() & Qt::ControlModifier);
    if (left && !toggle && column >= 0 && column == m_col && row == m_link->ActiveRecord()) {
        ShowEditor();
        return;
    }
    if (m_editorMode) {
        WriteEditorText();
        HideEditor();
    }
    const int distance = row - m_link->ActiveRecord();
    if (toggle) {
        if (distance != 0) m_link->MoveBy(distance);
        ToggleRowSelection();
    } else {
        ClearSelection();
        if (distance != 0) m_link->MoveBy(distance);
    }
    if (column >= 0) SelectColumn(column);
    if (Has(TDBGridOption::dgAlwaysShowEditor)) ShowEditor();
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    switch (m_drag) {
        case Drag::Sizing:
            m_columns[m_dragColumn].SetWidth(m_dragStartWidth + point.x() - m_dragStartX);
            return;
        case Drag::MovePending:
            if (std::abs(point.x() - m_dragStartX) >= 3) {
                m_drag = Drag::Moving;
                viewport()->setCursor(Qt::SizeHorCursor);
            }
            return;
        case Drag::Moving:
            return;
        case Drag::None:
            break;
    }
    const bool onEdge = Has(TDBGridOption::dgColumnResize) && Has(TDBGridOption::dgTitles) && point.y() >= 0 &&
                        point.y() < TitleTotal() && TitleEdgeAt(point.x()) >= 0;
    if (onEdge) {
        viewport()->setCursor(Qt::SplitHCursor);
    } else {
        viewport()->unsetCursor();
    }
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (m_drag == Drag::Moving) {
        const QPoint point = event->position().toPoint();
        int column = -2;
        int row = -2;
        CellAt(point, column, row);
        int target = column;
        if (target < 0) target = point.x() < FixedWidth() ? m_leftCol : LastColumn();
        if (target != m_dragColumn) m_columns.Move(m_dragColumn, target);
    }
    m_drag = Drag::None;
    m_dragColumn = -1;
    viewport()->unsetCursor();
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta != 0) RunGuarded([&] { MoveRows(delta > 0 ? -1 : 1, false); });
    event->accept();
}
