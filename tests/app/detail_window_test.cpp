// "Подробно" and "Масштабировать табло": the chart's values are the board's for every analysis of
// every game and follow each command, the bins of the sums and the pairs with their labels and what
// chance gives them, the board's values left alone; the labels stay inside at any size; the pointer's value,
// the sortable table, copying and saving; the scaled board, and the board unchanged while the
// toggle is off.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "analysis/board.h"
#include "analysis/draw_reader.h"
#include "app/startup.h"
#include "table_folder_test.h"
#include "tests/support/recording_message_service.h"
#include "toolkit/russian_text.h"

namespace {

class DetailWindowTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        makeTables(60, 60, 5, 6);
        m_windows = CreateProgramWindows();
        ASSERT_NE(m_windows, nullptr);
    }
    void TearDown() override {
        m_windows.reset();
        TableFolderTest::TearDown();
    }
    TForm1& form() { return *m_windows->Form1; }
    TDetailWindow& detail() { return *m_windows->Detail; }

    RecordingMessageService m_messages;
    std::unique_ptr<ProgramWindows> m_windows;
};

std::vector<std::int32_t> boardValues(const Game& game) {
    if (&game == &kSuperLoto) return {LotoValues.begin(), LotoValues.end()};
    return {KenoValues.begin(), KenoValues.end()};
}

TEST_F(DetailWindowTest, TheChartShowsTheBoardValuesOfEachCommand) {
    form().MenuItem("NDetail")->trigger();
    EXPECT_TRUE(detail().isVisible());
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        for (std::size_t a = 0; a < Analyses().size(); ++a) {
            if (!Analyses()[a].picksNumbers) continue;  // bins of their own: below
            SCOPED_TRACE(std::string(game->name) + " " + Analyses()[a].cliName);
            form().MenuItem(MenuItemName(*game, a).c_str())->trigger();
            const std::vector<std::int32_t> board = boardValues(*game);
            EXPECT_EQ(detail().Chart().Values(), board);
            const QString caption = detail().Caption();
            EXPECT_TRUE(caption.contains(QString::fromUtf8(game->menu.menuCaption)));
            EXPECT_TRUE(caption.contains(QString::fromUtf8("Учтено тиражей: 60 (анализируются все тиражи)")));
            QTableWidget& table = detail().Table();
            ASSERT_EQ(table.rowCount(), game->numbers);
            const std::vector<int> ranks = ValueRanks(board);
            for (int row = 0; row < game->numbers; ++row) {
                EXPECT_EQ(table.item(row, 0)->data(Qt::DisplayRole).toInt(), row + 1);
                EXPECT_EQ(table.item(row, 1)->data(Qt::DisplayRole).toInt(), board[static_cast<std::size_t>(row)]);
                EXPECT_EQ(table.item(row, 2)->data(Qt::DisplayRole).toInt(), ranks[static_cast<std::size_t>(row)]);
            }
        }
    }
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(ValueRanks({5, 7, 7, 2}), (std::vector<int>{3, 1, 1, 4}));
}

