// The main window: its settings, the menu and its handlers.
#include "app/calcul.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QShortcut>

#include <array>
#include <stdexcept>
#include <string>

#include "analysis/board.h"
#include "analysis/draw_datasets.h"
#include "history/import.h"
#include "history/new_draw_table.h"
#include "analysis/runner.h"
#include "app/about.h"
#include "app/history_dialog.h"
#include "app/manual.h"
#include "app/import_dialog.h"
#include "app/new_table_dialog.h"
#include "app/tickets_window.h"
#include "app/backtest_command.h"
#include "app/wheel_dialog.h"
#include "datawin/data_window.h"
#include "platform/exception.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
#include "toolkit/russian_text.h"
#include "toolkit/windows.h"
#include "sharometr_version.h"

std::array<std::int32_t, kSuperLotoNumbers> LotoValues{};
std::array<std::int32_t, kKenoNumbers> KenoValues{};
std::array<std::int32_t, kSuperLotoNumbers> LotoPeriods{};
std::array<std::int32_t, kKenoNumbers> KenoPeriods{};

namespace {

// The client area is the board's: the picture and the strip below it the painter clears too.
constexpr int kClientWidth = board::kWidth;
constexpr int kClientHeight = board::kClientHeight;

// The width the menu bar needs for `captions` in one row, as the style lays its items out.
int MenuBarWidth(const QMenuBar& bar, const QStringList& captions) {
    const QStyle* style = bar.style();
    const int spacing = style->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, &bar);
    const int margin = style->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, &bar) +
                       style->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, &bar);
    int width = 2 * margin;
    for (const QString& caption : captions) {
        QStyleOptionMenuItem option;
        option.initFrom(&bar);
        option.menuItemType = QStyleOptionMenuItem::Normal;
        option.text = caption;
        const QSize text = bar.fontMetrics().size(Qt::TextShowMnemonic, caption);
        width += style->sizeFromContents(QStyle::CT_MenuBarItem, &option, text, &bar).width() + spacing;
    }
    return width;
}

// The caption of the window-of-history item, which the waiting period's way out names too.
constexpr char kHistoryCaption[] = "Сколько тиражей анализировать…";

}  // namespace

// Longer than most: the window, its menus and then its datasets are made in the order the program
// has always made them, on which the start-up's failure rule (no window kept) depends.
TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form1");
    setWindowTitle(QString::fromUtf8("Программный комплекс ШАРОМЕТР версия " SHAROMETR_VERSION));
    setWindowIcon(QIcon(QStringLiteral(":/icons/sharometr.xpm")));
    QFont font(QString::fromUtf8(TCanvas::DefaultFontName()));
    font.setPixelSize(11);
    setFont(font);

    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    m_image = new TImage(client);
    m_image->setObjectName("Image1");
    m_image->setGeometry(0, 0, board::kWidth, board::kHeight);
    // Over the picture, until the player's own draws are in or a command paints it.
    m_startHint = new QLabel(client);
    m_startHint->setObjectName("StartHint");
    m_startHint->setWordWrap(true);
    m_startHint->setAlignment(Qt::AlignCenter);
    m_startHint->setTextFormat(Qt::RichText);
    m_startHint->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_startHint->setStyleSheet(QStringLiteral(
        "QLabel { background: #FFFFE1; color: black; border: 1px solid #404040; padding: 10px; font-size: 13px; }"));
    m_startHint->setGeometry(72, 96, kClientWidth - 144, 120);
    connect(m_startHint, &QLabel::linkActivated, this, [] { RunGuarded([] { OpenManualAt("Первый вечер"); }); });
    m_startHint->hide();
    setCentralWidget(client);

    // SuperLoto and Keno with the module arrays of their board values and periods; every further
    // game whose table is in the folder with its own.
    m_games.push_back(std::make_unique<GameSide>(GameSide{&kSuperLoto, LotoValues, LotoPeriods, nullptr}));
    m_games.push_back(std::make_unique<GameSide>(GameSide{&kKeno, KenoValues, KenoPeriods, nullptr}));
    for (const Game* game : Games())
        if (!game->compiledIn())
            if (auto side = OpenFurtherGame(*game)) m_games.push_back(std::move(side));

    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    QMenu* data = AddMenu("N1", "Данные");
    for (const auto& side : m_games) {
        const Game& game = *side->game;
        AddItem(data, game.menu.dataItemName, game.menu.menuCaption, [this, &game] { ShowDataWindow(game); });
    }
    AddItem(data, "NHistory", kHistoryCaption, &TForm1::HistoryClick);
    AddItem(data, "NNewTable", "Новая таблица…", &TForm1::NewTableClick);
    // One item a game, each added with the game's own menu (AddGameMenu).
    m_import = data->addMenu(QString::fromUtf8("Импорт тиражей"));
    m_import->menuAction()->setObjectName("NImport");
    // Its own letter, «б»: «В» stays with «Выход».
    m_paste = data->addMenu(QString::fromUtf8("Вставить тиражи из &буфера"));
    m_paste->menuAction()->setObjectName("NPaste");
    data->addSeparator()->setObjectName("N7");
    AddItem(data, "N8", "Выход", &TForm1::N8Click);
    for (const auto& side : m_games) AddGameMenu(*side->game);
    QMenu* help = m_help = AddMenu("N4", "?");
    AddItem(help, "N19", "Как пользоваться", &TForm1::N19Click);
    help->addSeparator()->setObjectName("N20");
    AddItem(help, "N21", "Об авторе", &TForm1::N21Click);

    // Fixed size: the client area below the menu bar is exactly 665 x 314.
    setFixedSize(kClientWidth, kClientHeight + bar->sizeHint().height());
    move(125, 106);

    // In the order the program has always opened them; the further games' are open already.
    for (const auto& side : m_games)
        if (!side->dataset) side->dataset = MakeDrawDataSet(*side->game);
    UpdateStartHint();
}

