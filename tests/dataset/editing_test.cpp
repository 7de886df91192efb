// The table dataset's edit cycle on a real file: where inserted and edited rows are written, what
// cancelling leaves, how a new row starts out, what deleting does to the cursor, recalling, and
// every refusal a user can be shown while editing, checked against the bytes of the file.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include <chrono>
#include <string>
#include <vector>

#include "dbf/table_handler.h"
#include "tests/dataset/xbase_test_util.h"

namespace {

using testsupport::DbfImage;
using testsupport::fileSizeOf;
using xbtest::drawOf;
using xbtest::failureOf;
using xbtest::headerCount;
using xbtest::kHeaderLength;
using xbtest::kRecordLength;
using xbtest::recordAt;
using xbtest::recordBytes;
using xbtest::writeDrawTable;

class EditingTest : public xbtest::XbaseDataSetTest {
protected:
    void SetUp() override {
        XbaseDataSetTest::SetUp();
        writeDrawTable("lotobase.dbf", 10);
        m_original = bytes();
    }

    // The record area of the file as written at the start, records 1..n.
    std::string originalRecords(std::size_t n) const { return m_original.substr(kHeaderLength, n * kRecordLength); }

    static void setDraw(TXbaseDataSet& ds, const std::vector<int>& draw) {
        for (int k = 0; k < 6; ++k) ds.Fields(k).SetAsInteger(draw[static_cast<std::size_t>(k)]);
    }

    std::string m_original;
};

TEST_F(EditingTest, InsertedRecordIsAppendedAndBecomesCurrent) {
    auto ds = dataSet();
    ds->Open();
    ds->Next();
    ds->Next();
    ASSERT_EQ(ds->RecNo(), 3);
    ds->Insert();
    EXPECT_EQ(ds->State(), TDataSetState::dsInsert);
    for (int k = 0; k < 6; ++k) {
        EXPECT_FALSE(ds->Fields(k).IsNull()) << "a new row shows 0 in every number column";
        EXPECT_EQ(ds->Fields(k).AsInteger(), 0);
    }
    EXPECT_EQ(bytes(), m_original) << "nothing is written before the post";
    const std::vector<int> draw = {7, 14, 21, 28, 35, 42};
    setDraw(*ds, draw);
    ds->Post();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds->RecNo(), 11);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 7);
    EXPECT_EQ(ds->Fields(5).AsInteger(), 42);
    EXPECT_EQ(ds->RecordCount(), 11);

    const std::string file = bytes();
    EXPECT_EQ(file.size(), kHeaderLength + 11 * kRecordLength + 1);
    EXPECT_EQ(headerCount(file), 11u);
    EXPECT_EQ(file.substr(kHeaderLength, 10 * kRecordLength), originalRecords(10)) << "the other records stay";
    EXPECT_EQ(recordAt(file, 11), recordBytes(draw));
    EXPECT_EQ(file.back(), '\x1A');

    // The last records of the table precede it.
    ds->Prior();
    EXPECT_EQ(ds->RecNo(), 10);
    ds->Next();
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 11);
}

TEST_F(EditingTest, CancelledInsertWritesNothingAndReturnsToTheRecord) {
    auto ds = dataSet();
    ds->Open();
    ds->MoveBy(2);
    ASSERT_EQ(ds->RecNo(), 3);
    ds->Insert();
    ds->Fields(0).SetAsInteger(55);
    ds->Fields(1).SetAsString("44");
    EXPECT_EQ(ds->Fields(0).AsInteger(), 55);
    ds->Cancel();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(bytes(), m_original);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 3);
    EXPECT_EQ(ds->RecordCount(), 10);
    ds->Next();
    EXPECT_EQ(ds->RecNo(), 4);

    // Appending and cancelling leaves the file as it was too.
    ds->Append();
    ds->Fields(0).SetAsInteger(9);
    ds->Cancel();
    EXPECT_EQ(bytes(), m_original);
    EXPECT_EQ(ds->RecordCount(), 10);
    // Deleting a row being inserted drops it.
    ds->Insert();
    ds->Fields(0).SetAsInteger(9);
    ds->Delete();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(bytes(), m_original);
}

