// The window-of-history dialog: two choices and the number of draws.
#include "app/history_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace {

constexpr int kDefaultCount = 200;  // the waiting period's limit: the usual reason to choose
constexpr int kMostDraws = 99999999;

}  // namespace

THistoryDialog::THistoryDialog(int last, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_all(new QRadioButton(QString::fromUtf8("все тиражи"), this)),
      m_latest(new QRadioButton(QString::fromUtf8("последние"), this)),
      m_count(new QSpinBox(this)) {
    setObjectName("HistoryDialog");
    setWindowTitle(QString::fromUtf8("Анализировать последние N тиражей"));
    m_count->setRange(1, kMostDraws);
    m_count->setValue(last > 0 ? last : kDefaultCount);
    m_count->setEnabled(last > 0);
    (last > 0 ? m_latest : m_all)->setChecked(true);
    connect(m_latest, &QRadioButton::toggled, m_count, &QSpinBox::setEnabled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("Анализы всех игр берут:"), this), 0, 0, 1, 3);
    layout->addWidget(m_all, 1, 0, 1, 3);
    layout->addWidget(m_latest, 2, 0);
    layout->addWidget(m_count, 2, 1);
    layout->addWidget(new QLabel(QString::fromUtf8("тиражей"), this), 2, 2);
    layout->addWidget(buttons, 3, 0, 1, 3);
    setFixedSize(sizeHint());
}

int THistoryDialog::Last() const { return m_latest->isChecked() ? m_count->value() : 0; }
