// `sharometr-cli wheel GAME`: a wheel of the chosen numbers made to a guarantee, verified, filtered
// and kept, or any ticket list's guarantee checked (--verify FILE), by the wheel layer the window
// uses too. The tickets go to standard output, what was made of them to standard error, so that
// the output pipes as a ticket list.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/game_table.h"
#include "cli/options.h"
#include "cli/output_format.h"
#include "tickets/tickets.h"
#include "wheel/filters.h"
#include "wheel/past_draws.h"
#include "wheel/wheel.h"

namespace cli {

namespace {

// "1,5,7" or "1-10,12": whole numbers and ranges, as the import's --columns takes them.
std::vector<int> numberList(const std::string& text, std::string_view option) {
    std::vector<int> numbers;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string word = text.substr(at, comma - at);
        const std::size_t dash = word.find('-', 1);
        try {
            std::size_t used = 0;
            const int first = std::stoi(word.substr(0, dash), &used);
            if (used != word.substr(0, dash).size() || word.front() == '+') throw std::invalid_argument(word);
            int last = first;
            if (dash != std::string::npos) {
                const std::string tail = word.substr(dash + 1);
                last = std::stoi(tail, &used);
                if (used != tail.size() || tail.front() == '+' || tail.front() == '-' || last < first)
                    throw std::invalid_argument(word);
            }
            for (int n = first; n <= last && numbers.size() < 1000; ++n) numbers.push_back(n);
        } catch (const std::exception&) {
            throw UsageError(std::string(option) + " wants numbers such as 1,5,7 or 1-10, not '" + word + "'");
        }
        at = comma + 1;
    }
    return numbers;
}

wheel::Guarantee guaranteeOption(const ParsedArguments& line) {
    const auto text = line.value("--guarantee");
    if (!text) throw UsageError("missing --guarantee, such as 3if4 (3 of any 4 drawn numbers among yours)");
    int t = 0, m = 0;
    char tail = 0;
    if (std::sscanf(text->c_str(), "%dif%d%c", &t, &m, &tail) != 2 || t < 1 || m < 1)
        throw UsageError("--guarantee wants TifM such as 3if4, not '" + *text + "'");
    return {t, m};
}

// A share as a percentage without an exponent: two decimals, more for a small one.
std::string percent(double value) {
    const double p = 100 * value;
    const int decimals = p >= 1 || p <= 0 ? 2 : static_cast<int>(std::ceil(-std::log10(p))) + 2;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f%%", decimals, p);
    return text;
}

// A ticket list: one ticket a line, numbers between blanks, commas, semicolons or brackets; blank
// lines and lines starting with # skipped, and a first line of words (a header). The json of this
// command is read by its "tickets".
std::vector<std::vector<int>> readTicketList(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Exception("cannot read " + path);
    std::stringstream whole;
    whole << file.rdbuf();
    std::string text = whole.str();
    std::vector<std::vector<int>> tickets;
    if (const std::size_t at = text.find("\"tickets\""); at != std::string::npos && text.find('{') < at) {
        // {"...": ..., "tickets": [[1, 2, 3], ...]}: the arrays inside the tickets' array.
        const std::size_t open = text.find('[', at);
        int depth = 0;
        std::vector<int> ticket;
        for (std::size_t i = open; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '[') {
                ++depth;
                ticket.clear();
            } else if (c == ']') {
                if (--depth == 0) break;
                tickets.push_back(ticket);
            } else if (c >= '0' && c <= '9') {
                std::size_t used = 0;
                ticket.push_back(std::stoi(text.substr(i), &used));
                i += used - 1;
            }
        }
        return tickets;
    }
    std::istringstream lines(text);
    std::string lineText;
    int number = 0;
    bool first = true;
    while (std::getline(lines, lineText)) {
        ++number;
        if (!lineText.empty() && lineText.back() == '\r') lineText.pop_back();
        if (lineText.starts_with('#') || lineText.find_first_not_of(" \t,;[]") == std::string::npos) continue;
        for (char& c : lineText)
            if (c == ',' || c == ';' || c == '\t' || c == '[' || c == ']') c = ' ';
        std::istringstream words(lineText);
        std::string word;
        std::vector<int> ticket;
        bool header = false;
        while (words >> word) {
            if (word.find_first_not_of("0123456789") != std::string::npos || word.size() > 4) {
                if (first && std::isalpha(static_cast<unsigned char>(word.front()))) {
                    header = true;
                    break;
                }
                throw Exception(path + ", line " + std::to_string(number) + ": '" + word + "' is not a number");
            }
            ticket.push_back(std::stoi(word));
        }
        first = false;
        if (!header) tickets.push_back(ticket);
    }
    return tickets;
}

void writeTickets(std::ostream& out, OutputFormat format, const std::vector<std::vector<int>>& tickets) {
    const char* separator = format == OutputFormat::Csv ? "," : "\t";
    if (format == OutputFormat::Csv && !tickets.empty()) {
        for (std::size_t i = 0; i < tickets.front().size(); ++i) out << (i ? "," : "") << 'n' << i + 1;
        out << '\n';
    }
    for (const auto& ticket : tickets) out << joined(ticket, separator) << '\n';
}

