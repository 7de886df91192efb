// What the user's locale says about dates: the short date format, in the class library's
// notation (d, m and y letters around one separator, for example "dd.MM.yyyy").
#pragma once

#include <optional>
#include <string>

namespace platform {

// The user's short date format, taken from LC_TIME (nl_langinfo(D_FMT)) unless overridden.
std::string shortDateFormat();

// Tests fix the format so that they never depend on the machine's locale; nullopt restores it.
void overrideShortDateFormat(std::optional<std::string> format);

// Converts a strftime pattern ("%d.%m.%Y", "%m/%d/%y", "%D", "%F") to the class library's
// notation ("dd.MM.yyyy", ...). Unknown conversions are dropped.
std::string shortDateFormatFromStrftime(const std::string& pattern);

}  // namespace platform
