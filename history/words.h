// The English words of the history's messages (the companion's language): a count with its noun,
// and a decimal number as the command line and draw files write one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace history {

// "1 record", "2 draws": a count and its noun.
std::string counted(std::uint64_t count, const std::string& noun);

// Decimal digits only, nothing else; a number too long for the type comes back as UINT64_MAX,
// which no table reaches.
std::optional<std::uint64_t> decimalNumber(const std::string& text);

}  // namespace history
