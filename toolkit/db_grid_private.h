// What the grid's source files share and its users need not see: the system colours it draws
// with, the text conversions between the field's ANSI bytes and Qt, and the grid's data link.
#pragma once

#include <QColor>
#include <QKeyEvent>
#include <QString>

#include <algorithm>
#include <string>

#include "platform/ansi_text.h"
#include "toolkit/db_grid.h"

namespace db_grid_detail {

// The classic system colours the grid draws with, as 0x00BBGGRR.
inline constexpr TColor kWindow = 0xFFFFFF;
inline constexpr TColor kBtnFace = 0xC0C0C0;
inline constexpr TColor kBtnShadow = 0x808080;
inline constexpr TColor kBtnHighlight = 0xFFFFFF;
inline constexpr TColor kHighlight = 0x800000;
inline constexpr TColor kHighlightText = 0xFFFFFF;
// Lines between data cells; those of the title row and the indicator column are black.
inline constexpr TColor kDataLine = 0xC0C0C0;
inline constexpr TColor kFixedLine = 0x000000;

inline QColor qcolor(TColor color) { return QColor::fromRgb(ToRgb(color)); }

inline QString fromAnsi(const std::string& text) { return QString::fromStdString(platform::ansiToUtf8(text)); }

inline std::string toAnsi(const QString& text) { return platform::utf8ToAnsi(text.toStdString()); }

inline bool isPrintable(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = event.text();
    if (text.isEmpty()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

// Makes one of the link's rows the dataset's active one while the grid reads it.
class ActiveRow {
public:
    ActiveRow(TDataLink& link, int row) : m_link(link), m_saved(link.ActiveRecord()) { m_link.SetActiveRecord(row); }
    ~ActiveRow() { m_link.SetActiveRecord(m_saved); }
    ActiveRow(const ActiveRow&) = delete;
    ActiveRow& operator=(const ActiveRow&) = delete;

private:
    TDataLink& m_link;
    int m_saved;
};

}  // namespace db_grid_detail

// The grid's link to its data source: every piece of news goes to the grid.
class TDBGrid::GridDataLink : public TDataLink {
public:
    explicit GridDataLink(TDBGrid& grid) : m_grid(grid) {}

protected:
    void ActiveChanged() override { m_grid.LinkActive(Active()); }
    void DataSetChanged() override { m_grid.DataChanged(); }
    void DataSetScrolled(int) override { m_grid.DataChanged(); }
    void EditingChanged() override { m_grid.EditingChanged(); }
    void RecordChanged(TField* field) override { m_grid.RecordChanged(field); }
    void UpdateData() override { m_grid.UpdateData(); }
    void LayoutChanged() override { m_grid.LayoutChanged(); }
    void FocusControl(TField** field) override { m_grid.FocusField(field); }

private:
    TDBGrid& m_grid;
};