void TForm1::UpdateStartHint() {
    bool samples = false;
    bool own = false;
    for (const auto& side : m_games) {
        const history::TableHolds holds = history::whatTableHolds(*side->game, side->game->tableFileName);
        own = own || holds == history::TableHolds::kOwnDraws;
        samples = samples || holds == history::TableHolds::kSamples;
    }
    if (own || m_pictureUsed) {
        m_startHint->hide();
        return;
    }
    const QString first = QString::fromUtf8(samples ? "Сейчас в таблицах придуманные тиражи, а не результаты лотерей."
                                                    : "Таблицы тиражей пока пусты.");
    m_startHint->setText(first +
                         QString::fromUtf8("<br>Импортируйте свои тиражи: <b>Данные → Импорт тиражей</b>, "
                                           "затем выберите игру.<br><br><a href=\"#first-evening\">С чего начать: "
                                           "«Первый вечер» в руководстве</a>"));
    m_startHint->show();
    m_startHint->raise();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Draws typed in a data window, or written by another program, may have made the hint stale.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_startHint->isVisible()) UpdateStartHint();
}

void TForm1::ArrangeMenuBar() {
    QMenuBar* bar = menuBar();
    std::vector<QMenu*> further;
    for (const auto& side : m_games)
        if (!side->game->compiledIn() && side->menu) further.push_back(side->menu);
    if (!m_lotteries) {
        m_lotteries = new QMenu(QString::fromUtf8("Лотереи"), bar);
        m_lotteries->setObjectName("NLotteries");
        m_lotteries->menuAction()->setObjectName("NLotteries");
    }
    // Every further game's menu back on the bar, in the order of the games, before "Вид" or "?".
    bar->removeAction(m_lotteries->menuAction());
    for (QMenu* menu : further) {
        m_lotteries->removeAction(menu->menuAction());
        bar->removeAction(menu->menuAction());
    }
    auto* view = bar->findChild<QMenu*>("NView");
    QAction* before = view ? view->menuAction() : (m_help ? m_help->menuAction() : nullptr);
    for (QMenu* menu : further) bar->insertAction(before, menu->menuAction());
    QStringList captions;
    for (QAction* action : bar->actions())
        if (action->isVisible()) captions << action->text();
    if (further.empty() || MenuBarWidth(*bar, captions) <= kClientWidth) return;
    for (QMenu* menu : further) {
        bar->removeAction(menu->menuAction());
        m_lotteries->addAction(menu->menuAction());
    }
    bar->insertAction(before, m_lotteries->menuAction());
}

