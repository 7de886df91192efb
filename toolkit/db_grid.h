// The data grid: a widget that shows a dataset's buffered rows through a data source, one row per
// record, with a title row, a state indicator and an in-place cell editor, and that moves through,
// edits, inserts and deletes records from the keyboard and the mouse.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QLineEdit>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/data_source.h"
#include "toolkit/db_types.h"

class TDBGrid;
class TColumn;
class TField;

enum class TDBGridOption : unsigned {
    dgEditing,
    dgAlwaysShowEditor,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgConfirmDelete,
    dgCancelOnExit,
    dgMultiSelect,
};

// A set of grid options.
class TDBGridOptions {
public:
    constexpr TDBGridOptions() = default;
    TDBGridOptions(std::initializer_list<TDBGridOption> options);
    bool Contains(TDBGridOption option) const { return (m_bits & Bit(option)) != 0; }
    TDBGridOptions operator+(TDBGridOption option) const;
    TDBGridOptions operator-(TDBGridOption option) const;
    bool operator==(const TDBGridOptions&) const = default;

private:
    static constexpr std::uint32_t Bit(TDBGridOption option) { return 1u << static_cast<unsigned>(option); }
    std::uint32_t m_bits = 0;
};

inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int RUSSIAN_CHARSET = 204;

// A font as the windows describe one. A negative height is the characters' pixel height, a
// positive one the whole character cell. The character set is kept for the record: the text the
// grid draws is Unicode whatever it says.
struct TFont {
    std::string Name = "MS Sans Serif";
    int Height = -11;
    bool Bold = false;
    bool Italic = false;
    int Charset = DEFAULT_CHARSET;
    TColor Color = clBlack;
    bool operator==(const TFont&) const = default;
};

// The Qt font for a TFont, the original faces replaced by their metric stand-ins, drawn without
// antialiasing as the original platform drew its bitmap faces.
QFont ToQFont(const TFont& font);

class TColumnTitle {
public:
    // The caption (UTF-8); unless one was set, the field's display name, or the field name.
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // The grid's title font unless the column has its own.
    const TFont& Font() const;
    void SetFont(const TFont& font);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);

private:
    friend class TColumn;
    explicit TColumnTitle(TColumn& column) : m_column(column) {}

    TColumn& m_column;
    std::optional<std::string> m_caption;
    std::optional<TFont> m_font;
    TAlignment m_alignment = TAlignment::taLeftJustify;
};

class TColumn {
public:
    TColumn(const TColumn&) = delete;
    TColumn& operator=(const TColumn&) = delete;

    const std::string& FieldName() const { return m_fieldName; }
    void SetFieldName(const std::string& name);
    // The dataset's field of that name while the grid's dataset is open, else nullptr.
    TField* Field() const;
    // Pixels, grid lines excluded; unless set, wide enough for the field's display width.
    int Width() const;
    void SetWidth(int width);
    // The grid's font unless the column has its own.
    const TFont& Font() const;
    void SetFont(const TFont& font);
    // The field's alignment unless the column has its own.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    TColumnTitle& Title() { return m_title; }
    const TColumnTitle& Title() const { return m_title; }
    TDBGrid& Grid() const { return m_grid; }
    // The column's place among the grid's columns, left to right.
    int Index() const;

private:
    friend class TDBGrid;
    friend class TDBGridColumns;
    friend class TColumnTitle;
    explicit TColumn(TDBGrid& grid) : m_grid(grid), m_title(*this) {}
    void Changed();

    TDBGrid& m_grid;
    std::string m_fieldName;
    int m_width = 0;
    std::optional<TFont> m_font;
    std::optional<TAlignment> m_alignment;
    bool m_readOnly = false;
    TColumnTitle m_title;
};

// Default columns are made for every visible field while no column was added; adding one makes
// the set the caller's own.
enum class TDBGridColumnsState { csDefault, csCustomized };

class TDBGridColumns {
public:
    TDBGridColumns(const TDBGridColumns&) = delete;
    TDBGridColumns& operator=(const TDBGridColumns&) = delete;

    TColumn& Add();
    int Count() const { return static_cast<int>(m_items.size()); }
    TColumn& Items(int index) const;
    TColumn& operator[](int index) const { return Items(index); }
    void Clear();
    // Moves a column to another place, as dragging its title does.
    void Move(int from, int to);
    TDBGridColumnsState State() const { return m_state; }

private:
    friend class TDBGrid;
    friend class TColumn;
    explicit TDBGridColumns(TDBGrid& grid) : m_grid(grid) {}

    TDBGrid& m_grid;
    std::vector<std::unique_ptr<TColumn>> m_items;
    TDBGridColumnsState m_state = TDBGridColumnsState::csDefault;
};

// The cell editor laid over the selected cell. It passes the row keys to the grid and checks
// every character against the field before the field's text changes.
class TInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TInplaceEdit(TDBGrid& grid);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TDBGrid;
    void BaseKeyPress(QKeyEvent* event) { QLineEdit::keyPressEvent(event); }

    TDBGrid& m_grid;
};

class TDBGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int IndicatorWidth = 11;

    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDBGridOptions Options() const { return m_options; }
    void SetOptions(TDBGridOptions options);
    const TFont& Font() const { return m_font; }
    void SetFont(const TFont& font);
    const TFont& TitleFont() const { return m_titleFont; }
    void SetTitleFont(const TFont& font);
    TDBGridColumns& Columns() { return m_columns; }
    const TDBGridColumns& Columns() const { return m_columns; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);

    // The selected column, 0-based among the columns as they stand on the screen. Setting it
    // first takes any text typed in the open cell editor into the field and closes the editor
    // (and raises what the field raises, the column staying as it was).
    int SelectedIndex() const { return m_col; }
    void SetSelectedIndex(int index);
    TField* SelectedField() const;
    // The number of fields the columns show, and the field of column `index`.
    int FieldCount() const;
    TField* Fields(int index) const;
    // Whether the cell editor is open. Closing it this way drops nothing: a changed text is
    // written into the field first.
    bool EditorMode() const { return m_editorMode; }
    void SetEditorMode(bool open);
    TInplaceEdit* InplaceEditor() const { return m_editor; }
    // Rows that fit the grid whole: the rows the dataset buffers for it.
    int VisibleRowCount() const { return m_visibleRows; }
    // The first column shown after the indicator, when the columns do not all fit.
    int LeftCol() const { return m_leftCol; }
    // Multi-selection: the picked rows, by bookmark.
    const std::vector<TBookmarkStr>& SelectedRows() const { return m_selectedRows; }
    // A cell's rectangle in the viewport: column -1 is the indicator and row -1 the title row.
    // Empty for a cell that is not shown.
    QRect CellRect(int column, int row) const;
    // The grid or its cell editor has the focus; a window counts either as the grid.
    bool HasFocusWithin() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    class GridDataLink;
    friend class GridDataLink;
    friend class TInplaceEdit;
    friend class TColumn;
    friend class TColumnTitle;
    friend class TDBGridColumns;

    enum class Drag { None, Sizing, MovePending, Moving };

    TDataSet* DataSet() const;
    bool Has(TDBGridOption option) const { return m_options.Contains(option); }
    int LineWidth() const { return Has(TDBGridOption::dgColLines) ? 1 : 0; }
    int LineHeight() const { return Has(TDBGridOption::dgRowLines) ? 1 : 0; }
    int FixedWidth() const;
    int TitleTotal() const;
    int RowTop(int row) const;
    int ColumnLeft(int column) const;
    int LastColumn() const { return m_columns.Count() - 1; }
    // Rows that hold a cell: the buffered records, or one empty row.
    int DrawnRowCount() const;
    // The cell at a viewport point: column -1 indicator, -2 none; row -1 title, -2 none.
    void CellAt(const QPoint& point, int& column, int& row) const;
    int TitleEdgeAt(int x) const;
    int MaxLeftCol() const;
    int AvailableWidth() const;

    // Notifications of the data link.
    void LinkActive(bool active);
    void DataChanged();
    void EditingChanged();
    void RecordChanged(TField* field);
    void UpdateData();
    void LayoutChanged();
    void FocusField(TField** field);

    void ColumnsChanged();
    void BuildDefaultColumns();
    void UpdateLayout();
    void UpdateScrollBar();
    void UpdateEditorGeometry();
    void ScrollToColumn(int column);
    void SetLeftCol(int column);

    // The user's actions.
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool CtrlKeyDown(int key);
    bool PlainKeyDown(int key, bool shift);
    void EditorKey(QKeyEvent& event);
    void TypeOnClosedCell(QKeyEvent& event);
    void NextRow(bool select);
    void PriorRow(bool select);
    void MoveRows(int distance, bool select);
    void Tab(bool forward);
    void SelectColumn(int column);
    void EnterKey();
    void EscapeKey();
    void DeleteRecord();
    void InsertRecord();
    void VerticalAction(int action);
    void ThumbDropped();
    void FocusLeft(QWidget* newFocus);
    void PressCell(QMouseEvent& event);
    void ToggleRowSelection();
    void ClearSelection();

    bool CanEditShow() const;
    bool CanModifyData() const;
    bool CanEditModify();
    bool AcceptsChar(QChar c) const;
    void ShowEditor();
    void HideEditor();
    void LoadEditorText();
    QString FieldEditText() const;
    void WriteEditorText();

    void PaintTitleRow(QPainter& painter) const;
    void PaintRow(QPainter& painter, int row) const;
    void PaintFocusRect(QPainter& painter, const QRect& cell) const;
    void PaintFixedCell(QPainter& painter, const QRect& rect) const;
    void PaintText(QPainter& painter, const QRect& rect, const QString& text, const TFont& font, TColor color,
                   TAlignment alignment) const;
    QString CellText(int column, int row) const;
    const char* const* IndicatorGlyph(int row) const;
    bool RowSelected(int row) const;

    std::unique_ptr<GridDataLink> m_link;
    TDBGridOptions m_options;
    TFont m_font;
    TFont m_titleFont;
    TDBGridColumns m_columns;
    TInplaceEdit* m_editor = nullptr;
    bool m_readOnly = false;
    int m_col = 0;
    int m_leftCol = 0;
    int m_visibleRows = 1;
    int m_rowHeight = 17;
    int m_titleHeight = 17;
    bool m_editorMode = false;
    // The editor's text was changed since it showed the field's value.
    bool m_editChanged = false;
    bool m_writingField = false;
    bool m_layingOut = false;
    bool m_destroying = false;
    std::vector<TBookmarkStr> m_selectedRows;
    Drag m_drag = Drag::None;
    int m_dragColumn = -1;
    int m_dragStartX = 0;
    int m_dragStartWidth = 0;
};
