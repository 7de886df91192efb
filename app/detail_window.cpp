// "Подробно": the chart painted by hand (the board's colour rule and its two rows of numbers
// carry over directly, every pixel is the program's own, and no further library is needed), the
// table, and the window's actions.
#include "app/detail_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "analysis/board.h"
#include "toolkit/canvas.h"
#include "toolkit/dialogs.h"
#include "toolkit/russian_text.h"
#include "toolkit/windows.h"

namespace {

constexpr int kMargin = 6;
constexpr int kLargestLabelPixels = 12;
constexpr int kSmallestLabelPixels = 7;
// Room for the scale's numbers at the left, as LabelFont reckons it.
constexpr int kScaleAllowance = 40;

QColor barColour(std::int32_t value, std::int32_t threshold) {
    return QColor::fromRgb(ToRgb(BarColor(value, threshold)));
}

QString decimalText(double value) { return QString::fromStdString(russian::decimal(value, 2)); }

// A cell of the table that sorts by its key, whatever it shows: a bin by its place, an
// expectation by its value.
class KeyedItem : public QTableWidgetItem {
public:
    KeyedItem(const QString& text, double key) : QTableWidgetItem(text) { setData(Qt::UserRole, key); }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

}  // namespace

std::vector<int> ValueRanks(const std::vector<std::int32_t>& values) {
    std::vector<int> ranks(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        ranks[i] = 1 + static_cast<int>(std::count_if(values.begin(), values.end(),
                                                      [&](std::int32_t other) { return other > values[i]; }));
    }
    return ranks;
}

// ---- the chart -----------------------------------------------------------------------------------

TDetailChart::TDetailChart(QWidget* parent) : QWidget(parent) {
    setObjectName("DetailChart");
    setMouseTracking(true);
    setMinimumSize(200, 120);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    setPalette(palette);
    setAutoFillBackground(true);
}

void TDetailChart::SetValues(std::vector<std::int32_t> values, std::vector<QString> labels, QString binCaption,
                             std::vector<double> expected) {
    m_values = std::move(values);
    m_labels = std::move(labels);
    m_binCaption = std::move(binCaption);
    m_expected = std::move(expected);
    // Narrow enough for the window, wide enough for the smallest labels in their two rows.
    QFont smallest = font();
    smallest.setPixelSize(kSmallestLabelPixels);
    int labelWidth = QFontMetrics(smallest).horizontalAdvance(QString::number(m_values.size())) + 2;
    for (const QString& label : m_labels)
        labelWidth = std::max(labelWidth, QFontMetrics(smallest).horizontalAdvance(label) + 2);
    setMinimumWidth(2 * kMargin + kScaleAllowance + static_cast<int>(m_values.size()) * (labelWidth + 1) / 2);
    update();
}

QString TDetailChart::LabelText(int number) const {
    return m_labels.empty() ? QString::number(number) : m_labels.at(static_cast<std::size_t>(number - 1));
}

QFont TDetailChart::LabelFont() const {
    // As large as two digits (the widest label) fit in a column, within the bounds.
    const int count = std::max<int>(1, static_cast<int>(m_values.size()));
    const double step = static_cast<double>(std::max(1, width() - 2 * kMargin - kScaleAllowance)) / count;
    QFont font = this->font();
    int pixels = kLargestLabelPixels;
    const auto widest = [&](const QFontMetrics& metrics) {
        int width = metrics.horizontalAdvance(QStringLiteral("88"));
        for (const QString& label : m_labels) width = std::max(width, metrics.horizontalAdvance(label));
        return width;
    };
    for (; pixels > kSmallestLabelPixels; --pixels) {
        font.setPixelSize(pixels);
        // Two rows: a label may take two columns' width.
        if (widest(QFontMetrics(font)) + 2 <= 2 * step) break;
    }
    font.setPixelSize(pixels);
    return font;
}

TDetailChart::Layout TDetailChart::Arrange() const {
    Layout layout{};
    const QFontMetrics metrics(LabelFont());
    std::int32_t largest = m_values.empty() ? 1 : std::max(1, *std::max_element(m_values.begin(), m_values.end()));
    for (const double expected : m_expected)
        largest = std::max(largest, static_cast<std::int32_t>(std::ceil(expected)));
    layout.top = largest;
    layout.scaleWidth = metrics.horizontalAdvance(QString::number(largest)) + 6;
    layout.labelHeight = metrics.height();
    layout.labelRows = 2;
    const int count = std::max<int>(1, static_cast<int>(m_values.size()));
    const int left = kMargin + layout.scaleWidth;
    const int bottom = height() - kMargin - layout.labelRows * layout.labelHeight;
    layout.plot = QRect(QPoint(left, kMargin + metrics.height() / 2), QPoint(width() - kMargin - 1, bottom - 1));
    layout.step = static_cast<double>(layout.plot.width()) / count;
    return layout;
}

QRect TDetailChart::BarRect(int number) const {
    const Layout layout = Arrange();
    const std::int32_t value = std::max(0, m_values.at(static_cast<std::size_t>(number - 1)));
    const int x0 = layout.plot.left() + static_cast<int>(layout.step * (number - 1));
    const int x1 = layout.plot.left() + static_cast<int>(layout.step * number);
    const int gap = layout.step >= 4 ? std::max(1, static_cast<int>(layout.step / 5)) : 0;
    const int height = static_cast<int>(static_cast<double>(layout.plot.height()) * value / layout.top + 0.5);
    return QRect(x0 + gap / 2, layout.plot.bottom() + 1 - height, std::max(1, x1 - x0 - gap), height);
}

QRect TDetailChart::LabelRect(int number) const {
    const Layout layout = Arrange();
    const QFontMetrics metrics(LabelFont());
    const int width = metrics.horizontalAdvance(LabelText(number));
    const double centre = layout.plot.left() + layout.step * (number - 0.5);
    const int row = (number % 2 == 1) ? 0 : 1;
    int x = static_cast<int>(centre - width / 2.0);
    x = std::clamp(x, 0, std::max(0, this->width() - width));
    return QRect(x, layout.plot.bottom() + 1 + row * layout.labelHeight, width, layout.labelHeight);
}

std::optional<int> TDetailChart::NumberAt(const QPoint& point) const {
    if (m_values.empty()) return std::nullopt;
    const Layout layout = Arrange();
    if (point.x() < layout.plot.left() || point.x() > layout.plot.right() || point.y() < 0 || point.y() >= height()) {
        return std::nullopt;
    }
    // The columns as BarRect cuts them, in whole pixels.
    auto columnStart = [&](int n) { return layout.plot.left() + static_cast<int>(layout.step * (n - 1)); };
    int number = 1 + static_cast<int>((point.x() - layout.plot.left()) / layout.step);
    if (point.x() < columnStart(number)) --number;
    if (point.x() >= columnStart(number + 1)) ++number;
    if (number < 1 || number > static_cast<int>(m_values.size())) return std::nullopt;
    return number;
}

QString TDetailChart::HoverText(int number) const {
    const std::int32_t value = m_values.at(static_cast<std::size_t>(number - 1));
    if (m_labels.empty()) return QString::fromUtf8("Номер %1: %2").arg(number).arg(value);
    QString text = QString("%1 %2: %3").arg(m_binCaption, LabelText(number)).arg(value);
    if (!m_expected.empty())
        text +=
            QString::fromUtf8(" (в среднем %1)").arg(decimalText(m_expected.at(static_cast<std::size_t>(number - 1))));
    return text;
}

void TDetailChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_values.empty()) return;
    const Layout layout = Arrange();
    const std::int32_t threshold = RedThreshold(m_values);
    painter.setFont(LabelFont());
    // The scale: a white line at the plot's top and at half of it, their values at the left.
    painter.setPen(Qt::white);
    for (const std::int32_t mark : {layout.top, layout.top / 2}) {
        const int y = layout.plot.bottom() + 1 -
                      static_cast<int>(static_cast<double>(layout.plot.height()) * mark / layout.top + 0.5);
        painter.drawLine(layout.plot.left(), y, layout.plot.right(), y);
        painter.drawText(QRect(kMargin, y - layout.labelHeight / 2, layout.scaleWidth - 4, layout.labelHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(mark));
    }
    for (int number = 1; number <= static_cast<int>(m_values.size()); ++number) {
        const auto index = static_cast<std::size_t>(number - 1);
        const std::int32_t value = m_values[index];
        const QRect bar = BarRect(number);
        if (m_expected.empty()) {
            painter.fillRect(bar, barColour(value, threshold));
        } else {
            // Against chance, as the board colours bins; the white mark is chance's average.
            painter.fillRect(bar, QColor::fromRgb(ToRgb(BinColor(value, m_expected[index]))));
            const int y =
                layout.plot.bottom() + 1 -
                static_cast<int>(static_cast<double>(layout.plot.height()) * m_expected[index] / layout.top + 0.5);
            painter.setPen(Qt::white);
            painter.drawLine(bar.left(), y, bar.right(), y);
        }
        painter.setPen(QColor(0xFF, 0xFF, 0x00));
        painter.drawText(LabelRect(number), Qt::AlignCenter, LabelText(number));
    }
}

