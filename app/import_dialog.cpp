// The import dialog: the draw history's reading and checks shown in Russian, and its import.
#include "app/import_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <optional>
#include <regex>
#include <utility>

#include "app/kept_choices.h"
#include "platform/exception.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
#include "toolkit/russian_text.h"

namespace {

QString U(const std::string& text) { return QString::fromUtf8(text.c_str()); }

std::string numbersText(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) text += (text.empty() ? "" : " ") + std::to_string(number);
    return text;
}

// The separator of the first line with content, as a player names it.
std::string separatorOf(const std::string& line) {
    if (line.empty()) return "—";
    if (line.find('\t') != std::string::npos) return "табуляция";
    if (line.find(';') != std::string::npos) return "точка с запятой";
    if (line.find(',') != std::string::npos) return "запятая";
    return "пробел";
}

// Why a file could not be read, in the dialog's language where the reason is the program's own.
std::string russianWhy(const std::string& why) {
    if (why == history::kSourceChanged) return "файл изменился после того, как его открыли; откройте его снова";
    static const std::regex kOverlong(R"(^line (\d+) is longer than (\d+) bytes$)");
    std::smatch parts;
    if (std::regex_match(why, parts, kOverlong))
        return "строка " + parts[1].str() + " длиннее " + parts[2].str() + " байт — это не файл тиражей";
    return why;
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
        {std::regex(R"(^no field (\d+), the line has (\d+)$)"), "нет поля $1, полей в строке: $2"},
        {std::regex(R"(^a quote is not closed$)"), "кавычка не закрыта"},
        {std::regex(R"(^text after a closing quote$)"), "текст после закрывающей кавычки"},
        {std::regex(R"(^a json record this program did not write$)"), "запись json сделана не этой программой"},
        {std::regex(R"(^no (\w+) in the json record$)"), "в записи json нет поля $1"},
    };
    static const std::regex kLine(R"(^line (\d+): (.*)$)");
    std::smatch parts;
    if (!std::regex_match(note, parts, kLine)) return note;
    std::string fault = parts[2];
    // "раз" agrees with its count, which a pattern cannot say.
    static const std::regex kTimes(R"(^(\d+) appears (\d+) times$)");
    static constexpr russian::NounForms kTimesNoun{"раз", "раза", "раз"};
    std::smatch times;
    if (std::regex_match(fault, times, kTimes))
        return "строка " + parts[1].str() + ": номер " + times[1].str() + " стоит " +
               russian::counted(std::stoll(times[2].str()), kTimesNoun);
    for (const auto& [form, russian] : kForms) {
        if (std::regex_match(fault, form)) {
            fault = std::regex_replace(fault, form, russian);
            break;
        }
    }
    return "строка " + parts[1].str() + ": " + fault;
}

ImportStageHook& stageHook() {
    static ImportStageHook hook;
    return hook;
}

std::string stageLabel(history::ImportStage stage) {
    switch (stage) {
        case history::ImportStage::kReading:
            return "Чтение файла тиражей…";
        case history::ImportStage::kChecking:
            return "Проверка тиражей…";
        case history::ImportStage::kWriting:
            return "Запись тиражей…";
        case history::ImportStage::kCommitting:
            break;
    }
    // The appends go in batches, each whole under the table's lock; a batch written cannot be
    // taken back soundly once another program may have appended after it.
    return "Запись тиражей в таблицу… Прервать её уже нельзя.";
}

// The history's steps told to the progress dialog: each stage named as it begins, the last one
// not to be stopped.
history::ImportProgress progressOf(LongWorkProgress& progress) {
    return [&progress, stage = std::optional<history::ImportStage>()](history::ImportStage now, std::int64_t done,
                                                                      std::int64_t total) mutable {
        if (stage != now) {
            stage = now;
            if (!progress.beginStage(stageLabel(now), now != history::ImportStage::kCommitting)) return false;
        }
        progress.report(done, total);
        if (stageHook()) stageHook()(now, done, progress);
        return !progress.cancelled();
    };
}

}  // namespace

