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
#include <QMimeData>
#include <QTimer>
#include <QPushButton>
#include <optional>
#include <regex>
#include <utility>

#include "app/kept_choices.h"
#include "history/archive_files.h"
#include "history/html_table.h"
#include "platform/exception.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
#include "toolkit/russian_text.h"

namespace {

constexpr russian::NounForms kColumnNoun{"столбец", "столбца", "столбцов"};
constexpr russian::NounForms kNumberNoun{"число", "числа", "чисел"};

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
        return "строка " + parts[1].str() + " длиннее " + parts[2].str() + "\u00A0байт — это не файл тиражей";
    // The replacement's new file could not be written.
    static const std::regex kUnwritable(R"(^cannot write (.*): (.*)$)");
    if (std::regex_match(why, parts, kUnwritable))
        return "Не удалось записать файл «" + parts[1].str() + "»: " + parts[2].str();
    return why;
}

// The reader's notes in the dialog's language: "line 4: 50 is outside 1..49" as "строка 4: номер
// 50 вне 1–49". A note of no known form keeps its words after the line number.
std::string russianLine(const std::string& note) {
    static const std::pair<std::regex, const char*> kForms[] = {
        {std::regex(R"(^(.*) is outside 1\.\.(\d+)$)"), "номер $1 вне пределов 1–$2"},
        {std::regex(R"(^'(.*)' is not a number$)"), "«$1» — не число"},
        {std::regex(R"(^an empty field is not a number$)"), "пустое поле — не число"},
        {std::regex(R"(^(\d+) numbers?, the table has (\d+) fields$)"), "чисел: $1, а в тираже $2"},
        {std::regex(R"(^(\d+) appears twice$)"), "номер $1 стоит 2 раза"},
        {std::regex(R"(^no field (\d+), the line has (\d+)$)"), "нет столбца $1, столбцов в строке: $2"},
        {std::regex(R"(^a json record this program did not write$)"), "запись json сделана не этой программой"},
        {std::regex(R"(^no (.*) in the json record$)"), "в записи json нет поля $1"},
        {std::regex(R"(^a quote is not closed$)"), "кавычка не закрыта"},
        {std::regex(R"(^text after a closing quote$)"), "текст после закрывающей кавычки"},
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

// "столбец 3" or "столбцы 3–8"; `from` for "из столбца 3", "из столбцов 3–8".
std::string columnsText(std::size_t first, std::size_t last, bool from = false) {
    if (first == last) return (from ? "из столбца " : "столбец ") + std::to_string(first);
    return (from ? "из столбцов " : "столбцы ") + std::to_string(first) + "–" + std::to_string(last);
}

// Where the numbers were taken from, and why there.
std::string fieldsShown(const history::ImportCheck& check, std::size_t picks, int highest) {
    using Fields = history::DrawFileParser::Fields;
    const history::DrawLayout& layout = check.layout;
    const auto list = [&] {
        const std::vector<std::size_t>& fields = check.fields;
        if (fields.empty()) return std::string();
        bool run = true;
        for (std::size_t i = 1; i < fields.size(); ++i) run = run && fields[i] == fields[i - 1] + 1;
        if (run) return columnsText(fields.front(), fields.back());
        std::string text = "столбцы ";
        for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? ", " : "") + std::to_string(fields[i]);
        return text;
    };
    switch (check.fieldsFrom) {
        case Fields::kGiven:
            return list() + ", как указано";
        case Fields::kNamedByHeader:
            return list() + " — так они названы в заголовке";
        case Fields::kAmbiguous:
            return "можно взять " + columnsText(layout.firstField, layout.lastField, true) + " или " +
                   columnsText(layout.otherFirst, layout.otherLast, true) + " — укажите нужные";
        case Fields::kEveryNumber:
            return "все числа строки";
        case Fields::kFound:
            break;
    }
    const std::string where = layout.firstField == 0 ? std::string("—")
                              : layout.oneField      ? (layout.fromEnd ? "последние " : "") +
                                                      russian::counted(static_cast<long long>(picks), kNumberNoun) +
                                                      " подряд в строке"
                                                : columnsText(layout.firstField, layout.lastField);
    const std::string count = russian::counted(static_cast<long long>(picks), kNumberNoun);
    return where + " — там " + count.substr(0, count.find("\u00A0")) + "\u00A0разных" +
           count.substr(count.find("\u00A0")) + " от 1 до " + std::to_string(highest) + " (так в " +
           std::to_string(layout.linesWithDraw) + " из " + std::to_string(layout.lines) + " просмотренных строк)";
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
      m_newestFirst(new QCheckBox(U("В файле новые тиражи сверху (записать снизу вверх)"), this)),
      m_skipDuplicates(new QCheckBox(U("Пропускать тиражи, которые уже есть"), this)),
      m_replace(new QCheckBox(U("Заменить все тиражи таблицы"), this)),
      m_problems(new QListWidget(this)),
      m_paste(new QPushButton(U("Вставить из буфера обмена"), this)),
      m_import(new QPushButton(U("Импортировать"), this)),
      m_open(new QPushButton(U("Открыть файл…"), this)),
      m_typing(new QTimer(this)) {
    setObjectName("ImportDialog");
    setWindowTitle(U("Импорт тиражей: " + std::string(game.menu.menuCaption)));
    m_summary->setObjectName("Summary");
    m_summary->setTextFormat(Qt::PlainText);
    m_replaceReason->setWordWrap(true);
    m_columns->setPlaceholderText(U("определяются автоматически"));
    m_columns->setToolTip(
        U("Номера столбцов через запятую, диапазон столбцов через дефис; или один столбец, в "
          "котором весь тираж"));

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
    buttons->addButton(m_open, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            if (Import()) accept();
        });
    });
    connect(m_paste, &QPushButton::clicked, this, [this] { RunGuarded([this] { LoadClipboard(); }); });
    connect(m_open, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            const QString path = ChooseDrawFile(this);
            if (!path.isEmpty()) LoadFile(path);
        });
    });
    const auto again = [this] { RunGuarded([this] { Preview(); }); };
    // Columns take effect as they are typed, once the typing pauses, or at once on Enter.
    m_typing->setSingleShot(true);
    m_typing->setInterval(400);
    connect(m_typing, &QTimer::timeout, this, again);
    connect(m_columns, &QLineEdit::textEdited, this, [this] { m_typing->start(); });
    connect(m_columns, &QLineEdit::returnPressed, this, [this, again] {
        m_typing->stop();
        again();
    });
    connect(m_columns, &QLineEdit::editingFinished, this, [this, again] {
        if (!m_typing->isActive()) return;
        m_typing->stop();
        again();
    });
    connect(m_newestFirst, &QCheckBox::clicked, this, [this, again] {
        m_orderChosen = true;
        again();
    });
    connect(m_skipDuplicates, &QCheckBox::toggled, this, again);
    connect(m_replace, &QCheckBox::toggled, this, again);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_summary, 0, 0, 1, 2);
    layout->addWidget(new QLabel(U("Столбцы с номерами:"), this), 1, 0);
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
    // A spreadsheet or a page comes in as its table's rows; any other file that is no text, not at all.
    std::string format, refused;
    std::unique_ptr<history::ImportText> text;
    if (std::optional<std::string> table = history::archiveText(name, format, refused))
        text = std::make_unique<history::ImportText>(std::move(*table));
    else if (refused.empty())
        text = history::ImportText::openFile(name);
    if (!refused.empty()) {
        const std::size_t slash = name.rfind('/');
        ShowErrorBox(refused == "not a text file nor a table"
                         ? "Это не текстовый файл и не таблица: «" +
                               name.substr(slash == std::string::npos ? 0 : slash + 1) + "»."
                         : "Таблицу «" + name + "» не удалось прочитать: " + refused);
        return false;
    }
    if (!text) {
        ShowErrorBox("Не удалось прочитать файл «" + name + "»");
        return false;
    }
    // A cancelled or failed reading loads nothing: the dialog stays as it was.
    text = std::exchange(m_text, std::move(text));
    std::string fileName = std::exchange(m_fileName, name);
    std::string oldFormat = std::exchange(m_format, format);
    const bool orderChosen = std::exchange(m_orderChosen, false);
    if (Check() && m_table->checked().unread.empty()) return true;
    const std::string why = m_table->checked().unread;
    m_text = std::move(text);
    m_fileName = std::move(fileName);
    m_format = std::move(oldFormat);
    m_orderChosen = orderChosen;
    if (why.empty()) return false;
    Preview();  // what was loaded before, shown again
    ShowErrorBox("Файл «" + name + "» не прочитан: " + russianWhy(why));
    return false;
}

