// `sharometr-cli create --game GAME [--sample N] DIR`: a new empty draw table made by the
// engine, and optionally N synthetic draws appended to it before it takes its name.
#include <filesystem>
#include <limits>
#include <ostream>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/game_table.h"
#include "cli/options.h"
#include "history/new_draw_table.h"

namespace cli {

namespace {

std::uint32_t sampleCount(const std::string& text) {
    // The engine counts records in 32 bits; more draws than that could never be appended.
    const auto count = decimalNumber(text);
    if (!count || *count > std::numeric_limits<std::uint32_t>::max())
        throw UsageError("--sample wants a number of draws, not '" + text + "'");
    return static_cast<std::uint32_t>(*count);
}

}  // namespace

int commandCreate(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--game", "GAME"}, {"--sample", "N"}});
    const auto gameName = line.value("--game");
    // The games of the folder's games.ini may be made there too.
    if (gameName && !line.positionals().empty()) useFolderGames(line.positionals().front(), err);
    const Game* game = gameName ? GameNamed(*gameName) : nullptr;
    if (gameName && !game) throw UsageError("unknown game '" + *gameName + "' (" + GameNames(", ", " or ") + ")");
    const std::uint32_t samples = line.has("--sample") ? sampleCount(*line.value("--sample")) : 0;
    if (!game) throw UsageError("missing --game GAME (" + GameNames(", ", " or ") + ")");
    const std::string& directory = line.positional(0, "DIR");
    line.noMoreThan(1);

    // A folder that is not there yet is made, as a new history starts in a folder of its own.
    std::error_code failed;
    if (!std::filesystem::exists(directory, failed)) std::filesystem::create_directories(directory, failed);
    if (failed) {
        err << "cannot make the folder " << directory << ": " << failed.message() << '\n';
        return kExitFailure;
    }
    const std::string path = CreateDrawTable(directory, *game, samples);
    out << "created " << path << " with " << counted(samples, "draw") << '\n';
    return kExitOk;
}

}  // namespace cli
