// The in-memory dataset of the toolkit tests: a cursor over a vector of rows, with the row
// buffers, bookmarks and field store that a descendant of the base dataset must supply.
#include "tests/toolkit/memory_dataset.h"

#include <algorithm>
#include <utility>

#include "toolkit/database_error.h"

namespace toolkit_test {

MemoryDataSet::MemoryDataSet(std::vector<TFieldDef> columns, std::vector<Row> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)) {
    for (std::size_t i = 0; i < m_columns.size(); ++i) m_columns[i].FieldNo = static_cast<int>(i) + 1;
}

// The base class cannot close a descendant from its own destructor: by then the Internal*
// operations are gone.
MemoryDataSet::~MemoryDataSet() {
    try {
        Close();
    } catch (...) {
        // An event handler of a test failed while closing; nothing is left to report it to.
    }
}

void MemoryDataSet::SetRows(std::vector<Row> rows) {
    CheckInactive();
    m_rows = std::move(rows);
}

TBookmarkStr MemoryDataSet::BookmarkOf(int rowIndex) {
    std::string number = std::to_string(rowIndex + 1);
    if (number.size() < 10) number.insert(0, 10 - number.size(), ' ');
    return number;
}

int MemoryDataSet::parseBookmark(const TBookmarkStr& bookmark) {
    std::size_t i = 0;
    while (i < bookmark.size() && bookmark[i] == ' ') ++i;
    if (i == bookmark.size()) return 0;
    int value = 0;
    for (; i < bookmark.size(); ++i) {
        const char c = bookmark[i];
        if (c < '0' || c > '9' || value > 100000000) return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

Row MemoryDataSet::sizedRow(const Row& row) const {
    Row sized = row;
    sized.resize(m_columns.size());
    return sized;
}

int MemoryDataSet::columnOf(const TField& field) const {
    const int fieldNo = field.FieldNo();
    if (fieldNo >= 1 && fieldNo <= static_cast<int>(m_columns.size()) &&
        m_columns[static_cast<std::size_t>(fieldNo - 1)].Name == field.FieldName())
        return fieldNo - 1;
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].Name == field.FieldName()) return static_cast<int>(i);
    return -1;
}

MemoryDataSet::RowBuffer* MemoryDataSet::stateBuffer() {
    switch (State()) {
        case TDataSetState::dsInactive:
        case TDataSetState::dsOpening:
            return nullptr;
        case TDataSetState::dsCalcFields:
            return CalcBuffer() != nullptr ? &rowOf(CalcBuffer()) : nullptr;
        case TDataSetState::dsBrowse:
            if (BufferedRecordCount() == 0 || IsEmpty()) return nullptr;
            break;
        default:
            if (BufferedRecordCount() == 0) return nullptr;
            break;
    }
    TRecordBuffer active = ActiveBuffer();
    return active != nullptr ? &rowOf(active) : nullptr;
}

int MemoryDataSet::RecordCount() {
    CheckActive();
    return static_cast<int>(m_rows.size());
}

int MemoryDataSet::RecNo() {
    CheckActive();
    RowBuffer* row = nullptr;
    if (State() == TDataSetState::dsCalcFields)
        row = CalcBuffer() != nullptr ? &rowOf(CalcBuffer()) : nullptr;
    else if (BufferedRecordCount() > 0 && !IsEmpty())
        row = &rowOf(ActiveBuffer());
    if (row == nullptr || row->flag != TBookmarkFlag::bfCurrent) return 0;
    return row->index + 1;
}

void MemoryDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (recNo < 1 || recNo > static_cast<int>(m_rows.size()) || recNo == RecNo()) return;
    DoBeforeScroll();
    m_cursor = recNo - 1;
    Resync(rmCenter);
    DoAfterScroll();
}

bool MemoryDataSet::BookmarkValid(const TBookmarkStr& bookmark) {
    const int row = parseBookmark(bookmark);
    return Active() && row >= 1 && row <= static_cast<int>(m_rows.size());
}

