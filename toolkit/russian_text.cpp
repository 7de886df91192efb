// Russian counts and numbers; see the header.
#include "toolkit/russian_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace russian {

std::string_view agreeingForm(long long count, const NounForms& forms) {
    const unsigned long long n =
        count < 0 ? 0ULL - static_cast<unsigned long long>(count) : static_cast<unsigned long long>(count);
    const unsigned long long lastTwo = n % 100;
    const unsigned long long last = n % 10;
    if (lastTwo >= 11 && lastTwo <= 14) {
        return forms.many;
    }
    if (last == 1) {
        return forms.one;
    }
    if (last >= 2 && last <= 4) {
        return forms.few;
    }
    return forms.many;
}

std::string wholeNumber(long long value) {
    const bool negative = value < 0;
    const unsigned long long n =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(n);
    std::string text;
    if (n >= 10000) {
        const std::size_t head = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
        text = digits.substr(0, head);
        for (std::size_t at = head; at < digits.size(); at += 3) {
            text += kNbsp;
            text += digits.substr(at, 3);
        }
    } else {
        text = digits;
    }
    // The minus sign of Russian typography, U+2212, is not in code page 1251: a hyphen-minus.
    return negative ? "-" + text : text;
}

std::string counted(long long count, const NounForms& forms) {
    std::string text = wholeNumber(count);
    text += kNbsp;
    text += agreeingForm(count, forms);
    return text;
}

std::string decimal(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    for (char& c : text) {
        if (c == '.') {
            c = ',';
        }
    }
    if (text == "-0" || (text.starts_with("-0,") && text.find_first_not_of("0,", 1) == std::string::npos)) {
        text.erase(0, 1);  // no "-0,000" for a value that rounds to zero
    }
    return text;
}

std::string range(long long from, long long to) {
    return std::to_string(from) + std::string(kEnDash) + std::to_string(to);
}

}  // namespace russian
