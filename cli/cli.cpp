// The command dispatch of sharometr-cli: finds the command, turns usage mistakes into the usage
// text and engine failures into their message, and gives the exit status.
#include "cli/cli.h"

#include <algorithm>
#include <array>
#include <exception>
#include <ostream>

#include "platform/exception.h"

namespace cli {

namespace {

constexpr std::string_view kProgram = "sharometr-cli";

// A new command is one more line here and its function in its own file.
constexpr std::array kCommands{
    Command{"info", "FILE", "show a table's version, header, record counts and fields", &commandInfo},
    Command{"dump", "FILE [--deleted]", "print every record (deleted ones too with --deleted)", &commandDump},
    Command{"create", "--game loto|keno [--sample N] DIR", "write a new empty draw table, with N synthetic draws",
            &commandCreate},
    Command{"import", "FILE CSV", "append the draws of a text file, one draw a line", &commandImport},
    Command{"set", "FILE RECNO FIELD=VALUE...", "change fields of one record", &commandSet},
    Command{"delete", "FILE RECNO", "mark a record deleted", &commandDelete},
    Command{"recall", "FILE RECNO", "clear a record's deletion mark", &commandRecall},
#ifdef SHAROMETR_CLI_ANALYZE
    Command{"analyze", "loto|keno ANALYSIS [--dir DIR] [--values] [--png FILE]",
            "histogram, succession, waiting or talven of DIR's table (default: here)", &commandAnalyze},
#endif
    Command{"backtest", "loto|keno METHOD|all [OPTIONS]",
            "replay hot, succession, waiting, talven or random picks on the draws, against chance; options: "
            "--top K, --from S, --seed X, --dir DIR or --table FILE, --format tsv|csv|json",
            &commandBacktest},
};

bool isHelp(std::string_view word)
{
    return word == "--help" || word == "-h" || word == "help";
}

}  // namespace

std::span<const Command> commands()
{
    return kCommands;
}

void printUsage(std::ostream& out)
{
    out << "usage: " << kProgram << " COMMAND [ARGUMENTS]\n"
        << "       " << kProgram << " --help\n"
        << "\n"
        << "Commands:\n";
    std::size_t width = 0;
    for (const Command& command : commands())
        width = std::max(width, command.name.size() + 1 + command.arguments.size());
    for (const Command& command : commands()) {
        const std::string synopsis = std::string(command.name) + " " + std::string(command.arguments);
        out << "  " << synopsis << std::string(width - synopsis.size() + 2, ' ') << command.summary
            << '\n';
    }
}

int run(Arguments args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << kProgram << ": no command given\n";
        printUsage(err);
        return kExitUsage;
    }
    if (isHelp(args.front())) {
        printUsage(out);
        return kExitOk;
    }
    const auto& all = commands();
    const auto found = std::find_if(all.begin(), all.end(),
                                    [&](const Command& command) { return command.name == args.front(); });
    if (found == all.end()) {
        err << kProgram << ": unknown command '" << args.front() << "'\n";
        printUsage(err);
        return kExitUsage;
    }
    try {
        return found->run(args.subspan(1), out, err);
    } catch (const UsageError& error) {
        err << kProgram << ' ' << found->name << ": " << error.what() << '\n';
        printUsage(err);
        return kExitUsage;
    } catch (const Exception& error) {
        err << error.Message() << '\n';
        return kExitFailure;
    } catch (const std::exception& error) {
        err << kProgram << ": " << error.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace cli
