// The window's import in steps, each opening the table on the thread that runs it.
#include "history/table_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "dbf/table_handler.h"
#include "platform/exception.h"

namespace history {

namespace {

constexpr std::size_t kLinesPerLook = 16384;  // lines between two looks at whether to stop

struct Stopped {};

// Closes the descriptor however the reading ends.
class OpenFile {
public:
    explicit OpenFile(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~OpenFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

DrawText readDrawText(const std::string& path, const ImportProgress& progress) {
    DrawText text;
    const OpenFile file(path);
    struct stat st {};
    if (file.fd() < 0 || ::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode)) {
        text.outcome = DrawText::Outcome::kUnopened;
        return text;
    }
    // The bytes the reader has taken from the file tell how far it is, whatever the encoding.
    const auto total = static_cast<std::int64_t>(st.st_size);
    const auto goOn = [&] {
        const off_t at = ::lseek(file.fd(), 0, SEEK_CUR);
        return !progress ||
               progress(ImportStage::kReading, std::min<std::int64_t>(std::max<off_t>(at, 0), total), total);
    };
    try {
        if (!goOn()) throw Stopped{};
        text.why = readTextLines(
            file.fd(),
            [&](std::string_view line) {
                text.lines.emplace_back(line);
                if (text.lines.size() % kLinesPerLook == 0 && !goOn()) throw Stopped{};
            },
            &text.encoding);
    } catch (const Stopped&) {
        text.lines.clear();
        text.outcome = DrawText::Outcome::kStopped;
        return text;
    }
    if (!text.why.empty()) {
        text.lines.clear();
        text.outcome = DrawText::Outcome::kUnread;
    }
    return text;
}

bool ImportCheck::allowsImport(bool skipDuplicates) const {
    return fresh > 0 && !faulty && (duplicates.empty() || skipDuplicates);
}

// What a check leaves for the write: the parser owns the draws the plan points into.
struct TableImport::Parsed {
    std::ostringstream notes;
    DrawFileParser parser;
    TableKeys known;
    ImportPlan plan;

    Parsed(const DrawShape& shape, const std::vector<std::size_t>& columns)
        : parser(shape, columns, notes), known{DrawKeys(shape.highest), 0} {}
};

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

bool TableImport::check(const std::vector<std::string>& lines, const ImportChoices& choices,
                        const ImportProgress& progress) {
    DBFObject table(m_path, "", false, true);
    return checkIn(table, lines, choices, progress);
}

std::optional<ImportWritten> TableImport::write(const std::vector<std::string>& lines, const ImportChoices& choices,
                                                const ImportProgress& progress) {
    // Replacing needs the table to itself; appending shares it.
    DBFObject table(m_path, "", true, !choices.replace);
    if (!checkIn(table, lines, choices, progress)) return std::nullopt;
    ImportWritten written;
    if (!m_checked.allowsImport(choices.skipDuplicates)) return written;
    const std::vector<const Draw*>& fresh = m_parsed->plan.fresh;
    const auto total = static_cast<std::int64_t>(fresh.size());
    const auto tell = [&](ImportStage stage, std::size_t done) {
        return !progress || progress(stage, static_cast<std::int64_t>(done), total);
    };
    if (choices.replace) {
        written.recordsBefore = table.recordCount();
        if (!tell(ImportStage::kWriting, 0)) return std::nullopt;
        // The last batch's answer is the last say before the new table takes the old one's place.
        const bool placed = replaceDraws(table, fresh, [&](std::size_t done) {
            return tell(done < fresh.size() ? ImportStage::kWriting : ImportStage::kCommitting, done);
        });
        if (!placed) return std::nullopt;
        written.replaced = true;
        written.count = fresh.size();
    } else {
        // The appends go in batches, each whole under the append lock: once begun they go to the end.
        if (!tell(ImportStage::kCommitting, 0)) return std::nullopt;
        std::size_t appended = 0;
        AppendOutcome outcome = appendDraws(table, m_parsed->known, fresh, true, appended,
                                            [&](std::size_t soFar) { tell(ImportStage::kCommitting, soFar); });
        written.count = appended;
        written.meanwhile = std::move(outcome.meanwhile);
    }
    written.written = true;
    return written;
}

bool TableImport::checkIn(DBFObject& table, const std::vector<std::string>& lines, const ImportChoices& choices,
                          const ImportProgress& progress) {
    std::unique_ptr<Parsed>& parsed = m_parsed;
    ImportCheck& checked = m_checked;
    const auto tell = [&](std::size_t done, std::size_t total) {
        return !progress ||
               progress(ImportStage::kChecking, static_cast<std::int64_t>(done), static_cast<std::int64_t>(total));
    };
    checked = ImportCheck{};
    parsed.reset();
    if (!tell(0, lines.size())) return false;
    std::string why;
    const auto shape = drawShapeOf(table, why);
    if (!shape) throw Exception(why);
    auto made = std::make_unique<Parsed>(*shape, choices.columns);
    DrawFileParser& parser = made->parser;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        parser.feedLine(lines[i]);
        if ((i + 1) % kLinesPerLook == 0 && !tell(i + 1, lines.size())) return false;
    }
    parser.finish();

    checked.picks = shape->picks();
    std::istringstream noteLines(made->notes.str());
    for (std::string note; std::getline(noteLines, note);) checked.notes.push_back(note);
    checked.faulty = parser.faulty();
    checked.order = parser.order();
    checked.orderColumn = parser.orderColumn();
    checked.newestFirst = choices.newestFirst.value_or(checked.order == DrawOrder::kNewestFirst);
    if (checked.newestFirst) parser.reverseDraws();

    // The table's own draws, when they stay: a block scan whose length is not told.
    if (!choices.replace && !parser.draws().empty()) {
        if (!tell(0, 0)) return false;
        made->known = tableKeysOf(table, shape->highest);
    }
    if (!tell(lines.size(), lines.size())) return false;
    made->plan = planImport(made->known.keys, parser.draws(), shape->highest);
    checked.duplicates = made->plan.duplicates;
    checked.fresh = made->plan.fresh.size();
    if (!made->plan.fresh.empty()) {
        checked.first = *made->plan.fresh.front();
        checked.last = *made->plan.fresh.back();
    }
    parsed = std::move(made);
    return true;
}

}  // namespace history