TEST_F(EditingTest, CancelledEditRereadsTheRecord) {
    auto ds = dataSet();
    ds->Open();
    ds->SetRecNo(5);
    ASSERT_EQ(ds->Fields(0).AsInteger(), 5);
    ds->Edit();
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
    ds->Fields(0).SetAsInteger(7);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 7);
    EXPECT_TRUE(ds->Modified());
    EXPECT_EQ(bytes(), m_original) << "values go to the row, not the file";
    ds->Cancel();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 5);
    EXPECT_EQ(ds->RecNo(), 5);
    EXPECT_EQ(bytes(), m_original);
}

TEST_F(EditingTest, PostedEditRewritesTheRecordInPlace) {
    auto ds = dataSet();
    ds->Open();
    ds->SetRecNo(5);
    ds->Edit();
    ds->Fields(0).SetAsInteger(7);
    ds->Fields(5).SetAsString("60");
    ds->Post();
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds->RecNo(), 5);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 7);
    const std::string file = bytes();
    EXPECT_EQ(file.size(), m_original.size());
    EXPECT_EQ(recordAt(file, 5), recordBytes({7, 15, 25, 35, 45, 60}));
    EXPECT_EQ(recordAt(file, 4), recordAt(m_original, 4));
    EXPECT_EQ(recordAt(file, 6), recordAt(m_original, 6));
    EXPECT_EQ(ds->Engine()->lockCount(), 0) << "the post releases the record";

    // An edit starts from the record as it is on disk now, not as the row last showed it.
    testsupport::patchFile(path("lotobase.dbf"), kHeaderLength + 4 * kRecordLength + 1, "33");
    ds->Edit();
    EXPECT_EQ(ds->Fields(0).AsInteger(), 33);
    ds->Cancel();
}

TEST_F(EditingTest, EditOnAnEmptyTableInserts) {
    writeDrawTable("empty.dbf", 0);
    auto ds = dataSet("empty.dbf");
    ds->Open();
    ds->Edit();
    EXPECT_EQ(ds->State(), TDataSetState::dsInsert);
    ds->Fields(0).SetAsInteger(12);
    ds->Post();
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(ds->RecordCount(), 1);
    EXPECT_FALSE(ds->Eof());
    const std::string file = bytes("empty.dbf");
    EXPECT_EQ(headerCount(file), 1u);
    EXPECT_EQ(recordAt(file, 1), recordBytes({12, 0, 0, 0, 0, 0}));
}

TEST_F(EditingTest, NumberColumnsLeftEmptyAreStoredAsZero) {
    auto ds = dataSet();
    ds->Open();
    ds->Append();
    ds->Post();
    EXPECT_EQ(ds->RecNo(), 11);
    EXPECT_EQ(recordAt(bytes(), 11), " " + std::string(" 0 0 0 0 0 0"));

    ds->SetRecNo(5);
    ds->Edit();
    ds->Fields(0).Clear();
    EXPECT_FALSE(ds->Fields(0).IsNull());
    EXPECT_EQ(ds->Fields(0).AsInteger(), 0);
    ds->Fields(1).SetAsString("");
    ds->Post();
    EXPECT_EQ(recordAt(bytes(), 5), recordBytes({0, 0, 25, 35, 45, 55}));
    EXPECT_EQ(ds->Fields(0).AsString(), "0");
}

