// The "Вид" menu and the detail window's feed from the main window's commands.
#include "app/view_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <map>
#include <memory>
#include <vector>

#include "app/calcul.h"
#include "app/detail_window.h"
#include "app/draw_map.h"
#include "app/history_dialog.h"
#include "backtest/backtest.h"
#include "toolkit/dialogs.h"
#include "toolkit/russian_text.h"

DetailValues DetailOf(const Game& game, const Analysis& analysis, const AnalysisResult& result,
                      const HistoryWindow& history) {
    const char* item = MenuItemCaption(game, static_cast<std::size_t>(&analysis - Analyses().data()));
    DetailValues detail;
    detail.command =
        QString::fromUtf8("«%1» → «%2»").arg(QString::fromUtf8(game.menu.menuCaption), QString::fromUtf8(item));
    detail.covered = QString::fromUtf8("Учтено тиражей: %1 (анализируются %2)")
                         .arg(QString::fromStdString(russian::wholeNumber(result.draws)), HistoryInWords(history.last));
    detail.values = result.values;
    for (const std::string& label : result.binLabels) detail.labels.push_back(QString::fromStdString(label));
    if (analysis.binCaption) detail.binCaption = QString::fromUtf8(analysis.binCaption);
    detail.expected = result.expected;
    return detail;
}

void InstallViewMenu(TForm1& form, TDetailWindow& detail) {
    QMenuBar* bar = form.menuBar();
    auto* view = new QMenu(QString::fromUtf8("Вид"), bar);
    view->setObjectName("NView");
    view->menuAction()->setObjectName("NView");
    const QList<QAction*> menus = bar->actions();
    bar->insertMenu(menus.isEmpty() ? nullptr : menus.back(), view);

    QAction* show = view->addAction(QString::fromUtf8("Подробно"));
    show->setObjectName("NDetail");
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    QObject::connect(show, &QAction::triggered, &detail, [&detail] { detail.ShowAndRaise(); });

    // The picks of each game's last analysis, for its map.
    auto picks = std::make_shared<std::map<const Game*, std::vector<int>>>();
    // A map of the history of each game the main window shows, made when first asked for (it opens
    // its own dataset). The items are brought up to date whenever the menu opens, since
    // "Новая таблица…" may have given a further game its menu since.
    view->addSeparator();
    QAction* mapsEnd = view->addSeparator();
    auto addMaps = [&form, view, mapsEnd, picks] {
        for (const Game* game : form.GamesShown()) {
            const QString itemName = QString("NDrawMap") + game->cliName;
            if (view->findChild<QAction*>(itemName)) continue;
            auto* map =
                new QAction(QString::fromUtf8("Карта тиражей: ") + QString::fromUtf8(game->menu.menuCaption), view);
            map->setObjectName(itemName);
            view->insertAction(mapsEnd, map);
            QObject::connect(map, &QAction::triggered, &form, [&form, game, picks] {
                RunGuarded([&] {
                    const QString name = QString("DrawMap") + game->cliName;
                    auto* window = form.findChild<TDrawMapWindow*>(name);
                    if (!window) {
                        window = new TDrawMapWindow(*game, &form);
                        window->SetMethodPicks((*picks)[game]);
                        window->SetHistoryWindow(form.History().last);
                    }
                    window->ShowAndRaise();
                });
            });
        }
    };
    addMaps();
    QObject::connect(view, &QMenu::aboutToShow, view, addMaps);

    QAction* scale = view->addAction(QString::fromUtf8("Масштабировать табло"));
    scale->setObjectName("NScaleBoard");
    scale->setCheckable(true);
    scale->setChecked(false);
    QObject::connect(scale, &QAction::toggled, &form, [&form](bool on) { form.SetBoardScaled(on); });

    form.OnHistoryChanged = [&form](int last) {
        for (TDrawMapWindow* map : form.findChildren<TDrawMapWindow*>()) map->SetHistoryWindow(last);
    };
    form.OnValuesReady = [&detail, &form, picks](const Game& game, const Analysis& analysis,
                                                 const AnalysisResult& result) {
        detail.ShowValues(DetailOf(game, analysis, result, form.History()));
        // Sums and pairs pick no numbers: the map keeps the picks of the game's last analysis that does.
        if (!analysis.picksNumbers) return;
        (*picks)[&game] = TopPicks(result.values, game.backtestPicks);
        if (auto* map = form.findChild<TDrawMapWindow*>(QString("DrawMap") + game.cliName))
            map->SetMethodPicks((*picks)[&game]);
    };
}
