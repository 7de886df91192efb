// The draw tables the program keeps, one per game of the registry (lotobase.dbf with C1..C6,
// kenobase.dbf with K1..K20): the games' field counts, a table's fields as the draw-table rule
// sees them, and adding a draw to one through the storage engine (new_draw_table.h makes them).
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

// Adds one draw as a new last record: blank record, each number put as value text, append (which
// holds the table's append lock while it writes).
void appendDraw(DBFObject& table, std::span<const int> numbers);

}  // namespace history
