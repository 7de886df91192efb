// The import dialog driven offscreen: what its preview shows of a file before anything is
// written, Cancel writing nothing, pasted text imported, and the first run's sample draws
// proposed for replacement and replaced.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "app/import_dialog.h"
#include "app/startup.h"
#include "table_folder_test.h"
#include "dbf/table_handler.h"
#include "analysis/synthetic_draws.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"
#include "tests/support/recording_message_service.h"
#include "toolkit/long_work.h"

namespace {

using namespace std::chrono_literals;
using testsupport::readFile;

// Waits on the worker, at most 10 s, until `ready` holds.
template <class Ready>
void waitFor(const Ready& ready) {
    for (int i = 0; i < 1000 && !ready(); ++i) std::this_thread::sleep_for(10ms);
}

// Runs `action` once on the GUI thread as soon as a window of the kind shows (within 10 s), as a
// player acts on what appears.
template <class Widget>
void whenShown(std::function<void(Widget&)> action) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action = std::move(action), tries = 0]() mutable {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* shown = qobject_cast<Widget*>(widget); shown && shown->isVisible()) {
                poll->deleteLater();
                poll->stop();
                return action(*shown);
            }
        }
        if (++tries > 1000) poll->deleteLater(), poll->stop();
    });
    poll->start(10);
}

class ImportDialogTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetImportStageHook({});
        history::setRecordsPerBatch(0);
    }

    testsupport::TempDir m_dir;
    const std::string m_table = m_dir.file("lotobase.dbf");
    RecordingMessageService m_messages;

    std::vector<QString> problems(const TImportDialog& dialog) const {
        std::vector<QString> items;
        for (int i = 0; i < dialog.Problems()->count(); ++i) items.push_back(dialog.Problems()->item(i)->text());
        return items;
    }
};

TEST_F(ImportDialogTest, ThePreviewShowsWhatWillHappenAndCancelWritesNothing) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    const std::string before = readFile(m_table);
    const std::string file = m_dir.file("archive.csv");
    testsupport::writeFile(file,
                           "Тираж;Дата;Номера\n"
                           "1236;07.12.2026;3 17 22 31 40 48\n"
                           "1235;06.12.2026;3 17 22 31 40 50\n"
                           "1234;05.12.2026;12 11 10 9 8 7\n"
                           "1233;04.12.2026;4 18 23 32 41 49\n");
    TImportDialog dialog(kSuperLoto, m_table);
    ASSERT_TRUE(dialog.LoadFile(QString::fromStdString(file)));
    const QString summary = dialog.Summary()->text();
    for (const char* shown :
         {"Кодировка: UTF-8", "Разделитель: точка с запятой", "Заголовок: строка 1 пропущена",
          "Порядок: новые сверху (по номерам тиражей, столбец 1)", "К импорту: 2\u00A0тиража",
          "Первый тираж: 4 18 23 32 41 49 (строка 5)", "Последний тираж: 3 17 22 31 40 48 (строка 2)"})
        EXPECT_TRUE(summary.contains(QString::fromUtf8(shown))) << shown << "\n" << summary.toStdString();
    EXPECT_TRUE(dialog.NewestFirstBox()->isChecked()) << "the order found is proposed";
    EXPECT_FALSE(dialog.ReplaceBox()->isChecked()) << "real draws are not proposed for replacement";
    EXPECT_EQ(problems(dialog), (std::vector<QString>{QString::fromUtf8("строка 3: номер 50 вне пределов 1–49"),
                                                      QString::fromUtf8("строка 4: тот же тираж, что в записи 2")}));
    EXPECT_FALSE(dialog.ImportButton()->isEnabled()) << "a bad line imports nothing";

    // The columns changed by the player: the draw's field named, the same preview.
    dialog.ColumnsEdit()->setText("3");
    dialog.Preview();
    EXPECT_EQ(problems(dialog).size(), 2u);

    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(readFile(m_table) == before) << "nothing written";
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(ImportDialogTest, ALongFileCancelledWhileReadLoadsAndWritesNothing) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    const std::string before = readFile(m_table);
    std::string text;
    for (int i = 0; i < 50000; ++i) text += "7 8 9 10 11 12\n";
    const std::string file = m_dir.file("long.csv");
    testsupport::writeFile(file, text);
    TImportDialog dialog(kSuperLoto, m_table);
    // The player presses the progress bar's Cancel as soon as the reading looks at it; the
    // reading waits for it at its start.
    SetImportStageHook([](history::ImportStage stage, std::int64_t, LongWorkProgress& progress) {
        if (stage == history::ImportStage::kReading) waitFor([&] { return progress.cancelled(); });
    });
    QTimer::singleShot(0, &dialog, [&dialog] {
        for (QProgressDialog* progress : dialog.findChildren<QProgressDialog*>()) progress->cancel();
    });
    EXPECT_FALSE(dialog.LoadFile(QString::fromStdString(file)));
    EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("К импорту: 0\u00A0тиражей")))
        << dialog.Summary()->text().toStdString();
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());
    EXPECT_TRUE(readFile(m_table) == before);
}

