// "Мои билеты": the game's menu item opens the tickets window on the tickets table; a typed
// ticket is refused or kept; the check paints each ticket with the latest draw's matches marked.
#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/calcul.h"
#include "app/startup.h"
#include "app/tickets_window.h"
#include "dbf/table_handler.h"
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

    RecordingMessageService m_messages;
    std::unique_ptr<ProgramWindows> m_windows;
};

std::uint32_t Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

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
              "Билет не сохранён: в нём должно быть от 6 до 12\u00a0номеров из 1–49, без повторов.");
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