TEST_F(EditingTest, DeletingMovesToTheNextOrPreviousVisibleRecord) {
    writeDrawTable("three.dbf", 3);
    auto ds = dataSet("three.dbf");
    ds->Open();
    ds->SetRecNo(2);
    ds->Delete();
    EXPECT_EQ(ds->RecNo(), 3) << "on to the next record";
    EXPECT_EQ(ds->RecordCount(), 2);
    EXPECT_EQ(bytes("three.dbf").substr(kHeaderLength + kRecordLength, 1), "*");
    EXPECT_EQ(ds->Engine()->useDeleted(), false) << "deleted records hidden again";

    ds->Close();
    writeDrawTable("three.dbf", 3);
    ds->Open();
    ds->Last();
    ASSERT_EQ(ds->RecNo(), 3);
    ds->Delete();
    EXPECT_EQ(ds->RecNo(), 2) << "back to the new last record";
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->Fields(0).AsInteger(), 2);
    EXPECT_EQ(ds->RecordCount(), 2);
    ds->SetExactCount(false);
    EXPECT_EQ(ds->RecordCount(), 3);
    const std::string file = bytes("three.dbf");
    EXPECT_EQ(recordAt(file, 3), recordBytes(drawOf(3), '*'));
    EXPECT_EQ(file.size(), kHeaderLength + 3 * kRecordLength + 1) << "deleting only marks";

    writeDrawTable("one.dbf", 1);
    auto only = dataSet("one.dbf");
    only->Open();
    only->Delete();
    EXPECT_TRUE(only->Bof());
    EXPECT_TRUE(only->Eof());
    EXPECT_TRUE(only->IsEmpty());
    EXPECT_EQ(only->RecordCount(), 0);
    EXPECT_EQ(only->RecNo(), 0);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { only->Delete(); }),
              "XbaseDataSet1: Cannot perform this operation on an empty dataset");
}

TEST_F(EditingTest, RecallClearsTheDeletionMark) {
    writeDrawTable("three.dbf", 3, {2});
    auto ds = dataSet("three.dbf");
    ds->SetUseDeleted(true);
    ds->Open();
    ds->SetRecNo(2);
    // Hidden again from now on, yet the cursor still stands on the deleted record.
    ds->SetUseDeleted(false);
    ds->Recall();
    EXPECT_EQ(recordAt(bytes("three.dbf"), 2), recordBytes(drawOf(2)));
    EXPECT_FALSE(ds->Engine()->useDeleted()) << "visibility back to UseDeleted";
    EXPECT_EQ(ds->RecordCount(), 3);
    EXPECT_EQ(ds->RecNo(), 2);
}

TEST_F(EditingTest, ValuesThatDoNotFitAreRefusedAndTheRowStaysInEdit) {
    auto ds = dataSet();
    ds->Open();
    ds->SetRecNo(5);
    ds->Edit();
    TField& c1 = ds->Fields(0);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { c1.SetAsString("1-2"); }),
              "'1-2' is not a valid integer value for field 'C1'");
    EXPECT_EQ(c1.AsInteger(), 5);
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);

    // The field fits two characters: the engine refuses 100.
    EXPECT_EQ(failureOf<EXbaseError>([&] { c1.SetAsInteger(100); }), "Number too large to fit in field - C1 - 100");
    EXPECT_EQ(c1.AsInteger(), 5);
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
    EXPECT_EQ(failureOf<EXbaseError>([&] { c1.SetAsString("100"); }), "Number too large to fit in field - C1 - 100");
    EXPECT_EQ(c1.AsInteger(), 5);

    // Beyond what a smallint column can hold at all.
    EXPECT_EQ(failureOf<EDatabaseError>([&] { c1.SetAsInteger(40000); }),
              "40000 is not a valid value for field 'C1'. The allowed range is -32768 to 32767");
    EXPECT_EQ(failureOf<EDatabaseError>([&] { c1.SetAsString("-40000"); }),
              "-40000 is not a valid value for field 'C1'. The allowed range is -32768 to 32767");
    EXPECT_EQ(c1.AsInteger(), 5);
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);

    // The row can still be corrected and posted.
    c1.SetAsInteger(9);
    ds->Post();
    EXPECT_EQ(recordAt(bytes(), 5), recordBytes({9, 15, 25, 35, 45, 55}));

    DbfImage image;
    image.field("BIG", 'N', 12);
    image.record({"1"});
    image.writeTo(path("wide.dbf"));
    auto wide = dataSet("wide.dbf");
    wide->Open();
    wide->Edit();
    EXPECT_EQ(failureOf<EDatabaseError>([&] { wide->Fields(0).SetAsString("3000000000"); }),
              "3000000000 is not a valid value for field 'BIG'. The allowed range is -2147483648 to 2147483647");
    EXPECT_EQ(wide->Fields(0).AsInteger(), 1);
    wide->Fields(0).SetAsString("2000000000");
    wide->Post();
    EXPECT_EQ(wide->Fields(0).AsInteger(), 2000000000);
}

