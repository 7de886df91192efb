// The main window's menu from the keyboard, with real keys: F10 and a lone Alt take the bar, the
// arrows walk it, Alt with a caption's letter opens its menu; the mnemonics are underlined only
// in keyboard use, so that the bar at rest is drawn as its captions are written.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/startup.h"
#include "table_folder_test.h"
#include "tests/support/recording_message_service.h"

namespace {

class MenuKeysTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        makeTables(10, 10, 1, 2);
        m_windows = CreateProgramWindows();
        ASSERT_NE(m_windows, nullptr);
        TForm1& form = *m_windows->Form1;
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void TearDown() override {
        closePopups();
        m_windows.reset();
        TableFolderTest::TearDown();
    }

    TForm1& form() { return *m_windows->Form1; }
    QMenuBar& bar() { return *form().menuBar(); }
    QAction* menu(int index) { return bar().actions()[index]; }
    static QWidget* popup() { return QApplication::activePopupWidget(); }
    // Where the keyboard's keys go: the open menu, else the widget with the focus.
    QWidget* target() {
        if (popup()) return popup();
        return QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget*>(&form());
    }
    static void closePopups() {
        while (QWidget* open = popup()) open->close();
    }
    QImage barPicture() { return bar().grab().toImage(); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::sendKeyEvent(QTest::Click, target(), key, QString(), modifiers);
        QApplication::processEvents();
    }

    RecordingMessageService m_messages;
    std::unique_ptr<ProgramWindows> m_windows;
};

TEST_F(MenuKeysTest, EveryCaptionHasItsOwnMnemonicAndTheBarAtRestLooksAsWritten) {
    const QList<QAction*> menus = bar().actions();
    ASSERT_EQ(menus.size(), 5);
    EXPECT_EQ(menus[0]->text(), QString::fromUtf8("&Данные"));
    EXPECT_EQ(menus[4]->text(), QString("?")) << "no letter, no mnemonic";
    EXPECT_EQ(form().MenuItem("N8")->text(), QString::fromUtf8("&Выход"));
    // No two items of a menu on one letter.
    for (QAction* top : menus) {
        QSet<QString> letters;
        for (QAction* item : top->menu()->actions()) {
            const QString letter = item->text().section('&', 1).left(1).toLower();
            EXPECT_FALSE(!letter.isEmpty() && letters.contains(letter)) << item->text().toStdString();
            letters.insert(letter);
        }
    }
    // The same bar with its captions as written, without mnemonics, gives the same pixels.
    const QImage withMnemonics = barPicture();
    std::vector<QString> texts;
    for (QAction* top : menus) {
        texts.push_back(top->text());
        top->setText(QString(top->text()).remove('&'));
    }
    EXPECT_EQ(barPicture(), withMnemonics);
    for (std::size_t m = 0; m < texts.size(); ++m) menus[static_cast<int>(m)]->setText(texts[m]);
}

TEST_F(MenuKeysTest, F10OpensTheFirstMenuAndTheArrowsWalkTheBar) {
    const QImage atRest = barPicture();
    press(Qt::Key_F10);
    ASSERT_NE(popup(), nullptr);
    EXPECT_EQ(popup(), menu(0)->menu());
    EXPECT_NE(barPicture(), atRest) << "the mnemonics are underlined and the menu is open";
    press(Qt::Key_Right);
    EXPECT_EQ(popup(), menu(1)->menu());
    press(Qt::Key_Right);
    EXPECT_EQ(popup(), menu(2)->menu());
    press(Qt::Key_Left);
    EXPECT_EQ(popup(), menu(1)->menu());
    // Down and Enter choose the first item of the open menu, the SuperLoto histogram.
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(popup(), nullptr);
    EXPECT_TRUE(form().Image1().HasPicture()) << "the first item of the menu ran";
    QApplication::processEvents();
    EXPECT_EQ(barPicture(), atRest) << "the menu left, the bar is as at rest";
}

TEST_F(MenuKeysTest, ALoneAltTakesTheBarAndAltWithALetterOpensItsMenu) {
    press(Qt::Key_Alt);
    EXPECT_EQ(bar().activeAction(), menu(0));
    EXPECT_EQ(popup(), nullptr);
    press(Qt::Key_Right);
    EXPECT_EQ(bar().activeAction(), menu(1));
    press(Qt::Key_Down);
    EXPECT_EQ(popup(), menu(1)->menu());
    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    closePopups();
    QApplication::processEvents();

    // Alt+К: the Keno menu.
    QTest::sendKeyEvent(QTest::Click, target(), static_cast<Qt::Key>(QChar(u'К').unicode()), QString::fromUtf8("к"),
                        Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(popup(), menu(2)->menu());
}

// A menu added to the bar later (a further game's, after "Новая таблица…") and its items get
// mnemonics on letters their siblings have not taken, and the menu the keys' style; the captions
// that had theirs keep them.
TEST_F(MenuKeysTest, MenusAddedLaterGetMnemonicsAndTheKeysStyle) {
    QMenu* added = bar().addMenu(QString::fromUtf8("Лото 5 из 36"));
    added->addAction(QString::fromUtf8("Гистограмма"));
    added->addAction(QString::fromUtf8("Гистограмма вторая"));
    QApplication::processEvents();
    // An item added to a menu that was there: followed as well.
    QAction* before = menu(0)->menu()->actions().front();
    const QString beforeText = before->text();
    menu(0)->menu()->addAction(QString::fromUtf8("Данные ещё"));
    QApplication::processEvents();
    EXPECT_EQ(added->menuAction()->text(), QString::fromUtf8("&Лото 5 из 36"));
    EXPECT_EQ(added->actions()[0]->text(), QString::fromUtf8("&Гистограмма"));
    EXPECT_EQ(added->actions()[1]->text(), QString::fromUtf8("Г&истограмма вторая"));
    EXPECT_EQ(menu(0)->text(), QString::fromUtf8("&Данные"));
    EXPECT_EQ(before->text(), beforeText);
    EXPECT_EQ(menu(0)->menu()->actions().back()->text().count('&'), 1);
    EXPECT_EQ(added->style(), bar().style());

    // Alt+Л opens it, from the keyboard.
    QTest::sendKeyEvent(QTest::Click, target(), static_cast<Qt::Key>(QChar(u'Л').unicode()), QString::fromUtf8("л"),
                        Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(popup(), added);
}

}  // namespace
