// Builds the engine's messages from code, location and information, and raises them.
#include "dbf/error_report.h"

#include "platform/error_codes.h"

#include <utility>

#include "dbf/constants.h"

namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kTexts[] = {
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {12, "Invalid file access code"},
    {15, "Invalid drive number"},
    {32, "File access denied"},
    {33, "Record locked by another user"},
    {100, "Disk read error"},
    {101, "Disk write error"},
    {102, "File not assigned"},
    {103, "File not open"},
    {104, "File not open for input"},
    {105, "File not open for output"},
    {106, "Invalid numeric format"},
    {150, "Disk is write-protected"},
    {152, "Drive not ready"},
    {162, "Hardware failure"},
    {183, "File already exists"},
    {222, "Not a regular file"},
    {1001, "dBase DBF file header invalid"},
    {1002, "dBase record request beyond EOF"},
    {1003, "dBase field name is invalid"},
    {1004, "dBase field is of incorrect type"},
    {1005, "dBase memo record has format error"},
    {1006, "Formula expression cannot be translated"},
    {1011, "Number too large to fit in field"},
    {1012, "Table file was replaced or removed by another program, open it again"},
    {1013, "Table file has more than one name (hard links), a new copy would part them"},
    {1269, "A Password is included for unencrypted file %s"},
    {1270, "No Password for encrypted file %s"},
    {1271, "Invalid Password for encrypted file s%"},
};

}  // namespace

EXbaseError::EXbaseError(int code, int location, std::string information)
    : Exception(xb::errorMessage(code, location, information)),
      m_code(code),
      m_location(location),
      m_information(std::move(information)) {}

EXbaseError::EXbaseError(const EXbaseError& cause, const std::string& aftermath)
    : Exception(cause.Message() + "\r" + aftermath),
      m_code(cause.m_code),
      m_location(cause.m_location),
      m_information(cause.m_information) {}

namespace xb {

const char* errorText(int code) {
    for (const auto& entry : kTexts) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

std::string errorMessage(int code, int location, const std::string& information) {
    if (const char* text = errorText(code)) return std::string(text) + " - " + information;
    std::string message = "Xbase Error " + std::to_string(code);
    if (location != loc::kNone) message += ", SubCode " + std::to_string(location);
    message += ".\r";
    if (!information.empty()) message += " " + information + ">" + std::to_string(location);
    return message;
}

void raiseError(int code, int location, const std::string& information) {
    throw EXbaseError(code, location, information);
}

const char* systemReason(int code) { return platform::systemReason(static_cast<std::uint32_t>(code)); }

}  // namespace xb