TEST_F(ImportDialogTest, PastedTextIsImportedWithItsCount) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    TImportDialog dialog(kSuperLoto, m_table);
    dialog.LoadText(
        QString::fromUtf8("Тираж\tДата\tШары\n1\t05.12.2026\t3 17 22 31 40 48\n"
                          "2\t06.12.2026\t4 18 23 32 41 49\n"));
    EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("Разделитель: табуляция")));
    EXPECT_FALSE(dialog.NewestFirstBox()->isChecked());
    ASSERT_TRUE(dialog.ImportButton()->isEnabled()) << dialog.Summary()->text().toStdString();
    dialog.show();
    QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Добавлено тиражей: 2.");
    DBFObject table(m_table, "", false, true);
    ASSERT_EQ(table.recordCount(), 3u);
    table.readRecord(3);
    EXPECT_EQ(table.getNumber(1), 4);
}

TEST_F(ImportDialogTest, TheFirstRunsSampleDrawsAreProposedForReplacement) {
    testsupport::Draws samples;
    SyntheticDraws synthetic(kSuperLoto);
    for (int i = 0; i < 100; ++i) samples.push_back(synthetic.next());
    testsupport::writeDrawTable(m_table, kSuperLoto, samples);
    TImportDialog dialog(kSuperLoto, m_table);
    EXPECT_TRUE(dialog.ReplaceBox()->isChecked());
    EXPECT_TRUE(
        dialog.ReplaceReason()->text().contains(QString::fromUtf8("только придуманные тиражи (100\u00A0тиражей)")))
        << dialog.ReplaceReason()->text().toStdString();
    dialog.LoadText(QString::fromUtf8("3 17 22 31 40 48\n4 18 23 32 41 49\n"));
    ASSERT_TRUE(dialog.Import());
    EXPECT_EQ(m_messages.shown.at(0).text, "Таблица заменена: было 100\u00A0тиражей, стало 2.");
    DBFObject table(m_table, "", false, true);
    EXPECT_EQ(table.recordCount(), 2u);

    // One real draw more, and the table is no sample any more.
    testsupport::writeDrawTable(m_table, kSuperLoto, {samples[0], samples[1], {1, 2, 3, 4, 5, 6}});
    TImportDialog real(kSuperLoto, m_table);
    EXPECT_FALSE(real.ReplaceBox()->isChecked());
    EXPECT_TRUE(real.ReplaceReason()->text().isEmpty());
}

// A number met more than twice: its count agrees with «раз».
TEST_F(ImportDialogTest, ANumberRepeatedIsCountedInRussian) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {});
    const std::string file = m_dir.file("repeats.csv");
    testsupport::writeFile(file, "1,2,3,4,5,6\n7,7,7,1,2,3\n9,9,9,9,9,1\n");
    TImportDialog dialog(kSuperLoto, m_table);
    ASSERT_TRUE(dialog.LoadFile(QString::fromStdString(file)));
    EXPECT_EQ(problems(dialog), (std::vector<QString>{QString::fromUtf8("строка 2: номер 7 стоит 3\u00A0раза"),
                                                      QString::fromUtf8("строка 3: номер 9 стоит 5\u00A0раз")}));
}

