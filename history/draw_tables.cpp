// The draw tables' layout, made and appended to through the engine.
#include "history/draw_tables.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "dbf/table_file.h"
#include "dbf/table_handler.h"

namespace history {

namespace {

constexpr std::uint8_t kFieldWidth = 2;
// Language driver mark of the DOS Russian code page (866), the code page of table text.
constexpr std::uint8_t kCodePageMark = 0x65;

}  // namespace

std::string drawFieldCounts() {
    std::string counts;
    for (const Game* game : Games()) {
        if (!counts.empty()) counts += " or ";
        counts += std::to_string(game->fieldsPerDraw);
    }
    return counts;
}

std::string createEmptyTable(const std::string& directory, const Game& game) {
    std::vector<xb::FieldSpec> fields;
    for (int field = 0; field < game.fieldsPerDraw; ++field)
        fields.push_back({game.fieldName(field), 'N', kFieldWidth, 0});
    std::string path = directory;
    if (path.empty() || path.back() != '/') path += '/';
    return xb::createTable(path + game.tableFileName, fields, kCodePageMark);
}

void appendDraw(DBFObject& table, std::span<const int> numbers) {
    if (static_cast<int>(numbers.size()) != table.fieldCount())
        throw std::logic_error("a draw of " + std::to_string(numbers.size()) + " numbers for a table of " +
                               std::to_string(table.fieldCount()) + " fields");
    table.blankRecord();
    for (std::size_t i = 0; i < numbers.size(); ++i)
        table.putValueText(static_cast<int>(i) + 1, std::to_string(numbers[i]));
    table.appendRecord();
}

}  // namespace history
