// The process-wide registry of open disk files: it hands one descriptor to every object opened
// on the same file (same device and inode), and releases every range lock still held when the
// process ends.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "dbf/disk_file.h"

class XBobjFileColl {
public:
    static XBobjFileColl& instance();
    ~XBobjFileColl();

    std::mutex& mutex() { return m_mutex; }

    // The following expect the caller to hold mutex().
    void add(XBO_DiskFile* file);
    void remove(XBO_DiskFile* file);
    bool contains(const XBO_DiskFile* file) const;
    // An open object whose descriptor is on the file with this identity, or null.
    XBO_DiskFile* findByIdentity(const platform::FileIdentity& identity) const;
    // Whether another listed object than `file` uses the same descriptor.
    bool sharedWithOthers(const XBO_DiskFile* file) const;
    std::size_t size() const { return m_files.size(); }

private:
    XBobjFileColl() = default;
    std::mutex m_mutex;
    std::vector<XBO_DiskFile*> m_files;
};
