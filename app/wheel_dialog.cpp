// The dialog of a wheel: the board, the plan, the search on a worker, the tickets and their sums.
#include "app/wheel_dialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QLocale>
#include <QSpinBox>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "tickets/tickets.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
#include "toolkit/russian_text.h"
#include "wheel/past_draws.h"

namespace {

constexpr russian::NounForms kCombinations{"сочетание", "сочетания", "сочетаний"};

// «из 1 билета», «из 3 билетов»: a count after «из» takes the genitive.
std::string Genitive(long long count, const char* one, const char* many) {
    return russian::wholeNumber(count) + russian::kNbsp.data() + (count % 10 == 1 && count % 100 != 11 ? one : many);
}

// «После фильтров остался 1 билет», «осталось 2 билета».
std::string Left(std::size_t count) {
    const auto n = static_cast<long long>(count);
    return std::string("После фильтров ") + (n % 10 == 1 && n % 100 != 11 ? "остался " : "осталось ") +
           russian::counted(n, russian::kTickets);
}

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

std::string Joined(const std::vector<int>& numbers, const char* separator) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) text += (i ? separator : "") + std::to_string(numbers[i]);
    return text;
}

// A chance in per cent with a decimal comma: more digits for a small one, never an exponent.
std::string Percent(double value) {
    const double p = 100 * value;
    const int decimals = p >= 1 || p <= 0 ? 1 : std::min(9, static_cast<int>(std::ceil(-std::log10(p))) + 2);
    return russian::decimal(p, decimals) + russian::kNbsp.data() + "%";
}

// A mean with three significant digits at least, never rounded to zero.
std::string Mean(double value) {
    const int decimals =
        value >= 0.01 || value <= 0 ? 4 : std::min(12, static_cast<int>(std::ceil(-std::log10(value))) + 2);
    return russian::decimal(value, decimals);
}

QSpinBox* Spin(int low, int high, int value, const char* name) {
    auto* spin = new QSpinBox;
    spin->setRange(low, high);
    spin->setValue(value);
    spin->setObjectName(name);
    return spin;
}

QCheckBox* Check(const char* caption, const char* name) {
    auto* box = new QCheckBox(QString::fromUtf8(caption));
    box->setObjectName(name);
    return box;
}

}  // namespace

