// `sharometr-cli tickets GAME add|list|delete|check [...]`: the player's tickets of a game, kept in
// the tickets table beside the draw table, and their check against the draws, by the tickets
// layer the window uses too. Output as analyze and backtest give theirs.
#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/game.h"
#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/game_table.h"
#include "cli/options.h"
#include "cli/output_format.h"
#include "tickets/ticket_check.h"
#include "tickets/tickets.h"

namespace cli {

namespace {

std::string fixed2(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// A row of named cells as tsv, csv or one JSON object; `json` marks cells that are JSON already
// (numbers, arrays) rather than text.
struct Cell {
    std::string name;
    std::string value;
    bool json = true;
};

void writeRows(std::ostream& out, OutputFormat format, const std::vector<std::vector<Cell>>& rows,
               const std::vector<std::string>& header) {
    if (format == OutputFormat::Json) {
        out << '[';
        for (std::size_t r = 0; r < rows.size(); ++r) {
            out << (r ? ",\n  {" : "\n  {");
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                const Cell& cell = rows[r][c];
                out << (c ? ", " : "") << jsonString(cell.name) << ": "
                    << (cell.json ? cell.value : jsonString(cell.value));
            }
            out << '}';
        }
        out << "\n]\n";
        return;
    }
    const char separator = format == OutputFormat::Csv ? ',' : '\t';
    for (std::size_t c = 0; c < header.size(); ++c) out << (c ? std::string(1, separator) : "") << header[c];
    out << '\n';
    for (const auto& row : rows) {
        std::size_t c = 0;
        for (const std::string& name : header) {
            const auto cell = std::find_if(row.begin(), row.end(), [&](const Cell& each) { return each.name == name; });
            std::string value = cell == row.end() ? std::string() : cell->value;
            // The lists of JSON become space-separated in the table forms.
            if (cell != row.end() && cell->json && value.starts_with('[')) {
                value = value.substr(1, value.size() - 2);
                value.erase(std::remove(value.begin(), value.end(), ','), value.end());
            }
            out << (c++ ? std::string(1, separator) : "") << (format == OutputFormat::Csv ? csvField(value) : value);
        }
        out << '\n';
    }
}

std::vector<Cell> ticketCells(const Ticket& ticket) {
    return {{"record", std::to_string(ticket.record)},
            {"name", ticket.name, false},
            {"numbers", "[" + joined(ticket.numbers, ", ") + "]"}};
}

int add(const Game& game, const std::string& path, const ParsedArguments& line, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> words(line.positionals().begin() + 2, line.positionals().end());
    Ticket ticket;
    if (const auto fault = CheckTicket(game, words, line.value("--name").value_or(""), ticket)) {
        err << "sharometr-cli tickets: " << *fault << '\n';
        return kExitFailure;
    }
    if (const auto twin = KeptTwinOf(game, path, ticket)) {
        err << "sharometr-cli tickets: ticket " << twin->record << " holds the same numbers\n";
        return kExitFailure;
    }
    // Chosen now: the ticket is judged only on the draws that come after those the table holds.
    ticket.keptAfter = DrawRecordsNow(drawTablePath(game, line));
    // Asked before the writing, so that nothing can fail once the ticket is kept.
    const bool olderForm = !KeepsKeptMark(game, path);
    // Kept first, reported after: a refusal of the writing leaves nothing half said on the output.
    const auto record = AddTicket(game, path, ticket);
    out << "ticket " << record << " added\n";
    if (olderForm)
        err << "sharometr-cli tickets: " << path << " is a tickets table of the older form, without "
            << kTicketKeptField << ": its tickets are not back-tested (a new tickets table keeps the mark)\n";
    return kExitOk;
}

int check(const Game& game, const std::string& path, const ParsedArguments& line, OutputFormat format,
          std::ostream& out, std::ostream& err) {
    line.noMoreThan(2);
    HistoryWindow window;
    window.last = static_cast<int>(numberOption(line, "--last", 1, INT32_MAX).value_or(0));
    window.upto = static_cast<std::uint32_t>(numberOption(line, "--upto", 1, UINT32_MAX).value_or(0));
    std::vector<Ticket> tickets = ReadTickets(game, path);
    const auto dataset = openGameTable(game, line, "tickets", err);
    if (!dataset) return kExitFailure;
    const std::vector<TicketCheck> checks = CheckTickets(game, *dataset, std::move(tickets), window);
    std::size_t most = 0;
    for (const TicketCheck& check : checks) most = std::max(most, check.observed.size());
    std::vector<std::string> header{"record",   "name",          "numbers",      "draws",
                                    "latest",   "matches",       "best_hits",    "best_record",
                                    "last_win", "last_win_hits", "combinations", "combinations_latest"};
    for (std::size_t h = 0; h < most; ++h) {
        header.push_back("observed_" + std::to_string(h));
        header.push_back("expected_" + std::to_string(h));
    }
    std::vector<std::vector<Cell>> rows;
    for (const TicketCheck& check : checks) {
        std::vector<Cell> row = ticketCells(check.ticket);
        row.push_back({"draws", std::to_string(check.draws)});
        row.push_back({"latest", std::to_string(check.latestRecord)});
        row.push_back({"matches", "[" + joined(check.latestMatches, ", ") + "]"});
        row.push_back({"best_hits", std::to_string(check.bestHits)});
        row.push_back({"best_record", std::to_string(check.bestRecord)});
        row.push_back({"last_win", std::to_string(check.lastWinRecord)});
        row.push_back({"last_win_hits", std::to_string(check.lastWinHits)});
        row.push_back({"combinations", "[" + joined(check.combinations, ", ") + "]"});
        row.push_back({"combinations_latest", "[" + joined(check.latestCombinations, ", ") + "]"});
        if (format == OutputFormat::Json) {
            std::string observed = "[", expected = "[";
            for (std::size_t h = 0; h < check.observed.size(); ++h) {
                observed += (h ? ", " : "") + std::to_string(check.observed[h]);
                expected += (h ? ", " : "") + fixed2(check.expected[h]);
            }
            row.push_back({"observed", observed + "]"});
            row.push_back({"expected", expected + "]"});
        } else {
            for (std::size_t h = 0; h < check.observed.size(); ++h) {
                row.push_back({"observed_" + std::to_string(h), std::to_string(check.observed[h])});
                row.push_back({"expected_" + std::to_string(h), fixed2(check.expected[h])});
            }
        }
        rows.push_back(std::move(row));
    }
    writeRows(out, format, rows, header);
    return kExitOk;
}

}  // namespace

int commandTickets(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--dir", "DIR"},
                                                       {"--table", "FILE"},
                                                       {"--tickets", "FILE"},
                                                       {"--name", "NAME"},
                                                       {"--last", "N"},
                                                       {"--upto", "K"},
                                                       {"--format", "FORMAT"}});
    const Game& game = gameArgument(line, err);
    const std::string& action = line.positional(1, "ACTION");
    const std::string path = ticketTablePath(game, line);
    const OutputFormat format = formatOption(line);
    if (action == "add") {
        if (line.positionals().size() < 3) throw UsageError("missing the ticket's numbers");
        return add(game, path, line, out, err);
    }
    if (action == "list") {
        line.noMoreThan(2);
        std::vector<std::vector<Cell>> rows;
        for (const Ticket& ticket : ReadTickets(game, path)) rows.push_back(ticketCells(ticket));
        writeRows(out, format, rows, {"record", "name", "numbers"});
        return kExitOk;
    }
    if (action == "delete") {
        const std::string& numberText = line.positional(2, "RECNO");
        line.noMoreThan(3);
        const std::uint64_t record = recordNumberArgument(numberText);
        if (record > UINT32_MAX) throw UsageError("there is no ticket " + numberText);
        if (!DeleteTicket(game, path, static_cast<std::uint32_t>(record))) {
            err << "sharometr-cli tickets: ticket " << numberText << " is in use by another program\n";
            return kExitFailure;
        }
        out << "ticket " << numberText << " deleted\n";
        return kExitOk;
    }
    if (action == "check") return check(game, path, line, format, out, err);
    throw UsageError("unknown action '" + action + "' (add, list, delete or check)");
}

}  // namespace cli
