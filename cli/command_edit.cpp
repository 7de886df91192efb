// `sharometr-cli set FILE RECNO FIELD=VALUE...`, `delete FILE RECNO`, `recall FILE RECNO`: change
// one record through the engine as the data windows do, under the record's lock, so that a
// record another program is editing is refused rather than overwritten.
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "datawin/xbase_dataset.h"
#include "dbf/table_handler.h"

namespace cli {

namespace {

// Takes the record's lock, reads the record under it, then makes the change; another user's lock,
// or a record that does not exist, ends the command with its message and nothing written.
int changeLockedRecord(const std::string& file, std::uint64_t number, const std::string& numberText,
                       std::ostream& err, const std::function<void(DBFObject&)>& change)
{
    DBFObject table(file, "", /*readWrite=*/true, /*shared=*/true);
    if (!recordExists(table, number, numberText, err))
        return kExitFailure;
    const RecordLock lock(table, number);
    if (!lock.held()) {
        err << xbtext::SRecordLocked << '\n';
        return kExitFailure;
    }
    change(table);
    return kExitOk;
}

int markRecord(Arguments args, std::ostream& err, bool deleted)
{
    if (args.empty())
        throw UsageError("missing FILE argument");
    if (args.size() < 2)
        throw UsageError("missing RECNO argument");
    if (args.size() > 2)
        throw UsageError("unexpected argument '" + args[2] + "'");
    const std::uint64_t number = recordNumberArgument(args[1]);
    // The engine's delete takes no lock of its own; taking it keeps the flag from being lost
    // under another user's edit of the same record.
    return changeLockedRecord(args[0], number, args[1], err, [deleted](DBFObject& table) {
        if (deleted)
            table.deleteCurrentRecord();
        else
            table.recallCurrentRecord();
    });
}

}  // namespace

int commandSet(Arguments args, std::ostream& /*out*/, std::ostream& err)
{
    if (args.empty())
        throw UsageError("missing FILE argument");
    if (args.size() < 2)
        throw UsageError("missing RECNO argument");
    if (args.size() < 3)
        throw UsageError("missing FIELD=VALUE argument");
    const std::uint64_t number = recordNumberArgument(args[1]);
    std::vector<std::pair<std::string, std::string>> values;
    for (const std::string& word : args.subspan(2)) {
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0)
            throw UsageError("'" + word + "' is not FIELD=VALUE");
        values.emplace_back(word.substr(0, equals), word.substr(equals + 1));
    }

    return changeLockedRecord(args[0], number, args[1], err, [&](DBFObject& table) {
        // The values go into the record buffer only; a value the engine refuses ends the command
        // before the replace, so the record on disk is either wholly changed or not at all.
        for (const auto& [field, value] : values)
            table.putValueText(field, value);
        table.replaceRecord(static_cast<std::int64_t>(number));
    });
}

int commandDelete(Arguments args, std::ostream& /*out*/, std::ostream& err)
{
    return markRecord(args, err, true);
}

int commandRecall(Arguments args, std::ostream& /*out*/, std::ostream& err)
{
    return markRecord(args, err, false);
}

}  // namespace cli