TWheelDialog::TWheelDialog(const Game& game, TDataSet& draws, const HistoryWindow& history, QWidget* parent)
    : QDialog(parent), m_game(game), m_draws(draws), m_history(history) {
    setObjectName(QString("Wheel_") + game.cliName);
    setWindowTitle(Text(std::string("Составить систему: ") + game.menu.menuCaption));
    auto* layout = new QVBoxLayout(this);

    auto* boardBox = new QGroupBox(Text("Ваши номера (щелчок выбирает, в режиме ключевых — делает ключевым)"));
    auto* board = new QGridLayout(boardBox);
    board->setSpacing(2);
    m_state.assign(static_cast<std::size_t>(game.numbers), 0);
    for (int n = 1; n <= game.numbers; ++n) {
        auto* button = new QToolButton;
        button->setObjectName(QString("WheelNumber%1").arg(n));
        button->setText(QString::number(n));
        button->setFixedSize(30, 24);
        connect(button, &QToolButton::clicked, this, [this, n] { Toggle(n); });
        board->addWidget(button, (n - 1) / 10, (n - 1) % 10);
        m_board.push_back(button);
        Paint(n);
    }
    m_keyMode = Check("Режим ключевых номеров (входят в каждый билет)", "WheelKeyMode");
    board->addWidget(m_keyMode, (game.numbers + 9) / 10, 0, 1, 10);
    layout->addWidget(boardBox);

    auto* plan = new QHBoxLayout;
    const ::TicketSize size = TicketSizeOf(game);
    const int ticket = wheel::DefaultTicketSize(game);
    m_t = Spin(1, game.fieldsPerDraw, std::min(3, ticket), "WheelT");
    m_m = Spin(1, game.fieldsPerDraw, std::min(3, ticket), "WheelM");
    m_size = Spin(size.fewest, size.most, ticket, "WheelSize");
    m_seconds = Spin(1, 600, 5, "WheelSeconds");
    plan->addWidget(new QLabel(Text("Гарантия: угадано")));
    plan->addWidget(m_t);
    plan->addWidget(new QLabel(Text("из")));
    plan->addWidget(m_m);
    plan->addWidget(new QLabel(Text("выпавших среди ваших; номеров в билете")));
    plan->addWidget(m_size);
    plan->addWidget(new QLabel(Text("поиск, с")));
    plan->addWidget(m_seconds);
    layout->addLayout(plan);
    auto* more = new QHBoxLayout;
    m_full = Check("Полная система (все сочетания)", "WheelFull");
    m_price = new QDoubleSpinBox;
    m_price->setObjectName("WheelPrice");
    m_price->setRange(0, 1e6);
    m_price->setDecimals(2);
    m_price->setLocale(QLocale(QLocale::Russian, QLocale::Russia));  // a decimal comma, as the texts write
    more->addWidget(m_full);
    more->addWidget(new QLabel(Text("Цена билета, ₽ (0 — не считать)")));
    more->addWidget(m_price);
    layout->addLayout(more);

    auto* filters = new QGroupBox(Text("Фильтры (меняют, какие билеты куплены и сколько, но не шанс билета)"));
    // Two columns of filters, so that the window fits a screen of 800 pixels.
    auto* grid = new QGridLayout(filters);
    grid->setColumnMinimumWidth(4, 16);
    const int top = ticket * game.numbers;
    m_sumOn = Check("Сумма номеров от", "WheelSumOn");
    m_sumLow = Spin(0, top, 0, "WheelSumLow");
    m_sumHigh = Spin(0, top, top, "WheelSumHigh");
    grid->addWidget(m_sumOn, 0, 0);
    grid->addWidget(m_sumLow, 0, 1);
    grid->addWidget(new QLabel(Text("до")), 0, 2);
    grid->addWidget(m_sumHigh, 0, 3);
    m_oddOn = Check("Нечётных от", "WheelOddOn");
    m_oddLow = Spin(0, size.most, 0, "WheelOddLow");
    m_oddHigh = Spin(0, size.most, size.most, "WheelOddHigh");
    grid->addWidget(m_oddOn, 1, 0);
    grid->addWidget(m_oddLow, 1, 1);
    grid->addWidget(new QLabel(Text("до")), 1, 2);
    grid->addWidget(m_oddHigh, 1, 3);
    m_runOn = Check("Подряд идущих не больше", "WheelRunOn");
    m_runMost = Spin(1, size.most, 2, "WheelRunMost");
    grid->addWidget(m_runOn, 2, 0);
    grid->addWidget(m_runMost, 2, 1);
    m_hotOn = Check("Из горячих номеров (чаще всех выпадавших) не меньше", "WheelHotOn");
    m_hotLeast = Spin(0, size.most, 1, "WheelHotLeast");
    m_hotCount = Spin(1, game.numbers, std::min(10, game.numbers), "WheelHotCount");
    grid->addWidget(m_hotOn, 3, 0);
    grid->addWidget(m_hotLeast, 3, 1);
    grid->addWidget(new QLabel(Text("из")), 3, 2);
    grid->addWidget(m_hotCount, 3, 3);
    m_lowOn = Check("Младших номеров (до половины поля) от", "WheelLowOn");
    m_lowLeast = Spin(0, size.most, 0, "WheelLowLeast");
    m_lowMost = Spin(0, size.most, size.most, "WheelLowMost");
    grid->addWidget(m_lowOn, 0, 5);
    grid->addWidget(m_lowLeast, 0, 6);
    grid->addWidget(new QLabel(Text("до")), 0, 7);
    grid->addWidget(m_lowMost, 0, 8);
    m_decadeOn = Check("В одном десятке не больше", "WheelDecadeOn");
    m_decadeMost = Spin(1, size.most, 2, "WheelDecadeMost");
    grid->addWidget(m_decadeOn, 1, 5);
    grid->addWidget(m_decadeMost, 1, 6);
    m_digitOn = Check("С одной последней цифрой не больше", "WheelDigitOn");
    m_digitMost = Spin(1, size.most, 2, "WheelDigitMost");
    grid->addWidget(m_digitOn, 2, 5);
    grid->addWidget(m_digitMost, 2, 6);
    m_absentOn = Check("Из долго не выпадавших не меньше", "WheelAbsentOn");
    m_absentLeast = Spin(0, size.most, 1, "WheelAbsentLeast");
    m_absentCount = Spin(1, game.numbers, std::min(10, game.numbers), "WheelAbsentCount");
    grid->addWidget(m_absentOn, 3, 5);
    grid->addWidget(m_absentLeast, 3, 6);
    grid->addWidget(new QLabel(Text("из")), 3, 7);
    grid->addWidget(m_absentCount, 3, 8);
    m_drawnOn = Check("Без сочетаний, уже выпадавших в тиражах", "WheelDrawnOn");
    grid->addWidget(m_drawnOn, 4, 0, 1, 4);
    layout->addWidget(filters);

    auto* buttons = new QHBoxLayout;
    m_make = new QPushButton(Text("Составить"));
    m_make->setObjectName("WheelMake");
    m_add = new QPushButton(Text("Добавить в мои билеты"));
    m_add->setObjectName("WheelAdd");
    m_save = new QPushButton(Text("Сохранить CSV…"));
    m_save->setObjectName("WheelSave");
    m_print = new QPushButton(Text("Печать…"));
    m_print->setObjectName("WheelPrint");
    for (QPushButton* button : {m_make, m_add, m_save, m_print}) buttons->addWidget(button);
    layout->addLayout(buttons);
    connect(m_make, &QPushButton::clicked, this, [this] { RunGuarded([this] { Make(); }); });
    connect(m_add, &QPushButton::clicked, this, [this] { RunGuarded([this] { AddToMyTickets(); }); });
    connect(m_save, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            const QString path =
                QFileDialog::getSaveFileName(this, Text("Сохранить систему"), QString(), Text("Таблица CSV (*.csv)"));
            if (!path.isEmpty()) SaveCsv(path);
        });
    });
    connect(m_print, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            QPrinter printer;
            QPrintDialog dialog(&printer, this);
            if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
        });
    });

    m_summary = new QLabel;
    m_summary->setObjectName("WheelSummary");
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The sums may run longer than the window: they scroll, the tickets below keep their place.
    auto* summaryScroll = new QScrollArea;
    summaryScroll->setWidgetResizable(true);
    summaryScroll->setMinimumHeight(170);
    summaryScroll->setWidget(m_summary);
    layout->addWidget(summaryScroll);
    m_list = new QPlainTextEdit;
    m_list->setObjectName("WheelTickets");
    m_list->setReadOnly(true);
    m_list->setMinimumHeight(120);
    layout->addWidget(m_list);
    Show();
}

