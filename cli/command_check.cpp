// `sharometr-cli check FILE [--repair]`: a table's health in one command. The header's record
// count against the records the file holds, the end mark, a partial last record, deletion flags,
// numeric fields that do not parse and, on the draw tables, numbers outside the game or repeated
// in a draw, draws that stand twice, and a table that the analyses would refuse as its game's,
// each reported by record number. --repair mends the file's end (count, end mark, partial record,
// junk past the header's count) by writing a copy and renaming it over the table, so a failure
// leaves the original as it was.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "analysis/draw_datasets.h"
#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/game_table.h"
#include "history/draw_tables.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"

namespace cli {

using history::tableFieldsOf;

namespace {

// The game whose draws the table holds, by the draw-table rule; nullptr for any other table.
const Game* drawGameOf(const DBFObject& table) { return GameOfTable(tableFieldsOf(table)); }

// The game a table that is no draw table of drawGameOf was meant for: the game whose table name it
// bears, or whose first draw field it starts with; nullptr for any other table.
const Game* intendedGameOf(const DBFObject& table) {
    std::string name = table.path().substr(table.path().find_last_of('/') + 1);
    for (const Game* game : Games())
        if (xb::sameTableName(name, game->tableFileName)) return game;
    for (const Game* game : Games())
        if (table.fieldCount() > 0 && table.fieldName(1) == game->fieldName(0)) return game;
    return nullptr;
}

// What the file's end looks like: the records the file holds whole, and what follows them.
struct FileEnd {
    std::uint64_t size = 0;
    std::uint32_t headerCount = 0;
    std::uint32_t records = 0;
    std::uint64_t partial = 0;  // bytes of a record cut short after the last whole one
    bool endMark = false;
};

FileEnd fileEndOf(DBFObject& table) {
    FileEnd end;
    end.size = table.fileSize();
    end.headerCount = xb::readLe32(&table.headerImage()[xb::hdr::kRecordCount]);
    end.records = table.recordCount();
    // The open has read the whole header, and the count is what the file's size holds whole.
    const std::uint64_t dataEnd = table.headerLength() + static_cast<std::uint64_t>(end.records) * table.recordLength();
    std::uint64_t tail = end.size - dataEnd;
    if (tail > 0) {
        std::uint8_t last = 0;
        table.XBO_DiskFile::readAt(end.size - 1, &last, 1);
        if (last == xb::kEofByte) {
            end.endMark = true;
            --tail;
        }
    }
    end.partial = tail;
    return end;
}

// Reports what is wrong with the file's end; returns the problems found.
int reportFileEnd(const FileEnd& end, std::ostream& out) {
    int problems = 0;
    if (end.headerCount != end.records) {
        out << "header count " << end.headerCount << ", the file holds " << counted(end.records, "record") << '\n';
        ++problems;
    }
    if (end.partial != 0) {
        out << "partial record of " << counted(end.partial, "byte") << " after record " << end.records << '\n';
        ++problems;
    }
    if (!end.endMark) {
        out << "no end mark (0x1A) after the last record\n";
        ++problems;
    }
    return problems;
}

// The draws already met, to find one that stands twice.
using SeenDraws = std::map<std::vector<long>, std::uint32_t>;

// Checks one record in the table's buffer; returns the problems found. A deleted record is not
// judged unless `everyField` asks for it (junk past the header's count must be whole to be kept).
int checkRecord(DBFObject& table, std::uint32_t n, const Game* game, bool everyField, SeenDraws& seen,
                std::ostream& out) {
    int problems = 0;
    const std::uint8_t flag = table.recordBuffer()[0];
    if (flag != xb::kLiveFlag && flag != xb::kDeletedFlag) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(flag));
        out << "record " << n << ": deletion flag " << hex << " is neither blank nor *\n";
        ++problems;
    }
    // A deleted record is no draw and no analysis reads it: its bytes are its own business.
    if (flag == xb::kDeletedFlag && !everyField) return problems;
    std::set<long> drawn;
    std::set<long> repeated;
    bool wholeDraw = game != nullptr;
    for (int number = 1; number <= table.fieldCount(); ++number) {
        const char type = table.fieldType(number);
        if (type != 'N' && type != 'F') continue;
        const std::string text = xb::trimRight(xb::trimLeft(table.getText(number)));
        const std::string where = "record " + std::to_string(n) + ": " + table.fieldName(number);
        long double value = 0;
        if (!text.empty() && !xb::parseDecimal(text, value)) {
            out << where << " '" << text << "' is not a number\n";
            ++problems;
            wholeDraw = false;
            continue;
        }
        if (!game || number > game->fieldsPerDraw) continue;
        if (text.empty()) {
            out << where << " is blank\n";
            ++problems;
            wholeDraw = false;
        } else if (value < 1 || value > game->numbers || value != std::floor(value)) {
            out << where << " " << text << " is outside 1.." << game->numbers << '\n';
            ++problems;
            wholeDraw = false;
        } else if (!drawn.insert(static_cast<long>(value)).second) {
            wholeDraw = false;
            if (repeated.insert(static_cast<long>(value)).second) {
                out << "record " << n << ": " << static_cast<long>(value) << " appears more than once in the draw\n";
                ++problems;
            }
        }
    }
    // The same draw twice is one draw counted twice by every analysis.
    if (wholeDraw && flag == xb::kLiveFlag) {
        const std::vector<long> key(drawn.begin(), drawn.end());
        const auto [first, isNew] = seen.emplace(key, n);
        if (!isNew) {
            out << "record " << n << ": the same draw as record " << first->second << '\n';
            ++problems;
        }
    }
    return problems;
}

