// The text and number rules of the engine, shared by its layers and its users: text trimming,
// names without regard to letter case, table text as UTF-8, the standard decimal conversion in both
// directions, the in-place decoding of small whole numbers, and little-endian integers in byte
// images.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"

namespace xb {

std::string trimRight(std::string_view text);  // trailing blanks
std::string trimLeft(std::string_view text);   // leading blanks
// Blanks and control characters at both ends, as a table name is cleaned before use.
std::string trimBlanksAndControls(std::string_view text);

// Field names, and the other names of a table, match without regard to ASCII letter case, the
// same in every locale.
bool sameFieldName(std::string_view a, std::string_view b);
inline char upperAscii(char c) { return platform::upperAscii(c); }

// Table text (the program's ANSI code page) as UTF-8, for output outside the program's windows.
std::string textToUtf8(std::string_view text);

// The standard decimal conversion: leading blanks, optional sign, digits, optional "." and
// fraction, optional exponent ("E" or "e", optional sign, digits); nothing may follow.
// Independent of the locale.
bool parseDecimal(std::string_view text, long double& value);

// `value` in fixed notation with `decimals` digits after the point, right-aligned in `width`
// characters (wider when it does not fit), "." as the point, no separators.
std::string formatFixed(long double value, int width, int decimals);

// The common text of a numeric field, read in place: blanks around an optionally signed run of at
// most nine digits, or blanks alone (0), ending at `length` or at the first zero byte. Anything
// else (decimals, an exponent, garbage, a field wider than the 31 characters the standard
// conversion reads) gives false and is left to that conversion, whose value this one always
// agrees with.
inline bool decodeSmallWhole(const std::uint8_t* bytes, std::uint32_t length, std::int32_t& value) {
    if (length > 31) return false;
    std::uint32_t i = 0;
    while (i < length && bytes[i] == ' ') ++i;
    if (i == length || bytes[i] == 0) {
        value = 0;
        return true;
    }
    bool negative = false;
    if (bytes[i] == '-' || bytes[i] == '+') negative = bytes[i++] == '-';
    std::int32_t digits = 0;
    int count = 0;
    while (i < length && static_cast<unsigned>(bytes[i] - '0') < 10u) {
        if (++count > 9) return false;
        digits = digits * 10 + (bytes[i++] - '0');
    }
    if (count == 0) return false;
    while (i < length && bytes[i] == ' ') ++i;
    if (i < length && bytes[i] != 0) return false;
    value = negative ? -digits : digits;
    return true;
}

// decodeSmallWhole of every two-byte field text, by the bytes' little-endian value:
// kNoSmallWhole where it gives false. Two-byte numeric fields are what the draw tables hold.
inline constexpr std::int16_t kNoSmallWhole = INT16_MIN;
const std::int16_t* twoByteWholeNumbers();

// Up to eight two-byte numeric fields side by side (`count` of them; 16 bytes must be readable),
// decoded at once when every one holds what the draw tables hold: a digit after a blank, two
// digits, or blanks (0). Gives false, with `values` unset, for any other text; the values always
// agree with twoByteWholeNumbers. Eight values are written whatever `count` (room for them is the
// caller's), those past `count` of no meaning.
inline bool decodeTwoByteRun(const std::uint8_t* bytes, std::size_t count, std::int32_t* values) {
#if defined(__SSE2__)
    // Each 16-bit lane holds one field: the tens character low, the units character high.
    const __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i tensChar = _mm_and_si128(lanes, _mm_set1_epi16(0x00FF));
    const __m128i unitsChar = _mm_srli_epi16(lanes, 8);
    const __m128i ten = _mm_set1_epi16(10);
    const __m128i tens = _mm_sub_epi16(tensChar, _mm_set1_epi16('0'));
    const __m128i units = _mm_sub_epi16(unitsChar, _mm_set1_epi16('0'));
    const __m128i tensDigit = _mm_and_si128(_mm_cmplt_epi16(tens, ten), _mm_cmpgt_epi16(tens, _mm_set1_epi16(-1)));
    const __m128i unitsDigit = _mm_and_si128(_mm_cmplt_epi16(units, ten), _mm_cmpgt_epi16(units, _mm_set1_epi16(-1)));
    const __m128i tensBlank = _mm_cmpeq_epi16(tensChar, _mm_set1_epi16(' '));
    const __m128i unitsBlank = _mm_cmpeq_epi16(unitsChar, _mm_set1_epi16(' '));
    const __m128i taken = _mm_or_si128(_mm_and_si128(unitsDigit, _mm_or_si128(tensDigit, tensBlank)),
                                       _mm_and_si128(tensBlank, unitsBlank));
    const int wanted = (1 << (2 * count)) - 1;
    if ((_mm_movemask_epi8(taken) & wanted) != wanted) return false;
    const __m128i number =
        _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(tens, tensDigit), ten), _mm_and_si128(units, unitsDigit));
    // Eight values are stored whatever `count`: the caller has room for them.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values), _mm_unpacklo_epi16(number, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values + 4), _mm_unpackhi_epi16(number, _mm_setzero_si128()));
    return true;
#else
    (void)bytes;
    (void)count;
    (void)values;
    return false;
#endif
}

inline std::uint16_t readLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t readLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void writeLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void writeLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace xb
