// A dBase table file: the header image, the field descriptors, the record buffers, the raw
// record read (XBO_dBaseDBF) and the field table with its getters and setters (XBO_dBaseFld).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dbf/constants.h"
#include "dbf/disk_file.h"

// One field descriptor as the engine keeps it: the 32 bytes of the file, with the field's offset
// in the record stored at bytes 12-15 and its 1-based number at bytes 26-27.
struct TxbFieldDescriptor {
    std::array<std::uint8_t, xb::kDescriptorSize> bytes{};

    std::string name() const;  // the 11 name bytes up to the first zero byte
    char type() const { return static_cast<char>(bytes[xb::fld::kType]); }
    std::uint32_t length() const;  // C fields take byte 17 as the high byte of the length
    int decimals() const;          // 0 for C fields
    std::uint32_t offset() const;
    int number() const;
};

class XBO_dBaseDBF : public XBO_DiskFile {
public:
    // Make table: opens the file and reads its header and descriptors; the table then stands
    // before record 1. Raises on any failure, leaving nothing open.
    XBO_dBaseDBF(const std::string& name, const std::string& key, bool readWrite, bool shared);
    ~XBO_dBaseDBF() override;

    bool close() override;

    // Writes the record buffer in use as a new last record, under the append lock byte.
    virtual void appendRecord();
    // Appends a batch of whole records (deletion flags included) as new last records under one
    // hold of the append byte: `prepare` runs under it with the count the file holds now and fills
    // `records`; they go out in one write with the end mark, then one header update, the bytes as
    // one append after another would leave them. All or nothing: a failure puts the file back as
    // it was and raises. Gives how many records were appended.
    using BatchPreparer = std::function<void(std::uint32_t recordsNow, std::string& records)>;
    std::uint32_t appendRecords(const BatchPreparer& prepare);
    virtual void setIndexBuildOptions(int a, int b, int c);
    virtual bool statusEvent(int code, std::int64_t number);
    // The raw read: -5 current again, -4 last, -3 first, -2 previous, -1 next, n >= 1 record n.
    virtual void readRecord(std::int64_t request);
    virtual bool lockAppendByte();
    // Takes the append byte, retrying for the append patience while another user holds it; false
    // when it stays held (or when this object holds another range, which cannot be waited out).
    bool takeAppendByte();
    virtual bool lockFile();
    virtual bool lockFileFromZero();
    virtual bool unlockWithHeaderUpdate();
    virtual bool lockCurrentRecord();
    // Takes record n's lock (at once while the whole table is ours); false when another user
    // holds it.
    bool lockRecord(std::uint32_t n);
    // Writes the record buffer in use over record n (an append when n is not a record).
    virtual void replaceRecord(std::int64_t n);
    virtual void setLockProtocol(TxbLokProtocol protocol);
    virtual bool indexPresent() const { return false; }

    void flush() override;
    // The byte that locks record n under the table's protocol; false when the protocol has none.
    bool recordLockOffset(std::uint32_t n, std::uint32_t& offset) const;

    // Re-reads the header and recounts the records from the file size (shared tables only).
    void refreshHeader();

    std::uint8_t version() const { return m_header[xb::hdr::kVersion]; }
    std::uint32_t headerLength() const { return m_headerLength; }
    std::uint32_t recordLength() const { return m_recordLength; }
    std::uint32_t recordCount() const { return m_recordCount; }
    std::uint32_t currentRecord() const { return m_currentRecord; }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isDeleted() const { return m_buffer[0] == xb::kDeletedFlag; }
    const std::array<std::uint8_t, xb::kHeaderSize>& headerImage() const { return m_header; }
    std::uint32_t updateStamp() const { return m_updateStamp; }
    bool encrypted() const { return m_encrypted; }
    bool memoPresent() const { return m_memoPresent; }
    std::uint8_t tableFlags() const { return m_tableFlags; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }

    // The record buffer in use: the table's own, or a caller's block of at least
    // record length + 1 bytes for the duration of one operation.
    std::uint8_t* recordBuffer() { return m_buffer; }
    const std::uint8_t* recordBuffer() const { return m_buffer; }
    void setRecordBuffer(std::uint8_t* buffer) { m_buffer = buffer ? buffer : m_record.data(); }
    void useOwnRecordBuffer() { m_buffer = m_record.data(); }
    const std::vector<std::uint8_t>& oldRecord() const { return m_oldRecord; }
    // Takes the record buffer in use as the record last read (a new row starts from it).
    void keepAsOldRecord();
    // Places the marks without reading, as a dataset does when a new row stands past the end.
    void setMarks(bool eof, bool bof) {
        m_eof = eof;
        m_bof = bof;
    }

    bool useDeleted() const { return m_useDeleted; }
    void setUseDeleted(bool on) { m_useDeleted = on; }
    int tableState() const { return m_tableState; }
    void setTableState(int state) { m_tableState = state; }
    bool recordModified() const { return m_recordModified; }
    std::int32_t userNumber() const { return m_userNumber; }
    void setUserNumber(std::int32_t user) { m_userNumber = user; }
    TxbLokProtocol lockProtocol() const { return m_lockProtocol; }
    const xb::LockConstants& lockConstants() const { return m_locks; }
    bool fileLocked() const { return m_fileLocked; }

