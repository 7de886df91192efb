// One disk file of the engine: its path, the descriptor it shares with every other object on the
// same file in this process, positioned reads and writes, size, flush, truncate, create, rename,
// the one byte range it may hold locked, and the error report through which its failures go.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os_file.h"

namespace xb {

// The descriptor of one open file, shared by every disk-file object opened on it. The mutex is
// the lock section that makes each positioned transfer indivisible between those objects.
struct SharedHandle {
    platform::Handle handle = platform::kNoHandle;
    platform::FileIdentity identity;
    bool shared = true;
    bool writable = false;
    std::mutex section;

    // The byte ranges the objects on this descriptor hold locked. The operating system's record
    // locks belong to the descriptor, so it cannot keep two of our own objects apart: this
    // table does, before the system is asked.
    struct HeldRange {
        std::uint64_t offset;
        std::uint64_t length;
        const void* owner;
    };
    std::vector<HeldRange> held;

    bool overlapsHeld(std::uint64_t offset, std::uint64_t length, const void* exceptOwner) const;
};

}  // namespace xb

class XBO_DiskFile {
public:
    // Make: resolves the path and records whether it exists; nothing is opened.
    XBO_DiskFile(const std::string& name, bool readWrite, bool shared);
    virtual ~XBO_DiskFile();
    XBO_DiskFile(const XBO_DiskFile&) = delete;
    XBO_DiskFile& operator=(const XBO_DiskFile&) = delete;

    // The operations, in the order the engine's layers extend them.
    virtual bool close();
    // The one way a failure leaves the engine: stores the code as this file's and the platform's
    // last error and raises EXbaseError. Not virtual, so that nothing can make it return.
    [[noreturn]] void reportError(int code, int location, const std::string& information);
    virtual std::uint64_t fileSize();
    virtual void flush();
    virtual bool lockWholeFile();
    virtual bool lockRange(std::uint32_t offset, std::uint32_t length);
    virtual std::uint32_t readAt(std::uint64_t offset, void* buffer, std::uint32_t length);
    virtual void rename(const std::string& newName);
    virtual void open();
    virtual void create();
    virtual void progressNotice(int /*step*/, int /*total*/) {}
    virtual void truncateAt(std::uint64_t offset);
    virtual bool unlock();
    virtual void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t length);

    // Raises kFileReplaced when the path no longer leads to the file this object holds open (another
    // program renamed a new file over it, or removed it): a write would land where nobody reads.
    // Called once a lock is taken, before anything is written under it.
    void ensureStillAtPath();

    // True when nobody else can touch the file: opened unshared, or holding the whole-file range.
    bool exclusiveUse() const;

    // What a write of `length` bytes at `offset` is about to replace: the file's size and the bytes
    // of the file in that range, so that a write that fails part way can be taken back.
    struct WriteUndo {
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
        std::vector<std::uint8_t> bytes;
    };
    WriteUndo keepForUndo(std::uint64_t offset, std::uint32_t length);
    // Puts the file back as keepForUndo found it: cut to its old size, the old bytes rewritten.
    // Raises nothing, since it runs while another failure is being reported; false when it could
    // not put everything back.
    bool undoWrite(const WriteUndo& undo) noexcept;

    const std::string& path() const { return m_path; }
    int lastError() const { return m_lastError; }
    bool existed() const { return m_existed; }
    bool isShared() const { return m_shared; }
    bool isReadWrite() const { return m_readWrite; }
    bool isClosed() const { return m_closed; }
    bool isDirty() const { return m_dirty; }
    std::uint64_t position() const { return m_position; }
    std::int32_t transferred() const { return m_transferred; }
    std::int32_t lockCount() const { return m_lockCount; }
    std::uint32_t lockOffset() const { return m_lockOffset; }
    std::uint32_t lockLength() const { return m_lockLength; }
    // The shared descriptor; null while closed.
    const std::shared_ptr<xb::SharedHandle>& sharedHandle() const { return m_handle; }

protected:
    // Stores a failure's code as the platform's last error and reports it with the path.
    [[noreturn]] void failWith(std::uint32_t code, int location);
    void setLastError(int code) { m_lastError = code; }
    // Plain close of the disk-file level, for the destructors of the layers above.
    void closeDiskFile();

private:
    std::shared_ptr<xb::SharedHandle> m_handle;
    int m_lastError = 0;
    bool m_existed = false;
    std::string m_path;
    std::uint64_t m_position = 0;
    bool m_shared;
    bool m_readWrite;
    std::int32_t m_transferred = 0;
    std::int32_t m_lockCount = 0;
    std::uint32_t m_lockOffset = 0;
    std::uint32_t m_lockLength = 0;
    bool m_dirty = false;
    bool m_closed = true;

    friend class XBobjFileColl;
};
