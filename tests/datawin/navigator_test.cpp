// The navigator bar on a real draw table: which buttons are enabled after moves and edits, what
// each click does and in which order the events come, the delete question, repeating while held,
// the layout of the data windows' bars, the glyphs as painted, hints, keyboard and focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QImage>
#include <QTest>
#include <QToolTip>
#include <QWidget>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dataset/xbase_dataset.h"
#include "datawin/xbase_navigator.h"
#include "tests/support/dbf_image.h"
#include "toolkit/data_source.h"
#include "toolkit/database_error.h"
#include "toolkit/dialogs.h"
#include "tests/support/draw_table.h"
#include "tests/support/recording_message_service.h"

namespace {

using Btn = TXbaseNavigateBtn;

const TXbaseButtonSet kSuperLotoButtons = {Btn::nbTop,    Btn::nbPrev,   Btn::nbNext, Btn::nbBttm,
                                           Btn::nbInsert, Btn::nbDelete, Btn::nbPost};
const TXbaseButtonSet kKenoButtons = {Btn::nbTop,    Btn::nbPrev, Btn::nbNext,   Btn::nbBttm,
                                      Btn::nbInsert, Btn::nbEdit, Btn::nbDelete, Btn::nbPost};

Btn at(int index) { return static_cast<Btn>(index); }

class NavigatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<QWidget>();
        m_window->resize(600, 100);
        m_nav = new TXbaseNavigator(m_window.get());
    }

    void TearDown() override {
        // The bar goes before its data source, the source before its dataset.
        m_window.reset();
        m_source.reset();
        m_dataSet.reset();
    }

    // A SuperLoto table of `records` draws, opened and driven by the bar through a data source.
    void openTable(std::size_t records, bool readOnly = false) {
        m_path = m_dir.file("lotobase.dbf");
        m_draws = testsupport::makeDrawTable(m_path, kSuperLoto, records, 7);
        m_dataSet = std::make_unique<TXbaseDataSet>();
        m_dataSet->SetName("XbaseDataSet1");
        m_dataSet->SetTableName(m_path);
        m_dataSet->SetExactCount(true);
        m_dataSet->SetReadOnly(readOnly);
        m_source = std::make_unique<TDataSource>();
        m_source->SetDataSet(m_dataSet.get());
        m_nav->SetDataSource(m_source.get());
        m_dataSet->Open();
    }

    void show() {
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void activate() {
        show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    TXbaseNavButton* button(Btn index) const { return m_nav->Buttons(index); }

    void click(Btn index) { QTest::mouseClick(button(index), Qt::LeftButton); }

    // One character per button in index order: 1 enabled, 0 disabled.
    std::string states() const {
        std::string text;
        for (int i = 0; i < kXbaseNavButtonCount; ++i) text += button(at(i))->isEnabled() ? '1' : '0';
        return text;
    }

    // The draw of the current record.
    std::vector<int> currentDraw() const {
        std::vector<int> draw;
        for (int k = 0; k < 6; ++k) draw.push_back(m_dataSet->Fields(k).AsInteger());
        return draw;
    }

    // Every event of a click into one log: the bar's own and the dataset's.
    void logEvents() {
        m_nav->BeforeAction = [this](TXbaseNavigator& nav, Btn index) {
            EXPECT_EQ(&nav, m_nav);
            m_log.push_back("before " + std::to_string(static_cast<int>(index)));
        };
        m_nav->OnClick = [this](TXbaseNavigator& nav, Btn index) {
            EXPECT_EQ(&nav, m_nav);
            m_log.push_back("click " + std::to_string(static_cast<int>(index)));
        };
        m_nav->OnCopyClick = [this](TDataSet& ds) {
            EXPECT_EQ(&ds, m_dataSet.get());
            m_log.push_back("copy");
        };
        m_nav->OnFindClick = [this](TDataSet& ds) {
            EXPECT_EQ(&ds, m_dataSet.get());
            m_log.push_back("find");
        };
        auto logAs = [this](const char* name) { return [this, name](TDataSet&) { m_log.push_back(name); }; };
        m_dataSet->AfterScroll = logAs("scroll");
        m_dataSet->AfterInsert = logAs("insert");
        m_dataSet->AfterEdit = logAs("edit");
        m_dataSet->AfterPost = logAs("post");
        m_dataSet->AfterCancel = logAs("cancel");
        m_dataSet->AfterDelete = logAs("delete");
        m_dataSet->AfterRefresh = logAs("refresh");
    }

    // The log of one click: BeforeAction first, OnClick last, the action's events between.
    void expectClick(Btn index, const std::vector<std::string>& between) {
        const std::string n = std::to_string(static_cast<int>(index));
        std::vector<std::string> expected = {"before " + n};
        expected.insert(expected.end(), between.begin(), between.end());
        expected.push_back("click " + n);
        EXPECT_EQ(m_log, expected) << "button " << n;
        m_log.clear();
    }

    testsupport::TempDir m_dir;
    std::string m_path;
    std::vector<std::vector<int>> m_draws;
    std::unique_ptr<TXbaseDataSet> m_dataSet;
    std::unique_ptr<TDataSource> m_source;
    std::unique_ptr<QWidget> m_window;
    TXbaseNavigator* m_nav = nullptr;
    std::vector<std::string> m_log;
};

TEST_F(NavigatorTest, MadeWithTwelveButtonsInOrderAndItsDefaults) {
    const char* const hints[] = {"First record",  "Prior record", "Next record", "Last record",
                                 "Append record", " Copy record", "Edit record", "Delete record",
                                 "Save record",   "Cancel edit",  "Find record", "Refresh data"};
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        TXbaseNavButton* b = button(at(i));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Index(), at(i));
        EXPECT_EQ(b->parentWidget(), m_nav);
        EXPECT_EQ(b->toolTip().toStdString(), hints[i]);
        EXPECT_EQ(b->RepeatClicks(), at(i) == Btn::nbPrev || at(i) == Btn::nbNext) << i;
        EXPECT_FALSE(b->Flat());
        EXPECT_FALSE(b->isHidden());
        // Side by side at the minimum size until the bar is first laid out.
        EXPECT_EQ(b->geometry(), QRect(20 * i, 0, 20, 18)) << i;
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(m_nav->size(), QSize(241, 25));
    EXPECT_EQ(m_nav->VisibleButtons(), TXbaseButtonSet::All());
    EXPECT_FALSE(m_nav->Flat());
    EXPECT_TRUE(m_nav->ConfirmDelete());
    EXPECT_FALSE(m_nav->TabStop());
    EXPECT_EQ(m_nav->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(m_nav->Hints().empty());
    EXPECT_EQ(m_nav->Align(), TAlign::alNone);
    EXPECT_EQ(m_nav->DataSource(), nullptr);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbTop);
    EXPECT_EQ(states(), "000000000000") << "nothing to drive without a data source";

    m_nav->SetFlat(true);
    for (int i = 0; i < kXbaseNavButtonCount; ++i) EXPECT_TRUE(button(at(i))->Flat());
    m_nav->SetTabStop(true);
    EXPECT_EQ(m_nav->focusPolicy(), Qt::TabFocus);
}

