// The draw tables' layout, made and appended to through the engine.
#include "history/draw_tables.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "history/new_draw_table.h"
#include "dbf/table_handler.h"

namespace history {

std::string drawFieldCounts() {
    std::vector<int> counts;
    for (const Game* game : Games()) counts.push_back(game->fieldsPerDraw);
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
    std::string text;
    for (std::size_t i = 0; i < counts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == counts.size() ? " or " : ", ") + std::to_string(counts[i]);
    return text;
}

std::vector<TableField> tableFieldsOf(const DBFObject& table) {
    std::vector<TableField> fields;
    for (int number = 1; number <= table.fieldCount(); ++number) {
        const char type = table.fieldType(number);
        fields.push_back({table.fieldName(number), type == 'N' || type == 'F'});
    }
    return fields;
}

void appendDraw(DBFObject& table, std::span<const int> numbers) { AppendDraw(table, numbers); }

}  // namespace history