// A file that cannot be read: one message naming it, and nothing loaded.
TEST_F(ImportDialogTest, AnUnreadableFileIsSaidAndLoadsNothing) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    const std::string missing = m_dir.file("missing.csv");
    const std::string overlong = m_dir.file("long.csv");
    testsupport::writeFile(overlong, std::string(5000, '1') + "\n");
    const std::pair<std::string, std::string> cases[] = {
        {missing, "Не удалось прочитать файл «" + missing + "»."},
        {m_dir.path(), "Не удалось прочитать файл «" + m_dir.path() + "»."},
        {overlong, "Файл «" + overlong + "» не прочитан: строка 1 длиннее 4096\u00A0байт — это не файл тиражей."}};
    TImportDialog dialog(kSuperLoto, m_table);
    for (const auto& [path, message] : cases) {
        m_messages.shown.clear();
        EXPECT_FALSE(dialog.LoadFile(QString::fromStdString(path)));
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(m_messages.shown[0].text, message);
    }
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());
}

// The progress dialog's Cancel as the player finds it: under the arrow, the wait cursor over the
// window behind; pressed with the mouse.
void pressCancel(QProgressDialog& progress, QWidget& behind) {
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "no wait cursor over the progress dialog";
    EXPECT_EQ(progress.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(behind.cursor().shape(), Qt::WaitCursor);
    QTest::mouseClick(progress.findChild<QPushButton*>(), Qt::LeftButton);
}

std::vector<std::string> filesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) names.push_back(entry.path().filename());
    return names;
}

// Cancel at each stage of an import, pressed while the worker is held there: the table keeps its
// bytes, nothing is left beside it, and nothing is said.
TEST_F(ImportDialogTest, CancelAtEveryStageLeavesTheTableAsItWas) {
    struct Case {
        history::ImportStage stage;
        std::int64_t done;  // the worker is held once it has done this much of the stage
        bool replace;
        std::size_t filesWhileHeld;  // 2: the new table is being written beside the old one
        bool fromFile = false;       // the draws read again from a file rather than from pasted text
    } const cases[] = {{history::ImportStage::kChecking, 0, false, 1},
                       {history::ImportStage::kChecking, 0, true, 1},
                       {history::ImportStage::kWriting, 2, true, 2},
                       {history::ImportStage::kReading, 0, true, 2, true},
                       {history::ImportStage::kWriting, 2, true, 3, true}};
    const std::string file = m_dir.file("draws.csv");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.stage) * 10 + c.replace + 100 * c.fromFile);
        testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
        const std::string before = readFile(m_table);
        history::setRecordsPerBatch(1);
        TImportDialog dialog(kSuperLoto, m_table);
        const char* const draws = "3 17 22 31 40 48\n4 18 23 32 41 49\n5 19 24 33 42 1\n";
        if (c.fromFile) {
            testsupport::writeFile(file, draws);
            ASSERT_TRUE(dialog.LoadFile(QString::fromStdString(file)));
        } else {
            ::unlink(file.c_str());
            dialog.LoadText(QString::fromUtf8(draws));
        }
        dialog.ReplaceBox()->setChecked(c.replace);
        dialog.show();
        std::atomic<bool> held{false};
        std::size_t whileHeld = 0;
        SetImportStageHook([&](history::ImportStage stage, std::int64_t done, LongWorkProgress& progress) {
            if (stage != c.stage || done < c.done || held.exchange(true)) return;
            whileHeld = filesIn(m_dir.path()).size();
            waitFor([&] { return progress.cancelled(); });
        });
        whenShown<QProgressDialog>([&](QProgressDialog& progress) { pressCancel(progress, dialog); });
        EXPECT_FALSE(dialog.Import());
        EXPECT_TRUE(held.load());
        EXPECT_EQ(whileHeld, c.filesWhileHeld);
        EXPECT_TRUE(readFile(m_table) == before) << "the table's bytes as they were";
        std::vector<std::string> left = filesIn(m_dir.path());
        std::erase(left, "draws.csv");
        EXPECT_EQ(left, std::vector<std::string>{"lotobase.dbf"});
        EXPECT_TRUE(m_messages.shown.empty());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor) << "the window's own cursor again";
    }
}