TEST_F(NavigatorTest, GlyphResourcesHoldANormalAndADisabledImage) {
    const char* const names[] = {"TOP",  "PREVIOUS", "NEXT", "BOTTOM", "APPEND", "COPY",
                                 "EDIT", "DELETE",   "SAVE", "CANCEL", "FIND",   "REFRESH"};
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        const std::string name = std::string("XBNAV_") + names[i];
        const QImage glyph = NavigatorGlyph(name);
        ASSERT_EQ(glyph.size(), QSize(32, 16)) << name;
        // Resource names are matched without regard to case.
        EXPECT_EQ(NavigatorGlyph(QString::fromStdString(name).toLower().toStdString()), glyph) << name;
        // The lower left colour, light grey, is transparent wherever it appears.
        EXPECT_EQ(qAlpha(glyph.pixel(0, 15)), 0) << name;
        std::set<QRgb> colours;
        int opaqueNormal = 0;
        int opaqueDisabled = 0;
        bool differ = false;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QRgb p = glyph.pixel(x, y);
                if (qAlpha(p) == 0) continue;
                EXPECT_EQ(qAlpha(p), 255);
                EXPECT_NE(p & 0xFFFFFFu, 0xC0C0C0u) << name << " light grey left opaque at " << x << "," << y;
                colours.insert(p);
                (x < 16 ? opaqueNormal : opaqueDisabled) += 1;
                if (x < 16 && glyph.pixel(x + 16, y) != p) differ = true;
            }
        }
        EXPECT_LE(colours.size(), 15u) << name << ": 16 colours, one of them transparent";
        EXPECT_GT(opaqueNormal, 10) << name;
        EXPECT_GT(opaqueDisabled, 10) << name;
        EXPECT_TRUE(differ) << name << ": the disabled image is another picture";
        // The button shows the halves.
        EXPECT_EQ(button(at(i))->Glyph(), glyph.copy(0, 0, 16, 16)) << name;
        EXPECT_EQ(button(at(i))->DisabledGlyph(), glyph.copy(16, 0, 16, 16)) << name;
    }
    try {
        NavigatorGlyph("XBNAV_NOTHING");
        ADD_FAILURE() << "a missing resource must fail";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Resource XBNAV_NOTHING not found");
    }
}

