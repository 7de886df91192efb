// The file calls the storage engine makes of the operating system, behind one narrow seam.
// Each call returns success or failure and leaves the outcome in a thread-local last-error code,
// expressed in the Windows error numbers that the engine's messages are written for (see error_codes.h).
// Every call can be made to fail from a test through fault_injection.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// An open file: a POSIX descriptor, or kNoHandle.
using Handle = int;
inline constexpr Handle kNoHandle = -1;

// The result of the last call of this seam on this thread (0 = success).
std::uint32_t lastError();
void setLastError(std::uint32_t code);

enum class Disposition {
    OpenExisting,  // the file must exist
    CreateAlways,  // create it, or empty an existing one
    CreateNew,     // create it; an existing file (in any letter case the caller resolved) is refused
};

// Opens `path` for reading (and writing when `write`). `shared` false asks for exclusive use:
// the open fails with the sharing violation (32) while any other open description holds the
// file, and while this one is held every other open fails the same way. A directory is refused
// with access denied (5), as on the original platform; anything else that is not a regular file
// (a FIFO, a device, a socket) with kNotRegularFile, at once: the open never waits.
Handle openFile(const std::string& path, bool write, bool shared, Disposition disposition);
bool closeFile(Handle handle);

// Opens `path` for reading only, with no share lock: a file the program reads but never writes
// (a draw file, a games file, the aliases). Refused as openFile refuses it: a directory with
// access denied (5), anything else that is not a regular file with kNotRegularFile, never waiting.
Handle openRegularFile(const std::string& path);
// Opens `path` for writing in place, made or emptied, whatever it is: a device or a pipe a user
// named as an output. Regular files are better written beside and renamed.
Handle openForWriting(const std::string& path);
// The bytes of the regular file `path`, read whole; false with the last error set when it cannot
// be opened or read.
bool readWholeFile(const std::string& path, std::string& bytes);

// Sequential reading from the handle's position, for what can be read only once (standard input,
// a pipe) as for files: `done` is 0 at the end. The position can be told and set again.
bool readNext(Handle handle, void* buffer, std::uint32_t length, std::uint32_t& done);
bool positionOf(Handle handle, std::uint64_t& offset);
bool seekTo(Handle handle, std::uint64_t offset);

// Positioned transfers. `done` receives the bytes moved. A read that meets the end of the file
// succeeds with fewer bytes. A write that the system completes only partly is continued; when it
// cannot be completed the call fails (112 when the disk is full, otherwise 29, the write fault).
bool readAt(Handle handle, std::uint64_t offset, void* buffer, std::uint32_t length, std::uint32_t& done);
bool writeAt(Handle handle, std::uint64_t offset, const void* buffer, std::uint32_t length, std::uint32_t& done);

bool fileSize(Handle handle, std::uint64_t& size);

// What the system records of a file's last change by any program: its size and the times of the
// last write and of the last change of its status, in nanoseconds. Two equal versions taken
// some time apart mean nobody wrote the file in between, unless both writes fell within the
// file system's clock tick: `modified` close to the present says a later write may not show.
struct FileVersion {
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    bool operator==(const FileVersion&) const = default;
};
bool versionOf(Handle handle, FileVersion& version);
bool flushFile(Handle handle);
bool truncateAt(Handle handle, std::uint64_t offset);
bool moveFile(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);
// Gives `to` the owner, group and permission bits of `from`, so that a copy put in a file's place
// keeps its access; fails (with nothing else changed) when the system will not allow it.
bool keepOwnerAndMode(Handle from, Handle to);
// Renames `from` to `to` unless `to` exists (refused with 183, already exists).
bool moveFileNoReplace(const std::string& from, const std::string& to);

// Whether `path` names an existing file or directory (the attribute query of the original).
bool pathExists(const std::string& path);
// Whether `path`, exactly as written, names an existing regular file (no directory, FIFO or
// device). A query without side effects, like the attribute query; it sets no last error.
bool isRegularFile(const std::string& path);
// The same of an open handle (standard input redirected from a file is one).
bool isRegularHandle(Handle handle);
// Whether `path` itself is a symbolic link (not followed). A query like the two above.
bool isSymbolicLink(const std::string& path);

// Identity of an open file or of a path, for the registry that hands out one descriptor per file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
bool identityOf(Handle handle, FileIdentity& identity);
bool identityOfPath(const std::string& path, FileIdentity& identity);

// What a replacement of an open file must keep or refuse: its names (hard links), owner, group
// and permission bits.
struct FileStatus {
    std::uint64_t links = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint32_t mode = 0;
};
bool statusOf(Handle handle, FileStatus& status);

// The path with every symbolic link followed, for a file that is to be replaced where it really
// is; empty, with the last error set, when it cannot be resolved.
std::string resolvedPath(const std::string& path);

// Processes, for the scratch files a killed program left behind: whether a process of this id is
// running, and this one's id.
bool processExists(long id);
long currentProcess();

// The names in `directory` (sorted, without . and ..); empty when it cannot be read.
std::vector<std::string> directoryEntries(const std::string& directory);
// The names in the directory of `path` spelt like its last component up to letter case.
std::vector<std::string> caseVariants(const std::string& path);

// Expands `name` to a full path against the current directory ("." and ".." folded), and matches
// every component that does not exist as written against its directory without regard to letter
// case, so that LOTOBASE.DBF finds lotobase.dbf. Components that match nothing are kept as given.
std::string fullPath(const std::string& name);

// Byte-range locks between processes: open-file-description record locks on exactly these bytes,
// never waiting. Refusal is the lock violation (33).
bool lockRange(Handle handle, std::uint64_t offset, std::uint64_t length);
bool unlockRange(Handle handle, std::uint64_t offset, std::uint64_t length);

}  // namespace platform
