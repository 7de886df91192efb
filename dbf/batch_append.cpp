// Appending many records at once: the batch an import writes, under one hold of the append byte,
// so that what is appended can be decided against the records the file holds at that moment.
#include <cstring>
#include <stdexcept>

#include "dbf/dbf_table.h"
#include "platform/error_codes.h"

std::uint32_t XBO_dBaseDBF::appendRecords(const BatchPreparer& prepare) {
    const bool coveredByFileLock = m_fileLocked;
    if (!takeAppendByte()) {
        // Writing without the byte could put two users' records on the same place.
        reportError(static_cast<int>(platform::code::kLockViolation), xb::loc::kWrite, path());
    }
    std::uint32_t added = 0;
    try {
        refreshHeader();
        std::string bytes;
        prepare(m_recordCount, bytes);
        if (bytes.size() % m_recordLength != 0)
            throw std::logic_error("a batch of " + std::to_string(bytes.size()) + " bytes for records of " +
                                   std::to_string(m_recordLength));
        added = static_cast<std::uint32_t>(bytes.size() / m_recordLength);
        if (added > 0) {
            statusEvent(xb::ev::kBeforeWrite, 0);
            m_headerUpdatePending = true;
            const std::uint64_t offset = m_headerLength + static_cast<std::uint64_t>(m_recordCount) * m_recordLength;
            bytes.push_back(static_cast<char>(xb::kEofByte));
            const auto length = static_cast<std::uint32_t>(bytes.size());
            const WriteUndo recordUndo = keepForUndo(offset, length);
            WriteUndo headerUndo;
            headerUndo.offset = 0;
            headerUndo.size = recordUndo.size;
            headerUndo.bytes.assign(m_header.begin(), m_header.end());
            const std::uint32_t countBefore = m_recordCount;
            const std::uint32_t currentBefore = m_currentRecord;
            m_recordCount += added;
            m_currentRecord = m_recordCount;
            bool headerTried = false;
            try {
                writeAt(offset, bytes.data(), length);
                headerTried = true;
                writeHeader();
            } catch (...) {
                // None of the batch is in the file: the count and position must not pretend it is.
                m_recordCount = countBefore;
                m_currentRecord = currentBefore;
                if (headerTried) undoWrite(headerUndo);
                undoWrite(recordUndo);
                throw;
            }
            // The buffer holds the last record, as after appending it alone.
            std::memcpy(m_buffer, bytes.data() + bytes.size() - 1 - m_recordLength, m_recordLength);
        }
    } catch (...) {
        if (!coveredByFileLock) unlockWithHeaderUpdate();
        throw;
    }
    if (!coveredByFileLock) unlockWithHeaderUpdate();
    if (added > 0) {
        m_eof = false;
        m_bof = false;
        statusEvent(xb::ev::kAfterWrite, 0);
        std::memcpy(m_oldRecord.data(), m_buffer, m_recordLength);
    }
    return added;
}
