// The draw tables the program keeps, one per game of the registry (lotobase.dbf with C1..C6,
// kenobase.dbf with K1..K20): the making of an empty one, and adding a draw to one through the
// storage engine.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/game.h"

class DBFObject;

namespace history {

// "6 or 20": the field counts of the games' tables.
std::string drawFieldCounts();

// The table's fields as the draw-table rule (IsDrawTableOf) sees them.
std::vector<TableField> tableFieldsOf(const DBFObject& table);

// Has the engine create a new empty table of the game (numeric fields two wide, the DOS Russian
// code page) in `directory` and returns its full path. A table that is already there (in any
// letter case, as the engine would find it) is left alone and refused; failures raise the
// engine's error (EXbaseError) naming the table's path.
std::string createEmptyTable(const std::string& directory, const Game& game);
// The same under any path, and the path of the game's table in `directory`.
std::string createDrawTable(const std::string& path, const Game& game);
std::string gameTablePath(const std::string& directory, const Game& game);

// Adds one draw as a new last record: blank record, each number put as value text, append (which
// holds the table's append lock while it writes).
void appendDraw(DBFObject& table, std::span<const int> numbers);

}  // namespace history