int MemoryDataSet::CompareBookmarks(const TBookmarkStr& first, const TBookmarkStr& second) {
    const int a = first.empty() ? -1 : parseBookmark(first);
    const int b = second.empty() ? -1 : parseBookmark(second);
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool MemoryDataSet::GetFieldData(const TField& field, TFieldValue& value) {
    value = std::monostate{};
    const bool dataField = field.FieldKind() == TFieldKind::fkData;
    if (State() == TDataSetState::dsOldValue || State() == TDataSetState::dsCurValue) {
        // The stored row, as it was before the edit began.
        const int column = columnOf(field);
        if (!dataField || column < 0 || BufferedRecordCount() == 0) return false;
        const int index = rowOf(ActiveBuffer()).index;
        if (index < 0 || index >= static_cast<int>(m_rows.size())) return false;
        const Row& stored = m_rows[static_cast<std::size_t>(index)];
        if (static_cast<std::size_t>(column) < stored.size()) value = stored[static_cast<std::size_t>(column)];
        return !std::holds_alternative<std::monostate>(value);
    }
    RowBuffer* row = stateBuffer();
    if (row == nullptr) return false;
    if (!dataField) {
        const auto found = row->calculated.find(&field);
        if (found != row->calculated.end()) value = found->second;
    } else {
        const int column = columnOf(field);
        if (column < 0 || static_cast<std::size_t>(column) >= row->values.size()) return false;
        value = row->values[static_cast<std::size_t>(column)];
    }
    return !std::holds_alternative<std::monostate>(value);
}

void MemoryDataSet::SetFieldData(TField& field, const TFieldValue& value) {
    const TDataSetState state = State();
    switch (state) {
        case TDataSetState::dsEdit:
        case TDataSetState::dsInsert:
        case TDataSetState::dsSetKey:
        case TDataSetState::dsCalcFields:
        case TDataSetState::dsFilter:
        case TDataSetState::dsNewValue:
            break;
        default:
            DatabaseError(dbtext::SNotEditing, this);
    }
    RowBuffer* row = stateBuffer();
    if (row == nullptr) DatabaseError(dbtext::SNotEditing, this);
    if (field.FieldKind() == TFieldKind::fkData) {
        if (state == TDataSetState::dsCalcFields) DatabaseError(dbtext::SNotEditing, this);
        if (field.ReadOnly() && state != TDataSetState::dsSetKey && state != TDataSetState::dsFilter)
            DatabaseError(FormatMessage(dbtext::SFieldReadOnly, {field.DisplayName()}));
        const int column = columnOf(field);
        if (column < 0) DatabaseError(FormatMessage(dbtext::SFieldNotFound, {field.FieldName()}), this);
        field.Validate();
        row->values.resize(m_columns.size());
        row->values[static_cast<std::size_t>(column)] = value;
    } else {
        row->calculated[&field] = value;
    }
    if (state != TDataSetState::dsCalcFields && state != TDataSetState::dsFilter && state != TDataSetState::dsNewValue)
        DataEvent(TDataEvent::deFieldChange, reinterpret_cast<std::intptr_t>(&field));
}

std::string MemoryDataSet::Translate(const std::string& text, bool toTable) {
    return Translator ? Translator(text, toTable) : text;
}

TRecordBuffer MemoryDataSet::AllocRecordBuffer() {
    auto* row = new RowBuffer;
    row->values.resize(m_columns.size());
    return reinterpret_cast<TRecordBuffer>(row);
}

void MemoryDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete reinterpret_cast<RowBuffer*>(buffer);
    buffer = nullptr;
}

TGetResult MemoryDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    const int count = static_cast<int>(m_rows.size());
    TGetResult result = TGetResult::grOK;
    if (count == 0) {
        result = TGetResult::grEOF;
    } else {
        switch (mode) {
            case TGetMode::gmNext:
                if (m_cursor >= count - 1)
                    result = TGetResult::grEOF;
                else
                    ++m_cursor;
                break;
            case TGetMode::gmPrior:
                if (m_cursor <= 0)
                    result = TGetResult::grBOF;
                else
                    --m_cursor;
                break;
            case TGetMode::gmCurrent:
                if (m_cursor < 0 || m_cursor >= count) result = TGetResult::grError;
                break;
        }
    }
    if (result == TGetResult::grError && doCheck) DatabaseError("Record request beyond range of table");
    if (result != TGetResult::grOK) return result;
    RowBuffer& row = rowOf(buffer);
    row.index = m_cursor;
    row.flag = TBookmarkFlag::bfCurrent;
    row.values = sizedRow(m_rows[static_cast<std::size_t>(m_cursor)]);
    row.calculated.clear();
    GetCalcFields(buffer);
    return result;
}