TEST_F(NavigatorTest, PaintsTheNormalGlyphWhenEnabledAndTheDisabledOneOtherwise) {
    openTable(5);
    m_nav->SetVisibleButtons(kSuperLotoButtons);
    m_nav->SetBounds(0, 0, 280, 25);
    show();
    ASSERT_FALSE(button(Btn::nbPrev)->isEnabled());
    ASSERT_TRUE(button(Btn::nbNext)->isEnabled());
    const QImage bar = m_nav->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(bar.size(), QSize(280, 25));
    const QRgb face = button(Btn::nbNext)->palette().color(QPalette::Active, QPalette::Button).rgb() & 0xFFFFFFu;

    auto expectGlyph = [&](Btn index, const QImage& glyph) {
        const QRect r = button(index)->geometry();
        // Centred: (40 - 16) / 2 across, (25 - 16) / 2 down.
        const QPoint origin = r.topLeft() + QPoint(12, 4);
        int mismatches = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb g = glyph.pixel(x, y);
                const QRgb expected = qAlpha(g) == 0 ? face : (g & 0xFFFFFFu);
                if ((bar.pixel(origin + QPoint(x, y)) & 0xFFFFFFu) != expected) ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0) << "button " << static_cast<int>(index);
    };
    expectGlyph(Btn::nbNext, NavigatorGlyph("XBNAV_NEXT").copy(0, 0, 16, 16));
    expectGlyph(Btn::nbPrev, NavigatorGlyph("XBNAV_PREVIOUS").copy(16, 0, 16, 16));
    expectGlyph(Btn::nbPost, NavigatorGlyph("XBNAV_SAVE").copy(16, 0, 16, 16));
    expectGlyph(Btn::nbInsert, NavigatorGlyph("XBNAV_APPEND").copy(0, 0, 16, 16));
    // The lower left corner of a glyph is light grey in the resource and the face on screen.
    EXPECT_NE(face, 0xC0C0C0u) << "the check above would not tell transparency from light grey";
    EXPECT_EQ(bar.pixel(button(Btn::nbNext)->geometry().topLeft() + QPoint(12, 4 + 15)) & 0xFFFFFFu, face);
}

TEST_F(NavigatorTest, ActivityRuleFollowsTheSourceTheDatasetAndTheBarsEnabled) {
    openTable(5);
    // After opening the bar is active; at the first record: no way up.
    //                  TPNBICEDPCFR
    EXPECT_EQ(states(), "001111110011");

    m_nav->SetEnabled(false);
    EXPECT_FALSE(m_nav->Enabled());
    EXPECT_EQ(states(), "000000000000");
    m_nav->SetEnabled(true);
    EXPECT_EQ(states(), "001111110011");

    // A disabled window leaves the bar's own Enabled as it is.
    m_window->setEnabled(false);
    EXPECT_TRUE(m_nav->Enabled());
    m_window->setEnabled(true);

    m_dataSet->Close();
    EXPECT_EQ(states(), "000000000000");
    m_dataSet->Open();
    EXPECT_EQ(states(), "001111110011");

    m_nav->SetDataSource(nullptr);
    EXPECT_EQ(states(), "000000000000");
    m_nav->SetDataSource(m_source.get());
    EXPECT_EQ(states(), "001111110011");

    // The data source going away leaves the bar without one.
    m_source.reset();
    EXPECT_EQ(m_nav->DataSource(), nullptr);
    EXPECT_EQ(states(), "000000000000");
}

TEST_F(NavigatorTest, PositionRuleAfterMoves) {
    openTable(4);
    show();
    struct Move {
        Btn button;
        int recNo;
        const char* states;
    };
    for (const Move& move : {Move{Btn::nbNext, 2, "111111110011"}, Move{Btn::nbBttm, 4, "110011110011"},
                             Move{Btn::nbPrev, 3, "111111110011"}, Move{Btn::nbTop, 1, "001111110011"}}) {
        click(move.button);
        EXPECT_EQ(m_dataSet->RecNo(), move.recNo);
        EXPECT_EQ(states(), move.states);
    }
    // Next on the last record sets EOF: only then are Next and Last disabled.
    m_dataSet->Last();
    EXPECT_EQ(states(), "110011110011");
}

