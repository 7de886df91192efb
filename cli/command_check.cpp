// `sharometr-cli check FILE [--repair]`: a table's health in one command. The header's record
// count against the records the file holds, the end mark, a partial last record, deletion flags,
// numeric fields that do not parse and, on the draw tables, numbers outside the game or repeated
// in a draw, each reported by record number. --repair mends the file's end (count, end mark,
// partial record) by writing a copy and renaming it over the table, so a failure leaves the
// original as it was.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "history/draw_tables.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"

namespace cli {

namespace {

// The game whose draws the table holds, judged by its fields: <letter>1..<letter><picks>, numeric,
// in that order; nullptr for any other table.
const Game* drawGameOf(const DBFObject& table) {
    const Game* game = GameWithFields(table.fieldCount());
    if (!game) return nullptr;
    for (int number = 1; number <= game->fieldsPerDraw; ++number) {
        const std::string name = game->fieldName(number - 1);
        if (table.fieldName(number) != name || table.fieldType(number) != 'N') return nullptr;
    }
    return game;
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

// Checks one record in the table's buffer; returns the problems found.
int checkRecord(DBFObject& table, std::uint32_t n, const Game* game, std::ostream& out) {
    int problems = 0;
    const std::uint8_t flag = table.recordBuffer()[0];
    if (flag != xb::kLiveFlag && flag != xb::kDeletedFlag) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(flag));
        out << "record " << n << ": deletion flag " << hex << " is neither blank nor *\n";
        ++problems;
    }
    // A deleted record is no draw and no analysis reads it: its bytes are its own business.
    if (flag == xb::kDeletedFlag) return problems;
    std::set<long> drawn;
    std::set<long> repeated;
    for (int number = 1; number <= table.fieldCount(); ++number) {
        const char type = table.fieldType(number);
        if (type != 'N' && type != 'F') continue;
        const std::string text = xb::trimRight(xb::trimLeft(table.getText(number)));
        const std::string where = "record " + std::to_string(n) + ": " + table.fieldName(number);
        long double value = 0;
        if (!text.empty() && !xb::parseDecimal(text, value)) {
            out << where << " '" << text << "' is not a number\n";
            ++problems;
            continue;
        }
        if (!game || number > game->fieldsPerDraw) continue;
        if (text.empty()) {
            out << where << " is blank\n";
            ++problems;
        } else if (value < 1 || value > game->numbers || value != std::floor(value)) {
            out << where << " " << text << " is outside 1.." << game->numbers << '\n';
            ++problems;
        } else if (!drawn.insert(static_cast<long>(value)).second && repeated.insert(static_cast<long>(value)).second) {
            out << "record " << n << ": " << static_cast<long>(value) << " appears more than once in the draw\n";
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

// Writes the header with the true count, the whole records and the end mark into a new file
// beside the table, then renames it over the table. Any failure removes the copy and leaves the
// table as it was.
void writeRepairedCopy(DBFObject& table, const FileEnd& end) {
    const std::string& path = table.path();
    std::optional<xb::NewTableFile> copy;
    repairStep(path, xb::loc::kCreate, [&] { copy.emplace(path + ".check-" + std::to_string(::getpid())); });
    std::vector<std::uint8_t> chunk;
    const std::uint64_t dataEnd = table.headerLength() + static_cast<std::uint64_t>(end.records) * table.recordLength();
    for (std::uint64_t at = 0; at < dataEnd; at += chunk.size()) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(dataEnd - at, 1u << 16)));
        if (table.XBO_DiskFile::readAt(at, chunk.data(), static_cast<std::uint32_t>(chunk.size())) != chunk.size())
            xb::raiseError(xb::err::kShortRead, xb::loc::kRead, path);
        if (at == 0) xb::writeLe32(&chunk[xb::hdr::kRecordCount], end.records);
        repairStep(path, xb::loc::kWrite,
                   [&] { copy->append(chunk.data(), static_cast<std::uint32_t>(chunk.size())); });
    }
    const std::uint8_t mark = xb::kEofByte;
    repairStep(path, xb::loc::kWrite, [&] {
        copy->append(&mark, 1);
        copy->placeOver(table);
    });
}

}  // namespace

int commandCheck(Arguments args, std::ostream& out, std::ostream& /*err*/) {
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

    // A repair needs the table to itself: the exclusive open is refused with the engine's share
    // error while another program has it open, and keeps others out until the copy is in place.
    DBFObject table(*file, "", /*readWrite=*/repair, /*shared=*/!repair);
    const FileEnd end = fileEndOf(table);
    const int endProblems = reportFileEnd(end, out);
    int problems = endProblems;

    const Game* game = drawGameOf(table);
    table.setReadAhead(true);
    for (std::uint32_t n = 1; n <= end.records; ++n) {
        table.readRecord(n);
        problems += checkRecord(table, n, game, out);
    }
    table.setReadAhead(false);

    if (repair && endProblems != 0) {
        writeRepairedCopy(table, end);
        out << "repaired: header count " << end.records << ", end mark in place"
            << (end.partial != 0 ? ", partial record cut" : "") << '\n';
        problems -= endProblems;
    }
    if (problems == 0) {
        out << "ok: " << counted(end.records, "record") << '\n';
        return kExitOk;
    }
    out << counted(static_cast<std::uint64_t>(problems), "problem") << " found\n";
    return kExitFailure;
}

}  // namespace cli
