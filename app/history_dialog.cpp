// The window-of-history dialog: two choices and the number of draws.
#include "app/history_dialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <string>

#include "toolkit/dialogs.h"
#include "toolkit/russian_text.h"

namespace {

constexpr int kDefaultCount = 200;  // the waiting period's limit: the usual reason to choose

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString drawsNoun(int count) { return utf8(russian::agreeingForm(count, russian::kDraws)); }

}  // namespace

THistoryDialog::THistoryDialog(int last, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_all(new QRadioButton(QString::fromUtf8("все тиражи"), this)),
      m_latest(new QRadioButton(QString::fromUtf8("последние"), this)),
      m_count(new QSpinBox(this)),
      m_noun(new QLabel(this)) {
    setObjectName("HistoryDialog");
    setWindowTitle(QString::fromUtf8("Сколько тиражей анализировать"));
    // Any number is typed; OK refuses one below the fewest, saying why.
    m_count->setRange(1, kMostDraws);
    m_count->setValue(last > 0 ? last : kDefaultCount);
    m_count->setEnabled(last > 0);
    (last > 0 ? m_latest : m_all)->setChecked(true);
    connect(m_latest, &QRadioButton::toggled, m_count, &QSpinBox::setEnabled);
    // The noun agrees with the number as it is typed: «последние 21 тираж», «… 22 тиража».
    m_noun->setText(drawsNoun(m_count->value()));
    connect(m_count, &QSpinBox::valueChanged, this, [this](int value) { m_noun->setText(drawsNoun(value)); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &THistoryDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("Анализы всех игр учитывают:"), this), 0, 0, 1, 3);
    layout->addWidget(m_all, 1, 0, 1, 3);
    layout->addWidget(m_latest, 2, 0);
    layout->addWidget(m_count, 2, 1);
    layout->addWidget(m_noun, 2, 2);
    layout->addWidget(buttons, 3, 0, 1, 3);
    // Wide enough for the title as well as the controls, so that the frame does not cut it.
    const QSize hint = sizeHint();
    const int titleWidth = fontMetrics().horizontalAdvance(windowTitle()) + 2 * fontMetrics().height() + 96;
    setFixedSize(std::max(hint.width(), titleWidth), hint.height());
}

void THistoryDialog::accept() {
    if (m_latest->isChecked() && m_count->value() < kFewestDraws) {
        ShowMessage("Каждому анализу нужно не меньше " + russian::counted(kFewestDraws, russian::kDraws) +
                    ": введите число от " + russian::wholeNumber(kFewestDraws) + " до " +
                    russian::wholeNumber(kMostDraws) + ".");
        m_count->setFocus(Qt::OtherFocusReason);
        m_count->selectAll();
        return;
    }
    QDialog::accept();
}

int THistoryDialog::Last() const { return m_latest->isChecked() ? m_count->value() : 0; }

void ShowHistoryOnItem(QAction& item, int last) {
    // The caption stays as the menu names it; the count stands in the column of the keys.
    QString caption = item.text().section('\t', 0, 0);
    item.setCheckable(true);
    item.setChecked(last > 0);
    if (last > 0) caption += '\t' + QString::number(last) + QChar(0x00A0) + drawsNoun(last);
    item.setText(caption);
}

QString HistoryInWords(int last) {
    if (last <= 0) return QString::fromUtf8("все тиражи");
    return QString::fromUtf8("последние ") + utf8(russian::counted(last, russian::kDraws));
}
