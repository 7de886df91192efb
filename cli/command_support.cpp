// Record numbers, record checks and record locks for the commands that change a table.
#include "cli/command_support.h"

#include <ostream>

#include "cli/cli.h"
#include "dbf/table_handler.h"

namespace cli {

std::uint64_t recordNumberArgument(const std::string& text) {
    const auto number = decimalNumber(text);
    if (!number) throw UsageError("'" + text + "' is not a record number");
    return *number;
}

bool recordExists(const DBFObject& table, std::uint64_t number, const std::string& asGiven, std::ostream& err) {
    const std::uint32_t count = table.recordCount();
    if (number < 1 || number > count) {
        err << "record " << asGiven << " does not exist: the table has " << counted(count, "record") << '\n';
        return false;
    }
    return true;
}

RecordLock::RecordLock(DBFObject& table, std::uint64_t number)
    : m_table(table), m_held(table.lockAndReadRecord(static_cast<std::uint32_t>(number))) {}

RecordLock::~RecordLock() {
    if (m_held) m_table.unlock();
}

}  // namespace cli
