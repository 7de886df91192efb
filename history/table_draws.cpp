// Draw tables seen as sets of draws: the compact keys, the block scan that builds them, and the
// record bytes of a draw.
#include "history/table_draws.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "analysis/game.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"
#include "history/draw_tables.h"
#include "history/words.h"

namespace history {

std::optional<DrawShape> drawShapeOf(DBFObject& table, std::string& why) {
    // A table's game by its field names and count: the game's own fields, all of the table.
    const Game* game = GameOfTable(tableFieldsOf(table));
    if (game && game->fieldsPerDraw == table.fieldCount()) {
        DrawShape shape;
        shape.highest = game->numbers;
        for (int number = 1; number <= table.fieldCount(); ++number)
            shape.fieldNames.push_back(table.fieldName(number));
        return shape;
    }
    std::string fieldsOfThatCount;
    for (const Game* each : Games())
        if (each->fieldsPerDraw == table.fieldCount())
            fieldsOfThatCount += (fieldsOfThatCount.empty() ? "" : ", ") + each->fieldName(0) + ".." +
                                 each->fieldName(each->fieldsPerDraw - 1) + " (" + each->cliName + ")";
    if (fieldsOfThatCount.empty())
        why = table.path() + " has " + counted(static_cast<std::uint64_t>(table.fieldCount()), "field") +
              ", a draw table has " + drawFieldCounts();
    else
        why = table.path() + ": its fields are not a draw table's, numeric " + fieldsOfThatCount;
    return std::nullopt;
}

DrawKeys::DrawKeys(int highest)
    : m_words(static_cast<std::size_t>(std::max(highest, 1) + 63) / 64), m_key(m_words), m_slots(64, 0) {}

void DrawKeys::keyOf(std::span<const int> draw) const {
    std::fill(m_key.begin(), m_key.end(), 0);
    for (const int number : draw) {
        // Numbers outside the key's bits (a damaged record) fold into it: a key then only finds
        // more, never fewer, draws than the same numbers.
        auto bit = static_cast<std::size_t>(number - 1);
        if (bit >= m_words * 64) bit %= m_words * 64;
        m_key[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
}

std::size_t DrawKeys::slotOf(const std::uint64_t* key) const {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull;
    for (std::size_t w = 0; w < m_words; ++w) hash = (hash ^ key[w]) * 0xBF58476D1CE4E5B9ull;
    hash ^= hash >> 31;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t entry = m_slots[slot];
        if (entry == 0 || std::equal(key, key + m_words, &m_keys[(entry - 1) * m_words])) return slot;
    }
}

void DrawKeys::grow() {
    m_slots.assign(m_slots.size() * 2, 0);
    for (std::size_t i = 0; i < m_places.size(); ++i)
        m_slots[slotOf(&m_keys[i * m_words])] = static_cast<std::uint32_t>(i + 1);
}

std::uint32_t DrawKeys::find(std::span<const int> draw) const {
    keyOf(draw);
    const std::uint32_t entry = m_slots[slotOf(m_key.data())];
    return entry == 0 ? 0 : m_places[entry - 1];
}

std::uint32_t DrawKeys::add(std::span<const int> draw, std::uint32_t place) {
    keyOf(draw);
    const std::size_t slot = slotOf(m_key.data());
    if (m_slots[slot] != 0) return m_places[m_slots[slot] - 1];  // the first place stays
    m_keys.insert(m_keys.end(), m_key.begin(), m_key.end());
    m_places.push_back(place);
    m_slots[slot] = static_cast<std::uint32_t>(m_places.size());
    if (m_places.size() * 2 > m_slots.size()) grow();
    return place;
}

namespace {

// A whole number as a numeric field holds it: blanks, an optional sign, digits, and a fraction of
// zeros only.
bool wholeNumberOf(const std::uint8_t* text, std::uint32_t length, int& value) {
    std::uint32_t at = 0;
    while (at < length && text[at] == ' ') ++at;
    bool negative = false;
    if (at < length && text[at] == '-') {
        negative = true;
        ++at;
    }
    long long number = 0;
    std::uint32_t digits = 0;
    for (; at < length && text[at] >= '0' && text[at] <= '9'; ++at, ++digits)
        number = std::min<long long>(number * 10 + (text[at] - '0'), 1000000000);
    if (at < length && text[at] == '.') {
        for (++at; at < length && text[at] == '0'; ++at) {
        }
    }
    while (at < length && text[at] == ' ') ++at;
    if (digits == 0 || at != length) return false;
    value = static_cast<int>(negative ? -number : number);
    return true;
}

}  // namespace

RecordDraws::RecordDraws(DBFObject& table)
    : m_length(table.recordLength()),
      m_sideBySide(table.fieldCount() > 0),
      m_pairs(static_cast<std::size_t>(std::max(table.fieldCount(), 1)), 99),
      m_cells(static_cast<std::size_t>(table.fieldCount()) + 8) {
    for (int field = 1; field <= table.fieldCount(); ++field) {
        m_offsets.push_back(table.fieldOffset(field));
        m_lengths.push_back(table.fieldLength(field));
        // The draw tables' two-byte fields side by side, read sixteen bytes at a time; any other
        // text goes field by field.
        m_sideBySide =
            m_sideBySide && m_lengths.back() == 2 && m_offsets.back() == 2 * static_cast<std::uint32_t>(field) - 1;
    }
}

bool RecordDraws::read(const std::uint8_t* record, std::vector<int>& draw) const {
    if (record[0] == xb::kDeletedFlag) return false;
    const std::size_t fields = m_offsets.size();
    draw.resize(fields);
    if (m_sideBySide && m_pairs.read(record + 1, m_cells.data()) &&
        std::none_of(m_cells.begin(), m_cells.begin() + static_cast<std::ptrdiff_t>(fields),
                     [](std::uint8_t cell) { return cell == 0; })) {
        std::copy(m_cells.begin(), m_cells.begin() + static_cast<std::ptrdiff_t>(fields), draw.begin());
        return true;
    }
    for (std::size_t f = 0; f < fields; ++f)
        if (m_offsets[f] + m_lengths[f] > m_length || !wholeNumberOf(record + m_offsets[f], m_lengths[f], draw[f]))
            return false;
    return true;
}

bool RecordDraws::holdsOtherThan(const std::uint8_t* record, const NumberSet& numbers) const {
    if (!m_sideBySide) return false;
    for (std::size_t f = 0; f < m_offsets.size(); ++f) {
        // A two-byte field: " 7", "07" or "17"; anything else is left to read().
        const std::uint8_t tens = record[1 + 2 * f];
        const std::uint8_t ones = record[2 + 2 * f];
        if (ones < '0' || ones > '9' || (tens != ' ' && (tens < '0' || tens > '9'))) return false;
        if (!numbers.has((tens == ' ' ? 0 : tens - '0') * 10 + (ones - '0'))) return true;
    }
    return false;
}

void scanDraws(DBFObject& table, std::uint32_t first, std::uint32_t last,
               const std::function<void(std::span<const int>, std::uint32_t)>& visit, const NumberSet* within) {
    constexpr std::uint32_t kBlockBytes = 1u << 18;
    const std::uint32_t length = table.recordLength();
    const std::uint32_t perBlock = std::max<std::uint32_t>(1, kBlockBytes / length);
    const RecordDraws records(table);
    std::vector<std::uint8_t> block;
    std::vector<int> draw;
    for (std::uint32_t next = first; next <= last && next != 0;) {
        const std::uint32_t count = std::min(perBlock, last - next + 1);
        block.resize(static_cast<std::size_t>(count) * length + RecordDraws::kSlack);
        const std::uint64_t offset = table.headerLength() + std::uint64_t{next - 1} * length;
        if (table.readAt(offset, block.data(), count * length) != count * length)
            xb::raiseError(xb::err::kShortRead, xb::loc::kRecordRead, table.path());
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* record = block.data() + std::size_t{i} * length;
            if (within && records.holdsOtherThan(record, *within)) continue;
            if (records.read(record, draw)) visit(draw, next + i);
        }
        if (last - next < count) break;
        next += count;
    }
}

DrawKeys drawKeysOf(DBFObject& table, int highest) {
    DrawKeys keys(highest);
    scanDraws(table, 1, table.recordCount(), [&](std::span<const int> draw, std::uint32_t record) {
        keys.add(draw, record);  // the first record of a draw stays
    });
    return keys;
}

RecordFormat::RecordFormat(DBFObject& table) : m_table(table), m_length(table.recordLength()) {
    for (int field = 1; field <= table.fieldCount(); ++field) {
        const std::uint32_t width = table.fieldLength(field);
        const std::uint32_t at = table.fieldOffset(field);
        m_plain = m_plain && table.fieldType(field) == 'N' && table.fieldDecimals(field) == 0 && at + width <= m_length;
        m_ends.push_back(at + width);
        m_widths.push_back(width);
    }
}

void RecordFormat::format(std::span<const int> draw, std::string& record) {
    record.assign(m_length, ' ');
    bool plain = m_plain && draw.size() == m_ends.size();
    for (std::size_t f = 0; f < draw.size() && plain; ++f) {
        // The digits from the field's right end leftwards: what a right-aligned whole number is.
        char* end = record.data() + m_ends[f];
        char* at = end;
        unsigned value = static_cast<unsigned>(std::abs(draw[f]));
        do {
            *--at = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0 && at > end - m_widths[f]);
        if (draw[f] < 0 && at > end - m_widths[f]) *--at = '-';
        plain = value == 0 && (draw[f] >= 0 || at[0] == '-');
    }
    if (plain) return;
    // A field with decimals, or a number wider than its field: the engine's own formatting, as
    // its append would have it.
    m_table.blankRecord();
    for (std::size_t f = 0; f < draw.size(); ++f)
        m_table.putValueText(static_cast<int>(f) + 1, std::to_string(draw[f]));
    record.assign(reinterpret_cast<const char*>(m_table.recordBuffer()), m_length);
    record[0] = static_cast<char>(xb::kLiveFlag);
}

}  // namespace history
