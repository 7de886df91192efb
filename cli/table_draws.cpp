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
    const Game* game = GameWithFields(table.fieldCount());
    if (!game) {
        why = table.path() + " has " + counted(static_cast<std::uint64_t>(table.fieldCount()), "field") +
              ", a draw table has " + drawFieldCounts();
        return std::nullopt;
    }
    DrawShape shape;
    shape.highest = game->numbers;
    for (int number = 1; number <= table.fieldCount(); ++number) {
        if (table.fieldType(number) != 'N') {
            why = table.path() + ": field " + table.fieldName(number) + " is not numeric, a draw table's fields are";
            return std::nullopt;
        }
        shape.fieldNames.push_back(table.fieldName(number));
    }
    return shape;
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
