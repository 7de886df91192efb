// The base dataset: cursor moves over a window of buffered rows, the edit cycle and the
// notifications of the data sources.
#include "toolkit/dataset.h"

#include <algorithm>

#include "toolkit/data_source.h"

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    // A descendant closes itself in its own destructor; what is left here is only unhooking.
    for (TDataSource* source : m_dataSources) source->m_dataSet = nullptr;
    m_dataSources.clear();
}

// ---- opening and closing ----------------------------------------------------------------------

void TDataSet::SetActive(bool active) {
    if (active == Active()) return;
    if (active) {
        DoBeforeOpen();
        try {
            OpenCursor();
        } catch (...) {
            m_state = TDataSetState::dsInactive;
            CloseCursor();
            throw;
        }
        SetState(TDataSetState::dsBrowse);
        DoAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        DoBeforeClose();
        SetState(TDataSetState::dsInactive);
        CloseCursor();
        DoAfterClose();
    }
}

void TDataSet::OpenCursor() {
    m_defaultFields = m_fields.empty();
    InternalOpen();
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_modified = false;
    UpdateBufferCount();
    GetNextRecords();
    m_bof = true;
    m_eof = m_recordCount == 0;
}

void TDataSet::CloseCursor() {
    FreeBuffers();
    if (IsCursorOpen()) InternalClose();
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_bof = true;
    m_eof = true;
}

void TDataSet::FreeBuffers() {
    for (TRecordBuffer& buffer : m_buffers) {
        if (buffer) FreeRecordBuffer(buffer);
    }
    m_buffers.clear();
    if (m_calcBuffer) FreeRecordBuffer(m_calcBuffer);
    m_calcBuffer = nullptr;
    m_bufferCount = 0;
}

// ---- the window of buffered rows --------------------------------------------------------------

void TDataSet::UpdateBufferCount() {
    int wanted = 1;
    for (TDataSource* source : m_dataSources) {
        for (TDataLink* link : source->m_links) wanted = std::max(wanted, link->BufferCount());
    }
    SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int count) {
    count = std::max(count, 1);
    if (!IsCursorOpen()) return;
    if (!m_calcBuffer) m_calcBuffer = AllocRecordBuffer();
    if (count == m_bufferCount && static_cast<int>(m_buffers.size()) == count + 1) return;
    const bool growing = count > m_bufferCount;
    if (count < m_recordCount) {
        // Keep the active row inside the smaller window: drop rows above it first.
        const int drop = std::max(0, m_activeRecord - (count - 1));
        std::rotate(m_buffers.begin(), m_buffers.begin() + drop, m_buffers.begin() + m_recordCount);
        m_activeRecord -= drop;
        m_recordCount = std::min(m_recordCount - drop, count);
    }
    while (static_cast<int>(m_buffers.size()) > count + 1) {
        FreeRecordBuffer(m_buffers.back());
        m_buffers.pop_back();
    }
    while (static_cast<int>(m_buffers.size()) < count + 1) m_buffers.push_back(AllocRecordBuffer());
    m_bufferCount = count;
    CursorPosChanged();
    if (growing && m_state == TDataSetState::dsBrowse && m_recordCount > 0) {
        GetNextRecords();
        GetPriorRecords();
    }
}

void TDataSet::ClearBuffers() {
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_bof = true;
    m_eof = true;
}

void TDataSet::ActivateBuffers() {
    m_recordCount = 1;
    m_activeRecord = 0;
    m_currentRecord = 0;
    m_bof = false;
    m_eof = false;
}

void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    auto begin = m_buffers.begin();
    if (from < to) {
        std::rotate(begin + from, begin + from + 1, begin + to + 1);
    } else {
        std::rotate(begin + to, begin + from, begin + from + 1);
    }
}

