// The main window as the user meets it: start-up with missing or damaged tables, the window's
// settings and menu, the picture before and after an analysis, the wait cursor, the error box,
// and the menu items that show windows and end the program.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtTest/QTest>
#include <unistd.h>

#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QSpinBox>

#include "analysis/analyses.h"
#include "app/history_dialog.h"
#include "app/startup.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "tests/support/dbf_image.h"
#include "toolkit/dialogs.h"
#include "tests/support/draw_table.h"
#include "tests/support/recording_message_service.h"
#include "shown_text.h"
#include "table_folder_test.h"

namespace {

using testsupport::TempDir;

// Runs the test inside a temporary directory holding the tables, as the program runs in the
// folder of its tables.
class MainWindowTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        SetApplicationTitleFromPath("/usr/bin/sharometr");
    }

    void makeTables(std::size_t lotoDraws, std::size_t kenoDraws) {
        TableFolderTest::makeTables(lotoDraws, kenoDraws, 7, 11);
    }

    // Both tables made with these many draws, then the program's windows opened on them.
    std::unique_ptr<ProgramWindows> windowsOn(std::size_t lotoDraws, std::size_t kenoDraws) {
        makeTables(lotoDraws, kenoDraws);
        return CreateProgramWindows();
    }

    static QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

    static QString shownText(const QAction& action) { return testsupport::shownText(action); }

    RecordingMessageService m_messages;
};

TEST_F(MainWindowTest, StartUpStopsOnTheFirstTableThatCannotBeOpened) {
    const int descriptors = testsupport::openDescriptorCount();
    EXPECT_EQ(CreateProgramWindows(), nullptr);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "EDatabaseError: Cannot find file lotobase.dbf.");
    EXPECT_EQ(m_messages.shown[0].caption, "sharometr");
    EXPECT_EQ(m_messages.shown[0].icon, TMsgDlgType::mtError);

    testsupport::makeDrawTable(m_dir.file("lotobase.dbf"), kSuperLoto, 5, 1);
    EXPECT_EQ(CreateProgramWindows(), nullptr);
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_messages.shown[1].text, "EDatabaseError: Cannot find file kenobase.dbf.");

    // A damaged table: the engine's own message, with the error's kind.
    testsupport::makeDrawTable(m_dir.file("kenobase.dbf"), kKeno, 5, 1);
    testsupport::patchFile(m_dir.file("lotobase.dbf"), 0, std::string(1, '\x04'));
    EXPECT_EQ(CreateProgramWindows(), nullptr);
    ASSERT_EQ(m_messages.shown.size(), 3u);
    EXPECT_EQ(m_messages.shown[2].text,
              "EXbaseError: dBase DBF file header invalid - " + m_dir.file("lotobase.dbf") + ".");
    EXPECT_EQ(testsupport::openDescriptorCount(), descriptors) << "a failed start-up leaves no table open";
}

TEST_F(MainWindowTest, StartUpWithATableTheSystemWillNotOpenForWriting) {
    makeTables(5, 5);
    // Root may write any file, so the refusal comes from the system seam, as a read-only file's would.
    platform::FaultGuard refuse(platform::Fault{platform::Call::Open, 0, 1, platform::code::kAccessDenied, 0});
    EXPECT_EQ(CreateProgramWindows(), nullptr);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "EXbaseError: File access denied - " + m_dir.file("lotobase.dbf") + ".");
    EXPECT_EQ(m_messages.shown[0].icon, TMsgDlgType::mtError);
}

TEST_F(MainWindowTest, AnAnalysisSeesADrawPostedThroughTheDataWindow) {
    auto windows = windowsOn(5, 5);
    ASSERT_NE(windows, nullptr);
    windows->Form1->MenuItem("N9")->trigger();
    const std::array<std::int32_t, 49> before = LotoValues;

    TXbaseDataSet& dataWindow = windows->Form3->XbaseDataSet1();
    dataWindow.Append();
    const int draw[6] = {1, 2, 3, 4, 5, 49};
    for (int i = 0; i < 6; ++i) dataWindow.Fields(i).SetAsInteger(draw[i]);
    dataWindow.Post();

    windows->Form1->MenuItem("N9")->trigger();
    EXPECT_TRUE(m_messages.shown.empty());
    for (int number = 1; number <= 49; ++number) {
        const bool drawn = number <= 5 || number == 49;
        EXPECT_EQ(LotoValues[number - 1], before[number - 1] + (drawn ? 1 : 0)) << number;
    }
    // The same command twice paints the same picture.
    const QImage first = windows->Form1->Image1().Picture().copy();
    windows->Form1->MenuItem("N9")->trigger();
    EXPECT_EQ(windows->Form1->Image1().Picture(), first);
}

