// The draw tables' layout, made and appended to through the engine.
#include "analysis/new_draw_table.h"

#include <stdexcept>
#include <vector>

#include "analysis/synthetic_draws.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "platform/os_file.h"

namespace {

constexpr std::uint8_t kFieldWidth = 2;
// Language driver mark of the DOS Russian code page (866), the code page of table text.
constexpr std::uint8_t kCodePageMark = 0x65;

// The table in `directory`; an empty one is the current folder.
std::string InFolder(const std::string& directory, const char* name) {
    if (directory.empty()) return name;
    return directory + (directory.back() == '/' ? "" : "/") + name;
}

}  // namespace

std::string CreateEmptyDrawTable(const std::string& directory, const Game& game) {
    std::vector<xb::FieldSpec> fields;
    for (int field = 0; field < game.fieldsPerDraw; ++field)
        fields.push_back({game.fieldName(field), 'N', kFieldWidth, 0});
    return xb::createTable(InFolder(directory, game.tableFileName), fields, kCodePageMark);
}

void AppendDraw(DBFObject& table, std::span<const int> numbers) {
    if (static_cast<int>(numbers.size()) != table.fieldCount())
        throw std::logic_error("a draw of " + std::to_string(numbers.size()) + " numbers for a table of " +
                               std::to_string(table.fieldCount()) + " fields");
    table.blankRecord();
    for (std::size_t i = 0; i < numbers.size(); ++i)
        table.putValueText(static_cast<int>(i) + 1, std::to_string(numbers[i]));
    table.appendRecord();
}

std::string CreateDrawTable(const std::string& directory, const Game& game, std::uint32_t draws) {
    const std::string path = CreateEmptyDrawTable(directory, game);
    if (draws > 0) {
        DBFObject table(path, "", /*readWrite=*/true, /*shared=*/true);
        SyntheticDraws synthetic(game);
        for (std::uint32_t i = 0; i < draws; ++i) AppendDraw(table, synthetic.next());
    }
    return path;
}

bool DrawTableExists(const Game& game, const std::string& directory) {
    return platform::isRegularFile(platform::fullPath(InFolder(directory, game.tableFileName)));
}
