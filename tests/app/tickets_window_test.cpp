// "Мои билеты": the game's menu item opens the tickets window on the tickets table; a typed
// ticket is refused or kept; the check paints each ticket with the latest draw's matches marked.
#include <QApplication>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "app/calcul.h"
#include "app/startup.h"
#include "app/tickets_window.h"
#include "analysis/draw_datasets.h"
#include "dbf/table_handler.h"
#include "tests/support/files.h"
#include "table_folder_test.h"
#include "tests/support/recording_message_service.h"
#include "platform/ansi_text.h"
#include "tickets/tickets.h"
#include "toolkit/dialogs.h"

namespace {

class TicketsWindowTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        testsupport::writeDrawTable(m_dir.file("lotobase.dbf"), kSuperLoto,
                                    {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {1, 2, 3, 10, 11, 12}});
        makeTable(kKeno, 5, 4);
        m_windows = CreateProgramWindows();
        ASSERT_NE(m_windows, nullptr);
    }
    void TearDown() override {
        m_windows.reset();
        TableFolderTest::TearDown();
    }

    TTicketsWindow* ticketsWindow(const char* name) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == name) return qobject_cast<TTicketsWindow*>(top);
        return nullptr;
    }

    // Types a ticket into the window's dataset as the grid would, and posts it.
    void typeTicket(TTicketsWindow& window, const std::string& name, const std::vector<std::string>& numbers) {
        TXbaseDataSet& tickets = window.TicketsDataSet();
        window.Navigator().BtnClick(TXbaseNavigateBtn::nbInsert);
        tickets.FieldByName("NAME").SetAsString(platform::utf8ToAnsi(name));  // the program's text
        for (std::size_t i = 0; i < numbers.size(); ++i)
            tickets.FieldByName("T" + std::to_string(i + 1)).SetAsString(numbers[i]);
        // As a click on the bar: a refusal is shown in the error box, not raised.
        RunGuarded([&] { window.Navigator().BtnClick(TXbaseNavigateBtn::nbPost); });
    }

    // Types into the grid from column `first` on with real keys, Tab after each text (Backspace
    // for an empty one), then clicks Post; what was shown before the click is dropped.
    void typeAndPost(TTicketsWindow& window, int first, std::initializer_list<const char*> typed) {
        window.Grid().setFocus(Qt::OtherFocusReason);
        window.Grid().SetSelectedIndex(first);
        for (const char* text : typed) {
            if (*text == '\0') QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
            QTest::keyClicks(QApplication::focusWidget(), text);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        m_messages.shown.clear();
        QTest::mouseClick(window.Navigator().Buttons(TXbaseNavigateBtn::nbPost), Qt::LeftButton);
    }

    RecordingMessageService m_messages;
    std::unique_ptr<ProgramWindows> m_windows;
};

std::uint32_t Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

// The top of each ticket's block on a check's picture: below the heading, then below each grey
// line across the picture that closes a block.
std::vector<int> BlockTops(const QImage& picture) {
    std::vector<int> tops{24};
    for (int y = 24; y < picture.height(); ++y)
        if (Pixel(picture, 0, y) == 0xB0B0B0u && Pixel(picture, picture.width() - 1, y) == 0xB0B0B0u)
            tops.push_back(y + 1);
    return tops;
}

// A tickets window of `game` on the draws of `table`, checked by a click on its button.
struct CheckedWindow {
    std::unique_ptr<TXbaseDataSet> draws;
    HistoryWindow history;
    TTicketsWindow window;
    CheckedWindow(const Game& game, const std::string& table)
        : draws(MakeDrawDataSetOn(game, table)), window(game, *draws, history) {
        window.show();
        QTest::mouseClick(&window.CheckButton(), Qt::LeftButton);
    }
};

const std::string kNbsp = "\u00a0";

