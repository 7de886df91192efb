// "Карта тиражей": the map's rows against the table (the latest at the top, the first at the
// bottom, a middle row after a scroll), its marks in pixels, the totals of the rows in view, the
// highlight, and a number's gaps against counts made by hand.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/draw_map.h"
#include "app/history_dialog.h"
#include "app/startup.h"
#include "backtest/backtest.h"
#include "table_folder_test.h"
#include "tests/support/recording_message_service.h"

namespace {

class DrawMapTest : public TableFolderTest {
protected:
    RecordingMessageService m_messages;
};

std::vector<int> sorted(std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

TEST_F(DrawMapTest, RowsFollowTheTableFromTheLatestDown) {
    makeTables(10, 10, 1, 2);
    const testsupport::Draws draws = testsupport::makeDrawTable(m_dir.file("kenobase.dbf"), kKeno, 300, 9);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    windows->Form1->MenuItem("NDrawMapkeno")->trigger();
    auto* window = windows->Form1->findChild<TDrawMapWindow*>("DrawMapkeno");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    TDrawMapView& view = window->View();
    view.resize(view.width(), 24 * TDrawMapView::kRowHeight + 40);
    QApplication::processEvents();
    ASSERT_EQ(window->Map().Draws(), 300);
    const int rows = view.RowsInView();
    ASSERT_GE(rows, 10);

    struct Case {
        int scroll;
        int row;
        int draw;
    };
    QScrollBar* bar = view.verticalScrollBar();
    for (const Case c : {Case{0, 0, 299}, Case{100, 0, 199}, Case{100, 5, 194}, Case{bar->maximum(), rows - 1, 0}}) {
        bar->setValue(c.scroll);
        ASSERT_EQ(view.DrawAtRow(c.row), c.draw) << c.scroll;
        EXPECT_EQ(window->Map().NumbersOf(c.draw), sorted(draws[static_cast<std::size_t>(c.draw)]));
        // The marks as painted: a hit's cell dark, a miss's white.
        const QImage picture = view.viewport()->grab().toImage();
        const int y = TDrawMapView::RowTop(c.row) + TDrawMapView::kRowHeight / 2;
        for (int number = 1; number <= 80; ++number) {
            const int x = view.HeaderWidth() + (number - 1) * TDrawMapView::kCellWidth + TDrawMapView::kCellWidth / 2;
            const bool hit = window->Map().Hit(c.draw, number);
            EXPECT_EQ(picture.pixel(x, y) & 0xFFFFFF, hit ? 0x000080u : 0xFFFFFFu) << number;
        }
        // The totals row: the rows in view counted by hand.
        std::vector<int> totals(80, 0);
        for (int row = 0; row < rows; ++row)
            for (int number : draws[static_cast<std::size_t>(view.DrawAtRow(row))]) ++totals[number - 1];
        EXPECT_EQ(view.TotalsInView(), totals);
    }
    // A method's picks: the ticket of the last Keno analysis, once one has run.
    auto* picks = window->findChild<QPushButton*>("MethodPicks");
    EXPECT_FALSE(picks->isEnabled());
    windows->Form1->MenuItem("N14")->trigger();
    ASSERT_TRUE(picks->isEnabled());
    picks->click();
    const std::vector<int> ticket = TopPicks(KenoValues, kKeno.backtestPicks);
    EXPECT_EQ(view.Highlighted(), QSet<int>(ticket.begin(), ticket.end()));
    EXPECT_TRUE(m_messages.shown.empty());
}

// Home and End go to the latest and the first draw, the page keys a page of rows; the window of
// history in force is said under the map, the maps already open told when it changes.
TEST_F(DrawMapTest, KeysWalkTheMapAndTheWindowOfHistoryIsSaid) {
    makeTables(10, 10, 1, 2);
    testsupport::makeDrawTable(m_dir.file("kenobase.dbf"), kKeno, 200, 5);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    windows->Form1->MenuItem("NDrawMapkeno")->trigger();
    auto* window = windows->Form1->findChild<TDrawMapWindow*>("DrawMapkeno");
    ASSERT_NE(window, nullptr);
    TDrawMapView& view = window->View();
    QApplication::processEvents();
    const int rows = view.RowsInView();
    ASSERT_GE(rows, 10);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int topDraw;
    };
    for (const Case c :
         {Case{Qt::Key_End, Qt::NoModifier, rows - 1}, Case{Qt::Key_Home, Qt::NoModifier, 199},
          Case{Qt::Key_PageDown, Qt::NoModifier, 199 - rows}, Case{Qt::Key_Down, Qt::NoModifier, 198 - rows},
          Case{Qt::Key_End, Qt::ControlModifier, rows - 1}, Case{Qt::Key_Home, Qt::ControlModifier, 199}}) {
        QTest::keyClick(&view, c.key, c.modifiers);
        EXPECT_EQ(view.DrawAtRow(0), c.topDraw) << c.key;
    }
    EXPECT_FALSE(window->SummaryText().contains(QString::fromUtf8("Анализы учитывают")));

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<THistoryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->LatestButton()->setChecked(true);
        dialog->CountBox()->setValue(20);
        dialog->accept();
    });
    windows->Form1->MenuItem("NHistory")->trigger();
    const QString said = QString::fromUtf8("Анализы учитывают только последние 20\u00A0тиражей.");
    EXPECT_TRUE(window->SummaryText().endsWith(said)) << window->SummaryText().toStdString();
    windows->Form1->MenuItem("NDrawMaploto")->trigger();
    EXPECT_TRUE(windows->Form1->findChild<TDrawMapWindow*>("DrawMaploto")->SummaryText().endsWith(said));
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(DrawMapTest, HighlightAndGapsAgreeWithCountsByHand) {
    makeTables(10, 10, 1, 2);
    // Ten SuperLoto draws: 7 falls in the 2nd, 5th and 6th, 30 in the 10th only, 49 never; a
    // deleted record in the middle is no draw.
    testsupport::Draws draws;
    for (int d = 1; d <= 11; ++d) draws.push_back({1, 2, 3, 4, 5, 6});
    for (int d : {2, 5, 6}) draws[static_cast<std::size_t>(d - 1)][0] = 7;
    draws[6][0] = 7;  // record 7, deleted
    draws[10][0] = 30;
    testsupport::writeDrawTable(m_dir.file("lotobase.dbf"), kSuperLoto, draws, {{7}});
    TDrawMapWindow window(kSuperLoto);
    window.ShowAndRaise();
    ASSERT_EQ(window.Map().Draws(), 10);

    struct Expected {
        int number;
        int hits;
        int current;
        int longest;
        std::optional<double> average;
    };
    for (const Expected e : {Expected{7, 3, 4, 4, 1.0}, Expected{30, 1, 0, 9, std::nullopt},
                             Expected{49, 0, 10, 10, std::nullopt}, Expected{2, 10, 0, 0, 0.0}}) {
        const DrawMap::Gaps gaps = window.Map().GapsOf(e.number);
        EXPECT_EQ(gaps.hits, e.hits) << e.number;
        EXPECT_EQ(gaps.current, e.current) << e.number;
        EXPECT_EQ(gaps.longest, e.longest) << e.number;
        EXPECT_EQ(gaps.average, e.average) << e.number;
    }
    // A click in the column of 7.
    TDrawMapView& view = window.View();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      QPoint(view.HeaderWidth() + 6 * TDrawMapView::kCellWidth + 3, TDrawMapView::RowTop(2)));
    EXPECT_EQ(window.GapsLabel().text(),
              QString::fromUtf8("Номер 7: выпал 3\u00A0раза; текущий пропуск — 4\u00A0тиража, самый долгий — "
                                "4\u00A0тиража, средний — 1,0\u00a0тиража."));

    window.NumbersBox().setText("7 30");
    window.HighlightTyped();
    EXPECT_EQ(view.Highlighted(), (QSet<int>{7, 30}));
    window.NumbersBox().setText("7 50");
    window.HighlightTyped();
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "«50» — не номер этой игры: введите номера от 1 до 49 через пробел.");
    EXPECT_EQ(view.Highlighted(), (QSet<int>{7, 30})) << "a refused set changes nothing";
    window.HighlightLatestDraw();
    EXPECT_EQ(window.NumbersBox().text(), QString("2 3 4 5 6 30"));
    EXPECT_EQ(view.Highlighted(), (QSet<int>{2, 3, 4, 5, 6, 30}));
    // A highlighted column's misses show the gap: the line down the middle of 30's column.
    const QImage picture = view.viewport()->grab().toImage();
    const int x = view.HeaderWidth() + 29 * TDrawMapView::kCellWidth + TDrawMapView::kCellWidth / 2;
    EXPECT_EQ(picture.pixel(x, TDrawMapView::RowTop(1) + 1) & 0xFFFFFF, 0xC08000u);
    EXPECT_EQ(picture.pixel(x, TDrawMapView::RowTop(0) + 6) & 0xFFFFFF, 0xC00000u) << "its hit in the latest draw";
    for (const char* name : {"Reload", "HighlightLatest", "HighlightPicks", "Close"})
        EXPECT_FALSE(window.findChild<QAction*>(name)->shortcut().isEmpty()) << name;
}

}  // namespace
