// What the commands that change a table share: reading a record number from the command line,
// placing the table on an existing record, and holding that record's lock.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

class DBFObject;

namespace cli {

// "1 record", "2 draws": a count and its noun.
std::string counted(std::uint64_t count, const std::string& noun);

// A count or record number of the command line: decimal digits only, nothing else; one too
// long for the type comes back as UINT64_MAX, which no table reaches.
std::optional<std::uint64_t> decimalNumber(const std::string& text);

// Sets a table header's date of last update (bytes 1..3) and update stamp (bytes 16..19) to the
// local clock, as the engine's own header write does for a table changed now.
void stampHeaderNow(std::string& header);

// The record number of the command line (raises UsageError when it is not a decimal number).
std::uint64_t recordNumberArgument(const std::string& text);

// Reads record `number` whatever its deletion flag; when the table has no such record, says so
// on `err` and gives false.
bool goToRecord(DBFObject& table, std::uint64_t number, const std::string& asGiven, std::ostream& err);

// The current record's lock, released when the object goes, whatever happened in between.
class RecordLock {
public:
    explicit RecordLock(DBFObject& table);
    ~RecordLock();
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

    // False when another user (another program, or another table object) holds the record.
    bool held() const { return m_held; }

private:
    DBFObject& m_table;
    bool m_held;
};

}  // namespace cli
