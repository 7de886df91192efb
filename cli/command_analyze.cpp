// `sharometr-cli analyze GAME ANALYSIS [--dir DIR] [--values] [--png FILE]`: one analysis of the
// main window on the tables of a directory, through the main window's datasets and analyses.
// The values need no display and no Qt; the picture is painted by the main window's runner.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/draw_datasets.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "cli/cli.h"
#include "toolkit/fields.h"
#ifdef SHAROMETR_CLI_PICTURES
#include "cli/analyze_picture.h"
#endif

namespace cli {

namespace {

struct AnalyzeRequest {
    const Game* game = nullptr;
    const Analysis* analysis = nullptr;
    std::string directory;
    bool values = false;
    std::optional<std::string> png;
};

std::string analysisNames()
{
    std::string names;
    for (const Analysis& analysis : Analyses()) {
        if (!names.empty()) names += &analysis == &Analyses().back() ? " or " : ", ";
        names += analysis.cliName;
    }
    return names;
}

AnalyzeRequest parseRequest(Arguments args)
{
    AnalyzeRequest request;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--dir" || word == "--png") {
            if (i + 1 == args.size()) throw UsageError(word + " wants a value");
            const std::string& value = args[++i];
            if (value.empty()) throw UsageError(word + " wants a value");
            if (word == "--dir")
                request.directory = value;
            else
                request.png = value;
        } else if (word == "--values") {
            request.values = true;
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
    if (words.size() < 2) throw UsageError("missing analysis (" + analysisNames() + ")");
    request.analysis = AnalysisNamed(words[1]);
    if (!request.analysis) throw UsageError("unknown analysis '" + words[1] + "' (" + analysisNames() + ")");
    if (words.size() > 2) throw UsageError("unexpected argument '" + words[2] + "'");
#ifndef SHAROMETR_CLI_PICTURES
    if (request.png) throw UsageError("--png needs a build with the window layers");
#endif
    return request;
}

}  // namespace

int commandAnalyze(Arguments args, std::ostream& out, std::ostream& err)
{
    const AnalyzeRequest request = parseRequest(args);
    const Game& game = *request.game;
    const auto dataset = MakeDrawDataSet(game, request.directory);
    if (const std::string mismatch = DrawTableMismatch(*dataset, game); !mismatch.empty()) {
        err << "sharometr-cli analyze: " << mismatch << '\n';
        return kExitFailure;
    }

    AnalysisResult result;
    std::vector<std::string> messages;
#ifdef SHAROMETR_CLI_PICTURES
    if (request.png) {
        PictureRun run = analyzeToPicture(*request.analysis, game, *dataset, HistoryWindow{}, *request.png);
        result = std::move(run.result);
        messages = std::move(run.messages);
        if (messages.empty() && !run.written) {
            err << "sharometr-cli analyze: cannot write " << *request.png << '\n';
            return kExitFailure;
        }
    }
#endif
    if (!request.png) {
        result = AnalyseDataSet(*request.analysis, game, *dataset);
        if (result.refusal) messages.emplace_back(result.refusal);
    }
    if (!messages.empty()) {
        for (const std::string& text : messages) err << text << '\n';
        // The table does not suit this analysis: like a wrong command line, the request is what
        // has to change, and nothing is written.
        return kExitUsage;
    }
    if (request.values)
        for (int number = 1; number <= game.numbers; ++number)
            out << number << '\t' << result.values[static_cast<std::size_t>(number - 1)] << '\n';
    return kExitOk;
}

}  // namespace cli
