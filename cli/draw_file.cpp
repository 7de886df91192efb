// Reading draw files: lines, fields, the header line, the draw's columns, and the draw check.
#include "cli/draw_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "analysis/game.h"
#include "cli/command_support.h"
#include "dbf/text_numbers.h"

namespace cli {

namespace {

constexpr std::string_view kHardSeparators = ",;\t";
constexpr std::string_view kBlanks = " \r";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct Field {
    std::string text;
    bool quoted = false;
};

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool hasHardSeparator(std::string_view line) {
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && kHardSeparators.find(c) != std::string_view::npos)
            return true;
    }
    return false;
}

// A field in double quotes starting at `at`; a doubled quote inside stands for one.
std::optional<std::string> quotedField(std::string_view line, std::size_t& at) {
    std::string text;
    for (++at; at < line.size(); ++at) {
        if (line[at] != '"') {
            text += line[at];
        } else if (at + 1 < line.size() && line[at + 1] == '"') {
            text += '"';
            ++at;
        } else {
            ++at;
            return text;
        }
    }
    return std::nullopt;
}

// The fields of a line: between commas, semicolons or tabs when it has any outside quotes (blanks
// around a field do not count), otherwise between runs of blanks.
std::optional<std::string> splitLine(std::string_view line, std::vector<Field>& fields) {
    const bool hard = hasHardSeparator(line);
    const std::string_view separators = hard ? kHardSeparators : kBlanks;
    std::size_t at = 0;
    for (;;) {
        at = std::min(line.size(), line.find_first_not_of(kBlanks, at));
        if (!hard && at == line.size()) return std::nullopt;
        Field field;
        if (at < line.size() && line[at] == '"') {
            const auto text = quotedField(line, at);
            if (!text) return "a quote is not closed";
            field = {*text, true};
            at = std::min(line.size(), line.find_first_not_of(kBlanks, at));
            if (at < line.size() && separators.find(line[at]) == std::string_view::npos)
                return "text after a closing quote";
        } else {
            const std::size_t end = std::min(line.size(), line.find_first_of(separators, at));
            field.text = std::string(trimmed(line.substr(at, end - at)));
            at = end;
        }
        fields.push_back(std::move(field));
        if (at == line.size()) return std::nullopt;
        if (hard) ++at;  // one separator: two in a row leave an empty field between them
    }
}

// Optional sign, digits, an optional fraction: what a header line must not hold.
bool looksNumeric(std::string_view text) {
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return (!whole.empty() || !fraction.empty()) && digits(whole) && digits(fraction);
}

// A signed decimal integer; the value saturates far outside any draw's range.
std::optional<long long> integerOf(const std::string& word) {
    if (word.empty()) return std::nullopt;
    const bool negative = word[0] == '-';
    const std::size_t sign = (word[0] == '-' || word[0] == '+') ? 1 : 0;
    const auto magnitude = decimalNumber(word.substr(sign));
    if (!magnitude) return std::nullopt;
    const long long value = static_cast<long long>(std::min<std::uint64_t>(*magnitude, 1000000000ull));
    return negative ? -value : value;
}

// A header line holds no number at all. Names of the table's fields in it (LibreOffice writes
// "C1,N,2,0": name, type, width, decimals) tell where the numbers stand: their columns, or an
// empty list when the line does not name them all.
std::vector<std::size_t> namedColumns(const std::vector<Field>& fields, const DrawShape& shape) {
    std::vector<std::size_t> columns;
    for (const std::string& name : shape.fieldNames) {
        const auto found = std::find_if(fields.begin(), fields.end(), [&](const Field& field) {
            return xb::sameFieldName(trimmed(std::string_view(field.text).substr(0, field.text.find(','))), name);
        });
        if (found == fields.end()) return {};
        columns.push_back(static_cast<std::size_t>(found - fields.begin()) + 1);
    }
    return columns;
}

}  // namespace

std::optional<std::string> checkDraw(std::span<const std::string> words, const DrawShape& shape,
                                     std::vector<int>& draw) {
    std::vector<long long> values;
    for (const std::string& word : words) {
        const auto value = integerOf(word);
        if (!value)
            return word.empty() ? std::string("an empty field is not a number") : "'" + word + "' is not a number";
        values.push_back(*value);
    }
    const DrawFault fault = CheckDrawNumbers(values, shape.picks(), shape.highest);
    switch (fault.kind) {
        case DrawFault::Kind::kNone:
            break;
        case DrawFault::Kind::kCount:
            return counted(values.size(), "number") + ", the table has " + std::to_string(shape.picks()) + " fields";
        case DrawFault::Kind::kOutside:
            return words[fault.index] + " is outside 1.." + std::to_string(shape.highest);
        case DrawFault::Kind::kRepeated:
            return std::to_string(fault.value) + " appears " +
                   (fault.times == 2 ? std::string("twice") : std::to_string(fault.times) + " times");
    }
    draw.assign(values.begin(), values.end());
    return std::nullopt;
}

