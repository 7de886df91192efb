// Opening, share modes, positioned transfers and file identity through the file seam.
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "platform/os_file.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace platform;
using testsupport::Child;
using testsupport::openDescriptorCount;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// What an open that must be refused shows: the error it leaves, or kOpened, with the handle
// closed again, when it was not refused.
constexpr std::uint32_t kOpened = ~0u;

std::uint32_t refusal(const std::string& path, bool write, bool share, Disposition disposition) {
    const Handle handle = openFile(path, write, share, disposition);
    if (handle != kNoHandle) {
        closeFile(handle);
        return kOpened;
    }
    return lastError();
}

}  // namespace

TEST(OpenFile, OpensExistingAndReportsWhatIsMissing) {
    TempDir dir;
    writeFile(dir.file("lotobase.dbf"), "abc");
    const int before = openDescriptorCount();

    setLastError(99);
    Handle h = openFile(dir.file("lotobase.dbf"), false, true, Disposition::OpenExisting);
    ASSERT_NE(h, kNoHandle);
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_EQ(openDescriptorCount(), before + 1);
    EXPECT_TRUE(closeFile(h));
    EXPECT_EQ(lastError(), code::kSuccess);

    struct Missing {
        const char* name;
        bool write;
        bool share;
        Disposition disposition;
        std::uint32_t error;
    };
    for (const Missing& m :
         {Missing{"kenobase.dbf", false, true, Disposition::OpenExisting, code::kFileNotFound},
          Missing{"nodir/lotobase.dbf", true, true, Disposition::OpenExisting, code::kPathNotFound},
          Missing{"nodir/new.dbf", true, false, Disposition::CreateAlways, code::kPathNotFound},
          // A regular file where a directory is expected is a missing path too.
          Missing{"lotobase.dbf/x.dbf", false, true, Disposition::OpenExisting, code::kPathNotFound}})
        EXPECT_EQ(refusal(dir.file(m.name), m.write, m.share, m.disposition), m.error) << m.name;
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST(OpenFile, RefusesDirectoriesWithAccessDenied) {
    TempDir dir;
    ASSERT_EQ(::mkdir((dir.file("sub")).c_str(), 0777), 0);
    const int before = openDescriptorCount();
    for (const auto& [write, disposition] :
         {std::pair{false, Disposition::OpenExisting}, std::pair{true, Disposition::OpenExisting},
          std::pair{true, Disposition::CreateAlways}})
        EXPECT_EQ(refusal(dir.file("sub"), write, !write, disposition), code::kAccessDenied) << write;
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST(OpenFile, RefusesFifosAndDevicesAtOnce) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir.file("fifo")).c_str(), 0600), 0);
    // Opening the FIFO for reading with no writer would wait for ever: another process tries it,
    // and the descriptors it leaves open would show in its report.
    Child child(Child::answering([&] {
        ::alarm(5);  // a wait ends the child, and the report with it
        for (const std::string& path : {dir.file("fifo"), std::string("/dev/null")}) {
            for (const auto disposition : {Disposition::OpenExisting, Disposition::CreateAlways}) {
                for (const bool write : {false, true}) {
                    const int before = openDescriptorCount();
                    if (openFile(path, write, true, disposition) != kNoHandle || lastError() != code::kNotRegularFile ||
                        openDescriptorCount() != before)
                        return 'F';
                }
            }
        }
        return 'R';
    }));
    EXPECT_EQ(child.receive(), 'R');
}

TEST(OpenFile, ReadOnlyFileRefusesWriting) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    TempDir dir;
    writeFile(dir.file("ro.dbf"), "x");
    ASSERT_EQ(::chmod((dir.file("ro.dbf")).c_str(), 0444), 0);
    EXPECT_EQ(refusal(dir.file("ro.dbf"), true, true, Disposition::OpenExisting), code::kAccessDenied);
    Handle h = openFile(dir.file("ro.dbf"), false, true, Disposition::OpenExisting);
    EXPECT_NE(h, kNoHandle);
    closeFile(h);
}

