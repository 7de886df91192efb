// The draw map: its bits read through the analyses' draw reader (one block pass), the view's
// painting of the rows in view only, and the window around them.
#include "app/draw_map.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "analysis/draw_datasets.h"
#include "analysis/draw_reader.h"
#include "app/history_dialog.h"
#include "toolkit/dialogs.h"
#include "toolkit/russian_text.h"
#include "toolkit/windows.h"

namespace {

// Packs the rows the reader hands over into the map's bits.
class BitSink : public DrawAccumulator {
public:
    BitSink(const Game& game, std::size_t stride, std::vector<std::uint8_t>& bits)
        : m_game(game), m_stride(stride), m_bits(bits) {}

    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        const auto width = static_cast<std::size_t>(m_game.fieldsPerDraw);
        for (std::size_t row = 0; row < records.size(); ++row) {
            const std::size_t at = m_bits.size();
            m_bits.resize(at + m_stride, 0);
            for (std::size_t k = 0; k < width; ++k) {
                const std::uint8_t number = cells[row * width + k];
                if (number >= 1) m_bits[at + (number - 1u) / 8] |= static_cast<std::uint8_t>(1u << ((number - 1u) % 8));
            }
        }
    }
    AnalysisResult result() const override { return {}; }

private:
    const Game& m_game;
    std::size_t m_stride;
    std::vector<std::uint8_t>& m_bits;
};

const QColor kBackground(0xFF, 0xFF, 0xFF);
const QColor kHeader(0xC0, 0xC0, 0xC0);
const QColor kMark(0x00, 0x00, 0x80);
const QColor kHighlight(0xFF, 0xF0, 0xA0);
const QColor kHighlightMark(0xC0, 0x00, 0x00);
const QColor kGapLine(0xC0, 0x80, 0x00);

}  // namespace

// ---- the map ---------------------------------------------------------------------------------------

DrawMap::DrawMap(const Game& game) : m_game(game), m_stride(static_cast<std::size_t>((game.numbers + 7) / 8)) {}

void DrawMap::Load(TDataSet& dataset) {
    // The old map goes first, so that two never live at once.
    m_draws = 0;
    std::vector<std::uint8_t>().swap(m_bits);
    std::vector<std::uint8_t> bits;
    // Room for every draw at once: a vector left to grow would, for a moment, hold twice the map.
    bits.reserve(static_cast<std::size_t>(std::max(0, dataset.RecordCount())) * m_stride);
    BitSink sink(m_game, m_stride, bits);
    DrawAccumulator* sinks[] = {&sink};
    const int draws = ReadDraws(dataset, m_game, HistoryWindow{}, sinks);
    bits.shrink_to_fit();
    m_bits = std::move(bits);
    m_draws = draws;
}

std::vector<int> DrawMap::NumbersOf(int draw) const {
    std::vector<int> numbers;
    for (int number = 1; number <= m_game.numbers; ++number)
        if (Hit(draw, number)) numbers.push_back(number);
    return numbers;
}

DrawMap::Gaps DrawMap::GapsOf(int number) const {
    Gaps gaps;
    int last = -1;
    long long between = 0;
    for (int draw = 0; draw < m_draws; ++draw) {
        if (!Hit(draw, number)) continue;
        const int gap = draw - last - 1;
        gaps.longest = std::max(gaps.longest, gap);
        if (last >= 0) between += gap;
        last = draw;
        ++gaps.hits;
    }
    gaps.current = m_draws - last - 1;
    gaps.longest = std::max(gaps.longest, gaps.current);
    if (gaps.hits >= 2) gaps.average = static_cast<double>(between) / (gaps.hits - 1);
    return gaps;
}

// ---- the view --------------------------------------------------------------------------------------

TDrawMapView::TDrawMapView(const DrawMap& map, QWidget* parent) : QAbstractScrollArea(parent), m_map(map) {
    setObjectName("DrawMapView");
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
    setMinimumSize(HeaderWidth() + map.GameShown().numbers * kCellWidth + 24, 12 * kRowHeight);
}

int TDrawMapView::HeaderWidth() const { return fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 6; }

int TDrawMapView::RowsInView() const {
    return std::max(0, (viewport()->height() - 2 * kLabelRows * kRowHeight) / kRowHeight);
}

int TDrawMapView::DrawAtRow(int row) const {
    const int draw = m_map.Draws() - 1 - verticalScrollBar()->value() - row;
    return draw >= 0 ? draw : -1;
}

void TDrawMapView::UpdateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, m_map.Draws() - RowsInView()));
    bar->setPageStep(std::max(1, RowsInView()));
}

