// The main window: the menu, the picture area on which every analysis paints its board, and the
// two datasets through which the analyses read the draw tables.
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "dataset/xbase_dataset.h"
#include "toolkit/image.h"

class QAction;
class QMenu;
class TForm2;
class TDataWindow;

// The board values and periods of the two games, one entry per number (number i at index i - 1).
extern std::array<std::int32_t, 49> LotoValues;
extern std::array<std::int32_t, 80> KenoValues;
extern std::array<std::int32_t, 49> LotoPeriods;
extern std::array<std::int32_t, 80> KenoPeriods;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Opens both datasets; raises what an open raises, and the window is then not kept.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The other windows, made after this one; the menu shows them, each data window for its game.
    void SetWindows(TForm2* about, std::vector<TDataWindow*> dataWindows);

    TXbaseDataSet& XbaseDataSet1() { return DataSetOf(kSuperLoto); }
    TXbaseDataSet& XbaseDataSet2() { return DataSetOf(kKeno); }
    TXbaseDataSet& DataSetOf(const Game& game);
    const HistoryWindow& History() const { return m_history; }
    TImage& Image1() { return *m_image; }
    QAction* MenuItem(const char* name) const;

    void DrawBoard();
    void DrawKeno();

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
    // "Данные → Анализировать последние N тиражей": the dialog, and its choice kept.
    void HistoryClick();

protected:
    void closeEvent(QCloseEvent* event) override;

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
    void ImportDraws(const Game& game);

    // What the window keeps of each game, in the order of Games().
    struct GameSide {
        const Game* game;
        std::span<std::int32_t> values;
        std::span<std::int32_t> periods;
        std::unique_ptr<TXbaseDataSet> dataset;
        TDataWindow* window = nullptr;
    };
    GameSide& SideOf(const Game& game);

    std::vector<GameSide> m_games;
    // Which draws every analysis takes: every one, as the program starts, or the latest N.
    HistoryWindow m_history;
    TImage* m_image = nullptr;
    TForm2* m_about = nullptr;
};
