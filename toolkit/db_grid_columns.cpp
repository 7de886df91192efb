// The grid's columns and their titles: which field each shows, at what width, in which font and
// alignment, and the default set made for every visible field while the caller has added none.
#include <algorithm>

#include "platform/ansi_text.h"
#include "toolkit/db_grid_private.h"
#include "toolkit/dataset.h"
#include "toolkit/fields.h"

std::string TColumnTitle::Caption() const {
    if (m_caption) return *m_caption;
    if (const TField* field = m_column.Field()) return platform::ansiToUtf8(field->DisplayName());
    return platform::ansiToUtf8(m_column.FieldName());
}

void TColumnTitle::SetCaption(const std::string& caption) {
    m_caption = caption;
    m_column.Changed();
}

const TFont& TColumnTitle::Font() const { return m_font ? *m_font : m_column.Grid().TitleFont(); }

void TColumnTitle::SetFont(const TFont& font) {
    m_font = font;
    m_column.Changed();
}

void TColumnTitle::SetAlignment(TAlignment alignment) {
    m_alignment = alignment;
    m_column.Changed();
}

void TColumn::SetFieldName(const std::string& name) {
    m_fieldName = name;
    Changed();
}

TField* TColumn::Field() const {
    TDataSet* dataSet = m_grid.DataSet();
    if (!dataSet || !dataSet->Active() || m_fieldName.empty()) return nullptr;
    return dataSet->FindField(m_fieldName);
}

int TColumn::Width() const {
    if (m_width > 0) return m_width;
    const QFontMetrics cell(ToQFont(Font()));
    const TField* field = Field();
    int width = field ? field->DisplayWidth() * cell.horizontalAdvance(QLatin1Char('0')) + 4 : 64;
    const QFontMetrics title(ToQFont(m_title.Font()));
    width = std::max(width, title.horizontalAdvance(QString::fromStdString(m_title.Caption())) + 4);
    return width;
}

void TColumn::SetWidth(int width) {
    m_width = std::max(width, 1);
    Changed();
}

const TFont& TColumn::Font() const { return m_font ? *m_font : m_grid.Font(); }

void TColumn::SetFont(const TFont& font) {
    m_font = font;
    Changed();
}

TAlignment TColumn::Alignment() const {
    if (m_alignment) return *m_alignment;
    const TField* field = Field();
    return field ? field->Alignment() : TAlignment::taLeftJustify;
}

void TColumn::SetAlignment(TAlignment alignment) {
    m_alignment = alignment;
    Changed();
}

int TColumn::Index() const {
    const auto& items = m_grid.m_columns.m_items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].get() == this) return static_cast<int>(i);
    }
    return -1;
}

void TColumn::Changed() { m_grid.ColumnsChanged(); }

TColumn& TDBGridColumns::Add() {
    if (m_state == TDBGridColumnsState::csDefault) {
        m_items.clear();
        m_state = TDBGridColumnsState::csCustomized;
    }
    m_items.push_back(std::unique_ptr<TColumn>(new TColumn(m_grid)));
    TColumn& column = *m_items.back();
    m_grid.ColumnsChanged();
    return column;
}

TColumn& TDBGridColumns::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throw EDatabaseError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return *m_items[static_cast<std::size_t>(index)];
}

void TDBGridColumns::Clear() {
    m_items.clear();
    m_state = TDBGridColumnsState::csDefault;
    m_grid.ColumnsChanged();
}

void TDBGridColumns::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
    auto moved = std::move(m_items[static_cast<std::size_t>(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(moved));
    // The selection stays on the column it was on.
    int& selected = m_grid.m_col;
    if (selected == from) {
        selected = to;
    } else if (from < selected && selected <= to) {
        --selected;
    } else if (to <= selected && selected < from) {
        ++selected;
    }
    m_grid.ColumnsChanged();
}

void TDBGrid::BuildDefaultColumns() {
    if (m_columns.m_state != TDBGridColumnsState::csDefault) return;
    m_columns.m_items.clear();
    TDataSet* dataSet = DataSet();
    if (!dataSet || !dataSet->Active()) return;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField& field = dataSet->Fields(i);
        if (!field.Visible()) continue;
        m_columns.m_items.push_back(std::unique_ptr<TColumn>(new TColumn(*this)));
        m_columns.m_items.back()->m_fieldName = field.FieldName();
    }
}

void TDBGrid::ColumnsChanged() {
    if (m_destroying) return;
    if (m_columns.Count() == 0 && m_columns.m_state == TDBGridColumnsState::csDefault) BuildDefaultColumns();
    m_col = std::clamp(m_col, 0, std::max(0, LastColumn()));
    if (m_columns.Count() == 0) HideEditor();
    UpdateLayout();
    if (m_editorMode) LoadEditorText();
}
