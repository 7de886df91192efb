// The errno table, row by row, and the call-site mappings for sharing, locks, reads and writes.
#include "platform/error_codes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <utility>

using namespace platform;

TEST(ErrorCodes, GenericTableMapsEveryRow) {
    const std::pair<int, std::uint32_t> rows[] = {{0, code::kSuccess}, {ENOENT, code::kFileNotFound},
                                                  {ENOTDIR, 3u},       {EMFILE, 4u},
                                                  {ENFILE, 4u},        {EACCES, 5u},
                                                  {EPERM, 5u},         {EROFS, 5u},
                                                  {EISDIR, 5u},        {EBADF, 6u},
                                                  {ENOMEM, 8u},        {ENOSPC, 112u},
                                                  {EDQUOT, 112u},      {EEXIST, 183u},
                                                  {EINVAL, 87u}};
    for (const auto& [error, windowsCode] : rows) EXPECT_EQ(windowsCodeFor(error), windowsCode) << error;
    EXPECT_EQ(windowsCodeFor(ENOENT, false), 2u);
    EXPECT_EQ(windowsCodeFor(ENOENT, true), 3u);
    // missingDirectory only matters for ENOENT.
    EXPECT_EQ(windowsCodeFor(EACCES, true), 5u);
    EXPECT_EQ(windowsCodeFor(ENOSPC, true), 112u);
}

TEST(ErrorCodes, EverythingElseIsTheGeneralFailure) {
    for (const int other : {EIO, EINTR, ELOOP, ENAMETOOLONG, EXDEV, EBUSY, ETXTBSY, EFBIG, EOVERFLOW, ESTALE})
        EXPECT_EQ(windowsCodeFor(other), code::kGeneralFailure) << other;
    // Outside the table, EAGAIN and EWOULDBLOCK mean nothing in particular.
    EXPECT_EQ(windowsCodeFor(EAGAIN), 31u);
    EXPECT_EQ(windowsCodeFor(EWOULDBLOCK), 31u);
}

TEST(ErrorCodes, CallSitesChooseSharingLockReadAndWriteCodes) {
    EXPECT_EQ(sharingCodeFor(EWOULDBLOCK), code::kSharingViolation);
    EXPECT_EQ(sharingCodeFor(EAGAIN), 32u);
    EXPECT_EQ(sharingCodeFor(EBADF), 6u);
    EXPECT_EQ(sharingCodeFor(ENOLCK), 31u);

    EXPECT_EQ(lockCodeFor(EAGAIN), code::kLockViolation);
    EXPECT_EQ(lockCodeFor(EACCES), 33u);
    EXPECT_EQ(lockCodeFor(EBADF), 6u);
    EXPECT_EQ(lockCodeFor(EINVAL), 87u);
    EXPECT_EQ(lockCodeFor(ENOLCK), 31u);

    EXPECT_EQ(readCodeFor(EIO), code::kReadFault);
    EXPECT_EQ(readCodeFor(EBADF), 6u);
    EXPECT_EQ(readCodeFor(EISDIR), 5u);

    EXPECT_EQ(writeCodeFor(ENOSPC), code::kDiskFull);
    EXPECT_EQ(writeCodeFor(EDQUOT), 112u);
    EXPECT_EQ(writeCodeFor(EBADF), 6u);
    EXPECT_EQ(writeCodeFor(0), code::kWriteFault);
    EXPECT_EQ(writeCodeFor(EIO), 29u);
    EXPECT_EQ(writeCodeFor(EFBIG), 29u);
}
