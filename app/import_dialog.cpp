// The import dialog: the draw history's reading and checks shown in Russian, and its import.
#include "app/import_dialog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>

#include "dbf/table_handler.h"
#include "history/draw_file.h"
#include "history/import.h"
#include "history/table_draws.h"
#include "platform/exception.h"
#include "toolkit/dialogs.h"
#include "toolkit/russian_text.h"

namespace {

constexpr int kProgressDelayMs = 500;         // short work shows no progress bar
constexpr std::size_t kLinesPerStep = 20000;  // lines read between two looks at the progress bar

QString U(const std::string& text) { return QString::fromUtf8(text.c_str()); }

std::string numbersText(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) text += (text.empty() ? "" : " ") + std::to_string(number);
    return text;
}

// The separator of the first line with content, as a player names it.
std::string separatorOf(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line.find_first_not_of(" \t\r") == std::string::npos || line[line.find_first_not_of(" \t")] == '#')
            continue;
        if (line.find('\t') != std::string::npos) return "табуляция";
        if (line.find(';') != std::string::npos) return "точка с запятой";
        if (line.find(',') != std::string::npos) return "запятая";
        return "пробел";
    }
    return "—";
}

// The reader's notes in the dialog's language: "line 4: 50 is outside 1..49" as "строка 4: номер
// 50 вне 1–49". A note of no known form keeps its words after the line number.
std::string russianLine(const std::string& note) {
    static const std::pair<std::regex, const char*> kForms[] = {
        {std::regex(R"(^(.*) is outside 1\.\.(\d+)$)"), "номер $1 вне 1–$2"},
        {std::regex(R"(^'(.*)' is not a number$)"), "«$1» — не число"},
        {std::regex(R"(^an empty field is not a number$)"), "пустое поле — не число"},
        {std::regex(R"(^(\d+) numbers?, the table has (\d+) fields$)"), "чисел: $1, а в тираже $2"},
        {std::regex(R"(^(\d+) appears twice$)"), "номер $1 дважды"},
        {std::regex(R"(^(\d+) appears (\d+) times$)"), "номер $1 стоит $2 раза"},
        {std::regex(R"(^no field (\d+), the line has (\d+)$)"), "нет поля $1, полей в строке: $2"},
        {std::regex(R"(^a quote is not closed$)"), "кавычка не закрыта"},
        {std::regex(R"(^text after a closing quote$)"), "текст после закрывающей кавычки"},
    };
    static const std::regex kLine(R"(^line (\d+): (.*)$)");
    std::smatch parts;
    if (!std::regex_match(note, parts, kLine)) return note;
    std::string fault = parts[2];
    for (const auto& [form, russian] : kForms) {
        if (std::regex_match(fault, form)) {
            fault = std::regex_replace(fault, form, russian);
            break;
        }
    }
    return "строка " + parts[1].str() + ": " + fault;
}

}  // namespace

TImportDialog::TImportDialog(const Game& game, std::string tablePath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_game(game),
      m_tablePath(std::move(tablePath)),
      m_summary(new QLabel(this)),
      m_replaceReason(new QLabel(this)),
      m_columns(new QLineEdit(this)),
      m_newestFirst(new QCheckBox(U("Новые тиражи сверху: импортировать снизу вверх"), this)),
      m_skipDuplicates(new QCheckBox(U("Пропускать повторы"), this)),
      m_replace(new QCheckBox(U("Заменить все тиражи таблицы"), this)),
      m_problems(new QListWidget(this)),
      m_paste(new QPushButton(U("Вставить из буфера"), this)),
      m_import(new QPushButton(U("Импортировать"), this)) {
    setObjectName("ImportDialog");
    setWindowTitle(U("Импорт тиражей"));
    m_summary->setObjectName("Summary");
    m_summary->setTextFormat(Qt::PlainText);
    m_replaceReason->setWordWrap(true);
    m_columns->setPlaceholderText(U("сами найдутся"));
    m_columns->setToolTip(
        U("Номера полей через запятую, диапазон полей через дефис; или одно поле, в котором весь тираж"));

    {
        // The sample tables of the first run: real draws should replace them, not join them.
        DBFObject table(m_tablePath, "", false, true);
        if (history::holdsOnlySyntheticDraws(table, game)) {
            m_replace->setChecked(true);
            m_replaceReason->setText(
                U("В таблице только " + russian::counted(table.recordCount(), russian::kDraws) +
                  " учебного примера, придуманных программой. Их лучше заменить, чтобы анализы считали "
                  "только настоящие тиражи."));
        }
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_import, QDialogButtonBox::AcceptRole);
    buttons->addButton(U("Отмена"), QDialogButtonBox::RejectRole);
    buttons->addButton(m_paste, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            if (Import()) accept();
        });
    });
    connect(m_paste, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { LoadText(QApplication::clipboard()->text()); }); });
    const auto again = [this] { RunGuarded([this] { Preview(); }); };
    connect(m_columns, &QLineEdit::editingFinished, this, again);
    connect(m_newestFirst, &QCheckBox::clicked, this, [this, again] {
        m_orderChosen = true;
        again();
    });
    connect(m_skipDuplicates, &QCheckBox::toggled, this, again);
    connect(m_replace, &QCheckBox::toggled, this, again);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_summary, 0, 0, 1, 2);
    layout->addWidget(new QLabel(U("Поля с номерами:"), this), 1, 0);
    layout->addWidget(m_columns, 1, 1);
    layout->addWidget(m_newestFirst, 2, 0, 1, 2);
    layout->addWidget(m_skipDuplicates, 3, 0, 1, 2);
    layout->addWidget(m_replace, 4, 0, 1, 2);
    layout->addWidget(m_replaceReason, 5, 0, 1, 2);
    layout->addWidget(new QLabel(U("Ошибки и повторы:"), this), 6, 0, 1, 2);
    layout->addWidget(m_problems, 7, 0, 1, 2);
    layout->addWidget(buttons, 8, 0, 1, 2);
    resize(520, 460);
    Preview();
}

