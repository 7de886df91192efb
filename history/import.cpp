// The duplicates of an import, its batches under the append lock, and the replacement of a
// table's draws.
#include "history/import.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <thread>

#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "analysis/synthetic_draws.h"
#include "platform/error_codes.h"
#include "platform/exception.h"
#include "platform/os_file.h"

namespace history {

namespace {

constexpr std::size_t kBatchBytes = 1u << 20;
std::atomic<std::size_t> g_recordsPerBatch{0};

std::size_t recordsPerBatch(const DBFObject& table) {
    if (const std::size_t set = g_recordsPerBatch.load(); set > 0) return set;
    return std::max<std::size_t>(1, kBatchBytes / table.recordLength());
}

// The appends of one import: records gathered into batches, each written under one hold of the
// append lock after the records others appended meanwhile are read into `known` and every record
// of the batch met there is skipped or stops the appends.
class Batches {
public:
    Batches(DBFObject& table, DrawKeys& known, std::uint32_t& readUpTo, bool skipDuplicates, AppendOutcome& outcome,
            std::size_t& appendedSoFar, const std::function<void(std::size_t)>& progress)
        : m_table(table),
          m_known(known),
          m_readUpTo(readUpTo),
          m_skip(skipDuplicates),
          m_outcome(outcome),
          m_appended(appendedSoFar),
          m_progress(progress),
          m_perBatch(recordsPerBatch(table)),
          m_records(table) {
        m_appended = 0;
    }

    void add(std::string_view record, std::uint32_t line) {
        if (m_outcome.stopped) return;
        m_bytes.append(record);
        m_lines.push_back(line);
        if (m_lines.size() >= m_perBatch) flush();
    }

