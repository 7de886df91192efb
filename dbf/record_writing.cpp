// Changing a table: the typed setters, blank, delete and recall, replace and append of the record
// buffer, the header write that follows them, and flush.
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "dbf/dbf_date.h"
#include "dbf/dbf_table.h"
#include "dbf/error_report.h"
#include "dbf/tools.h"
#include "platform/error_codes.h"
#include "platform/local_time.h"

namespace {

std::atomic<long long> g_appendPatienceMs{5000};
constexpr auto kAppendRetryInterval = std::chrono::milliseconds(10);

}  // namespace

void XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds patience) { g_appendPatienceMs = patience.count(); }

std::chrono::milliseconds XBO_dBaseDBF::appendPatience() { return std::chrono::milliseconds(g_appendPatienceMs.load()); }

void XBO_dBaseDBF::writeHeader() {
    if (!isReadWrite() || !m_headerUpdatePending || m_fileLocked) return;
    const platform::LocalTime now = platform::localTime();
    std::array<std::uint8_t, xb::kHeaderSize> image = m_header;
    const auto stamp = static_cast<std::uint32_t>(((now.hour * 64 + now.minute) * 64 + now.second) * 1024 + now.millisecond);
    xb::writeLe32(&image[16], stamp);
    image[1] = static_cast<std::uint8_t>(now.year % 100);
    image[2] = static_cast<std::uint8_t>(now.month);
    image[3] = static_cast<std::uint8_t>(now.day);
    xb::writeLe32(&image[4], m_recordCount);
    image[28] = m_tableFlags & 0x07;
    image[15] = m_encrypted ? 1 : 0;
    xb::writeLe32(&image[20], static_cast<std::uint32_t>(m_userNumber));
    writeAt(0, image.data(), xb::kHeaderSize);
    m_header = image;
    m_updateStamp = stamp;
    m_headerUpdatePending = false;
}

void XBO_dBaseDBF::flush() {
    XBO_DiskFile::flush();
    statusEvent(xb::ev::kFlushed, m_currentRecord);
}

void XBO_dBaseDBF::replaceRecord(std::int64_t n) {
    statusEvent(xb::ev::kBeforeWrite, n);
    if (n > static_cast<std::int64_t>(m_recordCount) || n < 1 || m_tableState == xb::state::kAppendOnly) {
        appendRecord();
        return;
    }
    m_headerUpdatePending = true;
    const std::uint64_t offset =
        m_headerLength + static_cast<std::uint64_t>(n - 1) * static_cast<std::uint64_t>(m_recordLength);
    writeAt(offset, m_buffer, m_recordLength);
    m_currentRecord = static_cast<std::uint32_t>(n);
    refreshHeader();
    writeHeader();
    statusEvent(xb::ev::kAfterWrite, n);
    std::memcpy(m_oldRecord.data(), m_buffer, m_recordLength);
}

bool XBO_dBaseDBF::takeAppendByte() {
    // Holding the whole table covers the append byte; holding one of our own record locks cannot
    // be waited out, so only another user's byte is worth the wait.
    const auto deadline = std::chrono::steady_clock::now() + appendPatience();
    while (!lockAppendByte()) {
        const bool ownRange = lockCount() > 0;
        if (ownRange || std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kAppendRetryInterval);
    }
    return true;
}

