// Draw tables seen as sets of draws.
#include "cli/table_draws.h"

#include <algorithm>
#include <cmath>

#include "cli/command_support.h"
#include "cli/draw_tables.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"

namespace cli {

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

KnownDraws::KnownDraws(DBFObject& table) {
    const std::uint32_t count = table.recordCount();
    std::vector<int> draw(static_cast<std::size_t>(table.fieldCount()));
    // Read in blocks, not a read per record; off again before anything is written (a failed
    // read ends the command).
    table.setReadAhead(true);
    for (std::uint32_t record = 1; record <= count; ++record) {
        table.readRecord(record);
        if (table.isDeleted()) continue;
        try {
            for (int field = 1; field <= table.fieldCount(); ++field)
                draw[static_cast<std::size_t>(field - 1)] = static_cast<int>(std::lround(table.getNumber(field)));
        } catch (const Exception&) {
            continue;  // a field that holds no number: no draw to meet again
        }
        m_records.emplace(key(draw), record);  // the first record of a draw stays
    }
    table.setReadAhead(false);
}

std::optional<std::uint64_t> KnownDraws::recordOf(const std::vector<int>& draw) const {
    const auto found = m_records.find(key(draw));
    if (found == m_records.end()) return std::nullopt;
    return found->second;
}

std::vector<int> KnownDraws::key(std::vector<int> draw) {
    std::sort(draw.begin(), draw.end());
    return draw;
}

}  // namespace cli
