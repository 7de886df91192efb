// The output forms the commands share: tab-separated (the plain form), CSV and JSON, chosen with
// --format, and the quoting each needs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"

namespace cli {

enum class OutputFormat { Tsv, Csv, Json };

// The --format of the command line; tsv when it is not given.
OutputFormat formatOption(const ParsedArguments& line);

// A field of a CSV line: quoted when it holds a separator, a quote, a line end or edge blanks.
std::string csvField(const std::string& text);
// A JSON string of UTF-8 text, control characters escaped.
std::string jsonString(std::string_view text);
// Whether the text is a JSON number as the grammar has it: -?digits, an optional fraction.
bool jsonNumber(std::string_view text);

// Numbers written out with `separator` between them: "3 17 22".
template <typename Number>
std::string joined(const std::vector<Number>& numbers, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) text += (i ? separator : "") + std::to_string(numbers[i]);
    return text;
}

}  // namespace cli
