// The desktop's handler for documents and links, or the hook installed in its place.
#include "toolkit/shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "toolkit/dialogs.h"

namespace {
std::function<bool(const std::string&)>& hook() {
    static std::function<bool(const std::string&)> installed;
    return installed;
}

bool isLocalFile(const std::string& target) { return !target.empty() && target.front() == '/'; }

bool desktopOpen(const std::string& target) {
    const QString text = QString::fromStdString(target);
    const QUrl url = isLocalFile(target) ? QUrl::fromLocalFile(text) : QUrl(text);
    return QDesktopServices::openUrl(url);
}
}  // namespace

bool ShellOpen(const std::string& target) {
    const bool opened = hook() ? hook()(target) : desktopOpen(target);
    if (!opened) ShowMessage(ShellOpenFailedText(target));
    return opened;
}

std::string ShellOpenFailedText(const std::string& target) {
    const std::string what = isLocalFile(target) ? "файл" : "адрес";
    return "Не удалось открыть " + what + " «" + target +
           "»: рабочий стол не нашёл программы, которая его открывает. Установите пакет "
           "xdg-utils или откройте " +
           what + " сами.";
}

void SetShellOpenHook(std::function<bool(const std::string&)> hook_) { hook() = std::move(hook_); }
