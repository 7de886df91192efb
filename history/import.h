// Bringing draws into a table, as the companion's `import` and `add` and the window's import do:
// the duplicates found before anything is written, the appends in batches decided under the
// table's append lock against what the file holds at that moment (so that two imports running
// together never write a draw twice), and the replacement of every draw of a table at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "history/draw_file.h"
#include "history/table_draws.h"

class DBFObject;
struct Game;

namespace history {

using Draw = DrawFileParser::Draw;

// A draw met before: in record `record` of the table, or else on line `earlierLine` of the file.
struct Duplicate {
    std::size_t line = 0;
    std::uint32_t record = 0;
    std::size_t earlierLine = 0;
    bool meanwhile = false;  // appended by another user while this import ran
};

// The draws of a file sorted into those new to the table and those met before.
struct ImportPlan {
    std::vector<const Draw*> fresh;
    std::vector<Duplicate> duplicates;
};

// `known`: the table's draws (drawKeysOf), or none when the table's draws are to be replaced.
ImportPlan planImport(const DrawKeys& known, std::span<const Draw> draws, int highest);

// The draws of the table as they stand, with the record count they were read up to.
struct TableKeys {
    DrawKeys keys;
    std::uint32_t readUpTo = 0;
};
// With `only`, just the records holding that draw are kept: what `add` needs, without a key for
// every record of a long table.
TableKeys tableKeysOf(DBFObject& table, int highest, std::span<const int> only = {});

struct AppendOutcome {
    std::size_t appended = 0;
    std::vector<Duplicate> meanwhile;  // draws another user appended while this import ran
    bool stopped = false;              // a draw met meanwhile stopped the appends (not skipped)
};

// Appends `draws` in batches of about a megabyte, each under one hold of the append lock: first
// the records appended since `known` was read are read too, then every draw of the batch met there
// is skipped (`skipDuplicates`) or stops the appends before the batch (nothing of it written).
// A batch is written whole or not at all; a failure raises after the earlier batches stand
// (`appendedSoFar` then tells how many). `progress` hears the count after each batch.
AppendOutcome appendDraws(DBFObject& table, TableKeys& known, std::span<const Draw* const> draws, bool skipDuplicates,
                          std::size_t& appendedSoFar, const std::function<void(std::size_t)>& progress = {});

// Whether the table holds exactly the first synthetic draws of the game, in their order, as the
// first run's sample tables do: made-up draws that real ones should replace, not join.
bool holdsOnlySyntheticDraws(DBFObject& table, const Game& game);

// How many records a batch holds at most; 0 (the default) means as many as fill about a megabyte.
// Tests set it, to reach a failure between batches with few draws.
void setRecordsPerBatch(std::size_t records);

// Replaces every record of the table with `draws`, as `pack` rewrites a table: the new table is
// written beside the old one and renamed over it, so a failure at any step leaves the old table
// whole. The table must be open for exclusive use. `goOn`, when given, hears how many draws are
// written after each batch, the last time just before the new table is put in place; false stops
// the replacement there (false given back): the new file is removed and the old table stays.
bool replaceDraws(DBFObject& table, std::span<const Draw* const> draws,
                  const std::function<bool(std::size_t written)>& goOn = {});

}  // namespace history
