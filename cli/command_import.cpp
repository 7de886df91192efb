// `sharometr-cli import FILE CSV [--columns LIST] [--skip-duplicates] [--newest-first] [--replace]
// [--dry-run]`
// and `add FILE N1 N2 ...`: draws appended to a draw table, or put in place of its draws. Every
// draw is checked, and compared with the table's draws and with the draws before it, before the
// first one is written, so that a mistake changes nothing; the history layer does the work.
#include <map>
#include <sstream>
#include <span>
#include <ostream>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "history/archive_files.h"
#include "history/draw_file.h"
#include "history/draw_tables.h"
#include "cli/options.h"
#include "cli/game_table.h"
#include "history/import.h"
#include "history/table_draws.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"

namespace cli {

using history::checkDraw;
using history::DrawFileParser;
using history::DrawShape;
using history::drawShapeOf;
using history::DrawSource;
using history::parseColumnList;

namespace {

struct OpenDrawTable {
    std::unique_ptr<DBFObject> table;
    DrawShape shape;
};

// The table, opened shared for writing, with the shape of its draws; nullopt (the reason on
// `err`) when it is no draw table.
std::optional<OpenDrawTable> openDrawTable(const std::string& file, std::ostream& err, bool shared = true) {
    auto table = history::openTableToImport(file, shared);
    useGamesBeside(table->path(), err);
    std::string why;
    auto shape = drawShapeOf(*table, why);
    if (!shape) {
        err << why << '\n';
        return std::nullopt;
    }
    return OpenDrawTable{std::move(table), std::move(*shape)};
}

std::string numbersOf(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) text += (text.empty() ? "" : " ") + std::to_string(number);
    return text;
}

// What `--dry-run` prints: the reading of the file as the import window's preview shows it.
struct DryRun {
    std::string encoding;
    std::string header = "none";
    std::size_t badLines = 0;
    history::Draw first, last;  // in the order of the file

    void print(std::ostream& out, const DrawFileParser& parser, std::size_t picks, bool newestFirst,
               std::size_t fresh) const {
        using Fields = DrawFileParser::Fields;
        const history::DrawLayout& layout = parser.layout();
        const std::vector<std::size_t>& fields = parser.drawFields();
        out << "encoding: " << encoding << "\nheader: " << header << "\nnumbers: ";
        switch (parser.fieldsFrom()) {
            case Fields::kGiven:
            case Fields::kNamedByHeader: {
                std::string list;
                for (const std::size_t field : fields) list += (list.empty() ? "" : ",") + std::to_string(field);
                out << (fields.size() == 1 ? "field " : "fields ") << list
                    << (parser.fieldsFrom() == Fields::kGiven ? ", as given" : ", named by the header");
                break;
            }
            case Fields::kAmbiguous:
                out << history::fieldsText(layout.firstField, layout.lastField) << " or "
                    << history::fieldsText(layout.otherFirst, layout.otherLast) << ": --columns says which";
                break;
            case Fields::kEveryNumber:
                out << "every number of the line";
                break;
            case Fields::kFound:
                out << (layout.oneField ? "a run of " + std::to_string(picks) + " numbers in the line"
                                        : history::fieldsText(layout.firstField, layout.lastField))
                    << ", found: the draw stands there in " << layout.linesWithDraw << " of the first " << layout.lines
                    << " lines";
                break;
        }
        const history::DrawOrder order = parser.order();
        out << "\norder: "
            << (order == history::DrawOrder::kNewestFirst   ? "newest first, by " + parser.orderColumn()
                : order == history::DrawOrder::kOldestFirst ? "oldest first, by " + parser.orderColumn()
                : parser.drawCount() < 2                    ? std::string("unknown: fewer than two draws")
                : parser.orderColumn().empty()              ? std::string("unknown: no draw numbers or dates")
                                                            : "unknown: " + parser.orderColumn() + " runs both ways")
            << "\ndraws to import: " << fresh << "\nbad lines: " << badLines << '\n';
        if (parser.drawCount() > 0) {
            const history::Draw& firstIn = newestFirst ? last : first;
            const history::Draw& lastIn = newestFirst ? first : last;
            out << "first draw: " << numbersOf(firstIn.numbers) << " (line " << firstIn.line << ")\n"
                << "last draw: " << numbersOf(lastIn.numbers) << " (line " << lastIn.line << ")\n";
        }
        out << "nothing written (--dry-run)\n";
    }
};

std::string sameDrawAs(std::uint32_t record, std::size_t line) {
    return record != 0 ? "the same draw as record " + std::to_string(record)
                       : "the same draw as line " + std::to_string(line);
}

}  // namespace

