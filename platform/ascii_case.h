// Letter case of ASCII text, the same in every locale: names of files, fields, options and date
// formats are compared and folded by these alone, never by the C library's locale-bound calls.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

constexpr char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string upperAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = upperAscii(c);
    return folded;
}

inline std::string lowerAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = lowerAscii(c);
    return folded;
}

// Whether `a` and `b` are the same text when ASCII letter case is ignored.
inline bool sameAsciiIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upperAscii(x) == upperAscii(y); });
}

}  // namespace platform
