// Counts and decimal numbers in the history's messages and inputs.
#include "history/words.h"

namespace history {

std::string counted(std::uint64_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::optional<std::uint64_t> decimalNumber(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    std::uint64_t number = 0;
    for (const char digit : text) {
        if (number > (UINT64_MAX - 9) / 10) return UINT64_MAX;
        number = number * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    return number;
}

}  // namespace history
