// The tickets window: the tickets table in the grid, the check on a picture beneath it.
#include "app/tickets_window.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>

#include "platform/ansi_text.h"
#include "toolkit/database_error.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
#include "toolkit/russian_text.h"
#include "toolkit/windows.h"

namespace {

constexpr int kNavigatorHeight = 25;
constexpr int kGridHeight = 150;
constexpr int kNumberWidth = 40;
constexpr int kNameWidth = 140;
constexpr int kPictureWidth = 640;
constexpr int kHeadingHeight = 24;
constexpr int kTicketHeight = 64;
constexpr int kBoxWidth = 22;
constexpr int kBoxHeight = 16;
// Where the numbers and the bars start, right of the ticket's name and its lines of text.
constexpr int kColumn = 200;
// A check's draws are handed to the worker in runs of this many, so that its progress moves.
constexpr std::size_t kDrawsPerStep = 1 << 16;

const QColor kMatched(0xC0, 0x00, 0x00);
const QColor kObserved(0x00, 0x40, 0xA0);
const QColor kExpected(0xB0, 0xB0, 0xB0);

// The draws and their records, as the worker needs them.
class DrawRows final : public DrawAccumulator {
public:
    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        m_cells.insert(m_cells.end(), cells.begin(), cells.end());
        m_records.insert(m_records.end(), records.begin(), records.end());
    }
    AnalysisResult result() const override { return {}; }
    std::vector<std::uint8_t> m_cells;
    std::vector<std::uint32_t> m_records;
};

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

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
    m_dataSet->BeforePost = [this](TDataSet& dataset) { CheckTypedTicket(dataset); };
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
    m_navigator->SetTabStop(false);
    m_navigator->SetBounds(0, 0, 8 * 25, kNavigatorHeight);
    m_navigator->SetDataSource(m_dataSource.get());

    m_grid = new TDBGrid(this);
    m_grid->setObjectName("TicketsGrid");
    m_grid->setGeometry(0, kNavigatorHeight - 1, width, kGridHeight);
    m_grid->SetOptions(TDBGridOptions{TDBGridOption::dgEditing, TDBGridOption::dgTitles, TDBGridOption::dgIndicator,
                                      TDBGridOption::dgColLines, TDBGridOption::dgRowLines, TDBGridOption::dgTabs,
                                      TDBGridOption::dgConfirmDelete, TDBGridOption::dgCancelOnExit});
    TColumn& name = m_grid->Columns().Add();
    name.SetFieldName("NAME");
    name.SetWidth(kNameWidth);
    name.Title().SetCaption("NAME");
    for (int i = 0; i < most; ++i) {
        TColumn& column = m_grid->Columns().Add();
        const std::string field = kTicketFieldPrefix + std::to_string(i + 1);
        column.SetFieldName(field);
        column.SetWidth(kNumberWidth);
        column.Title().SetCaption(field);
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
}

TTicketsWindow::~TTicketsWindow() {
    delete m_grid;
    m_grid = nullptr;
    delete m_navigator;
    m_navigator = nullptr;
    m_dataSource->SetDataSet(nullptr);
}

void TTicketsWindow::CheckTypedTicket(TDataSet& dataset) {
    std::vector<std::string> words;
    for (int i = 0; i < TicketSizeOf(m_game).most; ++i) {
        // A blank field reads as 0 through the dataset; 0 is no number of any game, so it is
        // taken as a field left blank.
        std::string text = dataset.FieldByName(kTicketFieldPrefix + std::to_string(i + 1)).AsString();
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        if (!text.empty() && text != "0") words.push_back(text);
    }
    Ticket ticket;
    std::string name = dataset.FieldByName("NAME").AsString();
    name = platform::ansiToUtf8(name.substr(0, name.find_last_not_of(' ') + 1));
    if (CheckTicket(m_game, words, name, ticket)) {
        const TicketSize size = TicketSizeOf(m_game);
        throw EDatabaseError("Билет не сохранён: в нём должно быть от " + russian::wholeNumber(size.fewest) + " до " +
                             russian::counted(size.most, russian::kNumbers) + " из " +
                             russian::range(1, m_game.numbers) + ", без повторов.");
    }
}

