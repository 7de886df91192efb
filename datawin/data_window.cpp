// The draw data windows' common part: dataset, data source, navigator and grid laid out from
// the window's layout data, and the Enter-key rule.
#include "datawin/data_window.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>

#include <string>
#include <vector>

#include "toolkit/database_error.h"
#include "toolkit/dialogs.h"
#include "toolkit/fields.h"
#include "toolkit/russian_text.h"
#include "toolkit/windows.h"

namespace {

constexpr char kEnter = 13;
// The navigator bar across the top, the grid below it.
constexpr int kNavigatorHeight = 25;
constexpr int kGridTop = 24;
// The button face of the original platform's classic scheme.
const QColor kButtonFace(0xC0, 0xC0, 0xC0);

TFont FontOf(const FontSpec& spec) {
    if (!spec.name) return TFont{};
    return TFont{spec.name, spec.height, spec.bold, spec.italic, spec.charset};
}

}  // namespace

TDataWindow::TDataWindow(const Game& game, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_game(game),
      m_dataSet(std::make_unique<TXbaseDataSet>()),
      m_dataSource(std::make_unique<TDataSource>()) {
    const DrawWindowSpec& layout = game.window;
    setObjectName(layout.objectName);
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

    SetDrawTableProperties(*m_dataSet, "XbaseDataSet1", game.tableFileName);
    m_dataSet->SetAutoCalcFields(false);
    m_dataSource->SetName("DataSource1");
    m_dataSource->SetDataSet(m_dataSet.get());

    m_navigator = new TXbaseNavigator(this);
    m_navigator->setObjectName("XbaseNavigator1");
    using B = TXbaseNavigateBtn;
    TXbaseButtonSet buttons{B::nbTop, B::nbPrev, B::nbNext, B::nbBttm, B::nbInsert, B::nbDelete, B::nbPost};
    if (layout.editButton) buttons.Include(B::nbEdit);
    m_navigator->SetVisibleButtons(buttons);
    m_navigator->SetShowHint(true);
    m_navigator->SetTabStop(false);
    m_navigator->SetBounds(layout.navigatorLeft, 0, layout.navigatorWidth, kNavigatorHeight);
    m_navigator->SetDataSource(m_dataSource.get());

    BuildGrid();
    m_grid->setFocusPolicy(Qt::StrongFocus);
    if (layout.navigatorFirstInTabOrder) {
        QWidget::setTabOrder(m_navigator, m_grid);
    } else {
        QWidget::setTabOrder(m_grid, m_navigator);
    }

    m_dataSet->BeforePost = [this](TDataSet&) { CheckTypedDraw(); };
    m_dataSet->Open();
    qApp->installEventFilter(this);
}

// The grid with a column for each number of a draw, titled with its field name.
void TDataWindow::BuildGrid() {
    const DrawWindowSpec& layout = m_game.window;
    m_grid = new TDBGrid(this);
    m_grid->setObjectName("DBGrid1");
    m_grid->setGeometry(0, kGridTop, layout.gridWidth, layout.gridHeight);
    m_grid->SetFont(FontOf(layout.gridFont));
    m_grid->SetTitleFont(FontOf(layout.gridTitleFont));
    TDBGridOptions options{TDBGridOption::dgEditing,       TDBGridOption::dgTitles,      TDBGridOption::dgIndicator,
                           TDBGridOption::dgColLines,      TDBGridOption::dgRowLines,    TDBGridOption::dgTabs,
                           TDBGridOption::dgConfirmDelete, TDBGridOption::dgCancelOnExit};
    if (layout.columnResize) options = options + TDBGridOption::dgColumnResize;
    m_grid->SetOptions(options);
    for (int i = 0; i < m_game.fieldsPerDraw; ++i) {
        const std::string name = m_game.fieldName(i);
        TColumn& column = m_grid->Columns().Add();
        column.SetFieldName(name);
        column.SetWidth(layout.columnWidth);
        column.SetFont(FontOf(layout.columnFont));
        column.Title().SetCaption(name);
        column.Title().SetFont(FontOf(layout.columnTitleFont));
    }
    m_grid->SetDataSource(m_dataSource.get());
}

void TDataWindow::CheckTypedDraw() {
    std::vector<long long> values;
    for (int i = 0; i < m_game.fieldsPerDraw; ++i) {
        const TField& field = m_dataSet->Fields(i);
        values.push_back(field.IsNull() ? 0 : field.AsInteger());  // an empty field reads as 0
    }
    const DrawFault fault = m_game.checkDraw(values);
    if (!fault) return;
    const std::string field = m_game.fieldName(static_cast<int>(fault.index));
    std::string why;
    switch (fault.kind) {
        case DrawFault::Kind::kOutside:
            why = fault.value == 0
                      ? "Поле " + field + " пусто: нужен номер от 1 до " + std::to_string(m_game.numbers) + "."
                      : "Поле " + field + ": номера " + std::to_string(fault.value) + " в игре нет, номера — от 1 до " +
                            std::to_string(m_game.numbers) + ".";
            break;
        case DrawFault::Kind::kRepeated:
            why = "Поле " + field + ": номер " + std::to_string(fault.value) + " уже есть в поле " +
                  m_game.fieldName(static_cast<int>(fault.earlier)) + ", в тираже номера не повторяются.";
            break;
        default:
            why = "В тираже должно быть " + russian::counted(m_game.fieldsPerDraw, russian::kNumbers) + ".";
            break;
    }
    if (m_grid && static_cast<int>(fault.index) < m_grid->FieldCount())
        m_grid->SetSelectedIndex(static_cast<int>(fault.index));
    throw EDatabaseError(why + "\nИсправьте номер или нажмите Esc, чтобы отменить правку.");
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
