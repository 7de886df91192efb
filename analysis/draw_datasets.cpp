// The draw tables' datasets with the settings the main window gives them.
#include "analysis/draw_datasets.h"

#include <stdexcept>

namespace {

struct DrawTable {
    const GameRules* game;
    const char* dataSetName;
    const char* tableName;
};

const DrawTable kDrawTables[] = {
    {&kSuperLoto, "XbaseDataSet1", "lotobase.dbf"},
    {&kKeno, "XbaseDataSet2", "kenobase.dbf"},
};

const DrawTable& TableOf(const GameRules& game)
{
    for (const DrawTable& table : kDrawTables)
        if (table.game == &game) return table;
    throw std::invalid_argument(std::string("no draw table for the game ") + game.name);
}

}  // namespace

std::unique_ptr<TXbaseDataSet> MakeDrawDataSet(const GameRules& game, const std::string& directory)
{
    const DrawTable& table = TableOf(game);
    std::string tableName = table.tableName;
    if (!directory.empty()) tableName = directory + (directory.back() == '/' ? "" : "/") + tableName;

    auto dataSet = std::make_unique<TXbaseDataSet>();
    dataSet->SetName(table.dataSetName);
    dataSet->SetTableName(tableName);
    dataSet->SetExclusive(false);
    dataSet->SetExactCount(true);
    dataSet->SetUseDeleted(false);
    dataSet->SetTranslateASCII(true);
    dataSet->SetLockProtocol(TxbLokProtocol::Default);
    dataSet->SetUserID(0);
    dataSet->Open();
    return dataSet;
}

BlockReads::BlockReads(TDataSet& dataset) : m_dataSet(dynamic_cast<TXbaseDataSet*>(&dataset)), m_was(false) {
    if (!m_dataSet) return;
    m_was = m_dataSet->ReadAhead();
    m_dataSet->SetReadAhead(true);
}

BlockReads::~BlockReads() {
    if (m_dataSet) m_dataSet->SetReadAhead(m_was);
}