// Cancelled while a file is checked, the file is not loaded; cancelled while choices are checked
// again, the dialog says so, and "Импортировать" checks once more before it writes.
TEST_F(ImportDialogTest, ACancelledCheckLoadsNothingAndTheImportChecksAgain) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    const std::string before = readFile(m_table);
    const QString file = QString::fromStdString(m_dir.file("draws.csv"));
    testsupport::writeFile(file.toStdString(), "3 17 22 31 40 48\n4 18 23 32 41 49\n");
    TImportDialog dialog(kSuperLoto, m_table);
    dialog.show();
    std::atomic<bool> hold{true};
    SetImportStageHook([&](history::ImportStage stage, std::int64_t, LongWorkProgress& progress) {
        if (stage == history::ImportStage::kChecking && hold) waitFor([&] { return progress.cancelled(); });
    });
    whenShown<QProgressDialog>([&](QProgressDialog& progress) { pressCancel(progress, dialog); });
    EXPECT_FALSE(dialog.LoadFile(file));
    EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("К импорту: 0\u00A0тиражей")));
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());

    hold = false;
    ASSERT_TRUE(dialog.LoadFile(file));
    EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("К импорту: 2\u00A0тиража")));
    hold = true;
    whenShown<QProgressDialog>([&](QProgressDialog& progress) { pressCancel(progress, dialog); });
    dialog.SkipDuplicatesBox()->setChecked(true);
    EXPECT_EQ(dialog.Summary()->text().toStdString(),
              "Проверка прервана, ничего не записано. «Импортировать» проверит тиражи снова.");
    EXPECT_EQ(dialog.Problems()->count(), 0);
    EXPECT_TRUE(dialog.ImportButton()->isEnabled());
    EXPECT_TRUE(readFile(m_table) == before);

    hold = false;
    QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Добавлено тиражей: 2.");
}

// Once the appends have begun they go to their end, each batch whole: Cancel is greyed, the
// dialog says why, and a cancel is not heard.
TEST_F(ImportDialogTest, TheAppendsOnceBegunGoToTheirEnd) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    history::setRecordsPerBatch(1);
    TImportDialog dialog(kSuperLoto, m_table);
    dialog.LoadText(QString::fromUtf8("3 17 22 31 40 48\n4 18 23 32 41 49\n5 19 24 33 42 1\n"));
    dialog.show();
    std::atomic<bool> seen{false};
    bool heard = true;
    SetImportStageHook([&](history::ImportStage stage, std::int64_t done, LongWorkProgress& progress) {
        if (stage != history::ImportStage::kCommitting || done != 0) return;
        waitFor([&] { return seen.load(); });
        heard = progress.cancel();
    });
    QString label;
    bool greyed = false;
    whenShown<QProgressDialog>([&](QProgressDialog& progress) {
        auto* cancel = progress.findChild<QPushButton*>();
        for (int i = 0; i < 100 && cancel->isEnabled(); ++i) QTest::qWait(10);  // the stage reaches the dialog
        greyed = !cancel->isEnabled();
        label = progress.labelText();
        seen = true;
    });
    ASSERT_TRUE(dialog.Import());
    EXPECT_EQ(label.toStdString(), "Запись тиражей в таблицу… Прервать её уже нельзя.");
    EXPECT_TRUE(greyed);
    EXPECT_FALSE(heard);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Добавлено тиражей: 3.");
    EXPECT_EQ(DBFObject(m_table, "", false, true).recordCount(), 4u);
}

// A file is read again for the import and once more for its writing: changed after it was
// shown, or between the import's two readings, it is refused, the table as it was and nothing
// left beside it.
TEST_F(ImportDialogTest, AFileChangedBetweenTheReadingsIsRefused) {
    struct Case {
        bool replace;
        std::optional<history::ImportStage> changedAt;  // none: changed before "Импортировать"
    } const cases[] = {{false, std::nullopt},
                       {true, std::nullopt},
                       {false, history::ImportStage::kCommitting},
                       {true, history::ImportStage::kWriting}};
    const std::string file = m_dir.file("draws.csv");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replace + 10 * c.changedAt.has_value());
        testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
        const std::string before = readFile(m_table);
        testsupport::writeFile(file, "3 17 22 31 40 48\n4 18 23 32 41 49\n");
        m_messages.shown.clear();
        TImportDialog dialog(kSuperLoto, m_table);
        ASSERT_TRUE(dialog.LoadFile(QString::fromStdString(file)));
        dialog.ReplaceBox()->setChecked(c.replace);
        const auto change = [&] { testsupport::writeFile(file, "3 17 22 31 40 48\n4 18 23 32 41 49\n5 6 7 8 9 10\n"); };
        if (!c.changedAt) change();
        SetImportStageHook([&](history::ImportStage stage, std::int64_t done, LongWorkProgress&) {
            if (c.changedAt == stage && done == 0) change();
        });
        EXPECT_FALSE(dialog.Import());
        EXPECT_TRUE(readFile(m_table) == before) << "the table's bytes as they were";
        std::vector<std::string> left = filesIn(m_dir.path());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"draws.csv", "lotobase.dbf"}));
        if (c.changedAt) {
            ASSERT_EQ(m_messages.shown.size(), 1u);
            EXPECT_EQ(m_messages.shown[0].text,
                      "Файл «" + file + "» изменился, пока его читали: ничего не записано. Откройте его снова.");
        } else {
            EXPECT_TRUE(m_messages.shown.empty());
            EXPECT_EQ(problems(dialog), std::vector<QString>{QString::fromUtf8(
                                            "Файл не прочитан: файл изменился после того, как его открыли; "
                                            "откройте его снова")});
            EXPECT_FALSE(dialog.ImportButton()->isEnabled());
        }
    }
}

