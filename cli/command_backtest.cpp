// `sharometr-cli backtest GAME METHOD|all|tickets [--top K] [--from S] [--to T] [--seed X]
// [--dir DIR | --table FILE] [--tickets FILE] [--format tsv|csv|json]`: how the picks of each
// method (or each kept ticket, on the draws after it was kept) would have fared on the table's
// draws, against chance. One line per method: the draws tested, the hits observed and expected,
// their ratio with its chance band (unadjusted), the normal approximation's z, the exact p-value
// and the one adjusted over the methods tested together (empty for the baseline, never judged),
// the fit of the hit distribution with its p adjusted the same way apart, the verdict, and the
// draws with 0, 1, 2, ... hits, observed and expected.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/draw_datasets.h"
#include "analysis/game.h"
#include "backtest/backtest.h"
#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/game_table.h"
#include "cli/options.h"
#include "cli/output_format.h"
#include "tickets/ticket_backtest.h"
#include "tickets/tickets.h"

namespace cli {

namespace {

struct BacktestRequest {
    const Game* game = nullptr;
    std::vector<const BacktestMethod*> methods;
    bool tickets = false;  // the player's tickets, each on its own row
    BacktestOptions options;
    OutputFormat format = OutputFormat::Tsv;
};

BacktestRequest parseRequest(const ParsedArguments& line, std::ostream& err) {
    BacktestRequest request;
    request.game = &gameArgument(line, err);
    const std::string& name = line.positional(1, "METHOD");
    line.noMoreThan(2);
    request.tickets = name == "tickets";
    if (!request.tickets) request.methods = pickedByName(BacktestMethods(), BacktestMethodNamed, name, "method");
    if (const auto seed = numberOption(line, "--seed", 0, UINT64_MAX)) request.options.seed = *seed;
    if (const auto top = numberOption(line, "--top", 1, static_cast<std::uint64_t>(request.game->numbers)))
        request.options.picks = static_cast<int>(*top);
    if (const auto from = numberOption(line, "--from", 1, INT32_MAX)) request.options.from = static_cast<int>(*from);
    if (const auto to = numberOption(line, "--to", 1, INT32_MAX)) {
        request.options.to = static_cast<int>(*to);
        if (request.options.to < request.options.from)
            throw UsageError("--to " + std::to_string(request.options.to) + " comes before the first tested draw " +
                             std::to_string(request.options.from));
    }
    request.format = formatOption(line);
    return request;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string general(double value) {
    if (std::isnan(value)) return {};  // a figure that is not there: an empty cell, null in json
    char text[64];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

// The figures of one method, name and value, in column order.
std::vector<std::pair<std::string, std::string>> summary(const BacktestResult& result,
                                                         const std::vector<Ticket>& tickets) {
    std::vector<std::pair<std::string, std::string>> columns{{"method", result.method->cliName}};
    if (result.ticket >= 0) {
        const Ticket& ticket = tickets[static_cast<std::size_t>(result.ticket)];
        std::string numbers;
        for (const int number : ticket.numbers) numbers += (numbers.empty() ? "" : " ") + std::to_string(number);
        columns.emplace_back("ticket", std::to_string(ticket.record));
        columns.emplace_back("numbers", numbers);
    }
    const std::vector<std::pair<std::string, std::string>> figures{
        {"picks", std::to_string(result.picks)},
        {"from", std::to_string(result.firstDraw)},
        {"to", std::to_string(result.lastDraw)},
        {"tested", std::to_string(result.tested)},
        {"skipped", std::to_string(result.skipped)},
        {"hits", std::to_string(result.hits)},
        {"expected", fixed(result.expectedHits, 2)},
        {"ratio", fixed(result.ratio, 4)},
        {"ratio_low", fixed(result.ratioLow, 4)},
        {"ratio_high", fixed(result.ratioHigh, 4)},
        {"z", fixed(result.z, 3)},
        {"p", general(result.pValue)},
        {"p_holm", general(result.pHolm)},
        {"chi2", fixed(result.chi2, 3)},
        {"chi2_df", std::to_string(result.chi2Df)},
        {"chi2_p", general(result.chi2P)},
        {"chi2_p_holm", general(result.chi2PHolm)},
        {"verdict", BacktestVerdictName(result.verdict)},
    };
    columns.insert(columns.end(), figures.begin(), figures.end());
    // A ticket's mark: the draw table's records when it was kept, empty when that is not known
    // (it is then judged on no draw).
    if (result.ticket >= 0) {
        const auto& kept = tickets[static_cast<std::size_t>(result.ticket)].keptAfter;
        columns.emplace_back("kept", kept ? std::to_string(*kept) : std::string());
    }
    return columns;
}

void writeTable(std::ostream& out, const std::vector<BacktestResult>& results, const std::vector<Ticket>& tickets,
                char separator) {
    const auto columns = summary(results.front(), tickets);
    for (const auto& column : columns) out << column.first << separator;
    for (std::size_t h = 0; h < results.front().observed.size(); ++h) {
        out << "observed_" << h << separator << "expected_" << h;
        out << (h + 1 < results.front().observed.size() ? separator : '\n');
    }
    for (const BacktestResult& result : results) {
        for (const auto& column : summary(result, tickets))
            out << (separator == ',' ? csvField(column.second) : column.second) << separator;
        for (std::size_t h = 0; h < result.observed.size(); ++h) {
            out << result.observed[h] << separator << fixed(result.expected[h], 2);
            out << (h + 1 < result.observed.size() ? separator : '\n');
        }
    }
}

void writeJson(std::ostream& out, const Game& game, const std::vector<BacktestResult>& results,
               const std::vector<Ticket>& tickets) {
    out << "{\"game\": \"" << game.cliName << "\", \"methods\": [";
    for (std::size_t r = 0; r < results.size(); ++r) {
        const BacktestResult& result = results[r];
        out << (r ? ",\n  {" : "\n  {");
        for (const auto& [name, value] : summary(result, tickets)) {
            if (name == "numbers") {
                std::string list;
                for (const char c : value) list += c == ' ' ? std::string(", ") : std::string(1, c);
                out << "\"numbers\": [" << list << "], ";
            } else if (name == "method" || name == "verdict")
                out << '"' << name << "\": " << jsonString(value) << ", ";
            else if (value.empty())
                out << '"' << name << "\": null, ";
            else
                out << '"' << name << "\": " << value << ", ";
        }
        out << "\"distribution\": [";
        for (std::size_t h = 0; h < result.observed.size(); ++h)
            out << (h ? ", " : "") << "{\"hits\": " << h << ", \"observed\": " << result.observed[h]
                << ", \"expected\": " << fixed(result.expected[h], 2) << '}';
        out << "]}";
    }
    out << "\n]}\n";
}

}  // namespace

std::string methodNames() {
    std::vector<std::string> names;
    for (const BacktestMethod& method : BacktestMethods())
        names.push_back(std::string(method.cliName) + (method.analysis ? "" : " (a seeded baseline)"));
    return alternatives(names);
}

int commandBacktest(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--top", "K"},
                                                       {"--from", "S"},
                                                       {"--to", "T"},
                                                       {"--seed", "X"},
                                                       {"--dir", "DIR"},
                                                       {"--table", "FILE"},
                                                       {"--tickets", "FILE"},
                                                       {"--format", "FORMAT"}});
    const BacktestRequest request = parseRequest(line, err);
    const Game& game = *request.game;
    const auto dataset = openGameTable(game, line, "backtest", err);
    if (!dataset) return kExitFailure;
    std::vector<std::uint32_t> records;
    const std::vector<std::uint8_t> cells = ReadHistory(*dataset, game, 0, &records);
    const int needed = std::max(request.options.from, request.options.to);
    if (DrawCount(game, cells) < needed) {
        // Like a refused analysis: the request has to change, and nothing is written.
        err << BacktestTooFewMessage(needed) << '\n';
        return kExitUsage;
    }
    std::vector<Ticket> tickets;
    if (request.tickets) {
        const std::string path = ticketTablePath(game, line);
        if (TicketTableExists(path)) tickets = ReadTickets(game, path);
        if (tickets.empty()) {
            err << "sharometr-cli backtest: no tickets kept (tickets " << game.cliName << " add keeps one)\n";
            return kExitUsage;
        }
    }
    const std::vector<BacktestResult> results = request.tickets
                                                    ? BacktestTickets(game, cells, request.options, tickets, records)
                                                    : RunBacktests(game, cells, request.options, request.methods);
    switch (request.format) {
        case OutputFormat::Tsv:
            writeTable(out, results, tickets, '\t');
            break;
        case OutputFormat::Csv:
            writeTable(out, results, tickets, ',');
            break;
        case OutputFormat::Json:
            writeJson(out, game, results, tickets);
            break;
    }
    return kExitOk;
}

}  // namespace cli
