// Text and number rules of the engine.
#include "dbf/text_numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/code_page.h"

namespace xb {

bool sameFieldName(std::string_view a, std::string_view b) { return platform::sameAsciiIgnoringCase(a, b); }

std::string textToUtf8(std::string_view text) { return platform::ansiToUtf8(text); }

std::string utf8ToText(std::string_view text) { return platform::utf8ToAnsi(text); }

void appendUtf8(std::string& out, char32_t codePoint) { platform::appendUtf8(out, codePoint); }

std::string storedTextToUtf8(std::string stored) {
    platform::oemToAnsi(stored);
    return platform::ansiToUtf8(stored);
}

std::string utf8ToStoredText(std::string_view text) {
    std::string stored = platform::utf8ToAnsi(text);
    platform::ansiToOem(stored);
    return stored;
}

std::string trimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    return std::string(text.substr(0, end));
}

std::string trimLeft(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return std::string(text.substr(start));
}

std::string trimBlanksAndControls(std::string_view text) {
    auto blankOrControl = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && blankOrControl(text[start])) ++start;
    while (end > start && blankOrControl(text[end - 1])) --end;
    return std::string(text.substr(start, end - start));
}

bool parseDecimal(std::string_view text, long double& value) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    auto isDigit = [&](std::size_t k) { return k < n && text[k] >= '0' && text[k] <= '9'; };
    long double mantissa = 0;
    int exponent = 0;
    bool anyDigit = false;
    // Digits are gathered exactly as far as long double carries them; beyond that they only
    // move the decimal exponent.
    int significant = 0;
    while (isDigit(i)) {
        anyDigit = true;
        if (significant < 19) {
            mantissa = mantissa * 10 + (text[i] - '0');
            if (mantissa != 0) ++significant;
        } else {
            ++exponent;
        }
        ++i;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (isDigit(i)) {
            anyDigit = true;
            if (significant < 19) {
                mantissa = mantissa * 10 + (text[i] - '0');
                if (mantissa != 0) ++significant;
                --exponent;
            }
            ++i;
        }
    }
    if (!anyDigit) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        if (!isDigit(i)) return false;
        int e = 0;
        while (isDigit(i)) {
            if (e < 100000) e = e * 10 + (text[i] - '0');
            ++i;
        }
        exponent += negativeExponent ? -e : e;
    }
    if (i != n) return false;
    long double result = mantissa;
    if (exponent != 0 && mantissa != 0) {
        // Scaling by an exact power of ten keeps "12.5" exactly 12.5.
        long double scale = std::pow(10.0L, static_cast<long double>(exponent < 0 ? -exponent : exponent));
        result = exponent < 0 ? mantissa / scale : mantissa * scale;
    }
    if (!std::isfinite(result)) return false;
    value = negative ? -result : result;
    return true;
}

std::string formatFixed(long double value, int width, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 30) decimals = 30;
    if (width < 0) width = 0;
    if (width > 300) width = 300;
    if (!std::isfinite(value)) value = 0;
    // Written with guard digits and rounded here, halves away from zero, so that neither the
    // process locale nor the library's tie rule decides what reaches the file.
    const bool negative = std::signbit(value) && value != 0;
    const long double magnitude = negative ? -value : value;
    char buffer[512];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, decimals + 20);
    if (ec != std::errc()) return std::string(static_cast<std::size_t>(width), '*');
    std::string digits(buffer, end);
    const std::size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string fraction = digits.substr(point + 1);
    const bool roundUp = fraction[static_cast<std::size_t>(decimals)] >= '5';
    fraction.resize(static_cast<std::size_t>(decimals));
    std::string kept = whole + fraction;
    if (roundUp) {
        std::size_t k = kept.size();
        while (k > 0) {
            --k;
            if (kept[k] == '9') {
                kept[k] = '0';
            } else {
                ++kept[k];
                break;
            }
            if (k == 0) kept.insert(kept.begin(), '1');
        }
    }
    const std::size_t wholeLength = kept.size() - static_cast<std::size_t>(decimals);
    std::string text = kept.substr(0, wholeLength);
    if (decimals > 0) text += "." + kept.substr(wholeLength);
    const bool allZero = kept.find_first_not_of('0') == std::string::npos;
    if (negative && !allZero) text.insert(text.begin(), '-');
    if (text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

}  // namespace xb
