// «Составить систему…»: the item in the game's menu, numbers clicked on the board (keys in their
// own colour), the wheel made on the worker and its summary, filters, the tickets kept, saved as
// CSV and printed to PDF, and a refused plan.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "app/calcul.h"
#include "app/startup.h"
#include "app/wheel_dialog.h"
#include "table_folder_test.h"
#include "tests/support/files.h"
#include "tests/support/recording_message_service.h"
#include "tickets/tickets.h"

namespace {

class WheelDialogTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        testsupport::writeDrawTable(m_dir.file("lotobase.dbf"), kSuperLoto,
                                    {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {1, 2, 3, 10, 11, 12}});
        makeTable(kKeno, 5, 4);
        m_windows = CreateProgramWindows();
        ASSERT_NE(m_windows, nullptr);
        m_dialog =
            std::make_unique<TWheelDialog>(kSuperLoto, m_windows->Form1->XbaseDataSet1(), m_windows->Form1->History());
        m_dialog->show();
    }
    void TearDown() override {
        m_dialog.reset();
        m_windows.reset();
        TableFolderTest::TearDown();
    }
    void click(int number) { QTest::mouseClick(&m_dialog->NumberButton(number), Qt::LeftButton); }
    QRgb middle(int number) {
        const QImage image = m_dialog->NumberButton(number).grab().toImage();
        return image.pixel(4, image.height() / 2);
    }

    RecordingMessageService m_messages;
    std::unique_ptr<ProgramWindows> m_windows;
    std::unique_ptr<TWheelDialog> m_dialog;
};

TEST_F(WheelDialogTest, TheGameMenuOffersIt) {
    QAction* item = m_windows->Form1->findChild<QAction*>("N2Wheel");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text().remove(QLatin1Char('&')), QString::fromUtf8("Составить систему…"));  // less its mnemonic
}

