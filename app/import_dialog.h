// "Данные → Импорт тиражей...": a draw file, or text pasted from a web page or a spreadsheet,
// shown as it will be imported before anything is written (encoding, separator, header, the
// columns of the numbers, the order, the first and last draws, every bad line and duplicate),
// then appended to the game's table, or put in place of its draws, through the draw history.
// The reading, the checks and the writing run off the GUI thread under a progress dialog whose
// Cancel leaves the table as it was; the dialog itself holds no table.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "history/table_import.h"

class LongWorkProgress;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

class TImportDialog : public QDialog {
    Q_OBJECT
public:
    // For the game's table at `tablePath`; the text comes from LoadFile, LoadText or the paste
    // button.
    TImportDialog(const Game& game, std::string tablePath, QWidget* parent = nullptr);

    // A draw file in any encoding draw files come in; false (the reason shown) when unreadable,
    // and false with nothing loaded when the player cancels its reading or its checks.
    bool LoadFile(const QString& path);
    // Text such as a copied table: lines of tab-separated fields.
    void LoadText(const QString& text);
    // The clipboard's text, or the table of the page it holds.
    void LoadClipboard();
    // Reads the text with the dialog's choices and shows what the import would do.
    void Preview();
    // Checks again and imports as shown; says how it ended. True when the table changed; false,
    // the table as it was, when the check forbids it or the player cancels.
    bool Import();

    QLabel* Summary() const { return m_summary; }
    QLabel* ReplaceReason() const { return m_replaceReason; }
    QLineEdit* ColumnsEdit() const { return m_columns; }
    QCheckBox* NewestFirstBox() const { return m_newestFirst; }
    QCheckBox* SkipDuplicatesBox() const { return m_skipDuplicates; }
    QCheckBox* ReplaceBox() const { return m_replace; }
    QListWidget* Problems() const { return m_problems; }
    QPushButton* PasteButton() const { return m_paste; }
    QPushButton* ImportButton() const { return m_import; }
    QPushButton* OpenButton() const { return m_open; }

private:
    // The choices as the history takes them; a column list it cannot take is noted in
    // m_columnsFault and left out.
    history::ImportChoices Choices();
    // The checks, off the GUI thread when there is text; false when the player cancelled.
    bool Check();
    void Show(const history::ImportCheck& check);

    const Game& m_game;
    std::unique_ptr<history::TableImport> m_table;
    std::size_t m_picks = 0;
    std::string m_columnsFault;
    // The text being imported, read again for each check and for the import; none is kept.
    std::unique_ptr<history::ImportText> m_text;
    std::string m_fileName;      // "" for pasted text
    std::string m_format;        // a spreadsheet's or a page's kind ("XLSX"), "" for text
    bool m_orderChosen = false;  // the player set the order: a new preview keeps it
    std::size_t m_faults = 0;
    std::size_t m_duplicates = 0;
    QLabel* m_summary;
    QLabel* m_replaceReason;
    QLineEdit* m_columns;
    QCheckBox* m_newestFirst;
    QCheckBox* m_skipDuplicates;
    QCheckBox* m_replace;
    QListWidget* m_problems;
    QPushButton* m_paste;
    QPushButton* m_import;
    QPushButton* m_open;
    QTimer* m_typing;  // restarted by each key typed into the columns
};

// The menu item's work: a file chosen (or the clipboard's draws), the dialog shown, the import
// made when the player says so. Gives true when the table changed.
bool RunImportDialog(const Game& game, const std::string& tablePath, QWidget* parent, bool fromClipboard = false);
// The file chooser of draw files (or the tests' stand-in for it); "" when none was chosen.
QString ChooseDrawFile(QWidget* parent);

// Tests choose the file in place of the file dialog (an empty function restores the dialog).
void SetImportFileChooserHook(std::function<QString(QWidget*)> chooser);
// Tests hear, on the worker, each step of the import as the progress dialog has it (the stage
// already named there), and may hold the worker at one; an empty function ends it.
using ImportStageHook = std::function<void(history::ImportStage stage, std::int64_t done, LongWorkProgress& progress)>;
void SetImportStageHook(ImportStageHook hook);
