// The table dataset: a dataset over one DBF table through the storage engine's table handler,
// the object through which the windows and the analyses see a draw table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dbf/constants.h"
#include "dbf/table_handler.h"
#include "toolkit/dataset.h"

class TXbaseDataSet;

using TxbFormulaMake = std::function<void(TXbaseDataSet&, const std::string& formula)>;
using TxbStatusReport = std::function<void(TXbaseDataSet&, int code, std::int64_t number)>;

class TXbaseDataSet : public TDataSet, private DBFObjectHooks {
public:
    TXbaseDataSet();
    ~TXbaseDataSet() override;

    // Published properties, with their defaults.
    std::string About() const;
    void SetAbout(const std::string&) {}  // read-only banner: assigning has no effect
    const std::string& DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const std::string& name);
    const std::string& EncryptionKey() const { return m_encryptionKey; }
    void SetEncryptionKey(const std::string& key);
    bool ExactCount() const { return m_exactCount; }
    void SetExactCount(bool exact) { m_exactCount = exact; }
    bool Exclusive() const { return m_exclusive; }
    void SetExclusive(bool exclusive);
    const std::string& Filter() const { return m_filter; }
    void SetFilter(const std::string& filter) { m_filter = filter; }
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool filtered) { m_filtered = filtered; }
    const std::vector<std::string>& IndexFiles() const { return m_indexFiles; }
    void SetIndexFiles(const std::vector<std::string>& files) { m_indexFiles = files; }
    const std::string& IndexName() const { return m_indexName; }
    void SetIndexName(const std::string& name) { m_indexName = name; }
    TxbLokProtocol LockProtocol() const { return m_lockProtocol; }
    void SetLockProtocol(TxbLokProtocol protocol);
    const std::string& MasterFields() const { return m_masterFields; }
    void SetMasterFields(const std::string& fields) { m_masterFields = fields; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    const std::string& TableName() const { return m_tableName; }
    void SetTableName(const std::string& name);
    bool TranslateASCII() const { return m_translateASCII; }
    void SetTranslateASCII(bool translate) { m_translateASCII = translate; }
    bool UseDeleted() const { return m_useDeleted; }
    void SetUseDeleted(bool useDeleted);
    std::int32_t UserID() const { return m_userID; }
    void SetUserID(std::int32_t user);

    // Number fields stored as text (N, F) in which a blank means "no number": on, a blank field
    // reads as null and a null is written blank, and a new row starts with them blank. Off, as the
    // draw tables have it, a blank reads and a null is written as 0. For tables whose rows may use
    // fewer of their number fields than they have, such as the tickets table.
    bool BlankNumbersNull() const { return m_blankNumbersNull; }
    void SetBlankNumbersNull(bool on) { m_blankNumbersNull = on; }

    // Reads records in blocks of up to 32 KB instead of one by one, for a long walk over the table
    // such as an analysis: while it is on, records that another program rewrites are seen only
    // when their block is read again. Off at open; the edit cycle never needs it.
    void SetReadAhead(bool on);
    bool ReadAhead() const;

    TxbFormulaMake OnFormula;
    TxbStatusReport OnStatus;

    int RecordCount() override;
    int RecNo() override;
    void SetRecNo(int recNo) override;
    bool IsSequenced() override { return !m_filtered; }
    // With ExactCount, the places among the visible records, told from the deleted records' numbers
    // the count reads along; otherwise (every record counted) the record numbers.
    int SequenceNo() override;
    void SetSequenceNo(int place) override;
    int CompareBookmarks(const TBookmarkStr& first, const TBookmarkStr& second) override;
    bool BookmarkValid(const TBookmarkStr& bookmark) override;
    bool GetFieldData(const TField& field, TFieldValue& value) override;
    void SetFieldData(TField& field, const TFieldValue& value) override;
    std::string Translate(const std::string& text, bool toTable) override;

    // The value AsInteger gives for each of `fields` (data fields of this dataset) as one byte,
    // itself when it lies in 1..largest and 0 otherwise, for every visible record in table order,
    // with the record's physical number: one pass over the table in large blocks that leaves the
    // cursor and the rows on show as they are. The visitor gets the rows in batches, `cells` row
    // after row (one byte per field) and `records` one number per row; no record past `last` is
    // read. Whole numbers are decoded
    // straight from the record image; any other text goes through the engine's conversion, so
    // the values and errors are AsInteger's. Gives false, having read nothing, when the records
    // need the record-by-record walk instead: a field that is not a stored whole number, an
    // active filter, a status handler.
    using ByteRowsVisitor =
        std::function<void(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records)>;
    bool ScanByteFields(std::span<const TField* const> fields, std::uint8_t largest, const ByteRowsVisitor& visit,
                        std::uint32_t last = UINT32_MAX);

    // Clears the deletion flag of the current record.
    void Recall();

    // The engine's table handler while open, for those that need the table itself.
    DBFObject* Engine() const { return m_engine.get(); }

    // The process-wide directory aliases: "Default Directory" first, then the [Alias] section of
    // xbase.cfg in the user's configuration directory, names and paths upper-cased.
    static std::vector<std::pair<std::string, std::string>>& Aliases();
    // Reads the alias file again (the program does so once, at start).
    static void LoadAliases();

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return m_engine != nullptr; }
    void InternalFirst() override;
    void InternalLast() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalEdit() override;
    void InternalRefresh() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const TBookmarkStr& bookmark) override;
    TBookmarkStr GetBookmarkData(TRecordBuffer buffer) override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmarkStr& bookmark) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    bool GetCanModify() override { return !m_readOnly; }
    void ClearCalcFields(TRecordBuffer buffer) override;
    void DoAfterInsert() override;

