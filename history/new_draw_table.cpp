// Making a game's draw table through the engine: empty, or whole with synthetic draws.
#include "history/new_draw_table.h"

#include <stdexcept>
#include <vector>

#include "analysis/synthetic_draws.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"

namespace {

constexpr std::uint8_t kFieldWidth = 2;
// Language driver mark of the DOS Russian code page (866), the code page of table text.
constexpr std::uint8_t kCodePageMark = 0x65;

// The table in `directory`; an empty one is the current folder.
std::string InFolder(const std::string& directory, const char* name) {
    if (directory.empty()) return name;
    return directory + (directory.back() == '/' ? "" : "/") + name;
}

// The engine makes the table at `path` exactly as named (an empty file there replaced with
// `overEmpty`).
std::string CreateDrawTableAt(const std::string& path, const Game& game, bool overEmpty = false) {
    std::vector<xb::FieldSpec> fields;
    for (int field = 0; field < game.fieldsPerDraw; ++field)
        fields.push_back({game.fieldName(field), 'N', kFieldWidth, 0});
    return xb::createTable(path, fields, kCodePageMark, overEmpty);
}

}  // namespace

std::string CreateEmptyDrawTable(const std::string& directory, const Game& game) {
    return CreateDrawTableAt(InFolder(directory, game.tableFileName), game, true);
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

// A table with draws is made whole under a scratch name beside its place, put on the disk, and
// only then given its name, so that a failure (a full disk) or a kill never leaves a half-made
// table in the way of the next try; the scratch file goes with a failure, or with the next run
// after a kill. An empty file under the name, which an older program's kill left, is no table and
// is replaced.
std::string CreateDrawTable(const std::string& directory, const Game& game, std::uint32_t draws) {
    if (draws == 0) return CreateEmptyDrawTable(directory, game);
    const std::string target = xb::freeTablePath(InFolder(directory, game.tableFileName), directory, true);
    std::string scratch;
    try {
        scratch = xb::scratchNameBeside(target, "new");
        CreateDrawTableAt(scratch, game);
    } catch (const EXbaseError& error) {
        xb::raiseError(error.Code(), error.Location(), target);
    }
    try {
        {
            DBFObject table(scratch, "", /*readWrite=*/true, /*shared=*/false);
            SyntheticDraws synthetic(game);
            for (std::uint32_t i = 0; i < draws; ++i) AppendDraw(table, synthetic.next());
            table.close();
        }
        xb::flushScratchFile(scratch);
        xb::renameToFreeName(scratch, target, true);
    } catch (...) {
        xb::removeScratchFile(scratch);
        throw;
    }
    return target;
}

bool DrawTableExists(const Game& game, const std::string& directory) {
    return xb::tableFileExists(InFolder(directory, game.tableFileName));
}

bool DrawTableIsEmptyFile(const Game& game, const std::string& directory) {
    return xb::isEmptyFile(InFolder(directory, game.tableFileName));
}