TEST_F(NavigatorTest, EmptyTableShowsTheDeleteStateOfTheLastRuleThatRan) {
    openTable(0);
    // The activity rule ends with the editing rule, which enables Delete even on an empty table.
    EXPECT_EQ(states(), "000011110011");
    m_dataSet->First();
    // The position rule ran last: nothing to delete.
    EXPECT_EQ(states(), "000011100011");
    EXPECT_TRUE(button(Btn::nbInsert)->isEnabled());
}

TEST_F(NavigatorTest, EditingRuleInEditAndInsertAndAfterPost) {
    openTable(5);
    show();
    click(Btn::nbNext);
    click(Btn::nbEdit);
    ASSERT_EQ(m_dataSet->State(), TDataSetState::dsEdit);
    EXPECT_EQ(states(), "111100001100");
    click(Btn::nbCancel);
    ASSERT_EQ(m_dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(states(), "111111110011");

    // Insert: the dataset change that follows the state change enables Delete again.
    click(Btn::nbInsert);
    ASSERT_EQ(m_dataSet->State(), TDataSetState::dsInsert);
    EXPECT_EQ(states(), "111100011100");

    // Delete on the new row abandons it after the question.
    RecordingMessageService messages;
    click(Btn::nbDelete);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(m_dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecordCount(), 5);
    EXPECT_EQ(m_dataSet->RecNo(), 2);

    click(Btn::nbInsert);
    for (int k = 0; k < 6; ++k) m_dataSet->Fields(k).SetAsInteger(k + 1);
    click(Btn::nbPost);
    ASSERT_EQ(m_dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_dataSet->RecordCount(), 6);
    EXPECT_EQ(currentDraw(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(button(Btn::nbInsert)->isEnabled());
    EXPECT_TRUE(button(Btn::nbEdit)->isEnabled());
    EXPECT_TRUE(button(Btn::nbCopy)->isEnabled());
    EXPECT_FALSE(button(Btn::nbPost)->isEnabled());
    EXPECT_FALSE(button(Btn::nbCancel)->isEnabled());
}

TEST_F(NavigatorTest, ReadOnlyDatasetOffersMovesFindAndRefreshOnly) {
    openTable(3, true);
    ASSERT_FALSE(m_dataSet->CanModify());
    EXPECT_EQ(states(), "001100000011");
    m_dataSet->Next();
    EXPECT_EQ(states(), "111100000011");
}

TEST_F(NavigatorTest, EveryButtonRunsItsActionBetweenBeforeActionAndOnClick) {
    openTable(6);
    m_nav->SetConfirmDelete(false);
    logEvents();
    show();
    RecordingMessageService messages;

    for (const auto& [button, recNo] :
         std::vector<std::pair<Btn, int>>{{Btn::nbNext, 2}, {Btn::nbBttm, 6}, {Btn::nbPrev, 5}, {Btn::nbTop, 1}}) {
        click(button);
        expectClick(button, {"scroll"});
        EXPECT_EQ(m_dataSet->RecNo(), recNo);
    }

    click(Btn::nbInsert);
    expectClick(Btn::nbInsert, {"insert", "scroll"});
    EXPECT_EQ(m_dataSet->State(), TDataSetState::dsInsert);
    click(Btn::nbCancel);
    expectClick(Btn::nbCancel, {"cancel", "scroll"});
    EXPECT_EQ(m_dataSet->State(), TDataSetState::dsBrowse);

    click(Btn::nbCopy);
    expectClick(Btn::nbCopy, {"copy"});

    click(Btn::nbEdit);
    expectClick(Btn::nbEdit, {"edit"});
    m_dataSet->Fields(0).SetAsInteger(77);
    click(Btn::nbPost);
    expectClick(Btn::nbPost, {"post"});
    EXPECT_EQ(m_dataSet->Fields(0).AsInteger(), 77);

    click(Btn::nbDelete);
    expectClick(Btn::nbDelete, {"delete", "scroll"});
    EXPECT_EQ(m_dataSet->RecordCount(), 5);
    EXPECT_EQ(currentDraw(), m_draws[1]) << "the cursor moves to the next record";
    EXPECT_TRUE(messages.shown.empty()) << "no question without ConfirmDelete";

    click(Btn::nbFind);
    expectClick(Btn::nbFind, {"find"});
    click(Btn::nbRefresh);
    expectClick(Btn::nbRefresh, {"refresh"});
    EXPECT_TRUE(messages.shown.empty());

    // Without an active data source only OnClick is called.
    m_dataSet->Close();
    m_log.clear();
    m_nav->BtnClick(Btn::nbNext);
    EXPECT_EQ(m_log, (std::vector<std::string>{"click 2"}));
    m_nav->SetDataSource(nullptr);
    m_log.clear();
    m_nav->BtnClick(Btn::nbRefresh);
    EXPECT_EQ(m_log, (std::vector<std::string>{"click 11"}));
}

TEST_F(NavigatorTest, FailedActionEndsTheClickInTheErrorBox) {
    openTable(3);
    logEvents();
    m_dataSet->BeforeEdit = [](TDataSet&) { throw EDatabaseError("Record is locked by another user"); };
    show();
    RecordingMessageService messages;
    click(Btn::nbEdit);
    EXPECT_EQ(m_log, (std::vector<std::string>{"before 6"})) << "OnClick is not called";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Record is locked by another user.");
    EXPECT_EQ(messages.shown[0].icon, TMsgDlgType::mtError);
    EXPECT_EQ(m_dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(states(), "001111110011");

    // A failing BeforeAction stops the action too.
    m_log.clear();
    m_nav->BeforeAction = [](TXbaseNavigator&, Btn) { throw EAbort(); };
    click(Btn::nbNext);
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    EXPECT_EQ(messages.shown.size(), 1u) << "an abort is silent";
}

TEST_F(NavigatorTest, ConfirmDeleteAsksAndHonoursTheAnswer) {
    openTable(4);
    logEvents();
    show();
    click(Btn::nbNext);
    m_log.clear();
    const std::string before = testsupport::readFile(m_path);
    RecordingMessageService messages;

    messages.replies = {TModalResult::mrCancel};
    click(Btn::nbDelete);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Delete record?");
    EXPECT_EQ(messages.shown[0].icon, TMsgDlgType::mtConfirmation);
    EXPECT_TRUE(messages.shown[0].withCancel);
    expectClick(Btn::nbDelete, {});
    EXPECT_EQ(m_dataSet->RecordCount(), 4);
    EXPECT_EQ(currentDraw(), m_draws[1]);
    EXPECT_EQ(testsupport::readFile(m_path), before);

    messages.replies = {TModalResult::mrOk};
    click(Btn::nbDelete);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "Delete record?");
    expectClick(Btn::nbDelete, {"delete", "scroll"});
    EXPECT_EQ(m_dataSet->RecordCount(), 3);
    EXPECT_EQ(currentDraw(), m_draws[2]);
    EXPECT_NE(testsupport::readFile(m_path), before);
}

TEST_F(NavigatorTest, PriorAndNextRepeatWhileHeld) {
    openTable(100);
    show();
    QElapsedTimer clock;
    std::vector<qint64> times;
    m_nav->BeforeAction = [&](TXbaseNavigator&, Btn) { times.push_back(clock.elapsed()); };
    TXbaseNavButton* next = button(Btn::nbNext);

    // A plain click moves one record.
    click(Btn::nbNext);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_FALSE(next->RepeatTimer().isActive());

    times.clear();
    clock.start();
    QTest::mousePress(next, Qt::LeftButton);
    EXPECT_TRUE(next->RepeatTimer().isActive());
    EXPECT_EQ(next->RepeatTimer().interval(), 400);
    EXPECT_TRUE(times.empty()) << "nothing happens on press";
    QTest::qWait(650);
    const std::size_t held = times.size();
    // 400 ms, then every 100 ms: ticks at 400, 500 and 600 while held.
    EXPECT_GE(held, 1u);
    EXPECT_LE(held, 3u);
    if (!times.empty()) {
        EXPECT_GE(times[0], 395);
    }
    for (std::size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 95) << i;
    EXPECT_EQ(next->RepeatTimer().interval(), 100);
    QTest::mouseRelease(next, Qt::LeftButton);
    EXPECT_EQ(times.size(), held + 1) << "one more on release";
    EXPECT_FALSE(next->RepeatTimer().isActive());
    EXPECT_EQ(m_dataSet->RecNo(), 2 + static_cast<int>(held) + 1);
    QTest::qWait(250);
    EXPECT_EQ(times.size(), held + 1) << "nothing after the release";

    // Prior repeats too.
    const int recNo = m_dataSet->RecNo();
    times.clear();
    QTest::mousePress(button(Btn::nbPrev), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return times.size() >= 2; }, 3000));
    QTest::mouseRelease(button(Btn::nbPrev), Qt::LeftButton);
    EXPECT_EQ(m_dataSet->RecNo(), recNo - static_cast<int>(times.size()));

    // The other buttons do not.
    times.clear();
    QTest::mousePress(button(Btn::nbBttm), Qt::LeftButton);
    EXPECT_FALSE(button(Btn::nbBttm)->RepeatTimer().isActive());
    QTest::qWait(650);
    EXPECT_TRUE(times.empty());
    QTest::mouseRelease(button(Btn::nbBttm), Qt::LeftButton);
    EXPECT_EQ(times.size(), 1u);
    EXPECT_EQ(m_dataSet->RecNo(), 100);
}

TEST_F(NavigatorTest, RepeatingStopsWhenAClickFails) {
    openTable(20);
    show();
    RecordingMessageService messages;
    int calls = 0;
    m_nav->BeforeAction = [&](TXbaseNavigator&, Btn) {
        if (++calls == 1) throw EDatabaseError("Stop");
    };
    TXbaseNavButton* next = button(Btn::nbNext);
    QTest::mousePress(next, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, 3000));
    EXPECT_EQ(messages.shown[0].text, "Stop.");
    EXPECT_FALSE(next->RepeatTimer().isActive());
    QTest::qWait(300);
    EXPECT_EQ(calls, 1) << "no more repeats after the failure";
    EXPECT_EQ(m_dataSet->RecNo(), 1);
    QTest::mouseRelease(next, Qt::LeftButton);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(m_dataSet->RecNo(), 2);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(NavigatorTest, RepeatingStopsAtTheEndOfTheTable) {
    openTable(3);
    show();
    TXbaseNavButton* next = button(Btn::nbNext);
    QTest::mousePress(next, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dataSet->Eof(); }, 3000));
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(next->RepeatTimer().isActive());
    EXPECT_EQ(m_dataSet->RecNo(), 3);
    QTest::mouseRelease(next, Qt::LeftButton);
    EXPECT_EQ(m_dataSet->RecNo(), 3);
}

