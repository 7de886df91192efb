// The data grid on a shown window over real draw tables: typing and the cell editor, Enter,
// Escape and F2, the row and column keys with and without Ctrl, Tab across rows, inserting and
// appending, deleting after the question, posting or cancelling when a row is left, leaving the
// grid, refused input and its messages, the scroll bar, column sizing and moving, horizontal
// scrolling, Cyrillic text, and the cells as drawn.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dataset/xbase_dataset.h"
#include "platform/ansi_text.h"
#include "platform/fault_injection.h"
#include "tests/dataset/xbase_test_util.h"
#include "tests/support/dbf_image.h"
#include "toolkit/database_error.h"
#include "toolkit/db_grid.h"
#include "toolkit/dialogs.h"
#include "toolkit/fields.h"
#include "tests/support/draw_table.h"
#include "tests/support/recording_message_service.h"
#include "tests/support/test_hooks.h"

namespace {

using xbtest::drawOf;
using xbtest::recordAt;
using xbtest::recordBytes;

const TDBGridOptions kLotoOptions = {
    TDBGridOption::dgEditing,  TDBGridOption::dgTitles, TDBGridOption::dgIndicator,     TDBGridOption::dgColLines,
    TDBGridOption::dgRowLines, TDBGridOption::dgTabs,   TDBGridOption::dgConfirmDelete, TDBGridOption::dgCancelOnExit};
const TDBGridOptions kKenoOptions = kLotoOptions + TDBGridOption::dgColumnResize;

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kSilver = 0xC0C0C0;
constexpr QRgb kNavy = 0x000080;
constexpr QRgb kWhite = 0xFFFFFF;

QRgb rgbAt(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// The pixels of `colour` inside a rectangle, relative to its top-left corner.
std::set<std::pair<int, int>> pixelsOf(const QImage& image, const QRect& rect, QRgb colour) {
    std::set<std::pair<int, int>> pixels;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (rgbAt(image, x, y) == colour) pixels.insert({x - rect.left(), y - rect.top()});
        }
    }
    return pixels;
}

class GridTest : public ::testing::Test {
protected:
    testsupport::TestHooksReset m_hooks;  // gone last: the beep and the faults are back after the test

    void SetUp() override {
        platform::clearFaults();
        SetBeepHook([this] { ++m_beeps; });
    }

    void TearDown() override {
        m_window.reset();
        m_source.SetDataSet(nullptr);
        m_dataSet.reset();
    }

    std::string tablePath() const { return m_dir.file("lotobase.dbf"); }
    std::string fileBytes() const { return testsupport::readFile(tablePath()); }

    // A SuperLoto grid as its window sets it up, over a draw table of `records` draws (record i
    // holds i, i+10, ..., i+50).
    void openLoto(int records, TDBGridOptions options = kLotoOptions, bool readOnly = false, int width = 280,
                  int height = 250) {
        xbtest::writeDrawTable(tablePath(), records, m_deleted);
        openDataSet(tablePath(), readOnly);
        makeWindow(width, height);
        m_grid->SetOptions(options);
        m_grid->SetFont({"Times New Roman", -13, true, false, RUSSIAN_CHARSET, clBlack});
        m_grid->SetTitleFont({"MS Sans Serif", -13, true, false, DEFAULT_CHARSET, clBlack});
        for (int k = 1; k <= 6; ++k) {
            TColumn& column = m_grid->Columns().Add();
            column.SetFieldName("C" + std::to_string(k));
            column.SetWidth(40);
            column.SetFont({"Times New Roman", -13, false, false, RUSSIAN_CHARSET, clBlack});
        }
        show();
    }

    // A Keno grid as its window sets it up, over a table of twenty N(2,0) fields K1..K20.
    void openKeno(int records, int width = 537, int height = 233) {
        testsupport::makeDrawTable(tablePath(), kKeno, static_cast<std::size_t>(records), 7);
        openDataSet(tablePath(), false);
        makeWindow(width, height);
        m_grid->SetOptions(kKenoOptions);
        m_grid->SetFont({"MS Sans Serif", -11, false, false, DEFAULT_CHARSET, clBlack});
        m_grid->SetTitleFont({"MS Sans Serif", -11, false, false, DEFAULT_CHARSET, clBlack});
        for (int k = 1; k <= 20; ++k) {
            TColumn& column = m_grid->Columns().Add();
            column.SetFieldName("K" + std::to_string(k));
            column.SetWidth(24);
            column.SetFont({"Times New Roman", -13, false, false, RUSSIAN_CHARSET, clBlack});
            column.Title().SetFont({"Times New Roman", -11, true, false, RUSSIAN_CHARSET, clBlack});
        }
        show();
    }

    void openDataSet(const std::string& path, bool readOnly) {
        m_dataSet = std::make_unique<TXbaseDataSet>();
        m_dataSet->SetName("XbaseDataSet1");
        m_dataSet->SetTableName(path);
        m_dataSet->SetExactCount(true);
        m_dataSet->SetReadOnly(readOnly);
        m_dataSet->Open();
        m_source.SetDataSet(m_dataSet.get());
    }

    // The grid sits below another control of the same window, as below the navigator bar.
    void makeWindow(int width, int height) {
        m_window = std::make_unique<QWidget>();
        m_window->resize(std::max(width, 280), height + 24);
        m_other = new QLineEdit(m_window.get());
        m_other->setGeometry(0, 0, 200, 24);
        m_grid = new TDBGrid(m_window.get());
        m_grid->setGeometry(0, 24, width, height);
        m_grid->SetDataSource(&m_source);
    }

    void show() {
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        m_grid->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(m_grid->HasFocusWithin());
    }