std::unique_ptr<TForm1::GameSide> TForm1::OpenFurtherGame(const Game& game) {
    if (!DrawTableExists(game)) return nullptr;
    auto side = std::make_unique<GameSide>(GameSide{&game, {}, {}, nullptr});
    side->ownValues.assign(static_cast<std::size_t>(game.numbers), 0);
    side->ownPeriods.assign(static_cast<std::size_t>(game.numbers), 0);
    side->values = side->ownValues;
    side->periods = side->ownPeriods;
    try {
        side->dataset = MakeDrawDataSet(game);
        if (DrawTableMismatch(*side->dataset, game).empty()) {
            side->ownWindow = std::make_unique<TDataWindow>(game);
            side->window = side->ownWindow.get();
            ListenForPaste(*side->window);
            return side;
        }
        m_notes.push_back("Таблица " + side->dataset->TableName() + " — не таблица игры «" + game.menu.menuCaption +
                          "»: её первые поля не " + game.fieldName(0) + "…" + game.fieldName(game.fieldsPerDraw - 1) +
                          " с числами.");
    } catch (const Exception& error) {
        m_notes.push_back(error.Message());
    }
    return nullptr;
}

void TForm1::AddGameMenu(const Game& game) {
    QMenu* menu = AddMenu(game.menu.menuName, game.menu.menuCaption);
    SideOf(game).menu = menu;
    // A game added while the program runs goes after the games made at start-up, before the menus
    // that follow them ("Вид" where it is there, "?").
    if (auto* view = menuBar()->findChild<QMenu*>("NView")) {
        menuBar()->insertAction(view->menuAction(), menu->menuAction());
    } else if (m_help) {
        menuBar()->insertAction(m_help->menuAction(), menu->menuAction());
    }
    for (std::size_t i = 0; i < Analyses().size(); ++i) {
        const Analysis& analysis = Analyses()[i];
        // The analyses that pick no number (sums, pairs) after the others, below a line of their own.
        if (i > 0 && Analyses()[i - 1].picksNumbers && !analysis.picksNumbers)
            menu->addSeparator()->setObjectName(QString(game.menu.menuName) + "BinsSeparator");
        AddItem(menu, MenuItemName(game, i).c_str(), MenuItemCaption(game, i),
                [this, &game, &analysis] { RunAnalysis(game, analysis); });
        if (i == 0) menu->addSeparator()->setObjectName(game.menu.separatorName);
    }
    // The back-test of every method against chance, on the same picture.
    const std::string backtest = std::string(game.menu.menuName) + "Backtest";
    menu->addSeparator()->setObjectName(QString::fromStdString(backtest + "Separator"));
    AddItem(menu, backtest.c_str(), "Проверка методов", [this, &game] {
        RunOnPicture([&] {
            // Once it paints, the picture no longer shows a board to scale.
            RunBacktestCommand(
                game, DataSetOf(game),
                [this]() -> TCanvas& {
                    m_shownBoard.reset();
                    return PictureCanvas()();
                },
                m_history, TicketTableFileName(game));
        });
    });
    // "Данные → Импорт тиражей" for the game.
    const std::string importName = std::string("NImport") + game.menu.menuName;
    const std::string importCaption = std::string(game.menu.menuCaption) + "…";
    AddItem(m_import, importName.c_str(), importCaption.c_str(),
            [this, &game] { RunGuarded([&] { ImportDraws(game); }); });
    AddItem(m_paste, (std::string("NPaste") + game.menu.menuName).c_str(), importCaption.c_str(),
            [this, &game] { RunGuarded([&] { ImportDraws(game, true); }); });
    AddItem(menu, (std::string(game.menu.menuName) + "Tickets").c_str(), "Мои билеты",
            [this, &game] { RunGuarded([&] { ShowTicketsWindow(game); }); });
    AddItem(menu, (std::string(game.menu.menuName) + "Wheel").c_str(), "Составить систему…",
            [this, &game] { RunGuarded([&] { ShowWheelDialog(game, DataSetOf(game), m_history, this); }); });
}

void TForm1::ShowTicketsWindow(const Game& game) {
    for (const auto& window : m_ticketWindows)
        if (&window->GameShown() == &game) return BringWindowBack(*window);
    m_ticketWindows.push_back(std::make_unique<TTicketsWindow>(game, DataSetOf(game), m_history));
    BringWindowBack(*m_ticketWindows.back());
}

std::vector<const Game*> TForm1::GamesShown() const {
    std::vector<const Game*> games;
    for (const auto& side : m_games) games.push_back(side->game);
    return games;
}

TForm1::~TForm1() = default;