// Which number fields (T1 first) of the grid's first row are painted with text: a pixel inside
// the cell's edge, where the focus rectangle goes, unlike the cell's paper.
std::vector<bool> NumbersShown(TDBGrid& grid, int fields) {
    grid.SetEditorMode(false);  // the open cell editor would hide its cell
    const QImage image = grid.viewport()->grab().toImage();
    std::vector<bool> shown;
    for (int t = 1; t <= fields; ++t) {
        const QRect inside = grid.CellRect(t, 0).adjusted(1, 1, -1, -1);
        bool ink = false;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                ink = ink || Pixel(image, x, y) != Pixel(image, inside.left(), inside.top());
        shown.push_back(ink);
    }
    return shown;
}

// The number fields' bytes of a tickets table's first record, as the file holds them.
std::string NumberBytes(const std::string& path) {
    const std::string file = testsupport::readFile(path);
    const auto at = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(file[i])); };
    return file.substr((at(8) | at(9) << 8) + 1 + kTicketNameWidth,
                       (at(10) | at(11) << 8) - 1 - kTicketNameWidth - kTicketKeptWidth);
}

}  // namespace

TEST_F(TicketsWindowTest, TheMenuItemOpensTheTicketsTableAndTypedTicketsAreChecked) {
    TForm1& form = *m_windows->Form1;
    ASSERT_NE(form.MenuItem("N2Tickets"), nullptr);
    form.MenuItem("N2Tickets")->trigger();
    TTicketsWindow* window = ticketsWindow("Tickets_loto");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Мои билеты: СуперЛото"));
    EXPECT_TRUE(TicketTableExists(m_dir.file("lototick.dbf"))) << "made empty at the first opening";
    ASSERT_EQ(window->Grid().Columns().Count(), 13);
    EXPECT_EQ(window->Grid().Columns()[0].FieldName(), "NAME");
    EXPECT_EQ(window->Grid().Columns()[12].FieldName(), "T12");
    EXPECT_EQ(window->Grid().Columns()[0].Title().Caption(), "Название");
    EXPECT_EQ(window->Grid().Columns()[12].Title().Caption(), "12");

    // Five numbers, a number twice, one outside the game: each refused with one message.
    const std::string empty = testsupport::readFile(m_dir.file("lototick.dbf"));
    typeTicket(*window, "", {"1", "2", "3", "4", "5"});
    window->TicketsDataSet().Cancel();
    typeTicket(*window, "", {"1", "2", "3", "4", "5", "5"});
    window->TicketsDataSet().Cancel();
    typeTicket(*window, "", {"1", "2", "3", "4", "5", "60"});
    window->TicketsDataSet().Cancel();
    ASSERT_EQ(m_messages.shown.size(), 3u);
    EXPECT_EQ(m_messages.shown[0].text,
              "Билет не сохранён: в билете должно быть от 6 до 12 разных номеров от 1 до 49.");
    EXPECT_EQ(testsupport::readFile(m_dir.file("lototick.dbf")), empty);

    m_messages.shown.clear();
    typeTicket(*window, "Дача", {"3", "2", "1", "20", "21", "22"});
    typeTicket(*window, "", {"10", "11", "12", "13", "14", "15", "16", "17"});
    EXPECT_TRUE(m_messages.shown.empty());
    const auto kept = ReadTickets(kSuperLoto, m_dir.file("lototick.dbf"));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].name, "Дача");
    EXPECT_EQ(kept[0].numbers, (std::vector<int>{1, 2, 3, 20, 21, 22}));

    // The menu item again brings back the same window.
    form.MenuItem("N2Tickets")->trigger();
    EXPECT_EQ(ticketsWindow("Tickets_loto"), window);
}