    // Keys go where the user's keys would: to the widget with the focus.
    QWidget* target() const {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : m_grid;
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(target(), k, modifiers); }
    void type(const QString& text) {
        for (QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(target(), static_cast<char>(c.unicode()));
            } else {
                QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
                QKeyEvent release(QEvent::KeyRelease, c.toUpper().unicode(), Qt::NoModifier, QString(c));
                QApplication::sendEvent(target(), &press);
                QApplication::sendEvent(target(), &release);
            }
        }
    }

    QPoint centre(int column, int row) const { return m_grid->CellRect(column, row).center(); }
    void click(int column, int row, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(m_grid->viewport(), button, Qt::NoModifier, centre(column, row));
    }
    void mouse(QEvent::Type type, const QPoint& point, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(point), m_grid->viewport()->mapToGlobal(QPointF(point)), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(m_grid->viewport(), &event);
    }
    void drag(const QPoint& from, const QPoint& to) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        const int steps = 4;
        for (int i = 1; i <= steps; ++i) {
            mouse(QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton, Qt::LeftButton);
        }
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    QImage picture() const { return m_grid->viewport()->grab().toImage(); }
    // Saved for a person to look at when SHAROMETR_GRID_SHOTS names a directory.
    void saveShot(const char* name) const {
        if (const char* dir = std::getenv("SHAROMETR_GRID_SHOTS")) m_grid->grab().save(QString(dir) + "/" + name);
    }

    bool editorOpen() const { return m_grid->EditorMode() && m_grid->InplaceEditor()->isVisible(); }
    QString editorText() const { return m_grid->InplaceEditor()->text(); }
    int field(const char* name) const { return m_dataSet->FieldByName(name).AsInteger(); }
    TDataSetState state() const { return m_dataSet->State(); }
    int activeRow() const {
        // The grid's current row is the one whose indicator shows a glyph.
        const QImage image = picture();
        for (int row = 0; row < m_grid->VisibleRowCount(); ++row) {
            const QRect cell = m_grid->CellRect(-1, row);
            if (!cell.isEmpty() && !pixelsOf(image, cell, kBlack).empty()) return row;
        }
        return -1;
    }

    testsupport::TempDir m_dir;
    std::vector<int> m_deleted;  // the records openLoto writes deleted
    RecordingMessageService m_messages;
    int m_beeps = 0;
    std::unique_ptr<TXbaseDataSet> m_dataSet;
    TDataSource m_source;
    std::unique_ptr<QWidget> m_window;
    TDBGrid* m_grid = nullptr;
    QLineEdit* m_other = nullptr;
};

TEST_F(GridTest, TypingOpensTheEditorAndStartsTheEdit) {
    openLoto(5);
    const std::string before = fileBytes();
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_grid->SelectedIndex(), 0);

    type("7");
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "7");
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(QApplication::focusWidget(), m_grid->InplaceEditor());
    EXPECT_TRUE(m_grid->HasFocusWithin());
    // The typed text is not in the field, let alone in the file.
    EXPECT_EQ(field("C1"), 1);
    type("5");
    EXPECT_EQ(editorText(), "75");
    EXPECT_EQ(m_beeps, 0);
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(GridTest, EnterWritesTheFieldAndTogglesTheEditorWithoutPosting) {
    openLoto(5);
    const std::string before = fileBytes();
    type("7");
    key(Qt::Key_Return);
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(field("C1"), 7);
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(fileBytes(), before);

    key(Qt::Key_Return);
    ASSERT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "7");
    EXPECT_EQ(m_grid->InplaceEditor()->selectedText(), "7");
    // F2 in the open editor only drops the selection.
    key(Qt::Key_F2);
    EXPECT_TRUE(editorOpen());
    EXPECT_TRUE(m_grid->InplaceEditor()->selectedText().isEmpty());
    EXPECT_EQ(m_grid->InplaceEditor()->cursorPosition(), 1);
    type("3");
    EXPECT_EQ(editorText(), "73");
    key(Qt::Key_Enter);
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(field("C1"), 73);

    // F2 opens the closed editor without typing anything.
    key(Qt::Key_F2);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "73");
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(GridTest, EscapeRestoresTheCellThenCancelsTheEdit) {
    openLoto(5);
    const std::string before = fileBytes();
    type("9");
    ASSERT_EQ(state(), TDataSetState::dsEdit);
    key(Qt::Key_Escape);
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(field("C1"), 1);
    key(Qt::Key_F2);
    EXPECT_EQ(editorText(), "1");
    key(Qt::Key_Escape);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_FALSE(editorOpen());

    // A value already written into the field goes too.
    type("8");
    key(Qt::Key_Return);
    ASSERT_EQ(field("C1"), 8);
    key(Qt::Key_Escape);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(field("C1"), 1);
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(GridTest, DownOnTheLastRecordAppendsAZeroRowThatUpRemovesUntouched) {
    openLoto(5);
    const std::string before = fileBytes();
    key(Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(m_dataSet->RecNo(), 5);
    const int lastRow = activeRow();
    key(Qt::Key_Down);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(m_dataSet->Fields(k - 1).AsString(), "0") << "C" << k;
    EXPECT_EQ(activeRow(), lastRow + 1);
    // Down again on the untouched new row at the end does nothing.
    key(Qt::Key_Down);
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(activeRow(), lastRow + 1);

    key(Qt::Key_Up);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 5);
    EXPECT_EQ(activeRow(), lastRow);
    EXPECT_EQ(m_dataSet->RecordCount(), 5);
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(GridTest, ATypedNewRowIsPostedWhenLeftAndAnotherIsAppended) {
    openLoto(5);
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Down);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    type("12");
    EXPECT_EQ(editorText(), "12");
    key(Qt::Key_Down);
    const std::string file = fileBytes();
    EXPECT_EQ(xbtest::headerCount(file), 6u);
    EXPECT_EQ(recordAt(file, 6), recordBytes({12, 0, 0, 0, 0, 0}));
    EXPECT_EQ(recordAt(file, 5), recordBytes(drawOf(5)));
    // Being on the last record again, Down appended another new row.
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(field("C1"), 0);
    key(Qt::Key_Up);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 6);
    EXPECT_EQ(field("C1"), 12);
    EXPECT_EQ(m_dataSet->RecordCount(), 6);
}