TEST(OpenFile, CreateAlwaysCreatesOrEmpties) {
    TempDir dir;
    Handle h = openFile(dir.file("new.dbf"), true, false, Disposition::CreateAlways);
    ASSERT_NE(h, kNoHandle);
    std::uint64_t size = 99;
    EXPECT_TRUE(fileSize(h, size));
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(closeFile(h));
    struct stat st {};
    ASSERT_EQ(::stat((dir.file("new.dbf")).c_str(), &st), 0);
    EXPECT_EQ(
        st.st_mode & 0777, 0666u & ~[] {
            mode_t m = ::umask(0);
            ::umask(m);
            return m;
        }());

    writeFile(dir.file("old.dbf"), "some contents");
    h = openFile(dir.file("old.dbf"), true, false, Disposition::CreateAlways);
    ASSERT_NE(h, kNoHandle);
    EXPECT_TRUE(fileSize(h, size));
    EXPECT_EQ(size, 0u);
    closeFile(h);
    EXPECT_EQ(readFile(dir.file("old.dbf")), "");
}

TEST(ShareModes, ExclusiveAndSharedOpensExcludeEachOther) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    writeFile(path, "data");
    const int before = openDescriptorCount();

    Handle shared1 = openFile(path, false, true, Disposition::OpenExisting);
    Handle shared2 = openFile(path, true, true, Disposition::OpenExisting);
    ASSERT_NE(shared1, kNoHandle);
    ASSERT_NE(shared2, kNoHandle);
    EXPECT_EQ(refusal(path, true, false, Disposition::OpenExisting), code::kSharingViolation);
    closeFile(shared1);
    EXPECT_EQ(refusal(path, false, false, Disposition::OpenExisting), code::kSharingViolation);
    closeFile(shared2);

    Handle exclusive = openFile(path, true, false, Disposition::OpenExisting);
    ASSERT_NE(exclusive, kNoHandle);
    EXPECT_EQ(refusal(path, false, true, Disposition::OpenExisting), code::kSharingViolation);
    EXPECT_EQ(refusal(path, true, false, Disposition::OpenExisting), code::kSharingViolation);
    // Emptying a file someone holds would destroy their data: refused, contents intact.
    EXPECT_EQ(refusal(path, true, false, Disposition::CreateAlways), code::kSharingViolation);
    EXPECT_EQ(readFile(path), "data");
    EXPECT_TRUE(closeFile(exclusive));

    Handle again = openFile(path, false, true, Disposition::OpenExisting);
    EXPECT_NE(again, kNoHandle);
    closeFile(again);
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST(ShareModes, AnotherProcessHoldingTheFileExcludesUs) {
    TempDir dir;
    const std::string path = dir.file("kenobase.dbf");
    writeFile(path, "data");

    {
        Child child([&](Child& self) {
            Handle h = openFile(path, true, false, Disposition::OpenExisting);
            self.tellAndHold(h == kNoHandle ? 'n' : 'y');
            return 0;
        });
        ASSERT_EQ(child.receive(), 'y');
        EXPECT_EQ(refusal(path, false, true, Disposition::OpenExisting), code::kSharingViolation);
        EXPECT_EQ(refusal(path, true, false, Disposition::OpenExisting), code::kSharingViolation);
    }  // the child exits here, and its hold goes with it

    Handle h = openFile(path, true, false, Disposition::OpenExisting);
    ASSERT_NE(h, kNoHandle);
    Child refused(Child::answering([&] {
        Handle other = openFile(path, false, true, Disposition::OpenExisting);
        return other == kNoHandle && lastError() == code::kSharingViolation ? 'r' : 'o';
    }));
    EXPECT_EQ(refused.receive(), 'r');
    closeFile(h);
}

