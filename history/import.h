// Bringing draws into a table, as the companion's `import` and `add` and the window's import do:
// the duplicates found before anything is written, the appends in batches decided under the
// table's append lock against what the file holds at that moment (so that two imports running
// together never write a draw twice), and the replacement of every draw of a table at once.
// A long file is imported in two readings without keeping its draws: the first gives each draw
// and each record of the table one fixed-size entry (DrawIndex), from which the duplicates come;
// the second reads the draws again and writes the others (appendFresh, replaceWithFresh).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "history/draw_file.h"
#include "history/table_draws.h"
#include "platform/exception.h"

class DBFObject;
struct Game;

namespace history {

// A draw with the line of the file it was read on.
struct Draw {
    std::vector<int> numbers;
    std::size_t line = 0;
};

// A draw met before: in record `record` of the table, or else on line `earlierLine` of the file.
struct Duplicate {
    std::size_t line = 0;
    std::uint32_t record = 0;
    std::size_t earlierLine = 0;
    bool meanwhile = false;  // appended by another user while this import ran

    bool operator==(const Duplicate&) const = default;
};

// The draws of the table as they stand, with the record count they were read up to.
struct TableKeys {
    DrawKeys keys;
    std::uint32_t readUpTo = 0;
};
// With `only`, just the records holding that draw are kept: what `add` needs, without a key for
// every record of a long table.
TableKeys tableKeysOf(DBFObject& table, int highest, std::span<const int> only = {});

struct AppendOutcome {
    std::size_t appended = 0;
    std::vector<Duplicate> meanwhile;  // draws another user appended while this import ran
    bool stopped = false;              // a draw met meanwhile stopped the appends (not skipped)
};

// The table opened for writing by an import (shared, or to itself for a replacement). While
// another program holds it whole, as a pack does, the open is tried again for as long as an append
// waits for its lock; still refused then, the refusal says that it waited.
std::unique_ptr<DBFObject> openTableToImport(const std::string& path, bool shared);

// Whether the table holds exactly the first synthetic draws of the game, in their order, as the
// first run's sample tables do: made-up draws that real ones should replace, not join.
bool holdsOnlySyntheticDraws(DBFObject& table, const Game& game);

// What a game's table holds, for the window's first-start hint. A table that cannot be read is the
// windows' business: it counts as the player's own.
enum class TableHolds { kNothing, kSamples, kOwnDraws };
TableHolds whatTableHolds(const Game& game, const std::string& path);

// How many records a batch holds at most; 0 (the default) means as many as fill about a megabyte.
// Tests set it, to reach a failure between batches with few draws.
void setRecordsPerBatch(std::size_t records);

// Memory that grows by remapping its pages, never by copying them, so that a long list never
// stands twice in memory while it grows; only the pages written to take memory.
class GrowingBuffer {
public:
    GrowingBuffer() = default;
    ~GrowingBuffer() { release(); }
    GrowingBuffer(const GrowingBuffer&) = delete;
    GrowingBuffer& operator=(const GrowingBuffer&) = delete;

    // Room for `bytes` more at the end, counted as used; valid until the next call.
    std::uint8_t* extend(std::size_t bytes);
    std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    void release();

private:
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// The duplicates of a file found by DrawIndex, and what the second reading needs of them.
struct FilePlan {
    int highest = 0;
    std::size_t draws = 0;               // the file's draws
    std::vector<Duplicate> duplicates;   // in the order the draws are appended
    std::vector<std::uint32_t> skipped;  // the duplicates' lines, ascending
    // The lowest and the highest line of the draws that go in (0 when none does).
    std::size_t lowestFresh = 0, highestFresh = 0;
    std::size_t fresh() const { return draws - duplicates.size(); }
};

// Every draw of a file and every record of its table as one fixed-size entry: the draw's numbers
// as bits, with its line (or record) and whether it is the file's in the spare low bits. That is
// 16 bytes a draw for a game of up to 95 numbers, 24 above. Sorted, the entries stand beside
// those with the same numbers, the table's records first and then the file's draws in the order
// they are appended, so the first met leads each run.
class DrawIndex {
public:
    explicit DrawIndex(int highest);

