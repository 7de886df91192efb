// One draw table used by two datasets of the program at once (the main window's and a data
// window's) and by another program: what each sees of the other's posts, and how the record lock
// taken when an edit begins keeps the others out until post or cancel.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>

#include <string>
#include <vector>

#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "tests/dataset/xbase_test_util.h"
#include "tests/support/other_program_edit.h"

namespace {

using xbtest::failureOf;
using xbtest::headerCount;
using xbtest::recordAt;
using xbtest::recordBytes;
using xbtest::writeDrawTable;

class SharedUseTest : public xbtest::XbaseDataSetTest {
protected:
    void SetUp() override {
        XbaseDataSetTest::SetUp();
        writeDrawTable("lotobase.dbf", 10);
    }
};

std::vector<int> firstColumn(TXbaseDataSet& ds) {
    std::vector<int> seen;
    ds.First();
    while (!ds.Eof()) {
        seen.push_back(ds.Fields(0).AsInteger());
        ds.Next();
    }
    return seen;
}

TEST_F(SharedUseTest, EachDatasetSeesTheOthersPosts) {
    auto mainWindow = dataSet();
    auto dataWindow = dataSet();
    mainWindow->Open();
    dataWindow->Open();
    ASSERT_EQ(mainWindow->RecordCount(), 10);

    dataWindow->Last();
    dataWindow->Insert();
    const std::vector<int> draw = {41, 42, 43, 44, 45, 46};
    for (int k = 0; k < 6; ++k) dataWindow->Fields(k).SetAsInteger(draw[static_cast<std::size_t>(k)]);
    dataWindow->Post();
    EXPECT_EQ(dataWindow->RecNo(), 11);

    EXPECT_EQ(mainWindow->RecordCount(), 11);
    EXPECT_EQ(firstColumn(*mainWindow), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 41}));
    mainWindow->Last();
    EXPECT_EQ(mainWindow->RecNo(), 11);
    EXPECT_EQ(mainWindow->Fields(5).AsInteger(), 46);

    // And the other way round, for an edit.
    mainWindow->SetRecNo(4);
    mainWindow->Edit();
    mainWindow->Fields(0).SetAsInteger(9);
    mainWindow->Post();
    dataWindow->SetRecNo(4);
    EXPECT_EQ(dataWindow->Fields(0).AsInteger(), 9);
    const std::string file = bytes();
    EXPECT_EQ(headerCount(file), 11u);
    EXPECT_EQ(recordAt(file, 4), recordBytes({9, 14, 24, 34, 44, 54}));
}

TEST_F(SharedUseTest, AnEditLocksItsRecordUntilPostOrCancel) {
    auto mainWindow = dataSet();
    auto dataWindow = dataSet();
    mainWindow->Open();
    dataWindow->Open();
    mainWindow->SetRecNo(5);
    dataWindow->SetRecNo(5);

    mainWindow->Edit();
    ASSERT_EQ(mainWindow->State(), TDataSetState::dsEdit);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { dataWindow->Edit(); }), "Record is locked by another user");
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dataWindow->Engine()->lockCount(), 0);
    EXPECT_EQ(dataWindow->Fields(0).AsInteger(), 5) << "the locked record still reads";

    // Another record is free.
    dataWindow->Next();
    dataWindow->Edit();
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsEdit);
    dataWindow->Cancel();
    dataWindow->Prior();
    ASSERT_EQ(dataWindow->RecNo(), 5);

    mainWindow->Cancel();
    dataWindow->Edit();
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsEdit);
    dataWindow->Fields(1).SetAsInteger(1);

    // Now the main window is kept out, until the post.
    EXPECT_EQ(failureOf<EDatabaseError>([&] { mainWindow->Edit(); }), "Record is locked by another user");
    EXPECT_EQ(mainWindow->State(), TDataSetState::dsBrowse);
    dataWindow->Post();
    mainWindow->Edit();
    EXPECT_EQ(mainWindow->State(), TDataSetState::dsEdit);
    EXPECT_EQ(mainWindow->Fields(1).AsInteger(), 1) << "the edit starts from the record as posted";
    mainWindow->Cancel();

    // An insert takes no record lock before its post.
    mainWindow->Insert();
    dataWindow->Edit();
    EXPECT_EQ(dataWindow->State(), TDataSetState::dsEdit);
    dataWindow->Cancel();
    mainWindow->Cancel();
}

TEST_F(SharedUseTest, ARecordLockedByAnotherProgramCannotBeEdited) {
    auto ds = dataSet();
    ds->Open();
    std::uint32_t offset = 0;
    ASSERT_TRUE(ds->Engine()->recordLockOffset(5, offset));
    xbtest::ForeignLock lock(path("lotobase.dbf"), offset);
    ASSERT_TRUE(lock.locked());

    ds->SetRecNo(5);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Edit(); }), "Record is locked by another user");
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds->RecNo(), 5);
    ds->SetRecNo(6);
    ds->Edit();
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
    ds->Cancel();

    lock.release();
    ds->SetRecNo(5);
    ds->Edit();
    EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
    ds->Fields(0).SetAsInteger(8);
    ds->Post();
    EXPECT_EQ(recordAt(bytes(), 5), recordBytes({8, 15, 25, 35, 45, 55}));
}

