// The fault hook: any call of the seam can be made to fail, or to move fewer bytes, on cue.
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "platform/os_file.h"
#include "tests/support/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>

using namespace platform;
using testsupport::openDescriptorCount;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override {
        clearFaults();
        writeFile(m_dir.file("lotobase.dbf"), "0123456789");
        m_handle = openFile(m_dir.file("lotobase.dbf"), true, true, Disposition::OpenExisting);
        ASSERT_NE(m_handle, kNoHandle);
    }
    void TearDown() override {
        clearFaults();
        if (m_handle != kNoHandle) closeFile(m_handle);
    }

    // Makes one call of the given kind through the seam; true when it reported success.
    bool callOnce(Call call) {
        char buffer[4];
        std::uint32_t done = 0;
        std::uint64_t size = 0;
        FileIdentity identity;
        switch (call) {
            case Call::Open:
            case Call::ShareLock: {
                Handle h = openFile(m_dir.file("lotobase.dbf"), false, true, Disposition::OpenExisting);
                if (h == kNoHandle) return false;
                const std::uint32_t saved = lastError();
                closeFile(h);
                setLastError(saved);
                return true;
            }
            case Call::Close: {
                Handle h = ::open((m_dir.file("lotobase.dbf")).c_str(), O_RDONLY | O_CLOEXEC);
                const bool closed = closeFile(h);
                // A failed close still releases the descriptor, as the system's own does.
                EXPECT_EQ(::fcntl(h, F_GETFD), -1);
                return closed;
            }
            case Call::Read:
                return readAt(m_handle, 0, buffer, 4, done);
            case Call::Write:
                return writeAt(m_handle, 0, "ab", 2, done);
            case Call::Size:
                return fileSize(m_handle, size);
            case Call::Flush:
                return flushFile(m_handle);
            case Call::Truncate:
                return truncateAt(m_handle, 10);
            case Call::Move:
                if (!moveFile(m_dir.file("lotobase.dbf"), m_dir.file("moved.dbf"))) return false;
                ::rename((m_dir.file("moved.dbf")).c_str(), (m_dir.file("lotobase.dbf")).c_str());
                return true;
            case Call::Exists:
                return pathExists(m_dir.file("lotobase.dbf"));
            case Call::Identity:
                return identityOf(m_handle, identity);
            case Call::FullPath:
                return !fullPath(m_dir.file("lotobase.dbf")).empty();
            case Call::Lock:
                return lockRange(m_handle, 0, 1);
            case Call::Unlock:
                return unlockRange(m_handle, 0, 1);
            case Call::Remove: {
                const std::string doomed = m_dir.file("doomed.dbf");
                ::close(::open(doomed.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
                return removeFile(doomed);
            }
            case Call::Permissions:
                return keepOwnerAndMode(m_handle, m_handle);
            case Call::Count:
                break;
        }
        return false;
    }

    TempDir m_dir;
    Handle m_handle = kNoHandle;
};

const Call kAllCalls[] = {
    Call::Open,     Call::Close,  Call::Read,        Call::Write,     Call::Size,     Call::Flush,
    Call::Truncate, Call::Move,   Call::Exists,      Call::Identity,  Call::FullPath, Call::Lock,
    Call::Unlock,   Call::Remove, Call::Permissions, Call::ShareLock,
};
static_assert(std::size(kAllCalls) == static_cast<std::size_t>(Call::Count));

}  // namespace

TEST_F(FaultInjection, EveryCallKindFailsWithTheChosenCodeWithoutLeaking) {
    std::uint32_t chosen = 1000;
    for (const Call call : kAllCalls) {
        SCOPED_TRACE(static_cast<int>(call));
        ++chosen;
        const int before = openDescriptorCount();
        {
            clearFaults();  // counts start afresh for each kind
            FaultGuard guard(Fault{call, 0, 1, chosen, 0});
            setLastError(0);
            EXPECT_FALSE(callOnce(call));
            EXPECT_EQ(lastError(), chosen);
            EXPECT_EQ(callCount(call), 1);
        }
        EXPECT_EQ(openDescriptorCount(), before);
        // Used up and cleared: the same call now goes through.
        setLastError(chosen);
        EXPECT_TRUE(callOnce(call));
        EXPECT_EQ(lastError(), code::kSuccess);
    }
    // The file was never touched by the failing calls.
    EXPECT_EQ(readFile(m_dir.file("lotobase.dbf")), "ab23456789");
}

TEST_F(FaultInjection, AFailingWriteOrTruncateLeavesTheFileAlone) {
    FaultGuard guard(Fault{Call::Write, 0, -1, code::kDiskFull, 0});
    std::uint32_t done = 99;
    EXPECT_FALSE(writeAt(m_handle, 0, "abcdef", 6, done));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(lastError(), code::kDiskFull);
    injectFault(Fault{Call::Truncate, 0, 1, code::kAccessDenied, 0});
    EXPECT_FALSE(truncateAt(m_handle, 2));
    EXPECT_EQ(lastError(), code::kAccessDenied);
    EXPECT_EQ(readFile(m_dir.file("lotobase.dbf")), "0123456789");
}

