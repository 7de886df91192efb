// Byte-range locks of a table: which byte each lock protocol takes for a record and for an
// append, as any other program using fcntl record locks sees them; the one-range bookkeeping of a
// disk file; whole-table and whole-file locks with the exclusive use they give; and what happens
// when the operating system refuses a lock or an unlock.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dbf/constants.h"
#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "platform/local_time.h"
#include "tests/support/engine_fixture.h"

namespace {

using platform::Call;
using platform::Fault;
using testsupport::DbfImage;
using testsupport::expectXbaseError;
using testsupport::fileSizeOf;
using testsupport::readFile;

// Asks a child process, through a descriptor of its own, who holds each byte: "free", or the
// range of the lock in the way as "0x<start>+0x<length>". This is what any program that takes
// fcntl record locks on the same file sees, so it checks the layout other programs must share.
std::vector<std::string> heldAt(const std::string& path, const std::vector<std::uint64_t>& offsets) {
    int channel[2];
    if (::pipe(channel) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const int fd = ::open(path.c_str(), O_RDWR);
        std::string answer;
        for (const std::uint64_t offset : offsets) {
            struct flock probe {};
            probe.l_type = F_WRLCK;
            probe.l_whence = SEEK_SET;
            probe.l_start = static_cast<off_t>(offset);
            probe.l_len = 1;
            char line[64] = "error";
            if (fd >= 0 && ::fcntl(fd, F_OFD_GETLK, &probe) == 0) {
                if (probe.l_type == F_UNLCK) {
                    std::snprintf(line, sizeof line, "free");
                } else {
                    std::snprintf(line, sizeof line, "0x%llX+0x%llX", static_cast<unsigned long long>(probe.l_start),
                                  static_cast<unsigned long long>(probe.l_len));
                }
            }
            answer += line;
            answer += '\n';
        }
        const ssize_t ignored = ::write(channel[1], answer.data(), answer.size());
        static_cast<void>(ignored);
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string answer;
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0) answer.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = answer.find('\n'); end != std::string::npos; end = answer.find('\n', start)) {
        lines.push_back(answer.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string oneByte(std::uint64_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX+0x1", static_cast<unsigned long long>(offset));
    return text;
}

using Held = std::vector<std::string>;

class LockingTest : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        platform::overrideLocalTime([] { return platform::LocalTime{2031, 7, 9, 13, 45, 12, 345}; });
        // Header length 97, record length 13, ten records.
        m_path = write(numberedPairs());
    }

    std::string m_path;
};

struct ProtocolCase {
    TxbLokProtocol protocol;
    xb::LockConstants constants;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> records;  // record number, its byte
};

TEST_F(LockingTest, RecordAndAppendBytesFollowTheLockProtocol) {
    DBFObject table(m_path, "", true, true);
    ASSERT_EQ(table.headerLength(), kPairsHeader);
    ASSERT_EQ(table.recordLength(), kPairsRecord);
    EXPECT_EQ(table.lockProtocol(), TxbLokProtocol::Default);

    const std::vector<ProtocolCase> cases = {
        {TxbLokProtocol::Default, {0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu}, {{1, 0x40000061u}, {10, 0x400000D6u}}},
        {TxbLokProtocol::FoxLock, {0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu}, {{1, 0x40000061u}, {10, 0x400000D6u}}},
        {TxbLokProtocol::DB4Lock, {0x40000000u, 0xEFFFFFFFu, 0xB0000000u}, {{1, 0xEFFFFFFDu}, {2, 0xEFFFFFFCu}}},
        {TxbLokProtocol::ClipLock, {1000000000u, 1000000000u, 1000000000u}, {{7, 1000000007u}, {1, 1000000001u}}},
    };
    for (const ProtocolCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.protocol));
        table.setLockProtocol(c.protocol);
        EXPECT_EQ(table.lockConstants().lockBase, c.constants.lockBase);
        EXPECT_EQ(table.lockConstants().appendByte, c.constants.appendByte);
        EXPECT_EQ(table.lockConstants().fileLockLength, c.constants.fileLockLength);
        for (const auto& [record, byte] : c.records) {
            std::uint32_t offset = 0;
            EXPECT_TRUE(table.recordLockOffset(record, offset));
            EXPECT_EQ(offset, byte) << "record " << record;
            table.readRecord(record);
            ASSERT_TRUE(table.lockCurrentRecord());
            EXPECT_EQ(table.lockOffset(), byte);
            EXPECT_EQ(table.lockLength(), 1u);
            EXPECT_EQ(heldAt(m_path, {byte - 1u, byte, byte + 1u}), (Held{"free", oneByte(byte), "free"}));
            EXPECT_TRUE(table.unlock());
            EXPECT_EQ(heldAt(m_path, {byte}), Held{"free"});
        }
        ASSERT_TRUE(table.lockAppendByte());
        EXPECT_EQ(heldAt(m_path, {c.constants.appendByte}), Held{oneByte(c.constants.appendByte)});
        EXPECT_TRUE(table.unlock());
    }
    std::uint32_t offset = 0;
    EXPECT_TRUE(table.recordLockOffset(0, offset));
    EXPECT_EQ(offset, 1000000000u) << "under ClipLock record 0 would be the append byte";

    // A protocol the table does not know keeps the constants and locks nothing.
    platform::clearFaults();
    table.setLockProtocol(static_cast<TxbLokProtocol>(7));
    EXPECT_EQ(table.lockConstants().lockBase, 1000000000u);
    table.readRecord(3);
    EXPECT_FALSE(table.recordLockOffset(3, offset));
    EXPECT_FALSE(table.lockCurrentRecord());
    EXPECT_EQ(table.lockCount(), 0);
    EXPECT_EQ(platform::callCount(Call::Lock), 0);
}

