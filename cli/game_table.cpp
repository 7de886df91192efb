// The game and its table on the command line.
#include "cli/game_table.h"

#include <ostream>
#include <string>

#include "analysis/draw_datasets.h"
#include "cli/command_support.h"
#include "tickets/tickets.h"

namespace cli {

void useFolderGames(const std::string& folder, std::ostream& err) {
    for (const std::string& mistake : LoadFolderGames(folder)) err << "sharometr-cli: " << mistake << '\n';
}

void useGamesBeside(const std::string& tablePath, std::ostream& err) {
    const auto slash = tablePath.rfind('/');
    useFolderGames(slash == std::string::npos ? std::string() : tablePath.substr(0, slash + 1), err);
}

const Game& gameArgument(const ParsedArguments& line, std::ostream& err) {
    if (const auto table = line.value("--table"))
        useGamesBeside(*table, err);
    else
        useFolderGames(line.value("--dir").value_or(""), err);
    const std::string games = "(" + GameNames(", ", " or ") + ")";
    if (line.positionals().empty()) throw UsageError("missing game " + games);
    const std::string& word = line.positionals().front();
    const Game* game = GameNamed(word);
    if (!game) throw UsageError("unknown game '" + word + "' " + games);
    return *game;
}

std::unique_ptr<TXbaseDataSet> openGameTable(const Game& game, const ParsedArguments& line, std::string_view command,
                                             std::ostream& err) {
    const auto table = line.value("--table");
    const auto directory = line.value("--dir");
    if (table && directory) throw UsageError("--dir and --table exclude each other");
    auto dataset = table ? MakeDrawDataSetOn(game, *table) : MakeDrawDataSet(game, directory.value_or(""));
    if (const std::string mismatch = DrawTableMismatch(*dataset, game); !mismatch.empty()) {
        err << "sharometr-cli " << command << ": " << mismatch << '\n';
        return nullptr;
    }
    return dataset;
}

std::string drawTablePath(const Game& game, const ParsedArguments& line) {
    if (const auto table = line.value("--table")) return *table;
    const std::string directory = line.value("--dir").value_or("");
    if (directory.empty()) return game.tableFileName;
    return directory + (directory.back() == '/' ? "" : "/") + game.tableFileName;
}

std::string ticketTablePath(const Game& game, const ParsedArguments& line) {
    if (const auto file = line.value("--tickets")) return *file;
    const auto table = line.value("--table");
    const auto directory = line.value("--dir");
    if (table && directory) throw UsageError("--dir and --table exclude each other");
    if (table) {
        const auto slash = table->rfind('/');
        return TicketTablePath(game, slash == std::string::npos ? std::string() : table->substr(0, slash + 1));
    }
    return TicketTablePath(game, directory.value_or(""));
}

std::optional<std::uint64_t> numberOption(const ParsedArguments& line, std::string_view option, std::uint64_t least,
                                          std::uint64_t most) {
    const auto text = line.value(option);
    if (!text) return std::nullopt;
    const auto number = decimalNumber(*text);
    if (!number || *number < least || *number > most)
        throw UsageError(std::string(option) + " wants a whole number from " + std::to_string(least) + " to " +
                         std::to_string(most) + ", not '" + *text + "'");
    return *number;
}

}  // namespace cli
