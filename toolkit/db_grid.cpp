// The data grid. The dataset buffers as many rows as the grid shows; the data link tells the grid
// of every change, and the grid draws each buffered row by making it the active one for a moment.
// Every key, click and scroll-bar command runs through the program's guard, so a refused edit or
// post ends in the error box with the row and the typed text kept.
#include "toolkit/db_grid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/ansi_text.h"
#include "toolkit/dataset.h"
#include "toolkit/dialogs.h"
#include "toolkit/fields.h"

namespace {

#include "resources/grid/dbedit.xpm"
#include "resources/grid/dbgarrow.xpm"
#include "resources/grid/dbinsert.xpm"
#include "resources/grid/dbmultiarrow.xpm"
#include "resources/grid/dbmultidot.xpm"

// The classic system colours the grid draws with, as 0x00BBGGRR.
constexpr TColor kWindow = 0xFFFFFF;
constexpr TColor kBtnFace = 0xC0C0C0;
constexpr TColor kBtnShadow = 0x808080;
constexpr TColor kBtnHighlight = 0xFFFFFF;
constexpr TColor kHighlight = 0x800000;
constexpr TColor kHighlightText = 0xFFFFFF;
// Lines between data cells; those of the title row and the indicator column are black.
constexpr TColor kDataLine = 0xC0C0C0;
constexpr TColor kFixedLine = 0x000000;

constexpr const char* kDeleteQuestion = "Delete record?";

QColor qcolor(TColor color) { return QColor::fromRgb(ToRgb(color)); }

QString fromAnsi(const std::string& text) { return QString::fromStdString(platform::ansiToUtf8(text)); }

std::string toAnsi(const QString& text) { return platform::utf8ToAnsi(text.toStdString()); }

QString standInFace(const std::string& name) {
    static const std::map<std::string, QString> faces = {
        {"MS Sans Serif", "Liberation Sans"},   {"Microsoft Sans Serif", "Liberation Sans"},
        {"Arial", "Liberation Sans"},           {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    const auto found = faces.find(name);
    return found != faces.end() ? found->second : QString::fromStdString(name);
}

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

bool isPrintable(const QKeyEvent& event) {
    if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = event.text();
    if (text.isEmpty()) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

// Keys after which the editor's text may differ: they need the field's consent first.
bool modifiesText(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) return true;
    if (key == Qt::Key_Insert && (event.modifiers() & Qt::ShiftModifier)) return true;
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut) || event.matches(QKeySequence::Undo) ||
        event.matches(QKeySequence::Redo) || event.matches(QKeySequence::DeleteStartOfWord) ||
        event.matches(QKeySequence::DeleteEndOfWord) || event.matches(QKeySequence::DeleteEndOfLine) ||
        event.matches(QKeySequence::DeleteCompleteLine)) {
        return true;
    }
    return isPrintable(event);
}

bool editableType(const TField& field) {
    return field.DataType() != TFieldType::ftMemo && field.DataType() != TFieldType::ftBlob;
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

}  // namespace

// ---- options and fonts ------------------------------------------------------------------------

TDBGridOptions::TDBGridOptions(std::initializer_list<TDBGridOption> options) {
    for (TDBGridOption option : options) m_bits |= Bit(option);
}

TDBGridOptions TDBGridOptions::operator+(TDBGridOption option) const {
    TDBGridOptions result = *this;
    result.m_bits |= Bit(option);
    return result;
}

TDBGridOptions TDBGridOptions::operator-(TDBGridOption option) const {
    TDBGridOptions result = *this;
    result.m_bits &= ~Bit(option);
    return result;
}

QFont ToQFont(const TFont& font) {
    QFont result(standInFace(font.Name));
    result.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    result.setHintingPreference(QFont::PreferFullHinting);
    result.setKerning(false);
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    const int height = font.Height == 0 ? -11 : font.Height;
    if (height < 0) {
        result.setPixelSize(-height);
    } else {
        // A cell height: the pixel size whose line height comes nearest to it.
        int best = 1;
        int bestDistance = height + 1;
        for (int size = 1; size <= height; ++size) {
            result.setPixelSize(size);
            const int distance = std::abs(QFontMetrics(result).height() - height);
            if (distance < bestDistance) {
                best = size;
                bestDistance = distance;
            }
        }
        result.setPixelSize(best);
    }
    return result;
}

// ---- columns ----------------------------------------------------------------------------------

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

// ---- the data link ----------------------------------------------------------------------------

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

// ---- the cell editor --------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TDBGrid& grid) : QLineEdit(grid.viewport()), m_grid(grid) {
    setFrame(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, qcolor(kWindow));
    colours.setColor(QPalette::Text, qcolor(clBlack));
    colours.setColor(QPalette::Highlight, qcolor(kHighlight));
    colours.setColor(QPalette::HighlightedText, qcolor(kHighlightText));
    setPalette(colours);
    hide();
}

