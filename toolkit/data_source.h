// The data source that joins a dataset to the controls, and the data link through which a
// control learns of the dataset's changes and reads the rows of its own window of buffered rows.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/db_types.h"

class TDataLink;

class TDataSource : public TComponent {
public:
    TDataSource() = default;
    ~TDataSource() override;
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // Whether a control may start an edit by itself when the user types.
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool autoEdit) { m_autoEdit = autoEdit; }
    TDataSetState State() const;
    // Starts an edit when AutoEdit is on and the dataset browses.
    void Edit();

    // With the changed field, or with none (nullptr) when the row or the rows changed.
    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    void NotifyLinks(TDataEvent event, std::intptr_t info);

    TDataSet* m_dataSet = nullptr;
    bool m_enabled = true;
    bool m_autoEdit = true;
    TDataSetState m_state = TDataSetState::dsInactive;
    std::vector<TDataLink*> m_links;
};

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const { return m_active; }
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);

    // The link's window of rows: how many it wants buffered, which of them is active (0-based
    // within the window), and how many hold records.
    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int count);
    int ActiveRecord() const;
    void SetActiveRecord(int index);
    int RecordCount() const;

    // Starts an edit through the data source; true when the dataset is then editing.
    bool Edit();
    // Has this link (and the others) write pending values into the fields.
    void UpdateRecord();
    int MoveBy(int distance);

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) {
        (void)distance;
        DataSetChanged();
    }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField** field) { (void)field; }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void UpdateState();
    void SetActive(bool active);
    void SetEditing(bool editing);
    // Keeps the dataset's active row inside this link's window; returns how far it moved.
    int UpdateRange();

    TDataSource* m_dataSource = nullptr;
    bool m_active = false;
    bool m_editing = false;
    bool m_readOnly = false;
    bool m_updating = false;
    int m_bufferCount = 1;
    int m_firstRecord = 0;
};
