// A disk file of the engine over the platform seam: every failure goes through the error report
// with the file's path; objects on the same file share one descriptor through the registry.
#include "dbf/disk_file.h"

#include <algorithm>

#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/file_registry.h"
#include "platform/error_codes.h"

namespace xb {

bool SharedHandle::overlapsHeld(std::uint64_t offset, std::uint64_t length, const void* exceptOwner) const {
    for (const HeldRange& range : held) {
        if (range.owner == exceptOwner) continue;
        if (offset < range.offset + range.length && range.offset < offset + length) return true;
    }
    return false;
}

}  // namespace xb

XBO_DiskFile::XBO_DiskFile(const std::string& name, bool readWrite, bool shared)
    : m_path(platform::fullPath(name)), m_shared(shared), m_readWrite(readWrite) {
    m_existed = platform::pathExists(m_path);
}

XBO_DiskFile::~XBO_DiskFile() { closeDiskFile(); }

bool XBO_DiskFile::close() {
    closeDiskFile();
    return true;
}

void XBO_DiskFile::closeDiskFile() {
    if (m_closed) return;
    if (m_lockCount > 0) {
        m_lockCount = 1;
        XBO_DiskFile::unlock();
    }
    m_lastError = 0;
    auto& registry = XBobjFileColl::instance();
    bool othersRemain = false;
    {
        std::lock_guard<std::mutex> guard(registry.mutex());
        registry.remove(this);
        othersRemain = registry.sharedWithOthers(this);
    }
    if (othersRemain) {
        // The descriptor stays open for the others; what this object wrote must still reach
        // the disk as it would have at a real close.
        if (m_dirty) {
            try {
                flush();
            } catch (const Exception&) {
                // A close always succeeds; the others still hold the file and will see the error.
            }
        }
    } else if (m_handle) {
        platform::closeFile(m_handle->handle);
    }
    m_handle.reset();
    m_closed = true;
    m_position = 0;
    m_dirty = false;
}

void XBO_DiskFile::reportError(int code, int location, const std::string& information) {
    m_lastError = code;
    platform::setLastError(static_cast<std::uint32_t>(code));
    xb::raiseError(code, location, information);
}

void XBO_DiskFile::failWith(std::uint32_t code, int location) { reportError(static_cast<int>(code), location, m_path); }

std::uint64_t XBO_DiskFile::fileSize() {
    if (!m_handle) failWith(xb::err::kFileNotOpen, xb::loc::kFileSize);
    std::uint64_t size = 0;
    if (!platform::fileSize(m_handle->handle, size)) failWith(platform::lastError(), xb::loc::kFileSize);
    m_lastError = 0;
    m_position = size;
    return size;
}

bool XBO_DiskFile::fileVersion(Version& version) const {
    version = {};
    if (!m_handle) return false;
    std::lock_guard<std::mutex> guard(m_handle->section);
    version.ownWrites = m_handle->writes;
    return platform::versionOf(m_handle->handle, version.system);
}

void XBO_DiskFile::flush() {
    if (!m_handle) failWith(xb::err::kFileNotOpen, xb::loc::kFlush);
    if (!platform::flushFile(m_handle->handle)) failWith(platform::lastError(), xb::loc::kFlush);
    m_lastError = 0;
    m_dirty = false;
}

bool XBO_DiskFile::lockWholeFile() {
    if (!m_shared) return true;
    return lockRange(0, xb::kWholeFileLength);
}

bool XBO_DiskFile::lockRange(std::uint32_t offset, std::uint32_t length) {
    if (!m_shared) {
        m_lastError = 0;
        ++m_lockCount;
        m_lockOffset = offset;
        m_lockLength = length;
        return true;
    }
    if (m_lockCount > 0) {
        if (offset == m_lockOffset && length == m_lockLength) {
            m_lastError = 0;
            ++m_lockCount;
            return true;
        }
        m_lastError = static_cast<int>(platform::code::kLockViolation);
        return false;
    }
    m_lockOffset = offset;
    m_lockLength = length;
    if (!m_handle) {
        m_lastError = xb::err::kFileNotOpen;
        return false;
    }
    std::lock_guard<std::mutex> guard(m_handle->section);
    if (m_handle->overlapsHeld(offset, length, nullptr)) {
        m_lastError = static_cast<int>(platform::code::kLockViolation);
        return false;
    }
    if (!platform::lockRange(m_handle->handle, offset, length)) {
        m_lastError = static_cast<int>(platform::lastError());
        return false;
    }
    m_handle->held.push_back({offset, length, this});
    m_lastError = 0;
    m_lockCount = 1;
    return true;
}