TEST_F(GridTest, TabWalksTheColumnsAcrossRowsAndAppendsPastTheEnd) {
    openLoto(3);
    for (int k = 1; k <= 5; ++k) {
        key(Qt::Key_Tab);
        EXPECT_EQ(m_grid->SelectedIndex(), k);
    }
    key(Qt::Key_Tab);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_EQ(m_grid->SelectedIndex(), 0);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(m_grid->SelectedIndex(), 5);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(m_grid->SelectedIndex(), 4);
    // Alt+Tab is not the grid's.
    key(Qt::Key_Tab, Qt::AltModifier);
    EXPECT_EQ(m_grid->SelectedIndex(), 4);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_TRUE(m_grid->HasFocusWithin());

    // Tab with the editor open takes the typed text along.
    key(Qt::Key_Home);
    type("4");
    key(Qt::Key_Tab);
    EXPECT_EQ(field("C1"), 4);
    EXPECT_EQ(m_grid->SelectedIndex(), 1);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "11");
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    ASSERT_EQ(state(), TDataSetState::dsBrowse);

    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_End);
    ASSERT_EQ(m_grid->SelectedIndex(), 5);
    key(Qt::Key_Tab);
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(m_grid->SelectedIndex(), 0);
    EXPECT_EQ(m_dataSet->RecordCount(), 3);
}

TEST_F(GridTest, ArrowAndPageKeysMoveRowsAndColumns) {
    openLoto(30);
    const int rows = m_grid->VisibleRowCount();
    ASSERT_GE(rows, 5);
    key(Qt::Key_Down);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    key(Qt::Key_Up);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    key(Qt::Key_Up);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    key(Qt::Key_PageDown);
    EXPECT_EQ(m_dataSet->RecNo(), 1 + rows);
    key(Qt::Key_PageUp);
    EXPECT_EQ(m_dataSet->RecNo(), 1);

    key(Qt::Key_Left);
    EXPECT_EQ(m_grid->SelectedIndex(), 0);
    key(Qt::Key_Right);
    EXPECT_EQ(m_grid->SelectedIndex(), 1);
    key(Qt::Key_End);
    EXPECT_EQ(m_grid->SelectedIndex(), 5);
    key(Qt::Key_Right);
    EXPECT_EQ(m_grid->SelectedIndex(), 5);
    key(Qt::Key_Left);
    EXPECT_EQ(m_grid->SelectedIndex(), 4);
    key(Qt::Key_Home);
    EXPECT_EQ(m_grid->SelectedIndex(), 0);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_FALSE(editorOpen());
}

TEST_F(GridTest, CtrlKeysJumpToTheEndsOfTheViewAndTheTable) {
    openLoto(30);
    const int rows = m_grid->VisibleRowCount();
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(m_dataSet->RecNo(), 30);
    EXPECT_EQ(activeRow(), rows - 1);
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(activeRow(), 0);

    for (int i = 0; i < 3; ++i) key(Qt::Key_Down);
    ASSERT_EQ(m_dataSet->RecNo(), 4);
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(m_dataSet->RecNo(), rows);
    EXPECT_EQ(activeRow(), rows - 1);
    key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(m_dataSet->RecNo(), rows);
    key(Qt::Key_Up);
    key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(m_dataSet->RecNo(), 1);

    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(m_grid->SelectedIndex(), 5);
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(m_grid->SelectedIndex(), 0);
}

TEST_F(GridTest, TheOpenEditorKeepsCaretKeysAndHandsOnRowKeys) {
    openLoto(5);
    const std::string before = fileBytes();
    key(Qt::Key_Right);
    key(Qt::Key_F2);
    ASSERT_TRUE(editorOpen());
    ASSERT_EQ(editorText(), "11");
    key(Qt::Key_Home);
    EXPECT_EQ(m_grid->InplaceEditor()->cursorPosition(), 0);
    key(Qt::Key_Right);
    EXPECT_EQ(m_grid->InplaceEditor()->cursorPosition(), 1);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(m_grid->InplaceEditor()->cursorPosition(), 2);
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(m_grid->InplaceEditor()->cursorPosition(), 0);
    key(Qt::Key_End);
    EXPECT_EQ(m_grid->InplaceEditor()->cursorPosition(), 2);
    key(Qt::Key_Left, Qt::ControlModifier);
    key(Qt::Key_Right, Qt::ControlModifier);
    key(Qt::Key_Left);
    EXPECT_EQ(m_grid->SelectedIndex(), 1);
    EXPECT_EQ(m_dataSet->RecNo(), 1);

    // Down goes to the grid, and the editor stays open on the next record.
    key(Qt::Key_Down);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "12");
    type("3");
    key(Qt::Key_Up);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(recordAt(fileBytes(), 2), recordBytes({2, 3, 22, 32, 42, 52}));

    // Ctrl+Delete with the editor open edits the text and never asks about the record.
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(m_dataSet->RecordCount(), 5);

    // Insert goes to the grid.
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    ASSERT_EQ(state(), TDataSetState::dsBrowse);
    key(Qt::Key_F2);
    key(Qt::Key_Insert);
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    key(Qt::Key_Escape);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(recordAt(fileBytes(), 1), recordAt(before, 1));
    EXPECT_EQ(fileBytes().size(), before.size());
}

TEST_F(GridTest, InsertOpensANewRowAtTheCurrentOne) {
    openLoto(5);
    const std::string before = fileBytes();
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    ASSERT_EQ(m_dataSet->RecNo(), 3);
    const int row = activeRow();
    key(Qt::Key_Insert);
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(activeRow(), row);
    EXPECT_EQ(field("C1"), 0);
    key(Qt::Key_Escape);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 3);

    // Down from an untouched new row that is not at the end drops it.
    key(Qt::Key_Insert);
    key(Qt::Key_Down);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 3);
    EXPECT_EQ(fileBytes(), before);

    // A filled new row goes to the end of the file.
    key(Qt::Key_Insert);
    type("9");
    key(Qt::Key_Up);
    const std::string file = fileBytes();
    EXPECT_EQ(xbtest::headerCount(file), 6u);
    EXPECT_EQ(recordAt(file, 6), recordBytes({9, 0, 0, 0, 0, 0}));
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
}