// The first and last draws of the preview as they will stand in the table, however far up the
// text they are: pasted newest first with a header and duplicates, and a file whose draws mostly
// are in the table already.
TEST_F(ImportDialogTest, TheFirstAndLastDrawsAreShownWhereverTheyStand) {
    testsupport::Draws inTable;
    std::string file = "1,2,3,4,5,6\n";  // line 1, the only new draw
    for (int n = 0; n < 300; ++n) {
        const std::vector<int> draw{1 + n % 7, 8 + n / 7 % 7, 15 + n / 49 % 7, 22, 29, 36};
        inTable.push_back(draw);
        file += std::to_string(draw[5]) + "," + std::to_string(draw[4]) + "," + std::to_string(draw[3]) + "," +
                std::to_string(draw[2]) + "," + std::to_string(draw[1]) + "," + std::to_string(draw[0]) + "\n";
    }
    testsupport::writeDrawTable(m_table, kSuperLoto, inTable);
    testsupport::writeFile(m_dir.file("draws.csv"), file);
    TImportDialog dialog(kSuperLoto, m_table);
    dialog.SkipDuplicatesBox()->setChecked(true);
    ASSERT_TRUE(dialog.LoadFile(QString::fromStdString(m_dir.file("draws.csv"))));
    for (const char* shown :
         {"К импорту: 1\u00A0тираж", "Первый тираж: 1 2 3 4 5 6 (строка 1)", "Последний тираж: 1 2 3 4 5 6 (строка 1)"})
        EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8(shown))) << shown;
    EXPECT_EQ(dialog.Problems()->count(), 300);
    EXPECT_EQ(problems(dialog).back(), QString::fromUtf8("строка 301: тот же тираж, что в записи 300"));

    dialog.LoadText(
        QString::fromUtf8("Тираж\tДата\tШары\n"
                          "3\t07.12.2026\t5 19 24 33 42 1\n"
                          "2\t06.12.2026\t4 18 23 32 41 49\n"
                          "1\t05.12.2026\t49 41 32 23 18 4\n"));
    for (const char* shown :
         {"Источник: буфер обмена", "Порядок: новые сверху (по номерам тиражей, столбец 1)", "К импорту: 2\u00A0тиража",
          "Первый тираж: 49 41 32 23 18 4 (строка 4)", "Последний тираж: 5 19 24 33 42 1 (строка 2)"})
        EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8(shown)))
            << shown << "\n"
            << dialog.Summary()->text().toStdString();
    EXPECT_EQ(problems(dialog), std::vector<QString>{QString::fromUtf8("строка 3: тот же тираж, что в строке 4")});
    dialog.ReplaceBox()->setChecked(true);
    ASSERT_TRUE(dialog.Import());
    EXPECT_EQ(m_messages.shown.at(0).text, "Таблица заменена: было 300\u00A0тиражей, стало 2.");
    DBFObject table(m_table, "", false, true);
    ASSERT_EQ(table.recordCount(), 2u);
    table.readRecord(1);
    EXPECT_EQ(table.getNumber(1), 49);
    table.readRecord(2);
    EXPECT_EQ(table.getNumber(1), 5);
}

