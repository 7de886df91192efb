// `sharometr-cli info FILE`: what the engine reads from a table's header and descriptors, and
// how many of its records are visible (not deleted).
#include <cstdio>
#include <ostream>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/options.h"
#include "dbf/constants.h"
#include "dbf/text_numbers.h"
#include "dbf/table_handler.h"

namespace cli {

int commandInfo(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {});
    const std::string& file = line.positional(0, "FILE");
    line.noMoreThan(1);

    noteCaseVariants(file, err);
    // Shared and read-only, as another program beside the writers of the table would open it.
    DBFObject table(file, "", /*readWrite=*/false, /*shared=*/true);
    table.setUseDeleted(false);
    // Counted in large blocks: one read per record would take seconds on a long table.
    std::uint32_t visible = 0;
    table.scanRecordBlocks([&](std::uint8_t* records, std::uint32_t count, std::uint32_t) {
        for (std::uint32_t i = 0; i < count; ++i)
            if (table.isVisibleImage(records + static_cast<std::size_t>(i) * table.recordLength())) ++visible;
    });

    char version[8];
    std::snprintf(version, sizeof version, "0x%02X", static_cast<unsigned>(table.version()));
    out << "version: " << version << '\n'
        << "header length: " << table.headerLength() << '\n'
        << "record length: " << table.recordLength() << '\n'
        << "records: " << table.recordCount() << '\n'
        << "visible records: " << visible << '\n';
    // The header's own count, when it is not what the file holds: the record count above is the file's.
    const std::uint32_t headerCount = xb::readLe32(&table.headerImage()[xb::hdr::kRecordCount]);
    if (headerCount != table.recordCount()) out << "header record count: " << headerCount << '\n';
    for (int number = 1; number <= table.fieldCount(); ++number) {
        out << table.fieldName(number) << ' ' << table.fieldType(number) << ' ' << table.fieldLength(number) << ' '
            << table.fieldDecimals(number) << '\n';
    }
    return kExitOk;
}

}  // namespace cli