TEST_F(LockingTest, OneObjectHoldsOneRangeNestedAsOftenAsItIsLocked) {
    DBFObject table(m_path, "", true, true);
    table.readRecord(1);
    platform::clearFaults();
    ASSERT_TRUE(table.lockCurrentRecord());
    ASSERT_TRUE(table.lockCurrentRecord());
    EXPECT_EQ(table.lockCount(), 2);
    EXPECT_EQ(platform::callCount(Call::Lock), 1) << "nesting asks the platform once";

    // A second, different range is refused without asking the platform.
    table.readRecord(2);
    EXPECT_FALSE(table.lockCurrentRecord());
    EXPECT_EQ(table.lastError(), 33);
    EXPECT_FALSE(table.lockAppendByte());
    EXPECT_EQ(table.lastError(), 33);
    EXPECT_FALSE(table.lockWholeFile());
    EXPECT_FALSE(table.lockFile());
    EXPECT_FALSE(table.fileLocked());
    EXPECT_EQ(platform::callCount(Call::Lock), 1);
    EXPECT_EQ(table.lockCount(), 2);
    EXPECT_EQ(table.lockOffset(), 0x40000061u);

    EXPECT_TRUE(table.unlock());
    EXPECT_EQ(table.lockCount(), 1);
    EXPECT_EQ(platform::callCount(Call::Unlock), 0);
    EXPECT_EQ(heldAt(m_path, {0x40000061u}), Held{oneByte(0x40000061u)});
    EXPECT_TRUE(table.unlock());
    EXPECT_EQ(table.lockCount(), 0);
    EXPECT_EQ(platform::callCount(Call::Unlock), 1);
    EXPECT_EQ(heldAt(m_path, {0x40000061u}), Held{"free"});
    EXPECT_TRUE(table.unlock()) << "an unlock with nothing held succeeds";
    EXPECT_EQ(table.lockCount(), 0);
    EXPECT_EQ(platform::callCount(Call::Unlock), 1);

    // Now the second range can be had.
    EXPECT_TRUE(table.lockCurrentRecord());
    EXPECT_EQ(table.lockOffset(), 0x40000061u + kPairsRecord);
    EXPECT_TRUE(table.unlock());
}

TEST_F(LockingTest, UnsharedTableLocksWithoutThePlatformAndMayBeTruncated) {
    DBFObject table(m_path, "", true, false);
    platform::clearFaults();
    table.readRecord(1);
    EXPECT_TRUE(table.lockCurrentRecord());
    table.readRecord(2);
    EXPECT_TRUE(table.lockCurrentRecord()) << "nobody else can have the file";
    EXPECT_EQ(table.lockCount(), 2);
    EXPECT_EQ(table.lockOffset(), 0x40000061u + kPairsRecord);
    EXPECT_TRUE(table.lockWholeFile());
    EXPECT_EQ(table.lockCount(), 2) << "an unshared whole-file lock keeps no books";
    EXPECT_TRUE(table.exclusiveUse());
    table.blankRecord();
    table.putText(1, "9");
    EXPECT_TRUE(table.unlock());
    EXPECT_TRUE(table.unlock());
    table.appendRecord();
    EXPECT_EQ(platform::callCount(Call::Lock), 0);
    EXPECT_EQ(platform::callCount(Call::Unlock), 0);
    EXPECT_EQ(fileSizeOf(m_path), kPairsHeader + 11u * kPairsRecord + 1u);

    table.truncateAt(kPairsHeader + 3u * kPairsRecord);
    EXPECT_EQ(fileSizeOf(m_path), kPairsHeader + 3u * kPairsRecord);
}

