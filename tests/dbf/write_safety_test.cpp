// What a write leaves when something goes wrong: a table replaced under an open or a lock, a record
// change or an append that fails at any step (and the roll-back that fails too), a header count
// that a record change must never move back, and copies that take a table's place keeping its
// owner, mode and single name.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/constants.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "tests/support/child_process.h"
#include "tests/support/engine_fixture.h"

namespace {

using platform::Call;
using platform::Fault;
using testsupport::expectXbaseError;
using testsupport::le32;
using testsupport::readFile;
using testsupport::writeFile;

class WriteSafetyTest : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        m_path = write(numberedPairs());
        m_before = readFile(m_path);
    }

    // A new record for the table: C1 99, C2 199.
    static void fill(DBFObject& table) {
        table.blankRecord();
        table.putValueText(1, "99");
        table.putValueText(2, "199");
    }

    std::string m_path;
    std::string m_before;
};

TEST_F(WriteSafetyTest, AWriterWhoseTableWasReplacedRefusesInsteadOfWritingIntoTheOldFile) {
    DBFObject table(m_path, "", true, true);
    // Another program (one that takes no share lock) renames a copy over the table.
    writeFile(m_dir.file("copy"), m_before);
    ASSERT_EQ(::rename(m_dir.file("copy").c_str(), m_path.c_str()), 0);
    fill(table);
    const EXbaseError appended = expectXbaseError([&] { table.appendRecord(); });
    EXPECT_EQ(appended.Code(), xb::err::kFileReplaced);
    EXPECT_EQ(appended.Message(),
              "Table file was replaced or removed by another program, open it again - " + table.path());
    EXPECT_EQ(table.lockCount(), 0) << "the append byte is given back";
    const EXbaseError changed = expectXbaseError([&] { table.lockAndReadRecord(3); });
    EXPECT_EQ(changed.Code(), xb::err::kFileReplaced);
    EXPECT_EQ(table.lockCount(), 0) << "the record's lock is given back";
    table.close();
    EXPECT_EQ(readFile(m_path), m_before) << "the table at the name is the copy, untouched";

    // Removed outright: the same refusal.
    DBFObject again(m_path, "", true, true);
    ASSERT_EQ(::unlink(m_path.c_str()), 0);
    fill(again);
    EXPECT_EQ(expectXbaseError([&] { again.appendRecord(); }).Code(), xb::err::kFileReplaced);
}

TEST_F(WriteSafetyTest, AFailedRecordChangeLeavesTheFileExactlyAsItWas) {
    // Every call of the change, failed in turn: the record's read, its write, the header's read and
    // the size, the two header writes.
    int strikes = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        DBFObject table(m_path, "", true, true);
        ASSERT_TRUE(table.lockAndReadRecord(4));
        table.putValueText(1, "77");
        platform::failCallNumber(k, platform::code::kDiskFull);
        bool failed = false;
        try {
            table.replaceRecord(4);
        } catch (const EXbaseError&) {
            failed = true;
        }
        const bool struck = platform::callNumberStruck();
        platform::clearFaults();
        table.unlock();
        EXPECT_FALSE(table.headerUpdatePending());
        table.close();
        if (!struck) {
            EXPECT_FALSE(failed);
            EXPECT_EQ(readFile(m_path).substr(kPairsHeader + 3 * kPairsRecord, kPairsRecord), "     77   104");
            break;
        }
        ++strikes;
        EXPECT_TRUE(failed);
        EXPECT_EQ(readFile(m_path), m_before) << "neither the record nor the header's date changed";
    }
    EXPECT_GE(strikes, 5);
}

TEST_F(WriteSafetyTest, AFailedAppendLeavesTheFileAsItWasAndAFailedRollBackSaysWhatItLeft) {
    {
        DBFObject table(m_path, "", true, true);
        fill(table);
        platform::injectFault(Fault{Call::Write, 1, 1, platform::code::kDiskFull, 0});
        expectXbaseError([&] { table.appendRecord(); });
        platform::clearFaults();
        EXPECT_FALSE(table.headerUpdatePending()) << "closing must not write the header's date";
    }
    EXPECT_EQ(readFile(m_path), m_before);

    // The header write fails, and so does the cut back to the old end.
    DBFObject table(m_path, "", true, true);
    fill(table);
    platform::injectFault(Fault{Call::Write, 1, 1, platform::code::kDiskFull, 0});
    platform::injectFault(Fault{Call::Truncate, 0, 1, platform::code::kAccessDenied, 0});
    const EXbaseError e = expectXbaseError([&] { table.appendRecord(); });
    platform::clearFaults();
    EXPECT_EQ(e.Code(), 112);
    EXPECT_EQ(e.Message(), "Xbase Error 112, SubCode 1102.\r " + table.path() +
                               ">1102\rThe table could not be put back as it was: the file could not be cut back to "
                               "its end after record 10, and part of the record that failed stays after it");
    table.close();
    const std::string after = readFile(m_path);
    EXPECT_EQ(after.substr(0, m_before.size()), m_before) << "the old table stands whole, header and end mark";
    EXPECT_EQ(after.size(), m_before.size() + kPairsRecord);
}

