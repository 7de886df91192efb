// The draw tables' datasets with the settings the main window gives them.
#include "analysis/draw_datasets.h"

std::unique_ptr<TXbaseDataSet> MakeDrawDataSetOn(const Game& game, const std::string& tablePath)
{
    auto dataSet = std::make_unique<TXbaseDataSet>();
    dataSet->SetName(game.dataSetName);
    dataSet->SetTableName(tablePath);
    dataSet->SetExclusive(false);
    dataSet->SetExactCount(true);
    dataSet->SetUseDeleted(false);
    dataSet->SetTranslateASCII(true);
    dataSet->SetLockProtocol(TxbLokProtocol::Default);
    dataSet->SetUserID(0);
    dataSet->Open();
    return dataSet;
}

std::unique_ptr<TXbaseDataSet> MakeDrawDataSet(const Game& game, const std::string& directory)
{
    std::string tableName = game.tableFileName;
    if (!directory.empty()) tableName = directory + (directory.back() == '/' ? "" : "/") + tableName;
    return MakeDrawDataSetOn(game, tableName);
}
