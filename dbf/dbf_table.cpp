// XBO_dBaseDBF, the table layer: opening a table (header image, descriptors, buffers), the raw
// record read, replace and append with the header write that follows them, and the locks.
#include "dbf/dbf_table.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "dbf/error_report.h"
#include "dbf/table_file.h"
#include "dbf/text_numbers.h"
#include "platform/error_codes.h"

namespace {

std::atomic<long long> g_appendPatienceMs{5000};
constexpr auto kAppendRetryInterval = std::chrono::milliseconds(10);

// Trims the name and gives it the table extension when it wants one.
std::string tableFileName(const std::string& name) {
    std::string cleaned = xb::trimBlanksAndControls(name);
    if (xb::lacksTableExtension(cleaned)) cleaned += xb::kTableExtension;
    return cleaned;
}

// What a failed undo of an append left in the file, in words: the error's message goes on with it.
// `what` names the records that failed ("record" for one append, "records" for a batch).
std::string appendLeftovers(bool headerBack, bool endBack, std::uint32_t records, std::uint32_t added,
                            const char* what) {
    std::string left = "The table could not be put back as it was:";
    if (!endBack)
        left += " the file could not be cut back to its end after record " + std::to_string(records) +
                ", and part of the " + what + " that failed stays after it";
    if (!headerBack)
        left +=
            std::string(endBack ? "" : ";") + " the header may count " + std::to_string(records + added) + " records";
    return left;
}

// Inside a catch block: raises the failure being handled again, an engine error with `aftermath`
// added to its message.
[[noreturn]] void rethrowWithAftermath(const std::string& aftermath) {
    try {
        throw;
    } catch (const EXbaseError& error) {
        throw EXbaseError(error, aftermath);
    }
}

bool acceptedVersion(std::uint8_t version) {
    switch (version) {
        case xb::ver::kDbase3:
        case xb::ver::kVersion30:
        case xb::ver::kDbase3Memo:
        case xb::ver::kDbase4Memo:
        case xb::ver::kFoxMemo:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string TxbFieldDescriptor::name() const {
    std::size_t length = 0;
    while (length < 11 && bytes[length] != 0) ++length;
    return std::string(reinterpret_cast<const char*>(bytes.data()), length);
}

std::uint32_t TxbFieldDescriptor::length() const {
    if (type() == 'C') return bytes[xb::fld::kLength] + 256u * bytes[xb::fld::kLength + 1];
    return bytes[xb::fld::kLength];
}

int TxbFieldDescriptor::decimals() const { return type() == 'C' ? 0 : bytes[xb::fld::kDecimals]; }

std::uint32_t TxbFieldDescriptor::offset() const { return xb::readLe32(&bytes[xb::fld::kOffset]); }

int TxbFieldDescriptor::number() const { return xb::readLe16(&bytes[xb::fld::kNumber]); }

XBO_dBaseDBF::XBO_dBaseDBF(const std::string& name, const std::string& key, bool readWrite, bool shared)
    : XBO_DiskFile(tableFileName(name), readWrite, shared), m_keyAsOpened(key), m_keyCurrent(key) {
    setLockProtocol(TxbLokProtocol::Default);
    open();
    readHeaderImage(xb::loc::kTableOpen);
    if (!acceptedVersion(version())) reportError(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
    takeHeaderValues();
    // Lengths the rest of the engine divides by or counts descriptors from must be sane.
    const std::uint32_t descriptorStart = xb::kHeaderSize + 1u;
    const std::uint32_t minimumHeader =
        version() == xb::ver::kVersion30 ? descriptorStart + xb::kVersion30Backlink : descriptorStart;
    if (m_recordLength == 0 || m_headerLength < minimumHeader) {
        reportError(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
    }
    if (m_encrypted && key.empty()) throw EXbaseEncryption("No Password for encrypted file " + path());
    if (!m_encrypted && !key.empty()) {
        throw EXbaseEncryption("A Password is included for unencrypted file " + path());
    }
    if (m_encrypted) {
        // The cipher of encrypted tables is not part of this program; refuse rather than show
        // scrambled records.
        throw EXbaseEncryption("Encrypted tables are not supported: " + path());
    }
    switch (version()) {
        case xb::ver::kVersion30:
            m_memoPresent = (m_tableFlags & 0x02) != 0;
            break;
        case xb::ver::kDbase3:
            m_memoPresent = false;
            break;
        default:
            m_memoPresent = true;
    }
    m_currentRecord = 0;
    m_eof = false;
    m_bof = true;
    const std::uint64_t size = fileSize();
    m_recordCount =
        size > m_headerLength
            ? static_cast<std::uint32_t>(std::min<std::uint64_t>((size - m_headerLength) / m_recordLength, UINT32_MAX))
            : 0;
    readDescriptors();
    m_headerUpdatePending = false;
    m_record.assign(m_recordLength + 1u, ' ');
    m_record[m_recordLength] = xb::kEofByte;
    m_oldRecord.assign(m_recordLength + 1u, ' ');
    m_work.assign(m_recordLength + 1u, ' ');
    m_buffer = m_record.data();
    m_changed.assign(m_fields.size() + 1u, 0);
    m_useDeleted = true;
    m_tableState = xb::state::kNormal;
    m_userNumber = 0;
    refreshHeader();
    statusEvent(xb::ev::kOpened, 0);
}

XBO_dBaseDBF::~XBO_dBaseDBF() {
    try {
        closeTable();
    } catch (const Exception&) {
        // Freeing cannot report; an explicit close() would have.
    }
}

bool XBO_dBaseDBF::close() {
    closeTable();
    return true;
}

void XBO_dBaseDBF::closeTable() {
    if (isClosed()) return;
    if (m_headerUpdatePending) {
        try {
            refreshHeader();
            writeHeader(false);
        } catch (...) {
            // The file is closed all the same, so that nothing is left open.
            closeDiskFile();
            throw;
        }
    }
    closeDiskFile();
}

void XBO_dBaseDBF::readHeaderImage(int location) {
    std::array<std::uint8_t, xb::kHeaderSize> image{};
    const std::uint32_t got = readAt(0, image.data(), xb::kHeaderSize);
    if (got < xb::kHeaderSize) reportError(xb::err::kShortRead, location, path());
    m_header = image;
}

void XBO_dBaseDBF::takeHeaderValues() {
    m_headerLength = xb::readLe16(&m_header[xb::hdr::kHeaderLength]);
    m_recordLength = xb::readLe16(&m_header[xb::hdr::kRecordLength]);
    m_tableFlags = m_header[xb::hdr::kTableFlags] & 0x07;
    m_updateStamp = xb::readLe32(&m_header[xb::hdr::kUpdateStamp]);
    m_encrypted = m_header[xb::hdr::kEncrypted] != 0;
}

void XBO_dBaseDBF::readDescriptors() {
    const std::uint32_t reserved =
        version() == xb::ver::kVersion30 ? xb::kHeaderSize + 1u + xb::kVersion30Backlink : xb::kHeaderSize + 1u;
    const std::uint32_t areaLength = m_headerLength - reserved;
    const std::uint32_t count = areaLength / xb::kDescriptorSize;
    if (count > static_cast<std::uint32_t>(xb::kMaxFields)) {
        reportError(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
    }
    std::vector<std::uint8_t> area(areaLength);
    if (areaLength > 0) {
        const std::uint32_t got = readAt(xb::kHeaderSize, area.data(), areaLength);
        if (got < areaLength) reportError(xb::err::kShortRead, xb::loc::kTableOpen, path());
    }
    m_fields.resize(count);
    std::uint64_t offset = 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        TxbFieldDescriptor& field = m_fields[i];
        std::memcpy(field.bytes.data(), &area[i * xb::kDescriptorSize], xb::kDescriptorSize);
        xb::writeLe16(&field.bytes[xb::fld::kNumber], static_cast<std::uint16_t>(i + 1));
        xb::writeLe32(&field.bytes[xb::fld::kOffset], static_cast<std::uint32_t>(offset));
        offset += field.length();
    }
    // Every field must lie inside the record, or reading it would run past the record buffer.
    if (offset > m_recordLength) reportError(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
}

void XBO_dBaseDBF::setIndexBuildOptions(int, int, int) {}

bool XBO_dBaseDBF::statusEvent(int code, std::int64_t) {
    switch (code) {
        case xb::ev::kFieldPut:
            m_recordModified = true;
            break;
        case xb::ev::kAfterRead:
        case xb::ev::kAfterWrite:
            m_recordModified = false;
            if (m_tableState != xb::state::kKeepState) m_tableState = xb::state::kNormal;
            break;
        default:
            break;
    }
    return true;
}

void XBO_dBaseDBF::refreshHeader() {
    if (!isShared()) return;
    readHeaderImage(xb::loc::kTableOpen);
    const std::uint64_t size = fileSize();
    m_recordCount =
        size > m_headerLength
            ? static_cast<std::uint32_t>(std::min<std::uint64_t>((size - m_headerLength) / m_recordLength, UINT32_MAX))
            : 0;
    m_updateStamp = xb::readLe32(&m_header[xb::hdr::kUpdateStamp]);
}

// One switch over the request codes, then the read: the codes' edge cases read best together.
void XBO_dBaseDBF::readRecord(std::int64_t request) {
    if (m_recordCount == 0) {
        refreshHeader();
        if (m_recordCount == 0) {
            m_eof = true;
            m_bof = true;
            return;
        }
    }
    if (request == 0) return;
    m_eof = false;
    m_bof = false;
    std::int64_t target = 0;
    switch (request) {
        case xb::req::kCurrent:
            target = m_currentRecord;
            break;
        case xb::req::kLast:
            target = m_recordCount;
            break;
        case xb::req::kFirst:
            target = 1;
            break;
        case xb::req::kPrior:
            target = static_cast<std::int64_t>(m_currentRecord) - 1;
            if (target <= 0) {
                m_bof = true;
                return;
            }
            break;
        case xb::req::kNext:
            target = static_cast<std::int64_t>(m_currentRecord) + 1;
            break;
        default:
            if (request < 1) reportError(xb::err::kBeyondEof, xb::loc::kRecordRead, path());
            target = request;
    }
    if (target == 0) {
        // "Current again" before any record was read: there is nothing to read again.
        m_bof = true;
        return;
    }
    if (target > m_recordCount) {
        refreshHeader();
        if (target > m_recordCount) {
            if (target >= static_cast<std::int64_t>(m_recordCount) + 2) {
                reportError(xb::err::kBeyondEof, xb::loc::kRecordRead, path());
            }
            m_eof = true;
            return;
        }
    }
    statusEvent(xb::ev::kBeforeRead, request);
    // Read beside the record buffer, so that a failed read leaves the buffer as it was.
    const std::uint64_t offset =
        m_headerLength + static_cast<std::uint64_t>(target - 1) * static_cast<std::uint64_t>(m_recordLength);
    const std::uint32_t got = readAt(offset, m_work.data(), m_recordLength);
    if (got < m_recordLength) reportError(xb::err::kShortRead, xb::loc::kRecordRead, path());
    std::memcpy(m_buffer, m_work.data(), m_recordLength);
    m_currentRecord = static_cast<std::uint32_t>(target);
    statusEvent(xb::ev::kAfterRead, target);
    std::memcpy(m_oldRecord.data(), m_buffer, m_recordLength);
    clearChangedMarks();
}

void XBO_dBaseDBF::setLockProtocol(TxbLokProtocol protocol) {
    // The ranges of each protocol, in the order of its values; any other value keeps the ranges.
    static constexpr const xb::LockConstants* kProtocols[] = {&xb::kDefaultLocks, &xb::kDb4Locks, &xb::kClipLocks,
                                                              &xb::kFoxLocks};
    const auto index = static_cast<std::size_t>(protocol);
    if (index < std::size(kProtocols)) m_locks = *kProtocols[index];
    m_lockProtocol = protocol;
}

std::string XBO_dBaseDBF::tableName() const {
    std::string name = path();
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

void XBO_dBaseDBF::keepAsOldRecord() { std::memcpy(m_oldRecord.data(), m_buffer, m_recordLength); }

void XBO_dBaseDBF::clearChangedMarks() { std::fill(m_changed.begin(), m_changed.end(), 0); }

// ---- writing: replace, append, the header write that follows them, flush ----------------

void XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds patience) { g_appendPatienceMs = patience.count(); }

std::chrono::milliseconds XBO_dBaseDBF::appendPatience() {
    return std::chrono::milliseconds(g_appendPatienceMs.load());
}

void XBO_dBaseDBF::writeHeader(bool countToo) {
    if (!isReadWrite() || !m_headerUpdatePending || m_fileLocked) return;
    // The record count is written only by whoever holds the append byte (or the table alone): a
    // record change that wrote the count it read earlier could move it back under an append.
    countToo = countToo || !isShared();
    std::array<std::uint8_t, xb::kHeaderSize> image = m_header;
    const std::uint32_t stamp = xb::stampHeader(image.data(), m_recordCount);
    image[xb::hdr::kTableFlags] = m_tableFlags & 0x07;
    image[xb::hdr::kEncrypted] = m_encrypted ? 1 : 0;
    xb::writeLe32(&image[xb::hdr::kUserNumber], static_cast<std::uint32_t>(m_userNumber));
    if (countToo) {
        writeAt(0, image.data(), xb::kHeaderSize);
    } else {
        std::copy_n(&m_header[xb::hdr::kRecordCount], 4, &image[xb::hdr::kRecordCount]);
        writeAt(0, image.data(), xb::hdr::kRecordCount);
        writeAt(xb::hdr::kRecordCount + 4, &image[xb::hdr::kRecordCount + 4],
                xb::kHeaderSize - xb::hdr::kRecordCount - 4);
    }
    m_header = image;
    m_updateStamp = stamp;
    m_headerUpdatePending = false;
}

std::vector<XBO_DiskFile::WriteUndo> XBO_dBaseDBF::headerUndo(std::uint64_t size) const {
    // As writeHeader writes it: whole with the count, or around the count.
    const auto piece = [&](std::uint32_t from, std::uint32_t to) {
        WriteUndo undo;
        undo.offset = from;
        undo.size = size;
        undo.bytes.assign(m_header.begin() + from, m_header.begin() + to);
        return undo;
    };
    return {piece(0, xb::hdr::kRecordCount), piece(xb::hdr::kRecordCount + 4, xb::kHeaderSize)};
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
    const std::uint64_t offset =
        m_headerLength + static_cast<std::uint64_t>(n - 1) * static_cast<std::uint64_t>(m_recordLength);
    // A change either completes, record and header, or leaves the file as it was.
    const bool pendingBefore = m_headerUpdatePending;
    WriteUndo recordUndo;
    recordUndo.offset = offset;
    recordUndo.size = UINT64_MAX;  // a change never moves the end: nothing to cut back
    recordUndo.bytes.resize(m_recordLength);
    try {
        recordUndo.bytes.resize(XBO_DiskFile::readAt(offset, recordUndo.bytes.data(), m_recordLength));
    } catch (const EXbaseError& error) {
        // Part of the write: a record another user holds is refused as its write would be.
        reportError(error.Code(), xb::loc::kWrite, path());
    }
    std::vector<WriteUndo> undo{std::move(recordUndo)};
    try {
        writeAt(offset, m_buffer, m_recordLength);
        m_headerUpdatePending = true;
        refreshHeader();
        for (WriteUndo& piece : headerUndo(UINT64_MAX)) undo.push_back(std::move(piece));
        writeHeader(false);
    } catch (...) {
        m_headerUpdatePending = pendingBefore;
        bool restored = true;
        for (auto piece = undo.rbegin(); piece != undo.rend(); ++piece) restored = undoWrite(*piece) && restored;
        if (!restored)
            rethrowWithAftermath("Record " + std::to_string(n) +
                                 " could not be put back as it was: it may hold the new values in part, and the "
                                 "header a new date");
        throw;
    }
    m_currentRecord = static_cast<std::uint32_t>(n);
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

template <typename Body>
void XBO_dBaseDBF::holdingAppendByte(Body body) {
    const bool coveredByFileLock = m_fileLocked;
    if (!takeAppendByte()) {
        // Writing without the byte could put two users' records on the same place.
        reportError(static_cast<int>(platform::code::kLockViolation), xb::loc::kWrite, path());
    }
    const bool pendingBefore = m_headerUpdatePending;
    try {
        ensureStillAtPath();
        body();
    } catch (...) {
        m_headerUpdatePending = pendingBefore;
        if (!coveredByFileLock) unlockWithHeaderUpdate();
        throw;
    }
    if (!coveredByFileLock) unlockWithHeaderUpdate();
}

template <typename Stage>
void XBO_dBaseDBF::writeAtEnd(std::uint32_t added, const char* what, Stage stage) {
    const std::uint64_t offset =
        m_headerLength + static_cast<std::uint64_t>(m_recordCount) * static_cast<std::uint64_t>(m_recordLength);
    const std::uint32_t length = added * m_recordLength + 1u;
    // An append either completes, records, end mark and header, or leaves the file as it was:
    // a full disk may take part of a write, and a torn end would show as a record.
    const WriteUndo recordUndo = keepForUndo(offset, length);
    WriteUndo headerBytes;          // the append writes the header whole: one piece puts it back
    headerBytes.size = UINT64_MAX;  // the records' undo cuts the file back
    headerBytes.bytes.assign(m_header.begin(), m_header.end());
    const std::uint32_t countBefore = m_recordCount;
    const std::uint32_t currentBefore = m_currentRecord;
    const bool pendingBefore = m_headerUpdatePending;
    const std::uint8_t* bytes = stage();
    m_headerUpdatePending = true;
    m_recordCount += added;
    m_currentRecord = m_recordCount;
    bool headerTried = false;
    try {
        writeAt(offset, bytes, length);
        headerTried = true;
        writeHeader(true);
    } catch (...) {
        // The records are not in the file: the count and position must not pretend they are.
        m_recordCount = countBefore;
        m_currentRecord = currentBefore;
        m_headerUpdatePending = pendingBefore;
        const bool headerBack = !headerTried || undoWrite(headerBytes);
        const bool endBack = undoWrite(recordUndo);
        if (!headerBack || !endBack)
            rethrowWithAftermath(appendLeftovers(headerBack, endBack, countBefore, added, what));
        throw;
    }
}

void XBO_dBaseDBF::finishAppend() {
    m_eof = false;
    m_bof = false;
    statusEvent(xb::ev::kAfterWrite, 0);
    std::memcpy(m_oldRecord.data(), m_buffer, m_recordLength);
}

void XBO_dBaseDBF::appendRecord() {
    holdingAppendByte([this] {
        statusEvent(xb::ev::kBeforeWrite, 0);
        refreshHeader();
        writeAtEnd(1, "record", [this] {
            m_buffer[0] = xb::kLiveFlag;
            // The record and the end-of-file byte go out in one write, whoever's buffer is in use.
            std::memcpy(m_work.data(), m_buffer, m_recordLength);
            m_work[m_recordLength] = xb::kEofByte;
            return m_work.data();
        });
    });
    finishAppend();
}

std::uint32_t XBO_dBaseDBF::appendRecords(const BatchPreparer& prepare) {
    std::uint32_t added = 0;
    holdingAppendByte([&] {
        refreshHeader();
        std::string bytes;
        prepare(m_recordCount, bytes);
        if (bytes.size() % m_recordLength != 0)
            throw std::logic_error("a batch of " + std::to_string(bytes.size()) + " bytes for records of " +
                                   std::to_string(m_recordLength));
        added = static_cast<std::uint32_t>(bytes.size() / m_recordLength);
        if (added == 0) return;
        statusEvent(xb::ev::kBeforeWrite, 0);
        bytes.push_back(static_cast<char>(xb::kEofByte));
        // As a single append: the batch, end mark and header, or the file as it was.
        writeAtEnd(added, "records", [&] { return reinterpret_cast<const std::uint8_t*>(bytes.data()); });
        // The buffer holds the last record, as after appending it alone.
        std::memcpy(m_buffer, bytes.data() + bytes.size() - 1 - m_recordLength, m_recordLength);
    });
    if (added > 0) finishAppend();
    return added;
}

// ---- locks: one byte per record and the append byte, placed far beyond the data under the
// table's lock protocol so that they never block a reader, and the whole-table locks ---------

bool XBO_dBaseDBF::recordLockOffset(std::uint32_t n, std::uint32_t& offset) const {
    // 32-bit unsigned arithmetic throughout: the layout other programs share wraps the same way.
    switch (m_lockProtocol) {
        case TxbLokProtocol::Default:
        case TxbLokProtocol::FoxLock:
            offset =
                indexPresent() ? m_locks.appendByte - n : m_locks.lockBase + m_headerLength + (n - 1u) * m_recordLength;
            return true;
        case TxbLokProtocol::DB4Lock:
            offset = m_locks.appendByte - n - 1u;
            return true;
        case TxbLokProtocol::ClipLock:
            offset = m_locks.lockBase + n;
            return true;
    }
    return false;
}

bool XBO_dBaseDBF::lockCurrentRecord() { return lockRecord(m_currentRecord); }

bool XBO_dBaseDBF::lockRecord(std::uint32_t n) {
    if (m_fileLocked) return true;
    std::uint32_t offset = 0;
    if (!recordLockOffset(n, offset)) return false;
    return lockRange(offset, 1);
}

bool XBO_dBaseDBF::lockAppendByte() {
    if (m_fileLocked) return true;
    return lockRange(m_locks.appendByte, 1);
}

bool XBO_dBaseDBF::lockFile() {
    if (m_fileLocked) return true;
    m_fileLocked = lockRange(m_locks.lockBase, m_locks.fileLockLength);
    if (m_fileLocked) refreshHeader();
    return m_fileLocked;
}

bool XBO_dBaseDBF::lockFileFromZero() {
    if (m_fileLocked) return true;
    m_fileLocked = lockRange(0, m_locks.fileLockLength);
    if (m_fileLocked) refreshHeader();
    return m_fileLocked;
}

bool XBO_dBaseDBF::unlockWithHeaderUpdate() {
    if (m_fileLocked && lockCount() == 1 && m_headerUpdatePending) {
        // Written while the table is still ours, so that no append of another user comes between.
        m_fileLocked = false;
        try {
            writeHeader(true);
        } catch (...) {
            m_fileLocked = true;
            throw;
        }
        m_fileLocked = true;
    }
    const bool result = unlock();
    if (m_fileLocked && lockCount() == 0) m_fileLocked = false;
    return result;
}
