// The table's locks: one byte per record and the append byte, placed far beyond the data under
// the table's lock protocol so that they never block a reader, and the whole-table locks.
#include "dbf/dbf_table.h"

bool XBO_dBaseDBF::recordLockOffset(std::uint32_t n, std::uint32_t& offset) const {
    // 32-bit unsigned arithmetic throughout: the layout other programs share wraps the same way.
    switch (m_lockProtocol) {
        case TxbLokProtocol::Default:
        case TxbLokProtocol::FoxLock:
            offset = indexPresent() ? m_locks.appendByte - n : m_locks.lockBase + m_headerLength + (n - 1u) * m_recordLength;
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
    const bool result = unlock();
    if (m_fileLocked && lockCount() == 0) {
        m_fileLocked = false;
        if (m_headerUpdatePending) writeHeader();
    }
    return result;
}