TEST_F(EditingTest, ReadOnlyFieldsRefuseValues) {
    auto ds = dataSet();
    ds->Open();
    ds->Edit();
    TField& c1 = ds->Fields(0);
    c1.SetReadOnly(true);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { c1.SetAsInteger(9); }), "Field 'C1' cannot be modified");
    c1.SetDisplayLabel("Ball 1");
    EXPECT_EQ(failureOf<EDatabaseError>([&] { c1.Clear(); }), "Field 'Ball 1' cannot be modified");
    EXPECT_EQ(c1.AsInteger(), 1);
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
    ds->Cancel();
    EXPECT_EQ(bytes(), m_original);
}

TEST_F(EditingTest, NothingIsStoredOutsideEditOrInsert) {
    auto ds = dataSet();
    ds->Open();
    const std::string message = "XbaseDataSet1: Dataset not in edit or insert mode";
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Post(); }), message);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Fields(0).SetAsInteger(3); }), message);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Fields(1).Clear(); }), message);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 1);
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(bytes(), m_original);
}

TEST_F(EditingTest, ReadOnlyDatasetRefusesEditsButDeleteReachesTheEngine) {
    auto ds = dataSet();
    ds->SetReadOnly(true);
    ds->Open();
    EXPECT_FALSE(ds->CanModify());
    ds->SetRecNo(4);
    const std::string message = "XbaseDataSet1: Cannot modify a read-only dataset";
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Edit(); }), message);
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Insert(); }), message);
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Append(); }), message);
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds->RecNo(), 4);

    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Delete(); }), "Cannot delete the record");
    EXPECT_FALSE(ds->Engine()->useDeleted()) << "visibility set back on failure too";
    EXPECT_EQ(ds->RecNo(), 4) << "a failed delete leaves the cursor";
    EXPECT_EQ(ds->Fields(0).AsInteger(), 4);
    EXPECT_EQ(ds->RecordCount(), 10);

    ds->Close();
    writeDrawTable("lotobase.dbf", 3, {2});
    ds->SetUseDeleted(true);
    ds->Open();
    ds->SetRecNo(2);
    ds->SetUseDeleted(false);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Recall(); }), "Cannot recall the record");
    EXPECT_FALSE(ds->Engine()->useDeleted());
    EXPECT_EQ(recordAt(bytes(), 2), recordBytes(drawOf(2), '*'));
}

TEST_F(EditingTest, AFailedWriteKeepsTheTypedValues) {
    auto ds = dataSet();
    ds->Open();
    ds->SetRecNo(5);
    ds->Edit();
    ds->Fields(0).SetAsInteger(7);
    {
        platform::FaultGuard guard(platform::Fault{platform::Call::Write, 0, -1, 112, 0});
        // The disk is full: the engine's numbered report of the failed write.
        const std::string table = path("lotobase.dbf");
        EXPECT_EQ(failureOf<EXbaseError>([&] { ds->Post(); }), "Xbase Error 112, SubCode 1102.\r " + table + ">1102");
    }
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 7);
    EXPECT_EQ(bytes(), m_original);
    ds->Post();
    EXPECT_EQ(recordAt(bytes(), 5), recordBytes({7, 15, 25, 35, 45, 55}));
}

TEST_F(EditingTest, AnInsertTornByAFullDiskLeavesTheFileAsItWas) {
    auto ds = dataSet();
    ds->Open();
    ds->Append();
    ds->Fields(0).SetAsInteger(7);
    // The disk takes five bytes of the record, then refuses the rest.
    platform::injectFault(platform::Fault{platform::Call::Write, 0, 1, 0, 5});
    platform::queueFault(platform::Fault{platform::Call::Write, 0, 1, 112, 0});
    EXPECT_EQ(failureOf<EXbaseError>([&] { ds->Post(); }),
              "Xbase Error 112, SubCode 1102.\r " + path("lotobase.dbf") + ">1102");
    platform::clearFaults();
    EXPECT_EQ(bytes(), m_original);
    EXPECT_EQ(ds->State(), TDataSetState::dsInsert);
    ds->Post();
    EXPECT_EQ(bytes().substr(kHeaderLength + 10 * kRecordLength), recordBytes({7, 0, 0, 0, 0, 0}) + "\x1A");
}