TEST_F(LockingTest, TruncateNeedsTheWholeFileUnlessUnshared) {
    const std::uint64_t size = fileSizeOf(m_path);
    {
        DBFObject table(m_path, "", true, true);
        EXPECT_FALSE(table.exclusiveUse());
        const EXbaseError e = expectXbaseError([&] { table.truncateAt(kPairsHeader); });
        EXPECT_EQ(e.Code(), 5);
        EXPECT_EQ(e.Location(), 1109);
        EXPECT_EQ(e.Message(), "File access denied - " + table.path());
        EXPECT_EQ(fileSizeOf(m_path), size);

        // A record lock is not the whole file.
        table.readRecord(1);
        ASSERT_TRUE(table.lockCurrentRecord());
        EXPECT_FALSE(table.exclusiveUse());
        EXPECT_EQ(expectXbaseError([&] { table.truncateAt(kPairsHeader); }).Location(), 1109);
        EXPECT_FALSE(table.lockWholeFile());
        EXPECT_EQ(table.lastError(), 33);
        table.unlock();

        ASSERT_TRUE(table.lockWholeFile());
        EXPECT_EQ(table.lockOffset(), 0u);
        EXPECT_EQ(table.lockLength(), 0x7FFFFFFFu);
        EXPECT_TRUE(table.exclusiveUse());
        EXPECT_EQ(heldAt(m_path, {0, 0x7FFFFFFEu, 0x7FFFFFFFu}), (Held{"0x0+0x7FFFFFFF", "0x0+0x7FFFFFFF", "free"}));
        table.truncateAt(kPairsHeader + 4u * kPairsRecord);
        EXPECT_EQ(fileSizeOf(m_path), kPairsHeader + 4u * kPairsRecord);
        EXPECT_TRUE(table.unlock());
        EXPECT_FALSE(table.exclusiveUse());
    }
    // Without write access the whole file is not enough.
    DBFObject reader(m_path, "", false, true);
    ASSERT_TRUE(reader.lockWholeFile());
    EXPECT_TRUE(reader.exclusiveUse());
    const EXbaseError e = expectXbaseError([&] { reader.truncateAt(kPairsHeader); });
    EXPECT_EQ(e.Code(), 5);
    EXPECT_EQ(e.Location(), 1109);
    EXPECT_EQ(fileSizeOf(m_path), kPairsHeader + 4u * kPairsRecord);
}

TEST_F(LockingTest, ClosingReleasesTheHeldRange) {
    const std::uint32_t record3 = 0x40000061u + 2 * kPairsRecord;
    {
        DBFObject table(m_path, "", true, true);
        table.readRecord(3);
        ASSERT_TRUE(table.lockCurrentRecord());
        ASSERT_TRUE(table.lockCurrentRecord());
        EXPECT_EQ(heldAt(m_path, {record3}), Held{oneByte(record3)});
        EXPECT_TRUE(table.close());
        EXPECT_EQ(table.lockCount(), 0) << "nested locks go with one close";
        EXPECT_EQ(heldAt(m_path, {record3}), Held{"free"});

        // Freeing an object does the same.
        DBFObject appender(m_path, "", true, true);
        ASSERT_TRUE(appender.lockAppendByte());
        EXPECT_EQ(heldAt(m_path, {0x7FFFFFFEu}), Held{oneByte(0x7FFFFFFEu)});
    }
    EXPECT_EQ(heldAt(m_path, {0x7FFFFFFEu, record3}), (Held{"free", "free"}));
    DBFObject again(m_path, "", true, true);
    again.readRecord(3);
    EXPECT_TRUE(again.lockCurrentRecord());
    EXPECT_FALSE(again.lockAppendByte()) << "its record lock is its one range";
    EXPECT_EQ(again.lastError(), 33);
}

