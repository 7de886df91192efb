// The command dispatch of sharometr-cli: finds the command, turns usage mistakes into the usage
// text and engine failures into their message, and gives the exit status.
#include "cli/cli.h"

#include <algorithm>
#include <array>
#include <exception>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "cli/command_support.h"
#include "cli/game_table.h"
#include "cli/options.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/text_numbers.h"
#include "platform/exception.h"
#include "sharometr_version.h"

namespace cli {

namespace {

constexpr std::string_view kProgram = "sharometr-cli";
constexpr std::size_t kColumns = 80;

// A new command is one more entry here and its function in its own file. Every text stays within
// 80 columns, its lines included.
constexpr std::array kCommands{
    Command{"info", "FILE", "show a table's version, header, record counts and fields",
            "FILE is the table's path; \".dbf\" is added when the name has no extension\n"
            "and no file of exactly that name exists.\n",
            &commandInfo},
    Command{"dump", "FILE [--deleted] [--format tsv|csv|json]", "print every record",
            "Prints the record number, then each field, one record a line.\n"
            "\n"
            "  --deleted        deleted records too; in csv and json a \"deleted\" column\n"
            "                   says which ones are deleted\n"
            "  --format FORMAT  tsv (the default): tab-separated, no header; csv: a\n"
            "                   header line of field names; json: an array of objects,\n"
            "                   one a record. Text is UTF-8 in every form\n"
            "\n"
            "The csv form imports back: dump --format csv FILE | import OTHER -\n",
            &commandDump},
    Command{"games", "[--dir DIR] [--needed] [--format tsv|csv|json]",
            "list every game: name, caption, N, m, table, fields",
            "Lists SuperLoto, Keno, the program's own games and those of games.ini in\n"
            "the folder: the command-line name, the caption, N (numbers 1..N), m (numbers\n"
            "a draw), the table, its fields and whether the table is in the folder.\n"
            "\n"
            "  --dir DIR        the tables' folder (default: the current one)\n"
            "  --needed         only the games whose tables the program needs to start\n"
            "  --format FORMAT  tsv (default), csv or json\n",
            &commandGames},
    Command{"create", "--game GAME [--sample N] DIR", "write a new empty draw table, with N synthetic draws",
            "Writes the game's table in DIR (lotobase.dbf for loto, kenobase.dbf for\n"
            "keno); an existing table is never overwritten. The games of games.ini in\n"
            "DIR count too.\n"
            "\n"
            "  --game GAME  the game, by its command-line name\n"
            "  --sample N   append N synthetic draws\n",
            &commandCreate, true},
    Command{"import", "FILE CSV [OPTIONS]", "append the draws of a text file, one draw a line",
            "CSV is a text file, or - for standard input. Numbers stand between commas,\n"
            "semicolons, tabs or blanks; fields may be in double quotes; a field may hold\n"
            "the whole draw (3 17 22 31 40 48, 3,17,22,31,40,48 or 3-17-22-31-40-48).\n"
            "UTF-8, UTF-16 with a byte-order mark and Windows-1251 text are read, and so\n"
            "is the json of dump. Blank lines and lines starting with # are skipped, and\n"
            "so is a first line of words (a header). A header naming the table's fields\n"
            "(C1.., K1..) says where the numbers are. Every line is checked before\n"
            "anything is written: one bad line, or a draw already in the table or higher\n"
            "up in the file, appends nothing. A draw-number or date column that runs\n"
            "downwards is refused without --newest-first. Where no fields are named,\n"
            "the draw is found over the first lines of the file beside draw numbers\n"
            "(11 500, No 1234), dates with a time, sums and words, as results pasted\n"
            "from a page have them; where two places could hold it, --columns decides.\n"
            "CSV may be a spreadsheet (.xlsx, .ods, .xls) or a web page with a table.\n"
            "\n"
            "  --columns LIST     the fields that hold the numbers, such as 3-8 or\n"
            "                     2,4,6-9, or the one field that holds the draw;\n"
            "                     the other fields are ignored\n"
            "  --skip-duplicates  leave out draws met before instead of refusing\n"
            "  --newest-first     the file lists the newest draw first: append its\n"
            "                     draws from the last line up\n"
            "  --replace          put the file's draws in place of every draw of the\n"
            "                     table (a new table written beside it and renamed\n"
            "                     over it; needs the table to itself)\n"
            "  --dry-run          read and check only, and print what would go in: the\n"
            "                     columns, the order, the first and last draw, bad lines\n",
            &commandImport},
    Command{"add", "FILE N1 N2 ...", "append one draw given on the command line",
            "The numbers are checked as import checks a line: one per field, within the\n"
            "game's range, none twice, and not a draw the table already has.\n",
            &commandAdd},
    Command{"set", "FILE RECNO FIELD=VALUE... [--force]", "change fields of one record",
            "On a draw table the record must stay a draw: numbers within the game's\n"
            "range, none twice, and not a draw another record holds.\n"
            "\n"
            "  --force  write the values anyway (for repairs)\n",
            &commandSet},
    Command{"delete", "FILE RECNO", "mark a record deleted", "", &commandDelete},
    Command{"recall", "FILE RECNO [--force]", "clear a record's deletion mark",
            "On a draw table a record whose draw another record holds stays deleted.\n"
            "\n"
            "  --force  recall it anyway\n",
            &commandRecall},
    Command{"pack", "FILE", "remove the deleted records",
            "Needs the table in exclusive use. The records that stay are written to a\n"
            "new file beside the table, which then replaces it: a failure at any step\n"
            "leaves the table as it was.\n",
            &commandPack},
    Command{"check", "FILE [--repair]", "report what is wrong, by record; --repair mends the file's end",
            "Reports, one line each, what is wrong with the table: the header's record\n"
            "count against the records the file holds, a partial last record, a missing\n"
            "end mark, numbers that do not parse and, on a draw table, draw numbers\n"
            "outside the game or repeated in a draw, and draws that stand twice. Exit\n"
            "status 1 when anything is.\n"
            "\n"
            "  --repair  with the table to itself, write the true record count, every\n"
            "            whole record and the end mark to a copy that replaces it\n",
            &commandCheck},
    Command{"analyze", "GAME ANALYSIS|all [OPTIONS]", "{names}, or all",
            "ANALYSIS is {names}; all runs every one of them at once (one values table, a "
            "column each). Without --png the values are printed: the number, then its value.\n"
            "\n"
            "  --dir DIR        the folder of the game's table (default: here)\n"
            "  --table FILE     a table given by its path, whatever its name\n"
            "  --last N         only the latest N draws\n"
            "  --upto K         only the draws up to record K (the history then)\n"
            "  --values         print the values (also with --png)\n"
            "  --format FORMAT  tsv (default), csv or json\n"
            "  --png FILE       write the board's picture, FILE ending in .png; with\n"
            "                   all, a prefix: PREFIX-histogram.png and so on\n",
            &commandAnalyze, true, &analysisNames},
    Command{"backtest", "GAME METHOD|all [OPTIONS]", "replay a picking method on the draws, against chance",
            "METHOD is {names}, or all of them. For every draw from the start draw on, the method picks "
            "from the draws before it only; the hits are compared with their exact distribution under "
            "chance. Methods tested together have their p adjusted (Holm; the random baseline is not "
            "judged); fewer than 50 tested draws give the verdict too_few. METHOD tickets tests the "
            "tickets you keep (see tickets), each with its own numbers, one line a ticket.\n"
            "\n"
            "  --top K            picks per draw (default: the game's picks, below)\n"
            "  --from S           the first draw tested (default: 50)\n"
            "  --to T             the last draw tested (default: the last one)\n"
            "  --seed X           the random baseline's seed\n"
            "  --dir DIR          the folder of the table (default: the current one)\n"
            "  --table FILE       a table given by its path, whatever its name\n"
            "  --tickets FILE     the tickets table, whatever its name\n"
            "  --format FORMAT    tsv (default), csv or json\n",
            &commandBacktest, true, &methodNames},
    Command{"tickets", "GAME add|list|delete|check [...] [OPTIONS]",
            "keep your tickets and check them against the draws",
            "  tickets GAME add N1 N2 ... [--name NAME]   keep a ticket\n"
            "  tickets GAME list                          the tickets kept\n"
            "  tickets GAME delete RECNO                  delete ticket RECNO\n"
            "  tickets GAME check                         each ticket against the draws\n"
            "\n"
            "A ticket holds m distinct numbers of the game, or more (a system ticket: its\n"
            "combinations of m play); a Keno ticket holds 1 to 10 numbers. The tickets\n"
            "are kept in the tickets table beside the draw table: lototick.dbf,\n"
            "kenotick.dbf, for other games the draw table's name with base made tick.\n"
            "The check gives, per ticket, its matches in the latest draw, the best draw,\n"
            "the last winning draw (games with wins =), and the draws with 0, 1, 2, ...\n"
            "matches against the count chance expects.\n"
            "\n"
            "  --dir DIR        the folder of the tables (default: here)\n"
            "  --table FILE     the draw table, whatever its name; tickets beside it\n"
            "  --tickets FILE   the tickets table, whatever its name\n"
            "  --last N         check only the latest N draws\n"
            "  --upto K         check only the draws up to record K\n"
            "  --format FORMAT  tsv (default), csv or json\n",
            &commandTickets, true},
    Command{"wheel", "GAME --numbers LIST --guarantee TifM [OPTIONS]",
            "tickets of your numbers that guarantee t of any m drawn",
            "Makes the fewest tickets it finds in the time given such that whenever m of\n"
            "the drawn numbers are among yours, some ticket holds at least t of them,\n"
            "checks that guarantee over every m of your numbers, and prints the tickets,\n"
            "one a line; what was made goes to standard error. The search is seeded:\n"
            "the same seed and time give the same tickets on the same machine.\n"
            "\n"
            "  --numbers LIST      your numbers, such as 1,5,7,12-20\n"
            "  --guarantee TifM    such as 3if4; t <= m <= your numbers and the drawn\n"
            "  --size K            numbers a ticket (default: the game's ticket)\n"
            "  --keys LIST         numbers in every ticket; the guarantee then speaks\n"
            "                      of your other numbers\n"
            "  --full              every combination instead of a small wheel\n"
            "  --seconds S         the search's time (default 5)\n"
            "  --seed X            the search's seed (default 1)\n"
            "  --filter FILTERS    keep only the tickets that pass, blank-separated:\n"
            "                      sum=A-B odd=A-B low=A-B run=A-B decade=A-B\n"
            "                      digit=A-B from=N,N,...:A-B hot=K:A-B absent=K:A-B\n"
            "                      drawn (hot, absent and drawn read the draw table);\n"
            "                      each says how many it keeps, and the guarantee is\n"
            "                      checked again\n"
            "  --add-to-tickets    keep the tickets in the tickets table\n"
            "  --verify FILE       check the guarantee of the tickets in FILE instead\n"
            "                      (one a line; over --numbers, or their own numbers)\n"
            "  --dir DIR, --table FILE, --tickets FILE   as for tickets\n"
            "  --format FORMAT     tsv (default), csv or json\n",
            &commandWheel, true},
};

bool isHelp(std::string_view word) { return word == "--help" || word == "-h" || word == "help"; }

// The words of `text` in lines of at most kColumns, each ended by a line break.
std::string wrapped(std::string_view text) {
    std::string lines, line;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t to = text.find(' ', from);
        if (to == std::string_view::npos) to = text.size();
        const std::string_view word = text.substr(from, to - from);
        from = to + 1;
        if (word.empty()) continue;
        if (!line.empty() && line.size() + 1 + word.size() > kColumns) {
            lines += line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + std::string(word);
    }
    return line.empty() ? lines : lines + line + '\n';
}

// The text with the command's names in place of kNames; a paragraph that held them is wrapped anew.
std::string withNames(const Command& command, std::string_view text) {
    if (!command.names || text.find(kNames) == std::string_view::npos) return std::string(text);
    const std::string names = command.names();
    std::string result;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find("\n\n", from);
        end = end == std::string_view::npos ? text.size() : end + 2;
        std::string paragraph(text.substr(from, end - from));
        from = end;
        if (paragraph.find(kNames) == std::string::npos) {
            result += paragraph;
            continue;
        }
        for (std::size_t at; (at = paragraph.find(kNames)) != std::string::npos;)
            paragraph.replace(at, kNames.size(), names);
        const std::size_t body = paragraph.find_last_not_of('\n') + 1;
        std::string joined = paragraph.substr(0, body);
        std::replace(joined.begin(), joined.end(), '\n', ' ');
        result += wrapped(joined) + paragraph.substr(body).substr(std::min<std::size_t>(1, paragraph.size() - body));
    }
    return result;
}

std::string synopsisOf(const Command& command) {
    return std::string(command.name) + (command.arguments.empty() ? "" : " ") + std::string(command.arguments);
}

// The pieces of a synopsis that a line may not break: words, and bracketed groups whole.
std::vector<std::string> synopsisPieces(std::string_view synopsis) {
    std::vector<std::string> pieces(1);
    int depth = 0;
    for (const char c : synopsis) {
        depth += (c == '[') - (c == ']');
        if (c == ' ' && depth == 0)
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

void printCommandUsage(const Command& command, std::ostream& out) {
    // "usage: sharometr-cli NAME", then the arguments, wrapped under the first of them.
    std::string lineText = "usage: " + std::string(kProgram) + ' ' + std::string(command.name);
    const std::string indent(lineText.size() + 1, ' ');
    for (const std::string& piece : synopsisPieces(command.arguments)) {
        if (piece.empty()) continue;
        if (lineText.size() + 1 + piece.size() > kColumns && lineText.size() > indent.size()) {
            out << lineText << '\n';
            lineText = indent + piece;
        } else {
            lineText += ' ' + piece;
        }
    }
    out << lineText << '\n' << "       " << kProgram << ' ' << command.name << " --help\n";
}

// The engine's numbered form holds a carriage return, which on a terminal would send the path
// over the text: inside a message it becomes a line break, at its end it is dropped.
std::string terminalText(std::string message) {
    while (!message.empty() && message.back() == '\r') message.pop_back();
    std::replace(message.begin(), message.end(), '\r', '\n');
    return message;
}

}  // namespace

std::span<const Command> commands() { return kCommands; }

std::string summaryOf(const Command& command) {
    std::string summary(command.summary);
    if (const std::size_t at = summary.find(kNames); command.names && at != std::string::npos)
        summary.replace(at, kNames.size(), command.names());
    return summary;
}

std::string alternatives(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    return text;
}

std::string failureText(const std::exception& error) {
    if (const auto* engine = dynamic_cast<const EXbaseError*>(&error); engine && opensADirectory(*engine))
        return failureText(asNotARegularFile(*engine));
    std::string text = terminalText(error.what());
    if (const auto* engine = dynamic_cast<const EXbaseError*>(&error); engine && !xb::errorText(engine->Code()))
        if (const char* reason = xb::systemReason(engine->Code()); *reason) text += "\n" + std::string(reason);
    // A header cut short to nothing: an empty file under a table's name, said plainly.
    if (const auto* engine = dynamic_cast<const EXbaseError*>(&error);
        engine && engine->Code() == xb::err::kShortRead && engine->Location() == xb::loc::kTableOpen &&
        xb::isEmptyFile(engine->Information()))
        text += "\n" + engine->Information() +
                " is an empty file (0 bytes), no table: its making was cut short; create makes a draw table in its "
                "place, or remove it";
    return text;
}

std::string_view version() { return SHAROMETR_VERSION; }

void printUsage(std::ostream& out) {
    out << "usage: " << kProgram << " COMMAND [ARGUMENTS]\n"
        << "       " << kProgram << " COMMAND --help\n"
        << "       " << kProgram << " --help | --version\n"
        << "\n"
        << "Commands:\n";
    // One line a command, the summaries in a column, as far as 80 columns allow; a synopsis too
    // long for that has its summary on the line below.
    const auto fits = [](const Command& command, std::size_t column) {
        const std::size_t length = synopsisOf(command).size();
        return length <= column && 2 + column + 2 + summaryOf(command).size() <= kColumns;
    };
    // The column that keeps the most commands on one line.
    std::size_t width = 0;
    long most = -1;
    for (const Command& candidate : commands()) {
        const std::size_t column = synopsisOf(candidate).size();
        const auto count = std::count_if(commands().begin(), commands().end(),
                                         [&](const Command& command) { return fits(command, column); });
        if (count > most || (count == most && column < width)) {
            most = count;
            width = column;
        }
    }
    for (const Command& command : commands()) {
        const std::string synopsis = synopsisOf(command);
        const std::string summary = summaryOf(command);
        if (fits(command, width))
            out << "  " << synopsis << std::string(width - synopsis.size() + 2, ' ') << summary << '\n';
        else
            out << "  " << synopsis << " \n" << std::string(6, ' ') << summary << '\n';
    }
}

void printCommandHelp(const Command& command, std::ostream& out) {
    printCommandUsage(command, out);
    std::string summary = summaryOf(command);
    summary[0] = xb::upperAscii(summary[0]);
    out << '\n' << summary << ".\n";
    if (!command.details.empty()) out << '\n' << withNames(command, command.details);
    if (command.listsGames) {
        // From the registry, as the command line's folder has made it.
        out << "\nGames (sharometr-cli games lists them with their tables):\n";
        for (const Game* game : Games()) {
            const std::string name = game->cliName;
            out << "  " << name << std::string(name.size() < 8 ? 8 - name.size() : 1, ' ') << game->fieldsPerDraw
                << " of 1.." << game->numbers << ", " << game->tableFileName << ", picks " << game->backtestPicks
                << '\n';
        }
    }
}

namespace {

int dispatch(Arguments args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kProgram << ": no command given\n";
        printUsage(err);
        return kExitUsage;
    }
    if (isHelp(args.front())) {
        printUsage(out);
        return kExitOk;
    }
    if (args.front() == "--version") {
        out << kProgram << ' ' << version() << '\n';
        return kExitOk;
    }
    const auto& all = commands();
    const auto found =
        std::find_if(all.begin(), all.end(), [&](const Command& command) { return command.name == args.front(); });
    if (found == all.end()) {
        err << kProgram << ": unknown command '" << args.front() << "'\n";
        printUsage(err);
        return kExitUsage;
    }
    if (asksForHelp(args.subspan(1))) {
        // The games it lists are those of the current folder too, as the command would see them.
        if (found->listsGames) useFolderGames("", err);
        printCommandHelp(*found, out);
        return kExitOk;
    }
    try {
        return found->run(args.subspan(1), out, err);
    } catch (const UsageError& error) {
        err << kProgram << ' ' << found->name << ": " << error.what() << '\n';
        printCommandUsage(*found, err);
        return kExitUsage;
    } catch (const Exception& error) {
        err << failureText(error) << '\n';
        return kExitFailure;
    } catch (const std::exception& error) {
        err << kProgram << ": " << error.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace

int run(Arguments args, std::ostream& out, std::ostream& err) {
    return withOutputChecked(args, dispatch(args, out, err), out, err);
}

}  // namespace cli