void TWheelDialog::Paint(int number) {
    QToolButton* button = m_board[static_cast<std::size_t>(number - 1)];
    const int state = m_state[static_cast<std::size_t>(number - 1)];
    button->setStyleSheet(state == 2   ? "background: #c03030; color: white; font-weight: bold"
                          : state == 1 ? "background: #3060c0; color: white"
                                       : "");
}

void TWheelDialog::Toggle(int number) {
    int& state = m_state[static_cast<std::size_t>(number - 1)];
    if (m_keyMode->isChecked())
        state = state == 2 ? 1 : 2;
    else
        state = state == 0 ? 1 : 0;
    Paint(number);
}

std::vector<int> TWheelDialog::Chosen() const {
    std::vector<int> numbers;
    for (std::size_t i = 0; i < m_state.size(); ++i)
        if (m_state[i] != 0) numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

std::vector<int> TWheelDialog::Keys() const {
    std::vector<int> numbers;
    for (std::size_t i = 0; i < m_state.size(); ++i)
        if (m_state[i] == 2) numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

std::vector<wheel::Filter> TWheelDialog::Filters() {
    std::vector<wheel::Filter> filters;
    auto range = [&](wheel::Filter::Kind kind, int low, int high, std::string label) {
        wheel::Filter f;
        f.kind = kind;
        f.low = low;
        f.high = high;
        f.label = std::move(label);
        filters.push_back(std::move(f));
    };
    if (m_sumOn->isChecked())
        range(wheel::Filter::Kind::kSum, m_sumLow->value(), m_sumHigh->value(),
              "сумма " + russian::range(m_sumLow->value(), m_sumHigh->value()));
    if (m_oddOn->isChecked())
        range(wheel::Filter::Kind::kOdd, m_oddLow->value(), m_oddHigh->value(),
              "нечётных " + russian::range(m_oddLow->value(), m_oddHigh->value()));
    if (m_runOn->isChecked())
        range(wheel::Filter::Kind::kRun, 0, m_runMost->value(),
              "подряд не больше " + std::to_string(m_runMost->value()));
    if (m_lowOn->isChecked())
        range(wheel::Filter::Kind::kLow, m_lowLeast->value(), m_lowMost->value(),
              "младших " + russian::range(m_lowLeast->value(), m_lowMost->value()));
    if (m_decadeOn->isChecked())
        range(wheel::Filter::Kind::kDecade, 0, m_decadeMost->value(),
              "в одном десятке не больше " + std::to_string(m_decadeMost->value()));
    if (m_digitOn->isChecked())
        range(wheel::Filter::Kind::kLastDigit, 0, m_digitMost->value(),
              "с одной последней цифрой не больше " + std::to_string(m_digitMost->value()));
    if (m_hotOn->isChecked() || m_drawnOn->isChecked() || m_absentOn->isChecked()) {
        WaitCursor wait;
        const std::vector<std::vector<int>> draws = wheel::PastDraws(m_game, m_draws, m_history);
        if (m_hotOn->isChecked()) {
            range(wheel::Filter::Kind::kFrom, m_hotLeast->value(), TicketSizeOf(m_game).most,
                  "горячих не меньше " + std::to_string(m_hotLeast->value()) + " из " +
                      std::to_string(m_hotCount->value()));
            filters.back().numbers = wheel::HotNumbers(m_game, draws, m_hotCount->value());
        }
        if (m_absentOn->isChecked()) {
            range(wheel::Filter::Kind::kFrom, m_absentLeast->value(), TicketSizeOf(m_game).most,
                  "долго не выпадавших не меньше " + std::to_string(m_absentLeast->value()) + " из " +
                      std::to_string(m_absentCount->value()));
            filters.back().numbers = wheel::AbsentNumbers(m_game, draws, m_absentCount->value());
        }
        if (m_drawnOn->isChecked()) {
            range(wheel::Filter::Kind::kDrawn, 0, 0, "без выпадавших сочетаний");
            wheel::SetDraws(filters.back(), draws);
        }
    }
    return filters;
}

bool TWheelDialog::Make() {
    wheel::Plan plan;
    plan.numbers = Chosen();
    plan.keys = Keys();
    plan.size = m_size->value();
    plan.guarantee = {m_t->value(), m_m->value()};
    if (const wheel::PlanFault fault = wheel::CheckPlan(m_game, plan)) {
        ShowErrorBox(wheel::RussianFaultText(m_game, fault));
        return false;
    }
    // What the layer refuses in the companion's words is said here in the window's.
    const int others = static_cast<int>(plan.numbers.size() - plan.keys.size());
    const int size = std::min(others, plan.size - static_cast<int>(plan.keys.size()));
    if (m_full->isChecked() && wheel::Choose(others, size) > wheel::kMostFullWheelTickets) {
        ShowErrorBox("В полной системе было бы " + russian::counted(wheel::Choose(others, size), russian::kTickets) +
                     ": это больше " + russian::wholeNumber(wheel::kMostFullWheelTickets) + ".");
        return false;
    }
    if (!m_full->isChecked() && wheel::Choose(others, plan.guarantee.m) > wheel::kMostSearchSets) {
        ShowErrorBox(wheel::RussianFaultText(m_game, {wheel::PlanFault::Kind::kTooLarge}));
        return false;
    }
    m_filters = Filters();
    std::optional<wheel::Wheel> made;
    if (m_full->isChecked()) {
        made = wheel::MakeFullWheel(m_game, plan);
    } else {
        wheel::SearchOptions options;
        options.seconds = m_seconds->value();
        bool outOfTime = false;
        RunLongWork(
            "Поиск системы…",
            [&](LongWorkProgress& progress) {
                std::atomic<bool> stop{false};
                options.cancel = &stop;
                options.progress = [&](const wheel::SearchProgress& p) {
                    progress.report(static_cast<std::int64_t>(p.fraction * 1000), 1000);
                    if (progress.cancelled()) stop = true;
                };
                try {
                    made = wheel::MakeWheel(m_game, plan, options);
                } catch (const wheel::WheelError&) {
                    // Stopped, by the player or by the clock, before any wheel: nothing to show.
                    outOfTime = !stop;
                }
            },
            this);
        if (outOfTime)
            ShowErrorBox("За " + std::to_string(m_seconds->value()) +
                         " с поиск не успел составить систему: дайте ему больше времени.");
        if (!made) return false;
    }
    m_wheel = std::move(made);
    Show();
    return true;
}

void TWheelDialog::Show() {
    m_tickets.clear();
    const bool any = m_wheel.has_value();
    for (QPushButton* button : {m_add, m_save, m_print}) button->setEnabled(any);
    if (!any) {
        m_summaryText = Text("Выберите номера на поле, гарантию и нажмите «Составить».");
        m_summary->setText(m_summaryText);
        m_list->clear();
        return;
    }
    const wheel::Wheel& w = *m_wheel;
    for (const auto& ticket : w.tickets)
        if (wheel::KeepsAll(m_game, m_filters, ticket)) m_tickets.push_back(ticket);
    const wheel::Guarantee g = w.plan.guarantee;
    const int others = static_cast<int>(w.plan.numbers.size() - w.plan.keys.size());
    std::string text = (w.full ? "Полная система: " : "Система: ") +
                       russian::counted(static_cast<long long>(w.tickets.size()), russian::kTickets) + " по " +
                       std::to_string(w.plan.size) + "; нижняя граница — " + russian::wholeNumber(w.lowerBound) + " (" +
                       (wheel::LowerBoundIsSchoenheim(g) ? "граница Шёнхайма" : "граница подсчёта") +
                       "): меньшей системы с этой гарантией не бывает" + (w.cancelled ? "; поиск остановлен" : "") +
                       ".\n";
    // «1 выпавший номер», «2 выпавших номера», «5 выпавших номеров».
    const std::string drawn = std::to_string(g.m) + (g.m % 10 == 1 && g.m % 100 != 11 ? " выпавший " : " выпавших ") +
                              std::string(russian::agreeingForm(g.m, russian::kNumbers));
    text += "Гарантия «" + std::to_string(g.t) + " из " + std::to_string(g.m) + "» проверена: если " + drawn +
            " есть среди " + std::to_string(others) +
            (w.plan.keys.empty() ? " выбранных" : " выбранных, кроме ключевых") +
            ", хотя бы один билет угадает не меньше " + std::to_string(g.t) +
            (w.plan.keys.empty() ? "" : " из них (и все выпавшие ключевые)") + "; " +
            (w.verification.byCounting ? "играются все сочетания."
                                       : "проверены все " + russian::counted(w.verification.checked, kCombinations) +
                                             " по " + std::to_string(g.m) + ".") +
            "\n";
    for (const wheel::Filter& f : m_filters) {
        const wheel::Kept kept = wheel::KeptOf(m_game, {f}, w.tickets);
        const wheel::Kept all = wheel::KeptOfAll(m_game, {f}, w.plan.size);
        text += "Фильтр «" + f.label + "» оставляет " + std::to_string(kept.kept) + " из " +
                Genitive(kept.of, "билета", "билетов");
        if (all.known)
            text += " и " + russian::wholeNumber(all.kept) + " из " + Genitive(all.of, "сочетания", "сочетаний") +
                    " игры (" + Percent(static_cast<double>(all.kept) / static_cast<double>(all.of)) + ")";
        text += ".\n";
    }
    if (m_tickets.size() != w.tickets.size()) {
        const wheel::TicketsVerification after = wheel::VerifyTickets(m_tickets, w.plan.numbers, w.plan.keys, g);
        if (after.verification.holds)
            text += Left(m_tickets.size()) + "; гарантия проверена снова и сохранилась.\n";
        else
            text += Left(m_tickets.size()) + ": гарантия больше не действует (например, при выпавших " +
                    Joined(after.witness, ", ") + " ни один билет не угадает " + std::to_string(g.t) + ").\n";
    }
    if (m_price->value() > 0)
        text += "Стоимость: " + russian::decimal(m_price->value() * static_cast<double>(m_tickets.size()), 2) +
                russian::kNbsp.data() + "₽.\n";
    const wheel::Chances chances = wheel::ChancesOf(m_game, m_tickets);
    if (!chances.wheel.empty()) {
        text +=
            "Шанс в одном тираже, что хотя бы один билет угадает столько или больше — эти билеты / столько же "
            "случайных; среднее число таких билетов одинаково:\n";
        for (std::size_t j = std::max<std::size_t>(1, static_cast<std::size_t>(g.t) > 1 ? 2 : 1);
             j < chances.wheel.size(); ++j) {
            double mean = 0;
            for (std::size_t h = j; h < chances.expectedTickets.size(); ++h) mean += chances.expectedTickets[h];
            text += "  " + std::to_string(j) + " и больше: " + Percent(chances.wheel[j]) + " / " +
                    Percent(chances.random[j]) + "; в среднем " + Mean(mean) + "\n";
        }
    }
    text +=
        "Система и фильтры меняют только то, сколько билетов куплено и какие; шанс каждого билета остаётся "
        "тем же.";
    m_summaryText = Text(text);
    m_summary->setText(m_summaryText);
    m_list->setPlainText(TicketText());
}

QString TWheelDialog::Summary() const { return m_summaryText; }

QString TWheelDialog::TicketText() const {
    std::string text;
    for (std::size_t i = 0; i < m_tickets.size(); ++i)
        text += std::to_string(i + 1) + ".\t" + Joined(m_tickets[i], " ") + "\n";
    return Text(text);
}

int TWheelDialog::AddToMyTickets() {
    const auto [added, kept] = AddNewTickets(m_game, TicketTableFileName(m_game), m_tickets, m_game.tableFileName);
    std::string text = "В мои билеты добавлено: " + russian::counted(added, russian::kTickets) + ".";
    if (kept) text += " Уже были там: " + russian::counted(kept, russian::kTickets) + ".";
    ShowMessage(text);
    return added;
}

void TWheelDialog::SaveCsv(const QString& path) const {
    std::string text;
    if (!m_tickets.empty()) {
        for (std::size_t i = 0; i < m_tickets.front().size(); ++i) text += (i ? ",n" : "n") + std::to_string(i + 1);
        text += "\n";
    }
    for (const auto& ticket : m_tickets) text += Joined(ticket, ",") + "\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.flush())
        throw Exception("Не удалось записать " + path.toStdString() + ": " + file.errorString().toStdString());
}

void TWheelDialog::PrintTo(QPrinter& printer) const {
    QTextDocument document;
    document.setPlainText(windowTitle() + "\n\n" + m_summaryText + "\n\n" + TicketText());
    document.print(&printer);
}

void ShowWheelDialog(const Game& game, TDataSet& draws, const HistoryWindow& history, QWidget* parent) {
    TWheelDialog dialog(game, draws, history, parent);
    dialog.exec();
}
