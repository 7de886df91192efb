// The datasets through which the analyses read the draw tables, set up in one place so that the
// main window and sharometr-cli's analyze command see a table exactly alike.
#pragma once

#include <memory>
#include <string>

#include "analysis/game.h"
#include "datawin/xbase_dataset.h"

// The main window's dataset on the game's table, opened: XbaseDataSet1 on lotobase.dbf
// (SuperLoto) or XbaseDataSet2 on kenobase.dbf (Keno), shared, with the exact record count,
// deleted draws hidden and text translated. With an empty `directory` the table is named alone,
// so it is found in the current directory as the program finds it; otherwise it is looked up in
// `directory`. Raises what the open raises (a missing table: "Cannot find file ...").
std::unique_ptr<TXbaseDataSet> MakeDrawDataSet(const GameRules& game, const std::string& directory = std::string());

// For the length of one analysis, the dataset reads its table in blocks (a snapshot of the
// records as they stand when each block is read) instead of one platform read per record.
class BlockReads {
public:
    explicit BlockReads(TDataSet& dataset);
    ~BlockReads();
    BlockReads(const BlockReads&) = delete;
    BlockReads& operator=(const BlockReads&) = delete;

private:
    TXbaseDataSet* m_dataSet;
    bool m_was;
};