TImportDialog::TImportDialog(const Game& game, std::string tablePath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_game(game),
      m_table(std::make_unique<history::TableImport>(std::move(tablePath))),
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

    m_picks = m_table->shape().picks();
    // The sample tables of the first run: real draws should replace them, not join them.
    if (const std::uint32_t samples = m_table->syntheticDraws(game); samples > 0) {
        m_replace->setChecked(true);
        m_replaceReason->setText(U("В таблице только придуманные тиражи (" +
                                   russian::counted(samples, russian::kDraws) +
                                   "), а не результаты лотереи. Их лучше заменить, чтобы анализы считали только "
                                   "настоящие тиражи."));
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
    const std::string name = path.toStdString();
    std::unique_ptr<history::ImportText> text = history::ImportText::openFile(name);
    if (!text) {
        ShowErrorBox("Не удалось прочитать файл «" + name + "»");
        return false;
    }
    // A cancelled or failed reading loads nothing: the dialog stays as it was.
    text = std::exchange(m_text, std::move(text));
    std::string fileName = std::exchange(m_fileName, name);
    const bool orderChosen = std::exchange(m_orderChosen, false);
    if (Check() && m_table->checked().unread.empty()) return true;
    const std::string why = m_table->checked().unread;
    m_text = std::move(text);
    m_fileName = std::move(fileName);
    m_orderChosen = orderChosen;
    if (why.empty()) return false;
    Preview();  // what was loaded before, shown again
    ShowErrorBox("Файл «" + name + "» не прочитан: " + russianWhy(why));
    return false;
}

void TImportDialog::LoadText(const QString& text) {
    m_text = std::make_unique<history::ImportText>(text.toStdString());
    m_fileName.clear();
    m_orderChosen = false;
    Preview();
}

history::ImportChoices TImportDialog::Choices() {
    history::ImportChoices choices;
    m_columnsFault.clear();
    const std::string columns = m_columns->text().trimmed().toStdString();
    if (!columns.empty()) {
        const auto parsed = history::parseColumnList(columns);
        if (parsed && (parsed->size() == m_picks || parsed->size() == 1))
            choices.columns = *parsed;
        else
            m_columnsFault = "Поля с номерами: «" + m_columns->text().toStdString() + "» — не " +
                             std::to_string(m_picks) + " полей и не одно поле";
    }
    if (m_orderChosen) choices.newestFirst = m_newestFirst->isChecked();
    choices.skipDuplicates = m_skipDuplicates->isChecked();
    choices.replace = m_replace->isChecked();
    return choices;
}

bool TImportDialog::Check() {
    const history::ImportChoices choices = Choices();
    if (!m_text) {
        Show(history::ImportCheck{});  // no text: nothing to check
        return true;
    }
    const history::ImportStage first =
        m_text->fromFile() ? history::ImportStage::kReading : history::ImportStage::kChecking;
    bool checked = false;
    if (!RunLongWork(
            stageLabel(first),
            [&](LongWorkProgress& progress) { checked = m_table->check(*m_text, choices, progressOf(progress)); },
            this) ||
        !checked)
        return false;
    Show(m_table->checked());
    return true;
}

void TImportDialog::Preview() {
    if (Check()) return;
    m_problems->clear();
    m_faults = m_duplicates = 0;
    m_summary->setText(U("Проверка прервана, ничего не записано. «Импортировать» проверит тиражи снова."));
    m_import->setEnabled(m_text != nullptr);
}

void TImportDialog::Show(const history::ImportCheck& check) {
    m_problems->clear();
    m_faults = m_duplicates = 0;
    if (!m_columnsFault.empty()) {
        m_problems->addItem(U(m_columnsFault));
        ++m_faults;
    }
    if (!check.unread.empty()) {
        m_problems->addItem(U("Файл не прочитан: " + russianWhy(check.unread)));
        ++m_faults;
    }
    std::string header = "нет";
    for (const std::string& note : check.notes) {
        if (note.starts_with("skipped header line ")) {
            header = "строка " + note.substr(20) + " пропущена";
        } else {
            m_problems->addItem(U(russianLine(note)));
            ++m_faults;
        }
    }
    m_newestFirst->setChecked(check.newestFirst);
    std::string orderText = "не определён";
    if (check.order != history::DrawOrder::kUnknown) {
        const std::string& column = check.orderColumn;
        orderText = std::string(check.order == history::DrawOrder::kNewestFirst ? "новые сверху" : "старые сверху") +
                    " (" +
                    (column.find("dates") != std::string::npos ? "по датам, поле " : "по номерам тиражей, поле ") +
                    column.substr(6, column.find(' ', 6) - 6) + ")";
    }
    for (const history::Duplicate& duplicate : check.duplicates) {
        m_problems->addItem(U("строка " + std::to_string(duplicate.line) + ": тот же тираж, что " +
                              (duplicate.record != 0 ? "запись " + std::to_string(duplicate.record)
                                                     : "строка " + std::to_string(duplicate.earlierLine))));
        ++m_duplicates;
    }

    const std::string encoding = !m_text ? "—" : !m_text->fromFile() ? "текст из буфера" : check.encoding;
    std::string summary = "Кодировка: " + (encoding.empty() ? std::string("—") : encoding) +
                          "\nРазделитель: " + separatorOf(check.firstLine) + "\nЗаголовок: " + header +
                          "\nПорядок: " + orderText +
                          "\nК импорту: " + russian::counted(static_cast<long long>(check.fresh), russian::kDraws);
    if (check.fresh > 0) {
        summary += "\nПервый: " + numbersText(check.first.numbers) + " (строка " + std::to_string(check.first.line) +
                   ")" + "\nПоследний: " + numbersText(check.last.numbers) + " (строка " +
                   std::to_string(check.last.line) + ")";
    }
    m_summary->setText(U(summary));
    m_import->setEnabled(m_columnsFault.empty() && check.allowsImport(m_skipDuplicates->isChecked()));
}

bool TImportDialog::Import() {
    const history::ImportChoices choices = Choices();
    if (!m_columnsFault.empty() || !m_text) {
        Preview();
        return false;
    }
    std::optional<history::ImportWritten> written;
    const bool done = RunLongWork(
        stageLabel(history::ImportStage::kChecking),
        [&](LongWorkProgress& progress) { written = m_table->write(*m_text, choices, progressOf(progress)); }, this);
    if (!done || !written) return false;  // cancelled: nothing written
    Show(m_table->checked());
    if (written->changed) {
        // Read twice, the file must be the same both times: what was checked is what goes in.
        ShowErrorBox(
            "Файл «" + m_fileName + "» изменился, пока его читали: " +
            (written->count == 0
                 ? std::string("ничего не записано")
                 : "добавлено только " + russian::counted(static_cast<long long>(written->count), russian::kDraws)) +
            ". Откройте его снова.");
        return written->count > 0;
    }
    if (!written->written) return false;  // the checks now forbid it, and say why
    if (written->replaced) {
        ShowMessage("Таблица заменена: было " + russian::counted(written->recordsBefore, russian::kRecords) +
                    ", стало " + russian::counted(static_cast<long long>(written->count), russian::kDraws) + ".");
        return true;
    }
    ShowMessage("Добавлено " + russian::counted(static_cast<long long>(written->count), russian::kDraws) +
                (written->meanwhile.empty() ? std::string()
                                            : ", пропущено повторов, добавленных тем временем другой программой: " +
                                                  std::to_string(written->meanwhile.size())) +
                ".");
    return written->count > 0;
}

namespace {

std::function<QString(QWidget*)>& fileChooser() {
    static std::function<QString(QWidget*)> chooser;
    return chooser;
}

}  // namespace

void SetImportFileChooserHook(std::function<QString(QWidget*)> chooser) { fileChooser() = std::move(chooser); }

void SetImportStageHook(ImportStageHook hook) { stageHook() = std::move(hook); }

bool RunImportDialog(const Game& game, const std::string& tablePath, QWidget* parent) {
    const QString path = fileChooser() ? fileChooser()(parent)
                                       : QFileDialog::getOpenFileName(
                                             parent, QString::fromUtf8("Импорт тиражей"), LastImportFolder(),
                                             QString::fromUtf8("Тиражи (*.csv *.txt *.tsv *.json);;Все файлы (*)"));
    if (path.isEmpty()) return false;
    KeepImportFolder(path);
    TImportDialog dialog(game, tablePath, parent);
    if (!dialog.LoadFile(path)) return false;
    return dialog.exec() == QDialog::Accepted;
}
