// A game's draw data window: a fixed window holding its own dataset on the game's table, a
// navigator bar above a grid of the draws, the Enter-key rule that steps through the numbers of
// a draw, and hiding (not closing) when the user closes it. The games' windows differ only in
// the layout their records give.
#pragma once

#include <QWidget>
#include <memory>

#include "analysis/game.h"
#include "dataset/xbase_dataset.h"
#include "datawin/xbase_navigator.h"
#include "toolkit/data_source.h"
#include "toolkit/db_grid.h"

class TDataWindow : public QWidget {
    Q_OBJECT
public:
    // The game's window, its dataset opened on the game's table in the current directory; raises
    // what the open raises.
    explicit TDataWindow(const Game& game, QWidget* parent = nullptr);
    ~TDataWindow() override;

    const Game& GameShown() const { return m_game; }

    TXbaseDataSet& XbaseDataSet1() { return *m_dataSet; }
    TDataSource& DataSource1() { return *m_dataSource; }
    TXbaseNavigator& XbaseNavigator1() { return *m_navigator; }
    TDBGrid& DBGrid1() { return *m_grid; }
    // Shows the window, or brings it to the front when it is shown already.
    void ShowAndRaise();

    // The Enter-key rule, given the typed character, which it may replace with none (0).
    void FormKeyPress(char& key);

protected:
    // The window sees every key before the control with the focus does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildGrid();
    // Refuses to post a row that is no draw of the game, naming the field, and puts the cursor
    // on it; the row stays in edit.
    void CheckTypedDraw();

    const Game& m_game;
    std::unique_ptr<TXbaseDataSet> m_dataSet;
    std::unique_ptr<TDataSource> m_dataSource;
    TXbaseNavigator* m_navigator = nullptr;
    TDBGrid* m_grid = nullptr;
};
