// analyze --png: a GUI application on the offscreen platform for the canvas's fonts, the main
// window's painter, and the pictures saved.
#include "cli/analyze_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cerrno>
#include <cstdio>

#include "analysis/board.h"
#include "analysis/runner.h"
#include "dbf/table_file.h"
#include "toolkit/canvas.h"

namespace cli {

namespace {

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

}  // namespace

// Inside a program that has a GUI application (the tests) that one serves.
PictureMaker::PictureMaker() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(qtErrorsOnly);
    static int argc = 1;
    static char name[] = "sharometr-cli";
    static char* argv[] = {name, nullptr};
    m_application = std::make_unique<QGuiApplication>(argc, argv);
}

PictureMaker::~PictureMaker() {
    if (!m_application) return;
    m_application.reset();
    qInstallMessageHandler(g_qtHandler);
    g_qtHandler = nullptr;
}

bool PictureMaker::save(const Analysis& analysis, const Game& game, TDataSet& dataset, const AnalysisResult& result,
                        const HistoryWindow& window, const std::string& pngPath) {
    PlaceCursor(dataset, result, window);
    // The main window's picture as the first painting finds it: white, of the picture area's size.
    QImage picture(board::kWidth, board::kHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        TCanvas canvas(picture);
        PaintAnalysis(canvas, analysis, game, result, dataset);
    }
    // Encoded in memory and written with every step checked, beside the file under a scratch name
    // and renamed over it only once it is on the disk: a full disk must neither leave an empty
    // picture behind a success nor take away the picture that was there. errno says why not.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        errno = EINVAL;
        return false;
    }
    return xb::writeWholeFileBeside(pngPath, bytes.constData(), static_cast<std::uint32_t>(bytes.size()), "picture");
}

}  // namespace cli
