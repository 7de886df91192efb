// The import of draws into one table named by its path, in steps that a window can run off its
// own thread: the draws read and checked against the table, then read again and written. Each
// step opens the table itself and lets go of it before it returns, so that the caller holds no
// table object; each step hears through one callback how far it is and whether to stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "history/draw_file.h"
#include "history/import.h"

struct Game;

namespace history {

enum class ImportStage {
    kReading,     // a draw file's bytes read into draws
    kChecking,    // text in memory read into draws, then the table's draws (their length not known)
    kWriting,     // a replacement's draws written to the new table beside the old one
    kCommitting,  // the draws appended to the table, or the new table put in place of the old
};

// Hears `done` of `total` (a total of 0: the length is not known) and gives whether to go on;
// each stage is heard first as it begins. The answer to kCommitting's first call is the last
// chance to stop: once it has said true, the import goes to its end and hears no stop.
using ImportProgress = std::function<bool(ImportStage stage, std::int64_t done, std::int64_t total)>;

// The text of an import, read afresh for each check and again for the write, so that no line of
// it is kept: a draw file held open (refused once it has changed since it was opened), or text
// in memory, such as text pasted from the clipboard, read from its one copy here.
class ImportText {
public:
    // The regular file at `path`, open while this lives; null when it cannot be opened.
    static std::unique_ptr<ImportText> openFile(const std::string& path);
    // Lines parted by '\n'.
    explicit ImportText(std::string text);
    ~ImportText();
    ImportText(const ImportText&) = delete;
    ImportText& operator=(const ImportText&) = delete;

    bool fromFile() const { return m_fd >= 0; }
    // Every line from the start; "" or why the reading stopped (kSourceChanged for a changed file).
    std::string read(const std::function<void(std::string_view)>& onLine) const;
    // The lines as the second reading reads them.
    const LineReading& lines() const { return m_lines; }
    // The bytes there are, and how far the reading under way has come; the encoding the last
    // reading found in a file ("" for text in memory).
    std::int64_t size() const { return m_size; }
    std::int64_t position() const;
    const std::string& encoding() const { return m_encoding; }

private:
    ImportText(int fd, std::int64_t size);

    int m_fd = -1;
    std::string m_text;
    std::int64_t m_size = 0;
    mutable std::int64_t m_at = 0;
    mutable std::string m_encoding;
    LineReading m_lines;
};

struct ImportChoices {
    std::vector<std::size_t> columns;  // as DrawFileParser takes them
    std::optional<bool> newestFirst;   // nullopt: as the file's draw-number or date column says
    bool skipDuplicates = false;
    bool replace = false;  // every draw of the table replaced: none of them is a duplicate
};

// What the checks found, as the import would write it.
struct ImportCheck {
    std::string unread;              // why the text could not be read ("": it was)
    std::string encoding;            // as readTextLines names it; "" for text in memory
    std::string firstLine;           // the first line with content, which tells the separator
    std::size_t picks = 0;           // numbers a draw of the table holds
    std::vector<std::string> notes;  // the reader's, line by line ("line 4: ...", "skipped header line 1")
    bool faulty = false;             // a note tells of a bad line
    DrawOrder order = DrawOrder::kUnknown;
    std::string orderColumn;
    // Where the draw was taken from: the fields given or named by a header, or as found.
    DrawFileParser::Fields fieldsFrom = DrawFileParser::Fields::kGiven;
    std::vector<std::size_t> fields;
    DrawLayout layout;
    bool newestFirst = false;  // the draws were turned around
    std::vector<Duplicate> duplicates;
    std::size_t fresh = 0;  // the draws to be written
    Draw first, last;       // the first and last of them, when there are

    // The one rule of whether such a check lets the import write.
    bool allowsImport(bool skipDuplicates) const;
};

struct ImportWritten {
    bool written = false;  // false: the check did not allow it, nothing written
    bool replaced = false;
    std::uint32_t recordsBefore = 0;  // a replaced table's
    std::size_t count = 0;            // the draws appended, or the replaced table's draws
    std::vector<Duplicate> meanwhile;
    bool changed = false;  // the file changed between the readings: `count` draws went in all the same
};

class TableImport {
public:
    explicit TableImport(std::string tablePath);
    ~TableImport();
    TableImport(const TableImport&) = delete;
    TableImport& operator=(const TableImport&) = delete;

    // The table's draws' shape; raises why not when the table is no draw table.
    DrawShape shape() const;
    // The record count when the table holds exactly the first run's synthetic draws of the game
    // (made-up draws that real ones should replace), else 0.
    std::uint32_t syntheticDraws(const Game& game) const;

    // Reads the text with the choices and sorts the draws against the table, keeping one entry a
    // draw while it sorts and none after; false when stopped.
    bool check(const ImportText& text, const ImportChoices& choices, const ImportProgress& progress);
    const ImportCheck& checked() const { return m_checked; }

    // Checks again against the table opened for writing (to itself when replacing), then reads the
    // text once more and writes when the check allows it. nullopt when stopped, nothing written.
    std::optional<ImportWritten> write(const ImportText& text, const ImportChoices& choices,
                                       const ImportProgress& progress);

private:
    // The check made with `table` open, whichever way it is open. False when stopped.
    bool checkIn(DBFObject& table, const ImportText& text, const ImportChoices& choices,
                 const ImportProgress& progress);
    // The first and last draws that go in, from the draws the reading kept last or else read again.
    void findFirstAndLast(const ImportText& text, const ImportChoices& choices, std::span<const Draw> lastRead);

    std::string m_path;
    ImportCheck m_checked;
    DrawShape m_shape;
    FilePlan m_plan;
    std::uint32_t m_readUpTo = 0;
};

}  // namespace history