TEST_F(NavigatorTest, LayoutOfTheDataWindowBars) {
    // SuperLoto: seven buttons of 40 in 280.
    m_nav->SetVisibleButtons(kSuperLotoButtons);
    m_nav->SetBounds(0, 0, 280, 25);
    EXPECT_EQ(m_nav->geometry(), QRect(0, 0, 280, 25));
    EXPECT_EQ(m_nav->ButtonWidth(), 40);
    int x = 0;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        TXbaseNavButton* b = button(at(i));
        if (kSuperLotoButtons.Contains(at(i))) {
            EXPECT_FALSE(b->isHidden()) << i;
            EXPECT_EQ(b->geometry(), QRect(x, 0, 40, 25)) << i;
            x += 40;
        } else {
            EXPECT_TRUE(b->isHidden()) << i;
            EXPECT_EQ(b->geometry(), QRect(281, 0, 40, 25)) << i;
        }
    }

    // Keno: eight of 68 in 544, its left 8 pixels outside the window.
    m_nav->SetVisibleButtons(kKenoButtons);
    m_nav->SetBounds(-8, 0, 544, 25);
    EXPECT_EQ(m_nav->geometry(), QRect(-8, 0, 544, 25));
    x = 0;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        if (!kKenoButtons.Contains(at(i))) {
            EXPECT_GE(button(at(i))->x(), 544) << i;
            continue;
        }
        EXPECT_EQ(button(at(i))->geometry(), QRect(x, 0, 68, 25)) << i;
        x += 68;
    }
    // The layout holds once shown too.
    show();
    EXPECT_EQ(m_nav->geometry(), QRect(-8, 0, 544, 25));
    EXPECT_EQ(button(Btn::nbPost)->geometry(), QRect(476, 0, 68, 25));
}

