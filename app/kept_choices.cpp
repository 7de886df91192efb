// The kept choices: one INI file, written as each choice changes, so that a program that is
// killed keeps all but its window's place.
#include "app/kept_choices.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

#include "app/draw_map.h"
#include "app/history_dialog.h"
#include "app/startup.h"
#include "app/tickets_window.h"
#include "toolkit/dialogs.h"

namespace {

constexpr char kScaled[] = "board/scaled";
constexpr char kLast[] = "history/last";
constexpr char kPlace[] = "window/place";
constexpr char kOpen[] = "window/open";
constexpr char kImportFolder[] = "import/folder";
// Where the main window stands at the first start.
constexpr int kLeft = 125;
constexpr int kTop = 106;

QString& choicesFile() {
    static QString file;
    return file;
}

std::unique_ptr<QSettings> openChoices() {
    if (choicesFile().isEmpty()) return nullptr;
    return std::make_unique<QSettings>(choicesFile(), QSettings::IniFormat);
}

// The menu items whose windows are open, each of which opens its window again.
QStringList openWindowItems(ProgramWindows& windows) {
    TForm1& form = *windows.Form1;
    QStringList items;
    if (windows.Detail && windows.Detail->isVisible()) items << "NDetail";
    for (const Game* game : form.GamesShown()) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) continue;
            if (auto* data = qobject_cast<TDataWindow*>(top); data && &data->GameShown() == game)
                items << game->menu.dataItemName;
            if (auto* tickets = qobject_cast<TTicketsWindow*>(top); tickets && &tickets->GameShown() == game)
                items << QString(game->menu.menuName) + "Tickets";
        }
        if (auto* map = form.findChild<TDrawMapWindow*>(QString("DrawMap") + game->cliName); map && map->isVisible())
            items << QString("NDrawMap") + game->cliName;
    }
    items.removeDuplicates();
    return items;
}

void resetChoices(ProgramWindows& windows) {
    TForm1& form = *windows.Form1;
    if (QAction* scale = form.findChild<QAction*>("NScaleBoard")) scale->setChecked(false);
    form.SetHistoryLast(0);
    form.move(kLeft, kTop);
    // Forgotten after the defaults are back, since putting them back keeps them as it goes.
    if (auto settings = openChoices()) settings->clear();
    ShowMessage("Настройки сброшены: табло без масштаба, анализируются все тиражи, окно на исходном месте.");
}

}  // namespace

QString DefaultChoicesFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/sharometr/sharometr.ini";
}

void SetKeptChoicesFile(const QString& file) { choicesFile() = file; }

void InstallKeptChoices(ProgramWindows& windows) {
    TForm1& form = *windows.Form1;
    QAction* scale = form.findChild<QAction*>("NScaleBoard");
    if (auto settings = openChoices()) {
        if (scale) scale->setChecked(settings->value(kScaled, false).toBool());
        const int last = settings->value(kLast, 0).toInt();
        if (last >= THistoryDialog::kFewestDraws && last <= THistoryDialog::kMostDraws) form.SetHistoryLast(last);
        // A place on a screen that is gone since (a second monitor unplugged) is not taken.
        const QPoint place = settings->value(kPlace).toPoint();
        if (settings->contains(kPlace) && QGuiApplication::screenAt(place)) form.move(place);
    }
    form.OnChoicesChanged = [&form] {
        if (auto settings = openChoices()) {
            settings->setValue(kScaled, form.BoardScaled());
            settings->setValue(kLast, form.History().last);
        }
    };
    if (scale) QObject::connect(scale, &QAction::toggled, &form, [&form] { form.OnChoicesChanged(); });
    if (auto* view = form.menuBar()->findChild<QMenu*>("NView")) {
        view->addSeparator();
        QAction* reset = view->addAction(QString::fromUtf8("Сбросить настройки"));
        reset->setObjectName("NResetChoices");
        QObject::connect(reset, &QAction::triggered, &form, [&windows] { RunGuarded([&] { resetChoices(windows); }); });
    }
}

void ReopenKeptWindows(ProgramWindows& windows) {
    auto settings = openChoices();
    if (!settings) return;
    for (const QString& item : settings->value(kOpen).toStringList()) {
        // An item of a game whose table has gone since is no longer in the menu.
        if (QAction* action = windows.Form1->findChild<QAction*>(item)) action->trigger();
    }
}

void KeepWindows(ProgramWindows& windows) {
    auto settings = openChoices();
    if (!settings) return;
    settings->setValue(kPlace, windows.Form1->pos());
    settings->setValue(kOpen, openWindowItems(windows));
}

QString LastImportFolder() {
    auto settings = openChoices();
    return settings ? settings->value(kImportFolder).toString() : QString();
}

void KeepImportFolder(const QString& file) {
    if (auto settings = openChoices()) settings->setValue(kImportFolder, QFileInfo(file).absolutePath());
}
