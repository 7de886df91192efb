// The table handler: navigation over the visible records (deleted ones hidden unless the
// use-deleted switch is on, others rejected by the acceptance test), skipping, counting, and the
// read-ahead cache; and DBFObject, the handler that asks its dataset before showing a record.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dbf/dbf_table.h"

class XBO_dBHandler : public XBO_dBaseFld {
public:
    XBO_dBHandler(const std::string& name, const std::string& key, bool readWrite, bool shared);
    ~XBO_dBHandler() override;

    // Go to visible record: the raw read's requests, skipping hidden records in the direction of
    // the request; an absolute record number is read whether visible or not.
    void readRecord(std::int64_t request) override;
    std::uint32_t readAt(std::uint64_t offset, void* buffer, std::uint32_t length) override;
    void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t length) override;
    bool statusEvent(int code, std::int64_t number) override;
    // Index files, had there been any, are locked around every record write.
    void appendRecord() override;
    void replaceRecord(std::int64_t n) override;

    // The handler's own operations.
    virtual void skipRecords(std::int64_t count);
    virtual bool acceptRecord();
    virtual bool lockIndexFiles() { return true; }

    // The first step of every change of a record: takes record n's lock, then reads the record
    // from the file (never from the read-ahead block) into the buffer in use, so that the change
    // is made to the bytes as they are under the lock, not as they were before it. False, with
    // nothing read, when another user holds the record; a read that fails gives the lock back.
    bool lockAndReadRecord(std::uint32_t n);

    // Whether the record in the buffer is visible.
    bool isVisible();
    // The exact count of visible records: walks the table from the first visible record and
    // returns to where it stood.
    std::uint32_t exactCount();

    // One pass over the records in large blocks, for a long read such as an analysis: hands
    // `visit` runs of `count` consecutive records, the first of them record `first`, without
    // moving the table or touching its record buffer; `isVisibleImage` tells which of them a walk
    // would show. It reads the records the file holds, as a walk would see them: a shared table
    // is recounted from the file size at the start and again at the end, for records appended
    // meanwhile. No record past `last` is read. The acceptance test and status events are not
    // consulted; a caller that needs them walks the table.
    using RecordBlockVisitor = std::function<void(std::uint8_t* records, std::uint32_t count, std::uint32_t first)>;
    void scanRecordBlocks(const RecordBlockVisitor& visit, std::uint32_t last = UINT32_MAX);
    bool isVisibleImage(const std::uint8_t* record) const { return m_useDeleted || record[0] != xb::kDeletedFlag; }
    // The count exactCount gives when the acceptance test has no say, read by scanRecordBlocks:
    // the visible records the file holds, the table and its buffer left where they stood; with
    // `hidden`, the numbers of the records it passed over too, ascending.
    std::uint32_t visibleCountInBlocks(std::vector<std::uint32_t>* hidden = nullptr);

    void setReadAhead(bool on);
    bool readAheadOn() const { return m_readAheadOn; }
    void setReadAheadAllowed(bool allowed) { m_readAheadAllowed = allowed; }
    bool readAheadAllowed() const { return m_readAheadAllowed; }

private:
    bool m_readAheadAllowed = true;
    bool m_readAheadOn = false;
    std::vector<std::uint8_t> m_cache;
    std::int64_t m_cacheStart = -1;
    std::int64_t m_cacheEnd = 0;
};

// What a DBFObject asks of the dataset that owns it. Every hook has a neutral default, so a
// table used without a dataset behaves as a plain handler.
class DBFObjectHooks {
public:
    virtual ~DBFObjectHooks() = default;
    // Whether the record now in the engine's buffer may be shown.
    virtual bool acceptRecord() { return true; }
    virtual void statusReport(int /*code*/, std::int64_t /*number*/) {}
    virtual void formulaRequest(const std::string& /*formula*/) {}
};

class DBFObject : public XBO_dBHandler {
public:
    DBFObject(const std::string& name, const std::string& key, bool readWrite, bool shared,
              DBFObjectHooks* owner = nullptr);

    bool acceptRecord() override;
    bool statusEvent(int code, std::int64_t number) override;

    DBFObjectHooks* owner() const { return m_owner; }
    void setOwner(DBFObjectHooks* owner) { m_owner = owner; }

private:
    DBFObjectHooks* m_owner;
};
