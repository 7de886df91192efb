// Numbers and dates to and from text, written by hand or through std::to_chars and
// std::from_chars, so that neither the process locale nor the C library's printf decide how a
// number looks; and civil dates as TDateTime day numbers.
#include "toolkit/conversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/exception.h"
#include "platform/locale_info.h"
#include "toolkit/database_error.h"

using namespace conversions;

namespace {

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr double kMillisecondsPerDay = 86400000.0;
// TDateTime of 1970-01-01, the origin of the day count below.
constexpr std::int64_t kUnixEpochDay = 25569;
// The days of 0001-01-01 and 9999-12-31, the calendar's ends.
constexpr std::int64_t kFirstDay = -693593;
constexpr std::int64_t kLastDay = 2958465;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Howard Hinnant's day count of the proleptic Gregorian calendar, from 1970-01-01.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const auto m = static_cast<unsigned>(month);
    const unsigned dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + static_cast<unsigned>(day) - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0));
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (month == 2 && isLeapYear(year)) ? 29 : kDays[month - 1];
}

void appendPadded(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

// The order in which day, month and year stand in the date format; day-month-year when the
// format does not name all three.
struct DateOrder {
    int day = 0, month = 1, year = 2;
};

DateOrder dateOrderOf(const std::string& format) {
    std::size_t positions[3];
    const char letters[3] = {'d', 'm', 'y'};
    for (int k = 0; k < 3; ++k) {
        positions[k] = std::string::npos;
        for (std::size_t i = 0; i < format.size(); ++i)
            if (lowerAscii(format[i]) == letters[k]) {
                positions[k] = i;
                break;
            }
        if (positions[k] == std::string::npos) return {};
    }
    DateOrder order;
    auto rank = [&](int k) {
        int r = 0;
        for (int other = 0; other < 3; ++other)
            if (positions[other] < positions[k]) ++r;
        return r;
    };
    order.day = rank(0);
    order.month = rank(1);
    order.year = rank(2);
    return order;
}

// Reads up to `maxDigits` decimal digits at text[pos]; false when there is none.
bool readNumber(std::string_view text, std::size_t& pos, int maxDigits, int& value, int& count) {
    value = 0;
    count = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        if (count == maxDigits) return false;
        value = value * 10 + (text[pos] - '0');
        ++count;
        ++pos;
    }
    return count > 0;
}

constexpr const char* kNotAnInteger = "'%s' is not a valid integer value";
constexpr const char* kNotAReal = "'%s' is not a valid floating point value";
constexpr const char* kNotABoolean = "'%s' is not a valid boolean value";

}  // namespace

namespace conversions {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// An optional sign followed by decimal digits only; false when anything else is there or the
// number does not fit in 64 bits.
bool parseInteger(std::string_view text, std::int64_t& result) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    // Accumulating towards the negative end reaches the 64-bit minimum as well.
    std::int64_t value = 0;
    for (char c : text) {
        const int digit = c - '0';
        if (value < (std::numeric_limits<std::int64_t>::min() + digit) / 10) return false;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<std::int64_t>::min()) return false;
        value = -value;
    }
    result = value;
    return true;
}

// Sign, digits with at most one '.', and an exponent: what the user may type as a real. The
// C library's strtod would also take hexadecimal, "inf" and the locale's decimal separator.
bool parseReal(std::string_view text, double& result) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t mantissaStart = i;
    bool digits = false;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            digits = true;
        }
    }
    if (!digits) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (i >= text.size() || !isDigit(text[i])) return false;
        while (i < text.size() && isDigit(text[i])) ++i;
    }
    if (i != text.size()) return false;
    // from_chars takes no '+' in front; the sign is put back afterwards.
    const bool negative = text.front() == '-';
    const std::string_view body = text.substr(mantissaStart);
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (error != std::errc() || end != body.data() + body.size()) return false;
    result = negative ? -value : value;
    return true;
}

// The class library's general format: shortest of fixed and scientific notation with at most
// `precision` significant digits. Scientific notation is taken when the integer part would need
// more than `precision` digits or the magnitude is below 1E-4 ("0.0001" but "1E-5"); its
// exponent carries no '+' and no leading zeros ("1E20", "1.5E-7").
std::string formatGeneral(double value, int precision) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0.0) return "0";
    if (precision < 1) precision = 1;
    if (precision > 18) precision = 18;

    char buffer[64];
    const auto converted =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(converted.ptr - buffer));
    // text is "[-]d[.ddd]e[+-]xx"
    const bool negative = text.front() == '-';
    const std::size_t ePos = text.find('e');
    std::string digits;
    for (char c : text.substr(negative ? 1 : 0, ePos - (negative ? 1 : 0)))
        if (isDigit(c)) digits.push_back(c);
    int exponent = 0;
    {
        std::string_view expText = text.substr(ePos + 1);
        if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
        std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string result = negative ? "-" : "";
    // Digits left of the decimal point when written as 0.ddd x 10^pointPos.
    const int pointPos = exponent + 1;
    if (pointPos > precision || pointPos < -3) {
        result.push_back(digits.front());
        if (digits.size() > 1) {
            result.push_back('.');
            result.append(digits, 1, std::string::npos);
        }
        result.push_back('E');
        result += std::to_string(exponent);
    } else if (pointPos <= 0) {
        result += "0.";
        result.append(static_cast<std::size_t>(-pointPos), '0');
        result += digits;
    } else if (static_cast<std::size_t>(pointPos) >= digits.size()) {
        result += digits;
        result.append(static_cast<std::size_t>(pointPos) - digits.size(), '0');
    } else {
        result.append(digits, 0, static_cast<std::size_t>(pointPos));
        result.push_back('.');
        result.append(digits, static_cast<std::size_t>(pointPos), std::string::npos);
    }
    return result;
}