void MemoryDataSet::InternalOpen() {
    FieldDefs() = m_columns;
    CreateFields();
    m_cursor = -1;
    m_cursorOpen = true;
}

void MemoryDataSet::InternalClose() {
    if (DefaultFields()) DestroyFields();
    m_cursorOpen = false;
    m_cursor = -1;
}

void MemoryDataSet::InternalInitRecord(TRecordBuffer buffer) {
    RowBuffer& row = rowOf(buffer);
    row.index = -1;
    row.values = sizedRow(m_blankRow);
    row.calculated.clear();
}

void MemoryDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
    const RowBuffer& row = rowOf(buffer);
    const int count = static_cast<int>(m_rows.size());
    const int position = append ? count : std::clamp(m_cursor, 0, count);
    m_rows.insert(m_rows.begin() + position, sizedRow(row.values));
    m_cursor = position;
}

void MemoryDataSet::InternalEdit() {
    if (OnInternalEdit) OnInternalEdit();
    ++m_editCount;
}

void MemoryDataSet::InternalPost() {
    if (OnInternalPost) OnInternalPost();
    const RowBuffer& row = rowOf(ActiveBuffer());
    const int count = static_cast<int>(m_rows.size());
    if (State() == TDataSetState::dsEdit) {
        if (row.index < 0 || row.index >= count) DatabaseError(dbtext::SRecordNotFound, this);
        m_rows[static_cast<std::size_t>(row.index)] = sizedRow(row.values);
        m_cursor = row.index;
    } else {
        // A row inserted in front of a record takes that record's place; an appended one, or
        // one begun on an empty dataset, goes to the end.
        int position = count;
        if (row.flag != TBookmarkFlag::bfEOF && row.flag != TBookmarkFlag::bfBOF)
            position = row.index >= 0 && row.index <= count ? row.index : std::clamp(m_cursor, 0, count);
        m_rows.insert(m_rows.begin() + position, sizedRow(row.values));
        m_cursor = position;
    }
    ++m_postCount;
}

void MemoryDataSet::InternalDelete() {
    if (OnInternalDelete) OnInternalDelete();
    const RowBuffer& row = rowOf(ActiveBuffer());
    const int index = row.index >= 0 ? row.index : m_cursor;
    if (index < 0 || index >= static_cast<int>(m_rows.size())) DatabaseError(dbtext::SRecordNotFound, this);
    m_rows.erase(m_rows.begin() + index);
    // The cursor goes to the record that followed, or to the new last one.
    m_cursor = std::min(index, static_cast<int>(m_rows.size()) - 1);
    ++m_deleteCount;
}

void MemoryDataSet::InternalSetToRecord(TRecordBuffer buffer) { m_cursor = rowOf(buffer).index; }

void MemoryDataSet::InternalGotoBookmark(const TBookmarkStr& bookmark) {
    const int row = parseBookmark(bookmark);
    if (row < 1 || row > static_cast<int>(m_rows.size())) DatabaseError(dbtext::SBookmarkNotFound, this);
    m_cursor = row - 1;
}

TBookmarkStr MemoryDataSet::GetBookmarkData(TRecordBuffer buffer) { return BookmarkOf(rowOf(buffer).index); }

void MemoryDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmarkStr& bookmark) {
    rowOf(buffer).index = parseBookmark(bookmark) - 1;
}

TBookmarkFlag MemoryDataSet::GetBookmarkFlag(TRecordBuffer buffer) { return rowOf(buffer).flag; }

void MemoryDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) { rowOf(buffer).flag = flag; }

void MemoryDataSet::ClearCalcFields(TRecordBuffer buffer) { rowOf(buffer).calculated.clear(); }

}  // namespace toolkit_test
