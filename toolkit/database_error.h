// The class library's database error and its silent abort, with the message texts of the base
// dataset and its fields. A message the base class raises names its component in front
// ("XbaseDataSet1: ..."); the fields and the descendants raise theirs as they stand.
#pragma once

#include <string>

#include "platform/exception.h"

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EDatabaseError"; }
};

// Ends an operation without a message; the application's error box ignores it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    const char* ClassName() const noexcept override { return "EAbort"; }
};

// Range check failures of integer conversions.
class ERangeError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "ERangeError"; }
};

class TComponent;

// Raises EDatabaseError; with a named component the message is "<name>: <message>".
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);

// printf-style formatting for the message texts below ("%s", "%d" and "%g" only).
std::string FormatMessage(const char* format, std::initializer_list<std::string> args);

namespace dbtext {
inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SFieldRequired = "Field '%s' must have a value";
inline constexpr const char* SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* SInvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* SFieldRangeError = "%g is not a valid value for field '%s'. The allowed range is %g to %g";
inline constexpr const char* SInvalidDate = "'%s' is not a valid date";
inline constexpr const char* SInvalidDateTime = "'%s' is not a valid date and time";
inline constexpr const char* SRecordNotFound = "Record not found";
inline constexpr const char* SBookmarkNotFound = "Bookmark not found";
inline constexpr const char* SCircularDataLink = "Circular datalinks are not allowed";
}  // namespace dbtext
