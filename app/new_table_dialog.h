// The dialog "Новая таблица": which defined game gets its draw table in the tables' folder, and
// how many synthetic draws the table starts with (none: an empty table for the player's own).
#pragma once

#include <QDialog>
#include <vector>

#include "analysis/game.h"

class QComboBox;
class QSpinBox;

class TNewTableDialog : public QDialog {
    Q_OBJECT
public:
    // `games`: the defined games that have no table yet; at least one.
    explicit TNewTableDialog(std::vector<const Game*> games, QWidget* parent = nullptr);

    const Game& Chosen() const;
    int Draws() const;

    QComboBox* GameBox() const { return m_game; }
    QSpinBox* DrawsBox() const { return m_draws; }

private:
    std::vector<const Game*> m_games;
    QComboBox* m_game;
    QSpinBox* m_draws;
};
