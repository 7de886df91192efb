// XBO_dBaseFld, the field layer of a table: field lookup, the getters that decode a field of the
// record buffer in use, and the setters that change it (raw, typed, blank, delete and recall).
#include <cmath>
#include <cstring>
#include <string_view>

#include "dbf/dbf_date.h"
#include "dbf/dbf_table.h"
#include "dbf/error_report.h"
#include "dbf/text_numbers.h"

namespace {

bool isLogicalTrue(const std::string& text) {
    return !text.empty() && std::string_view("TtYyJj").find(text) != std::string_view::npos;
}

// The common case, decoded in place: up to 18 digits, which a long double holds exactly.
bool wholeNumberIn(const std::uint8_t* bytes, std::uint32_t length, long double& value) {
    xb::WholeText text;
    if (!xb::decodeWholeText(bytes, length, 18, text)) return false;
    // "-0" keeps its sign, as the full conversion gives it.
    value = text.negative ? -static_cast<long double>(text.digits) : static_cast<long double>(text.digits);
    return true;
}

std::int32_t readSigned32(const std::uint8_t* p) { return static_cast<std::int32_t>(xb::readLe32(p)); }

// Four blanks stand for a missing part of a stored date-time.
bool fourBlanks(const std::uint8_t* p) { return std::memcmp(p, "    ", 4) == 0; }

}  // namespace

XBO_dBaseFld::XBO_dBaseFld(const std::string& name, const std::string& key, bool readWrite, bool shared)
    : XBO_dBaseDBF(name, key, readWrite, shared) {
    // Offsets and numbers were filled in as the descriptors were read.
    clearChangedMarks();
}

const TxbFieldDescriptor* XBO_dBaseFld::field(int number) const {
    if (number < 1 || number > fieldCount()) return nullptr;
    return &m_fields[static_cast<std::size_t>(number - 1)];
}

int XBO_dBaseFld::fieldNumber(const std::string& name) {
    const std::string wanted = xb::trimRight(name);
    for (const TxbFieldDescriptor& descriptor : m_fields) {
        if (xb::sameFieldName(descriptor.name(), wanted)) return descriptor.number();
    }
    reportError(xb::err::kFieldName, xb::loc::kFieldLookup, path() + "->" + name);
}

const TxbFieldDescriptor& XBO_dBaseFld::findField(const std::string& name) { return *field(fieldNumber(name)); }

int XBO_dBaseFld::fieldDecimals(int number) const {
    const TxbFieldDescriptor* f = field(number);
    return f ? f->decimals() : 0;
}

std::uint32_t XBO_dBaseFld::fieldLength(int number) const {
    const TxbFieldDescriptor* f = field(number);
    return f ? f->length() : 0;
}

std::uint32_t XBO_dBaseFld::fieldOffset(int number) const {
    const TxbFieldDescriptor* f = field(number);
    return f ? f->offset() : 0;
}

std::string XBO_dBaseFld::fieldName(int number) const {
    const TxbFieldDescriptor* f = field(number);
    return f ? f->name() : std::string();
}

char XBO_dBaseFld::fieldType(int number) const {
    const TxbFieldDescriptor* f = field(number);
    return f ? f->type() : '\0';
}

bool XBO_dBaseFld::isBinary(char type) const {
    if (version() != xb::ver::kVersion30) return false;
    return type == 'B' || type == 'G' || type == 'I' || type == 'M' || type == 'T' || type == 'Y';
}

void XBO_dBaseFld::checkType(const std::string& name, char expected) {
    const char type = findField(name).type();
    bool passes = type == expected;
    if (expected == 'N') passes = passes || type == 'B' || type == 'F' || type == 'G' || type == 'I' || type == 'M';
    if (expected == 'G') passes = passes || type == 'B' || type == 'M';
    if (!passes) reportError(xb::err::kFieldType, xb::loc::kTypeCheck, name);
}

std::string XBO_dBaseFld::getText(int number) const {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return std::string();
    const char* start = reinterpret_cast<const char*>(m_buffer) + f->offset();
    const std::size_t length = strnlen(start, f->length());
    return std::string(start, length);
}

std::string XBO_dBaseFld::getText(const std::string& name) { return getText(fieldNumber(name)); }