void TDataSet::SetCurrentRecord(int index) {
    if (m_currentRecord == index) return;
    TRecordBuffer buffer = m_buffers[static_cast<std::size_t>(index)];
    switch (GetBookmarkFlag(buffer)) {
        case TBookmarkFlag::bfCurrent:
        case TBookmarkFlag::bfInserted:
            // A new row carries the bookmark of the row it was inserted at.
            InternalSetToRecord(buffer);
            break;
        case TBookmarkFlag::bfBOF:
            InternalFirst();
            break;
        case TBookmarkFlag::bfEOF:
            InternalLast();
            break;
    }
    m_currentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (m_recordCount > 0) SetCurrentRecord(m_activeRecord);
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = TGetMode::gmNext;
    if (m_recordCount > 0) {
        SetCurrentRecord(m_recordCount - 1);
        // The row being inserted stands at the cursor: the record after it is the current one.
        if (m_state == TDataSetState::dsInsert && m_currentRecord == m_activeRecord &&
            GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent) {
            mode = TGetMode::gmCurrent;
        }
    }
    const bool ok = GetRecord(m_buffers[static_cast<std::size_t>(m_recordCount)], mode, true) == TGetResult::grOK;
    if (ok) {
        if (m_recordCount == 0) {
            ActivateBuffers();
        } else if (m_recordCount < m_bufferCount) {
            ++m_recordCount;
        } else {
            MoveBuffer(0, m_recordCount);
        }
        m_currentRecord = m_recordCount - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::GetPriorRecord() {
    if (m_recordCount > 0) SetCurrentRecord(0);
    const bool ok =
        GetRecord(m_buffers[static_cast<std::size_t>(m_recordCount)], TGetMode::gmPrior, true) == TGetResult::grOK;
    if (ok) {
        if (m_recordCount == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(m_recordCount, 0);
            if (m_recordCount < m_bufferCount) {
                ++m_recordCount;
                ++m_activeRecord;
            }
        }
        m_currentRecord = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

int TDataSet::GetNextRecords() {
    int read = 0;
    while (m_recordCount < m_bufferCount && GetNextRecord()) ++read;
    return read;
}

int TDataSet::GetPriorRecords() {
    int read = 0;
    while (m_recordCount < m_bufferCount && GetPriorRecord()) ++read;
    return read;
}

TRecordBuffer TDataSet::ActiveBuffer() const {
    if (m_buffers.empty()) return nullptr;
    return m_buffers[static_cast<std::size_t>(m_activeRecord)];
}

void TDataSet::SetActiveRecord(int index) {
    if (index < 0 || index >= static_cast<int>(m_buffers.size())) return;
    m_activeRecord = index;
}

bool TDataSet::IsEmpty() const { return m_activeRecord >= m_recordCount; }

// ---- cursor moves -----------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        m_bof = true;
        DataEvent(TDataEvent::deDataSetChange, 0);
        throw;
    }
    m_bof = true;
    DataEvent(TDataEvent::deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        m_eof = true;
        DataEvent(TDataEvent::deDataSetChange, 0);
        throw;
    }
    m_eof = true;
    DataEvent(TDataEvent::deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    DoBeforeScroll();
    if ((distance > 0 && !m_eof) || (distance < 0 && !m_bof)) {
        m_bof = false;
        m_eof = false;
        int scrolled = 0;
        auto finish = [&] { DataEvent(TDataEvent::deDataSetScroll, scrolled); };
        try {
            while (distance > 0) {
                if (m_activeRecord < m_recordCount - 1) {
                    ++m_activeRecord;
                } else {
                    const int shift = m_recordCount < m_bufferCount ? 0 : 1;
                    if (!GetNextRecord()) {
                        m_eof = true;
                        break;
                    }
                    scrolled -= shift;
                    if (m_activeRecord < m_recordCount - 1) ++m_activeRecord;
                }
                --distance;
                ++moved;
            }
            while (distance < 0) {
                if (m_activeRecord > 0) {
                    --m_activeRecord;
                } else {
                    const int shift = m_recordCount < m_bufferCount ? 0 : 1;
                    if (!GetPriorRecord()) {
                        m_bof = true;
                        break;
                    }
                    scrolled += shift;
                    if (m_activeRecord > 0) --m_activeRecord;
                }
                ++distance;
                --moved;
            }
        } catch (...) {
            finish();
            throw;
        }
        finish();
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::Resync(int mode) {
    if ((mode & rmExact) != 0) {
        CursorPosChanged();
        if (GetRecord(m_buffers[static_cast<std::size_t>(m_recordCount)], TGetMode::gmCurrent, true) !=
            TGetResult::grOK) {
            Fail(dbtext::SRecordNotFound);
        }
    } else {
        TRecordBuffer spare = m_buffers[static_cast<std::size_t>(m_recordCount)];
        if (GetRecord(spare, TGetMode::gmCurrent, false) != TGetResult::grOK &&
            GetRecord(spare, TGetMode::gmNext, false) != TGetResult::grOK &&
            GetRecord(spare, TGetMode::gmPrior, false) != TGetResult::grOK) {
            ClearBuffers();
            DataEvent(TDataEvent::deDataSetChange, 0);
            return;
        }
    }
    int before = (mode & rmCenter) != 0 ? (m_bufferCount - 1) / 2 : m_activeRecord;
    MoveBuffer(m_recordCount, 0);
    ActivateBuffers();
    try {
        while (before > 0 && GetPriorRecord()) --before;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(TDataEvent::deDataSetChange, 0);
        throw;
    }
    DataEvent(TDataEvent::deDataSetChange, 0);
}

// ---- counting and bookmarks -------------------------------------------------------------------

int TDataSet::RecordCount() { return -1; }

int TDataSet::RecNo() { return -1; }

void TDataSet::SetRecNo(int) {}

TBookmarkStr TDataSet::Bookmark() {
    const bool available = (m_state == TDataSetState::dsBrowse || m_state == TDataSetState::dsEdit ||
                            m_state == TDataSetState::dsInsert) &&
                           !IsEmpty() && GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent;
    return available ? GetBookmarkData(ActiveBuffer()) : TBookmarkStr();
}

void TDataSet::GotoBookmark(const TBookmarkStr& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmarkStr&, const TBookmarkStr&) { return 0; }

bool TDataSet::BookmarkValid(const TBookmarkStr&) { return false; }

// ---- fields -----------------------------------------------------------------------------------

TField& TDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount()) {
        throw EDatabaseError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return *m_fields[static_cast<std::size_t>(index)];
}

TField* TDataSet::FindField(const std::string& name) const {
    auto same = [&](const std::string& other) {
        return std::equal(name.begin(), name.end(), other.begin(), other.end(), [](char a, char b) {
            auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
            return up(a) == up(b);
        });
    };
    for (const auto& field : m_fields) {
        if (same(field->FieldName())) return field.get();
    }
    return nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) const {
    TField* field = FindField(name);
    if (!field) DatabaseError(FormatMessage(dbtext::SFieldNotFound, {name}), this);
    return *field;
}

void TDataSet::AddField(std::unique_ptr<TField> field) {
    CheckInactive();
    field->SetDataSet(this);
    m_fields.push_back(std::move(field));
}

int TDataSet::FieldIndex(const TField* field) const {
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].get() == field) return static_cast<int>(i);
    }
    return -1;
}

void TDataSet::CreateFields() {
    if (m_fields.empty()) {
        for (const TFieldDef& def : m_fieldDefs) {
            std::unique_ptr<TField> field = CreateFieldOfType(def.DataType, def.Size);
            if (!field) continue;
            field->SetFieldName(def.Name);
            field->SetRequired(def.Required);
            field->SetFieldNo(def.FieldNo);
            field->SetDataSet(this);
            m_fields.push_back(std::move(field));
        }
    } else {
        // Fields of the caller's: data fields find their column by name.
        for (const auto& field : m_fields) {
            if (field->FieldKind() != TFieldKind::fkData) continue;
            auto def = std::find_if(m_fieldDefs.begin(), m_fieldDefs.end(),
                                    [&](const TFieldDef& d) { return d.Name == field->FieldName(); });
            if (def == m_fieldDefs.end())
                DatabaseError(FormatMessage(dbtext::SFieldNotFound, {field->FieldName()}), this);
            field->SetFieldNo(def->FieldNo);
        }
    }
    CalculateCalcFieldOffsets();
}

void TDataSet::CalculateCalcFieldOffsets() {
    int offset = 0;
    for (const auto& field : m_fields) {
        if (field->FieldKind() == TFieldKind::fkCalculated || field->FieldKind() == TFieldKind::fkLookup) {
            field->SetOffset(offset);
            offset += 1 + field->DataSize();
        }
    }
    m_calcFieldsSize = offset;
}

void TDataSet::DestroyFields() {
    if (m_defaultFields) m_fields.clear();
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
    if (m_calcFieldsSize == 0 || !buffer) return;
    const TDataSetState saved = m_state;
    TRecordBuffer savedCalc = m_calcBuffer;
    m_state = TDataSetState::dsCalcFields;
    m_calcBuffer = buffer;
    try {
        ClearCalcFields(buffer);
        CalculateFields(buffer);
    } catch (...) {
        m_state = saved;
        m_calcBuffer = savedCalc;
        throw;
    }
    m_state = saved;
    m_calcBuffer = savedCalc;
}

void TDataSet::CalculateFields(TRecordBuffer) {
    if (m_autoCalcFields || m_state == TDataSetState::dsCalcFields) {
        if (OnCalcFields) OnCalcFields(*this);
    }
}

// ---- notifications ----------------------------------------------------------------------------

void TDataSet::SetState(TDataSetState state) {
    if (m_state == state) return;
    m_state = state;
    m_modified = false;
    DataEvent(TDataEvent::deUpdateState, 0);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == TDataEvent::deFieldChange) {
        auto* field = reinterpret_cast<TField*>(info);
        if (field->FieldKind() == TFieldKind::fkData || field->FieldKind() == TFieldKind::fkInternalCalc) {
            m_modified = true;
        }
        if (m_state != TDataSetState::dsSetKey && m_autoCalcFields && field->FieldKind() == TFieldKind::fkData) {
            GetCalcFields(ActiveBuffer());
        }
        field->Change();
    }
    if (m_disableCount > 0) {
        if (event == TDataEvent::deUpdateState) m_disabledStateChange = true;
        return;
    }
    const std::vector<TDataSource*> sources = m_dataSources;
    for (TDataSource* source : sources) source->DataEvent(event, info);
}

