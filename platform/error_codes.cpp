// The single place where POSIX errno values become the Windows error numbers that the engine's
// messages are written for.
#include "platform/error_codes.h"

#include <cerrno>
#include <cstring>

namespace platform {

std::uint32_t windowsCodeFor(int errnoValue, bool missingDirectory) {
    switch (errnoValue) {
        case 0:
            return code::kSuccess;
        case ENOENT:
            return missingDirectory ? code::kPathNotFound : code::kFileNotFound;
        case ENOTDIR:
            return code::kPathNotFound;
        case EMFILE:
        case ENFILE:
            return code::kTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return code::kAccessDenied;
        case EBADF:
            return code::kInvalidHandle;
        case ENOMEM:
            return code::kNotEnoughMemory;
        case ENOSPC:
        case EDQUOT:
            return code::kDiskFull;
        case EEXIST:
            return code::kAlreadyExists;
        case EINVAL:
            return code::kInvalidParameter;
        default:
            return code::kGeneralFailure;
    }
}

std::uint32_t sharingCodeFor(int errnoValue) {
    // flock(LOCK_NB) reports a holder with EWOULDBLOCK, which is EAGAIN on Linux.
    if (errnoValue == EWOULDBLOCK || errnoValue == EAGAIN) return code::kSharingViolation;
    return windowsCodeFor(errnoValue);
}

std::uint32_t lockCodeFor(int errnoValue) {
    // POSIX lets F_SETLK report a conflicting holder as either EAGAIN or EACCES.
    if (errnoValue == EAGAIN || errnoValue == EACCES) return code::kLockViolation;
    return windowsCodeFor(errnoValue);
}

std::uint32_t readCodeFor(int errnoValue) {
    if (errnoValue == EIO) return code::kReadFault;
    return windowsCodeFor(errnoValue);
}

std::uint32_t writeCodeFor(int errnoValue) {
    switch (errnoValue) {
        case ENOSPC:
        case EDQUOT:
            return code::kDiskFull;
        case EBADF:
            return code::kInvalidHandle;
        default:
            // Includes 0: the system moved nothing and gave no reason.
            return code::kWriteFault;
    }
}

const char* systemReason(std::uint32_t code) {
    // The errno each code stands for where the mapping above is one to one (or nearly, EDQUOT).
    switch (code) {
        case code::kTooManyOpenFiles:
            return std::strerror(EMFILE);
        case code::kInvalidHandle:
            return std::strerror(EBADF);
        case code::kNotEnoughMemory:
            return std::strerror(ENOMEM);
        case code::kWriteFault:
        case code::kReadFault:
            return std::strerror(EIO);
        case code::kInvalidParameter:
            return std::strerror(EINVAL);
        case code::kDiskFull:
            return std::strerror(ENOSPC);
        default:
            return "";
    }
}

int errnoFor(std::uint32_t code) {
    switch (code) {
        case code::kSuccess:
            return 0;
        case code::kFileNotFound:
        case code::kPathNotFound:
            return ENOENT;
        case code::kTooManyOpenFiles:
            return EMFILE;
        case code::kAccessDenied:
            return EACCES;
        case code::kInvalidHandle:
            return EBADF;
        case code::kNotEnoughMemory:
            return ENOMEM;
        case code::kWriteFault:
        case code::kReadFault:
            return EIO;
        case code::kSharingViolation:
        case code::kLockViolation:
            return EBUSY;
        case code::kInvalidParameter:
            return EINVAL;
        case code::kDiskFull:
            return ENOSPC;
        case code::kAlreadyExists:
            return EEXIST;
        default:
            return EIO;
    }
}

std::string reasonText(std::uint32_t code) {
    if (code == code::kNotRegularFile) return "not a regular file";
    if (code == code::kGeneralFailure) return "error " + std::to_string(code);
    return std::strerror(errnoFor(code));
}

}  // namespace platform
