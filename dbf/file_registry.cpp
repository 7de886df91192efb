// The process-wide registry of open disk files.
#include "dbf/file_registry.h"

#include <algorithm>

XBobjFileColl& XBobjFileColl::instance() {
    static XBobjFileColl registry;
    return registry;
}

XBobjFileColl::~XBobjFileColl() {
    // No range lock may outlive the program, even when its tables were never closed.
    std::lock_guard<std::mutex> guard(m_mutex);
    for (XBO_DiskFile* file : m_files) {
        if (file->m_lockCount > 0 && file->m_shared && file->m_handle) {
            platform::unlockRange(file->m_handle->handle, file->m_lockOffset, file->m_lockLength);
            file->m_lockCount = 0;
        }
    }
}

void XBobjFileColl::add(XBO_DiskFile* file) { m_files.push_back(file); }

void XBobjFileColl::remove(XBO_DiskFile* file) {
    m_files.erase(std::remove(m_files.begin(), m_files.end(), file), m_files.end());
}

bool XBobjFileColl::contains(const XBO_DiskFile* file) const {
    return std::find(m_files.begin(), m_files.end(), file) != m_files.end();
}

XBO_DiskFile* XBobjFileColl::findByIdentity(const platform::FileIdentity& identity) const {
    for (XBO_DiskFile* file : m_files) {
        if (file->m_handle && file->m_handle->identity == identity) return file;
    }
    return nullptr;
}

bool XBobjFileColl::sharedWithOthers(const XBO_DiskFile* file) const {
    if (!file->m_handle) return false;
    for (const XBO_DiskFile* other : m_files) {
        if (other != file && other->m_handle == file->m_handle) return true;
    }
    return false;
}