TEST_F(NavigatorTest, LayoutRoundsAnUnalignedBarAndSpreadsTheRemainderOfAnAlignedOne) {
    m_nav->SetVisibleButtons(kSuperLotoButtons);
    m_nav->SetBounds(0, 0, 281, 25);
    EXPECT_EQ(m_nav->size(), QSize(280, 25));
    for (Btn b : {Btn::nbTop, Btn::nbBttm, Btn::nbPost}) EXPECT_EQ(button(b)->width(), 40);

    // Too small: at least 20 by 18 per button.
    m_nav->SetBounds(0, 0, 100, 10);
    EXPECT_EQ(m_nav->size(), QSize(140, 18));
    EXPECT_EQ(button(Btn::nbPost)->geometry(), QRect(120, 0, 20, 18));

    // A resize from outside goes through the layout as well.
    show();
    m_nav->resize(300, 30);
    EXPECT_EQ(m_nav->size(), QSize(294, 30));
    EXPECT_EQ(button(Btn::nbPost)->geometry(), QRect(252, 0, 42, 30));

    // Aligned to the top of a 281-pixel parent: 281 wide, the fourth visible button 41.
    m_window->resize(281, 100);
    m_nav->SetAlign(TAlign::alTop);
    EXPECT_EQ(m_nav->geometry(), QRect(0, 0, 281, 30));
    const int widths[] = {40, 40, 40, 41, 40, 40, 40};
    int x = 0;
    int k = 0;
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        if (!kSuperLotoButtons.Contains(at(i))) continue;
        EXPECT_EQ(button(at(i))->geometry(), QRect(x, 0, widths[k], 30)) << i;
        x += widths[k++];
    }
    // It follows its parent.
    m_window->resize(285, 100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_nav->width() == 285; }, 1000));
    EXPECT_EQ(button(Btn::nbPost)->geometry().right(), 284);
}