long double XBO_dBaseFld::getNumber(int number) const {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return 0;
    const char type = f->type();
    if (isBinary(type)) {
        const std::uint8_t* p = m_buffer + f->offset();
        const std::uint32_t length = f->length();
        switch (type) {
            case 'B': {
                if (length < 8) return 0;
                double value = 0;
                std::memcpy(&value, p, sizeof value);
                return value;
            }
            case 'T': {
                if (length < 8) return 0;
                const long double day = fourBlanks(p) ? 2415019 : readSigned32(p);
                const long double ms = fourBlanks(p + 4) ? 0 : readSigned32(p + 4);
                return (day - 1721425) * 86400000.0L + ms;
            }
            case 'Y': {
                if (length < 8) return 0;
                const long double low = readSigned32(p);
                const long double high = readSigned32(p + 4);
                return (high * 65536.0L * 65536.0L + low) / 10000.0L;
            }
            default:
                if (length < 4) return 0;
                return readSigned32(p);
        }
    }
    // Draw tables hold whole numbers: read those straight from the record, without copies.
    if (long double whole = 0; wholeNumberIn(m_buffer + f->offset(), f->length(), whole)) return whole;
    std::string text = xb::trimRight(getText(number));
    if (text.size() > 31) text.resize(31);
    if (text.empty()) return 0;
    long double value = 0;
    if (!xb::parseDecimal(text, value)) {
        const_cast<XBO_dBaseFld*>(this)->reportError(
            xb::err::kFieldType, xb::loc::kNone,
            "Invalid number in field " + tableName() + "->" + f->name() + " (" + text + ")");
    }
    return value;
}

long double XBO_dBaseFld::getNumber(const std::string& name) {
    checkType(name, 'N');
    return getNumber(fieldNumber(name));
}

bool XBO_dBaseFld::getLogical(int number) const {
    if (!field(number)) return false;
    return isLogicalTrue(getText(number));
}

bool XBO_dBaseFld::getLogical(const std::string& name) {
    checkType(name, 'L');
    return getLogical(fieldNumber(name));
}

std::int32_t XBO_dBaseFld::getDate(int number) const {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return 0;
    const std::string text = getText(number);
    try {
        return TxbDBFDate::instance().fromText(text);
    } catch (const EConvertError&) {
        const_cast<XBO_dBaseFld*>(this)->reportError(
            xb::err::kFieldType, xb::loc::kNone,
            "Invalid date in field " + tableName() + "->" + f->name() + " (" + text + ")");
    }
}

std::int32_t XBO_dBaseFld::getDate(const std::string& name) {
    checkType(name, 'D');
    return getDate(fieldNumber(name));
}

std::string XBO_dBaseFld::getDisplayText(int number) const {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return std::string();
    const std::string text = xb::trimRight(getText(number));
    switch (f->type()) {
        case 'N':
        case 'F': {
            std::string shown = xb::trimLeft(text);
            if (shown.empty()) shown = xb::trimLeft(xb::formatFixed(0, static_cast<int>(f->length()), f->decimals()));
            return shown;
        }
        case 'D':
            // An unreadable date lets the conversion error through unchanged.
            return TxbDBFDate::instance().toDisplay(TxbDBFDate::instance().fromText(text));
        case 'L':
            return isLogicalTrue(text) ? "T" : "F";
        case 'M': {
            std::string shown;
            if (version() == xb::ver::kVersion30) {
                shown = getNumber(number) > 0.1L ? "1" : "0";
            } else {
                shown = xb::trimLeft(text);
            }
            return shown > "0" ? "---MEMO---" : "---memo---";
        }
        case 'B':
            return xb::trimLeft(text) > "0" ? "--BINARY--" : "--binary--";
        case 'G':
            return xb::trimLeft(text) > "0" ? "-GENERAL--" : "-general--";
        default:
            return text;
    }
}

std::string XBO_dBaseFld::getDisplayText(const std::string& name) { return getDisplayText(fieldNumber(name)); }

bool XBO_dBaseFld::putText(int number, const std::string& text) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    std::uint8_t* start = m_buffer + f->offset();
    const std::size_t length = f->length();
    std::memset(start, ' ', length);
    if (!text.empty()) {
        const std::size_t n = std::min(text.size(), length);
        const char type = f->type();
        if (type == 'C' || type == 'D' || type == 'L') {
            std::memcpy(start, text.data(), n);
        } else {
            std::memcpy(start + length - n, text.data(), n);
        }
    }
    m_changed[static_cast<std::size_t>(number)] = 1;
    statusEvent(xb::ev::kFieldPut, number);
    return true;
}

bool XBO_dBaseFld::putText(const std::string& name, const std::string& text) {
    return putText(fieldNumber(name), text);
}

std::string XBO_dBaseFld::numberText(const TxbFieldDescriptor& f, double value) const {
    return xb::formatFixed(value, static_cast<int>(f.length()), f.decimals());
}