TEST_F(EditingTest, ClosingDropsAnUnpostedRow) {
    auto ds = dataSet();
    ds->Open();
    ds->Edit();
    ds->Fields(0).SetAsInteger(44);
    ds->Close();
    EXPECT_EQ(bytes(), m_original);
    ds->Open();
    ds->Insert();
    ds->Fields(0).SetAsInteger(44);
    ds->Close();
    EXPECT_EQ(bytes(), m_original);

    // The record lock went with the file: another edit of record 1 goes through.
    auto other = dataSet();
    other->Open();
    other->Edit();
    EXPECT_EQ(other->State(), TDataSetState::dsEdit);
    other->Cancel();
}

TEST_F(EditingTest, InsertRecordAndAppendRecordAddAWholeRecord) {
    auto ds = dataSet();
    ds->Open();
    ds->SetRecNo(2);
    ds->AppendRecord(
        {std::int32_t{3}, std::int32_t{6}, TFieldValue{}, std::int32_t{12}, std::int32_t{15}, std::int32_t{18}});
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(recordAt(bytes(), 11), recordBytes({3, 6, 0, 12, 15, 18}));
    ds->InsertRecord({std::int32_t{1}});
    EXPECT_EQ(recordAt(bytes(), 12), recordBytes({1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ds->RecordCount(), 12);
    EXPECT_EQ(headerCount(bytes()), 12u);
}

}  // namespace

// A post or a delete of the data window, each point of it failed in turn (the k-th call of the
// file seam, for k = 1, 2, ... until one runs through): a failure leaves the file as it was, a
// success the new table.
TEST_F(EditingTest, EveryFailurePointOfAPostOrADeleteLeavesTheFileOldOrNew) {
    platform::overrideLocalTime([] { return platform::LocalTime{2031, 7, 4, 12, 30, 15, 250}; });
    const std::string original = bytes();
    using Step = std::function<void(TXbaseDataSet&)>;
    // Runs the write with the k-th call failing (none for 0); whether it failed, and whether the
    // fault struck.
    const auto attempt = [&](const Step& before, const Step& write, int k, bool& struck) {
        testsupport::writeFile(path("lotobase.dbf"), original);
        auto ds = dataSet();
        ds->Open();
        before(*ds);
        if (k > 0) platform::failCallNumber(k, 112);
        bool failed = false;
        try {
            write(*ds);
        } catch (const Exception&) {
            failed = true;
        }
        struck = platform::callNumberStruck();
        platform::clearFaults();
        ds->Close();
        return failed;
    };
    const auto sweep = [&](const Step& before, const Step& write) {
        bool struck = false;
        EXPECT_FALSE(attempt(before, write, 0, struck));
        const std::string changed = bytes();
        EXPECT_NE(changed, original);
        int points = 0;
        for (int k = 1; k < 500; ++k) {
            SCOPED_TRACE(k);
            const bool failed = attempt(before, write, k, struck);
            if (!struck) {
                EXPECT_FALSE(failed);
                EXPECT_EQ(bytes(), changed);
                break;
            }
            ++points;
            EXPECT_EQ(bytes(), failed ? original : changed) << "old when it failed, new when it said nothing";
        }
        return points;
    };
    const int edit = sweep(
        [](TXbaseDataSet& ds) {
            ds.SetRecNo(4);
            ds.Edit();
            ds.Fields(0).SetAsInteger(49);
        },
        [](TXbaseDataSet& ds) { ds.Post(); });
    const int insert = sweep(
        [](TXbaseDataSet& ds) {
            ds.Append();
            setDraw(ds, {7, 14, 21, 28, 35, 42});
        },
        [](TXbaseDataSet& ds) { ds.Post(); });
    // A delete that succeeds shows a live record, even when a read after the mark failed.
    const int remove = sweep([](TXbaseDataSet& ds) { ds.SetRecNo(6); },
                             [](TXbaseDataSet& ds) {
                                 ds.Delete();
                                 EXPECT_GT(ds.RecNo(), 6);
                             });
    std::cout << "fault sweep: window post of an edit: " << edit << ", of a new row: " << insert
              << ", delete: " << remove << " failure points\n";
    EXPECT_GT(edit, 3);
    EXPECT_GT(insert, 3);
    EXPECT_GT(remove, 3);
}
