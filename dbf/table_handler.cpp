// Navigation over visible records, skipping, exact counting and the read-ahead cache; and the
// DBFObject that consults its dataset.
#include "dbf/table_handler.h"

#include <algorithm>
#include <cstring>
#include <memory>

XBO_dBHandler::XBO_dBHandler(const std::string& name, const std::string& key, bool readWrite, bool shared)
    : XBO_dBaseFld(name, key, readWrite, shared) {}

XBO_dBHandler::~XBO_dBHandler() = default;

bool XBO_dBHandler::acceptRecord() { return true; }

bool XBO_dBHandler::isVisible() { return isVisibleImage(m_buffer) && acceptRecord(); }

void XBO_dBHandler::readRecord(std::int64_t request) {
    if (m_tableState != xb::state::kNormal) {
        XBO_dBaseDBF::readRecord(request);
        clearChangedMarks();
        return;
    }
    m_eof = false;
    m_bof = false;
    const std::int64_t direction = (request == xb::req::kFirst || request == xb::req::kCurrent) ? xb::req::kNext
                                   : request == xb::req::kLast                                  ? xb::req::kPrior
                                                                                                : request;
    const bool readAhead = m_readAheadOn;
    std::int64_t r = request;
    while (!m_eof && !m_bof) {
        XBO_dBaseDBF::readRecord(r);
        clearChangedMarks();
        if (r == 0 || (r > 0 && r > static_cast<std::int64_t>(m_recordCount))) {
            blankRecord();
            return;
        }
        if (direction >= 0) break;
        if (isVisible()) break;
        r = direction;
    }
    setReadAhead(readAhead);
}

void XBO_dBHandler::skipRecords(std::int64_t count) {
    if (count == 0) {
        readRecord(xb::req::kCurrent);
        return;
    }
    if (m_useDeleted) {
        // Every record is visible, so the target is plain arithmetic.
        std::int64_t target = static_cast<std::int64_t>(m_currentRecord) + count;
        bool fellOff = false;
        if (target > static_cast<std::int64_t>(m_recordCount)) {
            target = m_recordCount;
            fellOff = true;
        }
        if (target < 1) {
            target = 1;
            fellOff = true;
        }
        readRecord(target);
        if (fellOff) {
            m_eof = count > 0;
            m_bof = count < 0;
        }
        return;
    }
    const std::int64_t step = count > 0 ? xb::req::kNext : xb::req::kPrior;
    for (std::int64_t i = 0, n = count > 0 ? count : -count; i < n; ++i) {
        readRecord(step);
        if (m_eof || m_bof) break;
    }
}

bool XBO_dBHandler::lockAndReadRecord(std::uint32_t n) {
    const bool coveredByFileLock = m_fileLocked;
    if (!lockRecord(n)) return false;
    try {
        ensureStillAtPath();
        m_cacheStart = -1;
        readRecord(n);
    } catch (...) {
        if (!coveredByFileLock) unlock();
        throw;
    }
    return true;
}

std::uint32_t XBO_dBHandler::exactCount() {
    const std::uint32_t remembered = m_currentRecord;
    std::uint32_t count = 0;
    readRecord(xb::req::kFirst);
    while (!m_eof) {
        ++count;
        readRecord(xb::req::kNext);
    }
    readRecord(remembered);
    return count;
}

void XBO_dBHandler::scanRecordBlocks(const RecordBlockVisitor& visit, std::uint32_t last) {
    constexpr std::uint32_t kScanBlock = 1u << 18;
    refreshHeader();
    // No larger than the table: a short table is read in one go, without a large buffer to clear.
    const std::uint32_t perBlock =
        std::clamp<std::uint32_t>(kScanBlock / m_recordLength, 1, std::max<std::uint32_t>(m_recordCount, 16));
    const auto block =
        std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(perBlock) * m_recordLength);
    std::uint32_t next = 1;
    for (;;) {
        const std::uint32_t end = std::min(m_recordCount, last);
        while (next <= end) {
            const std::uint32_t count = std::min(perBlock, end - next + 1);
            const std::uint32_t wanted = count * m_recordLength;
            const std::uint64_t offset =
                m_headerLength + static_cast<std::uint64_t>(next - 1) * static_cast<std::uint64_t>(m_recordLength);
            // Straight from the file: the read-ahead cache serves record-by-record walks.
            const std::uint32_t got = XBO_dBaseFld::readAt(offset, block.get(), wanted);
            if (got < wanted) reportError(xb::err::kShortRead, xb::loc::kRecordRead, path());
            visit(block.get(), count, next);
            next += count;
        }
        const std::uint32_t counted = m_recordCount;
        if (counted >= last) break;
        refreshHeader();
        if (m_recordCount <= counted) break;
    }
}

