// `sharometr-cli backtest GAME METHOD|all [--top K] [--from S] [--seed X] [--dir DIR | --table FILE]
// [--format tsv|csv|json]`: how the picks of each method would have fared on the table's draws,
// against chance. One line per method: the draws tested, the hits observed and expected, their
// ratio, the z-score, the two-sided p-value and the draws with 0, 1, 2, ... hits, observed and
// expected.
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

namespace cli {

namespace {

struct BacktestRequest {
    const Game* game = nullptr;
    std::vector<const BacktestMethod*> methods;
    BacktestOptions options;
    OutputFormat format = OutputFormat::Tsv;
};

BacktestRequest parseRequest(const ParsedArguments& line, std::ostream& err) {
    BacktestRequest request;
    request.game = &gameArgument(line, err);
    const std::string& name = line.positional(1, "METHOD");
    line.noMoreThan(2);
    request.methods = pickedByName(BacktestMethods(), BacktestMethodNamed, name, "method");
    if (const auto seed = numberOption(line, "--seed", 0, UINT64_MAX)) request.options.seed = *seed;
    if (const auto top = numberOption(line, "--top", 1, static_cast<std::uint64_t>(request.game->numbers)))
        request.options.picks = static_cast<int>(*top);
    if (const auto from = numberOption(line, "--from", 1, INT32_MAX)) request.options.from = static_cast<int>(*from);
    request.format = formatOption(line);
    return request;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string general(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

// The figures of one method, name and value, in column order.
std::vector<std::pair<std::string, std::string>> summary(const BacktestResult& result) {
    return {
        {"method", result.method->cliName},
        {"picks", std::to_string(result.picks)},
        {"from", std::to_string(result.firstDraw)},
        {"tested", std::to_string(result.tested)},
        {"skipped", std::to_string(result.skipped)},
        {"hits", std::to_string(result.hits)},
        {"expected", fixed(result.expectedHits, 2)},
        {"ratio", fixed(result.ratio, 4)},
        {"z", fixed(result.z, 3)},
        {"p", general(result.pValue)},
    };
}

void writeTable(std::ostream& out, const std::vector<BacktestResult>& results, char separator) {
    const auto columns = summary(results.front());
    for (const auto& column : columns) out << column.first << separator;
    for (std::size_t h = 0; h < results.front().observed.size(); ++h) {
        out << "observed_" << h << separator << "expected_" << h;
        out << (h + 1 < results.front().observed.size() ? separator : '\n');
    }
    for (const BacktestResult& result : results) {
        for (const auto& column : summary(result)) out << column.second << separator;
        for (std::size_t h = 0; h < result.observed.size(); ++h) {
            out << result.observed[h] << separator << fixed(result.expected[h], 2);
            out << (h + 1 < result.observed.size() ? separator : '\n');
        }
    }
}

void writeJson(std::ostream& out, const Game& game, const std::vector<BacktestResult>& results) {
    out << "{\"game\": \"" << game.cliName << "\", \"methods\": [";
    for (std::size_t r = 0; r < results.size(); ++r) {
        const BacktestResult& result = results[r];
        out << (r ? ",\n  {" : "\n  {");
        for (const auto& [name, value] : summary(result)) {
            const bool text = name == "method";
            out << '"' << name << "\": " << (text ? "\"" : "") << value << (text ? "\", " : ", ");
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

int commandBacktest(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--top", "K"},
                                                       {"--from", "S"},
                                                       {"--seed", "X"},
                                                       {"--dir", "DIR"},
                                                       {"--table", "FILE"},
                                                       {"--format", "FORMAT"}});
    const BacktestRequest request = parseRequest(line, err);
    const Game& game = *request.game;
    const auto dataset = openGameTable(game, line, "backtest", err);
    if (!dataset) return kExitFailure;
    const std::vector<std::uint8_t> cells = ReadHistory(*dataset, game);
    if (DrawCount(game, cells) < request.options.from) {
        // Like a refused analysis: the request has to change, and nothing is written.
        err << BacktestTooFewMessage(request.options.from) << '\n';
        return kExitUsage;
    }
    std::vector<BacktestResult> results;
    for (const BacktestMethod* method : request.methods)
        results.push_back(RunBacktest(*method, game, cells, request.options));
    switch (request.format) {
        case OutputFormat::Tsv:
            writeTable(out, results, '\t');
            break;
        case OutputFormat::Csv:
            writeTable(out, results, ',');
            break;
        case OutputFormat::Json:
            writeJson(out, game, results);
            break;
    }
    return kExitOk;
}

}  // namespace cli