TEST_F(DetailWindowTest, SumsAndPairsShowTheirBinsWithWhatChanceGives) {
    form().MenuItem("N9")->trigger();
    const std::vector<std::int32_t> board = boardValues(kSuperLoto);
    for (const auto& [game, analysis] :
         {std::pair{&kSuperLoto, &DrawSumsAnalysis()}, std::pair{&kKeno, &PairsAnalysis()}}) {
        SCOPED_TRACE(analysis->cliName);
        form().MenuItem(MenuItemName(*game, std::size_t(analysis - Analyses().data())).c_str())->trigger();
        const AnalysisResult expected = AnalyseDataSet(*analysis, *game, form().DataSetOf(*game));
        EXPECT_EQ(detail().Chart().Values(), expected.values);
        EXPECT_EQ(detail().Chart().Expected(), expected.expected);
        EXPECT_TRUE(detail().Caption().contains(QString::fromUtf8(analysis->menuCaption)));
        QTableWidget& table = detail().Table();
        ASSERT_EQ(table.rowCount(), static_cast<int>(expected.values.size()));
        // Sorted by the expectation and back by the bins' own order, not their labels' letters.
        table.sortItems(2, Qt::DescendingOrder);
        table.sortItems(0, Qt::AscendingOrder);
        const QString mean = QString::fromStdString(russian::decimal(expected.expected[0], 2));
        const QString first = QString::fromStdString(expected.binLabels[0]) + ";" +
                              QString::number(expected.values[0]) + ";" + mean + ";";
        const QStringList lines = detail().ValuesText(';').split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), table.rowCount() + 1);
        EXPECT_EQ(lines[0],
                  QString::fromUtf8("%1;Значение;В среднем;Место").arg(QString::fromUtf8(analysis->binCaption)));
        EXPECT_TRUE(lines[1].startsWith(first)) << lines[1].toStdString();
        for (int row = 0; row < table.rowCount(); ++row)
            EXPECT_EQ(table.item(row, 0)->text(), lines[row + 1].section(';', 0, 0));
        EXPECT_EQ(detail().Chart().HoverText(1),
                  QString::fromUtf8("%1 %2: %3 (в среднем %4)")
                      .arg(QString::fromUtf8(analysis->binCaption), QString::fromStdString(expected.binLabels[0]))
                      .arg(expected.values[0])
                      .arg(mean));
        EXPECT_EQ(boardValues(kSuperLoto), board) << "the numbers' board values are left as they were";
    }
    form().MenuItem("N14")->trigger();
    EXPECT_EQ(detail().Table().horizontalHeaderItem(2)->text(), QString::fromUtf8("Место"));
}

TEST_F(DetailWindowTest, LabelsStayInsideAtEverySizeAndThePointerFindsItsNumber) {
    form().MenuItem("N14")->trigger();
    TDetailChart& chart = detail().Chart();
    detail().ShowAndRaise();
    const std::vector<std::int32_t> values = chart.Values();
    const std::int32_t tallest = *std::max_element(values.begin(), values.end());
    for (const QSize size : {QSize(200, 120), QSize(480, 240), QSize(1500, 800)}) {
        SCOPED_TRACE(size.width());
        chart.resize(size);
        EXPECT_EQ(chart.width(), std::max(size.width(), chart.minimumWidth()));
        QRect previous[2];
        for (int number = 1; number <= 80; ++number) {
            const QRect label = chart.LabelRect(number);
            EXPECT_TRUE(chart.rect().contains(label)) << number;
            QRect& before = previous[(number + 1) % 2];
            EXPECT_FALSE(label.intersects(before)) << number << " covers the label beside it";
            before = label;
            const QRect bar = chart.BarRect(number);
            EXPECT_TRUE(chart.rect().contains(bar) || bar.height() == 0) << number;
            EXPECT_EQ(chart.NumberAt(QPoint(bar.center().x(), chart.height() / 2)), number);
            if (values[static_cast<std::size_t>(number - 1)] == tallest) {
                EXPECT_LE(bar.top(), 2 * chart.LabelRect(1).height()) << "the tallest bar reaches the top";
            }
        }
    }
    EXPECT_EQ(chart.HoverText(7), QString::fromUtf8("Номер 7: %1").arg(values[6]));
    EXPECT_EQ(chart.NumberAt(QPoint(0, 0)), std::nullopt) << "left of the bars";

    // Sorted by value, largest first: the tallest value first, ranked 1.
    detail().Table().sortItems(1, Qt::DescendingOrder);
    EXPECT_EQ(detail().Table().item(0, 1)->data(Qt::DisplayRole).toInt(), tallest);
    EXPECT_EQ(detail().Table().item(0, 2)->data(Qt::DisplayRole).toInt(), 1);
    EXPECT_LE(detail().Table().item(79, 1)->data(Qt::DisplayRole).toInt(), values[0]);
}

