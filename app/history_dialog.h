// The dialog of the window of history: whether the analyses take every draw of a table or only
// the latest N (5 at least, as every analysis needs). The main window keeps the choice for every
// analysis of both games and shows it on the menu item that opens the dialog.
#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QRadioButton;
class QSpinBox;

class THistoryDialog : public QDialog {
    Q_OBJECT
public:
    // The fewest draws OK takes, and the most the box takes.
    static constexpr int kFewestDraws = 5;
    static constexpr int kMostDraws = 99999999;

    // `last`: the choice now in force, 0 for every draw.
    explicit THistoryDialog(int last, QWidget* parent = nullptr);

    // The choice made: 0 for every draw, else N.
    int Last() const;

    QRadioButton* AllButton() const { return m_all; }
    QRadioButton* LatestButton() const { return m_latest; }
    QSpinBox* CountBox() const { return m_count; }
    QLabel* NounLabel() const { return m_noun; }

public slots:
    // OK: fewer than 5 draws is refused with a message, and the dialog stays open on the box.
    void accept() override;

private:
    QRadioButton* m_all;
    QRadioButton* m_latest;
    QSpinBox* m_count;
    QLabel* m_noun;
};

// The menu item of the dialog as the choice `last` makes it: checked, with the count at the
// right ("200 тиражей"), while a window is in force; as the menu names it otherwise.
void ShowHistoryOnItem(QAction& item, int last);

// The window in force in words, for the other windows' captions: "все тиражи" or
// "последние 200 тиражей".
QString HistoryInWords(int last);
