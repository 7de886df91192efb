// Byte-range locks: open-file-description record locks on exactly the bytes asked, never waiting.
#include "platform/error_codes.h"
#include "platform/os_file.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;
using testsupport::Child;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(LockRange, OverlapsAreRefusedBetweenOpenDescriptionsOfOneProcess) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    writeFile(path, std::string(100, ' '));
    Handle first = openFile(path, true, true, Disposition::OpenExisting);
    Handle second = openFile(path, true, true, Disposition::OpenExisting);
    ASSERT_NE(first, kNoHandle);
    ASSERT_NE(second, kNoHandle);

    setLastError(99);
    EXPECT_TRUE(lockRange(first, 1000000000, 10));
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_FALSE(lockRange(second, 1000000005, 1));
    EXPECT_EQ(lastError(), code::kLockViolation);
    EXPECT_FALSE(lockRange(second, 999999990, 11));
    EXPECT_EQ(lastError(), code::kLockViolation);
    EXPECT_FALSE(lockRange(second, 1000000009, 100));
    EXPECT_EQ(lastError(), code::kLockViolation);
    // Exactly the bytes asked: the neighbours on both sides are free.
    EXPECT_TRUE(lockRange(second, 999999990, 10));
    EXPECT_TRUE(lockRange(second, 1000000010, 5));

    EXPECT_TRUE(unlockRange(first, 1000000000, 10));
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_TRUE(lockRange(second, 1000000000, 10));
    EXPECT_FALSE(lockRange(first, 1000000000, 1));
    EXPECT_EQ(lastError(), code::kLockViolation);

    // Closing a description drops its locks.
    EXPECT_TRUE(closeFile(second));
    EXPECT_TRUE(lockRange(first, 999999990, 25));
    closeFile(first);
}

TEST(LockRange, AnEmptyOrOverflowingRangeIsInvalid) {
    TempDir dir;
    writeFile(dir.file("t.dbf"), "");
    Handle h = openFile(dir.file("t.dbf"), true, true, Disposition::OpenExisting);
    ASSERT_NE(h, kNoHandle);
    EXPECT_FALSE(lockRange(h, 0, 0));
    EXPECT_EQ(lastError(), code::kInvalidParameter);
    EXPECT_FALSE(lockRange(h, UINT64_MAX - 1, 10));
    EXPECT_EQ(lastError(), code::kInvalidParameter);
    EXPECT_FALSE(unlockRange(h, 5, 0));
    EXPECT_EQ(lastError(), code::kInvalidParameter);
    closeFile(h);
    EXPECT_FALSE(lockRange(h, 0, 1));
    EXPECT_EQ(lastError(), code::kInvalidHandle);
}

TEST(LockRange, AnotherProcessIsRefusedUntilTheRangeIsReleased) {
    TempDir dir;
    const std::string path = dir.file("kenobase.dbf");
    writeFile(path, std::string(10, ' '));
    Handle h = openFile(path, true, true, Disposition::OpenExisting);
    ASSERT_NE(h, kNoHandle);
    ASSERT_TRUE(lockRange(h, 0x7FFFFFFE, 1));

    auto tryInChild = [&](std::uint64_t offset) {
        Child child(Child::answering([&] {
            Handle other = openFile(path, true, true, Disposition::OpenExisting);
            if (other == kNoHandle) return 'e';
            if (lockRange(other, offset, 1)) return 'y';
            return lastError() == code::kLockViolation ? 'n' : 'e';
        }));
        return child.receive();
    };
    EXPECT_EQ(tryInChild(0x7FFFFFFE), 'n');
    EXPECT_EQ(tryInChild(0x7FFFFFFD), 'y');

    // The child's lock holds while it waits; ours is refused meanwhile.
    {
        Child holder([&](Child& self) {
            Handle other = openFile(path, true, true, Disposition::OpenExisting);
            self.tellAndHold(other != kNoHandle && lockRange(other, 5, 2) ? 'y' : 'n');
            return 0;
        });
        ASSERT_EQ(holder.receive(), 'y');
        EXPECT_FALSE(lockRange(h, 6, 10));
        EXPECT_EQ(lastError(), code::kLockViolation);
    }
    EXPECT_TRUE(lockRange(h, 6, 10));

    EXPECT_TRUE(unlockRange(h, 0x7FFFFFFE, 1));
    EXPECT_EQ(tryInChild(0x7FFFFFFE), 'y');
    closeFile(h);
}
