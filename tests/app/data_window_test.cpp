// The draw data windows as the user meets them: their settings, the Enter-key rule stepping
// through the numbers of a draw, a draw typed in, posted and counted by the main window, and the
// rows that are no draw refused with real keys.
#include <QApplication>
#include <QtTest/QTest>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/startup.h"
#include "dbf/table_handler.h"
#include "tests/support/dbf_image.h"
#include "toolkit/dialogs.h"
#include "tests/support/draw_table.h"
#include "tests/support/recording_message_service.h"
#include "table_folder_test.h"

namespace {

using testsupport::TempDir;

class DataWindowTest : public TableFolderTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TableFolderTest::SetUp());
        makeTables(5, 5, 3, 4);
        m_windows = CreateProgramWindows();
        ASSERT_NE(m_windows, nullptr);
    }
    void TearDown() override {
        m_windows.reset();
        TableFolderTest::TearDown();
    }

    // Shows a data window with the focus in its grid, as after a click into it.
    TDBGrid& focusGrid(TDataWindow& window) {
        window.ShowAndRaise();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        window.DBGrid1().setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        return window.DBGrid1();
    }

    RecordingMessageService m_messages;
    std::unique_ptr<ProgramWindows> m_windows;
};

TEST_F(DataWindowTest, SettingsOfBothWindows) {
    TForm3& loto = *m_windows->Form3;
    TForm4& keno = *m_windows->Form4;
    EXPECT_EQ(loto.windowTitle(), QString::fromUtf8("База данных СУПЕРЛОТО"));
    EXPECT_EQ(keno.windowTitle(), QString::fromUtf8("База данных КЕНО"));
    EXPECT_EQ(loto.size(), QSize(280, 274));
    EXPECT_EQ(keno.size(), QSize(536, 265));
    EXPECT_EQ(loto.minimumSize(), loto.maximumSize());
    EXPECT_FALSE(keno.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(loto.XbaseNavigator1().geometry(), QRect(0, 0, 280, 25));
    EXPECT_EQ(keno.XbaseNavigator1().geometry(), QRect(-8, 0, 544, 25));
    EXPECT_FALSE(loto.XbaseNavigator1().VisibleButtons().Contains(TXbaseNavigateBtn::nbEdit));
    EXPECT_TRUE(keno.XbaseNavigator1().VisibleButtons().Contains(TXbaseNavigateBtn::nbEdit));
    EXPECT_FALSE(keno.XbaseNavigator1().VisibleButtons().Contains(TXbaseNavigateBtn::nbCancel));
    EXPECT_EQ(loto.DBGrid1().geometry(), QRect(0, 24, 280, 250));
    EXPECT_EQ(keno.DBGrid1().geometry(), QRect(0, 24, 537, 233));
    ASSERT_EQ(loto.DBGrid1().Columns().Count(), 6);
    ASSERT_EQ(keno.DBGrid1().Columns().Count(), 20);
    EXPECT_EQ(loto.DBGrid1().Columns()[5].FieldName(), "C6");
    EXPECT_EQ(loto.DBGrid1().Columns()[0].Width(), 40);
    EXPECT_EQ(keno.DBGrid1().Columns()[19].FieldName(), "K20");
    EXPECT_EQ(keno.DBGrid1().Columns()[19].Width(), 24);
    EXPECT_FALSE(loto.DBGrid1().Options().Contains(TDBGridOption::dgColumnResize));
    EXPECT_TRUE(keno.DBGrid1().Options().Contains(TDBGridOption::dgColumnResize));
    EXPECT_TRUE(loto.DBGrid1().Options().Contains(TDBGridOption::dgConfirmDelete));
    EXPECT_TRUE(loto.DBGrid1().Font().Bold);
    EXPECT_EQ(loto.DBGrid1().Font().Name, "Times New Roman");
    EXPECT_EQ(keno.DBGrid1().Font(), TFont{});
    EXPECT_EQ(loto.XbaseDataSet1().TableName(), "lotobase.dbf");
    EXPECT_FALSE(loto.XbaseDataSet1().AutoCalcFields());
    EXPECT_EQ(loto.DBGrid1().focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(loto.XbaseNavigator1().focusPolicy(), Qt::NoFocus) << "the navigator is no tab stop";
}

TEST_F(DataWindowTest, EnterStepsThroughTheNumbersOfOneDraw) {
    TForm3& loto = *m_windows->Form3;
    TDBGrid& grid = focusGrid(loto);
    ASSERT_TRUE(grid.HasFocusWithin());
    grid.SetSelectedIndex(2);
    const int recNo = loto.XbaseDataSet1().RecNo();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(grid.SelectedIndex(), 3) << "C3 -> C4";
    EXPECT_TRUE(grid.EditorMode()) << "the editor opens on the new cell";
    grid.SetSelectedIndex(5);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(grid.SelectedIndex(), 0) << "C6 -> C1 of the same draw";
    EXPECT_EQ(loto.XbaseDataSet1().RecNo(), recNo);

    // Keys other than Enter are the grid's own: Tab moves on as the grid moves.
    grid.SetEditorMode(false);
    grid.SetSelectedIndex(1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(grid.SelectedIndex(), 2);

    TForm4& keno = *m_windows->Form4;
    TDBGrid& kenoGrid = focusGrid(keno);
    kenoGrid.SetSelectedIndex(19);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(kenoGrid.SelectedIndex(), 0) << "K20 -> K1";
}

TEST_F(DataWindowTest, EnterOutsideTheGridSendsTheFocusToTheGrid) {
    TForm3& loto = *m_windows->Form3;
    focusGrid(loto);
    loto.setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    char key = 13;
    loto.FormKeyPress(key);
    EXPECT_EQ(key, 0) << "the key is discarded";
    EXPECT_TRUE(loto.DBGrid1().HasFocusWithin());
    char digit = '7';
    loto.FormKeyPress(digit);
    EXPECT_EQ(digit, '7');
}

TEST_F(DataWindowTest, ADrawTypedInIsInTheFileOnlyWhenPostedAndTheHistogramCountsIt) {
    TForm3& loto = *m_windows->Form3;
    TDBGrid& grid = focusGrid(loto);
    const std::string before = testsupport::readFile(m_dir.file("lotobase.dbf"));
    loto.XbaseNavigator1().BtnClick(TXbaseNavigateBtn::nbInsert);
    ASSERT_EQ(loto.XbaseDataSet1().State(), TDataSetState::dsInsert);
    grid.setFocus(Qt::OtherFocusReason);
    grid.SetSelectedIndex(0);
    const char* draw[6] = {"11", "22", "33", "44", "45", "46"};
    for (const char* number : draw) {
        QTest::keyClicks(QApplication::focusWidget(), number);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        if (grid.EditorMode() && grid.SelectedIndex() == 0) break;
    }
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(loto.XbaseDataSet1().Fields(0).AsInteger(), 11);
    EXPECT_EQ(loto.XbaseDataSet1().Fields(5).AsInteger(), 46);
    EXPECT_EQ(testsupport::readFile(m_dir.file("lotobase.dbf")), before) << "not in the file before the post";

    loto.XbaseNavigator1().BtnClick(TXbaseNavigateBtn::nbPost);
    EXPECT_EQ(loto.XbaseDataSet1().State(), TDataSetState::dsBrowse);
    // A fresh engine object reads the new draw from the file.
    DBFObject table(m_dir.file("lotobase.dbf"), "", false, true);
    ASSERT_EQ(table.recordCount(), 6u);
    table.readRecord(6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(table.getNumber(i + 1), std::stoi(draw[i]));

    m_windows->Form1->MenuItem("N9")->trigger();
    EXPECT_TRUE(m_messages.shown.empty());
    int counted = 0;
    for (std::int32_t value : LotoValues) counted += value;
    EXPECT_EQ(counted, 6 * 6);
    EXPECT_GE(LotoValues[45], 1) << "46 was counted";
}

// A row left or posted that is no draw of the game: refused with the field named, the row still in
// edit with the cursor on that field, the file untouched; Esc then cancels the row.
struct RefusedRow {
    bool keno;
    std::vector<const char*> typed;  // from the first field on, Enter after each
    Qt::Key leave;                   // the key that leaves the row, or Key_unknown: a click on Post
    const char* message;             // the start of the box's text
    int field;                       // the field the cursor is put on (0-based)
};

TEST_F(DataWindowTest, ATypedRowThatIsNoDrawIsRefusedAndStaysInEditUntilEsc) {
    const RefusedRow rows[] = {
        {false, {"60"}, Qt::Key_Up, "Поле C1: номера 60 в игре нет, номера — от 1 до 49.", 0},
        {false, {"5", "5", "1", "2", "3", "4"}, Qt::Key_Up, "Поле C2: номер 5 уже есть в поле C1,", 1},
        {false, {"7", "8"}, Qt::Key_Up, "Поле C3 пусто: нужен номер от 1 до 49.", 2},
        {false, {"7", "8", "9", "10", "11", "0"}, Qt::Key_unknown, "Поле C6 пусто", 5},
        {true, {"81"}, Qt::Key_Down, "Поле K1: номера 81 в игре нет, номера — от 1 до 80.", 0},
    };
    for (const RefusedRow& row : rows) {
        SCOPED_TRACE(row.message);
        TDataWindow& window = row.keno ? static_cast<TDataWindow&>(*m_windows->Form4) : *m_windows->Form3;
        const std::string path = m_dir.file(row.keno ? "kenobase.dbf" : "lotobase.dbf");
        const std::string before = testsupport::readFile(path);
        TDBGrid& grid = focusGrid(window);
        window.XbaseNavigator1().BtnClick(TXbaseNavigateBtn::nbInsert);
        grid.setFocus(Qt::OtherFocusReason);
        grid.SetSelectedIndex(0);
        for (const char* number : row.typed) {
            QTest::keyClicks(QApplication::focusWidget(), number);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        m_messages.shown.clear();
        if (row.leave == Qt::Key_unknown)
            QTest::mouseClick(window.XbaseNavigator1().Buttons(TXbaseNavigateBtn::nbPost), Qt::LeftButton);
        else
            QTest::keyClick(QApplication::focusWidget(), row.leave);
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(m_messages.shown[0].text.rfind(row.message, 0), 0u) << m_messages.shown[0].text;
        EXPECT_NE(m_messages.shown[0].text.find("Esc"), std::string::npos);
        EXPECT_EQ(window.XbaseDataSet1().State(), TDataSetState::dsInsert) << "the row stays in edit";
        EXPECT_EQ(grid.SelectedIndex(), row.field);
        EXPECT_EQ(testsupport::readFile(path), before);

        grid.setFocus(Qt::OtherFocusReason);
        grid.SetEditorMode(false);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_EQ(window.XbaseDataSet1().State(), TDataSetState::dsBrowse) << "Esc cancels the row";
        EXPECT_EQ(testsupport::readFile(path), before);
        window.hide();
    }
}

TEST_F(DataWindowTest, RowsOnlyMovedThroughAreNotJudgedButAnEditedOneIs) {
    // A table that already holds a row that is no draw, as another program may have left it.
    m_windows.reset();
    testsupport::writeDrawTable(m_dir.file("lotobase.dbf"), kSuperLoto,
                                {{1, 2, 3, 4, 5, 6}, {60, 5, 5, 0, 0, 0}, {7, 8, 9, 10, 11, 12}});
    m_windows = CreateProgramWindows();
    TForm3& loto = *m_windows->Form3;
    TDBGrid& grid = focusGrid(loto);
    loto.XbaseDataSet1().First();
    for (int i = 0; i < 2; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_TRUE(m_messages.shown.empty()) << "moving through the table judges nothing";
    EXPECT_EQ(loto.XbaseDataSet1().RecNo(), 2);

    // The first draw edited into a repeat: refused on leaving it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    ASSERT_EQ(loto.XbaseDataSet1().RecNo(), 1);
    const std::string before = testsupport::readFile(m_dir.file("lotobase.dbf"));
    grid.SetSelectedIndex(3);
    QTest::keyClicks(QApplication::focusWidget(), "2");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text.rfind("Поле C4: номер 2 уже есть в поле C2,", 0), 0u)
        << m_messages.shown[0].text;
    EXPECT_EQ(loto.XbaseDataSet1().State(), TDataSetState::dsEdit);
    EXPECT_EQ(loto.XbaseDataSet1().RecNo(), 1);
    EXPECT_EQ(testsupport::readFile(m_dir.file("lotobase.dbf")), before);
}

}  // namespace
