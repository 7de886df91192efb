// Where the draw stands in the lines of an archive, whatever surrounds it: a line is read as items
// (numbers, draw numbers marked by «№» or «Тираж», dates with or without a time, sums of money,
// words), and the place of the draw and of the column that tells the order is decided over many
// lines at once, not line by line, so that a column which could be either a draw number or a
// drawn number is judged by how it behaves down the file, or else asked about.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace history {

enum class ItemKind : std::uint8_t {
    kNumber,      // a whole number as a draw writes one
    kGrouped,     // a number written with thousands separators ("11 500"): never a drawn number
    kDrawNumber,  // a number after «№», «N», «#» or «Тираж»
    kDate,        // a date, with its time when one follows
    kMoney,       // a sum: a number before «руб.» or «₽», or with kopecks
    kWord,
    kEmpty,  // an empty field between two separators
};

struct LineItem {
    ItemKind kind = ItemKind::kWord;
    long long value = 0;      // a number's value; a date's yyyymmddhhmm
    std::uint32_t field = 0;  // the field of the line it stands in, from 0
    std::string text;         // as written, for messages
};

// The items of one line (UTF-8, without its '\n'). Fields part at the line's separator: a tab, else
// a semicolon, else a comma outside quotes; a line with none is one field. `highest` tells a group
// of thousands from a drawn number after a plain space ("1 234" in a game of 1..80).
void lineItems(std::string_view line, int highest, std::vector<LineItem>& items);

// The separator of a line's fields: a tab, else a semicolon, else a comma outside quotes; 0 for a
// line of none.
char fieldSeparatorOf(std::string_view line);

// A date as yyyymmddhhmm (dd.mm.yyyy, dd.mm.yy, yyyy-mm-dd, each with an optional hh:mm[:ss]
// after a blank or a 'T'); nullopt when the text is no such date.
std::optional<long long> dateTimeKey(std::string_view text);

// The draw's place and the order column, decided over a sample of lines.
struct DrawLayout {
    enum class State { kNone, kFound, kAmbiguous } state = State::kNone;
    bool fromEnd = false;  // `at` counts items back from the line's end
    std::size_t at = 0;    // the first item of the draw
    // The fields (from 1) the draw was found in, and where two readings compete, the other's.
    std::size_t firstField = 0, lastField = 0;
    std::size_t otherFirst = 0, otherLast = 0;
    std::size_t linesWithDraw = 0, lines = 0;  // sample lines holding a draw at that place, of all
    // Whether a number stands right before or after the draw in some of those lines (a draw
    // number, a bonus): where none does, a number there makes the line's draw too long.
    bool numberBefore = false, numberAfter = false;
    bool oneField = false;  // those lines have no separator: the draw is a run of numbers among words

    enum class Order { kNone, kFirstDate, kFirstDrawNumber, kItem } order = Order::kNone;
    std::size_t orderAt = 0;  // kItem: the item, counted as `at` is
};

// Decides the layout over the items of sample lines, for a draw of `picks` distinct numbers of
// 1..`highest`.
DrawLayout decideLayout(const std::vector<std::vector<LineItem>>& lines, std::size_t picks, int highest);

// The index of the draw's first item in a line of `count` items, or nullopt when it has none there.
std::optional<std::size_t> drawStart(const DrawLayout& layout, std::size_t count, std::size_t picks);

// The order key of a line under the layout: the value and whether it is a date; nullopt when the
// line has none.
struct OrderKey {
    long long key = 0;
    bool isDate = false;
    std::uint32_t field = 0;
};
std::optional<OrderKey> orderKeyOf(const DrawLayout& layout, const std::vector<LineItem>& items, std::size_t picks);

// The order key a field set by hand holds: a date (with a time), a draw number with or without
// «№» and thousands separators; nullopt for anything else.
std::optional<OrderKey> orderKeyOfField(std::string_view text);

}  // namespace history
