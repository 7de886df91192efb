// Reading draw files: encodings, lines, fields, the header line, the draw's columns, the order of
// the draws, and the draw check.
#include "history/draw_file.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>

#include "analysis/game.h"
#include "history/words.h"
#include "dbf/text_numbers.h"
#include "platform/error_codes.h"
#include "platform/os_file.h"

namespace history {

namespace {

constexpr std::string_view kBlanks = " \r";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string_view::npos;

// A set of characters looked up in one step: string_view's find_first_of walks its set for every
// character of the text, which a long file pays for on every field.
class Chars {
public:
    constexpr explicit Chars(std::string_view set) {
        for (const char c : set) m_in[static_cast<unsigned char>(c)] = true;
    }
    bool has(char c) const { return m_in[static_cast<unsigned char>(c)]; }
    std::size_t firstIn(std::string_view text, std::size_t from = 0) const {
        for (; from < text.size(); ++from)
            if (has(text[from])) return from;
        return npos;
    }
    std::size_t firstOut(std::string_view text, std::size_t from = 0) const {
        for (; from < text.size(); ++from)
            if (!has(text[from])) return from;
        return npos;
    }
    std::size_t lastOut(std::string_view text) const {
        for (std::size_t at = text.size(); at > 0; --at)
            if (!has(text[at - 1])) return at - 1;
        return npos;
    }

private:
    std::array<bool, 256> m_in{};
};

constexpr Chars kBlankSet(kBlanks);
constexpr Chars kDigitSet("0123456789");
constexpr Chars kLineBlankSet(" \t\r");
// What parts the numbers of a draw kept in one field.
constexpr Chars kPartSet(" \t\r,;-");

std::string_view trimmed(std::string_view text) {
    const std::size_t first = kBlankSet.firstOut(text);
    if (first == npos) return {};
    return text.substr(first, kBlankSet.lastOut(text) - first + 1);
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

// Optional sign, digits, an optional fraction: what a header line must not hold.
bool looksNumeric(std::string_view text) {
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view part) { return kDigitSet.firstOut(part) == npos; };
    return (!whole.empty() || !fraction.empty()) && digits(whole) && digits(fraction);
}

// A signed decimal integer; the value saturates far outside any draw's range.
std::optional<long long> integerOf(const std::string& word) {
    if (word.empty()) return std::nullopt;
    const bool negative = word[0] == '-';
    const std::size_t sign = (word[0] == '-' || word[0] == '+') ? 1 : 0;
    if (word.size() == sign) return std::nullopt;
    long long value = 0;
    for (std::size_t at = sign; at < word.size(); ++at) {
        if (word[at] < '0' || word[at] > '9') return std::nullopt;
        value = std::min<long long>(value * 10 + (word[at] - '0'), 1000000000);
    }
    return negative ? -value : value;
}

// A header line holds no number at all. Names of the table's fields in it (LibreOffice writes
// "C1,N,2,0": name, type, width, decimals) tell where the numbers stand: their columns, or an
// empty list when the line does not name them all.
template <typename Fields>
std::vector<std::size_t> namedColumns(const Fields& fields, const DrawShape& shape) {
    std::vector<std::size_t> columns;
    for (const std::string& name : shape.fieldNames) {
        const auto found = std::find_if(fields.begin(), fields.end(), [&](const auto& field) {
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
    values.reserve(words.size());
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

std::string fieldsText(std::size_t first, std::size_t last) {
    return first == last ? "field " + std::to_string(first)
                         : "fields " + std::to_string(first) + "-" + std::to_string(last);
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

// The fields of a line: between commas, semicolons or tabs when it has any outside quotes (blanks
// around a field do not count), otherwise between runs of blanks.
std::optional<std::string> DrawFileParser::splitLine(std::string_view line, std::vector<Field>& fields) {
    // One separator a line: commas inside a tab-separated field ("3,17,22") stay in it.
    const char separator = fieldSeparatorOf(line);
    const bool hard = separator != 0;
    const Chars own(std::string_view(&separator, 1));
    const Chars& separators = hard ? own : kBlankSet;
    std::size_t at = 0;
    for (;;) {
        at = std::min(line.size(), kBlankSet.firstOut(line, at));
        if (!hard && at == line.size()) return std::nullopt;
        Field field;
        if (at < line.size() && line[at] == '"') {
            const auto text = quotedField(line, at);
            if (!text) return "a quote is not closed";
            field = {*text, true};
            at = std::min(line.size(), kBlankSet.firstOut(line, at));
            if (at < line.size() && !separators.has(line[at])) return "text after a closing quote";
        } else {
            const std::size_t end = std::min(line.size(), separators.firstIn(line, at));
            field.text = std::string(trimmed(line.substr(at, end - at)));
            at = end;
        }
        fields.push_back(std::move(field));
        if (at == line.size()) return std::nullopt;
        if (hard) ++at;  // one separator: two in a row leave an empty field between them
    }
}

namespace {

bool allDigits(std::string_view text) { return !text.empty() && kDigitSet.firstOut(text) == npos; }

// The numbers of a draw kept in one field: parted by blanks, commas, semicolons or dashes.
std::vector<std::string> drawFieldWords(std::string_view text) {
    std::vector<std::string> words;
    for (std::size_t at = kPartSet.firstOut(text); at != npos;) {
        const std::size_t end = kPartSet.firstIn(text, at);
        words.emplace_back(text.substr(at, end == npos ? npos : end - at));
        at = end == npos ? end : kPartSet.firstOut(text, end);
    }
    return words;
}

// How many whole numbers a field holding a draw has, without taking them apart; 0 when a part of
// it is no whole number.
std::size_t drawFieldCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = kPartSet.firstOut(text); at != npos; ++count) {
        const std::size_t end = kPartSet.firstIn(text, at);
        if (!allDigits(text.substr(at, end == npos ? npos : end - at))) return 0;
        at = end == npos ? end : kPartSet.firstOut(text, end);
    }
    return count;
}

// dd.mm.yyyy or yyyy-mm-dd as yyyymmdd, so that later dates are larger.
std::optional<long long> dateKey(std::string_view text) {
    const auto part = [&](std::size_t from, std::size_t length) -> std::optional<long long> {
        const std::string_view digits = text.substr(from, length);
        if (digits.size() != length || !allDigits(digits)) return std::nullopt;
        return std::stoll(std::string(digits));
    };
    std::optional<long long> day, month, year;
    if (text.size() == 10 && text[2] == '.' && text[5] == '.') {
        day = part(0, 2), month = part(3, 2), year = part(6, 4);
    } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        year = part(0, 4), month = part(5, 2), day = part(8, 2);
    }
    if (!day || !month || !year || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
    return *year * 10000 + *month * 100 + *day;
}

// KOI8-R text as UTF-8: its letters, and a question mark for the signs a draw file has no use for.
std::string koi8ToUtf8(std::string_view text) {
    static constexpr std::u32string_view kLetters = U"юабцдефгхийклмнопярстужвьызшэщчъЮАБЦДЕФГХИЙКЛМНОПЯРСТУЖВЬЫЗШЭЩЧЪ";
    std::string utf8;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            utf8 += c;
        else if (byte >= 0xC0)
            xb::appendUtf8(utf8, kLetters[byte - 0xC0]);
        else
            xb::appendUtf8(utf8, byte == 0xA3 ? U'ё' : byte == 0xB3 ? U'Ё' : byte == 0x9A ? U'\u00A0' : U'?');
    }
    return utf8;
}

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80           ? 1
                                   : (byte >> 5) == 0x6  ? 2
                                   : (byte >> 4) == 0xE  ? 3
                                   : (byte >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// The value of a json pair: a number, a string (escapes kept simple: \" and \\), or null.
std::optional<std::string> jsonValue(std::string_view text, std::size_t& at) {
    if (at < text.size() && text[at] == '"') {
        std::string value;
        for (++at; at < text.size() && text[at] != '"'; ++at) {
            if (text[at] == '\\' && at + 1 < text.size()) ++at;
            value += text[at];
        }
        if (at >= text.size()) return std::nullopt;
        ++at;
        return value;
    }
    const std::size_t end = std::min(text.size(), text.find_first_of(",} ", at));
    std::string value(text.substr(at, end - at));
    at = end;
    return value == "null" ? std::string() : value;
}

}  // namespace

DrawFileParser::DrawFileParser(DrawShape shape, std::vector<std::size_t> columns, std::ostream& err, DrawVisitor onDraw)
    : m_shape(std::move(shape)), m_columns(std::move(columns)), m_err(err), m_onDraw(std::move(onDraw)) {
    // Fields given by hand need no sample to decide where the draw stands.
    m_decided = !m_columns.empty();
    m_plainColumns = m_columns;
}

void DrawFileParser::takeDraw(std::span<const int> numbers, std::size_t line) {
    ++m_drawCount;
    m_onDraw(numbers, line);
}

// The common line of a long file, whole numbers alone between one kind of separator
// ("3,17,22,31,40,48", or "1234;3;17;22;31;40;48" with the draw's columns named), read without
// fields or words. Any other line, and any line with a fault, goes the general way, which gives
// the same draw and order or says what is wrong.
bool DrawFileParser::takePlainLine(std::string_view line) {
    constexpr std::size_t kMostFields = 64;
    constexpr std::size_t kLongestNumber = 12;  // as the longest draw number noteOrder takes
    const std::size_t picks = m_shape.picks();
    if (!m_decided || !m_plainUsable || picks < 2 || m_shape.highest >= 128 ||
        (!m_plainColumns.empty() && m_plainColumns.size() != picks))
        return false;
    m_plainValues.clear();
    m_plainEnds.clear();
    char separator = 0;
    for (std::size_t at = 0;;) {
        const std::size_t start = at;
        long long value = 0;
        // A run of digits longer than a draw number is no plain line: it stops before the value
        // could overflow.
        for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
            if (at - start == kLongestNumber) return false;
            value = value * 10 + (line[at] - '0');
        }
        if (at == start || m_plainValues.size() == kMostFields) return false;
        m_plainValues.push_back(value);
        m_plainEnds.push_back(at);
        if (at == line.size()) break;
        if (separator == 0 && (line[at] == ',' || line[at] == ';' || line[at] == '\t' || line[at] == ' '))
            separator = line[at];
        if (line[at] != separator) return false;
        ++at;
    }
    const std::size_t fields = m_plainValues.size();
    // A number after the draw where the first lines had none makes the draw too long.
    if (m_fieldsFrom == Fields::kFound && !m_layout.numberAfter && fields > m_layout.at + picks) return false;
    if (m_plainColumns.empty()
            ? fields != picks
            : std::any_of(m_plainColumns.begin(), m_plainColumns.end(), [&](std::size_t c) { return c > fields; }))
        return false;
    m_numbers.resize(picks);
    std::uint64_t seen[2] = {0, 0};
    std::uint64_t drawFields = 0;
    for (std::size_t k = 0; k < picks; ++k) {
        const std::size_t field = m_plainColumns.empty() ? k : m_plainColumns[k] - 1;
        const long long value = m_plainValues[field];
        if (value < 1 || value > m_shape.highest) return false;
        std::uint64_t& word = seen[value >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (value & 63);
        if (word & bit) return false;
        word |= bit;
        drawFields |= std::uint64_t{1} << field;
        m_numbers[k] = static_cast<int>(value);
    }
    takeDraw(m_numbers, m_lineNumber);
    if (!m_orderUsable) return true;
    if (!m_plainOrderAnywhere) {
        // The order column found over the first lines, and no other.
        const std::size_t i = m_plainOrderField.value_or(fields);
        if (i < fields && !(drawFields >> i & 1)) noteOrderKey(i, m_plainValues[i], false);
        return true;
    }
    for (std::size_t i = 0; i < fields; ++i) {
        if (drawFields >> i & 1) continue;
        const std::size_t start = i == 0 ? 0 : m_plainEnds[i - 1] + 1;
        if (noteOrderValue(i, line.substr(start, m_plainEnds[i] - start))) return true;
    }
    m_orderUsable = false;
    return true;
}

void DrawFileParser::fault(std::size_t line, const std::string& text) {
    m_err << "line " << line << ": " << text << '\n';
    m_faulty = true;
}

// A first line is a header when it holds no number at all, or when it holds words where the line
// after it holds numbers: "Тираж;Дата;1;2;3;4;5;6" over "1234;05.12.2026;3;17;22;31;40;48".
bool DrawFileParser::isHeaderOver(const std::vector<Field>& first, const std::vector<Field>* next) {
    // A field holding a whole draw ("3-17-22-31-40-48") holds numbers too.
    const auto numeric = [](const Field& field) { return looksNumeric(field.text) || drawFieldCount(field.text) > 1; };
    if (std::none_of(first.begin(), first.end(), numeric)) return true;
    if (!next) return false;
    for (std::size_t i = 0; i < std::min(first.size(), next->size()); ++i) {
        if (!first[i].text.empty() && !numeric(first[i]) && !dateKey(first[i].text) && numeric((*next)[i])) return true;
    }
    return false;
}

// A line with a date or a marked draw number is no header, whatever words stand beside them
// («Тираж № 1234 от 12.11.2025 — 3 15 22 31 40 48»).
bool DrawFileParser::holdsDrawData(std::string_view line) {
    lineItems(line, m_shape.highest, m_items);
    return std::any_of(m_items.begin(), m_items.end(), [](const LineItem& item) {
        return item.kind == ItemKind::kDate || item.kind == ItemKind::kDrawNumber;
    });
}

void DrawFileParser::feedLine(std::string_view line) {
    ++m_lineNumber;
    if (m_lineNumber == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (m_seenContent && !m_firstLine && takePlainLine(line)) return;
    // Text that is no UTF-8 is taken for Windows-1251, as Russian spreadsheets save it.
    std::string decoded;
    if (!validUtf8(line)) {
        // Russian text is mostly small letters: Windows-1251 keeps them at 0xE0-0xFF, KOI8-R at
        // 0xC0-0xDF. The first line that tells decides for the file.
        if (m_byteEncoding.empty()) {
            std::size_t low = 0, high = 0;
            for (const char c : line) {
                const auto byte = static_cast<unsigned char>(c);
                low += byte >= 0xC0 && byte < 0xE0;
                high += byte >= 0xE0;
            }
            if (low != high) m_byteEncoding = low > high ? "KOI8-R" : "Windows-1251";
        }
        decoded = m_byteEncoding == "KOI8-R" ? koi8ToUtf8(line) : xb::textToUtf8(line);
        line = decoded;
        m_sawWindows1251 = true;
    }
    const std::size_t first = kLineBlankSet.firstOut(line);
    if (first == std::string_view::npos || line[first] == '#') return;
    if (takeJsonLine(line.substr(first), m_lineNumber)) return;

    // The line's fields and words live in members, so that a long file reuses their memory.
    std::vector<Field>& fields = m_fields;
    fields.clear();
    if (const auto fault = splitLine(line, fields)) {
        finish();
        this->fault(m_lineNumber, *fault);
        return;
    }
    if (std::all_of(fields.begin(), fields.end(), [](const Field& field) { return field.text.empty(); })) return;
    if (!m_seenContent) {
        m_seenContent = true;
        m_firstLine = fields;
        m_firstLineText = line;
        m_firstLineNumber = m_lineNumber;
        return;
    }
    if (m_firstLine) {
        std::vector<Field> firstLine = std::move(*m_firstLine);
        m_firstLine.reset();
        if (!holdsDrawData(m_firstLineText) && isHeaderOver(firstLine, &fields)) {
            m_err << "skipped header line " << m_firstLineNumber << '\n';
            if (m_columns.empty()) {
                m_columns = namedColumns(firstLine, m_shape);
                if (!m_columns.empty()) {
                    m_fieldsFrom = Fields::kNamedByHeader;
                    m_decided = true;
                    m_plainColumns = m_columns;
                }
            }
        } else {
            takeContent(m_firstLineText, m_firstLineNumber, firstLine);
        }
    }
    takeContent(line, m_lineNumber, fields);
}

void DrawFileParser::finish() {
    if (m_firstLine) {
        std::vector<Field> firstLine = std::move(*m_firstLine);
        m_firstLine.reset();
        if (!holdsDrawData(m_firstLineText) && isHeaderOver(firstLine, nullptr))
            m_err << "skipped header line " << m_firstLineNumber << '\n';
        else
            takeContent(m_firstLineText, m_firstLineNumber, firstLine);
    }
    if (!m_decided) decide();
}

// How many lines tell where the draw stands: enough for a column's run down the file to show,
// few enough to keep in memory.
constexpr std::size_t kSampleLines = 1000;

void DrawFileParser::takeContent(std::string_view line, std::size_t lineNumber, std::vector<Field>& fields) {
    if (!m_decided) {
        m_sample.emplace_back(lineNumber, std::string(line));
        if (m_sample.size() == kSampleLines) decide();
        return;
    }
    switch (m_fieldsFrom) {
        case Fields::kFound:
            lineItems(line, m_shape.highest, m_items);
            takeFound(m_items, lineNumber);
            return;
        case Fields::kAmbiguous:
            return;
        default:
            takeLine(fields, lineNumber);
    }
}

void DrawFileParser::decide() {
    m_decided = true;
    std::vector<std::pair<std::size_t, std::string>> sample = std::move(m_sample);
    m_sample.clear();
    std::vector<std::vector<LineItem>> items(sample.size());
    for (std::size_t i = 0; i < sample.size(); ++i) lineItems(sample[i].second, m_shape.highest, items[i]);
    m_layout = decideLayout(items, m_shape.picks(), m_shape.highest);
    switch (m_layout.state) {
        case DrawLayout::State::kAmbiguous:
            m_fieldsFrom = Fields::kAmbiguous;
            m_faulty = true;
            m_err << "the draw may stand in " << fieldsText(m_layout.firstField, m_layout.lastField) << " or in "
                  << fieldsText(m_layout.otherFirst, m_layout.otherLast) << ": name its fields\n";
            return;
        case DrawLayout::State::kNone:
            // No line holds a draw: each line is read as before, and says what is wrong with it.
            m_fieldsFrom = Fields::kEveryNumber;
            for (auto& [number, line] : sample) {
                std::vector<Field> fields;
                if (const auto fault = splitLine(line, fields))
                    this->fault(number, *fault);
                else
                    takeLine(fields, number);
            }
            return;
        case DrawLayout::State::kFound:
            break;
    }
    m_fieldsFrom = Fields::kFound;
    // Lines of one number a field, the draw at the same place from the start: the plain path reads
    // the rest of a long file.
    const bool fieldByField =
        !m_layout.fromEnd && std::all_of(items.begin(), items.end(), [](const std::vector<LineItem>& line) {
            for (std::size_t i = 0; i < line.size(); ++i)
                if (line[i].field != i) return false;
            return true;
        });
    m_plainUsable = fieldByField;
    if (fieldByField) {
        m_plainColumns.clear();
        for (std::size_t k = 0; k < m_shape.picks(); ++k) m_plainColumns.push_back(m_layout.at + k + 1);
        m_plainOrderAnywhere = false;
        if (m_layout.order == DrawLayout::Order::kItem) m_plainOrderField = m_layout.orderAt;
    }
    for (std::size_t i = 0; i < sample.size(); ++i) takeFound(items[i], sample[i].first);
}

// A line read with the layout found: the draw at its place, or else the line's numbers beside the
// order column, which say what is wrong («5 numbers», «49 appears twice»).
void DrawFileParser::takeFound(const std::vector<LineItem>& items, std::size_t lineNumber) {
    const std::size_t picks = m_shape.picks();
    std::vector<std::string>& words = m_words;
    words.clear();
    const auto start = drawStart(m_layout, items.size(), picks);
    bool whole = start.has_value();
    for (std::size_t k = 0; whole && k < picks; ++k) {
        const LineItem& item = items[*start + k];
        if (item.kind == ItemKind::kNumber || item.kind == ItemKind::kWord)
            words.push_back(item.text);
        else
            whole = false;
    }
    const auto numberAt = [&](std::size_t i) { return i < items.size() && items[i].kind == ItemKind::kNumber; };
    if (whole && ((!m_layout.numberBefore && *start > 0 && numberAt(*start - 1)) ||
                  (!m_layout.numberAfter && numberAt(*start + picks))))
        whole = false;
    if (!whole) {
        words.clear();
        std::optional<std::size_t> orderItem;
        if (m_layout.order == DrawLayout::Order::kItem && m_layout.orderAt < items.size())
            orderItem = m_layout.fromEnd ? items.size() - 1 - m_layout.orderAt : m_layout.orderAt;
        for (std::size_t i = 0; i < items.size(); ++i)
            if ((items[i].kind == ItemKind::kNumber || items[i].kind == ItemKind::kWord) && orderItem != i)
                words.push_back(items[i].text);
        if (words.empty()) {
            const auto word = std::find_if(items.begin(), items.end(), [](const LineItem& item) {
                return item.kind == ItemKind::kWord || item.kind == ItemKind::kDate || item.kind == ItemKind::kEmpty;
            });
            if (word != items.end()) words.push_back(word->text);
        }
    }
    if (const auto fault = checkDraw(words, m_shape, m_numbers)) {
        this->fault(lineNumber, *fault);
        return;
    }
    takeDraw(m_numbers, lineNumber);
    if (!m_orderUsable) return;
    const auto key = orderKeyOf(m_layout, items, picks);
    if (!key) {
        m_orderUsable = false;
        return;
    }
    if (m_orderCount == 0) m_orderInOneField = items.empty() || items.back().field == 0;
    noteOrderKey(m_orderInOneField ? 0 : key->field, key->key, key->isDate);
}

// A line of the companion's json dump: the brackets around the records, or one record's object
// with the table's fields among its pairs.
bool DrawFileParser::takeJsonLine(std::string_view line, std::size_t lineNumber) {
    const std::size_t last = line.find_last_not_of(" \t\r,");
    if (last == std::string_view::npos) return false;
    if (last == 0 && (line[0] == '[' || line[0] == ']')) return true;
    if (line[0] != '{' || line[last] != '}') return false;
    finish();
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t at = 1;
    for (;;) {
        at = line.find_first_not_of(" ,", at);
        if (at == std::string_view::npos || at >= last) break;
        std::optional<std::string> name = jsonValue(line, at);
        at = line.find_first_not_of(' ', at);
        if (!name || at == std::string_view::npos || line[at] != ':') {
            fault(lineNumber, "a json record this program did not write");
            return true;
        }
        at = line.find_first_not_of(' ', at + 1);
        std::optional<std::string> value = at == std::string_view::npos ? std::nullopt : jsonValue(line, at);
        if (!value) {
            fault(lineNumber, "a json record this program did not write");
            return true;
        }
        pairs.emplace_back(std::move(*name), std::move(*value));
    }
    // `dump --deleted --format json` marks deleted records: they are no part of the history.
    if (std::any_of(pairs.begin(), pairs.end(),
                    [](const auto& pair) { return pair.first == "deleted" && pair.second == "true"; }))
        return true;
    std::vector<std::string> words;
    for (const std::string& field : m_shape.fieldNames) {
        const auto found = std::find_if(pairs.begin(), pairs.end(),
                                        [&](const auto& pair) { return xb::sameFieldName(pair.first, field); });
        if (found == pairs.end()) {
            fault(lineNumber, "no " + field + " in the json record");
            return true;
        }
        words.push_back(found->second);
    }
    if (const auto fault = checkDraw(words, m_shape, m_numbers)) {
        this->fault(lineNumber, *fault);
    } else {
        takeDraw(m_numbers, lineNumber);
        m_orderUsable = false;  // the dump's records run in the table's order, whatever it is
    }
    return true;
}

void DrawFileParser::takeLine(std::vector<Field>& fields, std::size_t lineNumber) {
    std::vector<std::string>& words = m_words;
    words.clear();
    std::vector<bool>& drawFields = m_drawFields;
    drawFields.assign(fields.size(), false);
    const std::size_t picks = m_shape.picks();
    if (m_columns.size() == 1 && picks > 1) {
        // One named field holds the whole draw.
        const std::size_t column = m_columns[0];
        if (column > fields.size()) {
            fault(lineNumber, "no field " + std::to_string(column) + ", the line has " + std::to_string(fields.size()));
            return;
        }
        words = drawFieldWords(fields[column - 1].text);
        drawFields[column - 1] = true;
    } else if (!m_columns.empty()) {
        for (const std::size_t column : m_columns) {
            if (column > fields.size()) {
                fault(lineNumber,
                      "no field " + std::to_string(column) + ", the line has " + std::to_string(fields.size()));
                return;
            }
            words.push_back(fields[column - 1].text);
            drawFields[column - 1] = true;
        }
    } else {
        // The one field that holds exactly the game's count of numbers, as archives write a draw.
        std::optional<std::size_t> whole;
        for (std::size_t i = 0; i < fields.size() && picks > 1; ++i) {
            // A field without a blank, comma or dash inside holds one number at most.
            if (kPartSet.firstIn(fields[i].text) == npos || drawFieldCount(fields[i].text) != picks) continue;
            whole = whole ? std::optional<std::size_t>(fields.size()) : i;  // two such fields: none
        }
        if (whole && *whole < fields.size()) {
            words = drawFieldWords(fields[*whole].text);
            drawFields[*whole] = true;
        } else {
            std::fill(drawFields.begin(), drawFields.end(), true);
            for (const Field& field : fields) {
                if (field.quoted) {
                    if (!field.text.empty()) words.push_back(field.text);
                    continue;
                }
                for (std::size_t at = kBlankSet.firstOut(field.text); at != npos;) {
                    const std::size_t end = kBlankSet.firstIn(field.text, at);
                    words.push_back(field.text.substr(at, end == npos ? npos : end - at));
                    at = end == npos ? npos : kBlankSet.firstOut(field.text, end);
                }
            }
        }
    }
    if (const auto fault = checkDraw(words, m_shape, m_numbers)) {
        this->fault(lineNumber, *fault);
        return;
    }
    takeDraw(m_numbers, lineNumber);
    noteOrder(fields, drawFields);
}

// The first field beside the numbers that holds a date or a whole number (a draw number) gives
// each draw its place in time.
void DrawFileParser::noteOrder(const std::vector<Field>& fields, const std::vector<bool>& drawFields) {
    if (!m_orderUsable) return;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!drawFields[i] && noteOrderValue(i, trimmed(fields[i].text))) return;
    m_orderUsable = false;
}

// Whether field `i` holds a date or a draw number: noted as the draw's place in time, or the order
// given up when it stands elsewhere than before. False: look further along the line.
bool DrawFileParser::noteOrderValue(std::size_t i, std::string_view text) {
    const auto key = orderKeyOfField(text);
    if (!key) return false;
    noteOrderKey(i, key->key, key->isDate);
    return true;
}

void DrawFileParser::noteOrderKey(std::size_t i, long long key, bool isDate) {
    if (m_orderCount == 0) {
        m_orderField = i;
        m_orderIsDate = isDate;
    } else if (m_orderField != i || m_orderIsDate != isDate) {
        m_orderUsable = false;
        return;
    }
    // Equal keys (draws of one day) say nothing of the order.
    if (m_orderCount > 0) {
        m_orderUp = m_orderUp || key > m_lastOrderKey;
        m_orderDown = m_orderDown || key < m_lastOrderKey;
    }
    m_lastOrderKey = key;
    ++m_orderCount;
}

DrawOrder DrawFileParser::order() const {
    if (!m_orderUsable || m_orderCount < 2 || m_orderCount != m_drawCount) return DrawOrder::kUnknown;
    const bool up = m_orderUp;
    const bool down = m_orderDown;
    if (up == down) return DrawOrder::kUnknown;
    return down ? DrawOrder::kNewestFirst : DrawOrder::kOldestFirst;
}

std::string DrawFileParser::orderColumn() const {
    if (!m_orderField) return {};
    if (m_orderInOneField) return m_orderIsDate ? "the date column" : "the draw-number column";
    return "field " + std::to_string(*m_orderField + 1) + (m_orderIsDate ? " (dates)" : " (draw numbers)");
}

std::string LineSplitter::feed(std::string_view rest) {
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        ++m_lineNumber;
        if (m_pending.size() + end > kMaxDrawLine)
            return "line " + std::to_string(m_lineNumber) + " is longer than " + std::to_string(kMaxDrawLine) +
                   " bytes";
        if (m_pending.empty()) {
            m_onLine(rest.substr(0, end));
        } else {
            m_pending.append(rest.substr(0, end));
            m_onLine(m_pending);
            m_pending.clear();
        }
        rest.remove_prefix(end + 1);
    }
    if (m_pending.size() + rest.size() > kMaxDrawLine)
        return "line " + std::to_string(m_lineNumber + 1) + " is longer than " + std::to_string(kMaxDrawLine) +
               " bytes";
    m_pending.append(rest);
    return {};
}

void LineSplitter::finish() {
    if (!m_pending.empty()) m_onLine(m_pending);
    m_pending.clear();
}

namespace {

// Reads `fd` to its end in blocks; gives the system's reason when a read fails.
std::string readBlocks(int fd, const std::function<std::string(std::string_view)>& onBlock) {
    char block[65536];
    for (;;) {
        std::uint32_t got = 0;
        if (!platform::readNext(fd, block, sizeof block, got)) return platform::reasonText(platform::lastError());
        if (got == 0) return {};
        if (std::string why = onBlock(std::string_view(block, got)); !why.empty()) return why;
    }
}

}  // namespace

std::string readLines(int fd, const std::function<void(std::string_view)>& onLine) {
    LineSplitter lines(onLine);
    if (std::string why = readBlocks(fd, [&](std::string_view block) { return lines.feed(block); }); !why.empty())
        return why;
    lines.finish();
    return {};
}

std::string readTextLines(int fd, const std::function<void(std::string_view)>& onLine, std::string* encoding) {
    LineSplitter lines(onLine);
    enum class Kind { kUnknown, kBytes, kLittle, kBig } kind = Kind::kUnknown;
    std::string carry;  // a block's odd last byte, or the first bytes until the mark is known
    char16_t high = 0;  // a high surrogate waiting for its pair
    std::string decoded;
    const auto onBlock = [&](std::string_view block) -> std::string {
        if (kind == Kind::kUnknown) {
            carry.append(block);
            if (carry.size() < 2) return {};
            kind = carry.starts_with("\xFF\xFE")   ? Kind::kLittle
                   : carry.starts_with("\xFE\xFF") ? Kind::kBig
                                                   : Kind::kBytes;
            if (kind != Kind::kBytes) carry.erase(0, 2);
            std::string first = std::move(carry);
            carry.clear();
            if (kind == Kind::kBytes) return lines.feed(first);
            block = {};
            carry = std::move(first);
        }
        if (kind == Kind::kBytes) return lines.feed(block);
        carry.append(block);
        decoded.clear();
        std::size_t i = 0;
        for (; i + 1 < carry.size(); i += 2) {
            const auto a = static_cast<unsigned char>(carry[i]);
            const auto b = static_cast<unsigned char>(carry[i + 1]);
            const auto unit = static_cast<char16_t>(kind == Kind::kLittle ? (b << 8 | a) : (a << 8 | b));
            if (unit >= 0xD800 && unit < 0xDC00) {
                high = unit;
                continue;
            }
            if (unit >= 0xDC00 && unit < 0xE000 && high) {
                xb::appendUtf8(decoded, 0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00));
            } else {
                xb::appendUtf8(decoded, unit >= 0xD800 && unit < 0xE000 ? U'?' : char32_t(unit));
            }
            high = 0;
        }
        carry.erase(0, i);
        return lines.feed(decoded);
    };
    if (std::string why = readBlocks(fd, onBlock); !why.empty()) return why;
    if (kind == Kind::kUnknown && !carry.empty()) {
        kind = Kind::kBytes;
        if (std::string why = lines.feed(carry); !why.empty()) return why;
    }
    lines.finish();
    if (encoding) *encoding = kind == Kind::kLittle ? "UTF-16LE" : kind == Kind::kBig ? "UTF-16BE" : "UTF-8";
    return {};
}

DrawSource::~DrawSource() {
    if (m_fd > 0) platform::closeFile(m_fd);
}

std::string DrawSource::open(const std::string& path) {
    if (path == "-") {
        m_fd = 0;  // standard input
        return {};
    }
    m_fd = platform::openRegularFile(path);
    if (m_fd == platform::kNoHandle) {
        const bool irregular = platform::lastError() == platform::code::kNotRegularFile;
        return "cannot read " + path + (irregular ? ": not a regular file" : "");
    }
    return {};
}

bool DrawSource::isRegularFile() const { return m_fd >= 0 && platform::isRegularHandle(m_fd); }

}  // namespace history
