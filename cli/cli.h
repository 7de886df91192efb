// sharometr-cli, the command-line companion: a table of commands, each a function of its
// arguments and two output streams returning the exit status, so that every command can be run
// in-process by the tests exactly as the program runs it.
#pragma once

#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the engine or the system refused
inline constexpr int kExitUsage = 2;    // the command line itself was wrong
// The change is made (a table written), but its report could not be written to standard output:
// a script that retried on a failure would make it twice.
inline constexpr int kExitUnreported = 3;

using Arguments = std::span<const std::string>;
using CommandFunction = int (*)(Arguments args, std::ostream& out, std::ostream& err);

struct Command {
    std::string_view name;
    std::string_view arguments;  // as the usage text shows them, e.g. "FILE"
    std::string_view summary;    // one line of the command list
    std::string_view details;    // what `COMMAND --help` adds below the usage: options, notes
    CommandFunction run;
    bool listsGames = false;  // `--help` ends with the games of the registry
    // The names the command's NAME argument takes, from the registry they come from ("histogram,
    // succession, waiting or talven"): they stand for kNames in the summary and the details, and
    // a paragraph of the details that holds them is wrapped anew.
    std::string (*names)() = nullptr;
};

inline constexpr std::string_view kNames = "{names}";

// The command's one line of the command list, its names put in.
std::string summaryOf(const Command& command);
// "a, b or c".
std::string alternatives(const std::vector<std::string>& words);
// What analyze's ANALYSIS and backtest's METHOD take, from the registry of analyses.
std::string analysisNames();
std::string methodNames();

// Raised by a command whose arguments are wrong; the dispatcher prints the reason and the usage
// text on the error stream and exits with kExitUsage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every command the program knows, in the order the usage text lists them.
std::span<const Command> commands();

void printUsage(std::ostream& out);
// `COMMAND --help`: the command's usage line, summary and details.
void printCommandHelp(const Command& command, std::ostream& out);

// The program's version, one number for the program, the companion and the package.
std::string_view version();

// Runs the command line without the program name: the command and its arguments. Engine errors
// (Exception and its descendants) print their message on `err` and give kExitFailure. Output that
// never arrived (a full disk, a closed pipe) does not pass for success, nor for a refusal when the
// change was made (kExitUnreported).
int run(Arguments args, std::ostream& out, std::ostream& err);

// What the user reads of a failure: the message with its line breaks for a terminal, and for a
// numbered failure of the system (112: a full disk) the system's words for it on a line of its own.
std::string failureText(const std::exception& error);

// The commands.
int commandInfo(Arguments args, std::ostream& out, std::ostream& err);
int commandDump(Arguments args, std::ostream& out, std::ostream& err);
int commandCreate(Arguments args, std::ostream& out, std::ostream& err);
int commandImport(Arguments args, std::ostream& out, std::ostream& err);
int commandAdd(Arguments args, std::ostream& out, std::ostream& err);
int commandPack(Arguments args, std::ostream& out, std::ostream& err);
int commandSet(Arguments args, std::ostream& out, std::ostream& err);
int commandDelete(Arguments args, std::ostream& out, std::ostream& err);
int commandRecall(Arguments args, std::ostream& out, std::ostream& err);
int commandCheck(Arguments args, std::ostream& out, std::ostream& err);
int commandBacktest(Arguments args, std::ostream& out, std::ostream& err);
int commandAnalyze(Arguments args, std::ostream& out, std::ostream& err);
int commandGames(Arguments args, std::ostream& out, std::ostream& err);
int commandTickets(Arguments args, std::ostream& out, std::ostream& err);
int commandWheel(Arguments args, std::ostream& out, std::ostream& err);

}  // namespace cli
