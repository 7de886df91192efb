// The main window: the menu, the picture area on which every analysis paints its board, and the
// two datasets through which the analyses read the draw tables.
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "dataset/xbase_dataset.h"
#include "toolkit/image.h"

class QAction;
class QLabel;
class QMenu;
class TForm2;
class TDataWindow;
class TTicketsWindow;

// The board values and periods of the two compiled-in games, one entry per number (number i at
// index i - 1); the window keeps those of every further game itself.
extern std::array<std::int32_t, kSuperLotoNumbers> LotoValues;
extern std::array<std::int32_t, kKenoNumbers> KenoValues;
extern std::array<std::int32_t, kSuperLotoNumbers> LotoPeriods;
extern std::array<std::int32_t, kKenoNumbers> KenoPeriods;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Opens SuperLoto's and Keno's datasets, raising what an open raises (the window is then not
    // kept), and those of the further games whose tables are in the folder: a game whose table
    // is missing gets no menu, one whose table will not open is left out and said so in
    // StartUpNotes().
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The other windows, made after this one; the menu shows them, each data window for its game.
    void SetWindows(TForm2* about, std::vector<TDataWindow*> dataWindows);

    TXbaseDataSet& XbaseDataSet1() { return DataSetOf(kSuperLoto); }
    TXbaseDataSet& XbaseDataSet2() { return DataSetOf(kKeno); }
    TXbaseDataSet& DataSetOf(const Game& game);
    // The games the window has a menu for, in the order of Games().
    std::vector<const Game*> GamesShown() const;
    // What start-up left out and why (a games.ini mistake, a further game's table that would not
    // open), one line each; the program shows it once its windows are up.
    const std::vector<std::string>& StartUpNotes() const { return m_notes; }
    const HistoryWindow& History() const { return m_history; }
    TImage& Image1() { return *m_image; }
    QAction* MenuItem(const char* name) const;

    void DrawBoard();
    void DrawKeno();

    // Told the values of every analysis the window runs, once its board is painted.
    std::function<void(const Game&, const Analysis&, const AnalysisResult&)> OnValuesReady;
    // Told the window of history chosen in its dialog (0: every draw).
    std::function<void(int last)> OnHistoryChanged;
    // Boards painted scaled so that the tallest bar fits (off at start): the board on the picture is
    // painted again at once, scaled or, when off, exactly as its command painted it.
    void SetBoardScaled(bool scaled);
    bool BoardScaled() const { return m_boardScaled; }
    // The window of history in force (0: every draw), as the dialog sets it: the menu item shows
    // it, the other windows follow it, and the board on the picture is painted again over it.
    void SetHistoryLast(int last);
    // Told whenever a choice the player may want kept changes (the scale, the window of history).
    std::function<void()> OnChoicesChanged;

    // The line on the board area that tells a new player what to do while no table holds draws of
    // their own (only the synthetic sample draws, or none); hidden once one does, and once a
    // command has painted the picture. Looked at again when the window is activated.
    QLabel& StartHint() { return *m_startHint; }
    void UpdateStartHint();
    // The menu bar with every game: the further games' menus on the bar while all menus fit the
    // window, else under one menu "Лотереи" before "Вид", so that "Вид" and "?" are never hidden.
    void ArrangeMenuBar();

public slots:
    // The menu's handlers by their items' names; the menu built from the games and analyses runs
    // the same commands.
    void N5Click();
    void N6Click();
    void N8Click();
    void N9Click();
    void N11Click();
    void N12Click();
    void N13Click();
    void N14Click();
    void N16Click();
    void N17Click();
    void N18Click();
    void N19Click();
    void N21Click();
    // "Данные → Сколько тиражей анализировать…": the dialog, and its choice kept.
    void HistoryClick();
    // "Данные → Новая таблица…": a table for a defined game that has none.
    void NewTableClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QMenu* AddMenu(const char* name, const char* caption);
    QAction* AddItem(QMenu* menu, const char* name, const char* caption, void (TForm1::*handler)());
    QAction* AddItem(QMenu* menu, const char* name, const char* caption, std::function<void()> handler);
    // Runs a command that paints the picture: under the wait cursor, its failure shown in the
    // error box, the picture shown again after it.
    void RunOnPicture(const std::function<void()>& command);
    // The picture's canvas, for a command to ask for only when it paints.
    std::function<TCanvas&()> PictureCanvas();
    // Runs an analysis of a game on its dataset, board values and periods.
    void RunAnalysis(const Game& game, const Analysis& analysis);
    void ShowDataWindow(const Game& game);
    // "Данные → Импорт тиражей": the import dialog for the game's table.
    void ImportDraws(const Game& game, bool fromClipboard = false);
    // Ctrl+V in the game's data window: the import dialog on the clipboard's draws.
    void ListenForPaste(TDataWindow& window);
    // "Мои билеты" of a game: its tickets window, made at the first call.
    void ShowTicketsWindow(const Game& game);

    // What the window keeps of each game, in the order of Games().
    struct GameSide {
        const Game* game;
        std::span<std::int32_t> values;
        std::span<std::int32_t> periods;
        std::unique_ptr<TXbaseDataSet> dataset;
        TDataWindow* window = nullptr;
        // A further game's board values and periods, which `values` and `periods` then show.
        std::vector<std::int32_t> ownValues{};
        std::vector<std::int32_t> ownPeriods{};
        std::unique_ptr<TDataWindow> ownWindow{};  // a further game's data window
        QMenu* menu = nullptr;                     // the game's own menu
    };
    GameSide& SideOf(const Game& game);
    // A further game's side, its dataset and data window opened on its table in the folder;
    // nullptr when the table is missing, or (with a note) when it will not open as the game's.
    std::unique_ptr<GameSide> OpenFurtherGame(const Game& game);
    void AddGameMenu(const Game& game);

    std::vector<std::unique_ptr<GameSide>> m_games;
    QMenu* m_help = nullptr;       // the further games' menus go before it
    QMenu* m_import = nullptr;     // "Данные → Импорт тиражей": an item a game
    QMenu* m_lotteries = nullptr;  // "Лотереи": the further games' menus when the bar is full
    QLabel* m_startHint = nullptr;
    bool m_pictureUsed = false;  // a command has painted the picture
    QMenu* m_paste = nullptr;    // "Данные → Вставить тиражи из буфера": an item a game
    std::vector<std::string> m_notes;
    // Which draws every analysis takes: every one, as the program starts, or the latest N.
    HistoryWindow m_history;
    TImage* m_image = nullptr;
    TForm2* m_about = nullptr;
    bool m_boardScaled = false;
    // What the picture shows when an analysis painted it last, to paint it again when the scale
    // is switched; none after another command painted the picture.
    struct ShownBoard {
        const Game* game;
        const Analysis* analysis;
        AnalysisResult result;
        std::vector<std::string> latestDraw;
    };
    std::optional<ShownBoard> m_shownBoard;
    std::vector<std::unique_ptr<TTicketsWindow>> m_ticketWindows;
};