bool TInplaceEdit::event(QEvent* event) {
    // Tab moves between the cells, not to the next control.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            m_grid.Has(TDBGridOption::dgTabs) && !(key->modifiers() & Qt::AltModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    event->accept();
    RunGuarded([&] { m_grid.EditorKey(*event); });
}

void TInplaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!m_grid.m_destroying) m_grid.FocusLeft(QApplication::focusWidget());
}

// ---- the grid ---------------------------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent)
    : QAbstractScrollArea(parent),
      m_link(std::make_unique<GridDataLink>(*this)),
      m_options({TDBGridOption::dgEditing, TDBGridOption::dgTitles, TDBGridOption::dgIndicator,
                 TDBGridOption::dgColumnResize, TDBGridOption::dgColLines, TDBGridOption::dgRowLines,
                 TDBGridOption::dgTabs, TDBGridOption::dgConfirmDelete, TDBGridOption::dgCancelOnExit}),
      m_columns(*this) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    m_editor = new TInplaceEdit(*this);
    connect(m_editor, &QLineEdit::textEdited, this, [this] { m_editChanged = true; });
    QScrollBar* bar = verticalScrollBar();
    // The thumb is acted on where it is dropped.
    bar->setTracking(false);
    connect(bar, &QAbstractSlider::actionTriggered, this, [this](int action) {
        RunGuarded([&] { VerticalAction(action); });
        UpdateScrollBar();
    });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this] {
        RunGuarded([&] { ThumbDropped(); });
        UpdateScrollBar();
    });
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int value) { SetLeftCol(value); });
    UpdateLayout();
}

TDBGrid::~TDBGrid() {
    m_destroying = true;
    m_link->SetDataSource(nullptr);
    delete m_editor;
    m_editor = nullptr;
}

TDataSource* TDBGrid::DataSource() const { return m_link->DataSource(); }

void TDBGrid::SetDataSource(TDataSource* source) {
    m_link->SetDataSource(source);
    LinkActive(m_link->Active());
}

TDataSet* TDBGrid::DataSet() const { return m_link->DataSet(); }

void TDBGrid::SetOptions(TDBGridOptions options) {
    m_options = options;
    if (!Has(TDBGridOption::dgMultiSelect)) m_selectedRows.clear();
    if (!CanEditShow()) HideEditor();
    UpdateLayout();
    if (Has(TDBGridOption::dgAlwaysShowEditor)) ShowEditor();
}

void TDBGrid::SetFont(const TFont& font) {
    m_font = font;
    UpdateLayout();
}

void TDBGrid::SetTitleFont(const TFont& font) {
    m_titleFont = font;
    UpdateLayout();
}

void TDBGrid::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    if (readOnly) HideEditor();
    viewport()->update();
}

TField* TDBGrid::SelectedField() const {
    if (m_col < 0 || m_col >= m_columns.Count()) return nullptr;
    return m_columns[m_col].Field();
}

int TDBGrid::FieldCount() const {
    int count = 0;
    for (const auto& column : m_columns.m_items) count += column->Field() ? 1 : 0;
    return count;
}

TField* TDBGrid::Fields(int index) const {
    for (const auto& column : m_columns.m_items) {
        if (TField* field = column->Field()) {
            if (index-- == 0) return field;
        }
    }
    return nullptr;
}

void TDBGrid::SetSelectedIndex(int index) {
    if (m_editorMode) {
        WriteEditorText();
        HideEditor();
    }
    SelectColumn(index);
    if (Has(TDBGridOption::dgAlwaysShowEditor)) ShowEditor();
}

void TDBGrid::SetEditorMode(bool open) {
    if (open) {
        ShowEditor();
    } else {
        WriteEditorText();
        HideEditor();
    }
}

bool TDBGrid::HasFocusWithin() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

// ---- geometry ---------------------------------------------------------------------------------

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
            bar->setValue(dataSet->RecNo());
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

// ---- the data link's news ---------------------------------------------------------------------

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

// ---- the cell editor's text -------------------------------------------------------------------

