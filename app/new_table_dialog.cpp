// The new-table dialog: a list of games and a number of synthetic draws.
#include "app/new_table_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr int kMostDraws = 100000;

}  // namespace

TNewTableDialog::TNewTableDialog(std::vector<const Game*> games, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_games(std::move(games)),
      m_game(new QComboBox(this)),
      m_draws(new QSpinBox(this)) {
    setObjectName("NewTableDialog");
    setWindowTitle(QString::fromUtf8("Новая таблица"));
    for (const Game* game : m_games)
        m_game->addItem(QString::fromUtf8(game->menu.menuCaption) + QString::fromUtf8(" — ") +
                        QString::fromUtf8(game->tableFileName));
    m_draws->setRange(0, kMostDraws);
    m_draws->setValue(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("Игра:"), this), 0, 0);
    layout->addWidget(m_game, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QString::fromUtf8("Придуманных тиражей для пробы:"), this), 1, 0);
    layout->addWidget(m_draws, 1, 1);
    layout->addWidget(new QLabel(QString::fromUtf8("(0 — пустая таблица)"), this), 1, 2);
    layout->addWidget(buttons, 2, 0, 1, 3);
    setFixedSize(sizeHint());
}

const Game& TNewTableDialog::Chosen() const { return *m_games.at(static_cast<std::size_t>(m_game->currentIndex())); }

int TNewTableDialog::Draws() const { return m_draws->value(); }
