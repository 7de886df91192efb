// The window's import in steps, each opening the table on the thread that runs it.
#include "history/table_import.h"

#include <algorithm>
#include <deque>
#include <sstream>

#include "dbf/table_handler.h"
#include "platform/exception.h"
#include "platform/os_file.h"

namespace history {

namespace {

constexpr std::size_t kLinesPerLook = 16384;  // lines between two looks at whether to stop
constexpr std::size_t kLastDrawsKept = 256;   // the reading's last draws, where the last to go in mostly is

struct Stopped {};

bool hasContent(std::string_view line) {
    const std::size_t at = line.find_first_not_of(" \t\r");
    return at != std::string_view::npos && line[at] != '#';
}

}  // namespace

std::unique_ptr<ImportText> ImportText::openFile(const std::string& path) {
    const platform::Handle fd = platform::openRegularFile(path);
    if (fd == platform::kNoHandle) return nullptr;
    std::uint64_t size = 0;
    if (!platform::fileSize(fd, size)) {
        platform::closeFile(fd);
        return nullptr;
    }
    return std::unique_ptr<ImportText>(new ImportText(fd, static_cast<std::int64_t>(size)));
}

ImportText::ImportText(int fd, std::int64_t size) : m_fd(fd), m_size(size), m_lines(linesOfFile(fd, &m_encoding)) {}

ImportText::ImportText(std::string text)
    : m_text(std::move(text)), m_size(static_cast<std::int64_t>(m_text.size())), m_lines(linesOfText(m_text)) {}

ImportText::~ImportText() {
    if (m_fd >= 0) platform::closeFile(m_fd);
}

std::string ImportText::read(const std::function<void(std::string_view)>& onLine) const {
    m_at = 0;
    m_encoding.clear();
    if (fromFile()) return m_lines(onLine);
    return m_lines([&](std::string_view line) {
        m_at += static_cast<std::int64_t>(line.size()) + 1;
        onLine(line);
    });
}

std::int64_t ImportText::position() const {
    if (!fromFile()) return std::min(m_at, m_size);
    // The bytes the reader has taken from the file tell how far it is, whatever the encoding.
    std::uint64_t at = 0;
    platform::positionOf(m_fd, at);
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(at), 0, m_size);
}

bool ImportCheck::allowsImport(bool skipDuplicates) const {
    return unread.empty() && fresh > 0 && !faulty && (duplicates.empty() || skipDuplicates);
}

TableImport::TableImport(std::string tablePath) : m_path(std::move(tablePath)) {}

TableImport::~TableImport() = default;

DrawShape TableImport::shape() const {
    DBFObject table(m_path, "", false, true);
    std::string why;
    auto shape = drawShapeOf(table, why);
    if (!shape) throw Exception(why);
    return *shape;
}

std::uint32_t TableImport::syntheticDraws(const Game& game) const {
    DBFObject table(m_path, "", false, true);
    return holdsOnlySyntheticDraws(table, game) ? table.recordCount() : 0;
}

bool TableImport::check(const ImportText& text, const ImportChoices& choices, const ImportProgress& progress) {
    DBFObject table(m_path, "", false, true);
    return checkIn(table, text, choices, progress);
}

std::optional<ImportWritten> TableImport::write(const ImportText& text, const ImportChoices& choices,
                                                const ImportProgress& progress) {
    // Replacing needs the table to itself; appending shares it.
    const std::unique_ptr<DBFObject> opened = openTableToImport(m_path, !choices.replace);
    DBFObject& table = *opened;
    if (!checkIn(table, text, choices, progress)) return std::nullopt;
    ImportWritten written;
    if (!m_checked.allowsImport(choices.skipDuplicates)) return written;
    const std::size_t fresh = m_plan.fresh();
    const auto total = static_cast<std::int64_t>(fresh);
    const auto tell = [&](ImportStage stage, std::size_t done) {
        return !progress || progress(stage, static_cast<std::int64_t>(done), total);
    };
    // The second reading: the text read again, its duplicates left out as the check found them.
    const DrawReplay replay = replayOfLines(text.lines(), m_shape, choices.columns);
    std::size_t appended = 0;
    try {
        if (choices.replace) {
            written.recordsBefore = table.recordCount();
            if (!tell(ImportStage::kWriting, 0)) return std::nullopt;
            // The last batch's answer is the last say before the new table takes the old one's place.
            const bool placed = replaceWithFresh(table, m_plan, replay, m_checked.newestFirst, [&](std::size_t done) {
                return tell(done < fresh ? ImportStage::kWriting : ImportStage::kCommitting, done);
            });
            if (!placed) return std::nullopt;
            written.replaced = true;
            written.count = fresh;
        } else {
            // The appends go in batches, each whole under the append lock: once begun they go to the end.
            if (!tell(ImportStage::kCommitting, 0)) return std::nullopt;
            AppendOutcome outcome =
                appendFresh(table, m_readUpTo, m_plan, replay, m_checked.newestFirst, true, appended,
                            [&](std::size_t soFar) { tell(ImportStage::kCommitting, soFar); });
            written.count = appended;
            written.meanwhile = std::move(outcome.meanwhile);
        }
    } catch (const SourceChanged&) {
        // A replacement leaves the old table whole; appends keep the batches that went in.
        written.changed = true;
        written.count = appended;
        return written;
    }
    written.written = true;
    return written;
}

