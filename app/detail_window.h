// "Подробно": the values of the last analysis the main window ran, for any game, as a chart
// scaled to the window (every number or bin labelled, the value under the pointer told) beside a
// sortable table of number (or bin), value, what chance gives on average where the analysis says
// it, and rank, in the board's colours, with the command's caption
// and the draws it covered; it follows each new command. Copy, and saving the picture (PNG) and
// the values (CSV).
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class QTableWidget;

// What the window shows: one analysis' values, with what says where they come from.
struct DetailValues {
    QString command;                   // «СуперЛото» → «Гистограмма»
    QString covered;                   // Учтено тиражей: 100 (все тиражи)
    std::vector<std::int32_t> values;  // one per number, number i at index i - 1, or one per bin
    // The bins' labels («121–130», «7 и 23»): empty when the values are one per number.
    std::vector<QString> labels;
    QString binCaption;            // what a bin is, heading its column: «Сумма»; empty: «Номер»
    std::vector<double> expected;  // what chance gives each value on average, when known
};

// The chart: one bar per number (or bin), scaled so that the tallest fits, in the board's colours,
// the numbers (labels) under the bars in two rows (odd places above, even below) as on the board;
// a white mark on each bar at what chance gives it on average, where that is known.
class TDetailChart : public QWidget {
    Q_OBJECT
public:
    explicit TDetailChart(QWidget* parent = nullptr);

    // The values, and for bins of their own the bins' labels, what a bin is and their expectation.
    void SetValues(std::vector<std::int32_t> values, std::vector<QString> labels = {}, QString binCaption = {},
                   std::vector<double> expected = {});
    const std::vector<std::int32_t>& Values() const { return m_values; }
    const std::vector<double>& Expected() const { return m_expected; }
    // The label under column `number` (1-based): the number itself, or its bin's label.
    QString LabelText(int number) const;

    // Where the bar of number (column) `number` and its label stand at the present size.
    QRect BarRect(int number) const;
    QRect LabelRect(int number) const;
    // The number whose column holds `point`, if any.
    std::optional<int> NumberAt(const QPoint& point) const;
    // The text the pointer over `number` shows: «Номер 7: 12»; for a bin «Сумма 121–130: 57
    // (в среднем 55,3)».
    QString HoverText(int number) const;

    QSize sizeHint() const override { return {640, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Layout {
        QRect plot;     // where the bars stand
        double step;    // pixels from one column to the next
        int labelRows;  // one row of labels or two
        int labelHeight;
        int scaleWidth;
        std::int32_t top;  // the value at the plot's top
    };
    Layout Arrange() const;
    QFont LabelFont() const;

    std::vector<std::int32_t> m_values;
    std::vector<QString> m_labels;
    QString m_binCaption;
    std::vector<double> m_expected;
};

class TDetailWindow : public QWidget {
    Q_OBJECT
public:
    explicit TDetailWindow(QWidget* parent = nullptr);

    // Shows these values in place of the last.
    void ShowValues(const DetailValues& values);
    void ShowAndRaise();

    TDetailChart& Chart() { return *m_chart; }
    QTableWidget& Table() { return *m_table; }
    QString Caption() const;

    // The values as text: a line of headings, then one line per number, the fields parted by
    // `separator` ('\t' for the clipboard, ';' for the CSV file).
    QString ValuesText(QChar separator) const;
    // Saves the chart as PNG / the values as CSV (UTF-8); false when the file cannot be written.
    bool SavePicture(const QString& path) const;
    bool SaveValues(const QString& path) const;

public slots:
    void CopyValues();
    void SavePictureAs();
    void SaveValuesAs();

private:
    QLabel* m_command;
    QLabel* m_covered;
    TDetailChart* m_chart;
    QTableWidget* m_table;
};

// The rank of each value among all: 1 for the largest, ties sharing the better rank (5, 7, 7, 2
// ranks 3, 1, 1, 4).
std::vector<int> ValueRanks(const std::vector<std::int32_t>& values);
