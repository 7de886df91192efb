// One table file used by several users at once: two table objects of this process, which share a
// descriptor but must behave towards each other like two users, and other processes (forked
// here) that lock records, append at the same time as each other, or die in the middle.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dbf/constants.h"
#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "tests/support/engine_fixture.h"

namespace {

using platform::Call;
using testsupport::DbfImage;
using testsupport::expectXbaseError;
using testsupport::fileSizeOf;
using testsupport::openDescriptorCount;
using testsupport::readFile;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kRecord2Byte = 0x40000061u + testsupport::EngineTest::kPairsRecord;

using testsupport::Child;

// Whether a process of its own could lock this one byte now (fcntl, as any other program).
bool lockableElsewhere(const std::string& path, std::uint64_t offset) {
    return testsupport::ForeignLock(path, offset).locked();
}

class SharedUseTest : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // Header length 97, record length 13, ten records.
        m_path = write(numberedPairs());
    }

    static void fill(DBFObject& table, const std::string& c1) {
        table.blankRecord();
        table.putText(1, c1);
    }

    std::string m_path;
};

TEST_F(SharedUseTest, TwoObjectsOfOneProcessExcludeEachOthersLocks) {
    DBFObject data(m_path, "", true, true);
    DBFObject mainWindow(m_path, "", true, true);
    EXPECT_EQ(data.sharedHandle(), mainWindow.sharedHandle()) << "one descriptor for the file";

    data.readRecord(5);
    ASSERT_TRUE(data.lockCurrentRecord());
    platform::clearFaults();
    mainWindow.readRecord(5);
    EXPECT_FALSE(mainWindow.lockCurrentRecord());
    EXPECT_EQ(mainWindow.lastError(), 33);
    EXPECT_EQ(mainWindow.lockCount(), 0);
    EXPECT_EQ(platform::callCount(Call::Lock), 0) << "refused before the platform is asked";
    EXPECT_EQ(mainWindow.getText(2), "   105") << "the locked record still reads";
    mainWindow.readRecord(6);
    EXPECT_TRUE(mainWindow.lockCurrentRecord()) << "another record's byte is free";
    EXPECT_TRUE(mainWindow.unlock());

    // The other object's append waits for the byte, then gives up having written nothing.
    XBO_dBaseDBF::setAppendPatience(milliseconds(200));
    EXPECT_TRUE(data.unlock());
    ASSERT_TRUE(data.lockAppendByte());
    const std::uint64_t size = fileSizeOf(m_path);
    fill(mainWindow, "11");
    auto start = Clock::now();
    EXbaseError e = expectXbaseError([&] { mainWindow.appendRecord(); });
    auto waited = Clock::now() - start;
    EXPECT_EQ(e.Code(), 33);
    EXPECT_EQ(e.Location(), 1102);
    EXPECT_EQ(e.Message(), "Record locked by another user - " + mainWindow.path());
    EXPECT_GE(waited, milliseconds(190));
    EXPECT_LT(waited, milliseconds(2000));
    EXPECT_EQ(mainWindow.recordCount(), 10u);
    EXPECT_EQ(fileSizeOf(m_path), size);
    EXPECT_EQ(mainWindow.lockCount(), 0);
    EXPECT_TRUE(data.unlock());
    mainWindow.appendRecord();
    EXPECT_EQ(mainWindow.recordCount(), 11u);

    // Holding a record lock of its own, an append cannot wait the lock out: it fails at once.
    XBO_dBaseDBF::setAppendPatience(milliseconds(5000));
    mainWindow.readRecord(2);
    ASSERT_TRUE(mainWindow.lockCurrentRecord());
    start = Clock::now();
    e = expectXbaseError([&] { mainWindow.appendRecord(); });
    waited = Clock::now() - start;
    EXPECT_EQ(e.Code(), 33);
    EXPECT_EQ(e.Location(), 1102);
    EXPECT_LT(waited, milliseconds(1000));
    EXPECT_EQ(mainWindow.lockCount(), 1) << "the record lock stays";
    EXPECT_EQ(mainWindow.lockOffset(), kRecord2Byte);
    EXPECT_EQ(fileSizeOf(m_path), size + kPairsRecord);
    EXPECT_TRUE(mainWindow.unlock());
}

