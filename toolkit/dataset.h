// The base dataset: a cursor over the records of a descendant's storage, a window of buffered
// rows around it for the controls, the state machine of browsing, editing and inserting, the
// field objects, bookmarks and the notifications the data links receive. Descendants supply the
// records through the Internal* operations and GetRecord.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/database_error.h"
#include "toolkit/db_types.h"
#include "toolkit/fields.h"

class TDataSource;
class TDataLink;

struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;
    bool Required = false;
    int FieldNo = 0;
};

class TDataSet : public TComponent {
public:
    TDataSet();
    ~TDataSet() override;
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // Opening and closing.
    bool Active() const { return m_state != TDataSetState::dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    // The cursor. (The class library calls the two marks BOF and EOF; EOF is a macro of the C
    // library, so they are spelt Bof and Eof here.)
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const;

    // The edit cycle.
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void Refresh();
    // Add a complete record in one call: values go to the fields in order, null ones stay blank.
    void InsertRecord(const std::vector<TFieldValue>& values) { AddRecord(values, false); }
    void AppendRecord(const std::vector<TFieldValue>& values) { AddRecord(values, true); }
    // Posts a modified edit or insert, cancels an unmodified one.
    void CheckBrowseMode();
    // Has the controls hand their pending values to the fields; fails outside edit or insert.
    void UpdateRecord();
    void Resync(int mode);

    TDataSetState State() const { return m_state; }
    bool Modified() const { return m_modified; }
    virtual int RecordCount();
    virtual int RecNo();
    virtual void SetRecNo(int recNo);
    virtual bool IsSequenced() { return true; }
    // The active row's place among the records the dataset shows (1 for the first, 0 with none),
    // and moving to the record at a place: what a sequenced grid's scroll bar shows and sets, so
    // that its position agrees with RecordCount. A dataset whose record numbers count only the
    // records it shows has them as its places.
    virtual int SequenceNo() { return RecNo(); }
    virtual void SetSequenceNo(int place) { SetRecNo(place); }
    bool CanModify() { return GetCanModify(); }

    // Bookmarks.
    TBookmarkStr Bookmark();
    void SetBookmark(const TBookmarkStr& bookmark) { GotoBookmark(bookmark); }
    TBookmarkStr GetBookmark() { return Bookmark(); }
    void GotoBookmark(const TBookmarkStr& bookmark);
    virtual int CompareBookmarks(const TBookmarkStr& first, const TBookmarkStr& second);
    virtual bool BookmarkValid(const TBookmarkStr& bookmark);

    // Fields and their definitions.
    std::vector<TFieldDef>& FieldDefs() { return m_fieldDefs; }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    TField& Fields(int index) const;
    TField* FindField(const std::string& name) const;
    TField& FieldByName(const std::string& name) const;
    // Adds a field object of the caller's (before opening); the dataset then makes none itself.
    void AddField(std::unique_ptr<TField> field);
    int FieldIndex(const TField* field) const;

    // Controls.
    void DisableControls() { ++m_disableCount; }
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    bool AutoCalcFields() const { return m_autoCalcFields; }
    void SetAutoCalcFields(bool on) { m_autoCalcFields = on; }

    // Used by the fields: the value of the current row, and storing one into it.
    virtual bool GetFieldData(const TField& field, TFieldValue& value) = 0;
    virtual void SetFieldData(TField& field, const TFieldValue& value) = 0;
    // The code-page conversion of string fields; to table when toTable.
    virtual std::string Translate(const std::string& text, bool toTable) {
        (void)toTable;
        return text;
    }

    // Events (assignable callbacks).
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh, OnCalcFields, OnNewRecord;
    TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;
    TFilterRecordEvent OnFilterRecord;

    // The buffered rows, for the data links.
    int BufferCount() const { return m_bufferCount; }
    int BufferedRecordCount() const { return m_recordCount; }
    int ActiveRecord() const { return m_activeRecord; }
    // Makes another buffered row the active one for reading, as a grid does while it paints.
    void SetActiveRecord(int index);
    TRecordBuffer ActiveBuffer() const;

protected:
    // What a descendant supplies.
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalPost() = 0;
    virtual void InternalCancel() {}
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    virtual void InternalHandleException() {}
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual void InternalGotoBookmark(const TBookmarkStr& bookmark) = 0;
    virtual TBookmarkStr GetBookmarkData(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const TBookmarkStr& bookmark) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    virtual bool GetCanModify() { return true; }
    virtual void ClearCalcFields(TRecordBuffer buffer) { (void)buffer; }
    virtual void CalculateFields(TRecordBuffer buffer);

    // The events, overridable so that a descendant can hook its own steps between them.
    virtual void DoBeforeOpen();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoAfterClose();
    virtual void DoBeforeInsert();
    virtual void DoAfterInsert();
    virtual void DoBeforeEdit();
    virtual void DoAfterEdit();
    virtual void DoBeforePost();
    virtual void DoAfterPost();
    virtual void DoBeforeCancel();
    virtual void DoAfterCancel();
    virtual void DoBeforeDelete();
    virtual void DoAfterDelete();
    virtual void DoBeforeScroll();
    virtual void DoAfterScroll();
    virtual void DoBeforeRefresh();
    virtual void DoAfterRefresh();
    virtual void DoOnNewRecord();

    // Sends an event to the data sources (and so to every link), and reacts to it first.
    virtual void DataEvent(TDataEvent event, std::intptr_t info);
    void SetState(TDataSetState state);
    // A state for the length of one operation, without telling the controls.
    void ForceState(TDataSetState state) { m_state = state; }
    void SetModified(bool modified) { m_modified = modified; }
    void SetBof(bool bof) { m_bof = bof; }
    void SetEof(bool eof) { m_eof = eof; }
    void CheckActive() const;
    void CheckInactive() const;
    void CheckCanModify();
    // Runs an internal operation; a database error goes to its error event first.
    void CheckOperation(void (TDataSet::*operation)(), TDataSetErrorEvent& errorEvent);
    // Positions the descendant's cursor on the active row.
    void UpdateCursorPos();
    void CursorPosChanged() { m_currentRecord = -1; }
    TRecordBuffer Buffer(int index) const { return m_buffers[static_cast<std::size_t>(index)]; }
    // The row being calculated while OnCalcFields runs.
    TRecordBuffer CalcBuffer() const { return m_calcBuffer; }
    void GetCalcFields(TRecordBuffer buffer);
    void InitRecord(TRecordBuffer buffer);
    // Creates one field object per definition (when none were added) and binds them.
    void CreateFields();
    void DestroyFields();
    bool DefaultFields() const { return m_defaultFields; }
    int CalcFieldsSize() const { return m_calcFieldsSize; }
    // The dataset's component name for the base class's messages.
    [[noreturn]] void Fail(const char* message) const { DatabaseError(message, this); }

private:
    friend class TDataSource;
    friend class TDataLink;

    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void UpdateBufferCount();
    void SetBufferCount(int count);
    void ClearBuffers();
    void ActivateBuffers();
    void MoveBuffer(int from, int to);
    void SetCurrentRecord(int index);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void BeginInsertAppend();
    void AddRecord(const std::vector<TFieldValue>& values, bool append);
    void EndInsertAppend();
    void OpenCursor();
    void CloseCursor();
    void FreeBuffers();
    void CalculateCalcFieldOffsets();

    TDataSetState m_state = TDataSetState::dsInactive;
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    bool m_autoCalcFields = true;
    bool m_defaultFields = true;
    int m_disableCount = 0;
    bool m_disabledStateChange = false;
    int m_bufferCount = 0;
    int m_recordCount = 0;
    int m_activeRecord = 0;
    int m_currentRecord = -1;
    int m_calcFieldsSize = 0;
    // m_bufferCount rows plus one where the next row is read before it is placed.
    std::vector<TRecordBuffer> m_buffers;
    TRecordBuffer m_calcBuffer = nullptr;
    std::vector<TFieldDef> m_fieldDefs;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<TDataSource*> m_dataSources;
};
