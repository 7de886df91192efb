// The main window with games of a games file: a menu for every game whose table is in the
// folder, none for one without, the analyses and the back-test of a 99-number board within the
// picture, the start-up note of a bad games.ini, and a table made by "Новая таблица…".
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "analysis/analyses.h"
#include "app/new_table_dialog.h"
#include "app/startup.h"
#include "tests/support/files.h"
#include "tests/support/recording_message_service.h"
#include "shown_text.h"
#include "table_folder_test.h"
#include "toolkit/dialogs.h"

namespace {

const char kGames[] =
    "[g99]\nname = Проба 5 из 99\nnumbers = 99\ndrawn = 5\ntable = g99.dbf\nfields = Q\n"
    "[g1020]\nname = Проба 10 из 20\nnumbers = 20\ndrawn = 10\ntable = g1020.dbf\nfields = R\n";

class GamesWindowTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        SetApplicationTitleFromPath("/usr/bin/sharometr");
        makeTables(60, 60, 7, 11);
    }
    // No folder games for the tests that come after.
    void TearDown() override {
        LoadFolderGames(m_empty.path());
        TableFolderTest::TearDown();
    }

    static QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
    static std::vector<QString> topMenus(TForm1& form) {
        std::vector<QString> captions;
        for (QAction* action : form.menuBar()->actions()) captions.push_back(testsupport::shownText(*action));
        return captions;
    }

    RecordingMessageService m_messages;
    testsupport::TempDir m_empty;
};

TEST_F(GamesWindowTest, EveryGameWithATableGetsItsMenuAndEveryItemPaints) {
    testsupport::writeFile(m_dir.file("games.ini"), kGames);
    makeTable(*GameNamed("g536"), 60, 3);  // of the program's own list
    LoadFolderGames("");
    makeTable(*GameNamed("g99"), 60, 5);  // g1020 and the rest of the list have no table
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(topMenus(form),
              (std::vector<QString>{"Данные", "СуперЛото", "Кено", "Гослото «5 из 36»", "Проба 5 из 99", "Вид", "?"}));

    for (const char* name : {"g536", "g99"}) {
        const Game& game = *GameNamed(name);
        SCOPED_TRACE(name);
        ASSERT_NE(form.MenuItem(game.menu.dataItemName), nullptr);
        for (std::size_t i = 0; i < Analyses().size(); ++i) {
            const std::string item = MenuItemName(game, i);
            ASSERT_NE(form.MenuItem(item.c_str()), nullptr) << item;
            EXPECT_EQ(testsupport::shownText(*form.MenuItem(item.c_str())),
                      QString::fromUtf8(Analyses()[i].menuCaption));
            form.MenuItem(item.c_str())->trigger();
            EXPECT_TRUE(m_messages.shown.empty()) << item;
            if (!Analyses()[i].picksNumbers) continue;  // a board of bins of its own, not of the numbers
            // The last number's caption is in the picture; right of the reference labels no bar.
            const QImage& picture = form.Image1().Picture();
            const int last = game.barStep * (game.numbers - 1);
            const int row = game.numbers % 2 == 0 ? board::kEvenCaptionY : board::kOddCaptionY;
            bool caption = false;
            for (int x = last - 2; x < last + 14; ++x)
                for (int y = row; y < row + 14; ++y) caption = caption || pixel(picture, x, y) == 0xFFFF00u;
            EXPECT_TRUE(caption) << item;
            for (int x = game.referenceLabelX + 16; x < board::kWidth; ++x)
                for (int y = 40; y < board::kBaseline; y += 3) ASSERT_EQ(pixel(picture, x, y), 0x808080u) << item;
        }
        const std::string backtest = std::string(game.menu.menuName) + "Backtest";
        form.MenuItem(backtest.c_str())->trigger();
        EXPECT_TRUE(m_messages.shown.empty()) << backtest;
        EXPECT_EQ(form.DataSetOf(game).RecordCount(), 60);
    }
    EXPECT_EQ(form.MenuItem("g1020Histogram"), nullptr) << "no table, no menu";
    EXPECT_EQ(std::string(GameNamed("g99")->window.caption), "База данных Проба 5 из 99");

    // The further game's data window, from its item under "Данные".
    form.MenuItem("g99Data")->trigger();
    QWidget* window = QApplication::activeWindow();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "Form_g99") window = top;
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("База данных Проба 5 из 99"));
}

