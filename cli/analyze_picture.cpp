// analyze --png: a GUI application on the offscreen platform for the canvas's fonts, the runner
// of the main window, and the picture saved.
#include "cli/analyze_picture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>
#include <memory>

#include "analysis/board.h"
#include "analysis/runner.h"
#include "toolkit/canvas.h"
#include "toolkit/dialogs.h"

namespace cli {

namespace {

// Keeps what the command tells the user instead of showing a box; the service that was in use
// comes back when the object goes.
class CapturedMessages : public MessageService {
public:
    CapturedMessages() : m_previous(MessageService::Current()) { MessageService::Install(this); }
    ~CapturedMessages() override { MessageService::Install(&m_previous); }
    CapturedMessages(const CapturedMessages&) = delete;
    CapturedMessages& operator=(const CapturedMessages&) = delete;

    TModalResult Show(const ShownMessage& message) override {
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

void qtErrorsOnly(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg) return;
    if (g_qtHandler)
        g_qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// The canvas needs a GUI application for its fonts. Inside a program that has one (the tests)
// that one serves; otherwise one is made on the offscreen platform, unless the environment
// names another, so that no display is needed.
std::unique_ptr<QGuiApplication> guiApplication() {
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(qtErrorsOnly);
    static int argc = 1;
    static char name[] = "sharometr-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

PictureRun analyzeToPicture(const Analysis& analysis, const Game& game, TDataSet& dataset, const HistoryWindow& window,
                            const std::string& pngPath) {
    const auto application = guiApplication();
    std::vector<std::int32_t> values(static_cast<std::size_t>(game.numbers), 0);
    std::vector<std::int32_t> periods(static_cast<std::size_t>(game.numbers), 0);
    // The main window's picture: made white and of the picture area's size when a board is painted.
    QImage picture;
    std::unique_ptr<TCanvas> canvas;
    auto makeCanvas = [&]() -> TCanvas& {
        if (!canvas) {
            picture = QImage(board::kWidth, board::kHeight, QImage::Format_RGB32);
            picture.fill(Qt::white);
            canvas = std::make_unique<TCanvas>(picture);
        }
        return *canvas;
    };
    PictureRun run;
    {
        CapturedMessages messages;
        run.result = RunAnalysis(analysis, game, dataset, BoardTarget{values, periods, makeCanvas}, window);
        run.messages = messages.texts;
    }
    if (canvas) {
        canvas.reset();
        run.written = picture.save(QString::fromStdString(pngPath), "PNG");
    }
    return run;
}

}  // namespace cli