void XBO_dBaseDBF::appendRecord() {
    const bool coveredByFileLock = m_fileLocked;
    if (!takeAppendByte()) {
        // Writing without the byte could put two users' records on the same place.
        report(static_cast<int>(platform::code::kLockViolation), xb::loc::kWrite, path());
    }
    const std::uint32_t currentBefore = m_currentRecord;
    try {
        statusEvent(xb::ev::kBeforeWrite, 0);
        m_headerUpdatePending = true;
        refreshHeader();
        const std::uint64_t offset = m_headerLength + static_cast<std::uint64_t>(m_recordCount) *
                                                          static_cast<std::uint64_t>(m_recordLength);
        // An append either completes, record, end mark and header, or leaves the file as it was:
        // a full disk may take part of a write, and a torn end would show as a record.
        const WriteUndo recordUndo = keepForUndo(offset, m_recordLength + 1u);
        WriteUndo headerUndo;
        headerUndo.offset = 0;
        headerUndo.size = recordUndo.size;
        headerUndo.bytes.assign(m_header.begin(), m_header.end());
        m_buffer[0] = xb::kLiveFlag;
        m_recordCount += 1;
        m_currentRecord = m_recordCount;
        // The record and the end-of-file byte go out in one write, whoever's buffer is in use.
        std::memcpy(m_work.data(), m_buffer, m_recordLength);
        m_work[m_recordLength] = xb::kEofByte;
        bool headerTried = false;
        try {
            writeAt(offset, m_work.data(), m_recordLength + 1u);
            headerTried = true;
            writeHeader();
        } catch (...) {
            // The record is not in the file: the count and position must not pretend it is.
            m_recordCount -= 1;
            m_currentRecord = currentBefore;
            if (headerTried) undoWrite(headerUndo);
            undoWrite(recordUndo);
            throw;
        }
    } catch (...) {
        if (!coveredByFileLock) unlockWithHeaderUpdate();
        throw;
    }
    if (!coveredByFileLock) unlockWithHeaderUpdate();
    m_eof = false;
    m_bof = false;
    statusEvent(xb::ev::kAfterWrite, 0);
    std::memcpy(m_oldRecord.data(), m_buffer, m_recordLength);
}

// ---- field setters -------------------------------------------------------------------------

bool XBO_dBaseFld::putValueText(int number, const std::string& text) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    switch (f->type()) {
        case 'D':
            return putDate(number, TxbDBFDate::instance().fromText(text));
        case 'L': {
            const char c = text.empty() ? 'F' : text[0];
            bool flag = false;
            if (std::string_view("TtYyJj").find(c) != std::string_view::npos) {
                flag = true;
            } else if (std::string_view("FfNn").find(c) != std::string_view::npos) {
                flag = false;
            } else {
                long double value = 0;
                if (!xb::parseDecimal(text, value)) report(xb::err::kFieldType, xb::loc::kPutLogical, f->name());
                flag = std::trunc(value) != 0;
            }
            return putLogical(number, flag);
        }
        case 'N': {
            std::string trimmed = xb::trimRight(text);
            if (trimmed.size() > 32) trimmed.resize(32);
            long double value = 0;
            if (!trimmed.empty() && !xb::parseDecimal(trimmed, value)) {
                report(xb::err::kFieldType, xb::loc::kPutNumber, std::string());
            }
            return putNumber(number, static_cast<double>(value));
        }
        default:
            return putText(number, text);
    }
}

bool XBO_dBaseFld::putValueText(const std::string& name, const std::string& text) {
    return putValueText(fieldNumber(name), text);
}

bool XBO_dBaseFld::putLogical(int number, bool flag) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    if (f->type() != 'L') report(xb::err::kFieldType, xb::loc::kTypeCheck, std::string());
    return putText(number, flag ? "T" : "F");
}

bool XBO_dBaseFld::putLogical(const std::string& name, bool flag) {
    checkType(name, 'L');
    return putLogical(fieldNumber(name), flag);
}

bool XBO_dBaseFld::putDate(int number, std::int32_t julian) {
    const TxbFieldDescriptor* f = field(number);
    if (!f) return false;
    if (julian == -1) report(xb::err::kFieldType, xb::loc::kPutDate, std::string());
    if (f->type() != 'D') return false;
    return putText(number, TxbDBFDate::toStored(julian));
}

bool XBO_dBaseFld::putDate(const std::string& name, std::int32_t julian) {
    checkType(name, 'D');
    return putDate(fieldNumber(name), julian);
}

void XBO_dBaseFld::deleteCurrentRecord() {
    m_buffer[0] = xb::kDeletedFlag;
    m_changed[0] = 1;
    replaceRecord(m_currentRecord);
}

void XBO_dBaseFld::recallCurrentRecord() {
    m_buffer[0] = xb::kLiveFlag;
    m_changed[0] = 1;
    replaceRecord(m_currentRecord);
}