TEST(Transfers, ReadWriteRoundTripAndEndOfFile) {
    TempDir dir;
    Handle h = openFile(dir.file("t.dbf"), true, false, Disposition::CreateAlways);
    ASSERT_NE(h, kNoHandle);

    const char header[] = "\x03\x7c\x0c\x07";
    std::uint32_t done = 99;
    EXPECT_TRUE(writeAt(h, 0, header, 4, done));
    EXPECT_EQ(done, 4u);
    EXPECT_TRUE(writeAt(h, 10, "XYZ", 3, done));
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(lastError(), code::kSuccess);

    std::uint64_t size = 0;
    EXPECT_TRUE(fileSize(h, size));
    EXPECT_EQ(size, 13u);

    char buffer[32] = {};
    EXPECT_TRUE(readAt(h, 0, buffer, 4, done));
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(std::memcmp(buffer, header, 4), 0);

    // The hole between the two writes reads as zeros; the read stops at the end of the file.
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_TRUE(readAt(h, 8, buffer, sizeof buffer, done));
    EXPECT_EQ(done, 5u);
    EXPECT_EQ(std::string(buffer, 5), std::string("\0\0XYZ", 5));
    EXPECT_EQ(buffer[5], 'q');

    EXPECT_TRUE(readAt(h, 13, buffer, 4, done));
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(readAt(h, 1000, buffer, 4, done));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(lastError(), code::kSuccess);

    EXPECT_TRUE(flushFile(h));
    EXPECT_TRUE(closeFile(h));
    EXPECT_EQ(readFile(dir.file("t.dbf")), std::string("\x03\x7c\x0c\x07\0\0\0\0\0\0XYZ", 13));
}

TEST(Transfers, TruncateFlushAndBadHandles) {
    TempDir dir;
    writeFile(dir.file("t.dbf"), "0123456789");
    Handle h = openFile(dir.file("t.dbf"), true, false, Disposition::OpenExisting);
    ASSERT_NE(h, kNoHandle);
    EXPECT_TRUE(truncateAt(h, 4));
    std::uint64_t size = 0;
    EXPECT_TRUE(fileSize(h, size));
    EXPECT_EQ(size, 4u);
    EXPECT_TRUE(truncateAt(h, 6));
    EXPECT_TRUE(fileSize(h, size));
    EXPECT_EQ(size, 6u);
    EXPECT_TRUE(flushFile(h));
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_TRUE(closeFile(h));
    EXPECT_EQ(readFile(dir.file("t.dbf")), std::string("0123\0\0", 6));

    // The handle is gone now; every call on it says so.
    char buffer[4];
    std::uint32_t done = 7;
    EXPECT_FALSE(readAt(h, 0, buffer, 4, done));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(writeAt(h, 0, "ab", 2, done));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
    EXPECT_FALSE(fileSize(h, size));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
    EXPECT_FALSE(flushFile(h));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
    EXPECT_FALSE(truncateAt(h, 0));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
    EXPECT_FALSE(closeFile(h));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
}

TEST(Paths, MoveAndExistence) {
    TempDir dir;
    writeFile(dir.file("a.dbf"), "A");
    EXPECT_TRUE(pathExists(dir.file("a.dbf")));
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_TRUE(pathExists(dir.path()));
    EXPECT_FALSE(pathExists(dir.file("b.dbf")));
    EXPECT_EQ(lastError(), code::kFileNotFound);
    EXPECT_FALSE(pathExists(dir.file("nodir/b.dbf")));
    EXPECT_EQ(lastError(), code::kPathNotFound);

    EXPECT_TRUE(moveFile(dir.file("a.dbf"), dir.file("b.dbf")));
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_FALSE(pathExists(dir.file("a.dbf")));
    EXPECT_EQ(readFile(dir.file("b.dbf")), "A");

    EXPECT_FALSE(moveFile(dir.file("a.dbf"), dir.file("c.dbf")));
    EXPECT_EQ(lastError(), code::kFileNotFound);
    EXPECT_FALSE(moveFile(dir.file("b.dbf"), dir.file("nodir/c.dbf")));
    EXPECT_EQ(lastError(), code::kPathNotFound);
    EXPECT_TRUE(pathExists(dir.file("b.dbf")));
}

