// The user manual's two forms, found beside the tables or in the package, and opened by the
// desktop's application for the first form it has one for.
#include "app/manual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "toolkit/dialogs.h"
#include "toolkit/shell.h"

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
    ShowMessage(ShellOpenFailedText(doc.empty() ? html : doc));
}

void OpenHtmlManual() {
    const std::string html = FindManual("manual.html");
    if (html.empty()) {
        ShowMessage("Руководство manual.html не найдено ни в рабочей папке, ни в папке документации пакета.");
        return;
    }
    ShellOpen(html);
}