TEST_F(NavigatorTest, LayoutWithNoVisibleButtonsCountsOne) {
    m_nav->SetVisibleButtons(TXbaseButtonSet{});
    m_nav->SetBounds(0, 0, 280, 25);
    EXPECT_EQ(m_nav->size(), QSize(280, 25));
    EXPECT_EQ(m_nav->ButtonWidth(), 280);
    for (int i = 0; i < kXbaseNavButtonCount; ++i) {
        EXPECT_TRUE(button(at(i))->isHidden());
        EXPECT_EQ(button(at(i))->geometry(), QRect(281, 0, 280, 25)) << i;
    }
    m_nav->SetBounds(0, 0, 5, 5);
    EXPECT_EQ(m_nav->size(), QSize(20, 18));
}

TEST_F(NavigatorTest, HintsListReplacesTheDefaultsLineByLine) {
    m_nav->SetHints({"", "Go"});
    EXPECT_EQ(button(Btn::nbTop)->toolTip(), "First record");
    EXPECT_EQ(button(Btn::nbPrev)->toolTip(), "Go");
    EXPECT_EQ(button(Btn::nbNext)->toolTip(), "Next record");
    EXPECT_EQ(m_nav->Hints(), (std::vector<std::string>{"", "Go"}));

    std::vector<std::string> many;
    for (int i = 0; i < 14; ++i) many.push_back("Hint " + std::to_string(i));
    m_nav->SetHints(many);
    EXPECT_EQ(button(Btn::nbTop)->toolTip(), "Hint 0");
    EXPECT_EQ(button(Btn::nbRefresh)->toolTip(), "Hint 11");
    m_nav->SetHints({});
    EXPECT_EQ(button(Btn::nbPrev)->toolTip(), "Prior record");
    EXPECT_EQ(button(Btn::nbCopy)->toolTip(), " Copy record");

    // Shown only when ShowHint says so, as the data windows set it.
    EXPECT_TRUE(m_nav->ParentShowHint());
    EXPECT_FALSE(m_nav->HintsShown()) << "the parent asks for none";
    m_window->setProperty("ShowHint", true);
    EXPECT_TRUE(m_nav->HintsShown());
    m_window->setProperty("ShowHint", false);
    m_nav->SetShowHint(true);
    EXPECT_FALSE(m_nav->ParentShowHint());
    EXPECT_TRUE(m_nav->HintsShown());

    m_nav->SetVisibleButtons(kSuperLotoButtons);
    m_nav->SetBounds(0, 0, 280, 25);
    show();
    TXbaseNavButton* prior = button(Btn::nbPrev);
    const QPoint centre = prior->rect().center();
    QHelpEvent shown(QEvent::ToolTip, centre, prior->mapToGlobal(centre));
    QApplication::sendEvent(prior, &shown);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Prior record");
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
    m_nav->SetShowHint(false);
    QHelpEvent hidden(QEvent::ToolTip, centre, prior->mapToGlobal(centre));
    QApplication::sendEvent(prior, &hidden);
    QTest::qWait(20);
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(NavigatorTest, KeyboardMovesAmongVisibleButtonsAndSpaceClicks) {
    openTable(5);
    m_nav->SetVisibleButtons(kSuperLotoButtons);
    m_nav->SetBounds(0, 0, 280, 25);
    m_nav->SetTabStop(true);
    activate();
    click(Btn::nbNext);
    ASSERT_TRUE(m_nav->hasFocus()) << "a click gives a tab-stop bar the focus";
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbNext);
    ASSERT_EQ(QApplication::focusWidget(), m_nav);

    auto key = [&](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    key(Qt::Key_Right);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbBttm);
    key(Qt::Key_Right);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbInsert);
    key(Qt::Key_Right);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbDelete) << "Copy and Edit are hidden";
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbPost) << "stops at the last visible button";
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbBttm);

    key(Qt::Key_Space);
    EXPECT_EQ(m_dataSet->RecNo(), 5) << "Space clicks Last";
    key(Qt::Key_Left);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbNext);
    m_dataSet->Next();  // at EOF Next is disabled
    ASSERT_FALSE(button(Btn::nbNext)->isEnabled());
    int clicks = 0;
    m_nav->OnClick = [&](TXbaseNavigator&, Btn) { ++clicks; };
    key(Qt::Key_Space);
    EXPECT_EQ(clicks, 0) << "a disabled button is not clicked";
    for (int i = 0; i < 5; ++i) key(Qt::Key_Left);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbTop);
    key(Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(m_dataSet->RecNo(), 1);
}