TEST(Identity, SameFileThroughAnySpellingDifferentFilesDiffer) {
    TempDir dir;
    ASSERT_EQ(::mkdir((dir.file("Dir")).c_str(), 0777), 0);
    writeFile(dir.file("Dir/lotobase.dbf"), "L");
    writeFile(dir.file("Dir/kenobase.dbf"), "K");

    Handle exact = openFile(dir.file("Dir/lotobase.dbf"), false, true, Disposition::OpenExisting);
    Handle other = openFile(fullPath(dir.file("DIR/LOTOBASE.DBF")), false, true, Disposition::OpenExisting);
    Handle keno = openFile(dir.file("Dir/kenobase.dbf"), false, true, Disposition::OpenExisting);
    ASSERT_NE(exact, kNoHandle);
    ASSERT_NE(other, kNoHandle);
    ASSERT_NE(keno, kNoHandle);

    FileIdentity a, b, c, byPath;
    EXPECT_TRUE(identityOf(exact, a));
    EXPECT_TRUE(identityOf(other, b));
    EXPECT_TRUE(identityOf(keno, c));
    EXPECT_TRUE(identityOfPath(dir.file("Dir/lotobase.dbf"), byPath));
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, byPath);
    EXPECT_NE(a, c);
    EXPECT_NE(a.inode, 0u);

    EXPECT_FALSE(identityOfPath(dir.file("Dir/missing.dbf"), byPath));
    EXPECT_EQ(lastError(), code::kFileNotFound);
    EXPECT_EQ(byPath, FileIdentity{});
    EXPECT_FALSE(identityOfPath(dir.file("None/missing.dbf"), byPath));
    EXPECT_EQ(lastError(), code::kPathNotFound);

    closeFile(exact);
    closeFile(other);
    closeFile(keno);
    EXPECT_FALSE(identityOf(keno, c));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
}

TEST(OpenFile, AFileReplacedBetweenTheOpenAndTheShareLockIsOpenedAgainByName) {
    TempDir dir;
    writeFile(dir.file("lotobase.dbf"), "old");
    writeFile(dir.file("copy"), "new");
    // Another program's pack renames its copy over the name just after our open.
    beforeNextCall(Call::ShareLock, [&] { ::rename(dir.file("copy").c_str(), dir.file("lotobase.dbf").c_str()); });
    const Handle handle = openFile(dir.file("lotobase.dbf"), false, true, Disposition::OpenExisting);
    ASSERT_NE(handle, kNoHandle);
    char bytes[3] = {};
    std::uint32_t done = 0;
    EXPECT_TRUE(readAt(handle, 0, bytes, 3, done));
    EXPECT_EQ(std::string(bytes, done), "new");
    closeFile(handle);

    // A new file whose open fails after making it is removed again; one that was there stays.
    injectFault(Fault{Call::ShareLock, 0, 1, code::kDiskFull, 0});
    EXPECT_EQ(refusal(dir.file("made"), true, false, Disposition::CreateNew), code::kDiskFull);
    EXPECT_FALSE(pathExists(dir.file("made")));
    EXPECT_EQ(refusal(dir.file("lotobase.dbf"), true, false, Disposition::CreateNew), code::kAlreadyExists);
    EXPECT_EQ(readFile(dir.file("lotobase.dbf")), "new");

    // A name removed under the open is a file that is gone.
    beforeNextCall(Call::ShareLock, [&] { ::unlink(dir.file("lotobase.dbf").c_str()); });
    EXPECT_EQ(refusal(dir.file("lotobase.dbf"), false, true, Disposition::OpenExisting), code::kFileNotFound);
    clearFaults();
}