TEST_F(FaultInjection, SkipAndTimesAreHonoured) {
    FaultGuard guard(Fault{Call::Size, 2, 3, code::kGeneralFailure, 0});
    std::uint64_t size = 0;
    EXPECT_TRUE(fileSize(m_handle, size));
    EXPECT_TRUE(fileSize(m_handle, size));
    EXPECT_EQ(size, 10u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(fileSize(m_handle, size));
        EXPECT_EQ(lastError(), code::kGeneralFailure);
    }
    EXPECT_TRUE(fileSize(m_handle, size));
    EXPECT_EQ(callCount(Call::Size), 6);

    // -1 fails every later call.
    injectFault(Fault{Call::Flush, 1, -1, code::kWriteFault, 0});
    EXPECT_TRUE(flushFile(m_handle));
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(flushFile(m_handle));
    EXPECT_EQ(lastError(), code::kWriteFault);
    // Arming a kind again replaces its fault.
    injectFault(Fault{Call::Flush, 0, 1, code::kAccessDenied, 0});
    EXPECT_FALSE(flushFile(m_handle));
    EXPECT_EQ(lastError(), code::kAccessDenied);
    EXPECT_TRUE(flushFile(m_handle));

    // A fault of one kind leaves the others alone.
    EXPECT_TRUE(fileSize(m_handle, size));
}

TEST_F(FaultInjection, ShortReadReturnsAtMostTheLimit) {
    FaultGuard guard(Fault{Call::Read, 1, 1, 0, 3});
    char buffer[10] = {};
    std::uint32_t done = 0;
    EXPECT_TRUE(readAt(m_handle, 0, buffer, 8, done));
    EXPECT_EQ(done, 8u);
    EXPECT_TRUE(readAt(m_handle, 2, buffer, 8, done));
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(std::string(buffer, 3), "234");
    EXPECT_TRUE(readAt(m_handle, 2, buffer, 8, done));
    EXPECT_EQ(done, 8u);
}

TEST_F(FaultInjection, ShortWriteIsContinuedToCompletion) {
    FaultGuard guard(Fault{Call::Write, 0, 1, 0, 2});
    std::uint32_t done = 0;
    EXPECT_TRUE(writeAt(m_handle, 3, "ABCDEF", 6, done));
    EXPECT_EQ(done, 6u);
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_EQ(readFile(m_dir.file("lotobase.dbf")), "012ABCDEF9");
    // The first call was cut short and continued once.
    EXPECT_EQ(callCount(Call::Write), 2);

    // Moving only a byte at a time, every time, still gets there.
    injectFault(Fault{Call::Write, 0, -1, 0, 1});
    EXPECT_TRUE(writeAt(m_handle, 8, "xyz", 3, done));
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(readFile(m_dir.file("lotobase.dbf")), "012ABCDExyz");
}

TEST_F(FaultInjection, ShortWriteWhoseContinuationFailsReportsThatFailure) {
    FaultGuard guard(Fault{Call::Write, 0, 1, 0, 4});
    queueFault(Fault{Call::Write, 0, 1, code::kDiskFull, 0});
    std::uint32_t done = 0;
    EXPECT_FALSE(writeAt(m_handle, 0, "ABCDEFGH", 8, done));
    EXPECT_EQ(lastError(), code::kDiskFull);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(readFile(m_dir.file("lotobase.dbf")), "ABCD456789");

    // A transfer limit of nothing at all: the system moved no bytes and gave no reason.
    injectFault(Fault{Call::Write, 0, 1, 0, 0});
    EXPECT_FALSE(writeAt(m_handle, 0, "zz", 2, done));
    EXPECT_EQ(lastError(), code::kWriteFault);
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(writeAt(m_handle, 0, "zz", 2, done));
    EXPECT_EQ(readFile(m_dir.file("lotobase.dbf")), "zzCD456789");
}

TEST_F(FaultInjection, CallsAreCountedPerKindUntilCleared) {
    char buffer[2];
    std::uint32_t done = 0;
    EXPECT_EQ(callCount(Call::Read), 0);
    readAt(m_handle, 0, buffer, 2, done);
    readAt(m_handle, 0, buffer, 2, done);
    pathExists(m_dir.file("nothing"));
    EXPECT_EQ(callCount(Call::Read), 2);
    EXPECT_EQ(callCount(Call::Exists), 1);
    EXPECT_EQ(callCount(Call::Write), 0);
    clearFaults();
    EXPECT_EQ(callCount(Call::Read), 0);
    EXPECT_EQ(callCount(Call::Exists), 0);
}

TEST_F(FaultInjection, AnActionRunsOnceJustBeforeTheNextCallOfItsKind) {
    std::string seen;
    beforeNextCall(Call::Write, [&] { seen += readFile(m_dir.file("lotobase.dbf")).substr(0, 1); });
    injectFault(Fault{Call::Write, 0, 1, code::kDiskFull, 0});
    EXPECT_TRUE(callOnce(Call::Read));
    EXPECT_EQ(seen, "") << "not before a call of another kind";
    EXPECT_FALSE(callOnce(Call::Write)) << "the fault still strikes, after the action";
    EXPECT_EQ(seen, "0");
    EXPECT_TRUE(callOnce(Call::Write));
    EXPECT_EQ(seen, "0") << "once only";

    beforeNextCall(Call::Write, [&] { seen += "!"; });
    clearFaults();
    EXPECT_TRUE(callOnce(Call::Write));
    EXPECT_EQ(seen, "0") << "cleared with the faults";
}

TEST_F(FaultInjection, TheNumberedCallOfAnyKindFailsOnce) {
    failCallNumber(3, code::kDiskFull);
    EXPECT_TRUE(callOnce(Call::Read));
    EXPECT_TRUE(callOnce(Call::Size));
    EXPECT_FALSE(callNumberStruck());
    EXPECT_FALSE(callOnce(Call::Write)) << "the third call, whatever its kind";
    EXPECT_EQ(lastError(), code::kDiskFull);
    EXPECT_TRUE(callNumberStruck());
    EXPECT_TRUE(callOnce(Call::Write)) << "once only";
    clearFaults();
    EXPECT_FALSE(callNumberStruck());
    failCallNumber(5, code::kDiskFull);
    EXPECT_TRUE(callOnce(Call::Read));
    EXPECT_FALSE(callNumberStruck()) << "a run shorter than the number never meets it";
}
