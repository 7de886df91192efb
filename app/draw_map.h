// "Карта тиражей": a game's history as a picture, one row per draw (the latest at the top), one
// column per number, a mark where the number fell. The map keeps one bit per number and draw,
// read in one block pass; the view paints only the rows in view, with a row of their totals,
// highlights a set of numbers with the gaps between their hits, and tells a clicked number's
// gaps.
#pragma once

#include <QAbstractScrollArea>
#include <QSet>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/game.h"
#include "toolkit/dataset.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TXbaseDataSet;

// The hits of every number in every draw, in table order.
class DrawMap {
public:
    explicit DrawMap(const Game& game);

    // Reads every visible draw of the dataset's table (the block path where the table allows).
    void Load(TDataSet& dataset);

    const Game& GameShown() const { return m_game; }
    int Draws() const { return m_draws; }
    // Whether `number` fell in draw `draw` (0 the first in table order).
    bool Hit(int draw, int number) const {
        const std::size_t bit = static_cast<std::size_t>(number - 1);
        return (m_bits[static_cast<std::size_t>(draw) * m_stride + bit / 8] >> (bit % 8)) & 1u;
    }
    // The numbers of draw `draw`, ascending.
    std::vector<int> NumbersOf(int draw) const;

    // A number's gaps, counted in draws without it: the current one (since its last hit, or the
    // whole history when it never fell), the longest (before its first hit, between hits, or
    // the current one), and the average between two hits (none with fewer than two hits).
    struct Gaps {
        int hits = 0;
        int current = 0;
        int longest = 0;
        std::optional<double> average;
    };
    Gaps GapsOf(int number) const;
    // The bytes the map holds.
    std::size_t Bytes() const { return m_bits.capacity(); }

private:
    const Game& m_game;
    std::size_t m_stride;
    int m_draws = 0;
    std::vector<std::uint8_t> m_bits;
};

// The map's view: rows of draws scrolling a row at a time, the column of numbers at the top, the
// totals of the rows in view at the bottom.
class TDrawMapView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 12;
    static constexpr int kCellWidth = 12;
    // The numbers above and the totals below take two rows each: odd numbers' in the upper, even
    // ones' in the lower, so that two digits have two columns' room, as on the board.
    static constexpr int kLabelRows = 2;

    explicit TDrawMapView(const DrawMap& map, QWidget* parent = nullptr);

    // After the map was loaded again: the latest draw at the top.
    void MapChanged();
    void SetHighlighted(const QSet<int>& numbers);
    const QSet<int>& Highlighted() const { return m_highlighted; }

    // The draw shown in row `row` of the view (0 the top row), or -1 below the last.
    int DrawAtRow(int row) const;
    int RowsInView() const;
    // The top of row `row` of draws in the viewport.
    static int RowTop(int row) { return kRowHeight * (kLabelRows + row); }
    // How often each number fell in the rows in view (number i at index i - 1).
    std::vector<int> TotalsInView() const;
    // The number whose column holds the viewport's point.
    std::optional<int> NumberAt(const QPoint& point) const;
    int HeaderWidth() const;

signals:
    void NumberClicked(int number);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Home and End (with Ctrl or not) go to the latest and the first draw; the arrows and the page
    // keys scroll as in every list.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateScrollRange();

    const DrawMap& m_map;
    QSet<int> m_highlighted;
};

class TDrawMapWindow : public QWidget {
    Q_OBJECT
public:
    // The game's map on its table in the current directory; raises what the open raises.
    explicit TDrawMapWindow(const Game& game, QWidget* parent = nullptr);
    ~TDrawMapWindow() override;

    // Reads the table again and shows it, brought to the front.
    void ShowAndRaise();
    void Reload();

    const DrawMap& Map() const { return m_map; }
    TDrawMapView& View() { return *m_view; }
    QLineEdit& NumbersBox() { return *m_numbers; }
    QLabel& GapsLabel() { return *m_gaps; }

public slots:
    // Highlights the numbers typed in the box ("3 14 27"); a number outside the game is refused
    // with a message.
    void HighlightTyped();
    void HighlightLatestDraw();
    // Highlights the picks of the last analysis of this game run in the main window.
    void HighlightMethodPicks();
    void ShowGaps(int number);

public:
    // The picks of the game's last analysis: the game's ticket of numbers of the highest values.
    void SetMethodPicks(const std::vector<int>& picks);
    // The window of history in force (0: every draw), said under the map: the map shows every
    // draw, the analyses only the latest `last`.
    void SetHistoryWindow(int last);
    QString SummaryText() const;

private:
    // Writes the numbers in the box and highlights them.
    void HighlightNumbers(const std::vector<int>& numbers);

    std::unique_ptr<TXbaseDataSet> m_dataSet;
    DrawMap m_map;
    TDrawMapView* m_view;
    QLineEdit* m_numbers;
    QLabel* m_summary;
    QLabel* m_gaps;
    QPushButton* m_picksButton;
    std::vector<int> m_picks;
    int m_historyLast = 0;
};