bool TableImport::checkIn(DBFObject& table, const ImportText& text, const ImportChoices& choices,
                          const ImportProgress& progress) {
    ImportCheck& checked = m_checked;
    checked = ImportCheck{};
    m_plan = FilePlan{};
    m_readUpTo = 0;
    const ImportStage reading = text.fromFile() ? ImportStage::kReading : ImportStage::kChecking;
    const std::int64_t total = text.size();
    const auto tell = [&](ImportStage stage, std::int64_t done, std::int64_t of) {
        return !progress || progress(stage, done, of);
    };
    if (!tell(reading, 0, total)) return false;
    std::string why;
    const auto shape = drawShapeOf(table, why);
    if (!shape) throw Exception(why);
    m_shape = *shape;
    checked.picks = shape->picks();

    // The first reading: each draw one entry of the index, the last few kept whole for the preview.
    std::ostringstream notes;
    DrawIndex index(shape->highest);
    std::deque<Draw> lastRead;
    DrawFileParser parser(*shape, choices.columns, notes, [&](std::span<const int> draw, std::size_t line) {
        index.addDraw(draw, line);
        if (lastRead.size() == kLastDrawsKept) lastRead.pop_front();
        lastRead.push_back({std::vector<int>(draw.begin(), draw.end()), line});
    });
    std::size_t lines = 0;
    try {
        checked.unread = text.read([&](std::string_view line) {
            if (checked.firstLine.empty() && hasContent(line)) checked.firstLine = line;
            parser.feedLine(line);
            if (++lines % kLinesPerLook == 0 && !tell(reading, text.position(), total)) throw Stopped{};
        });
    } catch (const Stopped&) {
        return false;
    }
    // A file read byte by byte may still have been in a single-byte Russian encoding.
    checked.encoding = parser.byteEncoding().empty() ? text.encoding() : parser.byteEncoding();
    if (!checked.unread.empty()) return true;  // nothing to import: the check says why
    parser.finish();

    std::istringstream noteLines(notes.str());
    for (std::string note; std::getline(noteLines, note);) checked.notes.push_back(note);
    checked.faulty = parser.faulty();
    checked.order = parser.order();
    checked.orderColumn = parser.orderColumn();
    checked.fieldsFrom = parser.fieldsFrom();
    checked.fields = parser.drawFields();
    checked.layout = parser.layout();
    checked.newestFirst = choices.newestFirst.value_or(checked.order == DrawOrder::kNewestFirst);

    // The table's own draws, when they stay: a block scan whose length is not told.
    if (!choices.replace && parser.drawCount() > 0) {
        if (!tell(ImportStage::kChecking, 0, 0)) return false;
        m_readUpTo = index.addTable(table);
    }
    if (!tell(ImportStage::kChecking, total, total)) return false;
    m_plan = index.plan(checked.newestFirst);
    checked.duplicates = m_plan.duplicates;
    checked.fresh = m_plan.fresh();
    findFirstAndLast(text, choices, std::vector<Draw>(lastRead.begin(), lastRead.end()));
    return true;
}

void TableImport::findFirstAndLast(const ImportText& text, const ImportChoices& choices,
                                   std::span<const Draw> lastRead) {
    if (m_checked.fresh == 0) return;
    Draw& first = m_checked.first;
    Draw& last = m_checked.last;
    first.line = m_checked.newestFirst ? m_plan.highestFresh : m_plan.lowestFresh;
    last.line = m_checked.newestFirst ? m_plan.lowestFresh : m_plan.highestFresh;
    const auto take = [&](std::span<const int> numbers, std::size_t line) {
        for (Draw* wanted : {&first, &last})
            if (wanted->line == line) wanted->numbers.assign(numbers.begin(), numbers.end());
    };
    for (const Draw& draw : lastRead) take(draw.numbers, draw.line);
    if (!first.numbers.empty() && !last.numbers.empty()) return;
    // Further up the text: read again up to the line, which mostly is one of the first.
    const std::size_t upTo = std::max(first.numbers.empty() ? first.line : 0, last.numbers.empty() ? last.line : 0);
    try {
        const std::string why =
            replayOfLines(text.lines(), m_shape, choices.columns)([&](std::span<const int> numbers, std::size_t line) {
                take(numbers, line);
                if (line >= upTo) throw Stopped{};
            });
        if (!why.empty()) m_checked.unread = why;
    } catch (const Stopped&) {
    }
}

}  // namespace history