TEST_F(LockingTest, WholeTableLocksSetTheFileLockedMark) {
    DBFObject table(m_path, "", true, true);
    DBFObject other(m_path, "", true, true);
    other.blankRecord();
    other.putText(1, "11");
    other.appendRecord();
    EXPECT_EQ(table.recordCount(), 10u);

    platform::clearFaults();
    ASSERT_TRUE(table.lockFile());
    EXPECT_TRUE(table.fileLocked());
    EXPECT_EQ(table.recordCount(), 11u) << "the lock refreshes the header";
    EXPECT_EQ(table.lockOffset(), 0x40000000u);
    EXPECT_EQ(table.lockLength(), 0x3FFFFFFFu);
    EXPECT_EQ(heldAt(m_path, {0x3FFFFFFFu, 0x40000000u, 0x7FFFFFFEu, 0x7FFFFFFFu}),
              (Held{"free", "0x40000000+0x3FFFFFFF", "0x40000000+0x3FFFFFFF", "free"}));
    // Every record and the append byte are covered: no further platform call.
    table.readRecord(5);
    EXPECT_TRUE(table.lockCurrentRecord());
    EXPECT_TRUE(table.lockAppendByte());
    EXPECT_TRUE(table.lockFile());
    EXPECT_TRUE(table.lockFileFromZero());
    EXPECT_EQ(table.lockCount(), 1);
    EXPECT_EQ(platform::callCount(Call::Lock), 1);
    // The sharing lock leaves the data readable to the other object.
    other.readRecord(5);
    EXPECT_EQ(other.getText(1), "     5");

    EXPECT_TRUE(table.unlockWithHeaderUpdate());
    EXPECT_FALSE(table.fileLocked());
    EXPECT_EQ(table.lockCount(), 0);
    EXPECT_EQ(heldAt(m_path, {0x40000000u}), Held{"free"});

    // From offset 0 the lock covers the data itself.
    ASSERT_TRUE(table.lockFileFromZero());
    EXPECT_TRUE(table.fileLocked());
    EXPECT_EQ(table.lockOffset(), 0u);
    EXPECT_EQ(heldAt(m_path, {0, 0x3FFFFFFEu, 0x3FFFFFFFu}), (Held{"0x0+0x3FFFFFFF", "0x0+0x3FFFFFFF", "free"}));
    table.readRecord(2);
    EXPECT_EQ(table.getText(2), "   102") << "the holder still reads";
    EXPECT_TRUE(table.unlockWithHeaderUpdate());
    EXPECT_FALSE(table.fileLocked());

    // DB4Lock's whole table runs up to its append byte.
    table.setLockProtocol(TxbLokProtocol::DB4Lock);
    ASSERT_TRUE(table.lockFile());
    EXPECT_EQ(heldAt(m_path, {0xEFFFFFFFu, 0xF0000000u}), (Held{"0x40000000+0xB0000000", "free"}));
    EXPECT_TRUE(table.unlockWithHeaderUpdate());

    // A held record lock keeps the whole-table lock out.
    table.readRecord(1);
    ASSERT_TRUE(table.lockCurrentRecord());
    EXPECT_FALSE(table.lockFile());
    EXPECT_FALSE(table.fileLocked());
    EXPECT_EQ(table.lastError(), 33);
    EXPECT_FALSE(table.lockFileFromZero());
    EXPECT_FALSE(table.fileLocked());
    EXPECT_TRUE(table.unlockWithHeaderUpdate());
}

TEST_F(LockingTest, HeaderWriteWaitsUntilTheWholeTableIsUnlocked) {
    const std::string before = readFile(m_path);
    DBFObject table(m_path, "", true, true);
    ASSERT_TRUE(table.lockFile());
    table.readRecord(2);
    table.putText(1, "77");
    platform::clearFaults();
    table.replaceRecord(2);
    EXPECT_EQ(platform::callCount(Call::Write), 1) << "the record only";
    std::string expected = before;
    expected.replace(kPairsHeader + kPairsRecord, kPairsRecord, "     77   102");
    EXPECT_EQ(readFile(m_path), expected);
    EXPECT_TRUE(table.headerUpdatePending());

    EXPECT_TRUE(table.unlockWithHeaderUpdate());
    EXPECT_FALSE(table.headerUpdatePending());
    EXPECT_EQ(platform::callCount(Call::Write), 2);
    const std::string after = readFile(m_path);
    EXPECT_EQ(after.substr(1, 3), "\x1F\x07\x09");
    EXPECT_EQ(after.substr(16, 4), testsupport::le32(57487705));
    EXPECT_EQ(after.substr(32), expected.substr(32));

    // A nested whole-table lock is one lock: its one unlock writes the header.
    ASSERT_TRUE(table.lockFileFromZero());
    table.replaceRecord(2);
    EXPECT_TRUE(table.headerUpdatePending());
    EXPECT_TRUE(table.lockFile());
    EXPECT_TRUE(table.unlockWithHeaderUpdate());
    EXPECT_FALSE(table.fileLocked());
    EXPECT_FALSE(table.headerUpdatePending());

    // With an ordinary lock the unlock has no header to write.
    table.readRecord(2);
    ASSERT_TRUE(table.lockCurrentRecord());
    platform::clearFaults();
    EXPECT_TRUE(table.unlockWithHeaderUpdate());
    EXPECT_EQ(platform::callCount(Call::Write), 0);
}

