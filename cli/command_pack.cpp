// `sharometr-cli pack FILE`: removes the deleted records of a table. The table is held for
// exclusive use throughout; the records that stay are written to a new file beside it, which is
// flushed and then renamed over the table, so that a failure at any step leaves the table whole.
#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/options.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"

namespace cli {

namespace {

constexpr std::size_t kChunkBytes = 1u << 16;

// Reads exactly `length` bytes of the table, or raises the engine's short-read error.
void readExactly(DBFObject& table, std::uint64_t offset, std::string& bytes, std::uint32_t length) {
    bytes.resize(length);
    if (table.readAt(offset, bytes.data(), length) != length)
        xb::raiseError(xb::err::kShortRead, xb::loc::kRead, table.path());
}

void append(xb::NewTableFile& file, const std::string& bytes) {
    file.append(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace

int commandPack(Arguments args, std::ostream& out, std::ostream& err) {
    const ParsedArguments line = parseArguments(args, {});
    const std::string& file = line.positional(0, "FILE");
    line.noMoreThan(1);

    noteCaseVariants(file, err);
    // Unshared: the engine refuses with its share error while another program has the table open,
    // and nobody can open it while the records move.
    DBFObject table(file, "", /*readWrite=*/true, /*shared=*/false);
    const std::uint32_t records = table.recordCount();
    const std::uint32_t length = table.recordLength();
    const std::uint64_t start = table.headerLength();
    const std::uint32_t perChunk = static_cast<std::uint32_t>(std::max<std::size_t>(1, kChunkBytes / length));

    // Which records stay is known before anything is written: a table without deleted records
    // is left untouched.
    std::uint32_t deleted = 0;
    std::string chunk;
    for (std::uint32_t first = 0; first < records; first += perChunk) {
        const std::uint32_t count = std::min(perChunk, records - first);
        readExactly(table, start + std::uint64_t{first} * length, chunk, count * length);
        for (std::uint32_t i = 0; i < count; ++i)
            deleted += chunk[std::size_t{i} * length] == static_cast<char>(xb::kDeletedFlag) ? 1 : 0;
    }
    if (deleted > 0) {
        try {
            std::string header;
            readExactly(table, 0, header, static_cast<std::uint32_t>(start));
            xb::stampHeader(reinterpret_cast<std::uint8_t*>(header.data()), records - deleted);

            xb::removeStaleScratchFiles(table.path());  // what killed writes of the table left
            xb::NewTableFile replacement(table, "pack");
            append(replacement, header);
            for (std::uint32_t first = 0; first < records; first += perChunk) {
                const std::uint32_t count = std::min(perChunk, records - first);
                readExactly(table, start + std::uint64_t{first} * length, chunk, count * length);
                std::string kept;
                for (std::uint32_t i = 0; i < count; ++i) {
                    const std::string_view record(chunk.data() + std::size_t{i} * length, length);
                    if (record[0] != static_cast<char>(xb::kDeletedFlag)) kept.append(record);
                }
                if (!kept.empty()) append(replacement, kept);
            }
            append(replacement, std::string(1, static_cast<char>(xb::kEofByte)));
            replacement.placeOver(table);
        } catch (const Exception& error) {
            // The engine names the new file; the user wants to know about the table.
            err << failureText(error) << '\n' << table.path() << " is left as it was\n";
            return kExitFailure;
        }
    }
    out << "removed " << counted(deleted, "record") << ", kept " << records - deleted << '\n';
    return kExitOk;
}

}  // namespace cli
