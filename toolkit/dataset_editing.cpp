// The base dataset's edit cycle and the state checks its operations start with: edit, insert and
// append, posting and cancelling, deleting, each with its events and the data links told.
#include <algorithm>

#include "toolkit/data_source.h"
#include "toolkit/dataset.h"

void TDataSet::CheckActive() const {
    if (!Active()) Fail(dbtext::SDataSetClosed);
}

void TDataSet::CheckInactive() const {
    if (Active()) Fail(dbtext::SDataSetOpen);
}

void TDataSet::CheckCanModify() {
    if (!GetCanModify()) Fail(dbtext::SDataSetReadOnly);
}

void TDataSet::CheckOperation(void (TDataSet::*operation)(), TDataSetErrorEvent& errorEvent) {
    // Every failure of the step goes to its error event first; an engine failure is shown to the
    // event as a database error with the same message and, unless retried, raised as it was.
    for (;;) {
        TDataAction action = TDataAction::daFail;
        try {
            (this->*operation)();
            return;
        } catch (EDatabaseError& error) {
            if (errorEvent) errorEvent(*this, error, action);
            if (action == TDataAction::daFail) throw;
        } catch (Exception& error) {
            EDatabaseError shown(error.Message());
            if (errorEvent) errorEvent(*this, shown, action);
            if (action == TDataAction::daFail) throw;
        }
        if (action == TDataAction::daAbort) throw EAbort();
    }
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    switch (m_state) {
        case TDataSetState::dsEdit:
        case TDataSetState::dsInsert:
            UpdateRecord();
            if (m_modified) {
                Post();
            } else {
                Cancel();
            }
            break;
        case TDataSetState::dsSetKey:
            Post();
            break;
        default:
            break;
    }
}

void TDataSet::UpdateRecord() {
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert && m_state != TDataSetState::dsSetKey) {
        Fail(dbtext::SNotEditing);
    }
    DataEvent(TDataEvent::deUpdateRecord, 0);
}

void TDataSet::Edit() {
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert) return;
    if (m_recordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation(&TDataSet::InternalEdit, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(TDataSetState::dsEdit);
    DataEvent(TDataEvent::deRecordChange, 0);
    DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(TDataSetState::dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(TDataSetState::dsBrowse);
        Resync(0);
        throw;
    }
    m_modified = false;
    DataEvent(TDataEvent::deDataSetChange, 0);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, TBookmarkFlag::bfInserted);
}

void TDataSet::Insert() {
    BeginInsertAppend();
    const TBookmarkStr oldCurrent = Bookmark();
    MoveBuffer(m_recordCount, m_activeRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (m_recordCount == 0) {
        SetBookmarkFlag(buffer, TBookmarkFlag::bfBOF);
    } else {
        SetBookmarkData(buffer, oldCurrent);
    }
    if (m_recordCount < m_bufferCount) ++m_recordCount;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = m_buffers[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, TBookmarkFlag::bfEOF);
    m_recordCount = 1;
    m_bof = false;
    GetPriorRecords();
    InternalLast();
    EndInsertAppend();
}

void TDataSet::AddRecord(const std::vector<TFieldValue>& values, bool append) {
    BeginInsertAppend();
    if (!append) UpdateCursorPos();
    MoveBuffer(m_recordCount, m_activeRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (m_recordCount < m_bufferCount) ++m_recordCount;
    SetState(TDataSetState::dsInsert);
    try {
        for (std::size_t i = 0; i < values.size() && static_cast<int>(i) < FieldCount(); ++i) {
            if (!std::holds_alternative<std::monostate>(values[i])) Fields(static_cast<int>(i)).SetData(values[i]);
        }
        InternalAddRecord(buffer, append);
    } catch (...) {
        SetState(TDataSetState::dsBrowse);
        Resync(0);
        throw;
    }
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    DoAfterScroll();
}

void TDataSet::Post() {
    UpdateRecord();
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert) return;
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    DoBeforePost();
    CheckOperation(&TDataSet::InternalPost, OnPostError);
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert) return;
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    DoBeforeCancel();
    const bool scrollEvents = m_state == TDataSetState::dsInsert;
    if (scrollEvents) DoBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    DoAfterCancel();
    if (scrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (m_state == TDataSetState::dsInsert || m_state == TDataSetState::dsSetKey) {
        Cancel();
        return;
    }
    if (m_recordCount == 0) Fail(dbtext::SDataSetEmpty);
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    DoBeforeDelete();
    DoBeforeScroll();
    UpdateCursorPos();
    CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::Refresh() {
    DoBeforeRefresh();
    CheckBrowseMode();
    UpdateCursorPos();
    try {
        InternalRefresh();
    } catch (...) {
        Resync(0);
        throw;
    }
    Resync(0);
    DoAfterRefresh();
}
