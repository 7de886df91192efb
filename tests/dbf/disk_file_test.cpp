// The disk file under every table: path resolution, the one descriptor per file shared through
// the registry, positioned reads, size, the primitives that write, and what each failure of the
// operating system tells the user.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

#include "dbf/constants.h"
#include "dbf/disk_file.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "tests/support/engine_fixture.h"

namespace {

using platform::Call;
using platform::Fault;
using testsupport::CwdGuard;
using testsupport::expectXbaseError;
using testsupport::fileSizeOf;
using testsupport::openDescriptorCount;
using testsupport::readFile;
using testsupport::registrySize;
using testsupport::writeFile;

class DiskFileTest : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        m_path = m_dir.file("data.bin");
        writeFile(m_path, "0123456789abcdefghij");  // 20 bytes
    }
    std::string m_path;
};

TEST_F(DiskFileTest, MakeResolvesTheFullPathOnceAndOpensNothing) {
    const int before = openDescriptorCount();
    {
        CwdGuard cwd;
        std::filesystem::current_path(m_dir.path());
        XBO_DiskFile relative("data.bin", false, true);
        XBO_DiskFile upper("DATA.BIN", false, true);
        std::filesystem::create_directory(m_dir.file("sub"));
        XBO_DiskFile dotted("sub/../data.bin", false, true);
        XBO_DiskFile missing("Missing.Bin", false, true);
        std::filesystem::current_path("/");

        EXPECT_EQ(relative.path(), m_path);
        EXPECT_EQ(upper.path(), m_path) << "the file system's spelling is kept";
        EXPECT_EQ(dotted.path(), m_path);
        EXPECT_EQ(missing.path(), m_dir.file("Missing.Bin"));
        EXPECT_TRUE(relative.existed());
        EXPECT_FALSE(missing.existed());
        EXPECT_TRUE(relative.isClosed());
        EXPECT_EQ(relative.sharedHandle(), nullptr);
        EXPECT_EQ(openDescriptorCount(), before);
        EXPECT_EQ(registrySize(), m_registered);

        // The directory changed after make: the path made then still holds.
        relative.open();
        std::array<char, 4> buffer{};
        EXPECT_EQ(relative.readAt(10, buffer.data(), 4), 4u);
        EXPECT_EQ(std::string(buffer.data(), 4), "abcd");
        relative.close();
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST_F(DiskFileTest, PositionedReadsAndSize) {
    XBO_DiskFile file(m_path, false, true);
    file.open();
    EXPECT_FALSE(file.isClosed());
    EXPECT_EQ(file.position(), 0u);
    EXPECT_EQ(file.fileSize(), 20u);

    std::array<char, 10> buffer{};
    EXPECT_EQ(file.readAt(5, buffer.data(), 10), 10u);
    EXPECT_EQ(std::string(buffer.data(), 10), "56789abcde");
    EXPECT_EQ(file.lastError(), 0);
    EXPECT_EQ(file.position(), 15u);

    // Ten asked where four remain: four come back, nothing is raised, 221 is left behind.
    buffer.fill('-');
    EXPECT_EQ(file.readAt(16, buffer.data(), 10), 4u);
    EXPECT_EQ(std::string(buffer.data(), 4), "ghij");
    EXPECT_EQ(file.lastError(), xb::err::kShortRead);

    EXPECT_EQ(file.readAt(100, buffer.data(), 10), 0u);
    EXPECT_EQ(file.lastError(), xb::err::kShortRead);

    EXPECT_EQ(file.readAt(0, buffer.data(), 2), 2u);
    EXPECT_EQ(file.lastError(), 0) << "a good read clears the last error";

    EXPECT_TRUE(file.close());
    EXPECT_TRUE(file.isClosed());
    EXPECT_TRUE(file.close()) << "closing twice is harmless";
}

TEST_F(DiskFileTest, OneDescriptorPerFileWhateverTheSpelling) {
    const std::string link = m_dir.file("other-name.bin");
    ASSERT_EQ(::link(m_path.c_str(), link.c_str()), 0);
    const int before = openDescriptorCount();

    auto first = std::make_unique<XBO_DiskFile>(m_path, false, true);
    XBO_DiskFile second(m_dir.path() + "/DATA.bin", false, true);
    XBO_DiskFile third(link, false, true);
    first->open();
    second.open();
    third.open();
    ASSERT_NE(first->sharedHandle(), nullptr);
    EXPECT_EQ(first->sharedHandle().get(), second.sharedHandle().get());
    EXPECT_EQ(first->sharedHandle().get(), third.sharedHandle().get()) << "a hard link is the same file";
    EXPECT_EQ(third.path(), link) << "each object keeps its own path";
    EXPECT_EQ(openDescriptorCount(), before + 1);
    EXPECT_EQ(registrySize(), m_registered + 3);

    first->close();
    first.reset();
    EXPECT_EQ(openDescriptorCount(), before + 1);
    std::array<char, 3> buffer{};
    EXPECT_EQ(second.readAt(0, buffer.data(), 3), 3u);
    EXPECT_EQ(std::string(buffer.data(), 3), "012");
    EXPECT_EQ(second.fileSize(), 20u);

    second.close();
    EXPECT_EQ(openDescriptorCount(), before + 1);
    EXPECT_EQ(third.readAt(18, buffer.data(), 2), 2u);
    third.close();
    EXPECT_EQ(openDescriptorCount(), before) << "the last close closes the descriptor";
    EXPECT_EQ(registrySize(), m_registered);

    // Freeing an open object closes it too.
    {
        XBO_DiskFile scoped(m_path, false, true);
        scoped.open();
        EXPECT_EQ(openDescriptorCount(), before + 1);
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST_F(DiskFileTest, OpenFailuresNameTheResolvedPath) {
    XBO_DiskFile missing(m_dir.file("missing.dbf"), false, true);
    auto e = expectXbaseError([&] { missing.open(); });
    EXPECT_EQ(e.Code(), 2);
    EXPECT_EQ(e.Location(), xb::loc::kOpen);
    EXPECT_EQ(e.Message(), "File not found - " + m_dir.file("missing.dbf"));
    EXPECT_TRUE(missing.isClosed());

    XBO_DiskFile noDir(m_dir.file("nodir/a.dbf"), false, true);
    e = expectXbaseError([&] { noDir.open(); });
    EXPECT_EQ(e.Code(), 3);
    EXPECT_EQ(e.Location(), xb::loc::kOpen);
    EXPECT_EQ(e.Message(), "Path not found - " + m_dir.file("nodir/a.dbf"));

    std::filesystem::create_directory(m_dir.file("folder.dbf"));
    XBO_DiskFile folder(m_dir.file("folder.dbf"), false, true);
    e = expectXbaseError([&] { folder.open(); });
    EXPECT_EQ(e.Code(), 5);
    EXPECT_EQ(e.Location(), xb::loc::kOpen);
    EXPECT_EQ(e.Message(), "File access denied - " + m_dir.file("folder.dbf"));
    expectNothingOpen();
}

TEST_F(DiskFileTest, SharingRefusedByAnotherHolderIsAccessDenied) {
    const int other = ::open(m_path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);

    // Another program holds the file exclusively: even a shared open is refused.
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    XBO_DiskFile shared(m_path, false, true);
    auto e = expectXbaseError([&] { shared.open(); });
    EXPECT_EQ(e.Code(), 32);
    EXPECT_EQ(e.Location(), xb::loc::kOpen);
    EXPECT_EQ(e.Message(), "File access denied - " + m_path);

    // Another program has it open shared: an unshared open is refused.
    ASSERT_EQ(::flock(other, LOCK_SH | LOCK_NB), 0);
    XBO_DiskFile exclusive(m_path, true, false);
    e = expectXbaseError([&] { exclusive.open(); });
    EXPECT_EQ(e.Code(), 32);
    EXPECT_EQ(e.Message(), "File access denied - " + m_path);
    shared.open();
    EXPECT_FALSE(shared.isClosed());
    shared.close();

    // And while this process holds it unshared, the other program is kept out.
    ASSERT_EQ(::flock(other, LOCK_UN), 0);
    exclusive.open();
    EXPECT_NE(::flock(other, LOCK_SH | LOCK_NB), 0);
    exclusive.close();
    EXPECT_EQ(::flock(other, LOCK_SH | LOCK_NB), 0);
    ::close(other);
}

TEST_F(DiskFileTest, ReadWriteOpenOfReadOnlyFileIsAccessDenied) {
    // Root passes permission bits, so there the file is made immutable instead.
    bool immutable = false;
    int flagsFd = -1;
    if (::geteuid() == 0) {
        flagsFd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(flagsFd, 0);
        int flags = 0;
        if (::ioctl(flagsFd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable = ::ioctl(flagsFd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (!immutable) {
            ::close(flagsFd);
            GTEST_SKIP() << "running as root on a file system without the immutable flag";
        }
    } else {
        ASSERT_EQ(::chmod(m_path.c_str(), 0444), 0);
    }

    XBO_DiskFile file(m_path, true, true);
    auto e = expectXbaseError([&] { file.open(); });
    EXPECT_EQ(e.Code(), 5);
    EXPECT_EQ(e.Location(), xb::loc::kOpen);
    EXPECT_EQ(e.Message(), "File access denied - " + m_path);
    EXPECT_TRUE(file.isClosed());

    // No read-only fallback was taken, but a read-only open works.
    XBO_DiskFile reader(m_path, false, true);
    reader.open();
    EXPECT_EQ(reader.fileSize(), 20u);
    reader.close();

    if (immutable) {
        int flags = 0;
        ::ioctl(flagsFd, FS_IOC_GETFLAGS, &flags);
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(flagsFd, FS_IOC_SETFLAGS, &flags);
        ::close(flagsFd);
    }
}

TEST_F(DiskFileTest, InjectedFailuresOfOpenReadAndSize) {
    {
        platform::FaultGuard fault(Fault{Call::Open, 0, 1, platform::code::kFileNotFound, 0});
        XBO_DiskFile file(m_path, false, true);
        auto e = expectXbaseError([&] { file.open(); });
        EXPECT_EQ(e.Message(), "File not found - " + m_path);
        EXPECT_EQ(e.Location(), xb::loc::kOpen);
        EXPECT_TRUE(file.isClosed());
        expectNothingOpen();
    }
    {
        platform::FaultGuard fault(Fault{Call::Open, 0, 1, platform::code::kTooManyOpenFiles, 0});
        XBO_DiskFile file(m_path, false, true);
        EXPECT_EQ(expectXbaseError([&] { file.open(); }).Message(), "Too many open files - " + m_path);
        expectNothingOpen();
    }
    {
        platform::FaultGuard fault(Fault{Call::Identity, 0, -1, platform::code::kGeneralFailure, 0});
        XBO_DiskFile file(m_path, false, true);
        auto e = expectXbaseError([&] { file.open(); });
        EXPECT_EQ(e.Code(), 31);
        EXPECT_EQ(e.Location(), xb::loc::kOpen);
        EXPECT_EQ(e.Message(), "Xbase Error 31, SubCode 1107.\r " + m_path + ">1107");
        EXPECT_TRUE(file.isClosed());
        expectNothingOpen();
    }

    XBO_DiskFile file(m_path, false, true);
    file.open();
    std::array<char, 8> buffer{};
    {
        platform::FaultGuard fault(Fault{Call::Read, 0, 1, platform::code::kReadFault, 0});
        auto e = expectXbaseError([&] { file.readAt(0, buffer.data(), 8); });
        EXPECT_EQ(e.Code(), 30);
        EXPECT_EQ(e.Location(), xb::loc::kRead);
        EXPECT_EQ(e.Message(), "Xbase Error 30, SubCode 1101.\r " + m_path + ">1101");
        EXPECT_EQ(file.lastError(), 30);
    }
    {
        platform::FaultGuard fault(Fault{Call::Read, 0, 1, platform::code::kAccessDenied, 0});
        EXPECT_EQ(expectXbaseError([&] { file.readAt(0, buffer.data(), 8); }).Message(),
                  "File access denied - " + m_path);
    }
    {
        // A transfer cut short by the system is the short read, not a failure.
        platform::FaultGuard fault(Fault{Call::Read, 0, 1, 0, 3});
        EXPECT_EQ(file.readAt(0, buffer.data(), 8), 3u);
        EXPECT_EQ(file.lastError(), xb::err::kShortRead);
    }
    {
        platform::FaultGuard fault(Fault{Call::Size, 0, 1, platform::code::kReadFault, 0});
        auto e = expectXbaseError([&] { file.fileSize(); });
        EXPECT_EQ(e.Location(), xb::loc::kFileSize);
        EXPECT_EQ(e.Message(), "Xbase Error 30, SubCode 1105.\r " + m_path + ">1105");
    }
    // After the faults the file works as before.
    EXPECT_EQ(file.readAt(12, buffer.data(), 8), 8u);
    EXPECT_EQ(std::string(buffer.data(), 8), "cdefghij");
    EXPECT_EQ(file.fileSize(), 20u);

    // A close always succeeds for the caller, whatever the system says.
    const int before = openDescriptorCount();
    {
        platform::FaultGuard fault(Fault{Call::Close, 0, 1, platform::code::kInvalidHandle, 0});
        bool closed = false;
        EXPECT_NO_THROW(closed = file.close());
        EXPECT_TRUE(closed);
    }
    EXPECT_TRUE(file.isClosed());
    EXPECT_EQ(file.sharedHandle(), nullptr);
    EXPECT_EQ(registrySize(), m_registered);
    EXPECT_EQ(openDescriptorCount(), before - 1) << "a failed close still releases the descriptor";
}

TEST_F(DiskFileTest, WriteFlushTruncateAndCreateFailures) {
    XBO_DiskFile writer(m_path, true, true);
    writer.open();
    writer.writeAt(2, "XY", 2);
    EXPECT_TRUE(writer.isDirty());
    EXPECT_EQ(writer.position(), 4u);
    EXPECT_EQ(readFile(m_path), "01XY456789abcdefghij");
    writer.flush();
    EXPECT_FALSE(writer.isDirty());

    {
        platform::FaultGuard fault(Fault{Call::Write, 0, 1, platform::code::kDiskFull, 0});
        auto e = expectXbaseError([&] { writer.writeAt(0, "zz", 2); });
        EXPECT_EQ(e.Location(), xb::loc::kWrite);
        EXPECT_EQ(e.Message(), "Xbase Error 112, SubCode 1102.\r " + m_path + ">1102");
    }
    {
        platform::FaultGuard fault(Fault{Call::Write, 0, 1, platform::code::kLockViolation, 0});
        EXPECT_EQ(expectXbaseError([&] { writer.writeAt(0, "zz", 2); }).Message(),
                  "Record locked by another user - " + m_path);
    }
    EXPECT_EQ(readFile(m_path), "01XY456789abcdefghij") << "a failed write changes nothing";
    {
        writer.writeAt(0, "w", 1);
        platform::FaultGuard fault(Fault{Call::Flush, 0, 1, platform::code::kDiskFull, 0});
        auto e = expectXbaseError([&] { writer.flush(); });
        EXPECT_EQ(e.Location(), xb::loc::kFlush);
        EXPECT_EQ(e.Message(), "Xbase Error 112, SubCode 1111.\r " + m_path + ">1111");
    }

    // Truncation needs write access and exclusive use.
    auto e = expectXbaseError([&] { writer.truncateAt(10); });
    EXPECT_EQ(e.Code(), 5);
    EXPECT_EQ(e.Location(), xb::loc::kTruncate);
    EXPECT_EQ(e.Message(), "File access denied - " + m_path);
    EXPECT_EQ(fileSizeOf(m_path), 20u);

    // Create over a file this process has open.
    XBO_DiskFile creator(m_path, true, false);
    e = expectXbaseError([&] { creator.create(); });
    EXPECT_EQ(e.Code(), 12);
    EXPECT_EQ(e.Location(), xb::loc::kCreate);
    EXPECT_EQ(e.Message(), "Invalid file access code - " + m_path);
    writer.close();

    XBO_DiskFile reader(m_path, false, false);
    reader.open();
    e = expectXbaseError([&] { reader.truncateAt(10); });
    EXPECT_EQ(e.Message(), "File access denied - " + m_path);
    reader.close();

    XBO_DiskFile owner(m_path, true, false);
    owner.open();
    EXPECT_TRUE(owner.exclusiveUse());
    owner.truncateAt(10);
    EXPECT_EQ(owner.fileSize(), 10u);
    owner.close();
    EXPECT_EQ(readFile(m_path), "w1XY456789");

    XBO_DiskFile fresh(m_dir.file("new.bin"), true, false);
    EXPECT_FALSE(fresh.existed());
    fresh.create();
    EXPECT_FALSE(fresh.isClosed());
    EXPECT_EQ(fresh.fileSize(), 0u);
    fresh.writeAt(0, "abc", 3);
    fresh.close();
    EXPECT_EQ(readFile(m_dir.file("new.bin")), "abc");
}

}  // namespace