bool TDBGrid::CanEditShow() const {
    if (!m_link->Active() || !DataSet() || m_readOnly) return false;
    if (!Has(TDBGridOption::dgEditing) || Has(TDBGridOption::dgRowSelect)) return false;
    const TField* field = SelectedField();
    return field && editableType(*field);
}

bool TDBGrid::CanModifyData() const {
    TDataSet* dataSet = DataSet();
    return m_link->Active() && dataSet && !m_readOnly && !m_link->ReadOnly() && Has(TDBGridOption::dgEditing) &&
           dataSet->CanModify();
}

bool TDBGrid::CanEditModify() {
    if (!CanModifyData()) return false;
    const TField* field = SelectedField();
    if (!field || field->ReadOnly() || m_columns[m_col].ReadOnly() || !editableType(*field)) return false;
    // The first change starts the edit (an insert on an empty table); a refusal raises.
    m_link->Edit();
    return m_link->Editing();
}

bool TDBGrid::AcceptsChar(QChar c) const {
    const TField* field = SelectedField();
    if (!field) return false;
    char byte = 0;
    if (!platform::ansiByteOf(c.unicode(), byte)) return false;
    return field->IsValidChar(byte);
}

QString TDBGrid::FieldEditText() const {
    TField* field = SelectedField();
    if (!field) return QString();
    try {
        return fromAnsi(field->Text());
    } catch (const std::exception&) {
        return QString();
    }
}

void TDBGrid::LoadEditorText() {
    const TField* field = SelectedField();
    m_editor->setMaxLength(field && field->DataType() == TFieldType::ftString ? std::max(1, field->Size()) : 32767);
    m_editor->setText(FieldEditText());
    m_editor->selectAll();
    m_editChanged = false;
}

void TDBGrid::WriteEditorText() {
    if (!m_editChanged || !m_link->Active() || !DataSet()) return;
    TField* field = SelectedField();
    if (!field) {
        m_editChanged = false;
        return;
    }
    m_writingField = true;
    try {
        field->SetText(toAnsi(m_editor->text()));
    } catch (...) {
        // The text stays in the editor, still counted as changed, for the user to correct.
        m_writingField = false;
        throw;
    }
    m_writingField = false;
    m_editChanged = false;
    // The field may spell the value its own way ("+5" becomes "5").
    const QString stored = FieldEditText();
    if (stored != m_editor->text()) m_editor->setText(stored);
    viewport()->update();
}

void TDBGrid::ShowEditor() {
    if (m_editorMode || !CanEditShow()) return;
    m_editorMode = true;
    LoadEditorText();
    UpdateEditorGeometry();
    if (HasFocusWithin() && m_editor->isVisible()) m_editor->setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void TDBGrid::HideEditor() {
    if (!m_editorMode) return;
    m_editorMode = false;
    m_editChanged = false;
    if (m_editor->hasFocus()) setFocus(Qt::OtherFocusReason);
    m_editor->hide();
    viewport()->update();
}

// ---- keys -------------------------------------------------------------------------------------

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
    if (ctrl) {
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

void TDBGrid::TypeOnClosedCell(QKeyEvent& event) {
    if (!Has(TDBGridOption::dgEditing) || Has(TDBGridOption::dgRowSelect) || m_columns.Count() == 0) return;
    if (event.key() != Qt::Key_Backspace) {
        const QString text = event.text();
        if (!std::all_of(text.begin(), text.end(), [&](QChar c) { return AcceptsChar(c); })) {
            Beep();
            return;
        }
    }
    ShowEditor();
    if (m_editorMode) EditorKey(event);
}

void TDBGrid::EditorKey(QKeyEvent& event) {
    const int key = event.key();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    bool toGrid = false;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            toGrid = true;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            toGrid = !(modifiers & Qt::AltModifier);
            break;
        case Qt::Key_Insert:
            toGrid = !(modifiers & Qt::ShiftModifier);
            break;
        default:
            break;
    }
    if (toGrid) {
        KeyDown(key, modifiers);
        return;
    }
    if (key == Qt::Key_F2) {
        m_editor->setCursorPosition(static_cast<int>(m_editor->text().size()));
        return;
    }
    // With Ctrl as without: the start or the end of the text, as in any single-line edit box.
    if ((key == Qt::Key_Home || key == Qt::Key_End) && (modifiers & Qt::ControlModifier)) {
        const bool mark = modifiers & Qt::ShiftModifier;
        if (key == Qt::Key_Home) {
            m_editor->home(mark);
        } else {
            m_editor->end(mark);
        }
        return;
    }
    if (modifiesText(event)) {
        if (isPrintable(event)) {
            const QString text = event.text();
            if (!std::all_of(text.begin(), text.end(), [&](QChar c) { return AcceptsChar(c); })) {
                Beep();
                return;
            }
        }
        if (!CanEditModify()) return;
    }
    m_editor->BaseKeyPress(&event);
    event.accept();
}

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
    return !bookmark.empty() && std::find(m_selectedRows.begin(), m_selectedRows.end(), bookmark) != m_selectedRows.end();
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
        dataSet->SetRecNo(position);
    }
}

