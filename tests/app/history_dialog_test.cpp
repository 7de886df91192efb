// The dialog of the window of history: what it shows for the choice in force, the noun agreeing
// with the number, fewer than 5 draws refused, and its title whole. (The menu item that shows the
// window in force is tested with the main window.)
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include "app/history_dialog.h"
#include "tests/support/recording_message_service.h"

namespace {

TEST(HistoryDialog, OpensOnTheChoiceInForce) {
    struct Case {
        int last;
        bool latest;
        int shown;
    };
    for (const Case c : {Case{0, false, 200}, Case{12, true, 12}, Case{5, true, 5}, Case{250000, true, 250000}}) {
        THistoryDialog dialog(c.last);
        EXPECT_EQ(dialog.LatestButton()->isChecked(), c.latest) << c.last;
        EXPECT_EQ(dialog.AllButton()->isChecked(), !c.latest) << c.last;
        EXPECT_EQ(dialog.CountBox()->isEnabled(), c.latest) << c.last;
        EXPECT_EQ(dialog.CountBox()->value(), c.shown) << c.last;
        EXPECT_EQ(dialog.CountBox()->maximum(), 99999999);
        EXPECT_EQ(dialog.Last(), c.last);
        // The frame's title is not cut: the window is wider than the title's text.
        EXPECT_GT(dialog.width(), dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()));
    }
}

TEST(HistoryDialog, TheNounAfterTheBoxAgreesWithTheNumber) {
    THistoryDialog dialog(12);
    const std::pair<int, const char*> cases[] = {
        {5, "тиражей"}, {21, "тираж"}, {22, "тиража"}, {111, "тиражей"}, {1001, "тираж"}};
    for (const auto& [count, noun] : cases) {
        dialog.CountBox()->setValue(count);
        EXPECT_EQ(dialog.NounLabel()->text(), QString::fromUtf8(noun)) << count;
    }
}

TEST(HistoryDialog, FewerThanFiveDrawsAreRefused) {
    RecordingMessageService messages;
    THistoryDialog dialog(12);
    dialog.show();
    QPushButton* ok = dialog.findChildren<QPushButton*>().front();
    ASSERT_EQ(ok->text(), QString("OK"));
    dialog.CountBox()->setFocus();
    dialog.CountBox()->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(dialog.CountBox(), "4");
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Каждому анализу нужно не меньше 5\u00A0тиражей: введите число от 5 до "
              "99\u00A0999\u00A0999.");
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_EQ(dialog.result(), 0);
    dialog.CountBox()->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(dialog.CountBox(), "5");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Last(), 5);
    EXPECT_EQ(messages.shown.size(), 1u);
    // Every draw is no number at all: nothing to refuse.
    THistoryDialog all(0);
    all.CountBox()->setValue(2);
    all.accept();
    EXPECT_EQ(all.result(), QDialog::Accepted);
    EXPECT_EQ(all.Last(), 0);
}

}  // namespace