TEST_F(SharedUseTest, ADataCoveringLockBlocksTheOtherObjectsTransfers) {
    DBFObject holder(m_path, "", true, true);
    DBFObject other(m_path, "", true, true);
    other.readRecord(1);
    const std::string before = readFile(m_path);
    ASSERT_TRUE(holder.lockFileFromZero());

    const std::string locked = "Record locked by another user - " + other.path();
    EXbaseError e = expectXbaseError([&] { other.readRecord(2); });
    EXPECT_EQ(e.Code(), 33);
    EXPECT_EQ(e.Location(), 1101);
    EXPECT_EQ(e.Message(), locked);
    other.putText(1, "99");
    e = expectXbaseError([&] { other.replaceRecord(1); });
    EXPECT_EQ(e.Code(), 33);
    EXPECT_EQ(e.Location(), 1102);
    EXPECT_EQ(e.Message(), locked);
    EXPECT_EQ(readFile(m_path), before);

    holder.readRecord(2);
    EXPECT_EQ(holder.getText(1), "     2") << "the holder itself reads";
    EXPECT_TRUE(holder.unlockWithHeaderUpdate());
    other.readRecord(2);
    EXPECT_EQ(other.getText(1), "     2");
}

TEST_F(SharedUseTest, AnAppendThroughOneObjectIsSeenWhenTheOtherReadsPastItsEnd) {
    DBFObject writer(m_path, "", true, true);
    DBFObject reader(m_path, "", false, true);
    reader.readRecord(xb::req::kLast);
    ASSERT_EQ(reader.currentRecord(), 10u);

    fill(writer, "42");
    writer.putText(2, "7");
    writer.appendRecord();
    EXPECT_EQ(reader.recordCount(), 10u);
    reader.readRecord(xb::req::kNext);
    EXPECT_FALSE(reader.eof());
    EXPECT_EQ(reader.currentRecord(), 11u);
    EXPECT_EQ(reader.recordCount(), 11u);
    EXPECT_EQ(reader.getText(1), "    42");
    EXPECT_EQ(reader.getText(2), "     7");
    reader.readRecord(xb::req::kNext);
    EXPECT_TRUE(reader.eof());
}

TEST_F(SharedUseTest, ClosingOneObjectKeepsTheOthersLockAndDescriptor) {
    const int descriptors = openDescriptorCount();
    auto first = std::make_unique<DBFObject>(m_path, "", true, true);
    auto second = std::make_unique<DBFObject>(m_path, "", true, true);
    EXPECT_EQ(openDescriptorCount(), descriptors + 1);
    first->readRecord(1);
    ASSERT_TRUE(first->lockCurrentRecord());
    second->readRecord(2);
    ASSERT_TRUE(second->lockCurrentRecord());
    second->putText(1, "22");
    second->replaceRecord(2);
    ASSERT_TRUE(second->isDirty());

    platform::clearFaults();
    EXPECT_TRUE(second->close());
    EXPECT_EQ(platform::callCount(Call::Flush), 1) << "what it wrote is flushed for the others";
    EXPECT_EQ(platform::callCount(Call::Close), 0);
    EXPECT_EQ(openDescriptorCount(), descriptors + 1);
    EXPECT_EQ(first->lockCount(), 1);
    EXPECT_FALSE(lockableElsewhere(m_path, 0x40000061u)) << "the first object's record stays locked";
    EXPECT_TRUE(lockableElsewhere(m_path, kRecord2Byte)) << "the closed object's record is free";
    first->readRecord(2);
    EXPECT_EQ(first->getText(1), "    22");
    second.reset();
    EXPECT_FALSE(lockableElsewhere(m_path, 0x40000061u));

    first.reset();
    EXPECT_EQ(openDescriptorCount(), descriptors);
    EXPECT_TRUE(lockableElsewhere(m_path, 0x40000061u));
}

