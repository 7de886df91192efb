// The two draw tables the program keeps, SuperLoto (lotobase.dbf, C1..C6, 6 of 49) and Keno
// (kenobase.dbf, K1..K20, 20 of 80): their layout, the making of an empty one, and adding a draw
// to one through the storage engine.
#pragma once

#include <span>
#include <string>
#include <string_view>

class DBFObject;

namespace cli {

struct Game {
    std::string_view name;      // as the command line names the game
    std::string_view fileName;  // the table the program reads from its current directory
    char fieldLetter;           // fields are <letter>1 .. <letter><picks>
    int picks;                  // numbers in one draw, one N field of width 2 each
    int highest;                // numbers are drawn from 1..highest
};

inline constexpr Game kSuperLoto{"loto", "lotobase.dbf", 'C', 6, 49};
inline constexpr Game kKeno{"keno", "kenobase.dbf", 'K', 20, 80};

// The game of a command-line name, or nullptr.
const Game* gameNamed(std::string_view name);
// The game whose tables have this many fields, or nullptr.
const Game* gameWithFields(int fieldCount);

// The bytes of an empty table of the game: version 0x03, the date and update stamp of the local
// clock, no records, the descriptors, the terminator and the end-of-file byte.
std::string emptyTableImage(const Game& game);

// Writes a new empty table of the game into `directory` and returns its full path. A table that
// is already there (in any letter case, as the engine would find it) is left alone and refused;
// failures raise the engine's error (EXbaseError) naming the table's path.
std::string createEmptyTable(const std::string& directory, const Game& game);

// Adds one draw as a new last record: blank record, each number put as value text, append (which
// holds the table's append lock while it writes).
void appendDraw(DBFObject& table, std::span<const int> numbers);

}  // namespace cli
