// The grid's actions on the dataset, shared by the keys, the mouse and the scroll bar: moving
// between rows and columns, multi-selection, inserting, deleting and cancelling.
#include <QScrollBar>

#include <algorithm>

#include "toolkit/db_grid_private.h"
#include "toolkit/dataset.h"
#include "toolkit/dialogs.h"

namespace {

constexpr const char* kDeleteQuestion = "Delete record?";

}  // namespace

using namespace db_grid_detail;

void TDBGrid::MoveRows(int distance, bool select) {
    if (select && Has(TDBGridOption::dgMultiSelect)) {
        const TBookmarkStr here = DataSet()->Bookmark();
        if (!here.empty() && std::find(m_selectedRows.begin(), m_selectedRows.end(), here) == m_selectedRows.end()) {
            m_selectedRows.push_back(here);
        }
        m_link->MoveBy(distance);
        const TBookmarkStr there = DataSet()->Bookmark();
        if (!there.empty() && std::find(m_selectedRows.begin(), m_selectedRows.end(), there) == m_selectedRows.end()) {
            m_selectedRows.push_back(there);
        }
        viewport()->update();
        return;
    }
    ClearSelection();
    m_link->MoveBy(distance);
}

void TDBGrid::NextRow(bool select) {
    TDataSet* dataSet = DataSet();
    if (dataSet->State() == TDataSetState::dsInsert && !dataSet->Modified() && !m_editChanged) {
        // An untouched new row: at the end it stays, elsewhere it goes.
        if (dataSet->Eof()) return;
        dataSet->Cancel();
    } else {
        MoveRows(1, select);
    }
    if (dataSet->Eof() && CanModifyData()) dataSet->Append();
}

void TDBGrid::PriorRow(bool select) {
    TDataSet* dataSet = DataSet();
    if (dataSet->State() == TDataSetState::dsInsert && !dataSet->Modified() && dataSet->Eof() && !m_editChanged) {
        dataSet->Cancel();
    } else {
        MoveRows(-1, select);
    }
}

void TDBGrid::Tab(bool forward) {
    if (m_columns.Count() == 0) return;
    if (forward) {
        if (m_col < LastColumn()) {
            SelectColumn(m_col + 1);
        } else {
            NextRow(false);
            SelectColumn(0);
        }
    } else {
        if (m_col > 0) {
            SelectColumn(m_col - 1);
        } else {
            PriorRow(false);
            SelectColumn(LastColumn());
        }
    }
}

void TDBGrid::SelectColumn(int column) {
    if (m_columns.Count() == 0) return;
    column = std::clamp(column, 0, LastColumn());
    if (column != m_col) {
        // The text typed in the column being left goes into its field first.
        if (m_editorMode) WriteEditorText();
        m_col = column;
        if (m_editorMode) LoadEditorText();
    }
    ScrollToColumn(m_col);
    UpdateEditorGeometry();
    viewport()->update();
}

void TDBGrid::EnterKey() {
    WriteEditorText();
    if (Has(TDBGridOption::dgAlwaysShowEditor)) {
        ShowEditor();
    } else if (m_editorMode) {
        HideEditor();
    } else {
        ShowEditor();
    }
}

void TDBGrid::EscapeKey() {
    TDataSet* dataSet = DataSet();
    if (m_editChanged) {
        LoadEditorText();
    } else if (dataSet->State() == TDataSetState::dsEdit || dataSet->State() == TDataSetState::dsInsert) {
        dataSet->Cancel();
    }
    ClearSelection();
    if (!Has(TDBGridOption::dgAlwaysShowEditor)) HideEditor();
}

void TDBGrid::DeleteRecord() {
    TDataSet* dataSet = DataSet();
    if (m_readOnly || m_link->ReadOnly() || !dataSet->CanModify() || dataSet->IsEmpty()) return;
    if (Has(TDBGridOption::dgConfirmDelete) && !ConfirmMessage(kDeleteQuestion)) return;
    ClearSelection();
    dataSet->Delete();
}

void TDBGrid::InsertRecord() {
    if (!CanModifyData()) return;
    ClearSelection();
    DataSet()->Insert();
}

void TDBGrid::ClearSelection() {
    if (m_selectedRows.empty()) return;
    m_selectedRows.clear();
    viewport()->update();
}

void TDBGrid::ToggleRowSelection() {
    const TBookmarkStr here = DataSet()->Bookmark();
    if (here.empty()) return;
    const auto found = std::find(m_selectedRows.begin(), m_selectedRows.end(), here);
    if (found == m_selectedRows.end()) {
        m_selectedRows.push_back(here);
    } else {
        m_selectedRows.erase(found);
    }
    viewport()->update();
}

bool TDBGrid::RowSelected(int row) const {
    if (m_selectedRows.empty() || !DataSet() || row >= m_link->RecordCount()) return false;
    ActiveRow active(*m_link, row);
    const TBookmarkStr bookmark = DataSet()->Bookmark();
    return !bookmark.empty() &&
           std::find(m_selectedRows.begin(), m_selectedRows.end(), bookmark) != m_selectedRows.end();
}

// ---- the scroll bar ---------------------------------------------------------------------------

void TDBGrid::VerticalAction(int action) {
    TDataSet* dataSet = DataSet();
    if (!m_link->Active() || !dataSet) return;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            MoveRows(-m_link->ActiveRecord() - 1, false);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            MoveRows(m_link->RecordCount() - m_link->ActiveRecord(), false);
            break;
        case QAbstractSlider::SliderPageStepSub:
            MoveRows(-m_visibleRows, false);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            MoveRows(m_visibleRows, false);
            break;
        case QAbstractSlider::SliderToMinimum:
            ClearSelection();
            dataSet->First();
            break;
        case QAbstractSlider::SliderToMaximum:
            ClearSelection();
            dataSet->Last();
            break;
        default:
            break;
    }
}

void TDBGrid::ThumbDropped() {
    TDataSet* dataSet = DataSet();
    if (!m_link->Active() || !dataSet) return;
    const int position = verticalScrollBar()->sliderPosition();
    ClearSelection();
    if (!dataSet->IsSequenced()) {
        if (position <= 0) {
            dataSet->First();
        } else if (position >= 4) {
            dataSet->Last();
        }
        return;
    }
    const int count = dataSet->RecordCount();
    if (position <= 1) {
        dataSet->First();
    } else if (position >= count) {
        dataSet->Last();
    } else {
        dataSet->SetSequenceNo(position);
    }
}
