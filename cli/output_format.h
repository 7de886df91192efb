// The output forms the commands share: tab-separated (the plain form), CSV and JSON, chosen with
// --format, and the quoting each needs.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace cli