TEST_F(TicketsWindowTest, TheCheckPaintsTheLatestDrawsMatchesAndTheBars) {
    AddTicket(kSuperLoto, m_dir.file("lototick.dbf"), Ticket{0, "Дача", {1, 2, 3, 20, 21, 22}});
    TForm1& form = *m_windows->Form1;
    form.MenuItem("N2Tickets")->trigger();
    TTicketsWindow* window = ticketsWindow("Tickets_loto");
    ASSERT_NE(window, nullptr);
    window->CheckButton().click();
    EXPECT_TRUE(m_messages.shown.empty());
    const QImage& picture = window->Picture();
    ASSERT_FALSE(picture.isNull());
    // The latest draw holds 1, 2 and 3: their boxes are red, 20's is white.
    const int boxTop = 24 + 2 + 8;
    for (int box = 0; box < 3; ++box) EXPECT_EQ(Pixel(picture, 200 + box * 24 + 2, boxTop), 0xC00000u) << box;
    EXPECT_EQ(Pixel(picture, 200 + 3 * 24 + 2, boxTop), 0xFFFFFFu);
    // Draws with 0 matches: one observed (a blue bar), about 1.3 expected (a grey bar).
    EXPECT_EQ(Pixel(picture, 202, 24 + 49), 0x0040A0u);
    EXPECT_EQ(Pixel(picture, 216, 24 + 49), 0xB0B0B0u);
    // With no tickets the picture says so rather than staying empty.
    EXPECT_FALSE(PaintTicketChecks({}).isNull());
}

TEST_F(TicketsWindowTest, TheCheckSaysTheBestDrawAndASystemTicketsCombinations) {
    // The draws 1..6, 7..12 and 1 2 3 10 11 12 (the latest); SuperLoto wins from 3 matches.
    AddTicket(kSuperLoto, "lototick.dbf", Ticket{0, "Дача", {1, 2, 3, 4, 5, 6}});
    AddTicket(kSuperLoto, "lototick.dbf", Ticket{0, "", {1, 2, 3, 4, 10, 11, 20, 21}});
    const CheckedWindow checked(kSuperLoto, "lotobase.dbf");
    ASSERT_EQ(checked.window.Checked().size(), 2u);
    const std::string lastWin = "Последний выигрыш (от 3" + kNbsp + "совпадений) — в записи 3: ";
    EXPECT_EQ(TicketCheckNotes(checked.window.Checked()[0]),
              (std::vector<std::string>{"Лучший тираж — в записи 1: 6" + kNbsp + "совпадений.",
                                        lastWin + "3" + kNbsp + "совпадения."}));
    // The system ticket of 8 holds 5 numbers of the latest draw: of its 28 combinations of 6,
    // C(5,5)C(3,1) = 3 matched 5, C(5,4)C(3,2) = 15 matched 4, C(5,3)C(3,3) = 10 matched 3. Over
    // the three draws (4, 2 and 5 of its numbers) 1 12 21 26 21 3 0 matched 0..6.
    EXPECT_EQ(TicketCheckNotes(checked.window.Checked()[1]),
              (std::vector<std::string>{"Лучший тираж — в записи 3: 5" + kNbsp + "совпадений.",
                                        lastWin + "5" + kNbsp + "совпадений.",
                                        "Сочетаний по 6" + kNbsp + "номеров — 28. В последнем тираже совпали: на 5" +
                                            kNbsp + "номеров — 3, на 4 — 15, на 3 — 10.",
                                        "За 3" + kNbsp + "тиража: на 5" + kNbsp +
                                            "номеров — 3, на 4 — 21, на 3 — 26, на 2 — 21, на 1 — 12, на 0 — 1."}));
    // Each block holds its notes below the bars, the system ticket's two lines more; on it the
    // latest draw's 1 2 3 10 11 are marked, 4, 20 and 21 not.
    const QImage& picture = checked.window.Picture();
    const std::vector<int> tops = BlockTops(picture);
    ASSERT_EQ(tops.size(), 3u);
    EXPECT_EQ(tops[2], picture.height());
    EXPECT_GT(tops[2] - tops[1], tops[1] - tops[0] + 20);
    const bool marked[] = {true, true, true, false, true, true, false, false};
    for (int box = 0; box < 8; ++box)
        EXPECT_EQ(Pixel(picture, 202 + box * 24, tops[1] + 10), marked[box] ? 0xC00000u : 0xFFFFFFu) << box;
}

