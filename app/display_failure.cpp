// Qt's fatal message while the application object is made comes only from the window system's
// plugin failing; it is turned into the program's Russian words and a plain exit.
#include "app/display_failure.h"

#include <QByteArray>
#include <QMessageLogContext>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

struct Held {
    QtMsgType type;
    std::string category;
    QString text;
};

std::mutex g_mutex;
std::vector<Held> g_held;

QString variable(const char* name) {
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QStringLiteral("%1 не задана").arg(QLatin1String(name))
                           : QStringLiteral("%1=%2").arg(QLatin1String(name), QString::fromLocal8Bit(value));
}

void holdOrReport(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // The platform plugin's own warning names the display it could not reach; Qt's closing
        // words only say that no plugin could start.
        QString reason = text;
        {
            const std::lock_guard<std::mutex> lock(g_mutex);
            const auto first = std::find_if(g_held.begin(), g_held.end(),
                                            [](const Held& held) { return held.category.rfind("qt.qpa", 0) == 0; });
            if (first != g_held.end()) reason = first->text;
        }
        const QByteArray said = NoDisplayText(reason).toUtf8();
        std::fwrite(said.constData(), 1, static_cast<std::size_t>(said.size()), stderr);
        std::fflush(stderr);
        std::_Exit(kNoDisplayStatus);
    }
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_held.push_back({type, context.category ? context.category : "", text});
}

}  // namespace

QString NoDisplayText(const QString& qtReason) {
    QString reason = qtReason.section(QLatin1Char('\n'), 0, 0).trimmed();
    return QStringLiteral(
               "ШАРОМЕТР не запущен: не удалось открыть окно — нет связи с экраном (%1, %2).\n"
               "Так бывает в терминале, открытом по ssh, или до того, как запущен графический сеанс.\n"
               "Что сделать: запустите ШАРОМЕТР из меню рабочего стола или из терминала графического "
               "сеанса; по ssh — с пересылкой X, командой «ssh -X». Без экрана анализы выполняет "
               "sharometr-cli analyze (man sharometr-cli).\n"
               "Ответ Qt: %3\n")
        .arg(variable("DISPLAY"), variable("WAYLAND_DISPLAY"), reason);
}

DisplayFailureReport::DisplayFailureReport() : m_previous(qInstallMessageHandler(holdOrReport)) {}

DisplayFailureReport::~DisplayFailureReport() {
    qInstallMessageHandler(m_previous);
    std::vector<Held> held;
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        held.swap(g_held);
    }
    for (const Held& message : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
        if (m_previous)
            m_previous(message.type, context, message.text);
        else
            qt_message_output(message.type, context, message.text);
    }
}
