// The tickets window: the tickets table in the grid, the check on a picture beneath it.
#include "app/tickets_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>

#include "app/draw_feed.h"
#include "toolkit/database_error.h"
#include "toolkit/dialogs.h"
#include "toolkit/russian_text.h"
#include "toolkit/windows.h"

namespace {

constexpr int kNavigatorHeight = 25;
constexpr int kGridHeight = 150;
constexpr int kNumberWidth = 40;
constexpr int kNameWidth = 140;
constexpr int kPictureWidth = 640;

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// The navigator's hints, in its buttons' order, said of tickets.
const std::vector<std::string> kTicketHints = {
    "Первый билет",   "Предыдущий билет", "Следующий билет", "Последний билет", "Новый билет", "Копировать билет",
    "Изменить билет", "Удалить билет",    "Сохранить билет", "Отменить правку", "Найти билет", "Перечитать таблицу",
};

}  // namespace

TTicketsWindow::TTicketsWindow(const Game& game, TXbaseDataSet& draws, const HistoryWindow& history, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_game(game),
      m_draws(draws),
      m_history(history),
      m_dataSet(std::make_unique<TXbaseDataSet>()),
      m_dataSource(std::make_unique<TDataSource>()) {
    setObjectName(QString("Tickets_") + game.cliName);
    setWindowTitle(Text(std::string("Мои билеты: ") + game.menu.menuCaption));
    const std::string table = TicketTableFileName(game);
    if (!TicketTableExists(table)) CreateTicketTable(game, table);

    SetDrawTableProperties(*m_dataSet, "TicketsDataSet", table);
    m_dataSet->SetAutoCalcFields(false);
    // The numbers a ticket leaves over are blank on disk and empty in the grid, never 0.
    m_dataSet->SetBlankNumbersNull(true);
    m_dataSet->BeforePost = [this](TDataSet& dataset) { CheckTypedTicket(dataset); };
    // Asked here in the window's words, for the grid's Ctrl+Delete and the bar's button alike.
    m_dataSet->BeforeDelete = [](TDataSet&) {
        if (!ConfirmMessage("Удалить билет?")) throw EAbort();
    };
    m_dataSource->SetName("TicketsSource");
    m_dataSource->SetDataSet(m_dataSet.get());

    const int most = TicketSizeOf(game).most;
    const int width = std::max(kPictureWidth + 20, 40 + kNameWidth + most * (kNumberWidth + 1));
    m_navigator = new TXbaseNavigator(this);
    m_navigator->setObjectName("TicketsNavigator");
    using B = TXbaseNavigateBtn;
    m_navigator->SetVisibleButtons(
        TXbaseButtonSet{B::nbTop, B::nbPrev, B::nbNext, B::nbBttm, B::nbInsert, B::nbDelete, B::nbEdit, B::nbPost});
    m_navigator->SetShowHint(true);
    m_navigator->SetHints(kTicketHints);
    m_navigator->SetConfirmDelete(false);
    m_navigator->SetTabStop(false);
    m_navigator->SetBounds(0, 0, 8 * 25, kNavigatorHeight);
    m_navigator->SetDataSource(m_dataSource.get());

    m_grid = new TDBGrid(this);
    m_grid->setObjectName("TicketsGrid");
    m_grid->setGeometry(0, kNavigatorHeight - 1, width, kGridHeight);
    m_grid->SetOptions(TDBGridOptions{TDBGridOption::dgEditing, TDBGridOption::dgTitles, TDBGridOption::dgIndicator,
                                      TDBGridOption::dgColLines, TDBGridOption::dgRowLines, TDBGridOption::dgTabs,
                                      TDBGridOption::dgCancelOnExit});
    TColumn& name = m_grid->Columns().Add();
    name.SetFieldName("NAME");
    name.SetWidth(kNameWidth);
    name.Title().SetCaption("Название");
    for (int i = 0; i < most; ++i) {
        TColumn& column = m_grid->Columns().Add();
        const std::string field = kTicketFieldPrefix + std::to_string(i + 1);
        column.SetFieldName(field);
        column.SetWidth(kNumberWidth);
        column.Title().SetCaption(std::to_string(i + 1));
    }
    m_grid->SetDataSource(m_dataSource.get());

    const int buttonTop = kNavigatorHeight + kGridHeight + 4;
    m_checkButton = new QPushButton(Text("Проверить билеты"), this);
    m_checkButton->setObjectName("TicketsCheck");
    m_checkButton->setGeometry(4, buttonTop, 160, 24);
    connect(m_checkButton, &QPushButton::clicked, this, [this] { RunGuarded([this] { CheckTickets(); }); });

    auto* scroll = new QScrollArea(this);
    scroll->setGeometry(0, buttonTop + 28, width, 300);
    m_pictureLabel = new QLabel;
    m_pictureLabel->setObjectName("TicketsPicture");
    scroll->setWidget(m_pictureLabel);
    setFixedSize(width, buttonTop + 28 + 300);

    m_dataSet->Open();
    qApp->installEventFilter(this);
}

bool TTicketsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !m_grid) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != m_grid && !m_grid->isAncestorOf(widget)) || !isVisible()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    bool used = false;
    bool failed = true;
    RunGuarded([&] {
        used = GridKey(key->key(), key->modifiers());
        failed = false;
    });
    // A failure (a typed value the field refuses) ends the key here.
    return used || failed;
}