private:
    // The engine's hooks.
    bool acceptRecord() override;
    void statusReport(int code, std::int64_t number) override;
    void formulaRequest(const std::string& formula) override;

    // Row buffer layout: record image, calculated fields, record number, bookmark flag, bookmark.
    std::size_t RecordInfoOffset() const;
    std::int32_t RowRecordNumber(TRecordBuffer buffer) const;
    void SetRowRecordNumber(TRecordBuffer buffer, std::int32_t number);
    // The row a field value is read from in the present state.
    TRecordBuffer CurrentRowBuffer();
    // The table's path: the resolved directory joined with the table name.
    std::string TablePath() const;
    std::string ResolveDirectory() const;
    void BuildFieldDefs();
    // Marks (or unmarks) the active row's record deleted in the file, under the record's lock;
    // raises the record-locked error, or the cannot delete/recall one when the write failed.
    void MarkActiveRecord(bool deleted);
    // AsInteger's value of engine field n in the record buffer in use: rounded half to even,
    // range checked.
    std::int32_t EngineInteger(int n) const;
    // The engine's field numbers and record offsets of the fields a scan reads, and whether all
    // are two bytes wide; false when one is no whole-number data field of this table.
    bool IntegerColumns(std::span<const TField* const> fields, std::vector<int>& numbers,
                        std::vector<std::uint32_t>& offsets, bool& twoByteFields) const;
    // Whether engine field n is a number field whose blank is null (see BlankNumbersNull).
    bool BlankIsNull(int n) const;
    // Stores a data field's value through the engine into the record it points at.
    void PutEngineValue(const TField& field, const TFieldValue& value);
    // Positions the engine on a physical record (read into the buffer in use).
    void GotoRecordNumber(std::int64_t number);

    std::unique_ptr<DBFObject> m_engine;
    std::string m_databaseName;
    std::string m_encryptionKey;
    bool m_exactCount = false;
    bool m_exclusive = false;
    std::string m_filter;
    bool m_filtered = false;
    std::vector<std::string> m_indexFiles;
    std::string m_indexName;
    TxbLokProtocol m_lockProtocol = TxbLokProtocol::Default;
    std::string m_masterFields;
    bool m_readOnly = false;
    std::string m_tableName;
    bool m_translateASCII = true;
    bool m_useDeleted = false;
    std::int32_t m_userID = 0;
    bool m_blankNumbersNull = false;

    // The last exact count read by the block path, the numbers of the records it passed over as
    // hidden (ascending) and the file's version when it was read: kept while the file stays as it
    // was, so that a grid asking on every move pays a look at the file instead of a pass over it.
    struct KnownCount {
        bool known = false;
        int count = 0;
        std::vector<std::uint32_t> hidden;
        XBO_DiskFile::Version version;
    };
    KnownCount m_knownCount;
    // The count and the hidden records as the file alone decides them, read again only when the
    // file changed; nullptr when code of ours decides which record shows (a filter or a status
    // handler), which only a walk can ask.
    const KnownCount* FileVisibility();

    bool m_atFirst = false;
    bool m_atLast = false;
    bool m_editInProgress = false;
    std::size_t m_recordLength = 0;
};

// The settings every dataset of the program on a draw table has, the main window's and the data
// windows' alike: the table by name, shared, the exact record count, deleted draws hidden, text
// translated, the default lock protocol, user 0.
void SetDrawTableProperties(TXbaseDataSet& dataset, const std::string& name, const std::string& tableName);

// The dataset's own message texts.
namespace xbtext {
inline constexpr const char* STableNameMissing = "Table name missing";
inline constexpr const char* SCannotFindFile = "Cannot find file %s";
inline constexpr const char* SRecordBeyondRange = "Record request beyond range of table";
inline constexpr const char* SBookmarkInvalid = "Bookmark is invalid for table ";
inline constexpr const char* SRecordLocked = "Record is locked by another user";
inline constexpr const char* SCannotDelete = "Cannot delete the record";
inline constexpr const char* SCannotRecall = "Cannot recall the record";
}  // namespace xbtext