bool TImportDialog::LoadFile(const QString& path) {
    const int fd = ::open(path.toUtf8().constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        ShowErrorBox("Не удалось прочитать файл «" + path.toStdString() + "»");
        return false;
    }
    const std::unique_ptr<int, void (*)(int*)> closing(new int(fd), [](int* open) {
        ::close(*open);
        delete open;
    });
    // A long file is read under a progress bar that can be cancelled: nothing is written then.
    QProgressDialog progress(U("Чтение файла тиражей…"), U("Отмена"), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    const auto total = static_cast<double>(std::max<off_t>(st.st_size, 1));
    double done = 0;
    struct Cancelled {};
    std::vector<std::string> lines;
    std::string why;
    try {
        why = history::readTextLines(
            fd,
            [&](std::string_view line) {
                lines.emplace_back(line);
                done += static_cast<double>(line.size() + 1);
                if (lines.size() % kLinesPerStep != 0) return;
                progress.setValue(std::min(999, static_cast<int>(1000 * done / total)));
                QApplication::processEvents();
                if (progress.wasCanceled()) throw Cancelled{};
            },
            &m_encoding);
    } catch (const Cancelled&) {
        return false;
    }
    if (!why.empty()) {
        ShowErrorBox("Файл «" + path.toStdString() + "» не прочитан: " + why);
        return false;
    }
    m_lines = std::move(lines);
    m_orderChosen = false;
    Preview();
    return true;
}

void TImportDialog::LoadText(const QString& text) {
    m_lines.clear();
    for (const QString& line : text.split('\n')) m_lines.push_back(line.toStdString());
    m_encoding = "текст из буфера";
    m_orderChosen = false;
    Preview();
}

void TImportDialog::Preview() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::unique_ptr<void, void (*)(void*)> restore(this, [](void*) { QApplication::restoreOverrideCursor(); });
    m_problems->clear();
    m_faults = m_duplicates = 0;
    DBFObject table(m_tablePath, "", false, true);
    std::string why;
    const auto shape = history::drawShapeOf(table, why);
    if (!shape) throw Exception(why);
    std::vector<std::size_t> columns;
    if (!m_columns->text().trimmed().isEmpty()) {
        const auto parsed = history::parseColumnList(m_columns->text().trimmed().toStdString());
        if (parsed && (parsed->size() == shape->picks() || parsed->size() == 1)) {
            columns = *parsed;
        } else {
            m_problems->addItem(U("Поля с номерами: «" + m_columns->text().toStdString() + "» — не " +
                                  std::to_string(shape->picks()) + " полей и не одно поле"));
            ++m_faults;
        }
    }
    std::ostringstream notes;
    history::DrawFileParser parser(*shape, columns, notes);
    for (const std::string& line : m_lines) parser.feedLine(line);
    parser.finish();

    std::string header = "нет";
    std::istringstream noteLines(notes.str());
    for (std::string note; std::getline(noteLines, note);) {
        if (note.starts_with("skipped header line ")) {
            header = "строка " + note.substr(20) + " пропущена";
        } else {
            m_problems->addItem(U(russianLine(note)));
            ++m_faults;
        }
    }
    const history::DrawOrder order = parser.order();
    if (!m_orderChosen) m_newestFirst->setChecked(order == history::DrawOrder::kNewestFirst);
    if (m_newestFirst->isChecked()) parser.reverseDraws();
    std::string orderText = "не определён";
    if (order != history::DrawOrder::kUnknown) {
        const std::string column = parser.orderColumn();
        orderText = std::string(order == history::DrawOrder::kNewestFirst ? "новые сверху" : "старые сверху") + " (" +
                    (column.find("dates") != std::string::npos ? "по датам, поле " : "по номерам тиражей, поле ") +
                    column.substr(6, column.find(' ', 6) - 6) + ")";
    }

    const bool replace = m_replace->isChecked();
    const history::DrawKeys none(shape->highest);
    const history::TableKeys known =
        replace ? history::TableKeys{none, 0} : history::tableKeysOf(table, shape->highest);
    const history::ImportPlan plan = history::planImport(known.keys, parser.draws(), shape->highest);
    for (const history::Duplicate& duplicate : plan.duplicates) {
        m_problems->addItem(U("строка " + std::to_string(duplicate.line) + ": тот же тираж, что " +
                              (duplicate.record != 0 ? "запись " + std::to_string(duplicate.record)
                                                     : "строка " + std::to_string(duplicate.earlierLine))));
        ++m_duplicates;
    }

    std::string summary =
        "Кодировка: " + (m_encoding.empty() ? std::string("—") : m_encoding) +
        "\nРазделитель: " + separatorOf(m_lines) + "\nЗаголовок: " + header + "\nПорядок: " + orderText +
        "\nК импорту: " + russian::counted(static_cast<long long>(plan.fresh.size()), russian::kDraws);
    if (!plan.fresh.empty()) {
        const auto& first = *plan.fresh.front();
        const auto& last = *plan.fresh.back();
        summary += "\nПервый: " + numbersText(first.numbers) + " (строка " + std::to_string(first.line) + ")" +
                   "\nПоследний: " + numbersText(last.numbers) + " (строка " + std::to_string(last.line) + ")";
    }
    m_summary->setText(U(summary));
    m_import->setEnabled(!plan.fresh.empty() && m_faults == 0 && (m_duplicates == 0 || m_skipDuplicates->isChecked()));
}