bool XBO_DiskFile::unlock() {
    m_lastError = 0;
    if (m_lockCount <= 0) return true;
    if (m_shared && m_lockCount == 1 && m_handle) {
        std::lock_guard<std::mutex> guard(m_handle->section);
        if (!platform::unlockRange(m_handle->handle, m_lockOffset, m_lockLength)) {
            m_lastError = static_cast<int>(platform::lastError());
        } else {
            auto& held = m_handle->held;
            for (auto it = held.begin(); it != held.end(); ++it) {
                if (it->owner == this) {
                    held.erase(it);
                    break;
                }
            }
        }
    }
    if (m_lastError == 0) --m_lockCount;
    return m_lastError == 0;
}

bool XBO_DiskFile::exclusiveUse() const {
    if (!m_shared) return true;
    return m_lockCount > 0 && m_lockOffset == 0 && m_lockLength == xb::kWholeFileLength;
}

std::uint32_t XBO_DiskFile::readAt(std::uint64_t offset, void* buffer, std::uint32_t length) {
    if (!m_handle) failWith(xb::err::kFileNotOpen, xb::loc::kRead);
    std::uint32_t done = 0;
    std::uint32_t failure = 0;
    {
        std::lock_guard<std::mutex> guard(m_handle->section);
        if (!m_handle->held.empty() && m_handle->overlapsHeld(offset, length, this)) {
            failure = platform::code::kLockViolation;
        } else if (!platform::readAt(m_handle->handle, offset, buffer, length, done)) {
            failure = platform::lastError();
        } else {
            m_position = offset + length;
        }
    }
    m_transferred = static_cast<std::int32_t>(done);
    if (failure != 0) failWith(failure, xb::loc::kRead);
    m_lastError = done < length ? xb::err::kShortRead : 0;
    return done;
}

void XBO_DiskFile::writeAt(std::uint64_t offset, const void* buffer, std::uint32_t length) {
    if (!m_handle) failWith(xb::err::kFileNotOpen, xb::loc::kWrite);
    std::uint32_t done = 0;
    std::uint32_t failure = 0;
    {
        std::lock_guard<std::mutex> guard(m_handle->section);
        if (!m_handle->writable) {
            failure = platform::code::kAccessDenied;
        } else if (!m_handle->held.empty() && m_handle->overlapsHeld(offset, length, this)) {
            failure = platform::code::kLockViolation;
        } else {
            ++m_handle->writes;
            if (!platform::writeAt(m_handle->handle, offset, buffer, length, done)) {
                failure = platform::lastError();
            } else {
                m_position = offset + length;
                m_dirty = true;
            }
        }
    }
    m_transferred = static_cast<std::int32_t>(done);
    if (failure != 0) failWith(failure, xb::loc::kWrite);
    m_lastError = 0;
}

void XBO_DiskFile::ensureStillAtPath() {
    if (!m_handle) failWith(xb::err::kFileNotOpen, xb::loc::kOpen);
    platform::FileIdentity named;
    if (!platform::identityOfPath(m_path, named)) {
        const std::uint32_t failure = platform::lastError();
        if (failure != platform::code::kFileNotFound && failure != platform::code::kPathNotFound)
            failWith(failure, xb::loc::kOpen);
    }
    if (!(named == m_handle->identity)) failWith(xb::err::kFileReplaced, xb::loc::kOpen);
    m_lastError = 0;
}

XBO_DiskFile::WriteUndo XBO_DiskFile::keepForUndo(std::uint64_t offset, std::uint32_t length) {
    WriteUndo undo;
    undo.offset = offset;
    undo.size = fileSize();
    if (undo.size > offset) {
        undo.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(undo.size - offset, length)));
        const std::uint32_t got =
            XBO_DiskFile::readAt(offset, undo.bytes.data(), static_cast<std::uint32_t>(undo.bytes.size()));
        undo.bytes.resize(got);
    }
    return undo;
}

