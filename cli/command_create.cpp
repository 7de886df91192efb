// `sharometr-cli create --game loto|keno [--sample N] DIR`: a new empty draw table, written with
// plain file calls, and optionally N synthetic draws appended to it through the engine.
#include <limits>
#include <optional>
#include <ostream>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/draw_tables.h"
#include "cli/synthetic_draws.h"
#include "dbf/table_handler.h"

namespace cli {

namespace {

std::uint32_t sampleCount(const std::string& text)
{
    // The engine counts records in 32 bits; more draws than that could never be appended.
    const auto count = decimalNumber(text);
    if (!count || *count > std::numeric_limits<std::uint32_t>::max())
        throw UsageError("--sample wants a number of draws, not '" + text + "'");
    return static_cast<std::uint32_t>(*count);
}

}  // namespace

int commandCreate(Arguments args, std::ostream& out, std::ostream& /*err*/)
{
    const Game* game = nullptr;
    std::uint32_t samples = 0;
    std::optional<std::string> directory;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--game" || word == "--sample") {
            if (i + 1 == args.size())
                throw UsageError(word + " wants a value");
            const std::string& value = args[++i];
            if (word == "--sample") {
                samples = sampleCount(value);
            } else if (!(game = GameNamed(value))) {
                throw UsageError("unknown game '" + value + "' (" + GameNames(" or ") + ")");
            }
        } else if (word.starts_with("--")) {
            throw UsageError("unknown option '" + word + "'");
        } else if (directory) {
            throw UsageError("unexpected argument '" + word + "'");
        } else {
            directory = word;
        }
    }
    if (!game)
        throw UsageError("missing --game loto|keno");
    if (!directory)
        throw UsageError("missing DIR argument");

    const std::string path = createEmptyTable(*directory, *game);
    if (samples > 0) {
        DBFObject table(path, "", /*readWrite=*/true, /*shared=*/true);
        SyntheticDraws draws(*game);
        for (std::uint32_t i = 0; i < samples; ++i)
            appendDraw(table, draws.next());
    }
    out << "created " << path << " with " << counted(samples, "draw") << '\n';
    return kExitOk;
}

}  // namespace cli