// The menu item with the program's windows open: the table's users here let go of it for the
// replacement and see the new draws afterwards, the data window and the next analysis alike.
TEST_F(ImportDialogTest, PastedResultsComeInWithoutAFileAndTheColumnsSayWhy) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    QApplication::clipboard()->setText(
        QString::fromUtf8("Тираж № 1 236 от 14.11.2025 — 5 19 24 33 42 1\n"
                          "Тираж № 1 235 от 13.11.2025 — 4 18 23 32 41 49\n"));
    TImportDialog dialog(kSuperLoto, m_table);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Импорт тиражей: СуперЛото"));
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());
    QTest::mouseClick(dialog.PasteButton(), Qt::LeftButton);
    const QString summary = dialog.Summary()->text();
    for (const char* shown :
         {"Источник: буфер обмена",
          "Номера: 6\u00A0чисел подряд в строке — там 6\u00A0разных\u00A0чисел от 1 до 49 (так в 2 "
          "из 2 просмотренных строк)",
          "Порядок: новые сверху (по номерам тиражей)", "Первый тираж: 4 18 23 32 41 49 (строка 2)"})
        EXPECT_TRUE(summary.contains(QString::fromUtf8(shown))) << shown << "\n" << summary.toStdString();
    ASSERT_TRUE(dialog.Import());
    EXPECT_EQ(m_messages.shown.at(0).text, "Добавлено тиражей: 2.");
    DBFObject table(m_table, "", false, true);
    ASSERT_EQ(table.recordCount(), 3u);
    table.readRecord(2);
    EXPECT_EQ(table.getNumber(1), 4) << "the oldest draw first";

    // A table copied from a page as HTML only: its rows come in as the cells' text.
    auto* page = new QMimeData;
    page->setHtml(
        QString::fromUtf8("<table><tr><td>7</td><td>08.12.2025</td><td>8 9 10 11 12 13</td></tr>"
                          "<tr><td>8</td><td>09.12.2025</td><td>14 15 16 17 18 19</td></tr></table>"));
    QApplication::clipboard()->setMimeData(page);
    QTest::mouseClick(dialog.PasteButton(), Qt::LeftButton);
    for (const char* shown : {"Номера: столбец 3", "Порядок: старые сверху (по номерам тиражей, столбец 1)",
                              "Первый тираж: 8 9 10 11 12 13 (строка 1)"})
        EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8(shown)))
            << shown << "\n"
            << dialog.Summary()->text().toStdString();
}

TEST_F(ImportDialogTest, TwoReadingsAreAskedAboutAndTheColumnsTakeEffectAsTyped) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    TImportDialog dialog(kSuperLoto, m_table);
    dialog.LoadText(
        QString::fromUtf8("\"3 17 22 31 40 48\";\"4 18 23 32 41 49\"\n\"5 19 24 33 42 1\";\"6 7 8 9 10 11\"\n"));
    EXPECT_EQ(problems(dialog), std::vector<QString>{QString::fromUtf8(
                                    "Номера тиража можно взять из столбца 1 или из столбца 2: укажите нужные в поле "
                                    "«Столбцы с номерами»")});
    EXPECT_FALSE(dialog.ImportButton()->isEnabled());
    EXPECT_EQ(dialog.ColumnsEdit()->placeholderText(), QString::fromUtf8("определяются автоматически"));
    // Enter takes the column at once.
    QTest::keyClicks(dialog.ColumnsEdit(), "2");
    QTest::keyClick(dialog.ColumnsEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("Номера: столбец 2, как указано")))
        << dialog.Summary()->text().toStdString();
    EXPECT_TRUE(dialog.ImportButton()->isEnabled());
    // Typing alone takes it once the typing pauses, without Tab or Enter.
    QTest::keyClick(dialog.ColumnsEdit(), Qt::Key_Backspace);
    QTest::keyClicks(dialog.ColumnsEdit(), "1");
    QTRY_VERIFY_WITH_TIMEOUT(dialog.Summary()->text().contains(QString::fromUtf8("Номера: столбец 1, как указано")),
                             3000);
    QTest::keyClicks(dialog.ColumnsEdit(), "-5");
    QTest::keyClick(dialog.ColumnsEdit(), Qt::Key_Return);
    EXPECT_EQ(problems(dialog).at(0),
              QString::fromUtf8("Столбцы с номерами «1-5»: нужно 6\u00A0столбцов или один, где весь тираж"));
}

