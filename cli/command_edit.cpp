// `sharometr-cli set FILE RECNO FIELD=VALUE... [--force]`, `delete FILE RECNO`, `recall FILE RECNO`: change
// one record through the engine as the data windows do, under the record's lock, so that a
// record another program is editing is refused rather than overwritten.
#include <algorithm>
#include <functional>
#include <span>
#include <set>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "history/draw_file.h"
#include "cli/options.h"
#include "cli/game_table.h"
#include "history/table_draws.h"
#include "dataset/xbase_dataset.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"

namespace cli {

using history::checkDraw;
using history::drawShapeOf;

namespace {

// Takes the record's lock, reads the record under it, then makes the change; another user's lock,
// or a record that does not exist, ends the command with its message and nothing written.
int changeLockedRecord(const std::string& file, std::uint64_t number, const std::string& numberText, std::ostream& err,
                       const std::function<void(DBFObject&)>& change) {
    noteCaseVariants(file, err);
    DBFObject table(file, "", /*readWrite=*/true, /*shared=*/true);
    if (!recordExists(table, number, numberText, err)) return kExitFailure;
    // What a killed replacement or copy of this table left beside it goes before this write.
    xb::removeStaleScratchFiles(table.path());
    const RecordLock lock(table, number);
    if (!lock.held()) {
        err << xbtext::SRecordLocked << '\n';
        return kExitFailure;
    }
    change(table);
    return kExitOk;
}

std::string typedOrStored(DBFObject& table, int field, const std::vector<std::pair<std::string, std::string>>& values);

// A value that would make the record no draw, or a draw the table holds already: the command's
// own refusal, nothing written.
class DrawRefused : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "DrawRefused"; }
};

// The first visible record but `record` that holds the same numbers as `draw`, or 0: the rule
// add and import keep, that a table holds each draw once.
std::uint32_t sameDrawElsewhere(DBFObject& table, std::span<const int> draw, std::uint64_t record) {
    history::NumberSet wanted;
    for (const int number : draw) wanted.add(number);
    std::vector<int> sorted(draw.begin(), draw.end());
    std::sort(sorted.begin(), sorted.end());
    std::uint32_t found = 0;
    std::vector<int> other;
    table.refreshHeader();
    history::scanDraws(
        table, 1, table.recordCount(),
        [&](std::span<const int> numbers, std::uint32_t at) {
            if (found != 0 || at == record) return;
            other.assign(numbers.begin(), numbers.end());
            std::sort(other.begin(), other.end());
            if (other == sorted) found = at;
        },
        &wanted);
    return found;
}

void refuseDoubledDraw(DBFObject& table, std::span<const int> draw, std::uint64_t record,
                       const std::string& numberText) {
    if (const std::uint32_t twin = sameDrawElsewhere(table, draw, record); twin != 0)
        throw DrawRefused("record " + numberText + ": the same draw as record " + std::to_string(twin) +
                          " (--force writes it anyway)");
}

int markRecord(Arguments args, std::ostream& err, bool deleted) {
    const ParsedArguments line = deleted ? parseArguments(args, {}) : parseArguments(args, {{"--force"}});
    const std::string& file = line.positional(0, "FILE");
    const std::string& numberText = line.positional(1, "RECNO");
    line.noMoreThan(2);
    const std::uint64_t number = recordNumberArgument(numberText);
    const bool force = line.has("--force");
    // The engine's delete takes no lock of its own; taking it keeps the flag from being lost
    // under another user's edit of the same record.
    return changeLockedRecord(file, number, numberText, err, [&](DBFObject& table) {
        if (deleted) {
            table.deleteCurrentRecord();
            return;
        }
        // A recalled draw comes back among the others: not as a second copy of one of them.
        std::string why;
        useGamesBeside(table.path(), err);
        const auto shape = drawShapeOf(table, why);
        if (shape && !force && table.isDeleted()) {
            std::vector<std::string> words;
            for (int field = 1; field <= table.fieldCount(); ++field) words.push_back(typedOrStored(table, field, {}));
            std::vector<int> draw;
            if (!checkDraw(words, *shape, draw)) refuseDoubledDraw(table, draw, number, numberText);
        }
        table.recallCurrentRecord();
    });
}

// The engine's refusal of a value that is no number does not say which; this one does.
void putNamedValue(DBFObject& table, const std::string& field, const std::string& value) {
    try {
        table.putValueText(field, value);
    } catch (const EXbaseError& error) {
        if (error.Code() != xb::err::kFieldType || !error.Information().empty()) throw;
        xb::raiseError(error.Code(), error.Location(), field + " - " + value);
    }
}

// A field of the draw as the user typed it (the last value given for it), or as the record holds
// it: "1.5" must be refused before the engine rounds it into the field.
std::string typedOrStored(DBFObject& table, int field, const std::vector<std::pair<std::string, std::string>>& values) {
    std::string text;
    bool typed = false;
    for (const auto& [name, value] : values) {
        if (table.fieldNumber(name) == field) {
            text = value;
            typed = true;
        }
    }
    if (!typed) text = table.getText(field);
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

int commandSet(Arguments args, std::ostream& /*out*/, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {{"--force"}});
    line.positional(0, "FILE");
    line.positional(1, "RECNO");
    line.positional(2, "FIELD=VALUE");
    const std::string& file = line.positionals()[0];
    const std::string& numberText = line.positionals()[1];
    const std::uint64_t number = recordNumberArgument(numberText);
    std::vector<std::pair<std::string, std::string>> values;
    for (std::size_t i = 2; i < line.positionals().size(); ++i) {
        const std::string& word = line.positionals()[i];
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0) throw UsageError("'" + word + "' is not FIELD=VALUE");
        values.emplace_back(word.substr(0, equals), word.substr(equals + 1));
    }
    const bool force = line.has("--force");

    return changeLockedRecord(file, number, numberText, err, [&](DBFObject& table) {
        // A field given twice is a slip of the command line: which value was meant is not known.
        std::set<int> given;
        for (const auto& [field, value] : values)
            if (!given.insert(table.fieldNumber(field)).second) throw UsageError("field " + field + " is given twice");
        // The values go into the record buffer only; a value the engine refuses ends the command
        // before the replace, so the record on disk is either wholly changed or not at all.
        for (const auto& [field, value] : values) putNamedValue(table, field, value);
        // On a draw table the record must stay a draw, unless a repair asks for --force.
        std::string why;
        useGamesBeside(table.path(), err);
        const auto shape = drawShapeOf(table, why);
        if (shape && !force) {
            std::vector<std::string> words;
            for (int field = 1; field <= table.fieldCount(); ++field)
                words.push_back(typedOrStored(table, field, values));
            std::vector<int> draw;
            if (const auto fault = checkDraw(words, *shape, draw))
                throw DrawRefused("record " + numberText + ": " + *fault + " (--force writes it anyway)");
            if (!table.isDeleted()) refuseDoubledDraw(table, draw, number, numberText);
        }
        table.replaceRecord(static_cast<std::int64_t>(number));
    });
}

int commandDelete(Arguments args, std::ostream& /*out*/, std::ostream& err) { return markRecord(args, err, true); }

int commandRecall(Arguments args, std::ostream& /*out*/, std::ostream& err) { return markRecord(args, err, false); }

}  // namespace cli
