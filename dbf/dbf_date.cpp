// Julian day numbers to and from stored and displayed date text.
#include "dbf/dbf_date.h"

#include <vector>

#include "dbf/text_numbers.h"
#include "platform/ascii_case.h"
#include "platform/exception.h"
#include "platform/local_time.h"
#include "platform/locale_info.h"

namespace {

bool allDigits(const std::string& text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return !text.empty();
}

int toInt(const std::string& digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

std::string padded(int value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

[[noreturn]] void notADate(const std::string& text) { throw EConvertError("'" + text + "' is not a valid date"); }

}  // namespace

TxbDBFDate& TxbDBFDate::instance() {
    static TxbDBFDate converter;
    return converter;
}

std::int32_t TxbDBFDate::julianDay(int year, int month, int day) {
    // Gregorian calendar, days counted from noon of 4713 BC (Julian calendar).
    const int a = (14 - month) / 12;
    const long long y = static_cast<long long>(year) + 4800 - a;
    const int m = month + 12 * a - 3;
    const long long jdn = day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
    return static_cast<std::int32_t>(jdn);
}

void TxbDBFDate::civilDate(std::int32_t julian, int& year, int& month, int& day) {
    const long long a = static_cast<long long>(julian) + 32044;
    const long long b = (4 * a + 3) / 146097;
    const long long c = a - 146097 * b / 4;
    const long long d = (4 * c + 3) / 1461;
    const long long e = c - 1461 * d / 4;
    const long long m = (5 * e + 2) / 153;
    day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    month = static_cast<int>(m + 3 - 12 * (m / 10));
    year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

bool TxbDBFDate::isValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last;
}

std::int32_t TxbDBFDate::fromText(const std::string& text) const {
    const std::string trimmed = xb::trimRight(text);
    if (trimmed.empty() || trimmed == "00000000") return 0;
    if (trimmed.size() == 8 && allDigits(trimmed)) {
        const int year = toInt(trimmed.substr(0, 4));
        const int month = toInt(trimmed.substr(4, 2));
        const int day = toInt(trimmed.substr(6, 2));
        if (!isValidDate(year, month, day)) return kZeroDate;
        return julianDay(year, month, day);
    }
    return fromShortDate(trimmed);
}

std::string TxbDBFDate::toStored(std::int32_t julian) {
    if (julian <= 0) return std::string(8, ' ');
    int year = 0, month = 0, day = 0;
    civilDate(julian, year, month, day);
    if (year < 0 || year > 9999) return std::string(8, ' ');
    return padded(year, 4) + padded(month, 2) + padded(day, 2);
}

std::string TxbDBFDate::displayFormat() const {
    std::string format = platform::shortDateFormat();
    for (char& c : format) c = platform::upperAscii(c);
    if (m_fourDigitYear && format.find('Y') != std::string::npos) {
        while (format.find("YYYY") == std::string::npos) format.insert(format.find('Y'), 1, 'Y');
    }
    return format;
}

std::string TxbDBFDate::toDisplay(std::int32_t julian) const {
    const std::string format = displayFormat();
    if (julian == 0) return std::string(format.size(), ' ');
    int year = 0, month = 0, day = 0;
    civilDate(julian, year, month, day);
    std::string text;
    for (std::size_t i = 0; i < format.size();) {
        const char c = format[i];
        std::size_t run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        if (c == 'D') {
            text += run >= 2 ? padded(day, 2) : std::to_string(day);
        } else if (c == 'M') {
            text += run >= 2 ? padded(month, 2) : std::to_string(month);
        } else if (c == 'Y') {
            text += run >= 3 ? padded(year, 4) : padded(((year % 100) + 100) % 100, 2);
        } else {
            text.append(run, c);
        }
        i += run;
    }
    return text;
}

std::int32_t TxbDBFDate::fromShortDate(const std::string& text) const {
    // The order of day, month and year follows the format; the parts are numbers separated by
    // any non-digit characters, as the class library reads a short date.
    std::string order;
    for (char c : platform::shortDateFormat()) {
        const char u = platform::upperAscii(c);
        if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos) order += u;
    }
    if (order.size() != 3) order = "DMY";
    std::vector<std::string> parts;
    std::string current;
    const std::string trimmed = xb::trimBlanksAndControls(text);
    for (char c : trimmed) {
        if (c >= '0' && c <= '9') {
            current += c;
        } else {
            if (current.empty()) notADate(text);
            parts.push_back(current);
            current.clear();
            if (parts.size() > 3) notADate(text);
        }
    }
    if (current.empty() || parts.size() > 2) notADate(text);
    parts.push_back(current);
    int day = 0, month = 0, year = 0;
    bool yearGiven = parts.size() == 3;
    std::size_t next = 0;
    for (char part : order) {
        if (part == 'Y' && !yearGiven) continue;
        if (next >= parts.size()) notADate(text);
        const std::string& digits = parts[next++];
        if (digits.size() > 4) notADate(text);
        const int value = toInt(digits);
        if (part == 'D') day = value;
        if (part == 'M') month = value;
        if (part == 'Y') {
            year = value;
            if (digits.size() <= 2) year += platform::localTime().year / 100 * 100;
        }
    }
    if (!yearGiven) year = platform::localTime().year;
    if (!isValidDate(year, month, day)) notADate(text);
    return julianDay(year, month, day);
}