TEST_F(GridTest, CtrlDeleteDeletesOnlyWhenTheQuestionIsAnsweredOk) {
    openLoto(3);
    key(Qt::Key_Down);
    ASSERT_EQ(m_dataSet->RecNo(), 2);
    const std::string before = fileBytes();

    m_messages.replies = {TModalResult::mrCancel};
    key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Delete record?");
    EXPECT_EQ(m_messages.shown[0].icon, TMsgDlgType::mtConfirmation);
    EXPECT_TRUE(m_messages.shown[0].withCancel);
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(m_dataSet->RecNo(), 2);

    key(Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(recordAt(fileBytes(), 2), recordBytes(drawOf(2), '*'));
    EXPECT_EQ(m_dataSet->RecNo(), 3);
    EXPECT_EQ(m_dataSet->RecordCount(), 2);

    // Deleting the last record leaves the cursor on the one before.
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(m_dataSet->RecordCount(), 1);
    // Plain Delete on the closed editor deletes nothing.
    key(Qt::Key_Delete);
    EXPECT_EQ(m_messages.shown.size(), 3u);
    EXPECT_EQ(m_dataSet->RecordCount(), 1);
}

TEST_F(GridTest, LeavingARowPostsAChangedRecordAndCancelsAnUnchangedOne) {
    openLoto(5);
    const std::string before = fileBytes();
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    type("44");
    key(Qt::Key_Up);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    std::string file = fileBytes();
    EXPECT_EQ(recordAt(file, 2), recordBytes({2, 12, 44, 32, 42, 52}));
    EXPECT_EQ(file.size(), before.size());

    // Typed and then taken back: the edit is cancelled, nothing is written.
    type("5");
    key(Qt::Key_Escape);
    ASSERT_EQ(state(), TDataSetState::dsEdit);
    key(Qt::Key_Down);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_EQ(fileBytes(), file);

    // An untouched inserted row is dropped when another row is clicked.
    key(Qt::Key_Insert);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    click(0, 3);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(fileBytes(), file);
}

TEST_F(GridTest, ClicksSelectTheCellAndASecondClickOpensTheEditor) {
    openLoto(8);
    click(2, 3);
    EXPECT_EQ(m_dataSet->RecNo(), 4);
    EXPECT_EQ(m_grid->SelectedIndex(), 2);
    EXPECT_FALSE(editorOpen());
    click(2, 3);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "24");

    // Clicking elsewhere takes the typed text, closes the editor and posts the row left.
    type("8");
    click(4, 1);
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_EQ(m_grid->SelectedIndex(), 4);
    EXPECT_EQ(recordAt(fileBytes(), 4), recordBytes({4, 14, 8, 34, 44, 54}));

    // Another button selects without opening the editor.
    click(1, 0, Qt::RightButton);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(m_grid->SelectedIndex(), 1);
    click(1, 0, Qt::RightButton);
    EXPECT_FALSE(editorOpen());
    // The indicator moves to its row and keeps the column.
    click(-1, 2);
    EXPECT_EQ(m_dataSet->RecNo(), 3);
    EXPECT_EQ(m_grid->SelectedIndex(), 1);
}

TEST_F(GridTest, LeavingTheGridCancelsAnUntouchedInsertAndTakesTypedText) {
    openLoto(4);
    const std::string before = fileBytes();
    key(Qt::Key_Insert);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    m_other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(state(), TDataSetState::dsBrowse);

    m_grid->setFocus();
    type("6");
    ASSERT_EQ(state(), TDataSetState::dsEdit);
    m_other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(field("C1"), 6);
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(fileBytes(), before);
    m_dataSet->Cancel();

    // Without dgCancelOnExit the new row stays.
    m_grid->SetOptions(kLotoOptions - TDBGridOption::dgCancelOnExit);
    m_grid->setFocus();
    key(Qt::Key_Insert);
    m_other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(GridTest, LettersAreRefusedWithABeepAndDoNotStartAnEdit) {
    openLoto(3);
    type("a");
    EXPECT_EQ(m_beeps, 1);
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(state(), TDataSetState::dsBrowse);

    key(Qt::Key_F2);
    type("x");
    type(" ");
    type(QString::fromUtf8("д"));
    EXPECT_EQ(m_beeps, 4);
    EXPECT_EQ(editorText(), "1");
    EXPECT_EQ(state(), TDataSetState::dsBrowse);

    type("+");
    EXPECT_EQ(editorText(), "+");
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    type("-7");
    EXPECT_EQ(editorText(), "+-7");
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    type("7");
    key(Qt::Key_Return);
    EXPECT_EQ(field("C1"), 7);
    EXPECT_EQ(m_beeps, 4);
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(GridTest, ATextThatIsNoNumberStaysInTheCellWithItsMessage) {
    openLoto(3);
    const std::string before = fileBytes();
    type("1-2");
    EXPECT_EQ(m_beeps, 0);
    key(Qt::Key_Down);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    // The message ends in a quote, which sorts below the full stop: the box adds none.
    EXPECT_EQ(m_messages.shown[0].text, "'1-2' is not a valid integer value for field 'C1'");
    EXPECT_EQ(m_messages.shown[0].icon, TMsgDlgType::mtError);
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "1-2");
    EXPECT_EQ(field("C1"), 1);

    key(Qt::Key_Return);
    EXPECT_EQ(m_messages.shown.size(), 2u);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "1-2");
    key(Qt::Key_Tab);
    EXPECT_EQ(m_messages.shown.size(), 3u);
    EXPECT_EQ(m_grid->SelectedIndex(), 0);
    EXPECT_EQ(fileBytes(), before);

    // Correcting the text lets the row go.
    key(Qt::Key_End);
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    key(Qt::Key_Down);
    EXPECT_EQ(m_messages.shown.size(), 3u);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_EQ(recordAt(fileBytes(), 1), recordBytes({1, 11, 21, 31, 41, 51}));
}

