// `sharometr-cli games [--dir DIR] [--needed] [--format tsv|csv|json]`: every game the program
// knows, from the registry (SuperLoto, Keno, the program's own list and the folder's games.ini),
// with whether its table is in the folder; with --needed only those whose tables the program
// needs to start. The scripts and the shell's completion read it.
#include <ostream>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "history/new_draw_table.h"
#include "cli/cli.h"
#include "cli/game_table.h"
#include "cli/options.h"
#include "cli/output_format.h"

namespace cli {

namespace {

constexpr const char* kColumns[] = {"name", "caption", "numbers", "drawn", "table", "fields", "present"};

// An empty file under the table's name (a making cut short by an older program) is no table:
// said as such, and create makes the table over it.
std::string presence(const Game& game, const std::string& folder) {
    if (!DrawTableExists(game, folder)) return "no";
    return DrawTableIsEmptyFile(game, folder) ? "empty" : "yes";
}

std::vector<std::string> rowOf(const Game& game, const std::string& folder) {
    return {game.cliName,
            game.menu.menuCaption,
            std::to_string(game.numbers),
            std::to_string(game.fieldsPerDraw),
            game.tableFileName,
            game.fieldName(0) + ".." + game.fieldName(game.fieldsPerDraw - 1),
            presence(game, folder)};
}

}  // namespace

int commandGames(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--dir", "DIR"}, {"--needed"}, {"--format", "FORMAT"}});
    line.noMoreThan(0);
    const OutputFormat format = formatOption(line);
    const std::string folder = line.value("--dir").value_or("");
    useFolderGames(folder, err);

    if (format == OutputFormat::Csv) {
        for (std::size_t c = 0; c < std::size(kColumns); ++c) out << (c ? "," : "") << kColumns[c];
        out << '\n';
    }
    if (format == OutputFormat::Json) out << '[';
    bool first = true;
    const bool neededOnly = line.has("--needed");
    for (const Game* game : Games()) {
        if (neededOnly && !game->neededAtStart()) continue;
        const std::vector<std::string> row = rowOf(*game, folder);
        switch (format) {
            case OutputFormat::Tsv:
                for (std::size_t c = 0; c < row.size(); ++c) out << (c ? "\t" : "") << row[c];
                out << '\n';
                break;
            case OutputFormat::Csv:
                for (std::size_t c = 0; c < row.size(); ++c) out << (c ? "," : "") << csvField(row[c]);
                out << '\n';
                break;
            case OutputFormat::Json:
                out << (first ? "\n  {" : ",\n  {");
                for (std::size_t c = 0; c < row.size(); ++c) {
                    out << (c ? ", " : "") << jsonString(kColumns[c]) << ": ";
                    if (c == 2 || c == 3)
                        out << row[c];
                    else if (c == 6)
                        out << (row[c] == "yes" ? "true" : row[c] == "no" ? "false" : jsonString(row[c]));
                    else
                        out << jsonString(row[c]);
                }
                out << '}';
                break;
        }
        first = false;
    }
    if (format == OutputFormat::Json) out << "\n]\n";
    return kExitOk;
}

}  // namespace cli
