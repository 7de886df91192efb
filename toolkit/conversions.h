// Numbers and dates to and from text as the class library writes and reads them, independent of
// the process locale, and civil dates as TDateTime day numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "toolkit/db_types.h"

// Rounds values of 2^51 and more in size, infinities and NaN as RoundHalfEven does.
double RoundHalfEvenLarge(double value);

// Rounds to the nearest integer, halves to the even neighbour. Inline, as the analyses round many
// small quotients: below 2^51 in size, adding and taking away 1.5 * 2^52 leaves no bits below the
// units, and the addition rounds as the floating-point unit does by default, to the nearest with
// halves to the even neighbour.
inline double RoundHalfEven(double value) {
    constexpr double kUnitsOnly = 6755399441055744.0;
    if (value > -kUnitsOnly / 3 && value < kUnitsOnly / 3)
        return value == 0 ? value : (value + kUnitsOnly) - kUnitsOnly;
    return RoundHalfEvenLarge(value);
}
// A real written as the class library's "%g" does: up to 15 significant digits, no padding.
std::string FormatG(double value);

// Civil dates of the proleptic Gregorian calendar as TDateTime day numbers (1899-12-30 is 0),
// years 1 to 9999. EncodeDate raises EConvertError for a day that does not exist.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
TDateTime EncodeDate(int year, int month, int day);
// The day of a TDateTime, its time of day ignored; all three are 0 outside years 1 to 9999.
void DecodeDate(TDateTime date, int& year, int& month, int& day);

// The pieces the field classes build their text rules from.
namespace conversions {

bool isDigit(char c);
// Without the ASCII blanks at either end.
std::string_view trimmed(std::string_view text);
using platform::lowerAscii;
// An optional sign followed by decimal digits only; false when anything else is there or the
// number does not fit in 64 bits.
bool parseInteger(std::string_view text, std::int64_t& result);
// A decimal real with optional sign, point and exponent; false for anything else.
bool parseReal(std::string_view text, double& result);
// The class library's general format with at most `precision` significant digits.
std::string formatGeneral(double value, int precision);
// The time of day of a TDateTime in whole milliseconds.
std::int64_t timeOfDayMs(TDateTime value);
// A date in the class library's date notation ("dd.MM.yyyy" and the like).
std::string formatDate(TDateTime value, const std::string& format);
// A time of day as "hh:mm:ss".
std::string formatTime(TDateTime value);
// A date typed in the order of the short date format, with a time of day after it if
// `allowTime`; false for text that is no date.
bool parseDateTime(std::string_view text, bool allowTime, TDateTime& result);
// Raises EConvertError with `text` put into `format`.
[[noreturn]] void convertError(const char* format, const std::string& text);
// Text to a value as the As... accessors read it; EConvertError for text that is none.
std::int32_t textToInt32(const std::string& text);
double textToReal(const std::string& text);
bool textToBoolean(const std::string& text);

}  // namespace conversions
