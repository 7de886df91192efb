// «Составить систему…» of a game: the player clicks numbers on a board of 1..N (a second mode marks
// key numbers), chooses the guarantee, the ticket size and filters, and the wheel is searched on a
// worker with progress and a cancel; the dialog shows the tickets, their count and cost, the
// guarantee as checked, and each prize category's chance for the whole set against as many
// random tickets, and keeps the tickets, saves them as CSV or prints them.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "analysis/draw_reader.h"
#include "analysis/game.h"
#include "toolkit/dataset.h"
#include "wheel/filters.h"
#include "wheel/wheel.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QToolButton;

class TWheelDialog : public QDialog {
    Q_OBJECT
public:
    // `draws` is the game's draw table, read for the filters on past draws and hot numbers.
    TWheelDialog(const Game& game, TDataSet& draws, const HistoryWindow& history, QWidget* parent = nullptr);

    const Game& GameShown() const { return m_game; }
    QToolButton& NumberButton(int number) const { return *m_board[static_cast<std::size_t>(number - 1)]; }
    QCheckBox& KeyMode() const { return *m_keyMode; }
    QSpinBox& GuaranteeT() const { return *m_t; }
    QSpinBox& GuaranteeM() const { return *m_m; }
    QSpinBox& TicketSize() const { return *m_size; }
    QSpinBox& Seconds() const { return *m_seconds; }
    QCheckBox& FullWheel() const { return *m_full; }
    QDoubleSpinBox& Price() const { return *m_price; }
    // Filters: sum, odd numbers, the longest run, hot numbers (how many of the K hottest), the
    // past draws left out, low numbers, the most in one decade or with one last digit, and long
    // absent numbers (how many of the K absent longest).
    QCheckBox& SumFilter() const { return *m_sumOn; }
    QSpinBox& SumLow() const { return *m_sumLow; }
    QSpinBox& SumHigh() const { return *m_sumHigh; }
    QCheckBox& OddFilter() const { return *m_oddOn; }
    QSpinBox& OddLow() const { return *m_oddLow; }
    QSpinBox& OddHigh() const { return *m_oddHigh; }
    QCheckBox& RunFilter() const { return *m_runOn; }
    QSpinBox& RunMost() const { return *m_runMost; }
    QCheckBox& HotFilter() const { return *m_hotOn; }
    QSpinBox& HotCount() const { return *m_hotCount; }
    QSpinBox& HotLeast() const { return *m_hotLeast; }
    QCheckBox& DrawnFilter() const { return *m_drawnOn; }
    QCheckBox& LowFilter() const { return *m_lowOn; }
    QSpinBox& LowLeast() const { return *m_lowLeast; }
    QSpinBox& LowMost() const { return *m_lowMost; }
    QCheckBox& DecadeFilter() const { return *m_decadeOn; }
    QSpinBox& DecadeMost() const { return *m_decadeMost; }
    QCheckBox& DigitFilter() const { return *m_digitOn; }
    QSpinBox& DigitMost() const { return *m_digitMost; }
    QCheckBox& AbsentFilter() const { return *m_absentOn; }
    QSpinBox& AbsentCount() const { return *m_absentCount; }
    QSpinBox& AbsentLeast() const { return *m_absentLeast; }
    QPushButton& MakeButton() const { return *m_make; }
    QPushButton& AddButton() const { return *m_add; }
    QPushButton& SaveButton() const { return *m_save; }
    QPushButton& PrintButton() const { return *m_print; }

    std::vector<int> Chosen() const;
    std::vector<int> Keys() const;
    // The tickets shown (the wheel's, filtered), and what is said of them.
    const std::vector<std::vector<int>>& Tickets() const { return m_tickets; }
    QString Summary() const;
    QString TicketText() const;

    // Searches the wheel with progress and a cancel and shows it; false when the plan is refused
    // (said in the error box) or the search was cancelled before it had any wheel.
    bool Make();
    // Keeps the shown tickets in the game's tickets table of the current folder; those kept there
    // already are left; says how many were added. Returns that count.
    int AddToMyTickets();
    // Writes the tickets as CSV (a header n1..nk, one ticket a line).
    void SaveCsv(const QString& path) const;
    // The tickets, the guarantee and the summary on `printer`'s pages.
    void PrintTo(QPrinter& printer) const;

private:
    void Toggle(int number);
    void Paint(int number);
    std::vector<wheel::Filter> Filters();
    void Show();

    const Game& m_game;
    TDataSet& m_draws;
    const HistoryWindow& m_history;
    std::vector<QToolButton*> m_board;
    std::vector<int> m_state;  // per number: 0 not chosen, 1 chosen, 2 key
    QCheckBox* m_keyMode = nullptr;
    QSpinBox *m_t = nullptr, *m_m = nullptr, *m_size = nullptr, *m_seconds = nullptr;
    QCheckBox* m_full = nullptr;
    QDoubleSpinBox* m_price = nullptr;
    QCheckBox *m_sumOn = nullptr, *m_oddOn = nullptr, *m_runOn = nullptr, *m_hotOn = nullptr, *m_drawnOn = nullptr;
    QSpinBox *m_sumLow = nullptr, *m_sumHigh = nullptr, *m_oddLow = nullptr, *m_oddHigh = nullptr, *m_runMost = nullptr,
             *m_hotCount = nullptr, *m_hotLeast = nullptr;
    QCheckBox *m_lowOn = nullptr, *m_decadeOn = nullptr, *m_digitOn = nullptr, *m_absentOn = nullptr;
    QSpinBox *m_lowLeast = nullptr, *m_lowMost = nullptr, *m_decadeMost = nullptr, *m_digitMost = nullptr,
             *m_absentCount = nullptr, *m_absentLeast = nullptr;
    QPushButton *m_make = nullptr, *m_add = nullptr, *m_save = nullptr, *m_print = nullptr;
    QLabel* m_summary = nullptr;
    QPlainTextEdit* m_list = nullptr;

    std::optional<wheel::Wheel> m_wheel;
    std::vector<wheel::Filter> m_filters;
    std::vector<std::vector<int>> m_tickets;
    QString m_summaryText;
};

// Shows the dialog of the game over the main window, as its item does.
void ShowWheelDialog(const Game& game, TDataSet& draws, const HistoryWindow& history, QWidget* parent);
