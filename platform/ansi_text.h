// The program's ANSI text (CP1251 bytes, as the dataset hands out field text) in and out of the
// UTF-8 that the window toolkit speaks. A byte keeps its meaning both ways: every CP1251 byte has
// one character (0x98, unassigned, stands for U+0098), and a character CP1251 lacks becomes '?'.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string ansiToUtf8(std::string_view ansi);
// Malformed UTF-8 sequences become '?' as well, one per offending byte.
std::string utf8ToAnsi(std::string_view utf8);

// One Unicode code point written as UTF-8 at the end of `out`.
void appendUtf8(std::string& out, char32_t codePoint);

// One character: the CP1251 byte of a Unicode code point, or false when the page lacks it.
bool ansiByteOf(char32_t codePoint, char& byte);

}  // namespace platform