std::string jsonList(const std::vector<int>& numbers) { return "[" + joined(numbers, ", ") + "]"; }

int verify(const Game& game, const ParsedArguments& line, std::ostream& out, std::ostream& err) {
    line.noMoreThan(1);
    const wheel::Guarantee guarantee = guaranteeOption(line);
    const std::string path = *line.value("--verify");
    const std::vector<std::vector<int>> tickets = readTicketList(path);
    for (std::size_t i = 0; i < tickets.size(); ++i)
        for (const int n : tickets[i])
            if (!game.isNumber(n))
                throw Exception(path + ": ticket " + std::to_string(i + 1) + " holds " + std::to_string(n) +
                                ", not a number of 1.." + std::to_string(game.numbers));
    std::vector<int> numbers, keys;
    if (const auto given = line.value("--numbers")) numbers = numberList(*given, "--numbers");
    if (const auto given = line.value("--keys")) keys = numberList(*given, "--keys");
    const wheel::TicketsVerification check = wheel::VerifyTickets(tickets, numbers, keys, guarantee);
    const std::string what = std::to_string(guarantee.t) + " if " + std::to_string(guarantee.m);
    const wheel::Verification& v = check.verification;
    if (formatOption(line) == OutputFormat::Json) {
        out << "{\"tickets\": " << tickets.size() << ", \"numbers\": " << jsonList(check.numbers)
            << ", \"keys\": " << jsonList(keys) << ", \"guarantee\": " << jsonString(what)
            << ", \"holds\": " << (v.holds ? "true" : "false") << ", \"sets_checked\": " << v.checked
            << ", \"sets_missed\": " << v.uncovered << ", \"missed_example\": " << jsonList(check.witness) << "}\n";
    } else if (check.ticketLacksKey) {
        out << "ticket " << *check.ticketLacksKey + 1 << " lacks a key number: no guarantee\n";
    } else if (v.holds) {
        out << "'" << what << "' holds: " << tickets.size() << " tickets over " << check.numbers.size() << " numbers, "
            << v.checked << " sets of " << guarantee.m << " checked\n";
    } else {
        out << "'" << what << "' fails: " << v.uncovered << " of " << v.checked << " sets of " << guarantee.m
            << " meet no ticket in " << guarantee.t << ", such as " << joined(check.witness, " ") << '\n';
    }
    (void)err;
    return v.holds ? kExitOk : kExitFailure;
}

}  // namespace