QMenu* TForm1::AddMenu(const char* name, const char* caption) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QAction* TForm1::AddItem(QMenu* menu, const char* name, const char* caption, void (TForm1::*handler)()) {
    return AddItem(menu, name, caption, [this, handler] { (this->*handler)(); });
}

QAction* TForm1::AddItem(QMenu* menu, const char* name, const char* caption, std::function<void()> handler) {
    // Captions are shown as written: an ampersand would otherwise become an accelerator.
    QAction* action = menu->addAction(QString::fromUtf8(caption).replace('&', "&&"));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, std::move(handler));
    return action;
}

QAction* TForm1::MenuItem(const char* name) const { return findChild<QAction*>(name); }

void TForm1::SetWindows(TForm2* about, std::vector<TDataWindow*> dataWindows) {
    m_about = about;
    for (TDataWindow* window : dataWindows) {
        SideOf(window->GameShown()).window = window;
        ListenForPaste(*window);
    }
}

TForm1::GameSide& TForm1::SideOf(const Game& game) {
    for (const auto& side : m_games)
        if (side->game == &game) return *side;
    throw std::invalid_argument(std::string("the main window keeps no board for ") + game.name);
}

TXbaseDataSet& TForm1::DataSetOf(const Game& game) { return *SideOf(game).dataset; }

void TForm1::RunOnPicture(const std::function<void()>& command) {
    RunGuarded([&] {
        WaitCursor wait;
        command();
    });
    m_image->update();
}

std::function<TCanvas&()> TForm1::PictureCanvas() {
    return [this]() -> TCanvas& {
        // The board the command paints is shown as the program paints it, nothing over it.
        m_pictureUsed = true;
        m_startHint->hide();
        return m_image->Canvas();
    };
}

void TForm1::RunAnalysis(const Game& game, const Analysis& analysis) {
    RunOnPicture([&] {
        GameSide& side = SideOf(game);
        const AnalysisResult result =
            ::RunAnalysis(analysis, game, *side.dataset,
                          BoardTarget{side.values, side.periods, PictureCanvas(), m_boardScaled,
                                      [](const char* refusal) {
                                          // Too many draws for the waiting period: the window of
                                          // history is the way out that keeps the table whole.
                                          return std::string_view(refusal) == kTooMany
                                                     ? "Или выберите «Данные» → «" + std::string(kHistoryCaption) +
                                                           "» и задайте не больше " +
                                                           russian::counted(kMostWaitingDraws, russian::kDraws) + "."
                                                     : std::string();
                                      }},
                          m_history);
        if (result.refusal) return;
        m_shownBoard = ShownBoard{&game, &analysis, result, LatestDrawTexts(analysis, game, result, *side.dataset)};
        if (OnValuesReady) OnValuesReady(game, analysis, result);
    });
}

void TForm1::SetBoardScaled(bool scaled) {
    m_boardScaled = scaled;
    if (!m_shownBoard) return;
    RunOnPicture([&] {
        const ShownBoard& shown = *m_shownBoard;
        PaintAnalysis(m_image->Canvas(), *shown.analysis, *shown.game, shown.result, shown.latestDraw, scaled);
    });
}

void TForm1::ShowDataWindow(const Game& game) {
    RunGuarded([&] {
        if (TDataWindow* window = SideOf(game).window) window->ShowAndRaise();
    });
}

void TForm1::ListenForPaste(TDataWindow& window) {
    // Ctrl+V in a data window brings copied draws in; a cell being typed takes the key first.
    auto* paste = new QShortcut(QKeySequence::Paste, &window);
    paste->setContext(Qt::WindowShortcut);
    const Game& game = window.GameShown();
    connect(paste, &QShortcut::activated, this, [this, &game] { RunGuarded([&] { ImportDraws(game, true); }); });
}

void TForm1::ImportDraws(const Game& game, bool fromClipboard) {
    // The program's own users of the table let go of it, so that a replacement may have it to
    // itself, and open it again afterwards, the new draws and all.
    GameSide& side = SideOf(game);
    const std::array<TDataSet*, 2> users = {side.dataset.get(), side.window ? &side.window->XbaseDataSet1() : nullptr};
    for (TDataSet* dataSet : users) {
        if (dataSet && dataSet->Active()) dataSet->CheckBrowseMode();  // a row being typed is saved first
    }
    std::vector<TDataSet*> reopen;
    for (TDataSet* dataSet : users) {
        if (dataSet && dataSet->Active()) {
            dataSet->Close();
            reopen.push_back(dataSet);
        }
    }
    const std::unique_ptr<std::vector<TDataSet*>, void (*)(std::vector<TDataSet*>*)> openAgain(&reopen, [](auto* sets) {
        for (TDataSet* dataSet : *sets) dataSet->Open();
    });
    RunImportDialog(game, game.tableFileName, this, fromClipboard);
    UpdateStartHint();
}