void TDetailChart::mouseMoveEvent(QMouseEvent* event) {
    const std::optional<int> number = NumberAt(event->position().toPoint());
    if (number) {
        QToolTip::showText(event->globalPosition().toPoint(), HoverText(*number), this);
    } else {
        QToolTip::hideText();
    }
}

// ---- the window ----------------------------------------------------------------------------------

TDetailWindow::TDetailWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_command(new QLabel(this)),
      m_covered(new QLabel(this)),
      m_chart(new TDetailChart(this)),
      m_table(new QTableWidget(this)) {
    setObjectName("DetailWindow");
    setWindowTitle(QString::fromUtf8("Подробно"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/sharometr.xpm")));
    resize(900, 460);

    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QString::fromUtf8("&Файл"));
    QAction* savePicture =
        file->addAction(QString::fromUtf8("Сохранить &рисунок…"), this, &TDetailWindow::SavePictureAs);
    savePicture->setObjectName("SavePicture");
    savePicture->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveValues =
        file->addAction(QString::fromUtf8("Сохранить &значения…"), this, &TDetailWindow::SaveValuesAs);
    saveValues->setObjectName("SaveValues");
    saveValues->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();
    QAction* close = file->addAction(QString::fromUtf8("&Закрыть"), this, &QWidget::close);
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QMenu* edit = bar->addMenu(QString::fromUtf8("&Правка"));
    QAction* copy = edit->addAction(QString::fromUtf8("&Копировать"), this, &TDetailWindow::CopyValues);
    copy->setObjectName("CopyValues");
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    for (QAction* action : {savePicture, saveValues, close, copy}) action->setShortcutContext(Qt::WindowShortcut);

    m_command->setObjectName("DetailCommand");
    m_covered->setObjectName("DetailCovered");
    QFont bold = m_command->font();
    bold.setBold(true);
    m_command->setFont(bold);
    m_command->setText(QString::fromUtf8("Выберите анализ в главном окне"));

    m_table->setObjectName("DetailTable");
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels(
        {QString::fromUtf8("Номер"), QString::fromUtf8("Значение"), QString::fromUtf8("Место")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_chart);
    splitter->addWidget(m_table);
    splitter->setStretchFactor(0, 1);
    splitter->setCollapsible(0, false);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(m_command);
    layout->addWidget(m_covered);
    layout->addWidget(splitter, 1);
}

void TDetailWindow::ShowValues(const DetailValues& values) {
    m_command->setText(values.command);
    m_covered->setText(values.covered);
    m_chart->SetValues(values.values, values.labels, values.binCaption, values.expected);
    const std::vector<int> ranks = ValueRanks(values.values);
    const bool bins = !values.labels.empty();
    const bool expected = !values.expected.empty();
    QStringList headings{bins ? values.binCaption : QString::fromUtf8("Номер"), QString::fromUtf8("Значение")};
    if (expected) headings << QString::fromUtf8("В среднем");
    headings << QString::fromUtf8("Место");
    m_table->setSortingEnabled(false);
    m_table->clear();
    m_table->setColumnCount(static_cast<int>(headings.size()));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setRowCount(static_cast<int>(values.values.size()));
    for (int row = 0; row < static_cast<int>(values.values.size()); ++row) {
        const auto at = static_cast<std::size_t>(row);
        std::vector<QTableWidgetItem*> cells;
        if (bins) {
            cells.push_back(new KeyedItem(values.labels[at], row));
        } else {
            cells.push_back(new QTableWidgetItem);
            cells.back()->setData(Qt::DisplayRole, row + 1);
        }
        cells.push_back(new QTableWidgetItem);
        cells.back()->setData(Qt::DisplayRole, values.values[at]);
        if (expected) cells.push_back(new KeyedItem(decimalText(values.expected[at]), values.expected[at]));
        cells.push_back(new QTableWidgetItem);
        cells.back()->setData(Qt::DisplayRole, ranks[at]);
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            cells[static_cast<std::size_t>(column)]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, cells[static_cast<std::size_t>(column)]);
        }
    }
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(0, Qt::AscendingOrder);
    // A fourth column widens the table as far as its columns need, the chart giving way.
    auto* splitter = qobject_cast<QSplitter*>(m_table->parentWidget());
    const int wanted = m_table->horizontalHeader()->length() + m_table->verticalScrollBar()->sizeHint().width() +
                       2 * m_table->frameWidth();
    QList<int> sizes = splitter->sizes();
    if (sizes.size() == 2 && sizes[1] > 0 && sizes[1] < wanted) {
        sizes[0] -= wanted - sizes[1];
        sizes[1] = wanted;
        splitter->setSizes(sizes);
    }
}