TEST_F(SharedUseTest, ARecordLockOfAnotherProcessIsRefusedAtOnceAndItsAppendByteWaitedFor) {
    Child child([&](Child& self) {
        DBFObject table(m_path, "", true, true);
        table.readRecord(2);
        if (!table.lockCurrentRecord()) return 1;
        self.tell('L');
        if (self.hear() != 'A') return 2;
        table.unlock();
        if (!table.lockAppendByte()) return 3;
        self.tell('B');
        if (self.hear() != 'R') return 4;
        self.tell('r');
        // Let go while the parent is already waiting in its append.
        std::this_thread::sleep_for(milliseconds(300));
        table.unlock();
        if (self.hear() != 'Q') return 5;
        return 0;
    });
    ASSERT_EQ(child.receive(), 'L');

    DBFObject table(m_path, "", true, true);
    table.readRecord(2);
    platform::clearFaults();
    auto start = Clock::now();
    EXPECT_FALSE(table.lockCurrentRecord());
    EXPECT_LT(Clock::now() - start, milliseconds(1000)) << "no waiting for a record";
    EXPECT_EQ(table.lastError(), 33);
    EXPECT_EQ(platform::callCount(Call::Lock), 1) << "only the platform knows the other process";
    EXPECT_EQ(table.getText(2), "   102");
    table.readRecord(3);
    EXPECT_TRUE(table.lockCurrentRecord());
    EXPECT_TRUE(table.unlock());

    child.send('A');
    ASSERT_EQ(child.receive(), 'B');
    XBO_dBaseDBF::setAppendPatience(milliseconds(200));
    const std::uint64_t size = fileSizeOf(m_path);
    fill(table, "11");
    const EXbaseError e = expectXbaseError([&] { table.appendRecord(); });
    EXPECT_EQ(e.Code(), 33);
    EXPECT_EQ(e.Location(), 1102);
    EXPECT_EQ(fileSizeOf(m_path), size);
    EXPECT_EQ(table.recordCount(), 10u);

    XBO_dBaseDBF::setAppendPatience(milliseconds(5000));
    child.send('R');
    ASSERT_EQ(child.receive(), 'r');
    start = Clock::now();
    table.appendRecord();
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, milliseconds(100)) << "the append waited for the byte";
    EXPECT_LT(waited, milliseconds(3000));
    EXPECT_EQ(table.recordCount(), 11u);
    EXPECT_EQ(fileSizeOf(m_path), size + kPairsRecord);

    child.send('Q');
    EXPECT_EQ(child.wait(), 0);
    table.readRecord(2);
    EXPECT_TRUE(table.lockCurrentRecord()) << "the child's lock ended with it";
    EXPECT_TRUE(table.unlock());
}

TEST_F(SharedUseTest, FourProcessesAppendingAtOnceLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kAppends = 1000;
    DbfImage image;
    image.field("W", 'C', 1).field("SEQ", 'C', 4).field("CHECK", 'C', 8);
    const std::string path = m_dir.file("race.dbf");
    image.writeTo(path);
    const std::uint32_t header = image.computedHeaderLength();
    const std::uint32_t length = image.computedRecordLength();
    auto checkText = [](int writer, int seq) {
        char text[16];
        std::snprintf(text, sizeof text, "%c%07d", 'a' + writer, (seq * 7919 + writer * 104729) % 10000000);
        return std::string(text);
    };

    std::vector<std::unique_ptr<Child>> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(std::make_unique<Child>([&, w](Child& self) {
            XBO_dBaseDBF::setAppendPatience(milliseconds(10000));
            DBFObject table(path, "", true, true);
            self.tell('R');
            if (self.hear() != 'G') return 2;
            char seqText[8];
            for (int seq = 0; seq < kAppends; ++seq) {
                std::snprintf(seqText, sizeof seqText, "%04d", seq);
                table.blankRecord();
                table.putText(1, std::to_string(w));
                table.putText(2, seqText);
                table.putText(3, checkText(w, seq));
                table.appendRecord();
            }
            table.close();
            return 0;
        }));
    }
    for (auto& writer : writers) ASSERT_EQ(writer->receive(), 'R');
    const auto start = Clock::now();
    for (auto& writer : writers) writer->send('G');
    for (auto& writer : writers) EXPECT_EQ(writer->wait(), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));

    const std::string bytes = readFile(path);
    constexpr std::uint32_t kTotal = kWriters * kAppends;
    ASSERT_EQ(bytes.size(), header + kTotal * length + 1u);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(bytes.substr(4, 4), testsupport::le32(static_cast<std::int32_t>(kTotal)));
    std::set<std::pair<int, int>> seen;
    std::vector<int> lastSeq(kWriters, -1);
    int damaged = 0;
    for (std::uint32_t r = 0; r < kTotal; ++r) {
        const std::string rec = bytes.substr(header + r * length, length);
        const int w = rec[1] - '0';
        const int seq = std::atoi(rec.substr(2, 4).c_str());
        if (rec[0] != ' ' || w < 0 || w >= kWriters || rec.substr(6, 8) != checkText(w, seq) ||
            seq <= lastSeq[static_cast<std::size_t>(w)]) {
            if (++damaged <= 5) ADD_FAILURE() << "record " << r + 1 << " is \"" << rec << '"';
            continue;
        }
        lastSeq[static_cast<std::size_t>(w)] = seq;
        seen.insert({w, seq});
    }
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kTotal)) << "every writer's every record once";

    DBFObject table(path, "", false, true);
    EXPECT_EQ(table.recordCount(), kTotal);
}

