// `sharometr-cli import FILE CSV [--columns LIST] [--skip-duplicates]` and `add FILE N1 N2 ...`:
// draws appended to a draw table. Every draw is checked, and compared with the table's draws and
// with the draws before it, before the first one is written, so that a mistake changes nothing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <ostream>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/draw_file.h"
#include "cli/draw_tables.h"
#include "cli/options.h"
#include "cli/game_table.h"
#include "cli/table_draws.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"

namespace cli {

namespace {

// Closes the draw file, unless it is standard input.
class DrawSource {
public:
    DrawSource() = default;
    ~DrawSource() {
        if (m_fd > 0) ::close(m_fd);
    }
    DrawSource(const DrawSource&) = delete;
    DrawSource& operator=(const DrawSource&) = delete;

    // Standard input for "-"; otherwise the file, which must be a regular one: a FIFO with no
    // writer or a terminal device would keep the command waiting, /dev/zero would never end.
    // Gives why it cannot be read, or "".
    std::string open(const std::string& path) {
        if (path == "-") {
            m_fd = STDIN_FILENO;
            return {};
        }
        // O_NONBLOCK: opening a FIFO would otherwise wait for a writer before the check below.
        m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || S_ISDIR(st.st_mode)) return "cannot read " + path;
        if (!S_ISREG(st.st_mode)) return "cannot read " + path + ": not a regular file";
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        return {};
    }

    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

struct OpenDrawTable {
    std::unique_ptr<DBFObject> table;
    DrawShape shape;
};

// The table, opened shared for writing, with the shape of its draws; nullopt (the reason on
// `err`) when it is no draw table.
std::optional<OpenDrawTable> openDrawTable(const std::string& file, std::ostream& err) {
    auto table = std::make_unique<DBFObject>(file, "", /*readWrite=*/true, /*shared=*/true);
    useGamesBeside(table->path(), err);
    std::string why;
    auto shape = drawShapeOf(*table, why);
    if (!shape) {
        err << why << '\n';
        return std::nullopt;
    }
    return OpenDrawTable{std::move(table), std::move(*shape)};
}

std::string sameDrawAs(const std::optional<std::uint64_t>& record, std::size_t line) {
    return record ? "the same draw as record " + std::to_string(*record)
                  : "the same draw as line " + std::to_string(line);
}

}  // namespace

// The steps of an import in the order its messages come: the options, the table, every line of
// the file checked, and only then the appends.
int commandImport(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--columns", "LIST"}, {"--skip-duplicates"}});
    const std::string& file = line.positional(0, "FILE");
    const std::string& drawFile = line.positional(1, "CSV");
    line.noMoreThan(2);
    std::vector<std::size_t> columns;
    if (const auto list = line.value("--columns")) {
        const auto parsed = parseColumnList(*list);
        if (!parsed) throw UsageError("--columns wants field numbers such as 3-8 or 2,4,6-9, not '" + *list + "'");
        columns = *parsed;
    }
    const bool skipDuplicates = line.has("--skip-duplicates");

    auto opened = openDrawTable(file, err);
    if (!opened) return kExitFailure;
    DBFObject& table = *opened->table;
    if (!columns.empty() && columns.size() != opened->shape.picks())
        throw UsageError("--columns names " + counted(columns.size(), "field") + ", the table has " +
                         std::to_string(opened->shape.picks()));

    DrawSource source;
    if (const std::string why = source.open(drawFile); !why.empty()) {
        err << why << '\n';
        return kExitFailure;
    }
    DrawFileParser parser(opened->shape, columns, err);
    if (const std::string why = readLines(source.fd(), [&](std::string_view text) { parser.feedLine(text); });
        !why.empty()) {
        err << (drawFile == "-" ? std::string("standard input") : drawFile) << ": " << why << '\n';
        err << "nothing appended\n";
        return kExitFailure;
    }
    if (parser.faulty()) {
        err << "nothing appended\n";
        return kExitFailure;
    }

    // A draw met before, in the table or higher up in the file, is most likely one imported twice.
    const KnownDraws known(table);
    std::map<std::vector<int>, std::size_t> inFile;
    std::vector<const std::vector<int>*> draws;
    std::size_t duplicates = 0;
    for (const auto& draw : parser.draws()) {
        const auto record = known.recordOf(draw.numbers);
        const auto [earlier, first] = inFile.emplace(KnownDraws::key(draw.numbers), draw.line);
        if (record || !first) {
            ++duplicates;
            err << "line " << draw.line << ": " << sameDrawAs(record, earlier->second)
                << (skipDuplicates ? ", skipped" : "") << '\n';
        } else {
            draws.push_back(&draw.numbers);
        }
    }
    if (duplicates > 0 && !skipDuplicates) {
        err << "nothing appended (--skip-duplicates leaves duplicates out)\n";
        return kExitFailure;
    }

    // A draw counts once its append has returned: the engine's append either completes or
    // leaves the file as it was, so the count is exactly what the table gained.
    std::size_t appended = 0;
    try {
        for (const auto* draw : draws) {
            appendDraw(table, *draw);
            ++appended;
        }
    } catch (const Exception&) {
        if (appended > 0) out << "appended " << counted(appended, "draw") << " of " << draws.size() << '\n';
        throw;
    }
    out << "appended " << counted(appended, "draw");
    if (skipDuplicates) out << ", " << counted(duplicates, "duplicate") << " skipped";
    out << '\n';
    return kExitOk;
}

int commandAdd(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {});
    const std::string& file = line.positional(0, "FILE");
    line.positional(1, "N1");
    const std::vector<std::string> words(line.positionals().begin() + 1, line.positionals().end());

    auto opened = openDrawTable(file, err);
    if (!opened) return kExitFailure;
    std::vector<int> draw;
    if (const auto fault = checkDraw(words, opened->shape, draw)) {
        err << *fault << '\n';
        return kExitFailure;
    }
    if (const auto record = KnownDraws(*opened->table).recordOf(draw)) {
        err << sameDrawAs(record, 0) << ", nothing appended\n";
        return kExitFailure;
    }
    appendDraw(*opened->table, draw);
    out << "appended record " << opened->table->currentRecord() << '\n';
    return kExitOk;
}

}  // namespace cli
