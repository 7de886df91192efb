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
// UTF-8 in the program's ANSI code page (characters it lacks become '?'), and a table's stored
// text (the DOS code page of its character fields) to and from UTF-8.
std::string utf8ToText(std::string_view text);
// One character appended to UTF-8 text.
void appendUtf8(std::string& out, char32_t codePoint);
std::string storedTextToUtf8(std::string stored);
std::string utf8ToStoredText(std::string_view text);

// The standard decimal conversion: leading blanks, optional sign, digits, optional "." and
// fraction, optional exponent ("E" or "e", optional sign, digits); nothing may follow.
// Independent of the locale.
bool parseDecimal(std::string_view text, long double& value);

// `value` in fixed notation with `decimals` digits after the point, right-aligned in `width`
// characters (wider when it does not fit), "." as the point, no separators.
std::string formatFixed(long double value, int width, int decimals);

// The common text of a numeric field, read in place: blanks around an optionally signed run of at
// most `maxDigits` digits, or blanks alone (0), ending at `length` or at the first zero byte.
// Anything else (decimals, an exponent, garbage, a field wider than the 31 characters the standard
// conversion reads) gives false and is left to that conversion, whose value this one always
// agrees with.
struct WholeText {
    bool negative = false;
    long long digits = 0;
};
inline bool decodeWholeText(const std::uint8_t* bytes, std::uint32_t length, int maxDigits, WholeText& text) {
    if (length > 31) return false;
    std::uint32_t i = 0;
    auto end = [&](std::uint32_t k) { return k >= length || bytes[k] == 0; };
    while (!end(i) && bytes[i] == ' ') ++i;
    if (end(i)) {
        text = WholeText{};
        return true;
    }
    bool negative = false;
    if (bytes[i] == '-' || bytes[i] == '+') negative = bytes[i++] == '-';
    long long digits = 0;
    int count = 0;
    while (!end(i) && static_cast<unsigned>(bytes[i] - '0') < 10u) {
        if (++count > maxDigits) return false;
        digits = digits * 10 + (bytes[i++] - '0');
    }
    if (count == 0) return false;  // a sign alone is no number
    while (!end(i) && bytes[i] == ' ') ++i;
    if (!end(i)) return false;
    text = WholeText{negative, digits};
    return true;
}

// decodeWholeText of at most nine digits, as a whole number.
inline bool decodeSmallWhole(const std::uint8_t* bytes, std::uint32_t length, std::int32_t& value) {
    WholeText text;
    if (!decodeWholeText(bytes, length, 9, text)) return false;
    value = static_cast<std::int32_t>(text.negative ? -text.digits : text.digits);
    return true;
}

// A value as one byte when it lies in 1..largest, 0 otherwise: how a caller that wants small
// positive numbers only (the draws' numbers) takes whole numbers.
inline std::uint8_t byteInRange(std::int64_t value, std::uint8_t largest) {
    return value >= 1 && value <= largest ? static_cast<std::uint8_t>(value) : std::uint8_t{0};
}

// Reads rows of two-byte numeric fields side by side (`count` of them), sixteen bytes at a time,
// when every field holds what the draw tables hold: a digit after a blank, two digits, or blanks
// (0). Made once for a long run of rows, so that its constants stay in registers.
class TwoByteFieldReader {
public:
    TwoByteFieldReader(std::size_t count, std::uint8_t largest)
        : m_count(count),
          m_lastRunMask(((count - 1) % 8 + 1) * 2 == 16 ? 0xFFFF : (1 << (((count - 1) % 8 + 1) * 2)) - 1) {
#if defined(__SSE2__)
        m_largest = _mm_set1_epi8(static_cast<char>(largest));
#else
        (void)largest;
#endif
    }

    // The fields at `bytes` into `cells`, each as byteInRange gives it; false, with `cells` of no
    // meaning, for any other text. The values always agree with decodeSmallWhole. Sixteen
    // bytes must be readable from every eighth field, and eight bytes writable past `count`.
    bool read(const std::uint8_t* bytes, std::uint8_t* cells) const {
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        for (std::size_t c = 0; c < m_count; c += 8) {
            // Each 16-bit lane holds one field: the tens character low, the units character high.
            const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * c));
            // A character less '0' is a digit when, unsigned, it does not exceed 9.
            const __m128i values = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
            const __m128i digit = _mm_cmpeq_epi8(_mm_subs_epu8(values, _mm_set1_epi8(9)), zero);
            const __m128i blank = _mm_cmpeq_epi8(chars, _mm_set1_epi8(' '));
            // Two digits, a blank and a digit, or two blanks: each character a digit or a blank,
            // and no digit before a blank.
            const int wanted = m_count - c > 8 ? 0xFFFF : m_lastRunMask;
            const int taken = _mm_movemask_epi8(_mm_or_si128(digit, blank));
            const int digitThenBlank = _mm_movemask_epi8(_mm_and_si128(_mm_slli_epi16(digit, 8), blank));
            if ((taken & wanted) != wanted || (digitThenBlank & wanted) != 0) return false;
            const __m128i digits = _mm_and_si128(values, digit);  // a blank counts 0
            const __m128i number =
                _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(digits, _mm_set1_epi16(0x00FF)), _mm_set1_epi16(10)),
                              _mm_srli_epi16(digits, 8));
            // 0..99 as bytes; one above the largest saturates the subtraction to more than 0.
            const __m128i small = _mm_packus_epi16(number, zero);
            const __m128i kept = _mm_and_si128(small, _mm_cmpeq_epi8(_mm_subs_epu8(small, m_largest), zero));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(cells + c), kept);
        }
        return true;
#else
        (void)bytes;
        (void)cells;
        return false;
#endif
    }

private:
    std::size_t m_count;
    int m_lastRunMask;  // the movemask bits of the last run's fields
#if defined(__SSE2__)
    __m128i m_largest;  // the largest value kept, in every byte
#endif
};

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