TEST_F(DetailWindowTest, CopyAndSaveGiveTheValuesAndThePicture) {
    form().MenuItem("N9")->trigger();
    detail().ShowAndRaise();
    QApplication::setActiveWindow(&detail());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&detail()));
    QTest::keyClick(&detail(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 50);
    EXPECT_EQ(lines[0], QString::fromUtf8("Номер\tЗначение\tМесто"));
    const std::vector<int> ranks = ValueRanks(boardValues(kSuperLoto));
    EXPECT_EQ(lines[7], QString("7\t%1\t%2").arg(LotoValues[6]).arg(ranks[6]));

    const std::string csv = m_dir.file("values.csv");
    ASSERT_TRUE(detail().SaveValues(QString::fromStdString(csv)));
    QFile file(QString::fromStdString(csv));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(saved.startsWith(QString::fromUtf8("Номер;Значение;Место\n1;%1;").arg(LotoValues[0])));
    EXPECT_EQ(saved.count('\n'), 50);

    const std::string png = m_dir.file("chart.png");
    ASSERT_TRUE(detail().SavePicture(QString::fromStdString(png)));
    const QImage picture(QString::fromStdString(png));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), detail().Chart().size());
    EXPECT_FALSE(detail().SaveValues(QString::fromStdString(m_dir.file("no/such/folder.csv"))));
    for (const char* name : {"SavePicture", "SaveValues", "CopyValues"})
        EXPECT_FALSE(detail().findChild<QAction*>(name)->shortcut().isEmpty()) << name;
}

TEST_F(DetailWindowTest, TheScaledBoardFitsItsTallestBarAndOffChangesNoPixel) {
    QAction* scale = form().MenuItem("NScaleBoard");
    ASSERT_NE(scale, nullptr);
    EXPECT_FALSE(scale->isChecked()) << "off at start";
    form().MenuItem("N14")->trigger();
    const QImage usual = form().Image1().Picture().copy();
    scale->trigger();
    form().MenuItem("N14")->trigger();
    const QImage scaled = form().Image1().Picture().copy();
    EXPECT_NE(scaled, usual);
    // The tallest bar's column: coloured from the scaled top down to the baseline.
    const std::size_t tallest =
        static_cast<std::size_t>(std::max_element(KenoValues.begin(), KenoValues.end()) - KenoValues.begin());
    const int x = kKeno.barStep * static_cast<int>(tallest) + 1;
    const QRgb grey = 0x808080;
    EXPECT_EQ(scaled.pixel(x, board::kScaledTop - 1) & 0xFFFFFF, grey);
    EXPECT_NE(scaled.pixel(x, board::kScaledTop + 1) & 0xFFFFFF, grey);
    scale->trigger();
    form().MenuItem("N14")->trigger();
    EXPECT_EQ(form().Image1().Picture(), usual) << "off again: every pixel as before";
}

// Switching the scale paints the board on the picture again at once, from what its command
// painted: the latest draw's caption too, even when the dataset's cursor has moved since.
TEST_F(DetailWindowTest, SwitchingTheScaleRepaintsTheShownBoardAtOnce) {
    QAction* scale = form().MenuItem("NScaleBoard");
    ASSERT_NE(scale, nullptr);
    scale->trigger();
    EXPECT_FALSE(form().Image1().HasPicture()) << "no board shown yet: nothing painted";
    scale->trigger();
    struct Case {
        const char* item;
        const Game& game;
    };
    for (const Case& c : {Case{"N14", kKeno}, Case{"N11", kSuperLoto}, Case{"N13", kSuperLoto}, Case{"N17", kKeno}}) {
        SCOPED_TRACE(c.item);
        ASSERT_FALSE(scale->isChecked());
        form().MenuItem(c.item)->trigger();
        const QImage usual = form().Image1().Picture().copy();
        form().DataSetOf(c.game).First();
        scale->trigger();
        const QImage scaledAtOnce = form().Image1().Picture().copy();
        EXPECT_NE(scaledAtOnce, usual) << "scaled as soon as it is switched on";
        form().MenuItem(c.item)->trigger();
        EXPECT_EQ(form().Image1().Picture(), scaledAtOnce) << "as the command paints it scaled";
        form().DataSetOf(c.game).First();
        scale->trigger();
        EXPECT_EQ(form().Image1().Picture(), usual) << "off: every pixel as the command painted it";
    }
    // The back-test's picture is no board: switching leaves it as it is.
    form().MenuItem("N2Backtest")->trigger();
    const QImage backtest = form().Image1().Picture().copy();
    scale->trigger();
    EXPECT_EQ(form().Image1().Picture(), backtest);
    scale->trigger();
    EXPECT_EQ(form().Image1().Picture(), backtest);
    EXPECT_TRUE(m_messages.shown.empty());
}

}  // namespace