// Runs one step of the repair; a failure is reported as the table's, at `location`.
template <typename Step>
void repairStep(const std::string& table, int location, Step step) {
    try {
        step();
    } catch (const EXbaseError& error) {
        xb::raiseError(error.Code(), location, table);
    }
}

// Writes the header with the count of records kept, those records and the end mark into a new
// file beside the table, then renames it over the table. Any failure removes the copy and leaves
// the table as it was.
void writeRepairedCopy(DBFObject& table, std::uint32_t kept) {
    const std::string& path = table.path();
    std::optional<xb::NewTableFile> copy;
    xb::removeStaleScratchFiles(path);  // what killed writes of the table left
    repairStep(path, xb::loc::kCreate, [&] { copy.emplace(table, "check"); });
    std::vector<std::uint8_t> chunk;
    const std::uint64_t dataEnd = table.headerLength() + static_cast<std::uint64_t>(kept) * table.recordLength();
    for (std::uint64_t at = 0; at < dataEnd; at += chunk.size()) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(dataEnd - at, 1u << 16)));
        if (table.XBO_DiskFile::readAt(at, chunk.data(), static_cast<std::uint32_t>(chunk.size())) != chunk.size())
            xb::raiseError(xb::err::kShortRead, xb::loc::kRead, path);
        if (at == 0) xb::writeLe32(&chunk[xb::hdr::kRecordCount], kept);
        repairStep(path, xb::loc::kWrite,
                   [&] { copy->append(chunk.data(), static_cast<std::uint32_t>(chunk.size())); });
    }
    const std::uint8_t mark = xb::kEofByte;
    repairStep(path, xb::loc::kWrite, [&] {
        copy->append(&mark, 1);
        copy->placeOver(table);
    });
}

// "record 11", "records 11-12".
std::string recordRange(std::uint32_t first, std::uint32_t last) {
    return first == last ? "record " + std::to_string(first)
                         : "records " + std::to_string(first) + "-" + std::to_string(last);
}

// The end of a table in shared use, read while no other program appends: the header's count and
// the file's size then belong together.
FileEnd steadyFileEnd(DBFObject& table) {
    if (!table.takeAppendByte()) xb::raiseError(xb::kLockViolation, xb::loc::kRead, table.path());
    try {
        table.refreshHeader();
        const FileEnd end = fileEndOf(table);
        table.unlock();
        return end;
    } catch (...) {
        table.unlock();
        throw;
    }
}

}  // namespace

int commandCheck(Arguments args, std::ostream& out, std::ostream& err) {
    bool repair = false;
    std::optional<std::string> file;
    for (const std::string& word : args) {
        if (word == "--repair")
            repair = true;
        else if (word.starts_with("--"))
            throw UsageError("unknown option '" + word + "'");
        else if (file)
            throw UsageError("unexpected argument '" + word + "'");
        else
            file = word;
    }
    if (!file) throw UsageError("missing FILE argument");

    noteCaseVariants(*file, err);
    // A repair needs the table to itself: the exclusive open is refused with the engine's share
    // error while another program has it open, and keeps others out until the copy is in place.
    DBFObject table(*file, "", /*readWrite=*/repair, /*shared=*/!repair);
    const FileEnd end = repair ? fileEndOf(table) : steadyFileEnd(table);
    const int endProblems = reportFileEnd(end, out);
    int problems = endProblems;

    useGamesBeside(table.path(), err);
    const Game* game = drawGameOf(table);
    if (!game) {
        // A table the analyses would refuse as its game's says so, as they would.
        if (const Game* meant = intendedGameOf(table)) {
            std::string mismatch;
            try {
                mismatch = DrawTableMismatch(*MakeDrawDataSetOn(*meant, table.path()), *meant);
            } catch (const Exception& error) {
                mismatch = error.Message();  // what the analyses would be told
            }
            if (!mismatch.empty()) {
                out << mismatch << '\n';
                ++problems;
            } else {
                game = meant;
            }
        }
    }
    // Records past the header's count are kept by a repair only when every one is whole and valid.
    const std::uint32_t withinCount = std::min(end.headerCount, end.records);
    int problemsPastCount = 0;
    SeenDraws seen;
    table.setReadAhead(true);
    for (std::uint32_t n = 1; n <= end.records; ++n) {
        table.readRecord(n);
        const int found = checkRecord(table, n, game, n > withinCount, seen, out);
        problems += found;
        if (n > withinCount) problemsPastCount += found;
    }
    table.setReadAhead(false);

    std::uint32_t records = end.records;
    if (repair && endProblems != 0) {
        const std::uint32_t kept = problemsPastCount > 0 ? withinCount : end.records;
        writeRepairedCopy(table, kept);
        out << "repaired: header count " << kept << ", end mark in place"
            << (end.partial != 0 ? ", partial record cut" : "");
        if (kept < end.records)
            out << ", " << recordRange(kept + 1, end.records) << " past the header's count dropped (not valid records)";
        out << '\n';
        problems -= endProblems;
        if (kept < end.records) problems -= problemsPastCount;
        records = kept;
    }
    if (problems == 0) {
        out << "ok: " << counted(records, "record") << '\n';
        return kExitOk;
    }
    out << counted(static_cast<std::uint64_t>(problems), "problem") << " found\n";
    return kExitFailure;
}

}  // namespace cli