// Another program changes a record this one shows: an edit shows and keeps that change once its
// lock is granted, and a delete marks the record as the file holds it under the lock.
TEST_F(SharedUseTest, EditAndDeleteWorkOnTheRecordAsItIsUnderTheLock) {
    testsupport::OtherProgramEdit beforeEdit(path("lotobase.dbf"), 2, "C2", "9");
    testsupport::OtherProgramEdit beforeDelete(path("lotobase.dbf"), 3, "C3", "8");
    auto ds = dataSet();
    ds->Open();
    ds->SetRecNo(2);
    beforeEdit.changeBeforeNextLock();
    ds->Edit();
    ASSERT_TRUE(beforeEdit.changed());
    EXPECT_EQ(ds->Fields(1).AsInteger(), 9) << "the row shows the record as it is under the lock";
    ds->Fields(0).SetAsInteger(7);
    ds->Post();
    EXPECT_EQ(recordAt(bytes(), 2), recordBytes({7, 9, 22, 32, 42, 52}));

    ds->SetRecNo(3);
    ASSERT_TRUE(beforeDelete.changeNow());
    ds->Delete();
    EXPECT_EQ(recordAt(bytes(), 3), recordBytes({3, 13, 8, 33, 43, 53}, '*'));
    EXPECT_EQ(ds->RecNo(), 4);
}

TEST_F(SharedUseTest, ARecordLockedByAnotherProgramIsNeitherDeletedNorRecalled) {
    writeDrawTable("lotobase.dbf", 10, {6});
    const std::string before = bytes();
    auto ds = dataSet();
    ds->SetUseDeleted(true);
    ds->Open();
    std::uint32_t offset = 0;
    ASSERT_TRUE(ds->Engine()->recordLockOffset(5, offset));
    xbtest::ForeignLock five(path("lotobase.dbf"), offset);
    ASSERT_TRUE(ds->Engine()->recordLockOffset(6, offset));
    xbtest::ForeignLock six(path("lotobase.dbf"), offset);
    ASSERT_TRUE(five.locked() && six.locked());

    ds->SetRecNo(5);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Delete(); }), "Record is locked by another user");
    EXPECT_EQ(ds->RecNo(), 5);
    ds->SetRecNo(6);
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Recall(); }), "Record is locked by another user");
    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(ds->Engine()->useDeleted()) << "visibility as it was";
    EXPECT_EQ(ds->Engine()->lockCount(), 0);
}

}  // namespace

namespace {

// Sets the file's last write an hour back, as a history written long before the window opened.
void settle(const std::string& path) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Another program marks a record deleted with a plain write of its flag byte.
void deleteByPlainWrite(const std::string& path, std::uint32_t record) {
    const std::size_t header = xbtest::kHeaderLength;
    const std::size_t length = xbtest::kRecordLength;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, "*", 1, header + (record - 1) * length), 1);
    ::close(fd);
}

}  // namespace

TEST_F(SharedUseTest, TheExactCountIsReadOncePerVersionOfTheFile) {
    const std::string file = path("lotobase.dbf");
    settle(file);
    auto ds = dataSet();
    ds->Open();
    ASSERT_EQ(ds->RecordCount(), 10);
    {
        // The file as it was: the count asks the file's version and reads no record.
        platform::FaultGuard noReads(platform::Fault{platform::Call::Read, 0, -1, platform::code::kGeneralFailure, 0});
        EXPECT_EQ(ds->RecordCount(), 10);
        EXPECT_EQ(ds->RecordCount(), 10);
    }
    // Another program's write changes the version: counted again.
    deleteByPlainWrite(file, 3);
    EXPECT_EQ(ds->RecordCount(), 9);
    settle(file);
    EXPECT_EQ(ds->RecordCount(), 9);
    // A write of this process, through another dataset on the file, and one of its own.
    auto other = dataSet();
    other->Open();
    other->SetRecNo(5);
    other->Delete();
    EXPECT_EQ(ds->RecordCount(), 8);
    settle(file);
    ds->SetRecNo(7);
    ds->Delete();
    EXPECT_EQ(ds->RecordCount(), 7);
    // Without the version the count reads the records every time.
    settle(file);
    EXPECT_EQ(ds->RecordCount(), 7);
    platform::FaultGuard noVersion(platform::Fault{platform::Call::Version, 0, -1, platform::code::kGeneralFailure, 0});
    deleteByPlainWrite(file, 1);
    EXPECT_EQ(ds->RecordCount(), 6);
    // Deleted records shown: a count of its own.
    ds->SetUseDeleted(true);
    EXPECT_EQ(ds->RecordCount(), 10);
}
