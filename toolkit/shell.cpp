// The desktop's handler for documents and links, or the hook installed in its place.
#include "toolkit/shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <optional>

#include "toolkit/dialogs.h"

namespace {
std::function<bool(const std::string&)>& hook() {
    static std::function<bool(const std::string&)> installed;
    return installed;
}

std::function<bool(const std::string&)>& applicationHook() {
    static std::function<bool(const std::string&)> installed;
    return installed;
}

bool isLocalFile(const std::string& target) { return !target.empty() && target.front() == '/'; }

bool desktopOpen(const std::string& target) {
    const QString text = QString::fromStdString(target);
    const QUrl url = isLocalFile(target) ? QUrl::fromLocalFile(text) : QUrl(text);
    return QDesktopServices::openUrl(url);
}
// What xdg-mime prints for `arguments`, trimmed; nullopt when it cannot be run or fails.
std::optional<QString> askXdgMime(const QStringList& arguments) {
    constexpr int kPatienceMs = 5000;
    QProcess process;
    process.start(QStringLiteral("xdg-mime"), arguments);
    if (!process.waitForStarted(kPatienceMs) || !process.waitForFinished(kPatienceMs)) {
        process.kill();
        process.waitForFinished(kPatienceMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
}  // namespace

bool DesktopHasApplicationFor(const std::string& path) {
    if (applicationHook()) return applicationHook()(path);
    const std::optional<QString> type = askXdgMime({"query", "filetype", QString::fromStdString(path)});
    if (!type || type->isEmpty()) return true;
    const std::optional<QString> application = askXdgMime({"query", "default", *type});
    // xdg-mime prints nothing (and may fail) when no application is set for the type.
    return application && !application->isEmpty();
}

bool ShellOpen(const std::string& target) {
    const bool opened = hook() ? hook()(target) : desktopOpen(target);
    if (!opened) ShowMessage(ShellOpenFailedText(target));
    return opened;
}

std::string ShellOpenFailedText(const std::string& target) {
    const std::string what = isLocalFile(target) ? "файл" : "адрес";
    // The package is named only when its xdg-open is missing indeed; with it, the desktop merely
    // has no application for the file's type.
    const bool xdgOpen = !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty();
    return "Не удалось открыть " + what + " «" + target +
           "»: в системе не найдена программа, которая может его открыть. " +
           (xdgOpen ? "Выберите программу для таких файлов в настройках рабочего стола"
                    : "Установите пакет xdg-utils") +
           " или откройте " + what + " вручную.";
}

void SetShellOpenHook(std::function<bool(const std::string&)> hook_) { hook() = std::move(hook_); }

void SetDesktopApplicationHook(std::function<bool(const std::string&)> hook_) { applicationHook() = std::move(hook_); }