bool XBO_dBaseFld::putNumber(int number, double value) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    const char type = f->type();
    const bool numeric = type == 'B' || type == 'F' || type == 'G' || type == 'M' || type == 'N' ||
                         (version() == xb::ver::kVersion30 && (type == 'I' || type == 'T' || type == 'Y'));
    if (!numeric) reportError(xb::err::kFieldType, xb::loc::kTypeCheck, std::string());
    if (isBinary(type)) {
        std::uint8_t* p = m_buffer + f->offset();
        const std::uint32_t length = f->length();
        const double truncated = std::trunc(value);
        auto store32 = [&](std::uint8_t* at, double v) {
            const double clamped = std::fmax(std::fmin(v, 2147483647.0), -2147483648.0);
            xb::writeLe32(at, static_cast<std::uint32_t>(static_cast<std::int32_t>(clamped)));
        };
        switch (type) {
            case 'B':
                if (length >= 8) std::memcpy(p, &value, sizeof value);
                break;
            case 'T':
                if (length >= 8) {
                    const double day = std::trunc(value / 86400000.0);
                    store32(p, day + 1721425);
                    store32(p + 4, std::trunc(value - day * 86400000.0));
                }
                break;
            case 'Y':
                if (length >= 8) {
                    const double scaled = std::trunc(value * 10000.0);
                    const double clamped = std::fmax(std::fmin(scaled, 9.2e18), -9.2e18);
                    const auto whole = static_cast<std::int64_t>(clamped);
                    const std::int64_t high = whole / (65536LL * 65536LL);
                    const std::int64_t low = whole - high * 65536LL * 65536LL;
                    xb::writeLe32(p, static_cast<std::uint32_t>(low));
                    xb::writeLe32(p + 4, static_cast<std::uint32_t>(high));
                }
                break;
            default:
                if (length >= 4) store32(p, truncated);
        }
        m_changed[static_cast<std::size_t>(number)] = 1;
        return true;
    }
    const std::string text = numberText(*f, value);
    if (text.size() > f->length()) {
        reportError(xb::err::kNumberTooLarge, xb::loc::kPutNumber, f->name() + " - " + text);
    }
    return putText(number, text);
}

bool XBO_dBaseFld::putNumber(const std::string& name, double value) {
    checkType(name, 'N');
    return putNumber(fieldNumber(name), value);
}

void XBO_dBaseFld::blankRecord() {
    std::memset(m_buffer, ' ', m_recordLength);
    for (const TxbFieldDescriptor& f : m_fields) {
        const char type = f.type();
        // A number field too narrow to hold "0" (a damaged table) is left blank rather than
        // failing every move past the end of the table.
        const bool fits = isBinary(type) || numberText(f, 0).size() <= f.length();
        if ((type == 'N' || type == 'F' || isBinary(type)) && fits) putNumber(f.number(), 0);
    }
    std::fill(m_changed.begin(), m_changed.end(), 1);
    statusEvent(xb::ev::kBlank, 0);
}

bool XBO_dBaseFld::putValueText(int number, const std::string& text) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    switch (f->type()) {
        case 'D':
            return putDate(number, TxbDBFDate::instance().fromText(text));
        case 'L': {
            const char c = text.empty() ? 'F' : text[0];
            bool flag = false;
            if (std::string_view("TtYyJj").find(c) != std::string_view::npos) {
                flag = true;
            } else if (std::string_view("FfNn").find(c) != std::string_view::npos) {
                flag = false;
            } else {
                long double value = 0;
                if (!xb::parseDecimal(text, value)) reportError(xb::err::kFieldType, xb::loc::kPutLogical, f->name());
                flag = std::trunc(value) != 0;
            }
            return putLogical(number, flag);
        }
        case 'N': {
            std::string trimmed = xb::trimRight(text);
            if (trimmed.size() > 32) trimmed.resize(32);
            long double value = 0;
            if (!trimmed.empty() && !xb::parseDecimal(trimmed, value)) {
                reportError(xb::err::kFieldType, xb::loc::kPutNumber, std::string());
            }
            return putNumber(number, static_cast<double>(value));
        }
        default:
            return putText(number, text);
    }
}

bool XBO_dBaseFld::putValueText(const std::string& name, const std::string& text) {
    return putValueText(fieldNumber(name), text);
}

bool XBO_dBaseFld::putLogical(int number, bool flag) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    if (f->type() != 'L') reportError(xb::err::kFieldType, xb::loc::kTypeCheck, std::string());
    return putText(number, flag ? "T" : "F");
}

bool XBO_dBaseFld::putLogical(const std::string& name, bool flag) {
    checkType(name, 'L');
    return putLogical(fieldNumber(name), flag);
}

bool XBO_dBaseFld::putDate(int number, std::int32_t julian) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    if (julian == -1) reportError(xb::err::kFieldType, xb::loc::kPutDate, std::string());
    if (f->type() != 'D') return false;
    return putText(number, TxbDBFDate::toStored(julian));
}

bool XBO_dBaseFld::putDate(const std::string& name, std::int32_t julian) {
    checkType(name, 'D');
    return putDate(fieldNumber(name), julian);
}

void XBO_dBaseFld::deleteCurrentRecord() {
    m_buffer[0] = xb::kDeletedFlag;
    m_changed[0] = 1;
    replaceRecord(m_currentRecord);
}

void XBO_dBaseFld::recallCurrentRecord() {
    m_buffer[0] = xb::kLiveFlag;
    m_changed[0] = 1;
    replaceRecord(m_currentRecord);
}
