// Appending many records at once: the batch an import writes, under one hold of the append byte,
// so that what is appended can be decided against the records the file holds at that moment.
#include <cstring>
#include <stdexcept>

#include "dbf/dbf_table.h"
#include "dbf/error_report.h"
#include "platform/error_codes.h"

namespace {

// What a failed undo of a batch left in the file, in words: the error's message goes on with it.
std::string batchLeftovers(bool headerBack, bool endBack, std::uint32_t records, std::uint32_t added) {
    std::string left = "The table could not be put back as it was:";
    if (!endBack)
        left += " the file could not be cut back to its end after record " + std::to_string(records) +
                ", and part of the records that failed stays after it";
    if (!headerBack)
        left +=
            std::string(endBack ? "" : ";") + " the header may count " + std::to_string(records + added) + " records";
    return left;
}

// Inside a catch block: raises the failure being handled again, with `aftermath` added.
[[noreturn]] void rethrowWith(const std::string& aftermath) {
    try {
        throw;
    } catch (const EXbaseError& error) {
        throw EXbaseError(error, aftermath);
    }
}

}  // namespace

std::uint32_t XBO_dBaseDBF::appendRecords(const BatchPreparer& prepare) {
    const bool coveredByFileLock = m_fileLocked;
    if (!takeAppendByte()) {
        // Writing without the byte could put two users' records on the same place.
        reportError(static_cast<int>(platform::code::kLockViolation), xb::loc::kWrite, path());
    }
    const bool pendingBefore = m_headerUpdatePending;
    std::uint32_t added = 0;
    try {
        ensureStillAtPath();
        refreshHeader();
        std::string bytes;
        prepare(m_recordCount, bytes);
        if (bytes.size() % m_recordLength != 0)
            throw std::logic_error("a batch of " + std::to_string(bytes.size()) + " bytes for records of " +
                                   std::to_string(m_recordLength));
        added = static_cast<std::uint32_t>(bytes.size() / m_recordLength);
        if (added > 0) {
            statusEvent(xb::ev::kBeforeWrite, 0);
            const std::uint64_t offset = m_headerLength + static_cast<std::uint64_t>(m_recordCount) * m_recordLength;
            bytes.push_back(static_cast<char>(xb::kEofByte));
            const auto length = static_cast<std::uint32_t>(bytes.size());
            // As a single append: the batch, end mark and header, or the file as it was.
            const WriteUndo recordUndo = keepForUndo(offset, length);
            WriteUndo headerBytes;          // the header is written whole: one piece puts it back
            headerBytes.size = UINT64_MAX;  // the records' undo cuts the file back
            headerBytes.bytes.assign(m_header.begin(), m_header.end());
            const std::uint32_t countBefore = m_recordCount;
            const std::uint32_t currentBefore = m_currentRecord;
            m_headerUpdatePending = true;
            m_recordCount += added;
            m_currentRecord = m_recordCount;
            bool headerTried = false;
            try {
                writeAt(offset, bytes.data(), length);
                headerTried = true;
                writeHeader(true);
            } catch (...) {
                // None of the batch is in the file: the count and position must not pretend it is.
                m_recordCount = countBefore;
                m_currentRecord = currentBefore;
                m_headerUpdatePending = pendingBefore;
                const bool headerBack = !headerTried || undoWrite(headerBytes);
                const bool endBack = undoWrite(recordUndo);
                if (!headerBack || !endBack) rethrowWith(batchLeftovers(headerBack, endBack, countBefore, added));
                throw;
            }
            // The buffer holds the last record, as after appending it alone.
            std::memcpy(m_buffer, bytes.data() + bytes.size() - 1 - m_recordLength, m_recordLength);
        }
    } catch (...) {
        m_headerUpdatePending = pendingBefore;
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