std::optional<std::vector<std::size_t>> parseColumnList(std::string_view text) {
    std::vector<std::size_t> columns;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto first = decimalNumber(std::string(item.substr(0, dash)));
        const auto last = dash == std::string_view::npos ? first : decimalNumber(std::string(item.substr(dash + 1)));
        // A bound keeps a list such as 1-4000000000 from filling the memory.
        if (!first || !last || *first < 1 || *last < *first || *last > kMaxDrawLine) return std::nullopt;
        for (std::uint64_t column = *first; column <= *last; ++column)
            columns.push_back(static_cast<std::size_t>(column));
        if (comma == std::string_view::npos) return columns;
        text.remove_prefix(comma + 1);
    }
}

DrawFileParser::DrawFileParser(DrawShape shape, std::vector<std::size_t> columns, std::ostream& err)
    : m_shape(std::move(shape)), m_columns(std::move(columns)), m_err(err) {}

void DrawFileParser::fault(const std::string& text) {
    m_err << "line " << m_lineNumber << ": " << text << '\n';
    m_faulty = true;
}

void DrawFileParser::feedLine(std::string_view line) {
    ++m_lineNumber;
    if (m_lineNumber == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos || line[first] == '#') return;

    std::vector<Field> fields;
    if (const auto fault = splitLine(line, fields)) {
        this->fault(*fault);
        return;
    }
    if (std::all_of(fields.begin(), fields.end(), [](const Field& field) { return field.text.empty(); })) return;
    if (!m_seenContent) {
        m_seenContent = true;
        if (std::none_of(fields.begin(), fields.end(), [](const Field& field) { return looksNumeric(field.text); })) {
            m_err << "skipped header line " << m_lineNumber << '\n';
            if (m_columns.empty()) m_columns = namedColumns(fields, m_shape);
            return;
        }
    }

    std::vector<std::string> words;
    if (!m_columns.empty()) {
        for (const std::size_t column : m_columns) {
            if (column > fields.size()) {
                fault("no field " + std::to_string(column) + ", the line has " + std::to_string(fields.size()));
                return;
            }
            words.push_back(fields[column - 1].text);
        }
    } else {
        for (const Field& field : fields) {
            if (field.quoted) {
                if (!field.text.empty()) words.push_back(field.text);
                continue;
            }
            for (std::size_t at = field.text.find_first_not_of(kBlanks); at != std::string::npos;) {
                const std::size_t end = field.text.find_first_of(kBlanks, at);
                words.push_back(field.text.substr(at, end == std::string::npos ? std::string::npos : end - at));
                at = field.text.find_first_not_of(kBlanks, end);
            }
        }
    }
    Draw draw;
    draw.line = m_lineNumber;
    if (const auto fault = checkDraw(words, m_shape, draw.numbers))
        this->fault(*fault);
    else
        m_draws.push_back(std::move(draw));
}

std::string readLines(int fd, const std::function<void(std::string_view)>& onLine) {
    std::string pending;  // the start of a line whose end is still to come
    std::size_t lineNumber = 0;
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::strerror(errno);
        if (got == 0) break;
        std::string_view rest(block, static_cast<std::size_t>(got));
        for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
            ++lineNumber;
            if (pending.size() + end > kMaxDrawLine)
                return "line " + std::to_string(lineNumber) + " is longer than " + std::to_string(kMaxDrawLine) +
                       " bytes";
            if (pending.empty()) {
                onLine(rest.substr(0, end));
            } else {
                pending.append(rest.substr(0, end));
                onLine(pending);
                pending.clear();
            }
            rest.remove_prefix(end + 1);
        }
        if (pending.size() + rest.size() > kMaxDrawLine)
            return "line " + std::to_string(lineNumber + 1) + " is longer than " + std::to_string(kMaxDrawLine) +
                   " bytes";
        pending.append(rest);
    }
    if (!pending.empty()) onLine(pending);
    return {};
}

}  // namespace cli
