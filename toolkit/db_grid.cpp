// The data grid. The dataset buffers as many rows as the grid shows; the data link tells the grid
// of every change, and the grid draws each buffered row by making it the active one for a moment.
// Every key, click and scroll-bar command runs through the program's guard, so a refused edit or
// post ends in the error box with the row and the typed text kept.
//
// The grid is cut like Qt's view classes: db_grid_columns (the columns, the model side),
// db_grid_link (the data link's news), db_grid_layout (geometry), db_grid_editor (the cell
// editor, the delegate), db_grid_input (keys, mouse, focus), db_grid_actions (what they do to the
// dataset) and db_grid_paint. This file holds the options, the fonts, construction and the
// grid's properties.
#include "toolkit/db_grid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScrollBar>

#include <cstdlib>
#include <map>

#include "toolkit/db_grid_private.h"
#include "toolkit/dialogs.h"
#include "toolkit/fields.h"

namespace {

// The grid's vertical bar, which a refused move can stop from repeating its arrow.
class GridScrollBar : public QScrollBar {
public:
    GridScrollBar() : QScrollBar(Qt::Vertical) {}
    void StopRepeating() { setRepeatAction(SliderNoAction); }
};

QString standInFace(const std::string& name) {
    static const std::map<std::string, QString> faces = {
        {"MS Sans Serif", "Liberation Sans"}, {"Microsoft Sans Serif", "Liberation Sans"},
        {"Arial", "Liberation Sans"},         {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    const auto found = faces.find(name);
    return found != faces.end() ? found->second : QString::fromStdString(name);
}

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
    auto* bar = new GridScrollBar;
    setVerticalScrollBar(bar);
    // The thumb is acted on where it is dropped.
    bar->setTracking(false);
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
        RunGuarded([&] {
            try {
                VerticalAction(action);
            } catch (...) {
                // The refusal's box takes the mouse's release: an arrow still repeating behind it
                // would bring the refusal up again and again, box upon box.
                bar->StopRepeating();
                throw;
            }
        });
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

bool TDBGrid::HasFocusWithin() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}
