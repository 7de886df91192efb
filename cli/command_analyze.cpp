// `sharometr-cli analyze GAME ANALYSIS|all [--dir DIR | --table FILE] [--last N] [--upto K]
// [--values] [--format tsv|csv|json] [--png FILE]`: the analyses of the main window on a game's
// table, through the main window's datasets and analyses. The values need no display and no Qt;
// the pictures are painted by the main window's runner. `all` gives the four analyses at once.
#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/game_table.h"
#include "cli/options.h"
#include "cli/output_format.h"
#ifdef SHAROMETR_CLI_PICTURES
#include "cli/analyze_picture.h"
#endif

namespace cli {

namespace {

struct AnalyzeRequest {
    const Game* game = nullptr;
    std::vector<const Analysis*> analyses;  // one, or every one for `all`
    bool all = false;
    HistoryWindow window;
    bool values = false;
    OutputFormat format = OutputFormat::Tsv;
    std::optional<std::string> png;  // the file, or for `all` the prefix of the files
};

AnalyzeRequest parseRequest(const ParsedArguments& line, std::ostream& err) {
    AnalyzeRequest request;
    request.game = &gameArgument(line, err);
    const std::string& name = line.positional(1, "ANALYSIS");
    line.noMoreThan(2);
    request.analyses = pickedByName(Analyses(), AnalysisNamed, name, "analysis");
    request.all = name == "all";
    request.window.last = static_cast<int>(numberOption(line, "--last", 1, INT32_MAX).value_or(0));
    request.window.upto = static_cast<std::uint32_t>(numberOption(line, "--upto", 1, UINT32_MAX).value_or(0));
    request.format = formatOption(line);
    request.png = line.value("--png");
    if (request.png && !request.all && !request.png->ends_with(".png"))
        throw UsageError("--png wants a file name ending in .png, not '" + *request.png + "'");
#ifndef SHAROMETR_CLI_PICTURES
    if (request.png) throw UsageError("--png needs a build with the window layers");
#endif
    // Without a picture to write, the values are what the command is for.
    request.values = line.has("--values") || line.has("--format") || !request.png;
    return request;
}

// Counts the draws that hold a value no analysis can take as a number of the game: blank, outside
// the game's range or not whole (all read as 0), or a number twice in the draw.
class BadDrawCounter : public DrawAccumulator {
public:
    explicit BadDrawCounter(const Game& game) : m_width(static_cast<std::size_t>(game.fieldsPerDraw)) {}

    // A bit a number, set as the draw's cells are read: a bit already set is a number met twice.
    // Kept on the stack, so the pass over a million draws allocates nothing.
    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        const std::uint8_t* cell = cells.data();
        for (std::size_t row = 0; row < records.size(); ++row) {
            std::uint64_t seen[4] = {1, 0, 0, 0};  // 0, a blank or stray value, counts as met already
            bool bad = false;
            for (std::size_t f = 0; f < m_width; ++f, ++cell) {
                std::uint64_t& word = seen[*cell >> 6];
                const std::uint64_t bit = std::uint64_t{1} << (*cell & 63);
                bad |= (word & bit) != 0;
                word |= bit;
            }
            m_bad += bad;
        }
    }
    AnalysisResult result() const override { return {}; }
    int bad() const { return m_bad; }

private:
    std::size_t m_width;
    int m_bad = 0;
};

// What chance gives a bin on average, in three decimals whatever the locale.
std::string expectedText(double value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    return std::string(text, written.ptr);
}

// The values of an analysis of bins of its own: the bin's label, its value and what chance gives
// it on average, headed by what a bin is.
void writeBins(std::ostream& out, const Analysis& analysis, const AnalysisResult& result, OutputFormat format) {
    const std::vector<std::string> columns{analysis.binName, analysis.valueMeaning, "expected"};
    const bool expected = !result.expected.empty();
    const std::size_t shown = expected ? 3 : 2;
    if (format == OutputFormat::Csv) {
        for (std::size_t c = 0; c < shown; ++c) out << (c ? "," : "") << columns[c];
        out << '\n';
    }
    if (format == OutputFormat::Json) out << '[';
    for (std::size_t i = 0; i < result.values.size(); ++i) {
        const std::string& label = result.binLabels[i];
        const std::string chance = expected ? expectedText(result.expected[i]) : "";
        if (format == OutputFormat::Json) {
            out << (i ? ",\n" : "\n") << "  {" << jsonString(columns[0]) << ": " << jsonString(label) << ", "
                << jsonString(columns[1]) << ": " << result.values[i];
            if (expected) out << ", \"expected\": " << chance;
            out << '}';
            continue;
        }
        const char separator = format == OutputFormat::Csv ? ',' : '\t';
        out << (format == OutputFormat::Csv ? csvField(label) : label) << separator << result.values[i];
        if (expected) out << separator << chance;
        out << '\n';
    }
    if (format == OutputFormat::Json) out << "\n]\n";
}

// The values table: the number, then one column per analysis (its value's meaning when there is
// one analysis, its name when there are several); a refused analysis's column is left empty. An
// analysis of bins of its own asked for alone gives its bins; `all` leaves such analyses out of
// the table of the numbers.
void writeValues(std::ostream& out, const AnalyzeRequest& request, const std::vector<AnalysisResult>& allResults) {
    const Game& game = *request.game;
    if (!request.all && request.analyses.front()->binName) {
        if (!allResults.front().refusal) writeBins(out, *request.analyses.front(), allResults.front(), request.format);
        return;
    }
    std::vector<std::string> columns{"number"};
    std::vector<AnalysisResult> results;
    for (std::size_t a = 0; a < request.analyses.size(); ++a) {
        const Analysis* analysis = request.analyses[a];
        if (analysis->binName) continue;
        columns.emplace_back(request.all ? analysis->cliName : analysis->valueMeaning);
        results.push_back(allResults[a]);
    }
    const char separator = request.format == OutputFormat::Csv ? ',' : '\t';
    if (request.format == OutputFormat::Csv) {
        for (std::size_t c = 0; c < columns.size(); ++c) out << (c ? "," : "") << columns[c];
        out << '\n';
    }
    if (request.format == OutputFormat::Json) out << '[';
    for (int number = 1; number <= game.numbers; ++number) {
        const auto index = static_cast<std::size_t>(number - 1);
        if (request.format == OutputFormat::Json) {
            out << (number > 1 ? ",\n" : "\n") << "  {\"number\": " << number;
            for (std::size_t a = 0; a < results.size(); ++a) {
                out << ", " << jsonString(columns[a + 1]) << ": ";
                if (results[a].refusal)
                    out << "null";
                else
                    out << results[a].values[index];
            }
            out << '}';
            continue;
        }
        out << number;
        for (const AnalysisResult& result : results) {
            out << separator;
            if (!result.refusal) out << result.values[index];
        }
        out << '\n';
    }
    if (request.format == OutputFormat::Json) out << "\n]\n";
}

}  // namespace

