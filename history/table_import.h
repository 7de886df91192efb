// The import of draws into one table named by its path, in steps that a window can run off its
// own thread: the draw file read, the draws checked against the table, the table written. Each
// step opens the table itself and lets go of it before it returns, so that the caller holds no
// table object; each step hears through one callback how far it is and whether to stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/draw_file.h"
#include "history/import.h"

struct Game;

namespace history {

enum class ImportStage {
    kReading,     // the file's bytes
    kChecking,    // the lines read into draws, then the table's draws (their length not known)
    kWriting,     // a replacement's draws written to the new table beside the old one
    kCommitting,  // the draws appended to the table, or the new table put in place of the old
};

// Hears `done` of `total` (a total of 0: the length is not known) and gives whether to go on;
// each stage is heard first as it begins. The answer to kCommitting's first call is the last
// chance to stop: once it has said true, the import goes to its end and hears no stop.
using ImportProgress = std::function<bool(ImportStage stage, std::int64_t done, std::int64_t total)>;

// A draw file's lines, read in whatever encoding it comes in.
struct DrawText {
    enum class Outcome { kRead, kStopped, kUnopened, kUnread };
    Outcome outcome = Outcome::kRead;
    std::vector<std::string> lines;
    std::string encoding;  // as readTextLines names it
    std::string why;       // kUnread: why the reading stopped
};
DrawText readDrawText(const std::string& path, const ImportProgress& progress);

struct ImportChoices {
    std::vector<std::size_t> columns;  // as DrawFileParser takes them
    std::optional<bool> newestFirst;   // nullopt: as the file's draw-number or date column says
    bool skipDuplicates = false;
    bool replace = false;  // every draw of the table replaced: none of them is a duplicate
};

// What the checks found, as the import would write it.
struct ImportCheck {
    std::size_t picks = 0;           // numbers a draw of the table holds
    std::vector<std::string> notes;  // the reader's, line by line ("line 4: ...", "skipped header line 1")
    bool faulty = false;             // a note tells of a bad line
    DrawOrder order = DrawOrder::kUnknown;
    std::string orderColumn;
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

    // Reads the lines with the choices and sorts the draws against the table; false when stopped.
    bool check(const std::vector<std::string>& lines, const ImportChoices& choices, const ImportProgress& progress);
    const ImportCheck& checked() const { return m_checked; }

    // Checks again against the table opened for writing (to itself when replacing), then writes
    // when the check allows it. nullopt when stopped, nothing written.
    std::optional<ImportWritten> write(const std::vector<std::string>& lines, const ImportChoices& choices,
                                       const ImportProgress& progress);

private:
    struct Parsed;
    // The check made with `table` open, whichever way it is open. False when stopped.
    bool checkIn(DBFObject& table, const std::vector<std::string>& lines, const ImportChoices& choices,
                 const ImportProgress& progress);

    std::string m_path;
    ImportCheck m_checked;
    std::unique_ptr<Parsed> m_parsed;
};

}  // namespace history
