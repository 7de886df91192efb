// A dataset over rows kept in memory, for testing the base dataset, its fields and the data
// links without a table file. Each column is a field definition; each row holds one value per
// column. A bookmark is the 1-based row number written right-aligned in 10 characters, so that
// comparing bookmarks as text orders them by row.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/dataset.h"

namespace toolkit_test {

using Row = std::vector<TFieldValue>;

class MemoryDataSet : public TDataSet {
public:
    MemoryDataSet(std::vector<TFieldDef> columns, std::vector<Row> rows = {});
    ~MemoryDataSet() override;

    // The stored rows, as posted.
    const std::vector<Row>& Rows() const { return m_rows; }
    // Replaces the stored rows; only while closed, since the buffered rows would go stale.
    void SetRows(std::vector<Row> rows);
    // The values a new row starts with (missing columns are null).
    void SetBlankRow(Row row) { m_blankRow = std::move(row); }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // The code-page conversion string fields ask for; unchanged text when not set.
    std::function<std::string(const std::string& text, bool toTable)> Translator;

    // Run first in the matching internal step; a test makes the step fail by throwing.
    std::function<void()> OnInternalEdit;
    std::function<void()> OnInternalPost;
    std::function<void()> OnInternalDelete;

    // How often each internal step ran to its end.
    int EditCount() const { return m_editCount; }
    int PostCount() const { return m_postCount; }
    int DeleteCount() const { return m_deleteCount; }
    // The row the descendant's cursor stands on (0-based; -1 before the first, size after the
    // last).
    int Cursor() const { return m_cursor; }

    int RecordCount() override;
    int RecNo() override;
    void SetRecNo(int recNo) override;
    bool BookmarkValid(const TBookmarkStr& bookmark) override;
    // By row; an absent bookmark sorts before any other.
    int CompareBookmarks(const TBookmarkStr& first, const TBookmarkStr& second) override;

    bool GetFieldData(const TField& field, TFieldValue& value) override;
    void SetFieldData(TField& field, const TFieldValue& value) override;
    std::string Translate(const std::string& text, bool toTable) override;

    static TBookmarkStr BookmarkOf(int rowIndex);

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return m_cursorOpen; }
    void InternalFirst() override { m_cursor = -1; }
    void InternalLast() override { m_cursor = static_cast<int>(m_rows.size()); }
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void InternalEdit() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const TBookmarkStr& bookmark) override;
    TBookmarkStr GetBookmarkData(TRecordBuffer buffer) override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmarkStr& bookmark) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    bool GetCanModify() override { return !m_readOnly; }
    void ClearCalcFields(TRecordBuffer buffer) override;

private:
    // One buffered row: where it came from, where it lies, and its values.
    struct RowBuffer {
        int index = -1;  // 0-based row in m_rows, or the row an insert was started before
        TBookmarkFlag flag = TBookmarkFlag::bfCurrent;
        Row values;
        std::map<const TField*, TFieldValue> calculated;
    };

    static RowBuffer& rowOf(TRecordBuffer buffer) { return *reinterpret_cast<RowBuffer*>(buffer); }
    // The buffer the current state reads and writes, or null when there is none.
    RowBuffer* stateBuffer();
    int columnOf(const TField& field) const;
    static int parseBookmark(const TBookmarkStr& bookmark);
    Row sizedRow(const Row& row) const;

    std::vector<TFieldDef> m_columns;
    std::vector<Row> m_rows;
    Row m_blankRow;
    bool m_cursorOpen = false;
    bool m_readOnly = false;
    int m_cursor = -1;
    int m_editCount = 0;
    int m_postCount = 0;
    int m_deleteCount = 0;
};

}  // namespace toolkit_test
