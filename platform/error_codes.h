// The Windows error numbers the engine's messages are written for, and the one table that maps
// POSIX errno values onto them.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

namespace code {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kTooManyOpenFiles = 4;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kWriteFault = 29;
inline constexpr std::uint32_t kReadFault = 30;
inline constexpr std::uint32_t kGeneralFailure = 31;  // every errno without a closer match
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kNotRegularFile = 222;  // a FIFO, a device or a socket where a file was named
}  // namespace code

// Maps an errno value; `missingDirectory` tells ENOENT for a path whose directory is missing (3)
// from one whose file is missing (2).
std::uint32_t windowsCodeFor(int errnoValue, bool missingDirectory = false);

// Call sites whose refusals mean something the generic table cannot know:
// flock(LOCK_NB) refused → sharing violation (32), otherwise as windowsCodeFor.
std::uint32_t sharingCodeFor(int errnoValue);
// fcntl record lock refused (EAGAIN/EACCES) → lock violation (33), otherwise as windowsCodeFor.
std::uint32_t lockCodeFor(int errnoValue);
// A read that failed: EIO → read fault (30), otherwise as windowsCodeFor.
std::uint32_t readCodeFor(int errnoValue);
// A write that could not be completed: ENOSPC/EDQUOT → disk full (112), EBADF → invalid handle (6),
// anything else, 0 (nothing moved, no reason given) included → write fault (29).
std::uint32_t writeCodeFor(int errnoValue);

// The system's own words for a code that the engine's messages give only as a number (112: "No
// space left on device"), so that a user is told why; empty for codes the engine names itself.
const char* systemReason(std::uint32_t code);
// The errno a code stands for (the nearest one where several map onto it), for callers that
// report the system's way.
int errnoFor(std::uint32_t code);
// Plain words for any code, for messages of files the engine does not name (a draw file, a picture).
std::string reasonText(std::uint32_t code);

}  // namespace platform