TEST_F(ImportDialogTest, TheEncodingIsNamedAsFoundAndAReplaceCountsNoOldDraw) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    // «Тираж;Дата;Номера» in Windows-1251; the file repeats the table's first draw.
    const std::string file = m_dir.file("archive.csv");
    testsupport::writeFile(file,
                           "\xD2\xE8\xF0\xE0\xE6;\xC4\xE0\xF2\xE0;\xCD\xEE\xEC\xE5\xF0\xE0\n"
                           "1236;01.12.2025;3 17 22 31 40 48\n1235;30.11.2025;1 2 3 4 5 6\n");
    TImportDialog dialog(kSuperLoto, m_table);
    ASSERT_TRUE(dialog.LoadFile(QString::fromStdString(file)));
    for (const char* shown :
         {"Файл: archive.csv", "Кодировка: Windows-1251", "Порядок: новые сверху (по номерам тиражей, столбец 1)"})
        EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8(shown)))
            << shown << "\n"
            << dialog.Summary()->text().toStdString();
    EXPECT_EQ(problems(dialog), std::vector<QString>{QString::fromUtf8("строка 3: тот же тираж, что в записи 1")});
    dialog.ReplaceBox()->setChecked(true);
    EXPECT_TRUE(problems(dialog).empty()) << "the old draws go, so none of them is met again";
    ASSERT_TRUE(dialog.Import());
    EXPECT_EQ(m_messages.shown.at(0).text, "Таблица заменена: было 2\u00A0тиража, стало 2.");
    const std::string bytes = readFile(m_table);
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]) | static_cast<unsigned char>(bytes[5]) << 8, 2)
        << "the header counts the new draws";
    DBFObject table(m_table, "", false, true);
    ASSERT_EQ(table.recordCount(), 2u);
    table.readRecord(1);
    EXPECT_EQ(table.getNumber(1), 1) << "the oldest draw first";
}

TEST_F(ImportDialogTest, ASpreadsheetShowsItsFormatAndAnotherFileIsRefusedInOneSentence) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    TImportDialog dialog(kSuperLoto, m_table);
    ASSERT_TRUE(dialog.LoadFile(QString::fromStdString(std::string(SHAROMETR_ARCHIVES_DIR) + "/superloto.ods")));
    for (const char* shown : {"Файл: superloto.ods", "Формат: таблица ODS", "Заголовок: строка 1 пропущена",
                              "Порядок: новые сверху (по номерам тиражей, столбец 1)", "К импорту: 3\u00A0тиража"})
        EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8(shown)))
            << shown << "\n"
            << dialog.Summary()->text().toStdString();
    const std::string picture = m_dir.file("archive.png");
    testsupport::writeFile(picture, std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    EXPECT_FALSE(dialog.LoadFile(QString::fromStdString(picture)));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Это не текстовый файл и не таблица: «archive.png».");
    EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("Формат: таблица ODS"))) << "the sheet stays";
}

TEST_F(ImportDialogTest, WhatTheDialogCannotTellItSaysInRussian) {
    testsupport::writeDrawTable(m_table, kSuperLoto, {{1, 2, 3, 4, 5, 6}});
    TImportDialog dialog(kSuperLoto, m_table);
    const auto summaryHas = [&](const char* text) {
        return dialog.Summary()->text().contains(QString::fromUtf8(text));
    };
    dialog.LoadText(QString::fromUtf8("3 17 22 31 40 48\n4 18 23 32 41 49\n"));
    EXPECT_TRUE(
        summaryHas("Порядок: не определён: в файле нет номеров тиражей и дат. Если новые тиражи сверху, "
                   "отметьте флажок ниже"))
        << dialog.Summary()->text().toStdString();
    dialog.LoadText(QString::fromUtf8("1;3 17 22 31 40 48\n3;4 18 23 32 41 49\n2;5 19 24 33 42 1\n"));
    EXPECT_TRUE(summaryHas("Порядок: не определён: номера тиражей и даты идут вразнобой"))
        << dialog.Summary()->text().toStdString();
    dialog.LoadText(QString::fromUtf8("[\n{\"C1\": 3, \"C2\": 17}\n{\"C1\" 3}\n]\n"));
    EXPECT_EQ(problems(dialog),
              (std::vector<QString>{QString::fromUtf8("строка 2: в записи json нет поля C3"),
                                    QString::fromUtf8("строка 3: запись json сделана не этой программой")}));
    const std::string broken = m_dir.file("broken.xlsx");
    testsupport::writeFile(broken, "PK\x03\x04 no spreadsheet after all");
    EXPECT_FALSE(dialog.LoadFile(QString::fromStdString(broken)));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_TRUE(m_messages.shown[0].text.starts_with("Таблицу «" + broken + "» не удалось прочитать: "))
        << m_messages.shown[0].text;
}

