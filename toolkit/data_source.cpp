// Data sources and data links: the dataset's notifications fanned out to the controls, each link
// keeping its own window of the dataset's buffered rows.
#include "toolkit/data_source.h"

#include <algorithm>

#include "toolkit/dataset.h"

// ---- TDataSource ------------------------------------------------------------------------------

TDataSource::~TDataSource() {
    OnStateChange = nullptr;
    SetDataSet(nullptr);
    while (!m_links.empty()) RemoveDataLink(m_links.back());
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == m_dataSet) return;
    if (m_dataSet) m_dataSet->RemoveDataSource(this);
    m_dataSet = dataSet;
    if (m_dataSet) m_dataSet->AddDataSource(this);
    DataEvent(TDataEvent::deUpdateState, 0);
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    DataEvent(TDataEvent::deUpdateState, 0);
}

TDataSetState TDataSource::State() const { return m_state; }

void TDataSource::Edit() {
    if (m_autoEdit && m_state == TDataSetState::dsBrowse && m_dataSet) m_dataSet->Edit();
}

void TDataSource::AddDataLink(TDataLink* link) {
    m_links.push_back(link);
    link->m_dataSource = this;
    if (m_dataSet) m_dataSet->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    link->m_dataSource = nullptr;
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
    link->UpdateState();
    if (m_dataSet) m_dataSet->UpdateBufferCount();
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info) {
    // A link may detach itself while it is told; tell those present at the start.
    const std::vector<TDataLink*> links = m_links;
    for (TDataLink* link : links) {
        if (std::find(m_links.begin(), m_links.end(), link) != m_links.end()) link->DataEvent(event, info);
    }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == TDataEvent::deUpdateState) {
        const TDataSetState state = (m_enabled && m_dataSet) ? m_dataSet->State() : TDataSetState::dsInactive;
        if (state == m_state) return;
        m_state = state;
        NotifyLinks(TDataEvent::deUpdateState, 0);
        if (OnStateChange) OnStateChange(*this);
        return;
    }
    if (m_state == TDataSetState::dsInactive) return;
    NotifyLinks(event, info);
    switch (event) {
        case TDataEvent::deFieldChange:
            if (OnDataChange) OnDataChange(*this, reinterpret_cast<TField*>(info));
            break;
        case TDataEvent::deRecordChange:
        case TDataEvent::deDataSetChange:
        case TDataEvent::deDataSetScroll:
        case TDataEvent::deLayoutChange:
            if (OnDataChange) OnDataChange(*this, nullptr);
            break;
        case TDataEvent::deUpdateRecord:
            if (OnUpdateData) OnUpdateData(*this);
            break;
        default:
            break;
    }
}

// ---- TDataLink --------------------------------------------------------------------------------

TDataLink::~TDataLink() {
    if (m_dataSource) {
        auto& links = m_dataSource->m_links;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
        if (m_dataSource->m_dataSet) m_dataSource->m_dataSet->UpdateBufferCount();
    }
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == m_dataSource) return;
    if (m_dataSource) m_dataSource->RemoveDataLink(this);
    if (source) {
        source->AddDataLink(this);
    } else {
        UpdateState();
    }
}

TDataSet* TDataLink::DataSet() const { return m_dataSource ? m_dataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool readOnly) {
    if (readOnly == m_readOnly) return;
    m_readOnly = readOnly;
    UpdateState();
}

void TDataLink::UpdateState() {
    const TDataSetState state = m_dataSource ? m_dataSource->State() : TDataSetState::dsInactive;
    SetActive(state != TDataSetState::dsInactive);
    SetEditing(
        (state == TDataSetState::dsEdit || state == TDataSetState::dsInsert || state == TDataSetState::dsSetKey) &&
        !m_readOnly);
}

void TDataLink::SetActive(bool active) {
    if (active == m_active) return;
    m_active = active;
    if (active) {
        UpdateRange();
    } else {
        m_firstRecord = 0;
    }
    ActiveChanged();
}

void TDataLink::SetEditing(bool editing) {
    if (editing == m_editing) return;
    m_editing = editing;
    EditingChanged();
}

void TDataLink::SetBufferCount(int count) {
    count = std::max(count, 1);
    if (count == m_bufferCount) return;
    m_bufferCount = count;
    TDataSet* dataSet = DataSet();
    if (m_active && dataSet) {
        dataSet->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::UpdateRange() {
    TDataSet* dataSet = DataSet();
    if (!dataSet) return 0;
    const int before = m_firstRecord;
    const int lowest = std::max(0, dataSet->ActiveRecord() - m_bufferCount + 1);
    const int highest = std::min(dataSet->BufferCount() - m_bufferCount, dataSet->ActiveRecord());
    if (m_firstRecord < lowest) m_firstRecord = lowest;
    if (m_firstRecord > highest) m_firstRecord = highest;
    if (m_firstRecord < 0) m_firstRecord = 0;
    return m_firstRecord - before;
}

int TDataLink::ActiveRecord() const {
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSet->State() == TDataSetState::dsSetKey) return 0;
    return dataSet->ActiveRecord() - m_firstRecord;
}

void TDataLink::SetActiveRecord(int index) {
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSet->State() == TDataSetState::dsSetKey) return;
    dataSet->SetActiveRecord(index + m_firstRecord);
}

int TDataLink::RecordCount() const {
    TDataSet* dataSet = DataSet();
    if (!dataSet) return 0;
    if (dataSet->State() == TDataSetState::dsSetKey) return 1;
    return std::max(0, std::min(dataSet->BufferedRecordCount() - m_firstRecord, m_bufferCount));
}

bool TDataLink::Edit() {
    if (!m_readOnly && m_dataSource) m_dataSource->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord() {
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

int TDataLink::MoveBy(int distance) {
    TDataSet* dataSet = DataSet();
    return dataSet ? dataSet->MoveBy(distance) : 0;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == TDataEvent::deUpdateState) {
        UpdateState();
        return;
    }
    if (!m_active) return;
    switch (event) {
        case TDataEvent::deFieldChange:
        case TDataEvent::deRecordChange:
            if (!m_updating) RecordChanged(reinterpret_cast<TField*>(info));
            break;
        case TDataEvent::deDataSetChange:
        case TDataEvent::deDataSetScroll:
        case TDataEvent::deLayoutChange: {
            int count = 0;
            TDataSet* dataSet = DataSet();
            if (dataSet && dataSet->State() != TDataSetState::dsSetKey) {
                // The dataset's rows moved by `info`; the window follows them, then moves as little
                // as it must to keep the active row inside it.
                const int active = dataSet->ActiveRecord();
                const int first = m_firstRecord + static_cast<int>(info);
                const int last = first + m_bufferCount - 1;
                if (active > last) {
                    count = active - last;
                } else if (active < first) {
                    count = active - first;
                }
                m_firstRecord = first + count;
                UpdateRange();
            }
            if (event == TDataEvent::deDataSetChange) {
                DataSetChanged();
            } else if (event == TDataEvent::deDataSetScroll) {
                DataSetScrolled(count);
            } else {
                LayoutChanged();
            }
            break;
        }
        case TDataEvent::deUpdateRecord:
            UpdateData();
            break;
        case TDataEvent::deCheckBrowseMode:
            CheckBrowseMode();
            break;
        case TDataEvent::deFocusControl:
            FocusControl(reinterpret_cast<TField**>(info));
            break;
        default:
            break;
    }
}
