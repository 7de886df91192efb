// What the two draw data windows share: a window that holds its own dataset on one game's
// table, opened while the window is made, and that only hides when closed.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "datawin/xbase_dataset.h"
#include "toolkit/data_source.h"

class TDataWindow : public QWidget {
    Q_OBJECT
public:
    // Opens the dataset on `tableName` in the current directory; raises what the open raises.
    TDataWindow(const std::string& tableName, const QString& caption, QWidget* parent = nullptr);
    ~TDataWindow() override;

    TXbaseDataSet& XbaseDataSet1() { return *m_dataSet; }
    TDataSource& DataSource1() { return *m_dataSource; }
    // Shows the window, or brings it to the front when it is shown already.
    void ShowAndRaise();

private:
    std::unique_ptr<TXbaseDataSet> m_dataSet;
    std::unique_ptr<TDataSource> m_dataSource;
};