TEST_F(WheelDialogTest, ClickedNumbersMakeAVerifiedWheelThatIsKeptSavedAndPrinted) {
    const QRgb plain = middle(1);
    for (int n = 1; n <= 7; ++n) click(n);
    click(7);  // a second click takes a number back
    click(7);
    EXPECT_EQ(m_dialog->Chosen(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(m_dialog->Keys().empty());
    const QRgb chosen = middle(1);
    EXPECT_NE(chosen, plain);
    EXPECT_GT(qBlue(chosen), qRed(chosen));
    EXPECT_FALSE(m_dialog->AddButton().isEnabled());

    m_dialog->GuaranteeT().setValue(2);
    m_dialog->GuaranteeM().setValue(2);
    m_dialog->Price().setValue(50);
    QTest::mouseClick(&m_dialog->MakeButton(), Qt::LeftButton);
    ASSERT_EQ(m_dialog->Tickets().size(), 3u) << m_dialog->Summary().toStdString();
    const std::string summary = m_dialog->Summary().toStdString();
    EXPECT_NE(summary.find("Система: 3\u00A0билета по 6; нижняя граница — 3 (граница Шёнхайма): меньшей системы с "
                           "этой гарантией не бывает.\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Гарантия «2 из 2» проверена: если 2 выпавших номера есть среди 7 выбранных, хотя бы один "
                           "билет угадает не меньше 2; проверены все 21\u00A0сочетание по 2.\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Стоимость: 150,00\u00A0₽.\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("  6 и больше: "), std::string::npos) << summary;
    EXPECT_NE(summary.find("шанс каждого билета остаётся тем же."), std::string::npos) << summary;
    EXPECT_EQ(m_dialog->TicketText().toStdString(), "1.\t1 2 3 4 5 6\n2.\t1 2 3 4 5 7\n3.\t1 2 3 4 6 7\n");

    // A sum of at most 22 keeps two of the three tickets, and the guarantee no longer holds.
    m_dialog->SumFilter().setChecked(true);
    m_dialog->SumHigh().setValue(22);
    QTest::mouseClick(&m_dialog->MakeButton(), Qt::LeftButton);
    ASSERT_EQ(m_dialog->Tickets().size(), 2u);
    const std::string filtered = m_dialog->Summary().toStdString();
    EXPECT_NE(filtered.find("Фильтр «сумма 0–22» оставляет 2 из 3\u00A0билетов и 2 из 13\u00A0983\u00A0816\u00A0"
                            "сочетаний игры (0,0000143\u00A0%).\n"),
              std::string::npos)
        << filtered;
    EXPECT_NE(filtered.find("После фильтров осталось 2\u00A0билета: гарантия больше не действует (например, при "
                            "выпавших 6, 7 ни один билет не угадает 2).\n"),
              std::string::npos)
        << filtered;

    // At most one number a decade and of the three long absent numbers (13 and up here, never drawn)
    // at least one: no ticket of 1..7 passes, and each filter says what it keeps of every combination.
    m_dialog->SumFilter().setChecked(false);
    m_dialog->DecadeFilter().setChecked(true);
    m_dialog->DecadeMost().setValue(1);
    m_dialog->AbsentFilter().setChecked(true);
    m_dialog->AbsentCount().setValue(3);
    QTest::mouseClick(&m_dialog->MakeButton(), Qt::LeftButton);
    EXPECT_TRUE(m_dialog->Tickets().empty());
    const std::string decades = m_dialog->Summary().toStdString();
    EXPECT_NE(decades.find("Фильтр «в одном десятке не больше 1» оставляет 0 из 3\u00A0билетов и "), std::string::npos)
        << decades;
    EXPECT_NE(decades.find("Фильтр «долго не выпадавших не меньше 1 из 3» оставляет 0 из 3\u00A0билетов и "),
              std::string::npos)
        << decades;
    m_dialog->DecadeFilter().setChecked(false);
    m_dialog->AbsentFilter().setChecked(false);
    m_dialog->SumFilter().setChecked(true);
    QTest::mouseClick(&m_dialog->MakeButton(), Qt::LeftButton);
    ASSERT_EQ(m_dialog->Tickets().size(), 2u);

    EXPECT_EQ(m_dialog->AddToMyTickets(), 2);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "В мои билеты добавлено: 2\u00A0билета.");
    EXPECT_EQ(ReadTickets(kSuperLoto, TicketTableFileName(kSuperLoto)).size(), 2u);
    EXPECT_EQ(m_dialog->AddToMyTickets(), 0);
    EXPECT_EQ(m_messages.shown[1].text, "В мои билеты добавлено: 0\u00A0билетов. Уже были там: 2\u00A0билета.");

    const QString csv = QString::fromStdString(m_dir.file("wheel.csv"));
    m_dialog->SaveCsv(csv);
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), "n1,n2,n3,n4,n5,n6\n1,2,3,4,5,6\n1,2,3,4,5,7\n");
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(m_dir.file("wheel.pdf")));
    m_dialog->PrintTo(printer);
    QFile pdf(QString::fromStdString(m_dir.file("wheel.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

TEST_F(WheelDialogTest, KeyNumbersAndARefusedPlan) {
    QTest::mouseClick(&m_dialog->MakeButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Выбрано 0\u00A0номеров, а в билете их 6: выберите больше.");
    EXPECT_TRUE(m_dialog->Tickets().empty());

    // A full wheel of 49 numbers would be too large to list.
    for (int n = 1; n <= 49; ++n) click(n);
    m_dialog->FullWheel().setChecked(true);
    QTest::mouseClick(&m_dialog->MakeButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_messages.shown[1].text,
              "В полной системе было бы 13\u00A0983\u00A0816\u00A0билетов: это больше "
              "200\u00A0000.");
    m_dialog->FullWheel().setChecked(false);
    for (int n = 1; n <= 49; ++n) click(n);

    for (int n = 10; n <= 18; ++n) click(n);
    m_dialog->KeyMode().setChecked(true);
    click(10);
    EXPECT_EQ(m_dialog->Keys(), (std::vector<int>{10}));
    EXPECT_GT(qRed(middle(10)), qBlue(middle(10)));
    m_dialog->GuaranteeT().setValue(3);
    m_dialog->GuaranteeM().setValue(3);
    m_dialog->Seconds().setValue(1);
    QTest::mouseClick(&m_dialog->MakeButton(), Qt::LeftButton);
    ASSERT_FALSE(m_dialog->Tickets().empty()) << m_dialog->Summary().toStdString();
    for (const auto& ticket : m_dialog->Tickets()) {
        EXPECT_EQ(ticket.size(), 6u);
        EXPECT_EQ(ticket.front(), 10);
    }
    EXPECT_NE(m_dialog->Summary().toStdString().find("среди 8 выбранных, кроме ключевых, хотя бы один билет угадает не "
                                                     "меньше 3 из них (и все выпавшие ключевые)"),
              std::string::npos)
        << m_dialog->Summary().toStdString();
}

}  // namespace
