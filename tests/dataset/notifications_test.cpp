// What the table dataset tells others: the order of its events over an edit cycle, the error
// events a failed edit, post or delete goes to first, and the notifications a data link receives
// together with the window of rows it reads, as the grid and the navigator bar see them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "dbf/table_handler.h"
#include "toolkit/data_source.h"
#include "tests/dataset/xbase_test_util.h"

namespace {

using xbtest::failureOf;
using xbtest::recordAt;
using xbtest::recordBytes;
using xbtest::writeDrawTable;

class NotificationsTest : public xbtest::XbaseDataSetTest {
protected:
    void SetUp() override {
        XbaseDataSetTest::SetUp();
        writeDrawTable("lotobase.dbf", 10);
    }
};

// Every event of the dataset, by name, in the order raised.
void recordEvents(TXbaseDataSet& ds, std::vector<std::string>& log) {
    auto note = [&log](const char* name) { return [&log, name](TDataSet&) { log.emplace_back(name); }; };
    ds.BeforeOpen = note("BeforeOpen");
    ds.AfterOpen = note("AfterOpen");
    ds.BeforeClose = note("BeforeClose");
    ds.AfterClose = note("AfterClose");
    ds.BeforeInsert = note("BeforeInsert");
    ds.AfterInsert = note("AfterInsert");
    ds.BeforeEdit = note("BeforeEdit");
    ds.AfterEdit = note("AfterEdit");
    ds.BeforePost = note("BeforePost");
    ds.AfterPost = note("AfterPost");
    ds.BeforeCancel = note("BeforeCancel");
    ds.AfterCancel = note("AfterCancel");
    ds.BeforeDelete = note("BeforeDelete");
    ds.AfterDelete = note("AfterDelete");
    ds.BeforeScroll = note("BeforeScroll");
    ds.AfterScroll = note("AfterScroll");
    ds.OnNewRecord = note("OnNewRecord");
}

using Log = std::vector<std::string>;

TEST_F(NotificationsTest, EventsOfAnEditCycleComeInTheBaseClassOrder) {
    auto ds = dataSet();
    Log log;
    recordEvents(*ds, log);
    ds->Open();
    EXPECT_EQ(log, (Log{"BeforeOpen", "AfterOpen", "AfterScroll"}));

    log.clear();
    ds->Edit();
    EXPECT_EQ(log, (Log{"BeforeEdit", "AfterEdit"}));
    log.clear();
    ds->Fields(0).SetAsInteger(7);
    ds->Post();
    EXPECT_EQ(log, (Log{"BeforePost", "AfterPost"}));

    log.clear();
    ds->Edit();
    ds->Cancel();
    EXPECT_EQ(log, (Log{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));

    log.clear();
    ds->Insert();
    EXPECT_EQ(log, (Log{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
    log.clear();
    ds->Cancel();
    EXPECT_EQ(log, (Log{"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}));

    log.clear();
    ds->Append();
    ds->Post();
    EXPECT_EQ(log, (Log{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll", "BeforePost",
                        "AfterPost"}));

    log.clear();
    ds->Delete();
    EXPECT_EQ(log, (Log{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));

    // A move out of an edit posts the modified row first.
    ds->First();
    log.clear();
    ds->Edit();
    ds->Fields(1).SetAsInteger(2);
    ds->Next();
    EXPECT_EQ(log, (Log{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(recordAt(bytes(), 1), recordBytes({7, 2, 21, 31, 41, 51}));

    log.clear();
    ds->Close();
    EXPECT_EQ(log, (Log{"BeforeClose", "AfterClose"}));
}

TEST_F(NotificationsTest, NewRowHandlerSeesTheBlankRowInInsertState) {
    auto ds = dataSet();
    ds->OnNewRecord = [](TDataSet& set) {
        EXPECT_EQ(set.State(), TDataSetState::dsInsert);
        EXPECT_EQ(set.Fields(0).AsInteger(), 0);
        set.Fields(0).SetAsInteger(33);
    };
    ds->Open();
    ds->Append();
    EXPECT_EQ(ds->Fields(0).AsInteger(), 33);
    ds->Post();
    EXPECT_EQ(recordAt(bytes(), 11), recordBytes({33, 0, 0, 0, 0, 0}));
}

TEST_F(NotificationsTest, AFailedEditGoesToOnEditErrorFirst) {
    auto mainWindow = dataSet();
    auto dataWindow = dataSet();
    mainWindow->Open();
    dataWindow->Open();
    mainWindow->Edit();

    std::vector<std::string> seen;
    TDataAction answer = TDataAction::daFail;
    dataWindow->OnEditError = [&](TDataSet& set, EDatabaseError& e, TDataAction& action) {
        EXPECT_EQ(&set, dataWindow.get());
        EXPECT_EQ(action, TDataAction::daFail) << "fail unless the handler says otherwise";
        seen.push_back(e.Message());
        action = answer;
        if (answer == TDataAction::daRetry) mainWindow->Cancel();
    };

    EXPECT_EQ(failureOf<EDatabaseError>([&] { dataWindow->Edit(); }), "Record is locked by another user");
    EXPECT_EQ(seen, (std::vector<std::string>{"Record is locked by another user"}));
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsBrowse);

    seen.clear();
    answer = TDataAction::daAbort;
    EXPECT_THROW(dataWindow->Edit(), EAbort);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsBrowse);

    seen.clear();
    answer = TDataAction::daRetry;
    dataWindow->Edit();
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsEdit);
    dataWindow->Cancel();
}

TEST_F(NotificationsTest, AFailedDeleteGoesToOnDeleteErrorFirst) {
    auto ds = dataSet();
    ds->SetReadOnly(true);
    ds->Open();
    ds->SetRecNo(3);
    std::vector<std::string> seen;
    TDataAction answer = TDataAction::daFail;
    ds->OnDeleteError = [&](TDataSet&, EDatabaseError& e, TDataAction& action) {
        seen.push_back(e.Message());
        action = answer;
    };
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Delete(); }), "Cannot delete the record");
    EXPECT_EQ(seen, (std::vector<std::string>{"Cannot delete the record"}));
    answer = TDataAction::daAbort;
    EXPECT_THROW(ds->Delete(), EAbort);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(ds->RecordCount(), 10);
}

TEST_F(NotificationsTest, AFailedPostGoesToOnPostErrorFirst) {
    // The other dataset holds the append byte, so appending waits and then gives up.
    XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds(100));
    auto mainWindow = dataSet();
    auto dataWindow = dataSet();
    mainWindow->Open();
    dataWindow->Open();
    ASSERT_TRUE(mainWindow->Engine()->lockAppendByte());
    const std::string engineMessage = "Record locked by another user - " + path("lotobase.dbf");

    std::vector<std::string> seen;
    TDataAction answer = TDataAction::daFail;
    dataWindow->OnPostError = [&](TDataSet&, EDatabaseError& e, TDataAction& action) {
        seen.push_back(e.Message());
        action = answer;
        if (answer == TDataAction::daRetry) mainWindow->Engine()->unlock();
    };
    dataWindow->Append();
    dataWindow->Fields(0).SetAsInteger(21);

    // Without a handler's say the engine's report reaches the user, the row stays as typed.
    EXPECT_EQ(failureOf<EXbaseError>([&] { dataWindow->Post(); }), engineMessage);
    EXPECT_EQ(seen.size(), 1u) << "OnPostError was not called for the engine's failure";
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsInsert);
    EXPECT_EQ(dataWindow->Fields(0).AsInteger(), 21);

    answer = TDataAction::daAbort;
    try {
        dataWindow->Post();
        ADD_FAILURE() << "the post went through";
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << "expected the silent abort, got " << e.what();
    }
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsInsert);

    answer = TDataAction::daRetry;
    try {
        dataWindow->Post();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "retry after the byte was released: " << e.what();
    }
    mainWindow->Engine()->unlock();
    if (dataWindow->State() == TDataSetState::dsInsert) dataWindow->Post();
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(recordAt(bytes(), 11), recordBytes({21, 0, 0, 0, 0, 0}));
}

// A control's view of the dataset: what it is told, in order.
class RecordingLink : public TDataLink {
public:
    Log log;

protected:
    void ActiveChanged() override { log.emplace_back(Active() ? "active" : "inactive"); }
    void EditingChanged() override { log.emplace_back(Editing() ? "editing" : "browsing"); }
    void DataSetChanged() override { log.emplace_back("changed"); }
    void DataSetScrolled(int distance) override { log.push_back("scrolled " + std::to_string(distance)); }
    void RecordChanged(TField* field) override { log.push_back(field ? "record " + field->FieldName() : "record"); }
};

// The first column of each row of the link's window, read as a grid paints it.
std::vector<int> windowRows(RecordingLink& link, TDataSet& ds) {
    const int active = link.ActiveRecord();
    std::vector<int> rows;
    for (int i = 0; i < link.RecordCount(); ++i) {
        link.SetActiveRecord(i);
        rows.push_back(ds.Fields(0).AsInteger());
    }
    link.SetActiveRecord(active);
    return rows;
}

bool contains(const Log& log, const std::string& entry) {
    for (const auto& e : log) {
        if (e == entry) return true;
    }
    return false;
}

TEST_F(NotificationsTest, ADataLinkFollowsTheDatasetThroughItsWindow) {
    auto ds = dataSet();
    TDataSource source;
    source.SetDataSet(ds.get());
    RecordingLink link;
    link.SetBufferCount(3);
    link.SetDataSource(&source);
    EXPECT_FALSE(link.Active());

    ds->Open();
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(link.log, (Log{"active"}));
    EXPECT_EQ(ds->BufferCount(), 3);
    EXPECT_EQ(link.RecordCount(), 3);
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ds->RecNo(), 1) << "reading the window restores the active row";

    ds->Next();
    ds->Next();
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{1, 2, 3}));
    link.log.clear();
    ds->Next();
    EXPECT_EQ(link.log, (Log{"scrolled 1"})) << "the full window moves down by one row";
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(ds->RecNo(), 4);
    EXPECT_EQ(ds->RecordCount(), 10);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{2, 3, 4})) << "counting leaves the rows alone";

    link.log.clear();
    ds->Last();
    EXPECT_EQ(link.log, (Log{"changed"}));
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{8, 9, 10}));
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{8, 9, 10}));
    ds->Prior();
    ds->Prior();
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(ds->RecNo(), 8);
    link.log.clear();
    ds->Prior();
    EXPECT_EQ(link.log, (Log{"scrolled -1"}));
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{7, 8, 9}));

    link.log.clear();
    ds->First();
    EXPECT_EQ(link.log, (Log{"changed"}));
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{1, 2, 3}));

    // The edit cycle.
    ds->Next();
    link.log.clear();
    ds->Edit();
    EXPECT_TRUE(link.Editing());
    EXPECT_TRUE(contains(link.log, "editing"));
    link.log.clear();
    ds->Fields(1).SetAsInteger(5);
    EXPECT_EQ(link.log, (Log{"record C2"}));
    link.log.clear();
    ds->Post();
    EXPECT_FALSE(link.Editing());
    ASSERT_FALSE(link.log.empty());
    EXPECT_EQ(link.log.front(), "browsing");
    EXPECT_TRUE(contains(link.log, "changed"));
    EXPECT_EQ(link.ActiveRecord(), 1) << "the posted row keeps its place in the window";
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{1, 2, 3}));

    // An insert at the cursor opens a row there; the post puts the record at the end.
    link.log.clear();
    ds->Insert();
    EXPECT_TRUE(contains(link.log, "editing"));
    EXPECT_TRUE(contains(link.log, "changed"));
    EXPECT_EQ(link.ActiveRecord(), 1);
    EXPECT_EQ(windowRows(link, *ds), (std::vector<int>{1, 0, 2}));
    ds->Fields(0).SetAsInteger(77);
    ds->Post();
    EXPECT_EQ(ds->RecNo(), 11);
    EXPECT_EQ(windowRows(link, *ds)[static_cast<std::size_t>(link.ActiveRecord())], 77);
    const auto rows = windowRows(link, *ds);
    EXPECT_EQ(rows.back(), 77) << "the new record ends the table";

    link.log.clear();
    ds->Close();
    EXPECT_EQ(link.log, (Log{"inactive"}));
    EXPECT_FALSE(link.Active());
    link.SetDataSource(nullptr);
}

}  // namespace