int commandWheel(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--numbers", "LIST"},
                                                       {"--guarantee", "TifM"},
                                                       {"--size", "K"},
                                                       {"--keys", "LIST"},
                                                       {"--seconds", "S"},
                                                       {"--seed", "X"},
                                                       {"--full"},
                                                       {"--filter", "FILTERS"},
                                                       {"--format", "FORMAT"},
                                                       {"--add-to-tickets"},
                                                       {"--verify", "FILE"},
                                                       {"--dir", "DIR"},
                                                       {"--table", "FILE"},
                                                       {"--tickets", "FILE"}});
    const Game& game = gameArgument(line, err);
    const OutputFormat format = formatOption(line);
    if (line.has("--verify")) return verify(game, line, out, err);
    line.noMoreThan(1);
    if (!line.has("--numbers")) throw UsageError("missing --numbers, such as 1,5,7,12-20");
    wheel::Plan plan;
    plan.numbers = numberList(*line.value("--numbers"), "--numbers");
    if (const auto keys = line.value("--keys")) plan.keys = numberList(*keys, "--keys");
    plan.guarantee = guaranteeOption(line);
    plan.size = static_cast<int>(numberOption(line, "--size", 1, kMostNumbers).value_or(0));
    if (const wheel::PlanFault fault = wheel::CheckPlan(game, plan)) throw UsageError(wheel::FaultText(game, fault));
    wheel::SearchOptions options;
    options.seconds = static_cast<double>(numberOption(line, "--seconds", 1, 3600).value_or(5));
    options.seed = numberOption(line, "--seed", 0, UINT64_MAX).value_or(1);

    // The filters, with what they need of the history read first: a mistake costs no search.
    std::vector<wheel::Filter> filters;
    std::vector<std::vector<int>> draws;
    bool drawsRead = false;
    if (const auto given = line.value("--filter")) {
        std::istringstream words(*given);
        std::string word;
        while (words >> word) {
            wheel::Filter filter;
            std::string analysis;
            int count = 0;
            if (const auto fault = wheel::ParseFilter(word, filter, analysis, count)) throw UsageError(*fault);
            if (filter.kind == wheel::Filter::Kind::kDrawn || !analysis.empty()) {
                if (!drawsRead) {
                    const auto dataset = openGameTable(game, line, "wheel", err);
                    if (!dataset) return kExitFailure;
                    draws = wheel::PastDraws(game, *dataset);
                    drawsRead = true;
                }
                if (filter.kind == wheel::Filter::Kind::kDrawn)
                    wheel::SetDraws(filter, draws);
                else
                    filter.numbers = analysis == "hot" ? wheel::HotNumbers(game, draws, count)
                                                       : wheel::AbsentNumbers(game, draws, count);
            }
            filters.push_back(std::move(filter));
        }
    }

    const wheel::Wheel made =
        line.has("--full") ? wheel::MakeFullWheel(game, plan) : wheel::MakeWheel(game, plan, options);
    const wheel::Guarantee g = made.plan.guarantee;
    std::vector<std::vector<int>> tickets;
    for (const auto& ticket : made.tickets)
        if (wheel::KeepsAll(game, filters, ticket)) tickets.push_back(ticket);
    const std::string what = std::to_string(g.t) + " if " + std::to_string(g.m);
    const bool filtered = tickets.size() != made.tickets.size();
    const wheel::TicketsVerification after = filtered
                                                 ? wheel::VerifyTickets(tickets, made.plan.numbers, made.plan.keys, g)
                                                 : wheel::TicketsVerification{made.verification, {}, {}, {}};
    const char* boundName = wheel::LowerBoundIsSchoenheim(g) ? "Schoenheim" : "counting";

    // What was made, said on the error stream (the json holds it all).
    std::ostringstream said;
    said << counted(made.tickets.size(), "ticket") << (made.full ? " (the full wheel)" : "") << " of " << made.plan.size
         << " numbers guarantee '" << what << "' over " << made.plan.numbers.size() - made.plan.keys.size()
         << " numbers"
         << (made.plan.keys.empty()       ? ""
             : made.plan.keys.size() == 1 ? " besides the key " + joined(made.plan.keys, ",")
                                          : " besides the keys " + joined(made.plan.keys, ","))
         << ": verified, "
         << (made.verification.byCounting
                 ? "every combination played"
                 : std::to_string(made.verification.checked) + " sets of " + std::to_string(g.m) + " checked")
         << "; lower bound " << made.lowerBound << " (" << boundName << ")"
         << (made.cancelled ? "; the search was stopped" : "") << '\n';
    for (const wheel::Filter& filter : filters) {
        const wheel::Kept onWheel = wheel::KeptOf(game, {filter}, made.tickets);
        const wheel::Kept onAll = wheel::KeptOfAll(game, {filter}, made.plan.size);
        said << "filter " << filter.label << " keeps " << onWheel.kept << " of " << onWheel.of << " tickets";
        if (onAll.known)
            said << ", " << onAll.kept << " of all " << onAll.of << " combinations ("
                 << percent(static_cast<double>(onAll.kept) / static_cast<double>(onAll.of)) << ")";
        said << '\n';
    }
    if (filtered) {
        if (after.verification.holds)
            said << counted(tickets.size(), "ticket") << " left; '" << what << "' still holds (checked again)\n";
        else
            said << counted(tickets.size(), "ticket") << " left; '" << what
                 << "' no longer holds: " << after.verification.uncovered << " of " << after.verification.checked
                 << " sets of " << g.m << " meet no ticket, such as " << joined(after.witness, " ") << '\n';
    }
    said << "A wheel or a filter changes which tickets you buy and how many, never the chance of any one ticket.\n";

    if (format == OutputFormat::Json) {
        out << "{\"game\": " << jsonString(game.cliName) << ", \"numbers\": " << jsonList(made.plan.numbers)
            << ", \"keys\": " << jsonList(made.plan.keys) << ", \"size\": " << made.plan.size
            << ", \"guarantee\": " << jsonString(what) << ", \"full\": " << (made.full ? "true" : "false")
            << ", \"lower_bound\": " << made.lowerBound << ", \"bound\": " << jsonString(boundName)
            << ", \"wheel_tickets\": " << made.tickets.size() << ", \"filters\": [";
        for (std::size_t i = 0; i < filters.size(); ++i) out << (i ? ", " : "") << jsonString(filters[i].label);
        out << "], \"guarantee_holds\": " << (after.verification.holds ? "true" : "false")
            << ", \"sets_checked\": " << after.verification.checked << ", \"tickets\": [";
        for (std::size_t i = 0; i < tickets.size(); ++i) out << (i ? ",\n  " : "\n  ") << jsonList(tickets[i]);
        out << "\n]}\n";
    } else {
        writeTickets(out, format, tickets);
    }
    err << said.str();

    if (line.has("--add-to-tickets")) {
        const std::string path = ticketTablePath(game, line);
        const auto [added, kept] = AddNewTickets(game, path, tickets, drawTablePath(game, line));
        err << counted(static_cast<std::uint64_t>(added), "ticket") << " added to " << path;
        if (kept) err << "; " << kept << (kept == 1 ? " was" : " were") << " kept there already";
        err << '\n';
    }
    return kExitOk;
}

}  // namespace cli
