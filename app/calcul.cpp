// The main window: its settings, the menu and its handlers.
#include "app/calcul.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include <array>
#include <stdexcept>
#include <string>

#include "analysis/board.h"
#include "analysis/draw_datasets.h"
#include "history/new_draw_table.h"
#include "analysis/runner.h"
#include "app/about.h"
#include "app/history_dialog.h"
#include "app/manual.h"
#include "app/import_dialog.h"
#include "app/new_table_dialog.h"
#include "app/tickets_window.h"
#include "backtest/backtest_board.h"
#include "datawin/data_window.h"
#include "platform/exception.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
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
    AddItem(data, "NHistory", "Анализировать последние N тиражей", &TForm1::HistoryClick);
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
        const std::string mismatch = DrawTableMismatch(*side->dataset, game);
        if (mismatch.empty()) {
            side->ownWindow = std::make_unique<TDataWindow>(game);
            side->window = side->ownWindow.get();
            ListenForPaste(*side->window);
            return side;
        }
        m_notes.push_back(mismatch);
    } catch (const Exception& error) {
        m_notes.push_back(error.Message());
    }
    return nullptr;
}

void TForm1::AddGameMenu(const Game& game) {
    QMenu* menu = AddMenu(game.menu.menuName, game.menu.menuCaption);
    // A game added while the program runs goes after the games made at start-up, before the menus
    // that follow them ("Вид" where it is there, "?").
    if (auto* view = menuBar()->findChild<QMenu*>("NView")) {
        menuBar()->insertAction(view->menuAction(), menu->menuAction());
    } else if (m_help) {
        menuBar()->insertAction(m_help->menuAction(), menu->menuAction());
    }
    for (std::size_t i = 0; i < Analyses().size(); ++i) {
        const Analysis& analysis = Analyses()[i];
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
                    return m_image->Canvas();
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
    return [this]() -> TCanvas& { return m_image->Canvas(); };
}

void TForm1::RunAnalysis(const Game& game, const Analysis& analysis) {
    RunOnPicture([&] {
        GameSide& side = SideOf(game);
        const AnalysisResult result =
            ::RunAnalysis(analysis, game, *side.dataset,
                          BoardTarget{side.values, side.periods, PictureCanvas(), m_boardScaled}, m_history);
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
}

void TForm1::DrawBoard() { DrawGameBoard(m_image->Canvas(), kSuperLoto, LotoValues); }

void TForm1::DrawKeno() { DrawGameBoard(m_image->Canvas(), kKeno, KenoValues); }

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
        if (dialog.exec() == QDialog::Accepted) m_history.last = dialog.Last();
        ShowHistoryOnItem(*MenuItem("NHistory"), m_history.last);
        if (OnHistoryChanged) OnHistoryChanged(m_history.last);
    });
}

void TForm1::NewTableClick() {
    RunGuarded([&] {
        std::vector<const Game*> missing;
        for (const Game* game : Games())
            if (!game->compiledIn() && !DrawTableExists(*game)) missing.push_back(game);
        if (missing.empty()) {
            ShowMessage("Таблицы всех известных игр уже есть в папке таблиц.");
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
                                                : "Cannot find file " + std::string(game.tableFileName) + ".");
            return;
        }
        m_games.push_back(std::move(side));
        QMenu* data = findChild<QMenu*>("N1");
        AddItem(data, game.menu.dataItemName, game.menu.menuCaption, [this, &game] { ShowDataWindow(game); });
        // Beside the other games' data items, before the history item.
        data->insertAction(MenuItem("NHistory"), MenuItem(game.menu.dataItemName));
        AddGameMenu(game);
        ShowDataWindow(game);
    });
}

void TForm1::N21Click() {
    RunGuarded([&] {
        if (m_about) m_about->ShowAndRaise();
    });
}
