// How the program's Russian texts write counts, numbers and ranges: the noun agreeing with the
// number before it (1 тираж, 2 тиража, 5 тиражей, 21 тираж), a decimal comma, thousands parted by
// non-breaking spaces. Texts are UTF-8; every character used here exists in code page 1251.
#pragma once

#include <string>
#include <string_view>

namespace russian {

// A non-breaking space, an en dash and an ellipsis, as UTF-8.
inline constexpr std::string_view kNbsp = "\u00A0";
inline constexpr std::string_view kEnDash = "\u2013";
inline constexpr std::string_view kEllipsis = "\u2026";

// The three forms of a noun after a number: one (1, 21, 101), few (2–4, 22–24), many (0, 5–20,
// 11–14, 111).
struct NounForms {
    std::string_view one;
    std::string_view few;
    std::string_view many;
};

// Common nouns of the program's texts.
inline constexpr NounForms kDraws{"тираж", "тиража", "тиражей"};
inline constexpr NounForms kRecords{"запись", "записи", "записей"};
inline constexpr NounForms kNumbers{"номер", "номера", "номеров"};
inline constexpr NounForms kHits{"совпадение", "совпадения", "совпадений"};
inline constexpr NounForms kMethods{"метод", "метода", "методов"};
inline constexpr NounForms kTickets{"билет", "билета", "билетов"};
inline constexpr NounForms kLines{"строка", "строки", "строк"};

// The form of the noun that agrees with `count` (its sign ignored).
std::string_view agreeingForm(long long count, const NounForms& forms);
// A whole number with its digits grouped by three, parted by non-breaking spaces from 10 000 up
// (four-digit numbers stay whole, as Russian typography has it): "1000", "25 000", "−3".
std::string wholeNumber(long long value);
// The number, a non-breaking space and the noun that agrees with it: "5 тиражей", "21 тираж".
std::string counted(long long count, const NounForms& forms);
// A real with `decimals` digits after a decimal comma: decimal(0.0471, 3) is "0,047".
std::string decimal(double value, int decimals);
// A range of whole numbers with an en dash and no spaces: "5–200".
std::string range(long long from, long long to);

}  // namespace russian