class ImportMenuTest : public TableFolderTest {
protected:
    RecordingMessageService m_messages;
};

TEST_F(ImportMenuTest, AReplacementFromTheMenuIsSeenByTheOpenWindows) {
    makeTables(5, 5, 3, 4);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    windows->Form3->ShowAndRaise();
    ASSERT_TRUE(windows->Form3->XbaseDataSet1().Active());
    // A draw being typed in the data window: it is saved before the table is let go of.
    TXbaseDataSet& typing = windows->Form3->XbaseDataSet1();
    typing.Append();
    for (int i = 0; i < 6; ++i) typing.Fields(i).SetAsInteger(40 + i);
    const std::string file = m_dir.file("real.csv");
    // Six draws: the histogram wants five at least.
    testsupport::writeFile(file,
                           "1 2 3 4 5 6\n7 8 9 10 11 12\n13 14 15 16 17 18\n19 20 21 22 23 24\n"
                           "3 17 22 31 40 48\n4 18 23 32 41 49\n");
    SetImportFileChooserHook([&](QWidget*) { return QString::fromStdString(file); });
    // Once the file is read and the dialog shows.
    whenShown<TImportDialog>([](TImportDialog& dialog) {
        dialog.ReplaceBox()->setChecked(true);
        QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    });
    windows->Form1->MenuItem("NImportN2")->trigger();
    SetImportFileChooserHook({});
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Таблица заменена: было 6\u00A0тиражей, стало 6.")
        << "the typed row was saved first";
    EXPECT_TRUE(windows->Form3->XbaseDataSet1().Active()) << "the data window has its table again";
    windows->Form3->XbaseDataSet1().Last();
    EXPECT_EQ(windows->Form3->XbaseDataSet1().Fields(0).AsInteger(), 4);
    windows->Form1->MenuItem("N9")->trigger();
    int counted = 0;
    for (const std::int32_t value : LotoValues) counted += value;
    EXPECT_EQ(counted, 6 * 6) << "the analysis counts the new draws only";
    EXPECT_EQ(LotoValues[48], 1) << "49 once";
    windows->Form3->hide();
}

TEST_F(ImportMenuTest, PasteComesInFromTheMenuAndCtrlVAndAfterAFileChooserLeftEmpty) {
    makeTables(5, 5, 3, 4);
    auto windows = CreateProgramWindows();
    ASSERT_NE(windows, nullptr);
    QApplication::clipboard()->setText(QString::fromUtf8("12.11.2025 №1234: 3, 17, 22, 31, 40, 48\n"));
    const auto importPasted = [](TImportDialog& dialog) {
        EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("Источник: буфер обмена")))
            << dialog.Summary()->text().toStdString();
        dialog.reject();
    };
    whenShown<TImportDialog>(importPasted);
    windows->Form1->MenuItem("NPasteN2")->trigger();

    // The file chooser left without a file: the dialog opens all the same, its paste at hand.
    SetImportFileChooserHook([](QWidget*) { return QString(); });
    whenShown<TImportDialog>([](TImportDialog& dialog) {
        EXPECT_TRUE(dialog.Summary()->text().contains(QString::fromUtf8("Откройте файл тиражей")));
        QTest::mouseClick(dialog.PasteButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.ImportButton(), Qt::LeftButton);
    });
    windows->Form1->MenuItem("NImportN2")->trigger();
    SetImportFileChooserHook({});
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Добавлено тиражей: 1.");

    windows->Form3->ShowAndRaise();
    QApplication::setActiveWindow(windows->Form3.get());
    bool shown = false;
    whenShown<TImportDialog>([&](TImportDialog& dialog) {
        shown = true;
        importPasted(dialog);
    });
    QTest::keyClick(windows->Form3.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(shown) << "Ctrl+V in the data window opens the dialog on the clipboard";
    windows->Form3->hide();
}

}  // namespace