void TForm1::DrawBoard() { DrawGameBoard(PictureCanvas()(), kSuperLoto, LotoValues); }

void TForm1::DrawKeno() { DrawGameBoard(PictureCanvas()(), kKeno, KenoValues); }

void TForm1::N5Click() { ShowDataWindow(kSuperLoto); }

void TForm1::N6Click() { ShowDataWindow(kKeno); }

void TForm1::N8Click() { QApplication::quit(); }

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever other windows are open.
    QMainWindow::closeEvent(event);
    QApplication::quit();
}

void TForm1::N9Click() { RunAnalysis(kSuperLoto, FrequencyHistogramAnalysis()); }

void TForm1::N11Click() { RunAnalysis(kSuperLoto, SuccessionProbabilityAnalysis()); }

void TForm1::N12Click() { RunAnalysis(kSuperLoto, AverageWaitingPeriodAnalysis()); }

void TForm1::N13Click() { RunAnalysis(kSuperLoto, TalvenMethodAnalysis()); }

void TForm1::N14Click() { RunAnalysis(kKeno, FrequencyHistogramAnalysis()); }

void TForm1::N16Click() { RunAnalysis(kKeno, SuccessionProbabilityAnalysis()); }

void TForm1::N17Click() { RunAnalysis(kKeno, AverageWaitingPeriodAnalysis()); }

void TForm1::N18Click() { RunAnalysis(kKeno, TalvenMethodAnalysis()); }

void TForm1::N19Click() { RunGuarded(OpenManual); }

void TForm1::HistoryClick() {
    RunGuarded([&] {
        THistoryDialog dialog(m_history.last, this);
        // The item is checkable, so its click turned its check; it shows the choice again.
        SetHistoryLast(dialog.exec() == QDialog::Accepted ? dialog.Last() : m_history.last);
    });
}

void TForm1::SetHistoryLast(int last) {
    const bool changed = last != m_history.last;
    m_history.last = last;
    ShowHistoryOnItem(*MenuItem("NHistory"), m_history.last);
    if (OnHistoryChanged) OnHistoryChanged(m_history.last);
    if (!changed) return;
    if (OnChoicesChanged) OnChoicesChanged();
    // The board on the picture is of the draws before: its caption's count and its bars follow.
    if (m_shownBoard) RunAnalysis(*m_shownBoard->game, *m_shownBoard->analysis);
}

void TForm1::NewTableClick() {
    RunGuarded([&] {
        std::vector<const Game*> missing;
        for (const Game* game : Games())
            if (!game->compiledIn() && !DrawTableExists(*game)) missing.push_back(game);
        if (missing.empty()) {
            ShowMessage("Таблицы всех известных игр уже есть в рабочей папке.");
            return;
        }
        TNewTableDialog dialog(missing, this);
        if (dialog.exec() != QDialog::Accepted) return;
        const Game& game = dialog.Chosen();
        CreateDrawTable("", game, static_cast<std::uint32_t>(dialog.Draws()));
        const std::size_t notes = m_notes.size();
        auto side = OpenFurtherGame(game);
        if (!side) {
            // The table was made, but does not open as the game's.
            ShowErrorBox(m_notes.size() > notes ? m_notes.back()
                                                : "Таблица " + std::string(game.tableFileName) +
                                                      " создана, но не открылась как таблица игры.");
            return;
        }
        m_games.push_back(std::move(side));
        QMenu* data = findChild<QMenu*>("N1");
        AddItem(data, game.menu.dataItemName, game.menu.menuCaption, [this, &game] { ShowDataWindow(game); });
        // Beside the other games' data items, before the history item.
        data->insertAction(MenuItem("NHistory"), MenuItem(game.menu.dataItemName));
        AddGameMenu(game);
        ArrangeMenuBar();
        ShowDataWindow(game);
    });
}

void TForm1::N21Click() {
    RunGuarded([&] {
        if (m_about) m_about->ShowAndRaise();
    });
}