TEST_F(SharedUseTest, AProcessKilledWhileAppendingLeavesAUsableFile) {
    Child child([&](Child& self) {
        DBFObject table(m_path, "", true, true);
        for (int seq = 1; seq < 1000000; ++seq) {
            table.blankRecord();
            table.putNumber(1, seq % 1000000);
            table.putNumber(2, (seq * 7) % 1000000);
            table.appendRecord();
            if (seq == 200) self.tell('H');
        }
        return 0;
    });
    ASSERT_EQ(child.receive(), 'H');
    std::this_thread::sleep_for(milliseconds(20));
    ::kill(child.pid(), SIGKILL);
    EXPECT_EQ(child.wait(), 128 + SIGKILL);

    XBO_dBaseDBF::setAppendPatience(milliseconds(1000));
    DBFObject table(m_path, "", true, true);
    const std::uint32_t count = table.recordCount();
    ASSERT_GE(count, 210u);
    const std::string bytes = readFile(m_path);
    EXPECT_EQ(bytes.size(), kPairsHeader + count * kPairsRecord + 1u) << "record and end byte go out in one write";
    EXPECT_EQ(bytes.back(), '\x1A');
    for (std::uint32_t n = 1; n <= count; ++n) {
        table.readRecord(n);
        const long double expectedC1 = n <= 10 ? n : n - 10;
        const long double expectedC2 = n <= 10 ? 100 + n : ((n - 10) * 7) % 1000000;
        if (table.getNumber(1) != expectedC1 || table.getNumber(2) != expectedC2 || table.isDeleted()) {
            ADD_FAILURE() << "record " << n << " is damaged";
            break;
        }
    }

    // The dead process's append byte went with it.
    const auto start = Clock::now();
    fill(table, "1");
    table.appendRecord();
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    EXPECT_EQ(table.recordCount(), count + 1);
    EXPECT_EQ(fileSizeOf(m_path), kPairsHeader + (count + 1) * kPairsRecord + 1u);
}

TEST_F(SharedUseTest, ShareModesOfAnotherProcessRefuseTheOpen) {
    for (const bool childShared : {false, true}) {
        SCOPED_TRACE(childShared ? "the other process shares" : "the other process holds the file alone");
        Child child([&](Child& self) {
            DBFObject table(m_path, "", true, childShared);
            self.tell('O');
            return self.hear() == 'Q' ? 0 : 1;
        });
        ASSERT_EQ(child.receive(), 'O');
        const EXbaseError e = expectXbaseError([&] { DBFObject table(m_path, "", true, !childShared); });
        EXPECT_EQ(e.Code(), 32);
        EXPECT_EQ(e.Location(), 1107);
        EXPECT_EQ(e.Message(), "File access denied - " + m_path);
        child.send('Q');
        EXPECT_EQ(child.wait(), 0);
    }
    // Both sharing is no conflict.
    Child child([&](Child& self) {
        DBFObject table(m_path, "", true, true);
        self.tell('O');
        return self.hear() == 'Q' ? 0 : 1;
    });
    ASSERT_EQ(child.receive(), 'O');
    EXPECT_NO_THROW(DBFObject(m_path, "", true, true));
    child.send('Q');
    EXPECT_EQ(child.wait(), 0);
}

}  // namespace
