// The draws a table already holds, and whether a table holds draws at all: what import, add and
// set need of a table beside the draw check itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dbf/text_numbers.h"
#include "history/draw_file.h"

class DBFObject;

namespace history {

// The shape of the table's draws: a game's number of fields, all of them numeric. Otherwise
// nullopt, and `why` says what keeps the table from being a draw table.
std::optional<DrawShape> drawShapeOf(DBFObject& table, std::string& why);

// Draws by their numbers as a set, to find a draw again: each kept as a compact key, one bit per
// number of the game, with the record (or line) it was first met in.
class DrawKeys {
public:
    explicit DrawKeys(int highest);

    // Where the same numbers were met first, or 0.
    std::uint32_t find(std::span<const int> draw) const;
    // Remembers the draw as met at `place` unless it was met before; gives the first place.
    std::uint32_t add(std::span<const int> draw, std::uint32_t place);
    std::size_t size() const { return m_places.size(); }

private:
    void keyOf(std::span<const int> draw) const;
    std::size_t slotOf(const std::uint64_t* key) const;
    void grow();

    std::size_t m_words;
    mutable std::vector<std::uint64_t> m_key;  // the key being looked for
    std::vector<std::uint64_t> m_keys;         // m_words per draw
    std::vector<std::uint32_t> m_places;
    std::vector<std::uint32_t> m_slots;  // open addressing: index + 1 into m_places, 0 free
};

// A set of numbers 0..127 as bits.
class NumberSet {
public:
    void add(int number) {
        if (number >= 0 && number < 128) m_bits[number / 64] |= std::uint64_t{1} << (number % 64);
    }
    bool has(int number) const { return number >= 0 && number < 128 && (m_bits[number / 64] >> (number % 64) & 1); }

private:
    std::uint64_t m_bits[2] = {0, 0};
};

// The numbers of one record of a draw table, read straight from its bytes.
class RecordDraws {
public:
    explicit RecordDraws(DBFObject& table);
    // False when the record is deleted or a field holds no whole number.
    bool read(const std::uint8_t* record, std::vector<int>& draw) const;
    // Whether the record surely holds a number outside `numbers`, told by its first fields
    // without reading it whole; false when that cannot be told so.
    bool holdsOtherThan(const std::uint8_t* record, const NumberSet& numbers) const;
    // How many bytes read() may look at past the end of a record.
    static constexpr std::size_t kSlack = 16;

private:
    std::uint32_t m_length;
    std::vector<std::uint32_t> m_offsets, m_lengths;
    bool m_sideBySide;
    xb::TwoByteFieldReader m_pairs;
    mutable std::vector<std::uint8_t> m_cells;
};

// The bytes of draw records as the engine's append would write them, the whole numbers put in
// their fields directly; a table whose fields hold decimals takes the engine's own formatting.
class RecordFormat {
public:
    explicit RecordFormat(DBFObject& table);
    std::uint32_t length() const { return m_length; }
    // The record of `draw`, its deletion flag included, in place of `record`'s bytes.
    void format(std::span<const int> draw, std::string& record);

private:
    DBFObject& m_table;
    std::uint32_t m_length;
    bool m_plain = true;
    std::vector<std::uint32_t> m_ends, m_widths;  // of each field: its last byte + 1, its width
};

// The visible records [first, last] of a draw table read in blocks straight from the file, each
// one's numbers handed to `visit` with its record number; a record whose fields hold no whole
// number is passed over, since no draw can be met in it again.
// With `within`, a record holding a number outside it is passed over unread.
void scanDraws(DBFObject& table, std::uint32_t first, std::uint32_t last,
               const std::function<void(std::span<const int> draw, std::uint32_t record)>& visit,
               const NumberSet* within = nullptr);

// Every visible draw of the table, by its first record.
DrawKeys drawKeysOf(DBFObject& table, int highest);

}  // namespace history