void TDrawMapView::MapChanged() {
    UpdateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void TDrawMapView::SetHighlighted(const QSet<int>& numbers) {
    m_highlighted = numbers;
    viewport()->update();
}

std::vector<int> TDrawMapView::TotalsInView() const {
    std::vector<int> totals(static_cast<std::size_t>(m_map.GameShown().numbers), 0);
    for (int row = 0; row < RowsInView(); ++row) {
        const int draw = DrawAtRow(row);
        if (draw < 0) break;
        for (int number = 1; number <= m_map.GameShown().numbers; ++number)
            totals[static_cast<std::size_t>(number - 1)] += m_map.Hit(draw, number) ? 1 : 0;
    }
    return totals;
}

std::optional<int> TDrawMapView::NumberAt(const QPoint& point) const {
    const int x = point.x() - HeaderWidth();
    if (x < 0) return std::nullopt;
    const int number = 1 + x / kCellWidth;
    if (number > m_map.GameShown().numbers) return std::nullopt;
    return number;
}

void TDrawMapView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void TDrawMapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (const std::optional<int> number = NumberAt(event->position().toPoint())) emit NumberClicked(*number);
}

void TDrawMapView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
        case Qt::Key_Home:
            bar->setValue(bar->minimum());
            break;
        case Qt::Key_End:
            bar->setValue(bar->maximum());
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TDrawMapView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int numbers = m_map.GameShown().numbers;
    const int header = HeaderWidth();
    const int rows = RowsInView();
    const int mapTop = RowTop(0);
    const int mapBottom = RowTop(rows);
    const int labelsHeight = kLabelRows * kRowHeight;
    painter.fillRect(viewport()->rect(), kBackground);
    for (int number = 1; number <= numbers; ++number) {
        if (!m_highlighted.contains(number)) continue;
        painter.fillRect(header + (number - 1) * kCellWidth, mapTop, kCellWidth, mapBottom - mapTop, kHighlight);
    }
    // The numbers above, the draws' ordinals at the left, the totals below.
    QFont small = font();
    small.setPixelSize(9);
    painter.setFont(small);
    painter.fillRect(0, 0, viewport()->width(), labelsHeight, kHeader);
    painter.fillRect(0, mapBottom, viewport()->width(), labelsHeight, kHeader);
    painter.fillRect(0, 0, header, mapBottom, kHeader);
    painter.setPen(Qt::black);
    const std::vector<int> totals = TotalsInView();
    for (int number = 1; number <= numbers; ++number) {
        const int lower = (number % 2 == 0) ? kRowHeight : 0;
        const QRect label(header + (number - 2) * kCellWidth + kCellWidth / 2, lower, 2 * kCellWidth, kRowHeight);
        painter.drawText(label, Qt::AlignCenter, QString::number(number));
        painter.drawText(label.translated(0, mapBottom), Qt::AlignCenter,
                         QString::number(totals[static_cast<std::size_t>(number - 1)]));
    }
    painter.drawText(QRect(2, mapBottom, header - 4, labelsHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("Итого"));
    for (int row = 0; row < rows; ++row) {
        const int draw = DrawAtRow(row);
        if (draw < 0) break;
        const int y = RowTop(row);
        painter.setPen(Qt::black);
        painter.drawText(QRect(2, y, header - 4, kRowHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(draw + 1));
        for (int number = 1; number <= numbers; ++number) {
            const int x = header + (number - 1) * kCellWidth;
            const bool highlighted = m_highlighted.contains(number);
            if (m_map.Hit(draw, number)) {
                painter.fillRect(x + 2, y + 2, kCellWidth - 4, kRowHeight - 4, highlighted ? kHighlightMark : kMark);
            } else if (highlighted) {
                // The gap between two hits of a highlighted number: a line down its column.
                painter.fillRect(x + kCellWidth / 2, y, 1, kRowHeight, kGapLine);
            }
        }
    }
}

// ---- the window ------------------------------------------------------------------------------------

TDrawMapWindow::TDrawMapWindow(const Game& game, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_dataSet(MakeDrawDataSet(game)),
      m_map(game),
      m_view(new TDrawMapView(m_map, this)),
      m_numbers(new QLineEdit(this)),
      m_summary(new QLabel(this)),
      m_gaps(new QLabel(this)),
      m_picksButton(new QPushButton(QString::fromUtf8("Номера анализа"), this)) {
    setObjectName(QString("DrawMap") + game.cliName);
    setWindowTitle(QString::fromUtf8("Карта тиражей: ") + QString::fromUtf8(game.menu.menuCaption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/data_window.xpm")));
    m_numbers->setObjectName("HighlightBox");
    m_numbers->setPlaceholderText(QString::fromUtf8("номера через пробел"));
    auto* latest = new QPushButton(QString::fromUtf8("Последний тираж"), this);
    latest->setObjectName("LatestDraw");
    connect(m_numbers, &QLineEdit::returnPressed, this, &TDrawMapWindow::HighlightTyped);
    connect(latest, &QPushButton::clicked, this, &TDrawMapWindow::HighlightLatestDraw);
    m_picksButton->setObjectName("MethodPicks");
    m_picksButton->setEnabled(false);
    m_picksButton->setToolTip(QString::fromUtf8("Номера с наибольшими значениями последнего анализа этой игры"));
    connect(m_picksButton, &QPushButton::clicked, this, &TDrawMapWindow::HighlightMethodPicks);
    connect(m_view, &TDrawMapView::NumberClicked, this, &TDrawMapWindow::ShowGaps);

    auto addKey = [this](const char* name, const QKeySequence& key, auto handler) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
    };
    addKey("Reload", QKeySequence(Qt::Key_F5), [this] { RunGuarded([this] { Reload(); }); });
    addKey("HighlightLatest", QKeySequence(Qt::CTRL | Qt::Key_L), [this] { HighlightLatestDraw(); });
    addKey("HighlightPicks", QKeySequence(Qt::CTRL | Qt::Key_P), [this] { HighlightMethodPicks(); });
    addKey("Close", QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });

    auto* tools = new QHBoxLayout;
    tools->addWidget(new QLabel(QString::fromUtf8("Выделить:"), this));
    tools->addWidget(m_numbers, 1);
    tools->addWidget(latest);
    tools->addWidget(m_picksButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_gaps);
    resize(m_view->minimumWidth() + 24, 640);
}

TDrawMapWindow::~TDrawMapWindow() = default;

void TDrawMapWindow::Reload() {
    m_map.Load(*m_dataSet);
    m_view->MapChanged();
    m_summary->setText(SummaryText());
}

QString TDrawMapWindow::SummaryText() const {
    QString text = QString::fromUtf8("В таблице ") +
                   QString::fromStdString(russian::counted(m_map.Draws(), russian::kDraws)) +
                   QString::fromUtf8("; последний — вверху. Щёлкните по столбцу номера — ниже появятся его пропуски.");
    if (m_historyLast > 0)
        text += QString::fromUtf8(" Анализы учитывают только ") + HistoryInWords(m_historyLast) + '.';
    return text;
}

void TDrawMapWindow::SetHistoryWindow(int last) {
    m_historyLast = last;
    m_summary->setText(SummaryText());
}

void TDrawMapWindow::ShowAndRaise() {
    Reload();
    BringWindowBack(*this);
}

void TDrawMapWindow::HighlightTyped() {
    QSet<int> numbers;
    const QStringList words = m_numbers->text().split(QRegularExpression("[\\s,;]+"), Qt::SkipEmptyParts);
    for (const QString& word : words) {
        bool ok = false;
        const int number = word.toInt(&ok);
        if (!ok || !m_map.GameShown().isNumber(number)) {
            ShowMessage("«" + word.toStdString() + "» — не номер этой игры: введите номера от 1 до " +
                        std::to_string(m_map.GameShown().numbers) + " через пробел.");
            return;
        }
        numbers.insert(number);
    }
    m_view->SetHighlighted(numbers);
}

void TDrawMapWindow::HighlightLatestDraw() {
    if (m_map.Draws() > 0) HighlightNumbers(m_map.NumbersOf(m_map.Draws() - 1));
}

void TDrawMapWindow::SetMethodPicks(const std::vector<int>& picks) {
    m_picks = picks;
    m_picksButton->setEnabled(!m_picks.empty());
}

void TDrawMapWindow::HighlightMethodPicks() {
    if (!m_picks.empty()) HighlightNumbers(m_picks);
}

void TDrawMapWindow::HighlightNumbers(const std::vector<int>& numbers) {
    QStringList words;
    for (const int number : numbers) words << QString::number(number);
    m_numbers->setText(words.join(' '));
    HighlightTyped();
}

void TDrawMapWindow::ShowGaps(int number) {
    const DrawMap::Gaps gaps = m_map.GapsOf(number);
    QString text = QString::fromUtf8("Номер %1: выпал %2; текущий пропуск — %3, самый долгий — %4")
                       .arg(number)
                       .arg(QString::fromStdString(russian::counted(gaps.hits, {"раз", "раза", "раз"})))
                       .arg(QString::fromStdString(russian::counted(gaps.current, russian::kDraws)))
                       .arg(QString::fromStdString(russian::counted(gaps.longest, russian::kDraws)));
    text += gaps.average
                ? QString::fromUtf8(", средний — ") + QString::fromStdString(russian::decimal(*gaps.average, 1)) +
                      QString::fromUtf8("\u00a0тиража")
                : QString::fromUtf8(", среднего нет (меньше двух выпадений)");
    m_gaps->setText(text + '.');
}