void TImportDialog::LoadClipboard() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QString text = data ? data->text() : QString();
    // A table copied from a page: its cells, a line a row, when the page gave no plain text.
    if (data && data->hasHtml() && text.trimmed().isEmpty())
        text = QString::fromStdString(history::htmlTableText(data->html().toStdString()));
    else if (history::looksLikeHtml(text.toStdString()))  // a page's source copied as text
        text = QString::fromStdString(history::htmlTableText(text.toStdString()));
    LoadText(text);
}

void TImportDialog::LoadText(const QString& text) {
    m_text = std::make_unique<history::ImportText>(text.toStdString());
    m_fileName.clear();
    m_format.clear();
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
            m_columnsFault = "Столбцы с номерами «" + m_columns->text().toStdString() + "»: нужно " +
                             russian::counted(static_cast<long long>(m_picks), kColumnNoun) +
                             " или один, где весь тираж";
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
        } else if (note.starts_with("the draw may stand in ")) {
            const history::DrawLayout& layout = check.layout;
            m_problems->addItem(U("Номера тиража можно взять " +
                                  columnsText(layout.firstField, layout.lastField, true) + " или " +
                                  columnsText(layout.otherFirst, layout.otherLast, true) +
                                  ": укажите нужные в поле «Столбцы с номерами»"));
            ++m_faults;
        } else {
            m_problems->addItem(U(russianLine(note)));
            ++m_faults;
        }
    }
    m_newestFirst->setChecked(check.newestFirst);
    std::string orderText =
        check.fresh < 2 ? std::string("не определён")
        : check.orderColumn.empty()
            ? "не определён: в файле нет номеров тиражей и дат. Если новые тиражи сверху, отметьте флажок ниже"
            : "не определён: номера тиражей и даты идут вразнобой. Если новые тиражи сверху, отметьте флажок ниже";
    if (check.order != history::DrawOrder::kUnknown) {
        const std::string& column = check.orderColumn;
        const bool dates = column.find("date") != std::string::npos;
        orderText = std::string(check.order == history::DrawOrder::kNewestFirst ? "новые сверху" : "старые сверху") +
                    " (" + (dates ? "по датам" : "по номерам тиражей");
        if (column.starts_with("field ")) orderText += ", столбец " + column.substr(6, column.find(' ', 6) - 6);
        orderText += ")";
    }
    for (const history::Duplicate& duplicate : check.duplicates) {
        m_problems->addItem(U("строка " + std::to_string(duplicate.line) + ": тот же тираж, что " +
                              (duplicate.record != 0 ? "в записи " + std::to_string(duplicate.record)
                                                     : "в строке " + std::to_string(duplicate.earlierLine))));
        ++m_duplicates;
    }

    std::string summary;
    if (!m_text) {
        summary = "Откройте файл тиражей или вставьте таблицу из буфера обмена.";
    } else if (m_fileName.empty()) {
        summary = "Источник: буфер обмена";
    } else {
        const std::size_t slash = m_fileName.rfind('/');
        summary = "Файл: " + m_fileName.substr(slash == std::string::npos ? 0 : slash + 1) +
                  (!m_format.empty() ? "\nФормат: " + std::string(m_format == "HTML" ? "страница HTML, её таблица"
                                                                                     : "таблица " + m_format)
                                     : "\nКодировка: " + (check.encoding.empty() ? std::string("—") : check.encoding));
    }
    summary += "\nРазделитель: " + separatorOf(check.firstLine) + "\nЗаголовок: " + header;
    if (m_text && check.unread.empty()) summary += "\nНомера: " + fieldsShown(check, m_picks, m_game.numbers);
    summary += "\nПорядок: " + orderText +
               "\nК импорту: " + russian::counted(static_cast<long long>(check.fresh), russian::kDraws);
    if (check.fresh > 0) {
        summary += "\nПервый тираж: " + numbersText(check.first.numbers) + " (строка " +
                   std::to_string(check.first.line) + ")" + "\nПоследний тираж: " + numbersText(check.last.numbers) +
                   " (строка " + std::to_string(check.last.line) + ")";
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
        [&](LongWorkProgress& progress) {
            try {
                written = m_table->write(*m_text, choices, progressOf(progress));
            } catch (const Exception& error) {
                throw Exception(russianWhy(error.Message()));
            }
        },
        this);
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
        ShowMessage("Таблица заменена: было " + russian::counted(written->recordsBefore, russian::kDraws) + ", стало " +
                    std::to_string(written->count) + ".");
        return true;
    }
    ShowMessage("Добавлено тиражей: " + std::to_string(written->count) + "." +
                (written->meanwhile.empty()
                     ? std::string()
                     : " Пропущено " +
                           russian::counted(static_cast<long long>(written->meanwhile.size()), russian::kDraws) +
                           ", которые тем временем добавила другая программа."));
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

QString ChooseDrawFile(QWidget* parent) {
    return fileChooser()
               ? fileChooser()(parent)
               : QFileDialog::getOpenFileName(
                     parent, QString::fromUtf8("Импорт тиражей"), LastImportFolder(),
                     QString::fromUtf8(
                         "Файлы тиражей (*.csv *.txt *.tsv *.json *.xlsx *.ods *.xls *.html *.htm);;Все файлы (*)"));
}

bool RunImportDialog(const Game& game, const std::string& tablePath, QWidget* parent, bool fromClipboard) {
    TImportDialog dialog(game, tablePath, parent);
    if (fromClipboard) {
        dialog.LoadClipboard();
    } else {
        // A file chooser left without a file leaves the dialog open all the same: the draws may
        // come from the clipboard.
        const QString path = ChooseDrawFile(parent);
        if (!path.isEmpty()) {
            KeepImportFolder(path);
            dialog.LoadFile(path);
        }
    }
    return dialog.exec() == QDialog::Accepted;
}
