// What the commands that change a table share: reading a record number from the command line,
// checking that a record exists, and holding that record's lock while it is read and changed.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "dbf/error_report.h"
#include "history/words.h"

class DBFObject;

namespace cli {

// Counts with their noun and decimal numbers: the history's, so that every message words them alike.
using history::counted;
using history::decimalNumber;

// Whether the command line, once it has succeeded, has changed a table or made one: add, set,
// delete, recall, pack, import, create, check --repair, tickets add and tickets delete.
bool changesTables(Arguments args);

// The exit status once standard output is flushed: `status` when the output arrived; otherwise
// the failure said on `err`, with kExitUnreported when the change was made all the same, so that
// the change is neither lost from sight nor made twice by a retry.
int withOutputChecked(Arguments args, int status, std::ostream& out, std::ostream& err);

// The engine refuses a directory opened as a table as the system does, like a file without
// permission ("File access denied"); the companion says what it is instead: no regular file, as
// a FIFO or a device is said to be.
bool opensADirectory(const EXbaseError& error);
EXbaseError asNotARegularFile(const EXbaseError& error);

// The record number of the command line (raises UsageError when it is not a decimal number).
std::uint64_t recordNumberArgument(const std::string& text);

// When the table's name matches more than one file up to letter case (Lotobase.dbf and
// LOTOBASE.DBF), says on `err` which one the command uses: the engine picks one by its rule.
void noteCaseVariants(const std::string& file, std::ostream& err);

// Whether the table has record `number`; when it has not, says so on `err`.
bool recordExists(const DBFObject& table, std::uint64_t number, const std::string& asGiven, std::ostream& err);

// Record `number`'s lock, taken first, and then the record read from the file whatever its deletion
// flag, so that a change is made to the record as it is under the lock and never carries bytes read
// before it. The lock is released when the object goes, whatever happened in between.
class RecordLock {
public:
    RecordLock(DBFObject& table, std::uint64_t number);
    ~RecordLock();
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

    // False when another user (another program, or another table object) holds the record;
    // nothing was read then.
    bool held() const { return m_held; }

private:
    DBFObject& m_table;
    bool m_held;
};

}  // namespace cli
