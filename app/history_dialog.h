// The dialog "Анализировать последние N тиражей": whether the analyses take every draw of a
// table or only the latest N. The main window keeps the choice for every analysis of both games.
#pragma once

#include <QDialog>

class QRadioButton;
class QSpinBox;

class THistoryDialog : public QDialog {
    Q_OBJECT
public:
    // `last`: the choice now in force, 0 for every draw.
    explicit THistoryDialog(int last, QWidget* parent = nullptr);

    // The choice made: 0 for every draw, else N.
    int Last() const;

    QRadioButton* AllButton() const { return m_all; }
    QRadioButton* LatestButton() const { return m_latest; }
    QSpinBox* CountBox() const { return m_count; }

private:
    QRadioButton* m_all;
    QRadioButton* m_latest;
    QSpinBox* m_count;
};