bool TImportDialog::Import() {
    Preview();
    if (!m_import->isEnabled()) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::unique_ptr<void, void (*)(void*)> restore(this, [](void*) { QApplication::restoreOverrideCursor(); });
    const bool replace = m_replace->isChecked();
    // Replacing needs the table to itself; appending shares it.
    DBFObject table(m_tablePath, "", true, !replace);
    std::string why;
    const auto shape = history::drawShapeOf(table, why);
    std::ostringstream notes;
    std::vector<std::size_t> columns;
    if (const auto parsed = history::parseColumnList(m_columns->text().trimmed().toStdString())) columns = *parsed;
    history::DrawFileParser parser(*shape, columns, notes);
    for (const std::string& line : m_lines) parser.feedLine(line);
    parser.finish();
    if (m_newestFirst->isChecked()) parser.reverseDraws();
    history::TableKeys known = replace ? history::TableKeys{history::DrawKeys(shape->highest), 0}
                                       : history::tableKeysOf(table, shape->highest);
    const history::ImportPlan plan = history::planImport(known.keys, parser.draws(), shape->highest);
    if (replace) {
        const std::uint32_t before = table.recordCount();
        history::replaceDraws(table, plan.fresh);
        ShowMessage("Таблица заменена: было " + russian::counted(before, russian::kRecords) + ", стало " +
                    russian::counted(static_cast<long long>(plan.fresh.size()), russian::kDraws) + ".");
        return true;
    }
    // The appends under a progress bar; once writing has begun it goes to its end, each batch
    // whole, so that the count below is what the table gained.
    QProgressDialog progress(U("Запись тиражей…"), QString(), 0, static_cast<int>(plan.fresh.size()), this);
    progress.setCancelButton(nullptr);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    std::size_t appended = 0;
    const history::AppendOutcome outcome =
        history::appendDraws(table, known, plan.fresh, true, appended, [&](std::size_t soFar) {
            progress.setValue(static_cast<int>(soFar));
            QApplication::processEvents();
        });
    ShowMessage("Добавлено " + russian::counted(static_cast<long long>(appended), russian::kDraws) +
                (outcome.meanwhile.empty() ? std::string()
                                           : ", пропущено повторов, добавленных тем временем другой программой: " +
                                                 std::to_string(outcome.meanwhile.size())) +
                ".");
    return appended > 0;
}

namespace {

std::function<QString(QWidget*)>& fileChooser() {
    static std::function<QString(QWidget*)> chooser;
    return chooser;
}

}  // namespace

void SetImportFileChooserHook(std::function<QString(QWidget*)> chooser) { fileChooser() = std::move(chooser); }

bool RunImportDialog(const Game& game, const std::string& tablePath, QWidget* parent) {
    const QString path = fileChooser() ? fileChooser()(parent)
                                       : QFileDialog::getOpenFileName(
                                             parent, QString::fromUtf8("Импорт тиражей"), QString(),
                                             QString::fromUtf8("Тиражи (*.csv *.txt *.tsv *.json);;Все файлы (*)"));
    if (path.isEmpty()) return false;
    TImportDialog dialog(game, tablePath, parent);
    if (!dialog.LoadFile(path)) return false;
    return dialog.exec() == QDialog::Accepted;
}