TEST(Paths, OwnerModeLinksAndAMoveThatReplacesNothing) {
    TempDir dir;
    writeFile(dir.file("table"), "T");
    writeFile(dir.file("copy"), "C");
    ASSERT_EQ(::chmod(dir.file("table").c_str(), 0640), 0);
    const Handle table = openFile(dir.file("table"), false, true, Disposition::OpenExisting);
    const Handle copy = openFile(dir.file("copy"), true, true, Disposition::OpenExisting);
    ASSERT_NE(table, kNoHandle);
    ASSERT_NE(copy, kNoHandle);
    EXPECT_TRUE(keepOwnerAndMode(table, copy));
    FileStatus status;
    EXPECT_TRUE(statusOf(copy, status));
    EXPECT_EQ(status.mode, 0640u);
    EXPECT_EQ(status.owner, ::geteuid());
    EXPECT_EQ(status.links, 1u);
    ASSERT_EQ(::link(dir.file("table").c_str(), dir.file("second").c_str()), 0);
    EXPECT_TRUE(statusOf(table, status));
    EXPECT_EQ(status.links, 2u);
    closeFile(table);
    closeFile(copy);

    EXPECT_FALSE(moveFileNoReplace(dir.file("copy"), dir.file("table")));
    EXPECT_EQ(lastError(), code::kAlreadyExists);
    EXPECT_EQ(readFile(dir.file("table")), "T");
    EXPECT_TRUE(moveFileNoReplace(dir.file("copy"), dir.file("new")));
    EXPECT_EQ(readFile(dir.file("new")), "C");
    EXPECT_FALSE(pathExists(dir.file("copy")));

    ASSERT_EQ(::symlink(dir.file("table").c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(resolvedPath(dir.file("link")), resolvedPath(dir.file("table")));
    EXPECT_TRUE(resolvedPath(dir.file("none/x")).empty());
    EXPECT_EQ(lastError(), code::kPathNotFound);

    writeFile(dir.file("TABLE"), "U");
    EXPECT_EQ(caseVariants(dir.file("Table")), (std::vector<std::string>{"TABLE", "table"}));
    EXPECT_TRUE(processExists(currentProcess()));
    EXPECT_FALSE(processExists(0));
    EXPECT_STREQ(systemReason(code::kDiskFull), "No space left on device");
    EXPECT_STREQ(systemReason(code::kAccessDenied), "");
}

TEST(ReadOnlyFiles, OneOpenForWhatIsOnlyReadAndAWholeReadingThroughTheSeam) {
    TempDir dir;
    writeFile(dir.file("draws.txt"), "1 2 3\n4 5 6\n");
    // Refused as openFile refuses (the FIFO's case shares its one routine, tested there).
    const std::pair<std::string, std::uint32_t> refused[] = {{"/dev/null", code::kNotRegularFile},
                                                             {dir.path(), code::kAccessDenied},
                                                             {dir.file("no.txt"), code::kFileNotFound}};
    const int before = openDescriptorCount();
    for (const auto& [path, error] : refused) {
        EXPECT_EQ(openRegularFile(path), kNoHandle) << path;
        EXPECT_EQ(lastError(), error) << path;
    }
    EXPECT_EQ(openDescriptorCount(), before);

    // Read in sequence, then again from where it is set.
    const Handle file = openRegularFile(dir.file("draws.txt"));
    ASSERT_NE(file, kNoHandle);
    char bytes[16] = {};
    std::uint32_t done = 0;
    std::uint64_t at = 0;
    EXPECT_TRUE(readNext(file, bytes, 6, done) && positionOf(file, at) && at == 6 && seekTo(file, 2));
    EXPECT_TRUE(readNext(file, bytes, sizeof bytes, done));
    EXPECT_EQ(std::string(bytes, done), "2 3\n4 5 6\n");
    EXPECT_TRUE(closeFile(file));

    // Whole: a fault of any of its calls is a failure with that call's code.
    std::string whole;
    EXPECT_TRUE(readWholeFile(dir.file("draws.txt"), whole));
    EXPECT_EQ(whole, "1 2 3\n4 5 6\n");
    for (const Call call : {Call::Open, Call::Read, Call::Close}) {
        FaultGuard fault(Fault{call, 0, 1, code::kReadFault, 0});
        EXPECT_FALSE(readWholeFile(dir.file("draws.txt"), whole));
        EXPECT_EQ(lastError(), code::kReadFault);
    }
    EXPECT_EQ(reasonText(code::kDiskFull), std::strerror(ENOSPC));
    EXPECT_EQ(reasonText(code::kNotRegularFile), "not a regular file");
}
