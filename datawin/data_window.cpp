// The draw data windows' common part: the dataset, its data source, show and hide.
#include "datawin/data_window.h"

TDataWindow::TDataWindow(const std::string& tableName, const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_dataSet(std::make_unique<TXbaseDataSet>()),
      m_dataSource(std::make_unique<TDataSource>()) {
    setWindowTitle(caption);
    m_dataSet->SetName("XbaseDataSet1");
    m_dataSet->SetTableName(tableName);
    m_dataSet->SetAutoCalcFields(false);
    m_dataSet->SetExactCount(true);
    m_dataSet->SetExclusive(false);
    m_dataSet->SetLockProtocol(TxbLokProtocol::Default);
    m_dataSet->SetTranslateASCII(true);
    m_dataSet->SetUseDeleted(false);
    m_dataSet->SetUserID(0);
    m_dataSource->SetName("DataSource1");
    m_dataSource->SetDataSet(m_dataSet.get());
    m_dataSet->Open();
}

TDataWindow::~TDataWindow() {
    m_dataSource->SetDataSet(nullptr);
}

void TDataWindow::ShowAndRaise() {
    show();
    raise();
    activateWindow();
}
