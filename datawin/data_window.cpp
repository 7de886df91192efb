// The draw data windows' common part: dataset, data source, navigator and grid laid out from
// the window's layout data, and the Enter-key rule.
#include "datawin/data_window.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>

#include "toolkit/dialogs.h"
#include "toolkit/windows.h"

namespace {

constexpr char kEnter = 13;
// The button face of the original platform's classic scheme.
const QColor kButtonFace(0xC0, 0xC0, 0xC0);

TFont FontOf(const FontSpec& spec) {
    if (!spec.name) return TFont{};
    return TFont{spec.name, spec.height, spec.bold, spec.italic, spec.charset};
}

}  // namespace

DataWindowLayout LayoutOf(const Game& game) {
    using B = TXbaseNavigateBtn;
    const DrawWindowSpec& spec = game.window;
    DataWindowLayout layout;
    layout.tableName = game.tableFileName;
    layout.caption = spec.caption;
    layout.left = spec.left;
    layout.top = spec.top;
    layout.clientWidth = spec.clientWidth;
    layout.clientHeight = spec.clientHeight;
    layout.navigatorLeft = spec.navigatorLeft;
    layout.navigatorTop = 0;
    layout.navigatorWidth = spec.navigatorWidth;
    layout.navigatorHeight = 25;
    layout.visibleButtons = {B::nbTop, B::nbPrev, B::nbNext, B::nbBttm, B::nbInsert, B::nbDelete, B::nbPost};
    if (spec.editButton) layout.visibleButtons.Include(B::nbEdit);
    layout.gridLeft = 0;
    layout.gridTop = 24;
    layout.gridWidth = spec.gridWidth;
    layout.gridHeight = spec.gridHeight;
    layout.gridFont = FontOf(spec.gridFont);
    layout.gridTitleFont = FontOf(spec.gridTitleFont);
    layout.columnResize = spec.columnResize;
    for (int i = 0; i < game.fieldsPerDraw; ++i) layout.columns.push_back(game.fieldName(i));
    layout.columnWidth = spec.columnWidth;
    layout.columnFont = FontOf(spec.columnFont);
    layout.columnTitleFont = FontOf(spec.columnTitleFont);
    layout.navigatorFirstInTabOrder = spec.navigatorFirstInTabOrder;
    return layout;
}

TDataWindow::TDataWindow(const Game& game, QWidget* parent) : TDataWindow(LayoutOf(game), parent) {
    setObjectName(game.window.objectName);
}

TDataWindow::TDataWindow(const DataWindowLayout& layout, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_dataSet(std::make_unique<TXbaseDataSet>()),
      m_dataSource(std::make_unique<TDataSource>()) {
    setWindowTitle(QString::fromUtf8(layout.caption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/data_window.xpm")));
    setFont(ToQFont(TFont{}));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kButtonFace);
    palette.setColor(QPalette::Button, kButtonFace);
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(layout.clientWidth, layout.clientHeight);
    move(layout.left, layout.top);

    SetDrawTableProperties(*m_dataSet, "XbaseDataSet1", layout.tableName);
    m_dataSet->SetAutoCalcFields(false);
    m_dataSource->SetName("DataSource1");
    m_dataSource->SetDataSet(m_dataSet.get());

    m_navigator = new TXbaseNavigator(this);
    m_navigator->setObjectName("XbaseNavigator1");
    m_navigator->SetVisibleButtons(layout.visibleButtons);
    m_navigator->SetShowHint(true);
    m_navigator->SetTabStop(false);
    m_navigator->SetBounds(layout.navigatorLeft, layout.navigatorTop, layout.navigatorWidth, layout.navigatorHeight);
    m_navigator->SetDataSource(m_dataSource.get());

    BuildGrid(layout);
    m_grid->setFocusPolicy(Qt::StrongFocus);
    if (layout.navigatorFirstInTabOrder) {
        QWidget::setTabOrder(m_navigator, m_grid);
    } else {
        QWidget::setTabOrder(m_grid, m_navigator);
    }

    m_dataSet->Open();
    qApp->installEventFilter(this);
}

// The grid with the window's columns, each titled with its field name.
void TDataWindow::BuildGrid(const DataWindowLayout& layout) {
    m_grid = new TDBGrid(this);
    m_grid->setObjectName("DBGrid1");
    m_grid->setGeometry(layout.gridLeft, layout.gridTop, layout.gridWidth, layout.gridHeight);
    m_grid->SetFont(layout.gridFont);
    m_grid->SetTitleFont(layout.gridTitleFont);
    TDBGridOptions options{TDBGridOption::dgEditing,       TDBGridOption::dgTitles,      TDBGridOption::dgIndicator,
                           TDBGridOption::dgColLines,      TDBGridOption::dgRowLines,    TDBGridOption::dgTabs,
                           TDBGridOption::dgConfirmDelete, TDBGridOption::dgCancelOnExit};
    if (layout.columnResize) options = options + TDBGridOption::dgColumnResize;
    m_grid->SetOptions(options);
    for (const std::string& name : layout.columns) {
        TColumn& column = m_grid->Columns().Add();
        column.SetFieldName(name);
        column.SetWidth(layout.columnWidth);
        column.SetFont(layout.columnFont);
        column.Title().SetCaption(name);
        column.Title().SetFont(layout.columnTitleFont);
    }
    m_grid->SetDataSource(m_dataSource.get());
}

TDataWindow::~TDataWindow() {
    qApp->removeEventFilter(this);
    // The controls let go of the data source before the dataset closes.
    delete m_grid;
    m_grid = nullptr;
    delete m_navigator;
    m_navigator = nullptr;
    m_dataSource->SetDataSet(nullptr);
}

void TDataWindow::ShowAndRaise() { BringWindowBack(*this); }

void TDataWindow::FormKeyPress(char& key) {
    if (key != kEnter) return;
    if (m_grid->HasFocusWithin()) {
        // The next number of the same draw; after the last, the first. The key goes on to the
        // grid, which opens the editor on the new cell.
        const int k = m_grid->SelectedIndex();
        const int m = m_grid->FieldCount();
        m_grid->SetSelectedIndex(k < m - 1 ? k + 1 : 0);
        return;
    }
    key = 0;
    focusNextChild();
}

bool TDataWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != this && !isAncestorOf(widget)) || !isVisible()) return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (keyEvent->key() != Qt::Key_Return && keyEvent->key() != Qt::Key_Enter) return false;
    char key = kEnter;
    bool failed = true;
    RunGuarded([&] {
        FormKeyPress(key);
        failed = false;
    });
    // A failure (a typed value the field refuses) ends the key here, as it ends the handler.
    return failed || key == 0;
}
