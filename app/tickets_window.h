// "Мои билеты" of a game: a data window on the game's tickets table (the navigator bar and grid
// of the draw windows, each typed ticket checked before it is saved) and, below it, the check of
// the tickets against the draws the analyses take, painted as a picture read at a glance: each
// ticket's numbers with those of the latest draw marked, and its draws by matches against chance.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "app/ticket_picture.h"
#include "dataset/xbase_dataset.h"
#include "datawin/xbase_navigator.h"
#include "tickets/ticket_check.h"
#include "toolkit/data_source.h"
#include "toolkit/db_grid.h"

class QLabel;
class QPushButton;

class TTicketsWindow : public QWidget {
    Q_OBJECT
public:
    // The window of the game's tickets table in the current folder, made empty when it is not
    // there; `draws` and `history` are the main window's, read at each check.
    TTicketsWindow(const Game& game, TXbaseDataSet& draws, const HistoryWindow& history, QWidget* parent = nullptr);
    ~TTicketsWindow() override;

    const Game& GameShown() const { return m_game; }
    TXbaseDataSet& TicketsDataSet() { return *m_dataSet; }
    TXbaseNavigator& Navigator() { return *m_navigator; }
    TDBGrid& Grid() { return *m_grid; }
    QPushButton& CheckButton() { return *m_checkButton; }
    // The latest check's picture (null before the first) and what it shows.
    const QImage& Picture() const { return m_picture; }
    const std::vector<TicketCheck>& Checked() const { return m_checked; }

    // Checks the kept tickets against the draws (long histories off the GUI thread) and paints
    // the picture; false when the user cancelled.
    bool CheckTickets();

protected:
    // The keys of the draw windows' grid: Enter to the next cell of the ticket, Insert to a new
    // ticket's name, and Tab kept within the ticket being typed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A key for the grid, before the grid has it; true when it is used up here.
    bool GridKey(int key, Qt::KeyboardModifiers modifiers);
    // The typed ticket, refused with one message before the engine writes it: no ticket of the
    // game, or the numbers of another kept ticket.
    void CheckTypedTicket(TDataSet& dataset);
    void MarkKept(TDataSet& dataset, const Ticket& typed);
    void Paint(const std::vector<TicketCheck>& checks);

    const Game& m_game;
    TXbaseDataSet& m_draws;
    const HistoryWindow& m_history;
    std::unique_ptr<TXbaseDataSet> m_dataSet;
    std::unique_ptr<TDataSource> m_dataSource;
    TXbaseNavigator* m_navigator = nullptr;
    TDBGrid* m_grid = nullptr;
    QPushButton* m_checkButton = nullptr;
    QLabel* m_pictureLabel = nullptr;
    QImage m_picture;
    std::vector<TicketCheck> m_checked;
};