TEST_F(GridTest, ANumberTooLargeForItsFieldStaysInTheCellWithTheEnginesMessage) {
    openLoto(3);
    const std::string before = fileBytes();
    key(Qt::Key_Down);
    type("100");
    key(Qt::Key_Return);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_NE(m_messages.shown[0].text.find("Number too large to fit in field"), std::string::npos)
        << m_messages.shown[0].text;
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "100");
    EXPECT_EQ(field("C1"), 2);
    key(Qt::Key_Up);
    EXPECT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_EQ(editorText(), "100");
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(GridTest, AFailedPostKeepsTheRowInEditWithTheTypedText) {
    openLoto(3);
    const std::string before = fileBytes();
    key(Qt::Key_Down);
    type("5");
    {
        platform::FaultGuard full({platform::Call::Write, 0, -1, 112, 0});
        key(Qt::Key_Down);
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(m_messages.shown[0].icon, TMsgDlgType::mtError);
        EXPECT_FALSE(m_messages.shown[0].text.empty());
        EXPECT_EQ(state(), TDataSetState::dsEdit);
        EXPECT_EQ(m_dataSet->RecNo(), 2);
        EXPECT_TRUE(editorOpen());
        EXPECT_EQ(editorText(), "5");
        EXPECT_EQ(field("C1"), 5);
    }
    EXPECT_EQ(fileBytes(), before);
    key(Qt::Key_Down);
    EXPECT_EQ(m_dataSet->RecNo(), 3);
    EXPECT_EQ(recordAt(fileBytes(), 2), recordBytes({5, 12, 22, 32, 42, 52}));
}

TEST_F(GridTest, ARecordLockedByAnotherProgramCannotBeEdited) {
    openLoto(3);
    std::uint32_t offset = 0;
    ASSERT_TRUE(m_dataSet->Engine()->recordLockOffset(2, offset));
    xbtest::ForeignLock lock(tablePath(), offset);
    ASSERT_TRUE(lock.locked());
    key(Qt::Key_Down);
    type("7");
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Record is locked by another user.");
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(editorText(), "2");
    lock.release();
    type("7");
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(editorText(), "7");
}

TEST_F(GridTest, AReadOnlyTableTakesNoChange) {
    openLoto(3, kLotoOptions, true);
    const std::string before = fileBytes();
    type("7");
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(editorText(), "1");
    key(Qt::Key_Escape);
    key(Qt::Key_Insert);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Down);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_EQ(m_dataSet->RecordCount(), 3);
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(GridTest, TheScrollBarFollowsRecordCountAndRecNo) {
    openLoto(30);
    QScrollBar* bar = m_grid->verticalScrollBar();
    const int rows = m_grid->VisibleRowCount();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 30);
    EXPECT_EQ(bar->value(), 1);
    key(Qt::Key_Down);
    EXPECT_EQ(bar->value(), 2);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 30);

    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(bar->value(), 1);
    // The arrow goes to the record just below the last visible row.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(m_dataSet->RecNo(), rows + 1);
    EXPECT_EQ(bar->value(), rows + 1);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(m_dataSet->RecNo(), rows + 1 - m_grid->VisibleRowCount());
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(m_dataSet->RecNo(), 1 + rows);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(m_dataSet->RecNo(), 30);

    auto dropThumb = [&](int position) {
        bar->setSliderDown(true);
        bar->setSliderPosition(position);
        bar->setSliderDown(false);
    };
    dropThumb(17);
    EXPECT_EQ(m_dataSet->RecNo(), 17);
    EXPECT_EQ(bar->value(), 17);
    dropThumb(1);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    dropThumb(30);
    EXPECT_EQ(m_dataSet->RecNo(), 30);

    // Leaving a typed row through the bar posts it first.
    dropThumb(5);
    type("9");
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(recordAt(fileBytes(), 5), recordBytes({9, 15, 25, 35, 45, 55}));
}

// With deleted records hidden, the bar counts the records shown: its range is RecordCount and its
// position the current record's place among them, whatever the record numbers; a thumb dropped at
// place p goes to the p-th record shown.
TEST_F(GridTest, TheScrollBarCountsOnlyTheRecordsShown) {
    struct Case {
        const char* name;
        std::vector<int> deleted;
    };
    for (const Case& c : {Case{"the first", {1}}, Case{"a middle one", {15}}, Case{"the last", {30}},
                          Case{"first, middle and last", {1, 2, 15, 29, 30}}}) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_deleted = c.deleted;
        ASSERT_NO_FATAL_FAILURE(openLoto(30));
        std::vector<int> shown;  // the record numbers shown, in order
        for (int n = 1; n <= 30; ++n)
            if (std::find(c.deleted.begin(), c.deleted.end(), n) == c.deleted.end()) shown.push_back(n);
        const int count = static_cast<int>(shown.size());
        const int rows = m_grid->VisibleRowCount();
        QScrollBar* bar = m_grid->verticalScrollBar();
        EXPECT_EQ(bar->minimum(), 1);
        EXPECT_EQ(bar->maximum(), count);
        EXPECT_EQ(bar->value(), 1) << "on the first record shown";
        EXPECT_EQ(m_dataSet->RecNo(), shown[0]);
        key(Qt::Key_Down);
        EXPECT_EQ(bar->value(), 2);
        EXPECT_EQ(m_dataSet->RecNo(), shown[1]);
        key(Qt::Key_PageDown);
        EXPECT_EQ(bar->value(), 2 + rows);
        EXPECT_EQ(m_dataSet->RecNo(), shown[static_cast<std::size_t>(1 + rows)]);
        key(Qt::Key_PageUp);
        EXPECT_EQ(bar->value(), 2);
        key(Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(bar->value(), bar->maximum()) << "the thumb at the bottom on the last record";
        EXPECT_EQ(m_dataSet->RecNo(), shown.back());
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        EXPECT_EQ(bar->value(), count - rows);
        EXPECT_EQ(m_dataSet->RecNo(), shown[static_cast<std::size_t>(count - rows - 1)]);
        key(Qt::Key_Home, Qt::ControlModifier);
        EXPECT_EQ(bar->value(), 1);
        for (const int place : {2, 14, 15, count - 1}) {
            bar->setSliderDown(true);
            bar->setSliderPosition(place);
            bar->setSliderDown(false);
            EXPECT_EQ(m_dataSet->RecNo(), shown[static_cast<std::size_t>(place - 1)]) << place;
            EXPECT_EQ(bar->value(), place);
        }
        EXPECT_TRUE(m_messages.shown.empty());
    }
}

