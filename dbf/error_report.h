// The engine's error report: every failure of the storage engine becomes an exception whose
// message is built from a code, a location and an information text.
#pragma once

#include <string>

#include "platform/error_codes.h"
#include "platform/exception.h"

class EXbaseError : public Exception {
public:
    EXbaseError(int code, int location, std::string information);
    // The same failure, its message followed by what the failed operation could not put back.
    EXbaseError(const EXbaseError& cause, const std::string& aftermath);
    int Code() const noexcept { return m_code; }
    int Location() const noexcept { return m_location; }
    const std::string& Information() const noexcept { return m_information; }
    const char* ClassName() const noexcept override { return "EXbaseError"; }

private:
    int m_code;
    int m_location;
    std::string m_information;
};

// Key mismatches at open: a password for a plain file, none for an encrypted one.
class EXbaseEncryption : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EXbaseEncryption"; }
};

namespace xb {

// The text of a listed code, or nullptr when the code has none.
const char* errorText(int code);

// The message of the report: "<text> - <information>" for a listed code, otherwise
// "Xbase Error <code>, SubCode <location>.\r <information>><location>".
std::string errorMessage(int code, int location, const std::string& information);

// The code of a lock that another user holds, for callers that refuse on the same terms.
inline constexpr int kLockViolation = static_cast<int>(platform::code::kLockViolation);
// The codes of a file the caller may not open, and of a name that is no regular file.
inline constexpr int kAccessDenied = static_cast<int>(platform::code::kAccessDenied);
inline constexpr int kNotRegularFile = static_cast<int>(platform::code::kNotRegularFile);

// The operating system's own words for a numbered failure ("No space left on device"), empty when
// the code is none of the system's.
const char* systemReason(int code);

// Raises EXbaseError for (code, location, information).
[[noreturn]] void raiseError(int code, int location, const std::string& information);

}  // namespace xb