// The window of history: every analysis of both games takes the latest N draws once chosen, the
// picture stays grey through a refusal, and all draws come back with the first choice.
TEST_F(MainWindowTest, TheWindowOfHistoryIsFollowedByEveryAnalysis) {
    makeTables(3, 40);
    const auto keno = testsupport::makeDrawTable(m_dir.file("kenobase.dbf"), kKeno, 40, 11);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    // A refused command paints nothing, not even the white of a new picture.
    form.MenuItem("N9")->trigger();
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_FALSE(form.Image1().HasPicture());
    EXPECT_EQ(pixel(form.grab().toImage(), 300, 150 + form.menuBar()->height()), 0x808080u);

    // Choose the latest 12 draws in the dialog, as the user would; the dialog opens on the
    // choice in force, and the menu item shows it.
    int shownOnOpen = 0;
    auto answer = [&](bool latest, int count, bool accept) {
        QTimer::singleShot(0, [=, &shownOnOpen] {
            auto* dialog = qobject_cast<THistoryDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Сколько тиражей анализировать"));
            shownOnOpen = dialog->Last();
            (latest ? dialog->LatestButton() : dialog->AllButton())->click();
            dialog->CountBox()->setValue(count);
            accept ? dialog->accept() : dialog->reject();
        });
        form.MenuItem("NHistory")->trigger();
    };
    QAction* item = form.MenuItem("NHistory");
    EXPECT_EQ(form.History().last, 0) << "every draw, as the program starts";
    EXPECT_FALSE(item->isChecked());
    answer(true, 12, true);
    EXPECT_EQ(form.History().last, 12);
    EXPECT_EQ(shownOnOpen, 0);
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(item->text(), QString::fromUtf8("Ск&олько тиражей анализировать…\t12\u00A0тиражей"));
    answer(false, 5, false);
    EXPECT_EQ(shownOnOpen, 12) << "reopened on the 12 chosen";
    EXPECT_EQ(form.History().last, 12) << "Cancel keeps the choice";
    EXPECT_TRUE(item->isChecked());

    std::vector<std::uint8_t> latest;
    for (std::size_t d = keno.size() - 12; d < keno.size(); ++d)
        for (int n : keno[d]) latest.push_back(DrawCell(kKeno, n));
    for (const Analysis& analysis : Analyses()) {
        const auto item = static_cast<std::size_t>(&analysis - Analyses().data());
        if (!analysis.picksNumbers) continue;  // their values are bins, not the board's
        form.MenuItem(MenuItemName(kKeno, item).c_str())->trigger();
        const AnalysisResult expected = Analyse(analysis, kKeno, latest);
        EXPECT_EQ(std::vector<std::int32_t>(KenoValues.begin(), KenoValues.end()), expected.values) << analysis.cliName;
    }
    EXPECT_EQ(m_messages.shown.size(), 1u);

    answer(false, 12, true);
    EXPECT_EQ(form.History().last, 0);
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(shownText(*item), QString::fromUtf8("Сколько тиражей анализировать…"));
    form.MenuItem("N14")->trigger();
    std::vector<std::uint8_t> all;
    for (const auto& draw : keno)
        for (int n : draw) all.push_back(DrawCell(kKeno, n));
    const AnalysisResult whole = Analyse(FrequencyHistogramAnalysis(), kKeno, all);
    EXPECT_EQ(std::vector<std::int32_t>(KenoValues.begin(), KenoValues.end()), whole.values);
}