// A table last written a while ago keeps what its count read; a record deleted through the grid
// is seen at once all the same.
TEST_F(GridTest, TheScrollBarFollowsADeletionOnASettledTable) {
    m_deleted = {3};
    openLoto(20);
    const timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tablePath().c_str(), old, 0), 0);
    QScrollBar* bar = m_grid->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 19);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(m_dataSet->RecNo(), 5);
    EXPECT_EQ(bar->value(), 4);
    m_messages.replies = {TModalResult::mrOk};
    key(Qt::Key_Up, Qt::NoModifier);
    key(Qt::Key_Delete, Qt::ControlModifier);  // record 4: the next shown is 5, now third
    EXPECT_EQ(m_dataSet->RecNo(), 5);
    EXPECT_EQ(bar->maximum(), 18);
    EXPECT_EQ(bar->value(), 3);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(bar->value(), 18);
}

TEST_F(GridTest, ColumnsResizeAndMoveOnlyWithColumnResize) {
    openLoto(3);
    const QRect title = m_grid->CellRect(0, -1);
    const QPoint edge(title.right() + 1, title.center().y());
    drag(edge, edge + QPoint(15, 0));
    EXPECT_EQ(m_grid->Columns()[0].Width(), 40);
    drag(title.center(), m_grid->CellRect(2, -1).center());
    EXPECT_EQ(m_grid->Columns()[0].FieldName(), "C1");

    m_grid->SetOptions(kKenoOptions);
    drag(edge, edge + QPoint(15, 0));
    EXPECT_EQ(m_grid->Columns()[0].Width(), 55);
    EXPECT_EQ(m_grid->CellRect(1, -1).left(), m_grid->CellRect(0, -1).right() + 2);
    // Dragging C1's title onto C3's moves it there; the selection stays with C1.
    drag(m_grid->CellRect(0, -1).center(), m_grid->CellRect(2, -1).center());
    EXPECT_EQ(m_grid->Columns()[0].FieldName(), "C2");
    EXPECT_EQ(m_grid->Columns()[2].FieldName(), "C1");
    EXPECT_EQ(m_grid->SelectedIndex(), 2);
    EXPECT_EQ(m_grid->SelectedField(), &m_dataSet->FieldByName("C1"));
    // The next column on the screen is what Tab and Enter go to.
    key(Qt::Key_Tab);
    EXPECT_EQ(m_grid->SelectedField(), &m_dataSet->FieldByName("C4"));
}

TEST_F(GridTest, SelectingAColumnTakesTheTypedTextAndClosesTheEditor) {
    openLoto(3);
    const std::string before = fileBytes();
    EXPECT_EQ(m_grid->FieldCount(), 6);
    EXPECT_EQ(m_grid->Fields(5), &m_dataSet->FieldByName("C6"));
    type("33");
    m_grid->SetSelectedIndex(3);
    EXPECT_EQ(field("C1"), 33);
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(m_grid->SelectedIndex(), 3);
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(fileBytes(), before);
    // As the windows' Enter rule uses it: select the next column, then Enter opens its editor.
    key(Qt::Key_Return);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "31");

    type("1-2");
    EXPECT_THROW(m_grid->SetSelectedIndex(4), EDatabaseError);
    EXPECT_EQ(m_grid->SelectedIndex(), 3);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(editorText(), "1-2");
}

