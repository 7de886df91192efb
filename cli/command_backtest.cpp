// `sharometr-cli backtest loto|keno METHOD|all [--top K] [--from S] [--seed X] [--dir DIR | --table FILE]
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

namespace cli {

namespace {

enum class Format { Tsv, Csv, Json };

struct BacktestRequest {
    const Game* game = nullptr;
    std::vector<const BacktestMethod*> methods;
    BacktestOptions options;
    std::string directory;
    std::optional<std::string> table;
    Format format = Format::Tsv;
};

std::string methodNames()
{
    std::string names;
    for (const BacktestMethod& method : BacktestMethods()) names += std::string(method.cliName) + ", ";
    return names + "or all";
}

std::uint64_t numberOption(const std::string& option, const std::string& value, std::uint64_t least,
                           std::uint64_t most)
{
    const auto number = decimalNumber(value);
    if (!number || *number < least || *number > most)
        throw UsageError(option + " wants a whole number from " + std::to_string(least) + " to " +
                         std::to_string(most) + ", not '" + value + "'");
    return *number;
}

BacktestRequest parseRequest(Arguments args)
{
    BacktestRequest request;
    std::vector<std::string> words;
    std::optional<std::string> top;
    std::optional<std::string> from;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--top" || word == "--from" || word == "--seed" || word == "--dir" || word == "--table" ||
            word == "--format") {
            if (i + 1 == args.size()) throw UsageError(word + " wants a value");
            const std::string& value = args[++i];
            if (value.empty()) throw UsageError(word + " wants a value");
            if (word == "--top") top = value;
            else if (word == "--from") from = value;
            else if (word == "--seed") request.options.seed = numberOption(word, value, 0, UINT64_MAX);
            else if (word == "--dir") request.directory = value;
            else if (word == "--table") request.table = value;
            else if (value == "tsv") request.format = Format::Tsv;
            else if (value == "csv") request.format = Format::Csv;
            else if (value == "json") request.format = Format::Json;
            else throw UsageError("unknown format '" + value + "' (tsv, csv or json)");
        } else if (word.starts_with("--")) {
            throw UsageError("unknown option '" + word + "'");
        } else {
            words.push_back(word);
        }
    }
    const std::string games = "(" + GameNames(" or ") + ")";
    if (words.empty()) throw UsageError("missing game " + games);
    request.game = GameNamed(words[0]);
    if (!request.game) throw UsageError("unknown game '" + words[0] + "' " + games);
    if (words.size() < 2) throw UsageError("missing method (" + methodNames() + ")");
    if (words[1] == "all") {
        for (const BacktestMethod& method : BacktestMethods()) request.methods.push_back(&method);
    } else if (const BacktestMethod* method = BacktestMethodNamed(words[1])) {
        request.methods.push_back(method);
    } else {
        throw UsageError("unknown method '" + words[1] + "' (" + methodNames() + ")");
    }
    if (words.size() > 2) throw UsageError("unexpected argument '" + words[2] + "'");
    if (request.table && !request.directory.empty()) throw UsageError("--dir and --table exclude each other");
    if (top) request.options.picks = static_cast<int>(numberOption("--top", *top, 1, request.game->numbers));
    if (from) request.options.from = static_cast<int>(numberOption("--from", *from, 1, INT32_MAX));
    return request;
}

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string general(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

// The figures of one method, name and value, in column order.
std::vector<std::pair<std::string, std::string>> summary(const BacktestResult& result)
{
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

void writeTable(std::ostream& out, const std::vector<BacktestResult>& results, char separator)
{
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

void writeJson(std::ostream& out, const Game& game, const std::vector<BacktestResult>& results)
{
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

int commandBacktest(Arguments args, std::ostream& out, std::ostream& err)
{
    const BacktestRequest request = parseRequest(args);
    const Game& game = *request.game;
    const auto dataset = request.table ? MakeDrawDataSetOn(game, *request.table) : MakeDrawDataSet(game, request.directory);
    if (const std::string mismatch = DrawTableMismatch(*dataset, game); !mismatch.empty()) {
        err << "sharometr-cli backtest: " << mismatch << '\n';
        return kExitFailure;
    }
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
        case Format::Tsv:
            writeTable(out, results, '\t');
            break;
        case Format::Csv:
            writeTable(out, results, ',');
            break;
        case Format::Json:
            writeJson(out, game, results);
            break;
    }
    return kExitOk;
}

}  // namespace cli