void TDataSet::EnableControls() {
    if (m_disableCount == 0) return;
    if (--m_disableCount > 0) return;
    if (m_disabledStateChange) {
        m_disabledStateChange = false;
        DataEvent(TDataEvent::deUpdateState, 0);
    }
    DataEvent(TDataEvent::deDataSetChange, 0);
}

void TDataSet::AddDataSource(TDataSource* source) {
    m_dataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    m_dataSources.erase(std::remove(m_dataSources.begin(), m_dataSources.end(), source), m_dataSources.end());
    UpdateBufferCount();
}

// ---- events -----------------------------------------------------------------------------------

void TDataSet::DoBeforeOpen() {
    if (BeforeOpen) BeforeOpen(*this);
}
void TDataSet::DoAfterOpen() {
    if (AfterOpen) AfterOpen(*this);
}
void TDataSet::DoBeforeClose() {
    if (BeforeClose) BeforeClose(*this);
}
void TDataSet::DoAfterClose() {
    if (AfterClose) AfterClose(*this);
}
void TDataSet::DoBeforeInsert() {
    if (BeforeInsert) BeforeInsert(*this);
}
void TDataSet::DoAfterInsert() {
    if (AfterInsert) AfterInsert(*this);
}
void TDataSet::DoBeforeEdit() {
    if (BeforeEdit) BeforeEdit(*this);
}
void TDataSet::DoAfterEdit() {
    if (AfterEdit) AfterEdit(*this);
}
void TDataSet::DoBeforePost() {
    if (BeforePost) BeforePost(*this);
}
void TDataSet::DoAfterPost() {
    if (AfterPost) AfterPost(*this);
}
void TDataSet::DoBeforeCancel() {
    if (BeforeCancel) BeforeCancel(*this);
}
void TDataSet::DoAfterCancel() {
    if (AfterCancel) AfterCancel(*this);
}
void TDataSet::DoBeforeDelete() {
    if (BeforeDelete) BeforeDelete(*this);
}
void TDataSet::DoAfterDelete() {
    if (AfterDelete) AfterDelete(*this);
}
void TDataSet::DoBeforeScroll() {
    if (BeforeScroll) BeforeScroll(*this);
}
void TDataSet::DoAfterScroll() {
    if (AfterScroll) AfterScroll(*this);
}
void TDataSet::DoBeforeRefresh() {
    if (BeforeRefresh) BeforeRefresh(*this);
}
void TDataSet::DoAfterRefresh() {
    if (AfterRefresh) AfterRefresh(*this);
}
void TDataSet::DoOnNewRecord() {
    if (OnNewRecord) OnNewRecord(*this);
}
