// The user manual's two forms, found beside the tables or in the package, and opened by the
// desktop's application for the first form it has one for.
#include "app/manual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "app/help_window.h"
#include "toolkit/dialogs.h"
#include "toolkit/shell.h"
#include "toolkit/windows.h"

namespace {

constexpr char kNoHtmlManual[] =
    "Руководство manual.html не найдено ни в рабочей папке, ни в папке документации пакета.";

// The HTML manual in the help window; false when it cannot be read.
bool ShowInHelpWindow(const std::string& html, const std::string& heading) {
    THelpWindow& window = HelpWindow();
    if (!window.Load(QString::fromStdString(html))) return false;
    BringWindowBack(window);
    if (!heading.empty()) window.GoToHeading(QString::fromStdString(heading));
    return true;
}

}  // namespace

std::string FindManual(const std::string& name) {
    const QString file = QString::fromStdString(name);
    const QString beside = QDir::current().filePath(file);
    const QString installed =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/doc/sharometr/") + file);
    for (const QString& path : {beside, installed}) {
        const QFileInfo info(path);
        if (info.isFile()) return QDir::cleanPath(info.absoluteFilePath()).toStdString();
    }
    return {};
}

void OpenManual() {
    const std::string doc = FindManual("manual.doc");
    const std::string html = FindManual("manual.html");
    if (doc.empty() && html.empty()) return;
    for (const std::string& manual : {doc, html}) {
        if (!manual.empty() && DesktopHasApplicationFor(manual)) {
            ShellOpen(manual);
            return;
        }
    }
    // No viewer on the desktop: the program shows the manual itself.
    if (!html.empty() && ShowInHelpWindow(html, "")) return;
    ShowMessage(ShellOpenFailedText(doc.empty() ? html : doc));
}

void OpenManualAt(const std::string& heading) {
    const std::string html = FindManual("manual.html");
    if (html.empty() || !ShowInHelpWindow(html, heading)) ShowMessage(kNoHtmlManual);
}

void OpenHtmlManual() {
    const std::string html = FindManual("manual.html");
    if (html.empty()) {
        ShowMessage(kNoHtmlManual);
        return;
    }
    ShellOpen(html);
}