std::string analysisNames() {
    std::vector<std::string> names;
    for (const Analysis& analysis : Analyses()) names.emplace_back(analysis.cliName);
    return alternatives(names);
}

int commandAnalyze(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--dir", "DIR"},
                                                       {"--table", "FILE"},
                                                       {"--last", "N"},
                                                       {"--upto", "K"},
                                                       {"--values"},
                                                       {"--format", "FORMAT"},
                                                       {"--png", "FILE"}});
    const AnalyzeRequest request = parseRequest(line, err);
    const Game& game = *request.game;
    const auto dataset = openGameTable(game, line, "analyze", err);
    if (!dataset) return kExitFailure;

    // One pass over the table serves every analysis asked for, the values and the pictures.
    std::vector<std::unique_ptr<DrawAccumulator>> accumulators;
    std::vector<DrawAccumulator*> sinks;
    for (const Analysis* analysis : request.analyses) {
        accumulators.push_back(analysis->start(game));
        sinks.push_back(accumulators.back().get());
    }
    BadDrawCounter badDraws(game);
    sinks.push_back(&badDraws);
    ReadDraws(*dataset, game, request.window, sinks);
    // The analyses count what they can of such a draw; the user must know that some were odd.
    if (badDraws.bad() > 0)
        err << "sharometr-cli analyze: " << counted(static_cast<std::uint64_t>(badDraws.bad()), "draw")
            << (badDraws.bad() == 1 ? " holds" : " hold") << " a blank number, one outside 1.." << game.numbers
            << " or one twice (check lists them)\n";
    std::vector<AnalysisResult> results;
    for (const auto& accumulator : accumulators) results.push_back(accumulator->result());
    bool failed = false;
#ifdef SHAROMETR_CLI_PICTURES
    if (request.png) {
        PictureMaker pictures;
        for (std::size_t a = 0; a < results.size(); ++a) {
            const Analysis& analysis = *request.analyses[a];
            if (results[a].refusal) continue;  // nothing is painted, as in the window
            const std::string file = request.all ? *request.png + "-" + analysis.cliName + ".png" : *request.png;
            if (!pictures.save(analysis, game, *dataset, results[a], request.window, file)) {
                err << "sharometr-cli analyze: cannot write " << file << ": " << std::strerror(errno) << '\n';
                failed = true;
            }
        }
    }
#endif
    int refused = 0;
    for (const AnalysisResult& result : results)
        if (result.refusal) {
            err << result.refusal << '\n';
            ++refused;
        }
    if (failed) return kExitFailure;
    // A table that suits none of the analyses asked for: like a wrong command line, the request is
    // what has to change, and nothing is written.
    if (refused == static_cast<int>(results.size())) return kExitUsage;
    if (request.values) writeValues(out, request, results);
    return kExitOk;
}

}  // namespace cli