TEST_F(MainWindowTest, WindowSettingsAndMenu) {
    auto windows = windowsOn(5, 5);
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Программный комплекс ШАРОМЕТР версия 3.1.2"));
    EXPECT_EQ(form.centralWidget()->size(), QSize(665, 314));
    EXPECT_EQ(form.Image1().geometry(), QRect(0, 0, 665, 313));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the window is not resizable";
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);

    const std::vector<std::pair<QString, std::vector<QString>>> expected = {
        {"Данные",
         {"СуперЛото", "Кено", "Сколько тиражей анализировать…", "Новая таблица…", "Импорт тиражей",
          "Вставить тиражи из буфера", "-", "Выход"}},
        {"СуперЛото",
         {"Гистограмма", "-", "Расчет вероятности", "Средний период ожидания", "Метод А. Тальвена", "-",
          "Суммы номеров тиража", "Частые пары номеров", "-", "Проверка методов", "Мои билеты", "Составить систему…"}},
        {"Кено",
         {"Гистограмма", "-", "Расчет вероятности", "Средний период ожидания", "Метод А.Тальвена", "-",
          "Суммы номеров тиража", "Частые пары номеров", "-", "Проверка методов", "Мои билеты", "Составить систему…"}},
        {"Вид",
         {"Подробно", "-", "Карта тиражей: СуперЛото", "Карта тиражей: Кено", "-", "Масштабировать табло", "-",
          "Сбросить настройки"}},
        {"?", {"Как пользоваться", "-", "Об авторе"}},
    };
    const QList<QAction*> top = form.menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    for (int m = 0; m < 5; ++m) {
        // The view menu's items have keys (tested with the windows they open); no other has.
        const bool viewMenu = m == 3;
        EXPECT_EQ(shownText(*top[m]), expected[m].first);
        const QList<QAction*> items = top[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<int>(expected[m].second.size()));
        for (int i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i]->isSeparator() ? QString("-") : shownText(*items[i]), expected[m].second[i]);
            if (!viewMenu) {
                EXPECT_TRUE(items[i]->shortcut().isEmpty()) << "no item has a shortcut key";
            }
        }
    }
    EXPECT_EQ(shownText(*form.MenuItem("N9")), QString::fromUtf8("Гистограмма"));
    EXPECT_EQ(shownText(*form.MenuItem("N18")), QString::fromUtf8("Метод А.Тальвена"));
    EXPECT_EQ(form.XbaseDataSet1().TableName(), "lotobase.dbf");
    EXPECT_EQ(form.XbaseDataSet2().TableName(), "kenobase.dbf");
    EXPECT_TRUE(form.XbaseDataSet1().Active());
    EXPECT_TRUE(form.XbaseDataSet1().ExactCount());
    EXPECT_FALSE(form.XbaseDataSet2().UseDeleted());
    EXPECT_FALSE(windows->Form2->isVisible());
    EXPECT_FALSE(windows->Form3->isVisible());
    EXPECT_TRUE(windows->Form3->XbaseDataSet1().Active());
    EXPECT_TRUE(windows->Form4->XbaseDataSet1().Active());
}

TEST_F(MainWindowTest, ThePictureIsWindowBackgroundUntilTheFirstAnalysis) {
    auto windows = windowsOn(5, 5);
    ASSERT_NE(windows, nullptr);
    const QImage before = windows->Form1->centralWidget()->grab().toImage();
    ASSERT_EQ(before.size(), QSize(665, 314));
    for (int y = 0; y < 314; y += 7) {
        for (int x = 0; x < 665; x += 5) ASSERT_EQ(pixel(before, x, y), 0x808080u) << x << "," << y;
    }
    EXPECT_FALSE(windows->Form1->Image1().HasPicture());

    windows->Form1->MenuItem("N9")->trigger();
    EXPECT_TRUE(m_messages.shown.empty());
    ASSERT_TRUE(windows->Form1->Image1().HasPicture());
    const QImage after = windows->Form1->centralWidget()->grab().toImage();
    // Five draws of six distinct numbers each: every drawn number has a 10-pixel blue bar.
    int blueColumns = 0;
    for (int i = 0; i < 49; ++i) {
        if (pixel(after, 13 * i + 5, 260) == 0x0000FFu) ++blueColumns;
    }
    EXPECT_GE(blueColumns, 6);
    // The bottom row of the client area lies below the 313-row picture: window background.
    for (int x = 0; x < 665; x += 3) ASSERT_EQ(pixel(after, x, 313), 0x808080u);
}

TEST_F(MainWindowTest, TooFewDrawsAreRefusedWithAMessageAndThePictureStays) {
    auto windows = windowsOn(4, 4);
    ASSERT_NE(windows, nullptr);
    windows->Form1->MenuItem("N9")->trigger();
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "ВНИМАНИЕ! Необходимо заполнить по крайней мере 5 записей!");
    EXPECT_EQ(m_messages.shown[0].icon, TMsgDlgType::mtNone);
    EXPECT_EQ(m_messages.shown[0].caption, "sharometr");
    windows->Form1->MenuItem("N14")->trigger();
    EXPECT_EQ(m_messages.shown.size(), 2u);
}

TEST_F(MainWindowTest, TheBacktestItemOfEachGamePaintsThePicture) {
    auto windows = windowsOn(60, 40);
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    ASSERT_NE(form.MenuItem("N2Backtest"), nullptr);
    form.MenuItem("N2Backtest")->trigger();
    EXPECT_TRUE(m_messages.shown.empty());
    const QImage& picture = form.Image1().Picture();
    EXPECT_EQ(pixel(picture, 0, 0), 0x808080u);
    EXPECT_NE(pixel(picture, 6, 30 + 16 + 6), 0x808080u) << "the first method's bar";
    EXPECT_EQ(pixel(picture, 6, 30 + 31 + 6), 0xFFFFFFu) << "the expected hits' bar";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Keno's table is too short: the message, and the picture stays.
    const QImage before = picture.copy();
    form.MenuItem("N3Backtest")->trigger();
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "ВНИМАНИЕ! Для проверки методов необходимо заполнить не менее 50 записей!");
    EXPECT_EQ(form.Image1().Picture(), before);
}

