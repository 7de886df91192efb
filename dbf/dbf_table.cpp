// Opening a dBase table (header image, descriptors, buffers) and the raw record read.
#include "dbf/dbf_table.h"

#include <algorithm>
#include <cstring>

#include "dbf/error_report.h"
#include "dbf/tools.h"
#include "platform/os_file.h"

namespace {

// Trims the name and gives it the table extension when it has none, unless a file of exactly
// that name exists: a table kept under another name is opened, not one beside it with ".dbf".
std::string tableFileName(const std::string& name) {
    std::string cleaned = xb::trimBlanksAndControls(name);
    const std::size_t slash = cleaned.find_last_of('/');
    const std::size_t dot = cleaned.find_last_of('.');
    const bool noExtension = dot == std::string::npos || (slash != std::string::npos && dot < slash);
    if (noExtension && !platform::isRegularFile(cleaned)) cleaned += ".dbf";
    return cleaned;
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
    if (type() == 'C') return bytes[16] + 256u * bytes[17];
    return bytes[16];
}

int TxbFieldDescriptor::decimals() const { return type() == 'C' ? 0 : bytes[17]; }

std::uint32_t TxbFieldDescriptor::offset() const { return xb::readLe32(&bytes[12]); }

int TxbFieldDescriptor::number() const { return xb::readLe16(&bytes[26]); }

XBO_dBaseDBF::XBO_dBaseDBF(const std::string& name, const std::string& key, bool readWrite, bool shared)
    : XBO_DiskFile(tableFileName(name), readWrite, shared), m_keyAsOpened(key), m_keyCurrent(key) {
    setLockProtocol(TxbLokProtocol::Default);
    open();
    readHeaderImage(xb::loc::kTableOpen);
    if (!acceptedVersion(m_header[0])) report(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
    takeHeaderValues();
    // Lengths the rest of the engine divides by or counts descriptors from must be sane.
    const std::uint32_t descriptorStart = xb::kHeaderSize + 1u;
    const std::uint32_t minimumHeader =
        m_header[0] == xb::ver::kVersion30 ? descriptorStart + xb::kVersion30Backlink : descriptorStart;
    if (m_recordLength == 0 || m_headerLength < minimumHeader) {
        report(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
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
    switch (m_header[0]) {
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
    m_recordCount = size > m_headerLength
                        ? static_cast<std::uint32_t>(std::min<std::uint64_t>((size - m_headerLength) / m_recordLength,
                                                                             UINT32_MAX))
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
            writeHeader();
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
    if (got < xb::kHeaderSize) report(xb::err::kShortRead, location, path());
    m_header = image;
}

void XBO_dBaseDBF::takeHeaderValues() {
    m_headerLength = xb::readLe16(&m_header[8]);
    m_recordLength = xb::readLe16(&m_header[10]);
    m_tableFlags = m_header[28] & 0x07;
    m_updateStamp = xb::readLe32(&m_header[16]);
    m_encrypted = m_header[15] != 0;
}

void XBO_dBaseDBF::readDescriptors() {
    const std::uint32_t reserved =
        m_header[0] == xb::ver::kVersion30 ? xb::kHeaderSize + 1u + xb::kVersion30Backlink : xb::kHeaderSize + 1u;
    const std::uint32_t areaLength = m_headerLength - reserved;
    const std::uint32_t count = areaLength / xb::kDescriptorSize;
    if (count > static_cast<std::uint32_t>(xb::kMaxFields)) {
        report(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
    }
    std::vector<std::uint8_t> area(areaLength);
    if (areaLength > 0) {
        const std::uint32_t got = readAt(xb::kHeaderSize, area.data(), areaLength);
        if (got < areaLength) report(xb::err::kShortRead, xb::loc::kTableOpen, path());
    }
    m_fields.resize(count);
    std::uint64_t offset = 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        TxbFieldDescriptor& field = m_fields[i];
        std::memcpy(field.bytes.data(), &area[i * xb::kDescriptorSize], xb::kDescriptorSize);
        xb::writeLe16(&field.bytes[26], static_cast<std::uint16_t>(i + 1));
        xb::writeLe32(&field.bytes[12], static_cast<std::uint32_t>(offset));
        offset += field.length();
    }
    // Every field must lie inside the record, or reading it would run past the record buffer.
    if (offset > m_recordLength) report(xb::err::kHeaderInvalid, xb::loc::kTableOpen, path());
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
    m_recordCount = size > m_headerLength
                        ? static_cast<std::uint32_t>(std::min<std::uint64_t>((size - m_headerLength) / m_recordLength,
                                                                             UINT32_MAX))
                        : 0;
    m_updateStamp = xb::readLe32(&m_header[16]);
}

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
            if (request < 1) report(xb::err::kBeyondEof, xb::loc::kRecordRead, path());
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
                report(xb::err::kBeyondEof, xb::loc::kRecordRead, path());
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
    if (got < m_recordLength) report(xb::err::kShortRead, xb::loc::kRecordRead, path());
    std::memcpy(m_buffer, m_work.data(), m_recordLength);
    m_currentRecord = static_cast<std::uint32_t>(target);
    statusEvent(xb::ev::kAfterRead, target);
    std::memcpy(m_oldRecord.data(), m_buffer, m_recordLength);
    clearChangedMarks();
}

void XBO_dBaseDBF::setLockProtocol(TxbLokProtocol protocol) {
    switch (protocol) {
        case TxbLokProtocol::Default:
            m_locks = xb::kDefaultLocks;
            break;
        case TxbLokProtocol::DB4Lock:
            m_locks = xb::kDb4Locks;
            break;
        case TxbLokProtocol::ClipLock:
            m_locks = xb::kClipLocks;
            break;
        case TxbLokProtocol::FoxLock:
            m_locks = xb::kFoxLocks;
            break;
        default:
            break;
    }
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