void TDBGrid::scrollContentsBy(int, int) { viewport()->update(); }

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

void TDBGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateLayout();
}

// ---- painting ---------------------------------------------------------------------------------

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
    const int viewWidth = viewport()->width();
    const int viewHeight = viewport()->height();
    painter.fillRect(QRect(0, 0, viewWidth, viewHeight), qcolor(kWindow));
    const int lineWidth = LineWidth();
    const int lineHeight = LineHeight();
    const bool active = m_link->Active() && DataSet();
    const int activeRow = active ? m_link->ActiveRecord() : -1;
    const bool focused = HasFocusWithin();
    auto line = [&](int x, int y, int width, int height, TColor color) {
        if (width > 0 && height > 0) painter.fillRect(QRect(x, y, width, height), qcolor(color));
    };

    // The title row: fixed cells with black lines.
    if (Has(TDBGridOption::dgTitles)) {
        if (Has(TDBGridOption::dgIndicator)) {
            const QRect cell = CellRect(-1, -1);
            PaintFixedCell(painter, cell);
            line(cell.x() + cell.width(), 0, lineWidth, cell.height() + lineHeight, kFixedLine);
            line(0, cell.height(), cell.width(), lineHeight, kFixedLine);
        }
        for (int c = m_leftCol; c <= LastColumn(); ++c) {
            const QRect cell = CellRect(c, -1);
            if (cell.isEmpty() || cell.x() >= viewWidth) break;
            PaintFixedCell(painter, cell);
            const TColumnTitle& title = m_columns[c].Title();
            PaintText(painter, cell, QString::fromStdString(title.Caption()), title.Font(), title.Font().Color,
                      title.Alignment());
            line(cell.x() + cell.width(), 0, lineWidth, cell.height() + lineHeight, kFixedLine);
            line(cell.x(), cell.height(), cell.width(), lineHeight, kFixedLine);
        }
    }

    const int rows = DrawnRowCount();
    for (int row = 0; row < rows; ++row) {
        const int top = RowTop(row);
        if (top >= viewHeight) break;
        if (Has(TDBGridOption::dgIndicator)) {
            const QRect cell = CellRect(-1, row);
            PaintFixedCell(painter, cell);
            if (const char* const* glyph = IndicatorGlyph(row)) {
                const QImage& image = glyphImage(glyph);
                painter.drawImage(cell.x() + cell.width() - image.width() - 1,
                                  cell.y() + (cell.height() - image.height()) / 2, image);
            }
            line(cell.x() + cell.width(), top, lineWidth, cell.height() + lineHeight, kFixedLine);
            line(0, top + cell.height(), cell.width(), lineHeight, kFixedLine);
        }
        const bool rowSelected = Has(TDBGridOption::dgMultiSelect) && active && RowSelected(row);
        for (int c = m_leftCol; c <= LastColumn(); ++c) {
            const QRect cell = CellRect(c, row);
            if (cell.isEmpty() || cell.x() >= viewWidth) break;
            const TColumn& column = m_columns[c];
            const bool current = active && row == activeRow && (c == m_col || Has(TDBGridOption::dgRowSelect));
            const bool highlighted = current || rowSelected;
            painter.fillRect(cell, qcolor(highlighted ? kHighlight : kWindow));
            PaintText(painter, cell, CellText(c, row), column.Font(), highlighted ? kHighlightText : column.Font().Color,
                      column.Alignment());
            if (current && c == m_col && focused && !m_editorMode) {
                // The dotted focus rectangle, every other pixel of the cell's edge in the inverse
                // of the highlight.
                const QColor dots = qcolor(~kHighlight & 0xFFFFFF);
                painter.setPen(dots);
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
            line(cell.x() + cell.width(), top, lineWidth, cell.height() + lineHeight, kDataLine);
            line(cell.x(), top + cell.height(), cell.width(), lineHeight, kDataLine);
        }
    }
}
