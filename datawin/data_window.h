// What the two draw data windows share: a fixed window holding its own dataset on one game's
// table, a navigator bar above a grid of the draws, the Enter-key rule that steps through the
// numbers of a draw, and hiding (not closing) when the user closes it. The two windows differ
// only in the layout data they pass.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "dataset/xbase_dataset.h"
#include "datawin/xbase_navigator.h"
#include "toolkit/data_source.h"
#include "toolkit/db_grid.h"

struct DataWindowLayout {
    std::string tableName;
    const char* caption;  // UTF-8
    int left, top, clientWidth, clientHeight;
    // The navigator.
    int navigatorLeft, navigatorTop, navigatorWidth, navigatorHeight;
    TXbaseButtonSet visibleButtons;
    // The grid.
    int gridLeft, gridTop, gridWidth, gridHeight;
    TFont gridFont;
    TFont gridTitleFont;
    bool columnResize;
    std::vector<std::string> columns;  // field names, in order
    int columnWidth;
    TFont columnFont;
    TFont columnTitleFont;
    bool navigatorFirstInTabOrder;
};

// The layout of a game's window, from the game's record.
DataWindowLayout LayoutOf(const Game& game);

class TDataWindow : public QWidget {
    Q_OBJECT
public:
    // The game's window, its dataset opened on the game's table in the current directory; raises
    // what the open raises.
    explicit TDataWindow(const Game& game, QWidget* parent = nullptr);
    TDataWindow(const DataWindowLayout& layout, QWidget* parent = nullptr);
    ~TDataWindow() override;

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
    void BuildGrid(const DataWindowLayout& layout);

    std::unique_ptr<TXbaseDataSet> m_dataSet;
    std::unique_ptr<TDataSource> m_dataSource;
    TXbaseNavigator* m_navigator = nullptr;
    TDBGrid* m_grid = nullptr;
};