TEST_F(GridTest, TheIndicatorShowsTheDatasetStateInTheCurrentRow) {
    openLoto(5);
    auto glyph = [&](int row) { return pixelsOf(picture(), m_grid->CellRect(-1, row), kBlack); };
    const auto arrow = glyph(0);
    ASSERT_FALSE(arrow.empty());
    for (int row = 1; row < 5; ++row) EXPECT_TRUE(glyph(row).empty()) << row;
    // A triangle pointing right: each column shorter than the one before, mirrored top to bottom.
    std::vector<int> columnHeights(11, 0);
    int top = 100;
    int bottom = -1;
    for (const auto& [x, y] : arrow) {
        ++columnHeights[static_cast<std::size_t>(x)];
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    int previous = 100;
    int columns = 0;
    for (int height : columnHeights) {
        if (height == 0) continue;
        EXPECT_LT(height, previous);
        previous = height;
        ++columns;
    }
    EXPECT_GE(columns, 3);
    for (const auto& [x, y] : arrow) EXPECT_TRUE(arrow.count({x, top + bottom - y})) << x << "," << y;
    // At the right of the cell, centred vertically.
    const QRect cell = m_grid->CellRect(-1, 0);
    int right = 0;
    for (const auto& pixel : arrow) right = std::max(right, pixel.first);
    EXPECT_GE(right, cell.width() - 4);
    EXPECT_LE(std::abs((top + bottom) - (cell.height() - 1)), 1);

    key(Qt::Key_Down);
    EXPECT_TRUE(glyph(0).empty());
    EXPECT_EQ(glyph(1), arrow);
    type("4");
    saveShot("superloto_editing.png");
    const auto edit = glyph(1);
    EXPECT_FALSE(edit.empty());
    EXPECT_NE(edit, arrow);
    key(Qt::Key_Insert);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    saveShot("superloto_inserting.png");
    const auto insert = glyph(1);
    EXPECT_FALSE(insert.empty());
    EXPECT_NE(insert, arrow);
    EXPECT_NE(insert, edit);
    key(Qt::Key_Escape);
    EXPECT_EQ(glyph(1), arrow);
}

TEST_F(GridTest, CellsAreDrawnWithRightAlignedNumbersHighlightAndGridLines) {
    openLoto(12);
    key(Qt::Key_Right);
    const QImage image = picture();
    saveShot("superloto_grid.png");

    // An unselected number cell: black text in the right part of the cell.
    const QRect cell = m_grid->CellRect(3, 2);
    const auto text = pixelsOf(image, cell, kBlack);
    ASSERT_FALSE(text.empty());
    int left = cell.width();
    int right = 0;
    for (const auto& pixel : text) {
        left = std::min(left, pixel.first);
        right = std::max(right, pixel.first);
    }
    EXPECT_GE(right, cell.width() - 6);
    EXPECT_GT(left, cell.width() / 3);
    // A title is left-aligned.
    const auto title = pixelsOf(image, m_grid->CellRect(3, -1), kBlack);
    ASSERT_FALSE(title.empty());
    int titleLeft = cell.width();
    for (const auto& pixel : title) titleLeft = std::min(titleLeft, pixel.first);
    EXPECT_LE(titleLeft, 4);

    // The selected cell: highlight colours, white text and the dotted focus rectangle.
    const QRect selected = m_grid->CellRect(1, 0);
    EXPECT_EQ(rgbAt(image, selected.left() + 3, selected.center().y()), kNavy);
    EXPECT_FALSE(pixelsOf(image, selected, kWhite).empty());
    EXPECT_TRUE(pixelsOf(image, selected, kBlack).empty());
    EXPECT_NE(rgbAt(image, selected.left(), selected.top()), rgbAt(image, selected.left() + 1, selected.top()));
    EXPECT_EQ(rgbAt(image, m_grid->CellRect(0, 0).center().x(), m_grid->CellRect(0, 0).top() + 1), kWhite);

    // Silver lines between data cells, black ones in the title row and the indicator column.
    EXPECT_EQ(rgbAt(image, cell.right() + 1, cell.center().y()), kSilver);
    EXPECT_EQ(rgbAt(image, cell.center().x(), cell.bottom() + 1), kSilver);
    const QRect titleCell = m_grid->CellRect(3, -1);
    EXPECT_EQ(rgbAt(image, titleCell.right() + 1, titleCell.center().y()), kBlack);
    EXPECT_EQ(rgbAt(image, titleCell.center().x(), titleCell.bottom() + 1), kBlack);
    const QRect indicator = m_grid->CellRect(-1, 4);
    EXPECT_EQ(rgbAt(image, indicator.right() + 1, indicator.center().y()), kBlack);
    EXPECT_EQ(rgbAt(image, indicator.center().x(), indicator.bottom() + 1), kBlack);
    // Six columns of 40 pixels with their lines after the 11-pixel indicator and its line.
    EXPECT_EQ(m_grid->CellRect(0, 0).left(), 12);
    EXPECT_EQ(m_grid->CellRect(5, 0).left(), 12 + 5 * 41);
    EXPECT_EQ(m_grid->CellRect(5, 0).width(), 40);

    // Without the line options there are no lines.
    m_grid->SetOptions(kLotoOptions - TDBGridOption::dgColLines - TDBGridOption::dgRowLines);
    const QImage bare = picture();
    const QRect joined = m_grid->CellRect(3, 2);
    EXPECT_EQ(m_grid->CellRect(4, 2).left(), joined.right() + 1);
    EXPECT_EQ(rgbAt(bare, joined.right(), joined.top()), kWhite);
    EXPECT_EQ(rgbAt(bare, joined.right() + 1, joined.top()), kWhite);
}

TEST_F(GridTest, TheKenoGridScrollsItsTwentyColumnsSideways) {
    openKeno(15);
    saveShot("keno_grid.png");
    EXPECT_EQ(m_grid->FieldCount(), 20);
    key(Qt::Key_End);
    EXPECT_EQ(m_grid->SelectedIndex(), 19);
    const QRect last = m_grid->CellRect(19, 0);
    ASSERT_FALSE(last.isEmpty());
    EXPECT_LE(last.right(), m_grid->viewport()->width() - 1);
    m_window.reset();
    m_source.SetDataSet(nullptr);
    m_dataSet.reset();

    // Narrower than its columns: a horizontal bar, and the selected column kept in view.
    openKeno(15, 300, 233);
    EXPECT_TRUE(m_grid->horizontalScrollBar()->isVisible());
    EXPECT_EQ(m_grid->LeftCol(), 0);
    key(Qt::Key_End);
    saveShot("keno_narrow.png");
    EXPECT_GT(m_grid->LeftCol(), 0);
    EXPECT_TRUE(m_grid->CellRect(0, 0).isEmpty());
    const QRect shown = m_grid->CellRect(19, 0);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_LE(shown.right(), m_grid->viewport()->width() - 1);
    EXPECT_EQ(m_grid->horizontalScrollBar()->value(), m_grid->LeftCol());
    type("7");
    EXPECT_EQ(m_grid->InplaceEditor()->geometry(), shown);
    key(Qt::Key_Escape);
    key(Qt::Key_Escape);
    key(Qt::Key_Home);
    EXPECT_EQ(m_grid->LeftCol(), 0);
    m_grid->horizontalScrollBar()->setValue(3);
    EXPECT_EQ(m_grid->LeftCol(), 3);
    EXPECT_EQ(m_grid->CellRect(3, 0).left(), TDBGrid::IndicatorWidth + 1);
}

TEST_F(GridTest, TextColumnsShowAndStoreCyrillicText) {
    // A C field in the table's code page (CP866): "Иван" and "Анна".
    testsupport::DbfImage image;
    image.field("NAME", 'C', 10).field("C1", 'N', 2);
    image.record({"\x88\xA2\xA0\xAD", "1"}).record({"\x80\xAD\xAD\xA0", "2"});
    image.writeTo(tablePath());
    openDataSet(tablePath(), false);
    makeWindow(280, 250);
    show();
    ASSERT_EQ(m_grid->Columns().Count(), 2);
    EXPECT_EQ(m_grid->Columns().State(), TDBGridColumnsState::csDefault);
    EXPECT_EQ(m_grid->Columns()[0].Title().Caption(), "NAME");
    EXPECT_EQ(m_grid->Columns()[0].Alignment(), TAlignment::taLeftJustify);
    EXPECT_EQ(m_grid->Columns()[1].Alignment(), TAlignment::taRightJustify);

    key(Qt::Key_F2);
    EXPECT_EQ(editorText(), QString::fromUtf8("Иван"));
    type(QString::fromUtf8("Пётр"));
    EXPECT_EQ(m_beeps, 0);
    key(Qt::Key_Down);
    ASSERT_EQ(m_dataSet->RecNo(), 2);
    const std::string file = testsupport::readFile(tablePath());
    EXPECT_EQ(file.substr(image.recordOffset(1), 13), std::string(" \x8F\xF1\xE2\xE0      ") + " 1");
    EXPECT_EQ(editorText(), QString::fromUtf8("Анна"));
    // A character the code page lacks cannot be typed.
    type(QString::fromUtf8("中"));
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
}

TEST_F(GridTest, TypingIntoAnEmptyTableStartsTheFirstRecord) {
    openLoto(0);
    EXPECT_EQ(m_grid->verticalScrollBar()->isEnabled(), false);
    type("5");
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(editorText(), "5");
    key(Qt::Key_Down);
    const std::string file = fileBytes();
    EXPECT_EQ(xbtest::headerCount(file), 1u);
    EXPECT_EQ(recordAt(file, 1), recordBytes({5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    key(Qt::Key_Up);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
}

TEST_F(GridTest, MultiSelectionRowSelectionAndAnEditorAlwaysShown) {
    openLoto(6, kLotoOptions + TDBGridOption::dgMultiSelect);
    auto glyph = [&](int row) { return pixelsOf(picture(), m_grid->CellRect(-1, row), kBlack); };
    const auto arrow = glyph(0);
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(0, 2));
    EXPECT_EQ(m_dataSet->RecNo(), 3);
    EXPECT_EQ(m_grid->SelectedRows().size(), 1u);
    const auto currentPicked = glyph(2);
    EXPECT_FALSE(currentPicked.empty());
    EXPECT_NE(currentPicked, arrow);
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(0, 0));
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(m_grid->SelectedRows().size(), 2u);
    EXPECT_EQ(glyph(0), currentPicked);
    const auto picked = glyph(2);
    EXPECT_FALSE(picked.empty());
    EXPECT_NE(picked, currentPicked);
    EXPECT_TRUE(glyph(1).empty());
    // Picked rows are drawn highlighted all across.
    EXPECT_EQ(rgbAt(picture(), m_grid->CellRect(4, 2).left() + 2, m_grid->CellRect(4, 2).center().y()), kNavy);
    // Ctrl+click on a picked row drops it; a plain move drops them all.
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(0, 2));
    EXPECT_EQ(m_grid->SelectedRows().size(), 1u);
    // Shift+Down picks the row left and the row reached.
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(m_dataSet->RecNo(), 4);
    EXPECT_EQ(m_grid->SelectedRows().size(), 3u);
    key(Qt::Key_Down);
    EXPECT_TRUE(m_grid->SelectedRows().empty());
    EXPECT_TRUE(glyph(2).empty());

    // A row selection highlights the whole current row and has no editor.
    m_grid->SetOptions(kLotoOptions + TDBGridOption::dgRowSelect);
    const QImage rowPicture = picture();
    const int row = m_dataSet->RecNo() - 1;
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(rgbAt(rowPicture, m_grid->CellRect(c, row).left() + 2, m_grid->CellRect(c, row).center().y()), kNavy);
    }
    key(Qt::Key_F2);
    type("5");
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(state(), TDataSetState::dsBrowse);

    // An editor always shown stays open through moves, Enter and Escape.
    m_grid->SetOptions(kLotoOptions + TDBGridOption::dgAlwaysShowEditor);
    EXPECT_TRUE(editorOpen());
    key(Qt::Key_Up);
    EXPECT_TRUE(editorOpen());
    type("7");
    key(Qt::Key_Return);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(field("C1"), 7);
    key(Qt::Key_Escape);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    click(3, 0);
    EXPECT_TRUE(editorOpen());
    EXPECT_EQ(m_grid->SelectedIndex(), 3);
}

