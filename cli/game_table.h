// What the commands on a game's draws share (analyze, backtest): the game named by the first
// word, the game's table from --dir DIR (the program's file name in that folder, by default the
// current one) or --table FILE (a table of any name), and whole-number options.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/game.h"
#include "cli/options.h"
#include "dataset/xbase_dataset.h"

namespace cli {

// The games of `folder`'s games.ini (empty: the current folder) join the registry; a mistake of
// the file is said on `err`, one line each, and the games it defines well serve.
void useFolderGames(const std::string& folder, std::ostream& err);
// The same for the folder a table is in.
void useGamesBeside(const std::string& tablePath, std::ostream& err);

// The game of the first positional word, among the games of the table's folder (--dir DIR, the
// folder of --table FILE, or the current one); UsageError when it names none.
const Game& gameArgument(const ParsedArguments& line, std::ostream& err);

// The game's table opened as the main window opens it. When its fields are not the game's, says
// so on `err` as `command` and gives nullptr. Raises what the open raises.
std::unique_ptr<TXbaseDataSet> openGameTable(const Game& game, const ParsedArguments& line, std::string_view command,
                                             std::ostream& err);

// The game's tickets table: --tickets FILE, else the one beside the game's draw table (--dir DIR,
// the folder of --table FILE, or the current one).
// The game's draw table as the commands take it: --table FILE, or the game's file in --dir DIR
// (the current folder by default).
std::string drawTablePath(const Game& game, const ParsedArguments& line);
std::string ticketTablePath(const Game& game, const ParsedArguments& line);

// A whole-number option within least..most, nullopt when it is not given; UsageError otherwise.
std::optional<std::uint64_t> numberOption(const ParsedArguments& line, std::string_view option, std::uint64_t least,
                                          std::uint64_t most);

}  // namespace cli