std::uint32_t XBO_dBHandler::visibleCountInBlocks(std::vector<std::uint32_t>* hidden) {
    std::uint32_t count = 0;
    scanRecordBlocks([&](std::uint8_t* records, std::uint32_t n, std::uint32_t first) {
        for (std::uint32_t i = 0; i < n; ++i) {
            if (isVisibleImage(records + std::size_t{i} * m_recordLength)) {
                ++count;
            } else if (hidden) {
                hidden->push_back(first + i);
            }
        }
    });
    return count;
}

bool XBO_dBHandler::statusEvent(int code, std::int64_t number) {
    // Index files and filter sets would follow writes here; none are kept by this program.
    return XBO_dBaseFld::statusEvent(code, number);
}

void XBO_dBHandler::appendRecord() {
    if (!lockIndexFiles()) return;
    XBO_dBaseFld::appendRecord();
}

void XBO_dBHandler::replaceRecord(std::int64_t n) {
    if (!lockIndexFiles()) return;
    XBO_dBaseFld::replaceRecord(n);
}

void XBO_dBHandler::setReadAhead(bool on) {
    if (on) {
        if (!m_readAheadAllowed || m_readAheadOn) return;
        std::uint32_t size = xb::kReadAheadSize - xb::kReadAheadSize % m_recordLength;
        size = std::max(size, m_recordLength);
        m_cache.assign(size, 0);
        m_cacheStart = -1;
        m_cacheEnd = 0;
        m_readAheadOn = true;
    } else {
        m_cache.clear();
        m_cache.shrink_to_fit();
        m_cacheStart = -1;
        m_cacheEnd = 0;
        m_readAheadOn = false;
    }
}

std::uint32_t XBO_dBHandler::readAt(std::uint64_t offset, void* buffer, std::uint32_t length) {
    if (!m_readAheadOn || offset < m_headerLength) return XBO_dBaseFld::readAt(offset, buffer, length);
    const auto at = static_cast<std::int64_t>(offset);
    const auto record = static_cast<std::int64_t>(m_recordLength);
    if (m_cacheStart < 0 || at < m_cacheStart || at >= m_cacheEnd - record) {
        // A walk backwards gets the block that ends with the record asked for, so that the
        // records before it come from memory too; any other read gets the block it starts.
        std::int64_t start = at;
        if (m_cacheStart >= 0 && at < m_cacheStart) {
            start = std::max<std::int64_t>(m_headerLength, at + record - static_cast<std::int64_t>(m_cache.size()));
        }
        const std::uint32_t got = XBO_dBaseFld::readAt(static_cast<std::uint64_t>(start), m_cache.data(),
                                                       static_cast<std::uint32_t>(m_cache.size()));
        m_cacheStart = start;
        m_cacheEnd = start + got;
    }
    if (at >= m_cacheEnd) {
        setLastError(xb::err::kShortRead);
        return 0;
    }
    const auto available = static_cast<std::uint32_t>(m_cacheEnd - at);
    const std::uint32_t copied = std::min(length, available);
    std::memcpy(buffer, m_cache.data() + (at - m_cacheStart), copied);
    setLastError(copied < length ? xb::err::kShortRead : 0);
    return copied;
}

void XBO_dBHandler::writeAt(std::uint64_t offset, const void* buffer, std::uint32_t length) {
    XBO_dBaseFld::writeAt(offset, buffer, length);
    if (!m_readAheadOn || offset == 0 || m_cacheStart < 0) return;
    const auto at = static_cast<std::int64_t>(offset);
    if (at >= m_cacheStart && at < m_cacheEnd - static_cast<std::int64_t>(m_recordLength)) {
        // Keep the block true to what this object wrote.
        const auto room = static_cast<std::uint32_t>(m_cacheEnd - at);
        std::memcpy(m_cache.data() + (at - m_cacheStart), buffer, std::min(length, room));
    }
}

DBFObject::DBFObject(const std::string& name, const std::string& key, bool readWrite, bool shared,
                     DBFObjectHooks* owner)
    : XBO_dBHandler(name, key, readWrite, shared), m_owner(owner) {}

bool DBFObject::acceptRecord() {
    if (m_owner && !m_owner->acceptRecord()) return false;
    return XBO_dBHandler::acceptRecord();
}

bool DBFObject::statusEvent(int code, std::int64_t number) {
    const bool result = XBO_dBHandler::statusEvent(code, number);
    if (m_owner) m_owner->statusReport(code, number);
    return result;
}