void TDetailWindow::ShowAndRaise() { BringWindowBack(*this); }

QString TDetailWindow::Caption() const { return m_command->text() + '\n' + m_covered->text(); }

QString TDetailWindow::ValuesText(QChar separator) const {
    // The table's headings, in the order the values came.
    QString text;
    for (int column = 0; column < m_table->columnCount(); ++column)
        text += (column ? QString(separator) : QString()) + m_table->horizontalHeaderItem(column)->text();
    text += '\n';
    const std::vector<std::int32_t>& values = m_chart->Values();
    const std::vector<double>& expected = m_chart->Expected();
    const std::vector<int> ranks = ValueRanks(values);
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += m_chart->LabelText(static_cast<int>(i + 1)) + separator + QString::number(values[i]) + separator;
        if (!expected.empty()) text += decimalText(expected[i]) + separator;
        text += QString::number(ranks[i]) + '\n';
    }
    return text;
}

bool TDetailWindow::SavePicture(const QString& path) const { return m_chart->grab().save(path, "PNG"); }

bool TDetailWindow::SaveValues(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QByteArray bytes = ValuesText(';').toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

void TDetailWindow::CopyValues() { QApplication::clipboard()->setText(ValuesText('\t')); }

void TDetailWindow::SavePictureAs() {
    RunGuarded([&] {
        const QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8("Сохранить рисунок"), "chart.png",
                                                          QString::fromUtf8("Рисунки PNG (*.png)"));
        if (!path.isEmpty() && !SavePicture(path))
            ShowMessage("Не удалось записать рисунок в файл «" + path.toStdString() + "».");
    });
}

void TDetailWindow::SaveValuesAs() {
    RunGuarded([&] {
        const QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8("Сохранить значения"), "values.csv",
                                                          QString::fromUtf8("Таблицы CSV (*.csv)"));
        if (!path.isEmpty() && !SaveValues(path))
            ShowMessage("Не удалось записать значения в файл «" + path.toStdString() + "».");
    });
}