// The steps of an import in the order its messages come: the options, the table, every line of
// the file checked, its order, the duplicates, and only then the appends (or the replacement).
int commandImport(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(
        args, {{"--columns", "LIST"}, {"--skip-duplicates"}, {"--newest-first"}, {"--replace"}, {"--dry-run"}});
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
    const bool newestFirst = line.has("--newest-first");
    const bool replace = line.has("--replace");
    const bool dryRun = line.has("--dry-run");

    // Replacing needs the table to itself, as pack does.
    auto opened = openDrawTable(file, err, /*shared=*/!replace);
    if (!opened) return kExitFailure;
    DBFObject& table = *opened->table;
    if (!columns.empty() && columns.size() != opened->shape.picks() && columns.size() != 1)
        throw UsageError("--columns names " + counted(columns.size(), "field") + ", the table has " +
                         std::to_string(opened->shape.picks()));

    // A spreadsheet or a page comes in as its table's rows, read again from that text.
    std::string format, refused;
    const std::optional<std::string> sheet =
        drawFile == "-" ? std::nullopt : history::archiveText(drawFile, format, refused);
    if (!refused.empty()) {
        err << "cannot read " << drawFile << ": " << refused << '\n';
        return kExitFailure;
    }
    DrawSource source;
    if (const std::string why = sheet ? std::string() : source.open(drawFile); !why.empty()) {
        err << why << '\n';
        return kExitFailure;
    }
    // The draws are not kept: each becomes one entry of the index, and the file is read again to
    // write them. A source that cannot be read twice keeps a compact copy of its draws instead.
    const int highest = opened->shape.highest;
    const bool readTwice = sheet || drawFile != "-" || source.isRegularFile();
    const history::DrawReplay fromFile =
        sheet       ? history::replayOfLines(history::linesOfText(*sheet), opened->shape, columns)
        : readTwice ? history::replayOfFile(source.fd(), opened->shape, columns)
                    : history::DrawReplay();
    history::CompactDraws kept(opened->shape.picks());
    history::DrawIndex index(highest);
    DryRun preview;
    // The reader's notes pass through, counted for the dry run as they go.
    struct Notes : std::stringbuf {
        std::ostream& to;
        DryRun& preview;
        Notes(std::ostream& err, DryRun& dry) : to(err), preview(dry) {}
        int sync() override {
            std::string text = str();
            const std::size_t end = text.rfind('\n');
            if (end == std::string::npos) return 0;  // a note is judged whole
            std::istringstream lines(text.substr(0, end + 1));
            for (std::string note; std::getline(lines, note);) {
                if (note.starts_with("skipped header line "))
                    preview.header = "line " + note.substr(20) + " skipped";
                else if (note.starts_with("line "))
                    ++preview.badLines;
                to << note << '\n';
            }
            str(text.substr(end + 1));
            return 0;
        }
    } notesBuffer(err, preview);
    std::ostream notes(&notesBuffer);
    notes << std::unitbuf;
    DrawFileParser parser(opened->shape, columns, notes, [&](std::span<const int> numbers, std::size_t at) {
        index.addDraw(numbers, at);
        if (!readTwice) kept.add(numbers, at);
        if (!dryRun) return;
        history::Draw& end = preview.first.line == 0 ? preview.first : preview.last;
        end.numbers.assign(numbers.begin(), numbers.end());
        end.line = at;
        if (&end == &preview.first) preview.last = end;
    });
    const auto feed = [&](std::string_view text) { parser.feedLine(text); };
    if (sheet) preview.encoding = "none, a " + format + " table";
    if (const std::string why =
            sheet ? history::linesOfText(*sheet)(feed) : history::readTextLines(source.fd(), feed, &preview.encoding);
        !why.empty()) {
        err << (drawFile == "-" ? std::string("standard input") : drawFile) << ": " << why << '\n';
        err << "nothing appended\n";
        return kExitFailure;
    }
    parser.finish();
    if (!parser.byteEncoding().empty()) preview.encoding = parser.byteEncoding();
    const auto dryRunOf = [&](bool turned, std::size_t fresh) {
        preview.print(out, parser, opened->shape.picks(), turned, fresh);
        return kExitFailure;
    };
    if (parser.faulty()) {
        if (dryRun) dryRunOf(newestFirst || parser.order() == history::DrawOrder::kNewestFirst, 0);
        err << "nothing appended\n";
        return kExitFailure;
    }
    // Archives list the newest draw first; appended as it stands, such a file would make the
    // oldest draw the latest of every analysis.
    const history::DrawOrder order = parser.order();
    if (dryRun && !newestFirst && order == history::DrawOrder::kNewestFirst) {
        // The preview shows the draws as --newest-first would bring them in.
        const history::FilePlan plan = index.plan(true);
        dryRunOf(true, plan.fresh());
        err << parser.orderColumn() << " runs downwards, the newest draw first; --newest-first imports such a file "
            << "oldest first\n";
        return kExitFailure;
    }
    if (order == history::DrawOrder::kNewestFirst && !newestFirst) {
        err << parser.orderColumn() << " runs downwards, the newest draw first; --newest-first imports "
            << "such a file oldest first\nnothing appended\n";
        return kExitFailure;
    }
    if (order == history::DrawOrder::kOldestFirst && newestFirst) {
        err << "--newest-first, but " << parser.orderColumn() << " runs upwards, the oldest draw first\n"
            << "nothing appended\n";
        return kExitFailure;
    }

    // A draw met before, in the table or higher up in the file, is most likely one imported twice.
    const std::uint32_t readUpTo = replace ? 0 : index.addTable(table);
    const history::FilePlan plan = index.plan(newestFirst);
    const history::DrawReplay replay = readTwice ? fromFile : kept.replay();
    for (const history::Duplicate& duplicate : plan.duplicates) {
        err << "line " << duplicate.line << ": " << sameDrawAs(duplicate.record, duplicate.earlierLine)
            << (skipDuplicates ? ", skipped" : "") << '\n';
    }
    if (dryRun) {
        dryRunOf(newestFirst, plan.fresh());
        return plan.duplicates.empty() || skipDuplicates ? kExitOk : kExitFailure;
    }
    if (!plan.duplicates.empty() && !skipDuplicates) {
        err << "nothing appended (--skip-duplicates leaves duplicates out)\n";
        return kExitFailure;
    }

    if (replace) {
        const std::uint32_t before = table.recordCount();
        try {
            history::replaceWithFresh(table, plan, replay, newestFirst);
        } catch (const Exception& error) {
            // The engine names the new file; the user wants to know about the table.
            err << error.Message() << '\n' << table.path() << " is left as it was\n";
            return kExitFailure;
        }
        out << "replaced " << counted(before, "record") << " with " << counted(plan.fresh(), "draw");
        if (skipDuplicates) out << ", " << counted(plan.duplicates.size(), "duplicate") << " skipped";
        out << '\n';
        return kExitOk;
    }

    // A batch counts once its append has returned: each is written whole or not at all, so the
    // count is exactly what the table gained.
    std::size_t appended = 0;
    history::AppendOutcome outcome;
    try {
        outcome = history::appendFresh(table, readUpTo, plan, replay, newestFirst, skipDuplicates, appended);
    } catch (const Exception&) {
        if (appended > 0) out << "appended " << counted(appended, "draw") << " of " << plan.fresh() << '\n';
        throw;
    }
    for (const history::Duplicate& duplicate : outcome.meanwhile) {
        err << "line " << duplicate.line << ": " << sameDrawAs(duplicate.record, 0) << ", appended meanwhile"
            << (skipDuplicates ? ", skipped" : "") << '\n';
    }
    if (outcome.stopped) {
        err << (appended > 0 ? "nothing more appended" : "nothing appended")
            << " (--skip-duplicates leaves duplicates out)\n";
        if (appended > 0) out << "appended " << counted(appended, "draw") << " of " << plan.fresh() << '\n';
        return kExitFailure;
    }
    out << "appended " << counted(appended, "draw");
    if (skipDuplicates)
        out << ", " << counted(plan.duplicates.size() + outcome.meanwhile.size(), "duplicate") << " skipped";
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
    // The table's draws read first, and again under the append lock for those appended since.
    // The one draw goes the way of an import's second reading: a file of one line, no duplicate.
    const history::TableKeys known = history::tableKeysOf(*opened->table, opened->shape.highest, draw);
    history::FilePlan plan;
    plan.highest = opened->shape.highest;
    plan.draws = 1;
    const history::DrawReplay typed = [&](const DrawFileParser::DrawVisitor& visit) {
        visit(draw, 1);
        return std::string();
    };
    std::size_t appended = 0;
    const std::uint32_t record = known.keys.find(draw);
    const history::AppendOutcome outcome =
        record != 0 ? history::AppendOutcome{}
                    : history::appendFresh(*opened->table, known.readUpTo, plan, typed, false, false, appended);
    if (record != 0 || outcome.stopped) {
        err << sameDrawAs(record != 0 ? record : outcome.meanwhile.front().record, 0) << ", nothing appended\n";
        return kExitFailure;
    }
    out << "appended record " << opened->table->currentRecord() << '\n';
    return kExitOk;
}

}  // namespace cli
