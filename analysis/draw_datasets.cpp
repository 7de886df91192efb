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

std::vector<TableField> TableFieldsOf(TDataSet& dataset) {
    std::vector<TableField> fields;
    for (int f = 0; f < dataset.FieldCount(); ++f) {
        const TField& field = dataset.Fields(f);
        const TFieldType type = field.DataType();
        const bool numeric =
            type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftFloat;
        fields.push_back({field.FieldName(), numeric});
    }
    return fields;
}

std::string DrawTableMismatch(TXbaseDataSet& dataset, const Game& game) {
    if (IsDrawTableOf(game, TableFieldsOf(dataset))) return {};
    return dataset.TableName() + " is not a " + game.name + " table: its first fields are not " + game.fieldName(0) +
           ".." + game.fieldName(game.fieldsPerDraw - 1) + ", numeric";
}