bool XBO_DiskFile::undoWrite(const WriteUndo& undo) noexcept {
    if (!m_handle) return false;
    // Straight to the platform: the bytes are this object's own write, and the file's end is
    // ours to move back while we hold the append byte that let us extend it.
    std::lock_guard<std::mutex> guard(m_handle->section);
    ++m_handle->writes;
    std::uint64_t size = 0;
    bool restored = platform::fileSize(m_handle->handle, size);
    if (restored && size > undo.size) restored = platform::truncateAt(m_handle->handle, undo.size);
    std::uint32_t done = 0;
    if (!undo.bytes.empty()) {
        // Bytes the failed write never reached need no write (which could fail in turn).
        const auto length = static_cast<std::uint32_t>(undo.bytes.size());
        std::vector<std::uint8_t> now(undo.bytes.size());
        const bool intact = platform::readAt(m_handle->handle, undo.offset, now.data(), length, done) &&
                            done == length && now == undo.bytes;
        if (!intact)
            restored = platform::writeAt(m_handle->handle, undo.offset, undo.bytes.data(), length, done) && restored;
    }
    return restored;
}

void XBO_DiskFile::open() {
    auto& registry = XBobjFileColl::instance();
    bool failed = false;
    std::uint32_t failure = 0;
    {
        std::lock_guard<std::mutex> guard(registry.mutex());
        platform::FileIdentity identity;
        if (platform::identityOfPath(m_path, identity)) {
            if (XBO_DiskFile* other = registry.findByIdentity(identity)) {
                m_handle = other->m_handle;
                m_shared = other->m_shared;
            }
        }
        if (!m_handle) {
            const platform::Handle handle =
                platform::openFile(m_path, m_readWrite, m_shared, platform::Disposition::OpenExisting);
            if (handle == platform::kNoHandle) {
                failed = true;
                failure = platform::lastError();
            } else if (!platform::identityOf(handle, identity)) {
                failed = true;
                failure = platform::lastError();
                platform::closeFile(handle);
            } else {
                auto shared = std::make_shared<xb::SharedHandle>();
                shared->handle = handle;
                shared->identity = identity;
                shared->shared = m_shared;
                shared->writable = m_readWrite;
                m_handle = std::move(shared);
            }
        }
        if (!failed) {
            m_position = 0;
            if (!registry.contains(this)) registry.add(this);
            m_closed = false;
        }
    }
    if (failed) failWith(failure == 0 ? platform::code::kGeneralFailure : failure, xb::loc::kOpen);
    m_lastError = 0;
}

void XBO_DiskFile::create() {
    auto& registry = XBobjFileColl::instance();
    {
        std::lock_guard<std::mutex> guard(registry.mutex());
        platform::FileIdentity identity;
        if (platform::identityOfPath(m_path, identity) && registry.findByIdentity(identity)) {
            failWith(xb::err::kInvalidAccess, xb::loc::kCreate);
        }
        const platform::Handle handle = platform::openFile(m_path, true, false, platform::Disposition::CreateAlways);
        if (handle == platform::kNoHandle) failWith(platform::lastError(), xb::loc::kCreate);
        platform::closeFile(handle);
    }
    m_existed = true;
    open();
}

void XBO_DiskFile::truncateAt(std::uint64_t offset) {
    if (!m_readWrite || !exclusiveUse() || !m_handle) failWith(platform::code::kAccessDenied, xb::loc::kTruncate);
    std::uint32_t failure = 0;
    {
        std::lock_guard<std::mutex> guard(m_handle->section);
        ++m_handle->writes;
        if (!platform::truncateAt(m_handle->handle, offset)) {
            failure = platform::lastError();
        } else {
            m_position = offset;
        }
    }
    if (failure != 0) failWith(failure, xb::loc::kTruncate);
    m_lastError = 0;
}

void XBO_DiskFile::rename(const std::string& newName) {
    close();
    const std::string newPath = platform::fullPath(newName);
    std::uint32_t failure = 0;
    if (platform::moveFile(m_path, newPath)) {
        m_path = newPath;
    } else {
        failure = platform::lastError();
    }
    open();
    if (failure != 0) failWith(failure, xb::loc::kRename);
}