TEST_F(GridTest, TheWheelMovesOneRecordAtATime) {
    openLoto(10);
    QWheelEvent down(QPointF(50, 50), m_grid->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_grid->viewport(), &down);
    QApplication::sendEvent(m_grid->viewport(), &down);
    EXPECT_EQ(m_dataSet->RecNo(), 3);
    QWheelEvent up(QPointF(50, 50), m_grid->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_grid->viewport(), &up);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
}

// A refused row stops the scroll bar's arrow: the refusal's box takes the mouse's release, and an
// arrow repeating behind it would bring the refusal up again and again, boxes stacked on boxes.
TEST_F(GridTest, ARefusedRowStopsTheScrollBarArrowFromRepeating) {
    openLoto(30);
    m_dataSet->BeforePost = [](TDataSet&) { throw EDatabaseError("Поле C2 пусто"); };
    key(Qt::Key_Down);
    type("9");
    QScrollBar* bar = m_grid->verticalScrollBar();
    const QPoint arrow(bar->width() / 2, bar->height() - 3);
    // Held down as the box leaves it, well past the arrow's delay before it repeats.
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    QTest::qWait(1200);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Поле C2 пусто.");
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    // The row put right, the arrow moves on as before.
    m_dataSet->BeforePost = nullptr;
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, arrow);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecNo(), 2 + m_grid->VisibleRowCount() - 1);
}

TEST(AnsiText, ConvertsTheWholeCodePageBothWays) {
    EXPECT_EQ(platform::ansiToUtf8("\xC8\xE2\xE0\xED 12"), "Иван 12");
    EXPECT_EQ(platform::utf8ToAnsi("Пётр №5"),
              "\xCF\xB8\xF2\xF0 \xB9"
              "5");
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(platform::utf8ToAnsi(platform::ansiToUtf8(one)), one) << byte;
    }
    EXPECT_EQ(platform::utf8ToAnsi("a中b"), "a?b");
    EXPECT_EQ(platform::utf8ToAnsi("\xFF"
                                   "a\xD0"),
              "?a?");
}

}  // namespace
