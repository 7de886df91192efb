// The machine-checkable rules of Russian typography; see the header.
#include "tests/docs/text_rules.h"

#include "toolkit/russian_text.h"

#include <array>
#include <cctype>

namespace textrules {

namespace {

// The nouns the texts count: the program's own (toolkit/russian_text.h) and two the manual uses.
constexpr russian::NounForms kTimes{"раз", "раза", "раз"};
constexpr russian::NounForms kSeconds{"секунда", "секунды", "секунд"};
constexpr std::array<const russian::NounForms*, 9> kNouns{
    &russian::kDraws,   &russian::kRecords, &russian::kNumbers, &russian::kHits,
    &russian::kMethods, &russian::kTickets, &russian::kLines,   &kTimes,
    &kSeconds,
};

// Words after which a count takes the genitive plural even where the nominative would take the
// singular of "few": "не менее 2 тиражей", "от 3 до 4 записей".
constexpr std::array<std::string_view, 14> kGenitiveBefore{
    "менее", "меньше", "более", "больше", "до", "от", "из", "около", "свыше", "кроме", "без", "для", "после", "чем",
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isCyrillicLead(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == 0xD0 || byte == 0xD1;
}

// A blank or a non-breaking space (C2 A0) at `at`: its length in bytes, or 0.
std::size_t spaceAt(const std::string& text, std::size_t at) {
    if (at < text.size() && text[at] == ' ') return 1;
    if (at + 1 < text.size() && text.compare(at, 2, russian::kNbsp) == 0) return 2;
    return 0;
}

// The Cyrillic word that starts at `at`.
std::string wordAt(const std::string& text, std::size_t at) {
    std::size_t end = at;
    while (end + 1 < text.size() && isCyrillicLead(text[end])) end += 2;
    return text.substr(at, end - at);
}

// The word that ends right before the blanks in front of `at`.
std::string wordBefore(const std::string& text, std::size_t at) {
    std::size_t end = at;
    while (end > 0 && (text[end - 1] == ' ' || (end > 1 && text.compare(end - 2, 2, russian::kNbsp) == 0))) {
        end -= text[end - 1] == ' ' ? 1 : 2;
    }
    std::size_t begin = end;
    while (begin >= 2 && isCyrillicLead(text[begin - 2])) begin -= 2;
    return text.substr(begin, end - begin);
}

void checkAgreement(const std::string& text, std::vector<std::string>& found) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isDigit(text[at]) || (at > 0 && (isDigit(text[at - 1]) || isAsciiLetter(text[at - 1])))) continue;
        if (at > 0 && (text[at - 1] == ',' || text[at - 1] == '.') && at > 1 && isDigit(text[at - 2])) continue;
        std::size_t end = at;
        while (end < text.size() && isDigit(text[end])) ++end;
        const bool fraction = end + 1 < text.size() && (text[end] == ',' || text[end] == '.') && isDigit(text[end + 1]);
        const std::size_t gap = spaceAt(text, end);
        if (fraction || gap == 0 || end - at > 18) {
            at = end;
            continue;
        }
        const long long count = std::stoll(text.substr(at, end - at));
        const std::string word = wordAt(text, end + gap);
        for (const russian::NounForms* noun : kNouns) {
            if (word != noun->one && word != noun->few && word != noun->many) continue;
            const std::string_view agreeing = russian::agreeingForm(count, *noun);
            bool fits = word == agreeing;
            if (agreeing == noun->one) {
                fits = fits || word == noun->few;  // the genitive singular: "не менее 21 записи"
            } else if (agreeing == noun->few) {
                const std::string before = wordBefore(text, at);
                for (std::string_view trigger : kGenitiveBefore)
                    fits = fits || (word == noun->many && before == trigger);
            }
            if (!fits) {
                found.push_back("\"" + text.substr(at, end + gap - at) + word + "\": the noun does not agree with " +
                                "the number (russian::counted gives \"" + russian::counted(count, *noun) + "\")");
            }
            break;
        }
        at = end;
    }
}

void checkNumbers(const std::string& text, const std::set<std::string>& sectionNumbers,
                  std::vector<std::string>& found) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isDigit(text[at]) || (at > 0 && (isDigit(text[at - 1]) || text[at - 1] == '.'))) continue;
        std::size_t end = at;
        while (end < text.size() && (isDigit(text[end]) || (text[end] == '.' && end + 1 < text.size() &&
                                                            isDigit(text[end + 1]) && isDigit(text[end - 1])))) {
            ++end;
        }
        const std::string number = text.substr(at, end - at);
        if (number.find('.') != std::string::npos && !sectionNumbers.contains(number)) {
            found.push_back("\"" + number + "\": a decimal point in Russian text (russian::decimal writes a comma)");
        }
        // A range: digits, then a hyphen, two points or a spaced ellipsis, then digits or a field
        // name ("C1-C6", "1..49", "1 … 49").
        std::size_t next = end;
        std::size_t sign = 0;
        if (next < text.size() && text[next] == '-') {
            sign = 1;
        } else if (text.compare(next, 2, "..") == 0) {
            sign = 2;
        } else {
            const std::size_t gap = spaceAt(text, next);
            if (gap > 0 && text.compare(next + gap, russian::kEllipsis.size(), russian::kEllipsis) == 0) {
                sign = gap + russian::kEllipsis.size() + spaceAt(text, next + gap + russian::kEllipsis.size());
            }
        }
        if (sign > 0) {
            std::size_t after = next + sign;
            while (after < text.size() && isAsciiLetter(text[after])) ++after;
            if (after < text.size() && isDigit(text[after]) && after - next - sign <= 2) {
                std::size_t last = after;
                while (last < text.size() && isDigit(text[last])) ++last;
                found.push_back("\"" + text.substr(at, last - at) + "\": a range takes an en dash (russian::range)");
            }
        }
        at = end;
    }
}

}  // namespace

bool isRussian(const std::string& text) {
    for (std::size_t at = 0; at + 1 < text.size(); ++at) {
        if (isCyrillicLead(text[at]) && (static_cast<unsigned char>(text[at + 1]) & 0xC0) == 0x80) return true;
    }
    return false;
}

std::vector<std::string> faults(const std::string& text, const std::set<std::string>& sectionNumbers) {
    std::vector<std::string> found;
    if (!isRussian(text)) return found;
    if (text.find("...") != std::string::npos) found.push_back("\"...\" where an ellipsis \"…\" belongs");
    checkAgreement(text, found);
    checkNumbers(text, sectionNumbers, found);
    return found;
}

std::string unescaped(std::string html) {
    for (const auto& [entity, letter] :
         {std::pair{"&quot;", "\""}, {"&#x27;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
        for (std::size_t at = html.find(entity); at != std::string::npos; at = html.find(entity, at + 1)) {
            html.replace(at, std::string(entity).size(), letter);
        }
    }
    return html;
}

std::string without(std::string text, const std::string& part) {
    if (part.empty()) return text;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at))
        text.erase(at, part.size());
    return text;
}

}  // namespace textrules