bool TTicketsWindow::GridKey(int key, Qt::KeyboardModifiers modifiers) {
    const int column = m_grid->SelectedIndex();
    const int last = m_grid->FieldCount() - 1;
    const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier));
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // As in the draw windows: the next cell of the same ticket, after the last the name;
            // the grid then opens its editor there.
            if (plain) m_grid->SetSelectedIndex(column < last ? column + 1 : 0);
            return false;
        case Qt::Key_Insert:
            // A new ticket is typed from its name on.
            if (plain && !(modifiers & Qt::ShiftModifier)) m_grid->SetSelectedIndex(0);
            return false;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            if (!plain) return false;
            // Tab and Shift+Tab stay within the ticket: past its last number the grid would save
            // it and start another, a ticket made by accident.
            const bool forward = key == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier);
            if (forward && column == last) {
                m_grid->SetSelectedIndex(0);
                return true;
            }
            if (!forward && column == 0) {
                m_grid->SetSelectedIndex(last);
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

TTicketsWindow::~TTicketsWindow() {
    qApp->removeEventFilter(this);
    delete m_grid;
    m_grid = nullptr;
    delete m_navigator;
    m_navigator = nullptr;
    m_dataSource->SetDataSet(nullptr);
}

void TTicketsWindow::CheckTypedTicket(TDataSet& dataset) {
    std::vector<std::string> words;
    for (int i = 0; i < TicketSizeOf(m_game).most; ++i) {
        // A blank field reads as empty; a 0 that another program wrote is no number of any
        // game either, so it is taken as a field left blank too.
        std::string text = dataset.FieldByName(kTicketFieldPrefix + std::to_string(i + 1)).AsString();
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        if (!text.empty() && text != "0") words.push_back(text);
    }
    Ticket ticket;
    const std::string name = TicketNameFromField(dataset.FieldByName("NAME").AsString());
    if (CheckTicket(m_game, words, name, ticket)) {
        const TicketSize size = TicketSizeOf(m_game);
        const std::string numbers =
            size.fewest == size.most ? russian::counted(size.most, {"разный номер", "разных номера", "разных номеров"})
                                     : "от " + russian::wholeNumber(size.fewest) + " до " +
                                           russian::wholeNumber(size.most) + " разных номеров";
        throw EDatabaseError("Билет не сохранён: в билете должно быть " + numbers + " от 1 до " +
                             std::to_string(m_game.numbers) + ".");
    }
    // The row being edited may keep its own numbers; any other kept ticket may not have them.
    ticket.record = dataset.State() == TDataSetState::dsEdit ? static_cast<std::uint32_t>(dataset.RecNo()) : 0;
    if (const auto twin = KeptTwinOf(m_game, TicketTableFileName(m_game), ticket)) {
        // Named as the check's picture names it: by its name, or by its record.
        const std::string named = twin->name.empty() ? russian::wholeNumber(twin->record) : TicketTitle(*twin);
        throw EDatabaseError("Билет не сохранён: те же номера уже есть в билете " + named +
                             ".\nИзмените номера или нажмите Esc, чтобы отменить правку.");
    }
    // Kept in ascending order, as the check lists them, so the grid shows the ticket as kept.
    for (int i = 0; i < TicketSizeOf(m_game).most; ++i) {
        TField& field = dataset.FieldByName(kTicketFieldPrefix + std::to_string(i + 1));
        if (static_cast<std::size_t>(i) < ticket.numbers.size()) {
            field.SetAsInteger(ticket.numbers[static_cast<std::size_t>(i)]);
        } else if (!field.IsNull()) {
            field.Clear();
        }
    }
    MarkKept(dataset, ticket);
}

// A new ticket, or a ticket given other numbers, is chosen now: it is judged only on the draws
// that come after those the draw table holds. A table of older form has no such mark.
void TTicketsWindow::MarkKept(TDataSet& dataset, const Ticket& typed) {
    TField* kept = dataset.FindField(kTicketKeptField);
    if (!kept) return;
    if (typed.record != 0) {
        for (const Ticket& before : ReadTickets(m_game, TicketTableFileName(m_game)))
            if (before.record == typed.record && before.numbers == typed.numbers) return;
    }
    // Read afresh: another program may have appended draws since the window opened the table.
    const auto* draws = m_draws.Engine();
    kept->SetAsString(std::to_string(draws ? DrawRecordsNow(draws->path()) : 0));
}

bool TTicketsWindow::CheckTickets() {
    if (m_dataSet->State() != TDataSetState::dsBrowse) m_dataSet->Post();
    TicketChecker checker(m_game, ReadTickets(m_game, TicketTableFileName(m_game)));
    const bool done = FeedDrawsWithProgress(m_game, m_draws, m_history, checker, [](int draws) {
        return "Проверка билетов: " + russian::counted(draws, russian::kDraws) + "…";
    });
    if (!done) return false;
    Paint(checker.checks());
    return true;
}

void TTicketsWindow::Paint(const std::vector<TicketCheck>& checks) {
    m_checked = checks;
    m_picture = PaintTicketChecks(checks);
    m_pictureLabel->setPixmap(QPixmap::fromImage(m_picture));
    m_pictureLabel->resize(m_picture.size());
}