TEST_F(WriteSafetyTest, ARecordChangeNeverWritesTheCountBackwards) {
    // Another program, which appends one record when told to.
    testsupport::Child other([&](testsupport::Child& self) {
        self.hear();
        DBFObject table(m_path, "", true, true);
        fill(table);
        table.appendRecord();
        table.close();
        self.tell('D');
        return 0;
    });
    DBFObject editor(m_path, "", true, true);
    ASSERT_TRUE(editor.lockAndReadRecord(2));
    editor.putValueText(1, "55");
    // It appends after the change has read the header and the size, just before the header write.
    platform::beforeNextCall(Call::Write, [&] {
        platform::beforeNextCall(Call::Write, [&] {
            other.send('A');
            EXPECT_EQ(other.receive(), 'D');
        });
    });
    editor.replaceRecord(2);
    editor.unlock();
    editor.close();
    EXPECT_EQ(other.wait(), 0);
    const std::string after = readFile(m_path);
    EXPECT_EQ(after.substr(4, 4), le32(11)) << "the appended record stays counted";
    EXPECT_EQ(after.substr(kPairsHeader + kPairsRecord, kPairsRecord), "     55   102");
    EXPECT_EQ(after.size(), kPairsHeader + 11 * kPairsRecord + 1);
}

TEST_F(WriteSafetyTest, ACopyTakesTheRealFilesPlaceWithItsOwnerAndModeOrNotAtAll) {
    const std::vector<std::uint8_t> image = xb::emptyTableImage({{"ONLY", 'L', 1, 0}}, 0);
    const std::string placed(image.begin(), image.end());
    const auto replace = [&](const std::string& name) {
        DBFObject table(name, "", true, false);
        xb::NewTableFile copy(table, "pack");
        copy.append(placed.data(), static_cast<std::uint32_t>(placed.size()));
        copy.placeOver(table);
    };

    // Through a symbolic link: the target is replaced, the link stays a link.
    const std::string link = m_dir.file("link.dbf");
    ASSERT_EQ(::symlink(m_path.c_str(), link.c_str()), 0);
    ::chmod(m_path.c_str(), 0604);
    replace(link);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(m_path), placed);
    ASSERT_EQ(::stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);

    // A second hard link: refused, both names left as they were.
    writeFile(m_path, m_before);
    ASSERT_EQ(::link(m_path.c_str(), m_dir.file("second.dbf").c_str()), 0);
    const EXbaseError linked = expectXbaseError([&] { replace(m_path); });
    EXPECT_EQ(linked.Message(),
              "Table file has more than one name (hard links), a new copy would part them - " + m_path);
    EXPECT_EQ(readFile(m_path), m_before);
    ASSERT_EQ(::unlink(m_dir.file("second.dbf").c_str()), 0);

    // The owner and mode cannot be given to the copy: refused, the table as it was, no copy left.
    {
        platform::FaultGuard guard(Fault{Call::Permissions, 0, 1, platform::code::kAccessDenied, 0});
        expectXbaseError([&] { replace(m_path); });
    }
    EXPECT_EQ(readFile(m_path), m_before);
    EXPECT_EQ(platform::directoryEntries(m_dir.path()), (std::vector<std::string>{"link.dbf", "lotobase.dbf"}));
}

TEST_F(WriteSafetyTest, AnotherUsersTableKeepsItsOwnerWhenRootReplacesIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root; run as root to check the owner";
    ASSERT_EQ(::chown(m_path.c_str(), 4321, 8765), 0);
    ASSERT_EQ(::chmod(m_path.c_str(), 0600), 0);
    {
        DBFObject table(m_path, "", true, false);
        xb::NewTableFile copy(table, "pack");
        copy.append(m_before.data(), static_cast<std::uint32_t>(m_before.size()));
        copy.placeOver(table);
    }
    struct stat st {};
    ASSERT_EQ(::stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(WriteSafetyTest, ScratchNamesFitAndWhatDeadProcessesLeftIsCleared) {
    const std::string target = m_dir.file(std::string(250, 'n') + ".dbf");
    const std::string scratch = xb::scratchNameBeside(target, "pack");
    const std::string name = scratch.substr(scratch.find_last_of('/') + 1);
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(name.ends_with("." + std::to_string(::getpid()) + ".pack"));

    // A process that is gone (pid 2^22 + 1 is beyond Linux's limit), and one of our own id.
    writeFile(m_path + ".4194305.pack", "stale");
    writeFile(m_path + "." + std::to_string(::getpid()) + ".pack", "stale");
    writeFile(m_path + ".1.pack", "init's: a live process");
    writeFile(m_path + ".4194305.check", "another kind");
    EXPECT_EQ(xb::scratchNameBeside(m_path, "pack"), m_path + "." + std::to_string(::getpid()) + ".pack");
    EXPECT_EQ(platform::directoryEntries(m_dir.path()),
              (std::vector<std::string>{"lotobase.dbf", "lotobase.dbf.1.pack", "lotobase.dbf.4194305.check"}));
}

}  // namespace