TEST_F(NavigatorTest, MousePressTakesTheFocusOnlyWithTabStopAndFocusIsDrawnDotted) {
    openTable(5);
    m_nav->SetVisibleButtons(kSuperLotoButtons);
    m_nav->SetBounds(0, 0, 280, 25);
    activate();
    TXbaseNavButton* next = button(Btn::nbNext);

    // Row 3 of a 40 by 25 button: the focus rectangle's top edge, 3 pixels in, from x 3 to 36.
    auto focusDots = [&](const QImage& image, int shift) {
        int dots = 0;
        int gaps = 0;
        for (int x = 3 + shift; x <= 36 + shift; ++x) {
            const bool black = (image.pixel(x, 3 + shift) & 0xFFFFFFu) == 0;
            if ((x + 3 + shift) % 2 == 0) {
                dots += black ? 1 : 0;
            } else {
                gaps += black ? 0 : 1;
            }
        }
        return dots == 17 && gaps == 17;
    };

    click(Btn::nbNext);
    EXPECT_FALSE(m_nav->hasFocus()) << "without TabStop the bar stays out of the focus";
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbNext);
    EXPECT_FALSE(focusDots(next->grab().toImage(), 0));

    m_nav->SetTabStop(true);
    click(Btn::nbNext);
    ASSERT_TRUE(m_nav->hasFocus());
    EXPECT_TRUE(focusDots(next->grab().toImage(), 0));
    EXPECT_FALSE(focusDots(button(Btn::nbPrev)->grab().toImage(), 0)) << "only the focused button";
    // Pressed, the rectangle moves one pixel right and down.
    QTest::mousePress(next, Qt::LeftButton);
    EXPECT_TRUE(focusDots(next->grab().toImage(), 1));
    QTest::mouseRelease(next, Qt::LeftButton);

    click(Btn::nbPrev);
    EXPECT_EQ(m_nav->FocusedButton(), Btn::nbPrev);
    EXPECT_TRUE(focusDots(button(Btn::nbPrev)->grab().toImage(), 0));
    EXPECT_FALSE(focusDots(next->grab().toImage(), 0));

    // Losing the focus takes the rectangle away.
    auto* other = new QWidget(m_window.get());
    other->setFocusPolicy(Qt::StrongFocus);
    other->setGeometry(0, 50, 20, 20);
    other->show();
    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_nav->hasFocus(); }, 1000));
    EXPECT_FALSE(focusDots(button(Btn::nbPrev)->grab().toImage(), 0));
}

TEST_F(NavigatorTest, FlatButtonsRaiseOnlyUnderTheMouse) {
    openTable(5);
    m_nav->SetVisibleButtons(kSuperLotoButtons);
    m_nav->SetBounds(0, 0, 280, 25);
    show();
    TXbaseNavButton* next = button(Btn::nbNext);
    const QPalette& colours = next->palette();
    const QRgb face = colours.color(QPalette::Active, QPalette::Button).rgb() & 0xFFFFFFu;
    const QRgb light = colours.color(QPalette::Active, QPalette::Light).rgb() & 0xFFFFFFu;
    const QRgb shadow = colours.color(QPalette::Active, QPalette::Shadow).rgb() & 0xFFFFFFu;
    ASSERT_NE(face, light);
    auto corner = [](TXbaseNavButton* b, int x, int y) { return b->grab().toImage().pixel(x, y) & 0xFFFFFFu; };

    EXPECT_EQ(corner(next, 0, 0), light) << "raised";
    EXPECT_EQ(corner(next, 39, 24), shadow);

    m_nav->SetFlat(true);
    EXPECT_EQ(corner(next, 0, 0), face) << "flat";
    EXPECT_EQ(corner(next, 39, 24), face);
    QTest::mouseMove(next, QPoint(20, 12));
    ASSERT_TRUE(QTest::qWaitFor([&] { return corner(next, 0, 0) == light; }, 1000)) << "raised under the mouse";
    QTest::mouseMove(m_window.get(), QPoint(300, 80));
    ASSERT_TRUE(QTest::qWaitFor([&] { return corner(next, 0, 0) == face; }, 1000));
}

}  // namespace