    // How long an append waits for another user's append byte before it gives up (5 s); tests
    // shorten it.
    static void setAppendPatience(std::chrono::milliseconds patience);
    static std::chrono::milliseconds appendPatience();
    bool headerUpdatePending() const { return m_headerUpdatePending; }

protected:
    // The file name without directory and extension, as messages name the table.
    std::string tableName() const;
    void clearChangedMarks();
    // Rewrites the header image (stamp, date, flags, user, and the count when `countToo`: only an
    // append or the holder of the whole table writes it) when an update is pending.
    void writeHeader(bool countToo);
    // What writeHeader(false) is about to overwrite, as undo pieces of a file of `size` bytes.
    std::vector<WriteUndo> headerUndo(std::uint64_t size) const;

    std::array<std::uint8_t, xb::kHeaderSize> m_header{};
    std::uint32_t m_headerLength = 0;
    std::uint32_t m_recordLength = 0;
    std::uint32_t m_recordCount = 0;
    std::uint8_t m_tableFlags = 0;
    std::uint32_t m_updateStamp = 0;
    bool m_encrypted = false;
    bool m_memoPresent = false;
    std::vector<TxbFieldDescriptor> m_fields;
    std::uint32_t m_currentRecord = 0;
    bool m_eof = false;
    bool m_bof = true;
    std::vector<std::uint8_t> m_record;
    std::uint8_t* m_buffer = nullptr;
    std::vector<std::uint8_t> m_oldRecord;
    std::vector<std::uint8_t> m_work;
    std::vector<std::uint8_t> m_changed;
    bool m_headerUpdatePending = false;
    bool m_fileLocked = false;
    bool m_useDeleted = true;
    int m_tableState = xb::state::kNormal;
    bool m_recordModified = false;
    TxbLokProtocol m_lockProtocol = TxbLokProtocol::Default;
    xb::LockConstants m_locks = xb::kDefaultLocks;
    std::int32_t m_userNumber = 0;
    std::string m_keyAsOpened;
    std::string m_keyCurrent;

private:
    // The one way an append goes, for one record and for a batch: `body` runs under the append
    // byte (taken here unless the whole table is ours) once the file is known to be still at its
    // path, and the byte is let go, with a pending header update written, however it ends.
    template <typename Body>
    void holdingAppendByte(Body body);
    // Writes `added` records as the new last records at the count the header gave: `stage` gives
    // their bytes with the end mark after them, once what they overwrite is kept. Records, end
    // mark and whole header, or the file put back as it was and the failure raised (with what
    // could not be put back, `what` naming the records that failed).
    template <typename Stage>
    void writeAtEnd(std::uint32_t added, const char* what, Stage stage);
    // The marks and the record last read after an append that went out.
    void finishAppend();
    void readHeaderImage(int location);
    void takeHeaderValues();
    void readDescriptors();
    void closeTable();
};

class XBO_dBaseFld : public XBO_dBaseDBF {
public:
    XBO_dBaseFld(const std::string& name, const std::string& key, bool readWrite, bool shared);

    // Field table. Numbers are 1-based; a number out of range gives 0, a zero letter or "".
    const TxbFieldDescriptor& findField(const std::string& name);  // raises 1003
    int fieldNumber(const std::string& name);                      // raises 1003
    int fieldDecimals(int number) const;
    std::uint32_t fieldLength(int number) const;
    std::uint32_t fieldOffset(int number) const;
    std::string fieldName(int number) const;
    char fieldType(int number) const;
    const TxbFieldDescriptor* field(int number) const;

    // Getters, on the record buffer in use.
    std::string getText(int number) const;
    std::string getText(const std::string& name);
    std::string getDisplayText(int number) const;
    std::string getDisplayText(const std::string& name);
    long double getNumber(int number) const;
    long double getNumber(const std::string& name);
    bool getLogical(int number) const;
    bool getLogical(const std::string& name);
    std::int32_t getDate(int number) const;
    std::int32_t getDate(const std::string& name);

    // Setters, on the record buffer in use; the by-number forms give false for a number that
    // names no field. Only replace and append write the file.
    bool putText(int number, const std::string& text);  // raw: blank-filled, aligned by type
    bool putText(const std::string& name, const std::string& text);
    bool putValueText(int number, const std::string& text);  // converted by the field's type
    bool putValueText(const std::string& name, const std::string& text);
    bool putNumber(int number, double value);
    bool putNumber(const std::string& name, double value);
    bool putLogical(int number, bool flag);
    bool putLogical(const std::string& name, bool flag);
    bool putDate(int number, std::int32_t julian);
    bool putDate(const std::string& name, std::int32_t julian);
    void blankRecord();
    void deleteCurrentRecord();
    void recallCurrentRecord();

    const std::vector<std::uint8_t>& changedMarks() const { return m_changed; }

protected:
    // Raises 1004 at the type check unless the field's letter passes for `expected`.
    void checkType(const std::string& name, char expected);
    bool isBinary(char type) const;
    std::string numberText(const TxbFieldDescriptor& field, double value) const;
};
