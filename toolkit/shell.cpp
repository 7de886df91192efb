// The desktop's handler for documents and links, or the hook installed in its place.
#include "toolkit/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
std::function<void(const std::string&)>& hook() {
    static std::function<void(const std::string&)> installed;
    return installed;
}
}  // namespace

void ShellOpen(const std::string& target) {
    if (hook()) {
        hook()(target);
        return;
    }
    const QString text = QString::fromStdString(target);
    const QUrl url = text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl(text);
    QDesktopServices::openUrl(url);
}

void SetShellOpenHook(std::function<void(const std::string&)> hook_) { hook() = std::move(hook_); }