// Every game of the program's list with its table: the menus fit one row, and the picture keeps
// its 665 x 314 client area below them.
TEST_F(GamesWindowTest, EveryListedGamesMenuFitsTheMenuBar) {
    for (const Game* game : Games())
        if (!game->compiledIn()) makeTable(*game, 5, 1);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(form.menuBar()->actions().size(), static_cast<int>(Games().size()) + 3);  // and Данные, Вид, ?
    EXPECT_EQ(form.centralWidget()->size(), QSize(665, 314));
    const QRect first = form.menuBar()->actionGeometry(form.menuBar()->actions().front());
    const QRect last = form.menuBar()->actionGeometry(form.menuBar()->actions().back());
    EXPECT_EQ(last.top(), first.top()) << "one row of menus";
    EXPECT_LE(last.right(), form.width());
}

TEST_F(GamesWindowTest, ABadGamesFileIsSaidOnceAndItsGoodGamesServe) {
    testsupport::writeFile(
        m_dir.file("games.ini"),
        std::string(kGames) + "[g3]\nname = x\nnumbers = 300\ndrawn = 5\ntable = x.dbf\nfields = X\n");
    makeTable(*GameNamed("g536"), 60, 3);
    // A table that is no draw table of its game: left out, and said.
    testsupport::makeDrawTable(m_dir.file("g99.dbf"), kSuperLoto, 5, 1);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text,
              "games.ini, строка 15: [g3] numbers = 300: номеров в игре — от 2 до 99\n"
              "Таблица g99.dbf — не таблица игры «Проба 5 из 99»: её первые поля не Q1…Q5 с числами.\n"
              "\nРаботают игры: СуперЛото, Кено, Гослото «5 из 36».");
    EXPECT_EQ(topMenus(*windows->Form1),
              (std::vector<QString>{"Данные", "СуперЛото", "Кено", "Гослото «5 из 36»", "Вид", "?"}));
}

TEST_F(GamesWindowTest, NewTableMakesTheTableAndTheGamesMenu) {
    testsupport::writeFile(m_dir.file("games.ini"), kGames);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    ASSERT_EQ(form.MenuItem("g1020Histogram"), nullptr);
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TNewTableDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (int i = 0; i < dialog->GameBox()->count(); ++i) offered << dialog->GameBox()->itemText(i);
        dialog->GameBox()->setCurrentIndex(
            dialog->GameBox()->findText(QString::fromUtf8("Проба 10 из 20 — g1020.dbf")));
        dialog->DrawsBox()->setValue(30);
        dialog->accept();
    });
    form.MenuItem("NNewTable")->trigger();
    for (const auto& shown : m_messages.shown) ADD_FAILURE() << shown.text;
    EXPECT_EQ(offered, (QStringList{"Гослото «5 из 36» — g536base.dbf", "Гослото «6 из 45» — g645base.dbf",
                                    "Гослото «7 из 49» — g749base.dbf", "Гослото «12/24» — g1224bas.dbf",
                                    "Проба 5 из 99 — g99.dbf", "Проба 10 из 20 — g1020.dbf"}));
    ASSERT_NE(form.MenuItem("g1020Histogram"), nullptr);
    const std::vector<QString> menus = topMenus(form);
    EXPECT_EQ(std::vector<QString>(menus.end() - 3, menus.end()), (std::vector<QString>{"Проба 10 из 20", "Вид", "?"}))
        << "the new game's menu goes after the other games'";
    // Its map is offered once "Вид" opens.
    auto* view = form.menuBar()->findChild<QMenu*>("NView");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(form.MenuItem("NDrawMapg1020"), nullptr);
    emit view->aboutToShow();
    ASSERT_NE(form.MenuItem("NDrawMapg1020"), nullptr);
    EXPECT_EQ(form.MenuItem("NDrawMapg1020")->text(), QString::fromUtf8("Карта тиражей: Проба 10 из 20"));
    EXPECT_EQ(form.DataSetOf(*GameNamed("g1020")).RecordCount(), 30);
    form.MenuItem("g1020Talven")->trigger();
    EXPECT_TRUE(m_messages.shown.empty());
    // The Keno-like rule of a dense game: Тальвен's heading in 8 points, as Keno's.
    EXPECT_EQ(GameNamed("g1020")->talvenCaptionSize, 8);
}

}  // namespace