TEST_F(LockingTest, RefusedLocksAndUnlocksOfThePlatform) {
    const std::uint64_t size = fileSizeOf(m_path);
    DBFObject table(m_path, "", true, true);
    table.readRecord(4);

    // A refused lock is an answer, not an error.
    platform::injectFault(Fault{Call::Lock, 0, 1, platform::code::kLockViolation, 0});
    EXPECT_FALSE(table.lockCurrentRecord());
    EXPECT_EQ(table.lastError(), 33);
    EXPECT_EQ(table.lockCount(), 0);
    platform::injectFault(Fault{Call::Lock, 0, 1, platform::code::kAccessDenied, 0});
    EXPECT_FALSE(table.lockFile());
    EXPECT_EQ(table.lastError(), 5);
    EXPECT_FALSE(table.fileLocked());

    // A refused unlock keeps the range held until an unlock succeeds.
    ASSERT_TRUE(table.lockCurrentRecord());
    const std::uint32_t byte = table.lockOffset();
    platform::injectFault(Fault{Call::Unlock, 0, 1, platform::code::kInvalidHandle, 0});
    EXPECT_FALSE(table.unlock());
    EXPECT_EQ(table.lastError(), 6);
    EXPECT_EQ(table.lockCount(), 1);
    EXPECT_EQ(heldAt(m_path, {byte}), Held{oneByte(byte)});
    EXPECT_TRUE(table.unlock());
    EXPECT_EQ(table.lockCount(), 0);
    EXPECT_EQ(heldAt(m_path, {byte}), Held{"free"});

    // An append retries a refused append byte, and gives up after its patience.
    XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds(200));
    table.blankRecord();
    table.putText(1, "1");
    platform::clearFaults();
    platform::injectFault(Fault{Call::Lock, 0, 3, platform::code::kLockViolation, 0});
    table.appendRecord();
    EXPECT_EQ(platform::callCount(Call::Lock), 4);
    EXPECT_EQ(table.recordCount(), 11u);

    platform::injectFault(Fault{Call::Lock, 0, -1, platform::code::kLockViolation, 0});
    const auto start = std::chrono::steady_clock::now();
    const EXbaseError e = expectXbaseError([&] { table.appendRecord(); });
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(e.Code(), 33);
    EXPECT_EQ(e.Location(), 1102);
    EXPECT_EQ(e.Message(), "Record locked by another user - " + table.path());
    EXPECT_GE(waited, std::chrono::milliseconds(190));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
    EXPECT_GT(platform::callCount(Call::Lock), 10) << "retried every 10 ms";
    EXPECT_EQ(table.recordCount(), 11u);
    EXPECT_EQ(fileSizeOf(m_path), size + kPairsRecord);
    EXPECT_EQ(table.lockCount(), 0);

    // An append whose unlock is refused has written its record and still holds the byte.
    platform::clearFaults();
    platform::injectFault(Fault{Call::Unlock, 0, 1, platform::code::kInvalidHandle, 0});
    table.appendRecord();
    EXPECT_EQ(table.recordCount(), 12u);
    EXPECT_EQ(fileSizeOf(m_path), size + 2 * kPairsRecord);
    EXPECT_EQ(table.lockCount(), 1);
    EXPECT_EQ(table.lastError(), 6);
    EXPECT_EQ(heldAt(m_path, {0x7FFFFFFEu}), Held{oneByte(0x7FFFFFFEu)});
    EXPECT_TRUE(table.unlock());
    EXPECT_EQ(heldAt(m_path, {0x7FFFFFFEu}), Held{"free"});
}

TEST_F(LockingTest, ReadWriteOpenOfAReadOnlyFileIsRefusedWithoutFallback) {
    platform::clearFaults();
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(m_path.c_str(), 0444), 0);
    } else {
        // The superuser opens anything; let the platform refuse as a read-only medium would.
        platform::injectFault(Fault{Call::Open, 0, 1, platform::code::kAccessDenied, 0});
    }
    const EXbaseError e = expectXbaseError([&] { DBFObject table(m_path, "", true, true); });
    EXPECT_EQ(e.Code(), 5);
    EXPECT_EQ(e.Location(), 1107);
    EXPECT_EQ(e.Message(), "File access denied - " + m_path);
    EXPECT_EQ(platform::callCount(Call::Open), 1) << "no second, read-only attempt";
    expectNothingOpen();
}

}  // namespace