TEST_F(MainWindowTest, ACommandRunsUnderTheWaitCursorAndAFailureGoesToTheErrorBox) {
    auto windows = windowsOn(6, 6);
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    bool waiting = false;
    form.XbaseDataSet1().AfterScroll = [&](TDataSet&) {
        const QCursor* cursor = QApplication::overrideCursor();
        waiting = cursor && cursor->shape() == Qt::WaitCursor;
    };
    form.MenuItem("N9")->trigger();
    EXPECT_TRUE(waiting);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the cursor is back when the command ends";

    // A number field that is no number: the engine's message in the error box, with its stop.
    testsupport::patchFile(m_dir.file("lotobase.dbf"), 225 + 13 * 2 + 1, "1x");
    form.MenuItem("N9")->trigger();
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].icon, TMsgDlgType::mtError);
    EXPECT_EQ(m_messages.shown[0].text, "dBase field is of incorrect type - Invalid number in field lotobase->C1 (1x)")
        << "a message ending in a bracket, which sorts below the stop, is shown as it is";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The program goes on: the next command works.
    form.MenuItem("N14")->trigger();
    EXPECT_EQ(m_messages.shown.size(), 1u);
}

TEST_F(MainWindowTest, MenuItemsShowWindowsAndExitEndsTheLoop) {
    auto windows = windowsOn(5, 5);
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    form.show();
    form.MenuItem("N5")->trigger();
    form.MenuItem("N5")->trigger();
    EXPECT_TRUE(windows->Form3->isVisible());
    EXPECT_EQ(QApplication::topLevelWidgets().count(windows->Form3.get()), 1);
    form.MenuItem("N6")->trigger();
    EXPECT_TRUE(windows->Form4->isVisible());
    form.MenuItem("N21")->trigger();
    EXPECT_TRUE(windows->Form2->isVisible());
    // Closing a data window only hides it; its dataset stays open.
    windows->Form3->close();
    EXPECT_FALSE(windows->Form3->isVisible());
    EXPECT_TRUE(windows->Form3->XbaseDataSet1().Active());

    // "Выход" with the other windows open ends the loop at once.
    QTimer::singleShot(0, [&] { form.MenuItem("N8")->trigger(); });
    QTimer guard;
    bool timedOut = false;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        QApplication::exit(2);
    });
    guard.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
}

TEST_F(MainWindowTest, MenuItemsBringMinimisedWindowsBack) {
    auto windows = windowsOn(5, 5);
    ASSERT_NE(windows, nullptr);
    TForm1& form = *windows->Form1;
    form.show();
    const std::pair<const char*, QWidget*> items[] = {
        {"N5", windows->Form3.get()}, {"N6", windows->Form4.get()}, {"N21", windows->Form2.get()}};
    for (const auto& [item, window] : items) {
        form.MenuItem(item)->trigger();
        window->showMinimized();
        ASSERT_TRUE(window->isMinimized()) << item;
        form.MenuItem(item)->trigger();
        EXPECT_FALSE(window->isMinimized()) << item << " leaves its window minimised";
        EXPECT_FALSE(window->windowState() & Qt::WindowMinimized) << item;
        EXPECT_TRUE(window->isVisible()) << item;
        // Closed while minimised, the window comes back restored too.
        window->showMinimized();
        window->close();
        form.MenuItem(item)->trigger();
        EXPECT_TRUE(window->isVisible() && !window->isMinimized()) << item;
    }
}

TEST(ErrorBox, AddsAFullStopOnlyAfterCharactersThatSortAboveIt) {
    const std::pair<const char*, const char*> rows[] = {
        {"Record is locked by another user", "Record is locked by another user."},
        {"ends with a stop.", "ends with a stop."},
        {"ends with a blank ", "ends with a blank "},
        {"Xbase Error 221, SubCode 1207.\r", "Xbase Error 221, SubCode 1207.\r"},
        {"count -", "count -"},
        {"42", "42."},
        {"", ""}};
    for (const auto& [message, shown] : rows) EXPECT_EQ(ErrorBoxText(message), shown) << message;
    SetApplicationTitleFromPath("/opt/bin/SHAROMETR.exe");
    EXPECT_EQ(ApplicationTitle(), "Sharometr");
    SetApplicationTitleFromPath("sharometr");
    EXPECT_EQ(ApplicationTitle(), "sharometr");
}

}  // namespace