bool TTicketsWindow::CheckTickets() {
    if (m_dataSet->State() != TDataSetState::dsBrowse) m_dataSet->Post();
    std::vector<Ticket> tickets = ReadTickets(m_game, TicketTableFileName(m_game));
    auto rows = std::make_shared<DrawRows>();
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        DrawAccumulator* sinks[] = {rows.get()};
        ReadDraws(m_draws, m_game, m_history, sinks);
    }
    const std::size_t width = static_cast<std::size_t>(m_game.fieldsPerDraw);
    const std::size_t draws = rows->m_records.size();
    std::vector<TicketCheck> checks;
    const bool done =
        RunLongWork("Проверка билетов: " + russian::counted(static_cast<long long>(draws), russian::kDraws) + "…",
                    [&](LongWorkProgress& progress) {
                        TicketChecker checker(m_game, tickets);
                        for (std::size_t first = 0; first < draws && !progress.cancelled(); first += kDrawsPerStep) {
                            const std::size_t count = std::min(kDrawsPerStep, draws - first);
                            checker.addRows(std::span(rows->m_cells).subspan(first * width, count * width),
                                            std::span(rows->m_records).subspan(first, count));
                            progress.report(static_cast<std::int64_t>(first + count), static_cast<std::int64_t>(draws));
                        }
                        checks = checker.checks();
                    });
    if (!done) return false;
    Paint(checks);
    return true;
}

void TTicketsWindow::Paint(const std::vector<TicketCheck>& checks) {
    m_picture = PaintTicketChecks(checks);
    m_pictureLabel->setPixmap(QPixmap::fromImage(m_picture));
    m_pictureLabel->resize(m_picture.size());
}

QImage PaintTicketChecks(const std::vector<TicketCheck>& checks) {
    const int height = kHeadingHeight + std::max<int>(1, static_cast<int>(checks.size())) * kTicketHeight;
    QImage picture(kPictureWidth, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::black);
    if (checks.empty()) {
        painter.drawText(4, 16, Text("Билетов нет: добавьте их в таблицу выше."));
        return picture;
    }
    const TicketCheck& first = checks.front();
    painter.drawText(
        4, 16,
        Text("Проверено: " + russian::counted(first.draws, russian::kDraws) + "; последний тираж — запись " +
             russian::wholeNumber(first.latestRecord) + ". Синие — ваши тиражи, серые — ожидание случая."));
    int top = kHeadingHeight;
    for (const TicketCheck& check : checks) {
        const std::string name =
            check.ticket.name.empty() ? "Билет " + russian::wholeNumber(check.ticket.record) : check.ticket.name;
        painter.setPen(Qt::black);
        painter.drawText(4, top + 14, Text(name));
        // The numbers, those of the latest draw on red.
        int x = kColumn;
        for (const int number : check.ticket.numbers) {
            const bool matched =
                std::find(check.latestMatches.begin(), check.latestMatches.end(), number) != check.latestMatches.end();
            const QRect box(x, top + 2, kBoxWidth, kBoxHeight);
            painter.fillRect(box, matched ? kMatched : QColor(Qt::white));
            painter.setPen(matched ? Qt::white : Qt::black);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.drawText(box, Qt::AlignCenter, QString::number(number));
            x += kBoxWidth + 2;
        }
        painter.setPen(Qt::black);
        painter.drawText(4, top + 32,
                         Text("в последнем: " +
                              russian::counted(static_cast<long long>(check.latestMatches.size()), russian::kHits)));
        painter.drawText(4, top + 46, Text("лучший: " + russian::counted(check.bestHits, russian::kHits)));
        // The draws by matches: observed against expected, scaled to the larger of the two.
        double most = 1;
        for (std::size_t h = 0; h < check.observed.size(); ++h)
            most = std::max({most, static_cast<double>(check.observed[h]), check.expected[h]});
        constexpr int kBarsLeft = kColumn, kBarsBottom = 50, kBarsHeight = 24, kPair = 14;
        for (std::size_t h = 0; h < check.observed.size(); ++h) {
            const int left = kBarsLeft + static_cast<int>(h) * (2 * kPair + 4);
            const int observed = static_cast<int>(kBarsHeight * static_cast<double>(check.observed[h]) / most + 0.5);
            const int expected = static_cast<int>(kBarsHeight * check.expected[h] / most + 0.5);
            painter.fillRect(left, top + kBarsBottom - observed, kPair - 2, observed, kObserved);
            painter.fillRect(left + kPair, top + kBarsBottom - expected, kPair - 2, expected, kExpected);
            painter.setPen(Qt::black);
            painter.drawText(left + kPair - 4, top + kBarsBottom + 12, QString::number(h));
        }
        painter.setPen(kExpected);
        painter.drawLine(0, top + kTicketHeight - 1, kPictureWidth, top + kTicketHeight - 1);
        top += kTicketHeight;
    }
    return picture;
}