    void flush() {
        if (m_lines.empty() || m_outcome.stopped) return;
        const std::uint32_t length = m_table.recordLength();
        std::vector<Duplicate> met;
        m_table.appendRecords([&](std::uint32_t recordsNow, std::string& bytes) {
            met.clear();
            // Under the lock: what others appended since the table was read counts too.
            if (recordsNow > m_readUpTo) {
                scanDraws(m_table, m_readUpTo + 1, recordsNow,
                          [&](std::span<const int> draw, std::uint32_t at) { m_known.add(draw, at); });
                m_readUpTo = recordsNow;
            }
            std::uint32_t next = recordsNow;
            if (m_known.size() == 0) {
                bytes = m_bytes;
                next += static_cast<std::uint32_t>(m_lines.size());
            } else {
                bytes.clear();
                m_bytes.append(RecordDraws::kSlack, ' ');
                for (std::size_t i = 0; i < m_lines.size(); ++i) {
                    const auto* record = reinterpret_cast<const std::uint8_t*>(m_bytes.data()) + i * length;
                    if (!m_records.read(record, m_draw)) continue;  // no record this import writes
                    if (const std::uint32_t at = m_known.find(m_draw); at != 0) {
                        met.push_back({m_lines[i], at, 0, true});
                        continue;
                    }
                    bytes.append(reinterpret_cast<const char*>(record), length);
                    ++next;
                }
            }
            if (!met.empty() && !m_skip) {
                bytes.clear();  // the batch stops whole
                m_outcome.stopped = true;
            }
            m_readUpTo = recordsNow + static_cast<std::uint32_t>(bytes.size() / length);
        });
        m_outcome.meanwhile.insert(m_outcome.meanwhile.end(), met.begin(), met.end());
        if (!m_outcome.stopped) m_appended += m_lines.size() - met.size();
        m_outcome.appended = m_appended;
        m_bytes.clear();
        m_lines.clear();
        if (m_progress) m_progress(m_appended);
    }

private:
    DBFObject& m_table;
    DrawKeys& m_known;
    std::uint32_t& m_readUpTo;
    bool m_skip;
    AppendOutcome& m_outcome;
    std::size_t& m_appended;
    const std::function<void(std::size_t)>& m_progress;
    std::size_t m_perBatch;
    RecordDraws m_records;
    std::string m_bytes;
    std::vector<std::uint32_t> m_lines;
    std::vector<int> m_draw;
};

// A replacement table written beside the table: its header with `count` records, the records
// `feed` hands over, the end mark, then renamed over the table.
// Thrown through the feed when `goOn` says no: the scratch table goes with NewTableFile.
struct ReplacementStopped {};

bool writeReplacement(DBFObject& table, std::size_t count,
                      const std::function<void(const std::function<void(std::string_view)>&)>& feed,
                      const std::function<bool(std::size_t written)>& goOn = {}) {
    const std::uint32_t headerLength = table.headerLength();
    std::string header(headerLength, '\0');
    if (table.readAt(0, header.data(), headerLength) != headerLength)
        xb::raiseError(xb::err::kShortRead, xb::loc::kRead, table.path());
    xb::stampHeader(reinterpret_cast<std::uint8_t*>(header.data()), static_cast<std::uint32_t>(count));

    // What killed writes of this table left beside it goes first. The new table is written beside
    // the table's real file, refused for a table of several names (hard links), which a copy
    // renamed over one of them would part.
    xb::removeStaleScratchFiles(table.path());
    xb::NewTableFile replacement(table, "replace");
    replacement.append(header.data(), headerLength);
    const std::size_t batchBytes = recordsPerBatch(table) * table.recordLength();
    std::string bytes;
    std::size_t written = 0;
    try {
        feed([&](std::string_view record) {
            bytes.append(record);
            ++written;
            if (bytes.size() >= batchBytes) {
                replacement.append(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
                bytes.clear();
                if (goOn && !goOn(written)) throw ReplacementStopped{};
            }
        });
    } catch (const ReplacementStopped&) {
        return false;
    }
    if (written != count) throw Exception(table.path() + ": the draws changed while they were read");
    bytes += static_cast<char>(xb::kEofByte);
    replacement.append(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    // The last word before the new table takes the old one's place.
    if (goOn && !goOn(written)) return false;
    replacement.placeOver(table);
    return true;
}

// A scratch file beside the table, gone from the folder as soon as it is made: the records of a
// newest-first file on their way to being read backwards.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& besides)
        : m_path(besides + "." + std::to_string(platform::currentProcess()) + ".reverse") {
        m_handle = platform::openFile(m_path, true, false, platform::Disposition::CreateNew);
        if (m_handle == platform::kNoHandle) fail();
        if (!platform::removeFile(m_path)) {
            const std::uint32_t code = platform::lastError();
            platform::closeFile(m_handle);
            m_handle = platform::kNoHandle;
            platform::removeFile(m_path);
            platform::setLastError(code);
            fail();
        }
    }
    ~ScratchFile() {
        if (m_handle != platform::kNoHandle) platform::closeFile(m_handle);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    void write(const std::string& bytes) {
        std::uint32_t done = 0;
        if (!platform::writeAt(m_handle, m_size, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done)) fail();
        m_size += bytes.size();
    }
    void read(std::uint64_t offset, std::string& bytes) const {
        std::uint32_t done = 0;
        if (!platform::readAt(m_handle, offset, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done)) fail();
        if (done != bytes.size()) {
            platform::setLastError(platform::code::kReadFault);
            fail();
        }
    }

private:
    [[noreturn]] void fail() const { xb::raiseError(static_cast<int>(platform::lastError()), xb::loc::kWrite, m_path); }

    std::string m_path;
    platform::Handle m_handle = platform::kNoHandle;
    std::uint64_t m_size = 0;
};

// The second reading: every draw of `replay` but the duplicates of `plan`, as the records that go
// in, handed to `sink` in the order they go in.
void forEachFresh(DBFObject& table, const FilePlan& plan, const DrawReplay& replay, bool newestFirst,
                  const std::function<void(std::string_view record, std::uint32_t line)>& sink) {
    RecordFormat format(table);
    std::string record;
    auto skip = plan.skipped.begin();
    std::size_t seen = 0;
    std::size_t fresh = 0;
    std::optional<ScratchFile> scratch;
    std::string spilled;
    const std::size_t entry = format.length() + sizeof(std::uint32_t);
    const std::size_t perBlock = recordsPerBatch(table);  // the scratch file's records read back at once
    const std::string why = replay([&](std::span<const int> draw, std::size_t line) {
        ++seen;
        while (skip != plan.skipped.end() && *skip < line) ++skip;
        if (skip != plan.skipped.end() && *skip == line) return;
        ++fresh;
        format.format(draw, record);
        const auto at = static_cast<std::uint32_t>(line);
        if (!newestFirst) return sink(record, at);
        if (!scratch) scratch.emplace(table.path());
        spilled += record;
        spilled.append(reinterpret_cast<const char*>(&at), sizeof at);
        if (spilled.size() >= perBlock * entry) {
            scratch->write(spilled);
            spilled.clear();
        }
    });
    if (why == kSourceChanged) throw SourceChanged(why);
    if (!why.empty()) throw Exception(why);
    if (seen != plan.draws || fresh != plan.fresh()) throw SourceChanged(kSourceChanged);
    if (!newestFirst) return;
    // Newest first: the records still in memory from the last, then the scratch file's read back
    // from its end a block at a time.
    const auto backwards = [&](const std::string& bytes) {
        for (std::size_t i = bytes.size() / entry; i > 0; --i) {
            std::uint32_t line = 0;
            std::memcpy(&line, bytes.data() + i * entry - sizeof line, sizeof line);
            sink(std::string_view(bytes).substr((i - 1) * entry, format.length()), line);
        }
    };
    backwards(spilled);
    std::size_t inScratch = fresh - spilled.size() / entry;
    while (inScratch > 0) {
        const std::size_t count = std::min(perBlock, inScratch);
        inScratch -= count;
        spilled.resize(count * entry);
        scratch->read(inScratch * entry, spilled);
        backwards(spilled);
    }
}

// An entry of DrawIndex: `Words` words, the first the most significant, the numbers' bits above
// the low 33 (bit 32: a draw of the file; below it the line or record).
template <std::size_t Words>
using Entry = std::array<std::uint64_t, Words>;

constexpr std::uint64_t kFromFile = std::uint64_t{1} << 32;
constexpr std::uint64_t kLowBits = (std::uint64_t{1} << 33) - 1;

template <std::size_t Words>
bool sameNumbers(const Entry<Words>& a, const Entry<Words>& b) {
    for (std::size_t w = 0; w + 1 < Words; ++w)
        if (a[w] != b[w]) return false;
    return (a[Words - 1] & ~kLowBits) == (b[Words - 1] & ~kLowBits);
}

template <std::size_t Words>
void planEntries(Entry<Words>* entries, std::size_t count, bool newestFirst, FilePlan& plan) {
    // Upside down, a later line goes in earlier: its place among the file's draws turned over.
    if (newestFirst)
        for (std::size_t i = 0; i < count; ++i)
            if (entries[i][Words - 1] & kFromFile) entries[i][Words - 1] ^= 0xFFFFFFFFull;
    std::sort(entries, entries + count);
    const auto lineOf = [&](const Entry<Words>& entry) {
        const std::uint64_t low = entry[Words - 1] & 0xFFFFFFFFull;
        return static_cast<std::uint32_t>(newestFirst ? low ^ 0xFFFFFFFFull : low);
    };
    for (std::size_t first = 0; first < count;) {
        std::size_t end = first + 1;
        while (end < count && sameNumbers(entries[first], entries[end])) ++end;
        // The first of a run is the draw that goes in, unless the table holds it.
        if (entries[first][Words - 1] & kFromFile) {
            const std::size_t line = lineOf(entries[first]);
            plan.lowestFresh = plan.lowestFresh == 0 ? line : std::min(plan.lowestFresh, line);
            plan.highestFresh = std::max(plan.highestFresh, line);
        }
        if (end - first > 1) {
            const bool inTable = !(entries[first][Words - 1] & kFromFile);
            const std::uint32_t record = inTable ? static_cast<std::uint32_t>(entries[first][Words - 1]) : 0;
            std::uint32_t firstLine = 0;
            for (std::size_t i = first; i < end; ++i) {
                if (!(entries[i][Words - 1] & kFromFile)) continue;
                const std::uint32_t line = lineOf(entries[i]);
                if (firstLine == 0) firstLine = line;
                if (i != first) plan.duplicates.push_back({line, record, firstLine, false});
            }
        }
        first = end;
    }
}

}  // namespace

std::uint8_t* GrowingBuffer::extend(std::size_t bytes) {
    if (m_size + bytes > m_capacity) {
        const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        std::size_t capacity = std::max<std::size_t>(m_capacity * 2, std::size_t{1} << 20);
        while (capacity < m_size + bytes) capacity *= 2;
        capacity = (capacity + page - 1) / page * page;
        void* moved = m_data ? ::mremap(m_data, m_capacity, capacity, MREMAP_MAYMOVE)
                             : ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (moved == MAP_FAILED) throw std::bad_alloc();
        m_data = static_cast<std::uint8_t*>(moved);
        m_capacity = capacity;
    }
    std::uint8_t* at = m_data + m_size;
    m_size += bytes;
    return at;
}

void GrowingBuffer::release() {
    if (m_data) ::munmap(m_data, m_capacity);
    m_data = nullptr;
    m_size = m_capacity = 0;
}

DrawIndex::DrawIndex(int highest)
    : m_highest(highest), m_words((static_cast<std::size_t>(std::max(highest, 1)) + 33 + 63) / 64) {}

void DrawIndex::add(std::span<const int> draw, std::uint64_t low) {
    std::uint64_t entry[3] = {0, 0, 0};
    for (const int number : draw) {
        const auto bit = static_cast<std::size_t>(number) + 32;
        entry[m_words - 1 - bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    entry[m_words - 1] |= low;
    std::memcpy(m_entries.extend(entryBytes()), entry, entryBytes());
}

void DrawIndex::addDraw(std::span<const int> draw, std::size_t line) {
    if (line >= 0xFFFFFFFFull) throw Exception("a draw file of more than 4294967294 lines");
    ++m_draws;
    add(draw, kFromFile | line);
}

std::uint32_t DrawIndex::addTable(DBFObject& table) {
    table.refreshHeader();
    const std::uint32_t count = table.recordCount();
    scanDraws(table, 1, count, [&](std::span<const int> draw, std::uint32_t record) {
        // A record with a number outside the game (a damaged one) is no draw a file can repeat.
        if (std::all_of(draw.begin(), draw.end(), [&](int number) { return number >= 1 && number <= m_highest; }))
            add(draw, record);
    });
    return count;
}

FilePlan DrawIndex::plan(bool newestFirst) {
    FilePlan plan;
    plan.highest = m_highest;
    plan.draws = m_draws;
    const std::size_t count = m_entries.size() / entryBytes();
    void* data = m_entries.data();
    switch (m_words) {
        case 1:
            planEntries(static_cast<Entry<1>*>(data), count, newestFirst, plan);
            break;
        case 2:
            planEntries(static_cast<Entry<2>*>(data), count, newestFirst, plan);
            break;
        default:
            planEntries(static_cast<Entry<3>*>(data), count, newestFirst, plan);
            break;
    }
    m_entries.release();
    m_draws = 0;
    std::sort(plan.duplicates.begin(), plan.duplicates.end(),
              [](const Duplicate& a, const Duplicate& b) { return a.line < b.line; });
    for (const Duplicate& duplicate : plan.duplicates)
        plan.skipped.push_back(static_cast<std::uint32_t>(duplicate.line));
    if (newestFirst) std::reverse(plan.duplicates.begin(), plan.duplicates.end());
    return plan;
}

LineReading linesOfFile(int fd, std::string* encoding) {
    // A file that cannot be looked at now reads as changed later: nothing is written from it.
    platform::FileVersion before;
    platform::FileIdentity identity;
    const bool known = platform::versionOf(fd, before) && platform::identityOf(fd, identity);
    return [fd, encoding, before, identity, known](const std::function<void(std::string_view)>& onLine) -> std::string {
        platform::FileVersion now;
        platform::FileIdentity nowIdentity;
        if (!known || !platform::versionOf(fd, now) || !platform::identityOf(fd, nowIdentity) ||
            now.size != before.size || now.modified != before.modified || !(nowIdentity == identity))
            return kSourceChanged;
        if (!platform::seekTo(fd, 0)) return platform::reasonText(platform::lastError());
        return readTextLines(fd, onLine, encoding);
    };
}

LineReading linesOfText(std::string_view text) {
    return [text](const std::function<void(std::string_view)>& onLine) -> std::string {
        for (std::size_t at = 0;;) {
            const std::size_t end = text.find('\n', at);
            onLine(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
            if (end == std::string_view::npos) return {};
            at = end + 1;
        }
    };
}

DrawReplay replayOfLines(LineReading lines, const DrawShape& shape, const std::vector<std::size_t>& columns) {
    return [lines = std::move(lines), shape, columns](const DrawFileParser::DrawVisitor& visit) -> std::string {
        std::ostringstream said;  // the notes and faults were said on the first reading
        DrawFileParser again(shape, columns, said, visit);
        std::string why = lines([&](std::string_view line) { again.feedLine(line); });
        again.finish();
        return why;
    };
}

DrawReplay replayOfFile(int fd, const DrawShape& shape, const std::vector<std::size_t>& columns) {
    return replayOfLines(linesOfFile(fd), shape, columns);
}

void CompactDraws::add(std::span<const int> draw, std::size_t line) {
    std::uint8_t* at = m_bytes.extend(sizeof(std::uint32_t) + m_picks);
    const auto line32 = static_cast<std::uint32_t>(line);
    std::memcpy(at, &line32, sizeof line32);
    for (std::size_t i = 0; i < m_picks; ++i) at[sizeof line32 + i] = static_cast<std::uint8_t>(draw[i]);
}

DrawReplay CompactDraws::replay() const {
    return [this](const DrawFileParser::DrawVisitor& visit) -> std::string {
        std::vector<int> draw(m_picks);
        const std::size_t entry = sizeof(std::uint32_t) + m_picks;
        for (std::size_t at = 0; at + entry <= m_bytes.size(); at += entry) {
            std::uint32_t line = 0;
            std::memcpy(&line, m_bytes.data() + at, sizeof line);
            for (std::size_t i = 0; i < m_picks; ++i) draw[i] = m_bytes.data()[at + sizeof line + i];
            visit(draw, line);
        }
        return {};
    };
}

AppendOutcome appendFresh(DBFObject& table, std::uint32_t readUpTo, const FilePlan& plan, const DrawReplay& replay,
                          bool newestFirst, bool skipDuplicates, std::size_t& appendedSoFar,
                          const std::function<void(std::size_t)>& progress) {
    AppendOutcome outcome;
    // What a killed replacement or copy of this table left beside it goes before this write.
    xb::removeStaleScratchFiles(table.path());
    // Only the records others append meanwhile are kept as keys: the table's own were in the index.
    DrawKeys meanwhile(plan.highest);
    Batches batches(table, meanwhile, readUpTo, skipDuplicates, outcome, appendedSoFar, progress);
    forEachFresh(table, plan, replay, newestFirst,
                 [&](std::string_view record, std::uint32_t line) { batches.add(record, line); });
    batches.flush();
    return outcome;
}

bool replaceWithFresh(DBFObject& table, const FilePlan& plan, const DrawReplay& replay, bool newestFirst,
                      const std::function<bool(std::size_t written)>& goOn) {
    return writeReplacement(
        table, plan.fresh(),
        [&](const std::function<void(std::string_view)>& write) {
            forEachFresh(table, plan, replay, newestFirst,
                         [&](std::string_view record, std::uint32_t) { write(record); });
        },
        goOn);
}

bool holdsOnlySyntheticDraws(DBFObject& table, const Game& game) {
    table.refreshHeader();
    // A table that cannot be a sample is not read at all, and one that is not is read only up to
    // its first record that differs: the import dialog asks as it opens, over any table.
    const std::uint32_t count = table.recordCount();
    if (count == 0 || table.fieldCount() != game.fieldsPerDraw) return false;
    struct Differs {};
    SyntheticDraws synthetic(game);
    std::uint32_t seen = 0;
    try {
        scanDraws(table, 1, count, [&](std::span<const int> draw, std::uint32_t record) {
            const std::vector<int> expected = synthetic.next();
            if (record != ++seen || !std::equal(draw.begin(), draw.end(), expected.begin(), expected.end()))
                throw Differs{};
        });
    } catch (const Differs&) {
        return false;
    }
    return seen == count;
}

std::unique_ptr<DBFObject> openTableToImport(const std::string& path, bool shared) {
    constexpr auto kRetryInterval = std::chrono::milliseconds(20);
    const auto patience = XBO_dBaseDBF::appendPatience();
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        try {
            return std::make_unique<DBFObject>(path, "", /*readWrite=*/true, shared);
        } catch (const EXbaseError& refusal) {
            if (refusal.Code() != static_cast<int>(platform::code::kSharingViolation)) throw;
            if (std::chrono::steady_clock::now() >= deadline) {
                const auto seconds = std::chrono::duration<double>(patience).count();
                std::ostringstream waited;
                waited << "waited " << seconds << " s: another program still holds the table "
                       << (shared ? "to itself (a pack or a replacement)" : "open") << ", nothing imported";
                throw EXbaseError(refusal, waited.str());
            }
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

void setRecordsPerBatch(std::size_t records) { g_recordsPerBatch = records; }

TableKeys tableKeysOf(DBFObject& table, int highest, std::span<const int> only) {
    table.refreshHeader();
    TableKeys known{DrawKeys(highest), table.recordCount()};
    if (only.empty()) {
        scanDraws(table, 1, known.readUpTo,
                  [&](std::span<const int> draw, std::uint32_t record) { known.keys.add(draw, record); });
        return known;
    }
    // Most records part from the wanted draw at their first number or two: a bit per wanted
    // number tells that before the record is read whole or a key is made.
    NumberSet wanted;
    for (const int number : only) wanted.add(number);
    scanDraws(
        table, 1, known.readUpTo,
        [&](std::span<const int> draw, std::uint32_t record) {
            if (std::all_of(draw.begin(), draw.end(), [&](int number) { return wanted.has(number); }))
                known.keys.add(draw, record);
        },
        &wanted);
    return known;
}

TableHolds whatTableHolds(const Game& game, const std::string& path) {
    try {
        DBFObject table(path, "", false, true);
        if (table.recordCount() == 0) return TableHolds::kNothing;
        return holdsOnlySyntheticDraws(table, game) ? TableHolds::kSamples : TableHolds::kOwnDraws;
    } catch (const Exception&) {
        return TableHolds::kOwnDraws;
    }
}

}  // namespace history