// The time of day of a TDateTime in whole milliseconds. Before 1899-12-30 the day counts
// backwards but the fraction still runs forward through the day, as in the class library.
std::int64_t timeOfDayMs(TDateTime value) {
    double fraction = std::fabs(value - std::trunc(value));
    auto ms = static_cast<std::int64_t>(std::llround(fraction * kMillisecondsPerDay));
    if (ms >= static_cast<std::int64_t>(kMillisecondsPerDay)) ms = static_cast<std::int64_t>(kMillisecondsPerDay) - 1;
    return ms;
}

// Writes a date in the class library's date notation: d/dd day, M/MM month (m is taken as
// well), yy/yyyy year; every other character stands for itself.
std::string formatDate(TDateTime value, const std::string& format) {
    int year = 0, month = 0, day = 0;
    DecodeDate(value, year, month, day);
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        const char letter = lowerAscii(format[i]);
        std::size_t run = 1;
        while (i + run < format.size() && lowerAscii(format[i + run]) == letter) ++run;
        if (letter == 'd') {
            appendPadded(out, day, run >= 2 ? 2 : 1);
        } else if (letter == 'm') {
            appendPadded(out, month, run >= 2 ? 2 : 1);
        } else if (letter == 'y') {
            if (run <= 2)
                appendPadded(out, year % 100, 2);
            else
                appendPadded(out, year, 4);
        } else {
            out.append(format, i, run);
        }
        i += run;
    }
    return out;
}

std::string formatTime(TDateTime value) {
    const std::int64_t ms = timeOfDayMs(value);
    const auto seconds = static_cast<int>(ms / 1000);
    std::string out;
    appendPadded(out, seconds / 3600, 2);
    out.push_back(':');
    appendPadded(out, seconds / 60 % 60, 2);
    out.push_back(':');
    appendPadded(out, seconds % 60, 2);
    return out;
}

// A date typed in the order of the short date format: three numbers with any non-digit
// characters between them. A year of one or two digits lies in 1950..2049, a fixed window
// rather than one that moves with the clock, so the same text always gives the same date.
// With `allowTime` a time of day "h:mm" or "h:mm:ss" may follow after blanks.
bool parseDateTime(std::string_view text, bool allowTime, TDateTime& result) {
    text = trimmed(text);
    const DateOrder order = dateOrderOf(platform::shortDateFormat());
    int parts[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    std::size_t pos = 0;
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            const std::size_t separatorStart = pos;
            while (pos < text.size() && !isDigit(text[pos])) ++pos;
            if (pos == separatorStart) return false;
        }
        if (!readNumber(text, pos, 4, parts[k], lengths[k])) return false;
    }
    int year = parts[order.year];
    const int month = parts[order.month];
    const int day = parts[order.day];
    if (lengths[order.year] <= 2) year += year < 50 ? 2000 : 1900;
    TDateTime date = 0.0;
    if (!TryEncodeDate(year, month, day, date)) return false;

    double time = 0.0;
    if (pos < text.size()) {
        if (!allowTime || !isBlank(text[pos])) return false;
        while (pos < text.size() && isBlank(text[pos])) ++pos;
        int hour = 0, minute = 0, second = 0, count = 0;
        if (!readNumber(text, pos, 2, hour, count) || pos >= text.size() || text[pos] != ':') return false;
        ++pos;
        if (!readNumber(text, pos, 2, minute, count)) return false;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            if (!readNumber(text, pos, 2, second, count)) return false;
        }
        if (pos != text.size() || hour > 23 || minute > 59 || second > 59) return false;
        time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    }
    result = date < 0 ? date - time : date + time;
    return true;
}

[[noreturn]] void convertError(const char* format, const std::string& text) {
    throw EConvertError(FormatMessage(format, {text}));
}

std::int32_t textToInt32(const std::string& text) {
    std::int64_t value = 0;
    if (!parseInteger(trimmed(text), value) || value < kInt32Min || value > kInt32Max)
        convertError(kNotAnInteger, text);
    return static_cast<std::int32_t>(value);
}

double textToReal(const std::string& text) {
    double value = 0.0;
    if (!parseReal(trimmed(text), value)) convertError(kNotAReal, text);
    return value;
}

// The first letter decides, as the class library reads a logical from text.
bool textToBoolean(const std::string& text) {
    if (text.empty()) return false;
    switch (text.front()) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return true;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return false;
        default:
            convertError(kNotABoolean, text);
    }
}

}  // namespace conversions

// --- free functions ---------------------------------------------------------------------------

double RoundHalfEvenLarge(double value) {
    if (!std::isfinite(value) || std::abs(value) >= 4503599627370496.0) return value;  // 2^52 on: all whole
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5) return lower;
    if (fraction > 0.5) return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::string FormatG(double value) { return formatGeneral(value, 15); }

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
    date = static_cast<TDateTime>(daysFromCivil(year, month, day) + kUnixEpochDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime date = 0.0;
    if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
    return date;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
    year = month = day = 0;
    if (!std::isfinite(date)) return;
    const double whole = std::trunc(date);
    if (whole < static_cast<double>(kFirstDay) || whole > static_cast<double>(kLastDay)) return;
    civilFromDays(static_cast<std::int64_t>(whole) - kUnixEpochDay, year, month, day);
}
