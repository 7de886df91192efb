// The duplicates of an import, its batches under the append lock, and the replacement of a
// table's draws.
#include "history/import.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "analysis/synthetic_draws.h"

namespace history {

namespace {

constexpr std::size_t kBatchBytes = 1u << 20;
std::atomic<std::size_t> g_recordsPerBatch{0};

std::size_t recordsPerBatch(const DBFObject& table) {
    if (const std::size_t set = g_recordsPerBatch.load(); set > 0) return set;
    return std::max<std::size_t>(1, kBatchBytes / table.recordLength());
}

}  // namespace

bool holdsOnlySyntheticDraws(DBFObject& table, const Game& game) {
    table.refreshHeader();
    if (table.recordCount() == 0 || table.fieldCount() != game.fieldsPerDraw) return false;
    SyntheticDraws synthetic(game);
    std::uint32_t seen = 0;
    bool same = true;
    scanDraws(table, 1, table.recordCount(), [&](std::span<const int> draw, std::uint32_t record) {
        const std::vector<int> expected = synthetic.next();
        same = same && record == ++seen && std::equal(draw.begin(), draw.end(), expected.begin(), expected.end());
    });
    return same && seen == table.recordCount();
}

void setRecordsPerBatch(std::size_t records) { g_recordsPerBatch = records; }

ImportPlan planImport(const DrawKeys& known, std::span<const Draw> draws, int highest) {
    ImportPlan plan;
    DrawKeys inFile(highest);
    for (const Draw& draw : draws) {
        const std::uint32_t record = known.find(draw.numbers);
        const std::uint32_t line = static_cast<std::uint32_t>(draw.line);
        const std::uint32_t earlier = inFile.add(draw.numbers, line);
        if (record != 0 || earlier != line)
            plan.duplicates.push_back({draw.line, record, earlier, false});
        else
            plan.fresh.push_back(&draw);
    }
    return plan;
}

TableKeys tableKeysOf(DBFObject& table, int highest, std::span<const int> only) {
    table.refreshHeader();
    TableKeys known{DrawKeys(highest), table.recordCount()};
    DrawKeys wanted(highest);
    if (!only.empty()) wanted.add(only, 1);
    scanDraws(table, 1, known.readUpTo, [&](std::span<const int> draw, std::uint32_t record) {
        if (only.empty() || wanted.find(draw) != 0) known.keys.add(draw, record);
    });
    return known;
}

AppendOutcome appendDraws(DBFObject& table, TableKeys& known, std::span<const Draw* const> draws, bool skipDuplicates,
                          std::size_t& appendedSoFar, const std::function<void(std::size_t)>& progress) {
    AppendOutcome outcome;
    appendedSoFar = 0;
    const std::size_t perBatch = recordsPerBatch(table);
    std::string record;
    for (std::size_t start = 0; start < draws.size() && !outcome.stopped; start += perBatch) {
        const std::span<const Draw* const> batch = draws.subspan(start, std::min(perBatch, draws.size() - start));
        std::vector<Duplicate> met;
        table.appendRecords([&](std::uint32_t recordsNow, std::string& bytes) {
            // Under the lock: what others appended since the keys were read counts too.
            if (recordsNow > known.readUpTo) {
                scanDraws(table, known.readUpTo + 1, recordsNow,
                          [&](std::span<const int> draw, std::uint32_t at) { known.keys.add(draw, at); });
                known.readUpTo = recordsNow;
            }
            std::uint32_t next = recordsNow;
            for (const Draw* draw : batch) {
                if (const std::uint32_t at = known.keys.find(draw->numbers); at != 0) {
                    met.push_back({draw->line, at, 0, true});
                    continue;
                }
                formatDrawRecord(table, draw->numbers, record);
                bytes += record;
                known.keys.add(draw->numbers, ++next);
            }
            if (!met.empty() && !skipDuplicates) {
                bytes.clear();  // the batch stops whole; its keys are forgotten with the import
                outcome.stopped = true;
            }
            known.readUpTo = recordsNow + static_cast<std::uint32_t>(bytes.size() / table.recordLength());
        });
        outcome.meanwhile.insert(outcome.meanwhile.end(), met.begin(), met.end());
        if (!outcome.stopped) appendedSoFar += batch.size() - met.size();
        outcome.appended = appendedSoFar;
        if (progress) progress(appendedSoFar);
    }
    return outcome;
}

bool replaceDraws(DBFObject& table, std::span<const Draw* const> draws,
                  const std::function<bool(std::size_t written)>& goOn) {
    const std::uint32_t headerLength = table.headerLength();
    std::string header(headerLength, '\0');
    if (table.readAt(0, header.data(), headerLength) != headerLength)
        xb::raiseError(xb::err::kShortRead, xb::loc::kRead, table.path());
    xb::stampHeader(reinterpret_cast<std::uint8_t*>(header.data()), static_cast<std::uint32_t>(draws.size()));

    xb::NewTableFile replacement(table.path() + "." + std::to_string(::getpid()) + ".replace");
    replacement.append(header.data(), headerLength);
    const std::size_t perBatch = recordsPerBatch(table);
    std::string bytes;
    std::string record;
    for (std::size_t start = 0; start < draws.size(); start += perBatch) {
        bytes.clear();
        for (std::size_t i = start; i < std::min(draws.size(), start + perBatch); ++i) {
            formatDrawRecord(table, draws[i]->numbers, record);
            bytes += record;
        }
        replacement.append(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        if (goOn && !goOn(std::min(draws.size(), start + perBatch))) return false;
    }
    const char end = static_cast<char>(xb::kEofByte);
    replacement.append(&end, 1);
    replacement.placeOver(table);
    return true;
}

}  // namespace history
