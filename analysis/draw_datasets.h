// The datasets through which the analyses read the draw tables, set up in one place so that the
// main window and sharometr-cli's analyze command see a table exactly alike.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "dataset/xbase_dataset.h"

// The main window's dataset on the game's table, opened: XbaseDataSet1 on lotobase.dbf
// (SuperLoto) or XbaseDataSet2 on kenobase.dbf (Keno), shared, with the exact record count,
// deleted draws hidden and text translated. With an empty `directory` the table is named alone,
// so it is found in the current directory as the program finds it; otherwise it is looked up in
// `directory`. Raises what the open raises (a missing table: "Cannot find file ...").
std::unique_ptr<TXbaseDataSet> MakeDrawDataSet(const Game& game, const std::string& directory = std::string());

// The same dataset on a table given by its path, whatever its name.
std::unique_ptr<TXbaseDataSet> MakeDrawDataSetOn(const Game& game, const std::string& tablePath);

// The dataset's fields as the draw-table rule (IsDrawTableOf) sees them.
std::vector<TableField> TableFieldsOf(TDataSet& dataset);

// The game's number fields, C1..C6 or K1..K20, numeric, must lead the table: a table of another
// kind is refused in one line rather than failing on its first draw. Empty when they do;
// otherwise the line that says what is wrong, "T is not a SuperLoto table: ...".
std::string DrawTableMismatch(TXbaseDataSet& dataset, const Game& game);
