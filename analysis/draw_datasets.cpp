// The draw tables' datasets with the settings the main window gives them.
#include "analysis/draw_datasets.h"

std::unique_ptr<TXbaseDataSet> MakeDrawDataSetOn(const Game& game, const std::string& tablePath) {
    auto dataSet = std::make_unique<TXbaseDataSet>();
    SetDrawTableProperties(*dataSet, game.dataSetName, tablePath);
    dataSet->Open();
    return dataSet;
}

std::unique_ptr<TXbaseDataSet> MakeDrawDataSet(const Game& game, const std::string& directory) {
    std::string tableName = game.tableFileName;
    if (!directory.empty()) tableName = directory + (directory.back() == '/' ? "" : "/") + tableName;
    return MakeDrawDataSetOn(game, tableName);
}

namespace {

bool HasDrawFields(TDataSet& dataset, const Game& game) {
    if (dataset.FieldCount() < game.fieldsPerDraw) return false;
    for (int f = 0; f < game.fieldsPerDraw; ++f) {
        const TField& field = dataset.Fields(f);
        const TFieldType type = field.DataType();
        const bool numeric =
            type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftFloat;
        if (!numeric || field.FieldName() != game.fieldName(f)) return false;
    }
    return true;
}

}  // namespace

std::string DrawTableMismatch(TXbaseDataSet& dataset, const Game& game) {
    if (HasDrawFields(dataset, game)) return {};
    return dataset.TableName() + " is not a " + game.name + " table: its first fields are not " + game.fieldName(0) +
           ".." + game.fieldName(game.fieldsPerDraw - 1) + ", numeric";
}
