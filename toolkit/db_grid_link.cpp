// What the grid does with the data link's news: the dataset opened or closed, moved, changed a row
// or its layout, or asks the grid to put a field under the user's hand.
#include <algorithm>

#include "toolkit/db_grid_private.h"
#include "toolkit/fields.h"

void TDBGrid::LinkActive(bool active) {
    if (m_destroying) return;
    if (!active) {
        HideEditor();
        m_selectedRows.clear();
        if (m_columns.m_state == TDBGridColumnsState::csDefault) m_columns.m_items.clear();
    } else {
        BuildDefaultColumns();
    }
    m_col = std::clamp(m_col, 0, std::max(0, LastColumn()));
    UpdateLayout();
    if (active && Has(TDBGridOption::dgAlwaysShowEditor)) ShowEditor();
}

void TDBGrid::DataChanged() {
    if (m_destroying) return;
    // Another row, or the same one read again: the editor shows what the field now holds.
    m_editChanged = false;
    if (m_editorMode) LoadEditorText();
    UpdateScrollBar();
    UpdateEditorGeometry();
    viewport()->update();
}

void TDBGrid::EditingChanged() {
    if (m_destroying) return;
    viewport()->update();
}

void TDBGrid::RecordChanged(TField* field) {
    if (m_destroying) return;
    if (!m_writingField && m_editorMode && (field == nullptr || field == SelectedField())) {
        if (FieldEditText() != m_editor->text()) LoadEditorText();
    }
    viewport()->update();
}

void TDBGrid::UpdateData() {
    if (m_writingField || m_destroying) return;
    WriteEditorText();
}

void TDBGrid::LayoutChanged() {
    if (m_destroying) return;
    BuildDefaultColumns();
    ColumnsChanged();
}

void TDBGrid::FocusField(TField** field) {
    if (!field || !*field) return;
    for (int c = 0; c < m_columns.Count(); ++c) {
        if (m_columns[c].Field() == *field) {
            SetSelectedIndex(c);
            setFocus(Qt::OtherFocusReason);
            *field = nullptr;
            return;
        }
    }
}
