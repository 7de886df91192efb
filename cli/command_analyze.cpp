// `sharometr-cli analyze loto|keno histogram|succession|waiting|talven [--dir DIR] [--values]
// [--png FILE]`: one analysis of the main window, run headless on the tables of a directory
// through the main window's datasets, command code and board painter, on a picture made as the
// main window makes its own. Built only with the window layers.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/board.h"
#include "analysis/commands.h"
#include "analysis/draw_datasets.h"
#include "analysis/game.h"
#include "cli/cli.h"
#include "toolkit/canvas.h"
#include "toolkit/dialogs.h"

namespace cli {

namespace {

using AnalysisCommand = void (*)(const GameRules&, AnalysisContext&);

struct NamedGame {
    std::string_view name;
    const GameRules* rules;
};

struct NamedAnalysis {
    std::string_view name;
    AnalysisCommand run;
};

constexpr NamedGame kGames[] = {{"loto", &kSuperLoto}, {"keno", &kKeno}};
constexpr NamedAnalysis kAnalyses[] = {
    {"histogram", &FrequencyHistogram},
    {"succession", &SuccessionProbability},
    {"waiting", &AverageWaitingPeriod},
    {"talven", &TalvenMethod},
};

struct AnalyzeRequest {
    const GameRules* game = nullptr;
    AnalysisCommand analysis = nullptr;
    std::string directory;
    bool values = false;
    std::optional<std::string> png;
};

AnalyzeRequest parseRequest(Arguments args)
{
    AnalyzeRequest request;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--dir" || word == "--png") {
            if (i + 1 == args.size())
                throw UsageError(word + " wants a value");
            const std::string& value = args[++i];
            if (value.empty())
                throw UsageError(word + " wants a value");
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
    if (words.empty())
        throw UsageError("missing game (loto or keno)");
    for (const NamedGame& game : kGames)
        if (game.name == words[0]) request.game = game.rules;
    if (!request.game)
        throw UsageError("unknown game '" + words[0] + "' (loto or keno)");
    if (words.size() < 2)
        throw UsageError("missing analysis (histogram, succession, waiting or talven)");
    for (const NamedAnalysis& analysis : kAnalyses)
        if (analysis.name == words[1]) request.analysis = analysis.run;
    if (!request.analysis)
        throw UsageError("unknown analysis '" + words[1] + "' (histogram, succession, waiting or talven)");
    if (words.size() > 2)
        throw UsageError("unexpected argument '" + words[2] + "'");
    return request;
}

// Keeps what the command tells the user instead of showing a box; the service that was in use
// comes back when the object goes.
class CapturedMessages : public MessageService {
public:
    CapturedMessages() : m_previous(MessageService::Current()) { MessageService::Install(this); }
    ~CapturedMessages() override { MessageService::Install(&m_previous); }
    CapturedMessages(const CapturedMessages&) = delete;
    CapturedMessages& operator=(const CapturedMessages&) = delete;

    TModalResult Show(const ShownMessage& message) override
    {
        texts.push_back(message.text);
        return TModalResult::mrOk;
    }

    std::vector<std::string> texts;

private:
    MessageService& m_previous;
};

// Qt's own notes about the session (no runtime directory, say) are not the command's output:
// only its errors reach standard error.
QtMessageHandler g_qtHandler = nullptr;

void qtErrorsOnly(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (g_qtHandler)
        g_qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// The canvas needs a GUI application for its fonts. Inside a program that has one (the tests)
// that one serves; otherwise one is made on the offscreen platform, unless the environment
// names another, so that no display is needed.
std::unique_ptr<QGuiApplication> guiApplication()
{
    if (QCoreApplication::instance())
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(qtErrorsOnly);
    static int argc = 1;
    static char name[] = "sharometr-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int commandAnalyze(Arguments args, std::ostream& out, std::ostream& err)
{
    const AnalyzeRequest request = parseRequest(args);
    const auto application = guiApplication();
    const GameRules& game = *request.game;

    const auto dataset = MakeDrawDataSet(game, request.directory);
    std::vector<std::int32_t> values(static_cast<std::size_t>(game.numbers), 0);
    std::vector<std::int32_t> periods(static_cast<std::size_t>(game.numbers), 0);
    // The main window's picture: white and of the picture area's size until a command paints.
    QImage picture(board::kWidth, board::kHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    TCanvas canvas(picture);

    {
        CapturedMessages messages;
        AnalysisContext context{*dataset, values, periods, canvas};
        request.analysis(game, context);
        if (!messages.texts.empty()) {
            for (const std::string& text : messages.texts)
                err << text << '\n';
            // The table does not suit this analysis: like a wrong command line, the request is
            // what has to change, and nothing is written.
            return kExitUsage;
        }
    }

    if (request.png && !picture.save(QString::fromStdString(*request.png), "PNG")) {
        err << "sharometr-cli analyze: cannot write " << *request.png << '\n';
        return kExitFailure;
    }
    if (request.values)
        for (int number = 1; number <= game.numbers; ++number)
            out << number << '\t' << values[static_cast<std::size_t>(number - 1)] << '\n';
    return kExitOk;
}

}  // namespace cli