    // A draw of the file, read on `line`.
    void addDraw(std::span<const int> draw, std::size_t line);
    // The visible records of the table as it stands; gives the count they were read up to.
    std::uint32_t addTable(DBFObject& table);
    // The duplicates, the draws going in upside down with `newestFirst`; the entries are let go.
    FilePlan plan(bool newestFirst);
    std::size_t entryBytes() const { return m_words * sizeof(std::uint64_t); }

private:
    void add(std::span<const int> draw, std::uint64_t low);

    int m_highest;
    std::size_t m_words;
    std::size_t m_draws = 0;
    GrowingBuffer m_entries;
};

// The lines of a source from its start, each handed to `onLine` (without its '\n'); gives "" or
// why they could not be read.
using LineReading = std::function<std::string(const std::function<void(std::string_view)>& onLine)>;

// Why a reading of a file is refused when the file changed since the reading was made.
inline constexpr const char* kSourceChanged = "the draw file changed while it was read";

// Raised by the second reading of an import when its source is not what the first one read: a
// file changed between the readings, or while it was read.
class SourceChanged : public Exception {
public:
    using Exception::Exception;
};

// The lines of the open file `fd` in whatever encoding it comes in (named in `encoding`, when
// given), read from its start each time; refused (kSourceChanged) when the file changed since this
// was made.
LineReading linesOfFile(int fd, std::string* encoding = nullptr);
// The lines of text in memory, parted by '\n'; `text` must outlive the reading.
LineReading linesOfText(std::string_view text);

// The draws of a source once more, in the file's order, handed to `visit`; gives "" or why they
// could not be read.
using DrawReplay = std::function<std::string(const DrawFileParser::DrawVisitor& visit)>;

// The draws of `lines` read again by a parser like the first reading's.
DrawReplay replayOfLines(LineReading lines, const DrawShape& shape, const std::vector<std::size_t>& columns);
// The draws of the open file `fd` read again from its start; refused when the file changed since
// this was made (made before the first reading).
DrawReplay replayOfFile(int fd, const DrawShape& shape, const std::vector<std::size_t>& columns);

// The draws of a source that cannot be read twice (standard input, a pipe), kept as they come:
// one byte a number and the line. The text itself is gone after the first reading, so this copy
// is what the second reading reads.
class CompactDraws {
public:
    explicit CompactDraws(std::size_t picks) : m_picks(picks) {}
    void add(std::span<const int> draw, std::size_t line);
    DrawReplay replay() const;

private:
    std::size_t m_picks;
    GrowingBuffer m_bytes;
};

// The second reading of an import: the draws of `replay` but the duplicates of `plan` appended
// in batches of about a megabyte, each under one hold of the append lock (`readUpTo`: the record
// count DrawIndex::addTable gave): first the records appended since are read too, then every draw
// of the batch met there is skipped (`skipDuplicates`) or stops the appends before the batch
// (nothing of it written). A batch is written whole or not at all; a failure raises after the
// earlier batches stand (`appendedSoFar` then tells how many), SourceChanged when the source is
// not what the first reading read. With `newestFirst` the last draw goes in first. `progress`
// hears the count after each batch.
AppendOutcome appendFresh(DBFObject& table, std::uint32_t readUpTo, const FilePlan& plan, const DrawReplay& replay,
                          bool newestFirst, bool skipDuplicates, std::size_t& appendedSoFar,
                          const std::function<void(std::size_t)>& progress = {});

// Replaces every record of the table with the draws of `replay` but the duplicates of `plan`, as
// `pack` rewrites a table: the new table is written beside the old one and renamed over it, so a
// failure at any step leaves the old table whole. The table must be open for exclusive use.
// `goOn`, when given, hears how many draws are written after each batch, the last time just
// before the new table is put in place; false stops the replacement there (false given back): the
// new file is removed and the old table stays.
bool replaceWithFresh(DBFObject& table, const FilePlan& plan, const DrawReplay& replay, bool newestFirst,
                      const std::function<bool(std::size_t written)>& goOn = {});

}  // namespace history
