// The main window as a new player meets it: the hint over the board while the tables hold only
// the sample draws or none, the choices kept between starts and their reset, the further games
// under "Лотереи" when the bar is full, the waiting period's way out, and the board shown that
// follows a new window of history.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/help_window.h"
#include "app/kept_choices.h"
#include "app/startup.h"
#include "app/tickets_window.h"
#include "history/new_draw_table.h"
#include "shown_text.h"
#include "table_folder_test.h"
#include "tests/support/files.h"
#include "tests/support/recording_message_service.h"

namespace {

QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

class FirstWindowTest : public TableFolderTest {
protected:
    void TearDown() override {
        m_windows.reset();
        SetKeptChoicesFile({});
        LoadFolderGames(m_empty.path());
        TableFolderTest::TearDown();
    }
    TForm1& start() {
        m_windows = CreateProgramWindows();
        EXPECT_NE(m_windows, nullptr);
        m_windows->Form1->show();
        QApplication::processEvents();
        return *m_windows->Form1;
    }
    // Whether the hint's paper shows in the middle of the client area, as the player sees it.
    bool hintShown(TForm1& form) {
        const QImage client = form.centralWidget()->grab().toImage();
        return pixel(client, client.width() / 2, 100) == 0xFFFFE1u;
    }

    RecordingMessageService m_messages;
    std::unique_ptr<ProgramWindows> m_windows;
    testsupport::TempDir m_empty;
};

TEST_F(FirstWindowTest, TheHintShowsWhileTheTablesHoldOnlySamplesOrNothingAndLeavesTheBoardAlone) {
    struct Case {
        const char* what;
        bool lotoSamples;  // else empty
        int keno;          // 0: empty, 1: the samples, 2: draws of the player's own
        const char* says;  // null: no hint
    };
    const Case cases[] = {
        {"samples", true, 1, "Сейчас в таблицах придуманные тиражи"},
        {"samples and empty", false, 1, "Сейчас в таблицах придуманные тиражи"},
        {"empty", false, 0, "Таблицы тиражей пока пусты."},
        {"own draws", true, 2, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_windows.reset();
        for (const Game* game : {&kSuperLoto, &kKeno}) ::unlink(m_dir.file(game->tableFileName).c_str());
        if (c.lotoSamples) {
            CreateDrawTable("", kSuperLoto, 100);
        } else {
            CreateEmptyDrawTable("", kSuperLoto);
        }
        if (c.keno == 2) {
            makeTable(kKeno, 30, 4);
        } else if (c.keno == 1) {
            CreateDrawTable("", kKeno, 50);
        } else {
            CreateEmptyDrawTable("", kKeno);
        }
        TForm1& form = start();
        EXPECT_EQ(form.StartHint().isVisible(), c.says != nullptr);
        EXPECT_EQ(hintShown(form), c.says != nullptr);
        if (!c.says) continue;
        EXPECT_TRUE(form.StartHint().text().contains(QString::fromUtf8(c.says)));
        EXPECT_TRUE(form.StartHint().text().contains(QString::fromUtf8("Данные → Импорт тиражей")));
    }

    // Samples again: an analysis paints its board exactly as without the hint, which is gone.
    m_windows.reset();
    ::unlink(m_dir.file("kenobase.dbf").c_str());
    CreateDrawTable("", kKeno, 50);
    TForm1& form = start();
    ASSERT_TRUE(hintShown(form));
    form.MenuItem("N14")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(form.StartHint().isVisible());
    const QImage client = form.centralWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage board = form.Image1().grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(client.copy(board.rect()), board) << "the board as the command painted it";
    form.activateWindow();
    QApplication::processEvents();
    EXPECT_FALSE(hintShown(form)) << "and it stays away";

    // The hint's link: the manual's first evening in the program's own help window.
    testsupport::writeFile(m_dir.file("manual.html"),
                           "<html><body><h1>Обзор</h1><p>Текст.</p><h1>Первый вечер: с чего начать</h1>"
                           "<p>Шаг 1.</p></body></html>");
    emit form.StartHint().linkActivated("#first-evening");
    EXPECT_TRUE(HelpWindow().isVisible());
    ASSERT_NE(HelpWindow().Contents().currentItem(), nullptr);
    EXPECT_EQ(HelpWindow().Contents().currentItem()->text(), QString::fromUtf8("Первый вечер: с чего начать"));
    HelpWindow().hide();
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(FirstWindowTest, TheChoicesAreKeptBetweenStartsAndTheMenuResetsThem) {
    makeTables(60, 60, 1, 2);
    const std::string file = m_dir.file("kept.ini");
    SetKeptChoicesFile(QString::fromStdString(file));
    {
        TForm1& form = start();
        EXPECT_FALSE(form.BoardScaled()) << "nothing kept yet";
        form.MenuItem("NScaleBoard")->trigger();
        form.SetHistoryLast(40);
        form.move(210, 150);
        form.MenuItem("N6")->trigger();         // Keno's data window
        form.MenuItem("N2Tickets")->trigger();  // SuperLoto's tickets
        KeepImportFolder(QString::fromStdString(m_dir.file("archive.csv")));
        KeepWindows(*m_windows);
        m_windows.reset();
    }
    TForm1& form = start();
    ReopenKeptWindows(*m_windows);
    EXPECT_TRUE(form.BoardScaled());
    EXPECT_TRUE(form.MenuItem("NScaleBoard")->isChecked());
    EXPECT_EQ(form.History().last, 40);
    EXPECT_TRUE(form.MenuItem("NHistory")->isChecked());
    EXPECT_EQ(form.pos(), QPoint(210, 150));
    EXPECT_TRUE(m_windows->Form4->isVisible());
    EXPECT_FALSE(m_windows->Form3->isVisible());
    bool tickets = false;
    for (QWidget* top : QApplication::topLevelWidgets())
        tickets = tickets || (top->objectName() == "Tickets_loto" && top->isVisible());
    EXPECT_TRUE(tickets);
    EXPECT_EQ(LastImportFolder().toStdString(), m_dir.path());

    // "Вид → Сбросить настройки": the defaults back, and nothing kept.
    form.MenuItem("NResetChoices")->trigger();
    EXPECT_FALSE(form.BoardScaled());
    EXPECT_EQ(form.History().last, 0);
    EXPECT_EQ(form.pos(), QPoint(125, 106));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text,
              "Настройки сброшены: табло без масштаба, анализируются все тиражи, окно на исходном месте.");
    EXPECT_TRUE(QSettings(QString::fromStdString(file), QSettings::IniFormat).allKeys().isEmpty());
    EXPECT_TRUE(LastImportFolder().isEmpty());
}

TEST_F(FirstWindowTest, ManyGamesGoUnderOneMenuAndViewAndHelpStayInsideTheWindow) {
    makeTables(10, 10, 1, 2);
    std::string ini;
    for (int n = 30; n < 33; ++n) {
        const std::string name = "p" + std::to_string(n);
        ini += "[" + name + "]\nname = Проба 6 из " + std::to_string(n) + "\nnumbers = " + std::to_string(n) +
               "\ndrawn = 6\ntable = " + name + ".dbf\nfields = " + std::string(1, static_cast<char>('P' + n - 30)) +
               "\n";
    }
    testsupport::writeFile(m_dir.file("games.ini"), ini);
    ASSERT_TRUE(LoadFolderGames("").empty());
    for (const Game* game : Games())
        if (!game->compiledIn()) makeTable(*game, 10, 3);
    TForm1& form = start();
    ASSERT_TRUE(m_messages.shown.empty());
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QMenuBar& bar = *form.menuBar();
    std::vector<QString> top;
    for (QAction* action : bar.actions()) top.push_back(testsupport::shownText(*action));
    EXPECT_EQ(top, (std::vector<QString>{"Данные", "СуперЛото", "Кено", "Лотереи", "Вид", "?"}));
    QMenu* lotteries = bar.actions()[3]->menu();
    ASSERT_NE(lotteries, nullptr);
    ASSERT_EQ(lotteries->actions().size(), static_cast<int>(Games().size()) - 2);
    // A game's menu keeps every item of its own, the tickets included.
    QMenu* first = lotteries->actions().front()->menu();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(testsupport::shownText(*first->menuAction()), QString::fromUtf8("Гослото «5 из 36»"));
    EXPECT_TRUE(first->actions().contains(form.MenuItem("g536Tickets")));
    for (QAction* action : bar.actions()) EXPECT_LE(bar.actionGeometry(action).right(), bar.width());

    // F10, then Left: "?" opens, within the window's width.
    QTest::keyClick(&form, Qt::Key_F10);
    QApplication::processEvents();
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Left);
    QApplication::processEvents();
    QWidget* help = QApplication::activePopupWidget();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help, bar.actions().back()->menu());
    EXPECT_LE(help->geometry().right(), form.frameGeometry().right());
    EXPECT_GE(help->geometry().left(), form.frameGeometry().left());
    while (QWidget* open = QApplication::activePopupWidget()) open->close();

    // A game's item under "Лотереи" paints its board.
    form.MenuItem(MenuItemName(*GameNamed("p31"), 0).c_str())->trigger();
    EXPECT_TRUE(form.Image1().HasPicture());
}

TEST_F(FirstWindowTest, TheWaitingPeriodNamesTheWayOutAndTheBoardShownFollowsTheWindowOfHistory) {
    makeTables(60, 250, 1, 2);
    TForm1& form = start();
    form.MenuItem("N17")->trigger();  // Keno's waiting period over 250 draws
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text,
              std::string(kTooMany) +
                  "\nИли выберите «Данные» → «Сколько тиражей анализировать…» и задайте не больше "
                  "200\u00a0тиражей.");
    m_messages.shown.clear();

    form.MenuItem("N14")->trigger();  // Keno's histogram of 250 draws
    const QImage before = form.Image1().grab().toImage();
    form.SetHistoryLast(12);
    const QImage after = form.Image1().grab().toImage();
    EXPECT_NE(after, before) << "painted again over the latest 12 draws";
    form.SetHistoryLast(0);
    EXPECT_EQ(form.Image1().grab().toImage(), before) << "and over every draw again";
    EXPECT_TRUE(m_messages.shown.empty());
}

}  // namespace
