// Raising database errors and filling the placeholders of their message texts.
#include "toolkit/database_error.h"

#include "toolkit/component.h"

void DatabaseError(const std::string& message, const TComponent* component) {
    if (component != nullptr && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

// The arguments arrive already as text (numbers through FormatG or std::to_string), so every
// conversion letter takes the next argument as it stands. A placeholder without an argument is
// left in the text, which shows the slip instead of hiding it.
std::string FormatMessage(const char* format, std::initializer_list<std::string> args) {
    std::string result;
    if (format == nullptr) return result;
    auto next = args.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            result.push_back(*p);
            continue;
        }
        const char letter = p[1];
        if (letter == '%') {
            result.push_back('%');
            ++p;
        } else if ((letter == 's' || letter == 'd' || letter == 'g') && next != args.end()) {
            result += *next++;
            ++p;
        } else {
            result.push_back('%');
        }
    }
    return result;
}