TEST_F(TicketsWindowTest, AGameWithWinningCountsShowsTheLastWin) {
    // 6 of 45 wins from 2 matches on: the ticket 1..6 matched 6, 2 and 0; the other never 2.
    const Game& game = *GameNamed("g645");
    testsupport::writeDrawTable("g645base.dbf", game,
                                {{1, 2, 3, 4, 5, 6}, {1, 2, 13, 14, 15, 16}, {20, 21, 22, 23, 24, 25}});
    AddTicket(game, TicketTableFileName(game), Ticket{0, "", {1, 2, 3, 4, 5, 6}});
    AddTicket(game, TicketTableFileName(game), Ticket{0, "", {1, 30, 31, 32, 33, 34}});
    const CheckedWindow checked(game, "g645base.dbf");
    ASSERT_EQ(checked.window.Checked().size(), 2u);
    EXPECT_EQ(TicketCheckNotes(checked.window.Checked()[0])[1],
              "Последний выигрыш (от 2" + kNbsp + "совпадений) — в записи 2: 2" + kNbsp + "совпадения.");
    EXPECT_EQ(TicketCheckNotes(checked.window.Checked()[1])[1], "Выигрышей (от 2" + kNbsp + "совпадений) не было.");
}

TEST_F(TicketsWindowTest, KenoTicketsOfOneAndTenNumbersHaveTheirBars) {
    // The Keno draws 1..20, 21..40 and 41..60 (the latest), in a folder of their own.
    testsupport::TempDir elsewhere;
    testsupport::Draws draws(3);
    for (int i = 0; i < 60; ++i) draws[static_cast<std::size_t>(i / 20)].push_back(i + 1);
    testsupport::writeDrawTable(elsewhere.file("kenobase.dbf"), kKeno, draws);
    AddTicket(kKeno, "kenotick.dbf", Ticket{0, "", {1}});
    AddTicket(kKeno, "kenotick.dbf", Ticket{0, "", {15, 16, 17, 18, 19, 20, 21, 22, 23, 24}});
    const CheckedWindow checked(kKeno, elsewhere.file("kenobase.dbf"));
    const std::vector<TicketCheck>& checks = checked.window.Checked();
    ASSERT_EQ(checks.size(), 2u);
    // One number: matched in the first draw only, where chance expects it in a quarter of them.
    EXPECT_EQ(checks[0].observed, (std::vector<std::int64_t>{2, 1}));
    EXPECT_NEAR(checks[0].expected[1], 0.75, 1e-9);
    // Ten numbers: 6 of the first draw, 4 of the second, none of the latest; no combinations.
    EXPECT_EQ(checks[1].observed, (std::vector<std::int64_t>{1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(TicketCheckNotes(checks[1]).size(), 2u);
    // On the picture: blue bars at 0 and 1 for the first, at 0, 4 and 6 only for the second.
    const QImage& picture = checked.window.Picture();
    const std::vector<int> tops = BlockTops(picture);
    ASSERT_EQ(tops.size(), 3u);
    for (int h = 0; h <= 10; ++h) {
        EXPECT_EQ(Pixel(picture, 202 + h * 32, tops[0] + 49), h <= 1 ? 0x0040A0u : 0xFFFFFFu) << h;
        EXPECT_EQ(Pixel(picture, 202 + h * 32, tops[1] + 49), h == 0 || h == 4 || h == 6 ? 0x0040A0u : 0xFFFFFFu) << h;
    }
}

TEST_F(TicketsWindowTest, ATypedTicketRepeatingAKeptOneIsRefusedAndStaysInEditUntilEsc) {
    AddTicket(kSuperLoto, "lototick.dbf", Ticket{0, "Дача", {1, 2, 3, 4, 5, 6}});
    AddTicket(kSuperLoto, "lototick.dbf", Ticket{0, "", {7, 8, 9, 10, 11, 12}});
    m_windows->Form1->MenuItem("N2Tickets")->trigger();
    TTicketsWindow& window = *ticketsWindow("Tickets_loto");
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const std::string before = testsupport::readFile("lototick.dbf");
    const std::string esc = ".\nИзмените номера или нажмите Esc, чтобы отменить правку.";
    // A new row of ticket 1's numbers in another order; Esc then cancels it.
    QTest::mouseClick(window.Navigator().Buttons(TXbaseNavigateBtn::nbInsert), Qt::LeftButton);
    typeAndPost(window, 0, {"Copy", "6", "5", "4", "3", "2", "1"});
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Билет не сохранён: те же номера уже есть в билете «Дача»" + esc);
    EXPECT_EQ(window.TicketsDataSet().State(), TDataSetState::dsInsert) << "the row stays in edit";
    window.Grid().setFocus(Qt::OtherFocusReason);
    window.Grid().SetEditorMode(false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(window.TicketsDataSet().State(), TDataSetState::dsBrowse);
    // Ticket 1 edited into the numbers of ticket 2, which has no name: refused too.
    window.TicketsDataSet().SetRecNo(1);
    typeAndPost(window, 1, {"7", "8", "9", "10", "11", "12"});
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Билет не сохранён: те же номера уже есть в билете 2" + esc);
    EXPECT_EQ(window.TicketsDataSet().State(), TDataSetState::dsEdit);
    window.TicketsDataSet().Cancel();
    EXPECT_EQ(testsupport::readFile("lototick.dbf"), before);
    // Ticket 2 posted with its own numbers is kept: it is no twin of itself.
    window.TicketsDataSet().SetRecNo(2);
    QTest::mouseClick(window.Navigator().Buttons(TXbaseNavigateBtn::nbEdit), Qt::LeftButton);
    typeAndPost(window, 0, {});
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(window.TicketsDataSet().State(), TDataSetState::dsBrowse);
}

TEST_F(TicketsWindowTest, NumbersATicketLeavesOverShowEmptyAndStayBlankOnDisk) {
    // Written by the companion: 3 numbers of Keno's 10, T4..T10 blank on disk and empty here.
    AddTicket(kKeno, "kenotick.dbf", Ticket{0, "", {3, 17, 22}});
    {
        CheckedWindow keno(kKeno, "kenobase.dbf");
        EXPECT_EQ(NumbersShown(keno.window.Grid(), 10),
                  (std::vector<bool>{true, true, true, false, false, false, false, false, false, false}));
        EXPECT_TRUE(keno.window.TicketsDataSet().FieldByName("T4").IsNull());
    }
    // Typed with real keys: 6 of SuperLoto's 12, kept with T7..T12 blank and shown empty; a
    // seventh number typed in and taken out again (Backspace) leaves T7 blank once more.
    m_windows->Form1->MenuItem("N2Tickets")->trigger();
    TTicketsWindow& window = *ticketsWindow("Tickets_loto");
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(window.Navigator().Buttons(TXbaseNavigateBtn::nbInsert), Qt::LeftButton);
    typeAndPost(window, 0, {"Home", "5", "9", "13", "27", "33", "41"});
    const std::string six = " 5 913273341";
    EXPECT_EQ(NumberBytes("lototick.dbf"), six + std::string(12, ' '));
    const std::vector<bool> shown{true, true, true, true, true, true, false, false, false, false, false, false};
    EXPECT_EQ(NumbersShown(window.Grid(), 12), shown);
    typeAndPost(window, 7, {"45"});
    EXPECT_EQ(NumberBytes("lototick.dbf"), six + "45" + std::string(10, ' '));
    typeAndPost(window, 7, {""});
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(NumberBytes("lototick.dbf"), six + std::string(12, ' '));
    EXPECT_EQ(NumbersShown(window.Grid(), 12), shown);
    // The draw windows keep their zeros: a new draw starts with 0 in each number, as before.
    TXbaseDataSet& draws = m_windows->Form3->XbaseDataSet1();
    EXPECT_FALSE(draws.BlankNumbersNull());
    draws.Insert();
    EXPECT_EQ(draws.Fields(0).DisplayText(), "0");
    draws.Cancel();
}

TEST_F(TicketsWindowTest, TheGridIsTypedAsTheDrawsGridAndKeepsTheNumbersInOrder) {
    m_windows->Form1->MenuItem("N2Tickets")->trigger();
    TTicketsWindow& window = *ticketsWindow("Tickets_loto");
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    TDBGrid& grid = window.Grid();
    TXbaseDataSet& tickets = window.TicketsDataSet();
    const auto key = [](Qt::Key pressed, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), pressed, modifiers);
    };
    grid.setFocus(Qt::OtherFocusReason);
    grid.SetSelectedIndex(4);
    // Insert starts a ticket at its name, whatever column the cursor was in.
    key(Qt::Key_Insert);
    EXPECT_EQ(tickets.State(), TDataSetState::dsInsert);
    EXPECT_EQ(grid.SelectedIndex(), 0);
    // Enter goes on to the next cell, as in the draw windows.
    QTest::keyClicks(QApplication::focusWidget(), "Dacha");
    key(Qt::Key_Return);
    EXPECT_EQ(grid.SelectedIndex(), 1);
    for (const char* number : {"40", "7", "33", "1", "12", "25"}) {
        QTest::keyClicks(QApplication::focusWidget(), number);
        key(Qt::Key_Return);
    }
    EXPECT_EQ(grid.SelectedIndex(), 7);
    // Tab past the last number stays in the ticket, unsaved; Shift+Tab at the name goes to the end.
    const std::string empty = testsupport::readFile("lototick.dbf");
    grid.SetSelectedIndex(12);
    key(Qt::Key_Tab);
    EXPECT_EQ(grid.SelectedIndex(), 0);
    EXPECT_EQ(tickets.State(), TDataSetState::dsInsert);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(grid.SelectedIndex(), 12);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.SelectedIndex(), 11);
    EXPECT_EQ(testsupport::readFile("lototick.dbf"), empty) << "nothing saved by the keys";
    EXPECT_EQ(tickets.RecordCount(), 0);

    // Saved: its numbers in order, in the grid as in the table.
    QTest::mouseClick(window.Navigator().Buttons(TXbaseNavigateBtn::nbPost), Qt::LeftButton);
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(tickets.State(), TDataSetState::dsBrowse);
    std::vector<int> shown;
    for (int t = 1; t <= 6; ++t) shown.push_back(tickets.FieldByName("T" + std::to_string(t)).AsInteger());
    EXPECT_EQ(shown, (std::vector<int>{1, 7, 12, 25, 33, 40}));
    const auto kept = ReadTickets(kSuperLoto, m_dir.file("lototick.dbf"));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].name, "Dacha");

    // Ctrl+Delete asks in Russian; No keeps the ticket, Yes deletes it.
    m_messages.replies = {TModalResult::mrCancel};
    grid.setFocus(Qt::OtherFocusReason);
    grid.SetEditorMode(false);
    key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Удалить билет?");
    EXPECT_EQ(ReadTickets(kSuperLoto, m_dir.file("lototick.dbf")).size(), 1u);
    m_messages.replies = {TModalResult::mrOk};
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(ReadTickets(kSuperLoto, m_dir.file("lototick.dbf")).empty());
    EXPECT_EQ(window.Navigator().Hints()[7], "Удалить билет");
}
