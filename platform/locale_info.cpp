// The user's short date format, read from LC_TIME of the environment without touching the
// process locale, and converted from strftime notation to the class library's.
#include "platform/locale_info.h"

#include <langinfo.h>
#include <locale.h>

#include <mutex>
#include <string_view>
#include <utility>

namespace platform {

namespace {

constexpr const char* kFallbackFormat = "dd.MM.yyyy";

std::mutex g_mutex;
std::optional<std::string> g_override;
std::optional<std::string> g_fromLocale;  // read once; the environment's locale does not change

// A locale object of its own keeps the process locale (and every other thread) as it is.
std::string readLocaleFormat() {
    locale_t timeLocale = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (timeLocale == static_cast<locale_t>(0))
        return kFallbackFormat;  // the environment names a locale that is not installed
    const char* pattern = ::nl_langinfo_l(D_FMT, timeLocale);
    std::string converted = shortDateFormatFromStrftime(pattern != nullptr ? pattern : "");
    ::freelocale(timeLocale);
    return converted.empty() ? kFallbackFormat : converted;
}

}  // namespace

std::string shortDateFormat() {
    std::lock_guard lock(g_mutex);
    if (g_override) return *g_override;
    if (!g_fromLocale) g_fromLocale = readLocaleFormat();
    return *g_fromLocale;
}

void overrideShortDateFormat(std::optional<std::string> format) {
    std::lock_guard lock(g_mutex);
    g_override = std::move(format);
}

std::string shortDateFormatFromStrftime(const std::string& pattern) {
    std::string result;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%') {
            result.push_back(c);
            continue;
        }
        if (++i >= pattern.size()) break;
        // GNU flags and the E/O modifiers; "-" asks for no padding, which is the single letter.
        bool unpadded = false;
        while (i < pattern.size() && std::string_view("-_0^#").find(pattern[i]) != std::string_view::npos) {
            unpadded = unpadded || pattern[i] == '-';
            ++i;
        }
        if (i < pattern.size() && (pattern[i] == 'E' || pattern[i] == 'O')) ++i;
        if (i >= pattern.size()) break;
        switch (pattern[i]) {
            case 'd':
                result += unpadded ? "d" : "dd";
                break;
            case 'e':
                result += "d";
                break;
            case 'm':
                result += unpadded ? "M" : "MM";
                break;
            case 'y':
                result += "yy";
                break;
            case 'Y':
                result += "yyyy";
                break;
            case 'D':
            case 'x':
                result += "MM/dd/yy";
                break;
            case 'F':
                result += "yyyy-MM-dd";
                break;
            case '%':
                result.push_back('%');
                break;
            default:
                break;  // nothing in the class library's notation says it
        }
    }
    return result;
}

}  // namespace platform
