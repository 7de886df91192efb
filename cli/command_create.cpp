// `sharometr-cli create --game loto|keno [--sample N] DIR`: a new empty draw table made by the
// engine, and optionally N synthetic draws appended to it before it takes its name.
#include <limits>
#include <ostream>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/draw_tables.h"
#include "cli/options.h"
#include "cli/synthetic_draws.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/os_file.h"

namespace cli {

namespace {

std::uint32_t sampleCount(const std::string& text) {
    // The engine counts records in 32 bits; more draws than that could never be appended.
    const auto count = decimalNumber(text);
    if (!count || *count > std::numeric_limits<std::uint32_t>::max())
        throw UsageError("--sample wants a number of draws, not '" + text + "'");
    return static_cast<std::uint32_t>(*count);
}

// A table with sample draws is made whole under a scratch name beside its place and only then
// given its name, so that a failure (a full disk) or a kill never leaves a half-made table in the
// way of the next try; the scratch file goes with a failure, or with the next run after a kill.
std::string createSampleTable(const std::string& directory, const Game& game, std::uint32_t samples) {
    const std::string target = platform::fullPath(gameTablePath(directory, game));
    if (target.empty()) xb::raiseError(static_cast<int>(platform::lastError()), xb::loc::kCreate, directory);
    // As the engine refuses an existing table, in any letter case (the full path has matched it).
    if (platform::pathExists(target))
        xb::raiseError(static_cast<int>(platform::code::kAlreadyExists), xb::loc::kCreate, target);
    std::string scratch;
    try {
        scratch = xb::scratchNameBeside(target, "new");
        createDrawTable(scratch, game);
    } catch (const EXbaseError& error) {
        xb::raiseError(error.Code(), error.Location(), target);
    }
    try {
        {
            DBFObject table(scratch, "", /*readWrite=*/true, /*shared=*/false);
            SyntheticDraws draws(game);
            for (std::uint32_t i = 0; i < samples; ++i) appendDraw(table, draws.next());
            table.close();
        }
        if (!platform::moveFileNoReplace(scratch, target))
            xb::raiseError(static_cast<int>(platform::lastError()), xb::loc::kRename, target);
    } catch (...) {
        platform::removeFile(scratch);
        throw;
    }
    return target;
}

}  // namespace

int commandCreate(Arguments args, std::ostream& out, std::ostream& /*err*/) {
    const ParsedArguments line = parseArguments(args, {{"--game", "GAME"}, {"--sample", "N"}});
    const auto gameName = line.value("--game");
    const Game* game = gameName ? GameNamed(*gameName) : nullptr;
    if (gameName && !game) throw UsageError("unknown game '" + *gameName + "' (" + GameNames(" or ") + ")");
    const std::uint32_t samples = line.has("--sample") ? sampleCount(*line.value("--sample")) : 0;
    if (!game) throw UsageError("missing --game loto|keno");
    const std::string& directory = line.positional(0, "DIR");
    line.noMoreThan(1);

    const std::string path =
        samples == 0 ? createEmptyTable(directory, *game) : createSampleTable(directory, *game, samples);
    out << "created " << path << " with " << counted(samples, "draw") << '\n';
    return kExitOk;
}

}  // namespace cli
