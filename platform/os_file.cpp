// POSIX backend of the file seam: descriptors, flock share modes, open-file-description record
// locks, and case-insensitive name resolution, with every outcome reported as a Windows error code.
#include "platform/os_file.h"

#include "platform/ascii_case.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <signal.h>
#include <stdio.h>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

thread_local std::uint32_t t_lastError = 0;
thread_local bool t_createdFile = false;  // the open under way has made its file

constexpr std::uint64_t kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());

// Makes a system call again for as long as a signal interrupts it (-1 with EINTR), and returns
// its last result. Not for close: Linux releases the descriptor even when close reports EINTR.
template <typename SystemCall>
auto retryInterrupted(SystemCall call) {
    auto result = call();
    while (result == -1 && errno == EINTR) result = call();
    return result;
}

bool fail(std::uint32_t code) {
    t_lastError = code;
    return false;
}

bool succeed() {
    t_lastError = code::kSuccess;
    return true;
}

// Runs the fault hook for one call; true when the call must fail (last error already set).
bool faulted(Call call, std::uint32_t& limit) {
    std::uint32_t injected = 0;
    if (takeFault(call, injected, limit)) {
        t_lastError = injected;
        return true;
    }
    return false;
}

bool faulted(Call call) {
    std::uint32_t limit = 0;
    return faulted(call, limit);
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ENOENT means 2 when the file alone is missing and 3 when its directory is.
std::uint32_t codeForPath(int err, const std::string& path) {
    return windowsCodeFor(err, err == ENOENT && !isDirectory(parentOf(path)));
}

void closeQuietly(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

// Case folding for name matching: ASCII letters, and the Cyrillic capitals А-Я and Ё in UTF-8.
std::string foldCase(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (lowerAscii(static_cast<char>(c)) != static_cast<char>(c)) {
            folded.push_back(lowerAscii(static_cast<char>(c)));
            continue;
        }
        if (c == 0xD0 && i + 1 < name.size()) {
            const auto next = static_cast<unsigned char>(name[i + 1]);
            if (next >= 0x90 && next <= 0x9F) {  // А-П → а-п
                folded.push_back(static_cast<char>(0xD0));
                folded.push_back(static_cast<char>(next + 0x20));
                ++i;
                continue;
            }
            if (next >= 0xA0 && next <= 0xAF) {  // Р-Я → р-я
                folded.push_back(static_cast<char>(0xD1));
                folded.push_back(static_cast<char>(next - 0x20));
                ++i;
                continue;
            }
            if (next == 0x81) {  // Ё → ё
                folded.push_back(static_cast<char>(0xD1));
                folded.push_back(static_cast<char>(0x91));
                ++i;
                continue;
            }
        }
        folded.push_back(static_cast<char>(c));
    }
    return folded;
}

std::string joinPath(const std::string& directory, const std::string& name) {
    return directory == "/" ? "/" + name : directory + "/" + name;
}

// The entry of `directory` spelt like `name` up to letter case; the exact spelling wins, then the
// first in byte order so that the answer never depends on the order readdir happens to return.
bool matchEntry(const std::string& directory, const std::string& name, std::string& entry) {
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return false;
    const std::string wanted = foldCase(name);
    std::vector<std::string> candidates;
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view itemName(item->d_name);
        if (itemName == "." || itemName == "..") continue;
        if (foldCase(itemName) == wanted) candidates.emplace_back(itemName);
    }
    ::closedir(dir);
    if (candidates.empty()) return false;
    if (std::find(candidates.begin(), candidates.end(), name) != candidates.end()) {
        entry = name;
        return true;
    }
    entry = *std::min_element(candidates.begin(), candidates.end());
    return true;
}

bool currentDirectory(std::string& directory) {
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            directory = buffer.data();
            return true;
        }
        if (errno != ERANGE) return false;
        buffer.resize(buffer.size() * 2);
    }
}

bool setRecordLock(Handle handle, short type, std::uint64_t offset, std::uint64_t length) {
    if (length == 0 || offset > kMaxOffset || length > kMaxOffset - offset)
        // fcntl would read a length of 0 as "to the end of the file", which is not this range.
        return fail(code::kInvalidParameter);
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
    lock.l_pid = 0;  // required by F_OFD_SETLK
    if (retryInterrupted([&] { return ::fcntl(handle, F_OFD_SETLK, &lock); }) != 0) return fail(lockCodeFor(errno));
    return succeed();
}

}  // namespace

std::uint32_t lastError() { return t_lastError; }

void setLastError(std::uint32_t code) { t_lastError = code; }

namespace {

// The one open that never waits: `flags` gain O_NONBLOCK (a FIFO opened for reading would wait
// for a writer, some devices for a line), what is not a regular file is refused once fstat has
// seen it (a directory as access denied, as on the original platform), and the descriptor then
// blocks as usual. Gives -1 with the last error set; `st` holds what fstat saw.
int openRegular(const std::string& path, int flags, struct stat& st) {
    const int fd = retryInterrupted([&] { return ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666); });
    if (fd < 0) {
        fail(codeForPath(errno, path));
        return -1;
    }
    if ((flags & O_CREAT) != 0) t_createdFile = (flags & O_EXCL) != 0;
    if (::fstat(fd, &st) != 0) {
        fail(windowsCodeFor(errno));
        closeQuietly(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        fail(S_ISDIR(st.st_mode) ? code::kAccessDenied : code::kNotRegularFile);
        return -1;
    }
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        fail(windowsCodeFor(errno));
        closeQuietly(fd);
        return -1;
    }
    return fd;
}

// The open's steps in the order the system needs them (flags, a non-blocking open, the regular-file
// check, the share lock), each failing with its own error and closing what it opened.
Handle openOnce(const std::string& path, bool write, bool shared, Disposition disposition, bool& replaced);

// The open, and with CreateNew a file it made removed again when a later step fails: the caller
// was refused and cannot know that the name now exists.
Handle openOrUndo(const std::string& path, bool write, bool shared, Disposition disposition, bool& replaced) {
    const Handle handle = openOnce(path, write, shared, disposition, replaced);
    if (handle == kNoHandle && disposition == Disposition::CreateNew && t_lastError != code::kAlreadyExists &&
        t_createdFile) {
        const int saved = errno;
        ::unlink(path.c_str());
        errno = saved;
    }
    return handle;
}

Handle openOnce(const std::string& path, bool write, bool shared, Disposition disposition, bool& replaced) {
    replaced = false;
    t_createdFile = false;
    // A file is created without O_TRUNC and emptied only once the share lock is ours: truncating
    // first would destroy the contents of a file that another program holds exclusively.
    // Creating implies writing, so CreateAlways opens for writing whatever `write` says.
    // Never waiting at the open: a FIFO opened for reading would wait for a writer, and some
    // devices wait for a line. What is not a regular file is refused below, once fstat has seen it.
    // CreateNew adds O_EXCL: a file that appears between a caller's check and the open is refused
    // rather than taken over.
    int flags = 0;
    if (disposition == Disposition::CreateAlways)
        flags |= O_RDWR | O_CREAT;
    else if (disposition == Disposition::CreateNew)
        flags |= O_RDWR | O_CREAT | O_EXCL;
    else
        flags |= write ? O_RDWR : O_RDONLY;

    struct stat st {};
    const int fd = openRegular(path, flags, st);
    if (fd < 0) return kNoHandle;

    if (faulted(Call::ShareLock)) {
        closeQuietly(fd);
        return kNoHandle;
    }
    if (retryInterrupted([&] { return ::flock(fd, (shared ? LOCK_SH | LOCK_NB : LOCK_EX | LOCK_NB)); }) != 0) {
        fail(sharingCodeFor(errno));
        closeQuietly(fd);
        return kNoHandle;
    }
    // Between the open and the share lock another program may have renamed a new file over the
    // name (a pack's copy) and let go of the old one: the lock then holds a file nobody will
    // read again. The name must still lead to what was opened.
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0 || named.st_dev != st.st_dev || named.st_ino != st.st_ino) {
        replaced = true;
        closeQuietly(fd);
        fail(code::kSharingViolation);
        return kNoHandle;
    }

    if (disposition == Disposition::CreateAlways && st.st_size != 0) {
        if (retryInterrupted([&] { return ::ftruncate(fd, 0); }) != 0) {
            fail(windowsCodeFor(errno));
            closeQuietly(fd);
            return kNoHandle;
        }
    }

    succeed();
    return fd;
}

}  // namespace

Handle openFile(const std::string& path, bool write, bool shared, Disposition disposition) {
    if (faulted(Call::Open)) return kNoHandle;
    // A file replaced under the open is opened again by its name; a name that keeps changing
    // hands is refused as a file in another program's use.
    constexpr int kAttempts = 8;
    for (int attempt = 1;; ++attempt) {
        bool replaced = false;
        const Handle handle = openOrUndo(path, write, shared, disposition, replaced);
        if (!replaced || attempt == kAttempts) return handle;
    }
}

Handle openRegularFile(const std::string& path) {
    if (faulted(Call::Open)) return kNoHandle;
    struct stat st {};
    const int fd = openRegular(path, O_RDONLY, st);
    if (fd < 0) return kNoHandle;
    succeed();
    return fd;
}

Handle openForWriting(const std::string& path) {
    if (faulted(Call::Open)) return kNoHandle;
    // Never waiting: a FIFO without a reader is refused at once rather than waited on.
    const int fd = retryInterrupted(
        [&] { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666); });
    if (fd < 0) {
        fail(codeForPath(errno, path));
        return kNoHandle;
    }
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        fail(windowsCodeFor(errno));
        closeQuietly(fd);
        return kNoHandle;
    }
    succeed();
    return fd;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const Handle handle = openRegularFile(path);
    if (handle == kNoHandle) return false;
    constexpr std::uint32_t kBlock = 65536;
    bool read = true;
    for (std::uint32_t done = kBlock; read && done == kBlock;) {
        const std::size_t at = bytes.size();
        bytes.resize(at + kBlock);
        read = readAt(handle, at, bytes.data() + at, kBlock, done);
        bytes.resize(at + (read ? done : 0));
    }
    const std::uint32_t readError = lastError();
    const bool closed = closeFile(handle);
    if (!read) return fail(readError);
    return closed;
}

bool readNext(Handle handle, void* buffer, std::uint32_t length, std::uint32_t& done) {
    done = 0;
    std::uint32_t limit = 0;
    if (faulted(Call::Read, limit)) return false;
    const ssize_t got = retryInterrupted([&] { return ::read(handle, buffer, std::min(length, limit)); });
    if (got < 0) return fail(readCodeFor(errno));
    done = static_cast<std::uint32_t>(got);
    return succeed();
}

bool positionOf(Handle handle, std::uint64_t& offset) {
    offset = 0;
    if (faulted(Call::Size)) return false;
    const off_t at = ::lseek(handle, 0, SEEK_CUR);
    if (at < 0) return fail(windowsCodeFor(errno));
    offset = static_cast<std::uint64_t>(at);
    return succeed();
}

bool seekTo(Handle handle, std::uint64_t offset) {
    if (faulted(Call::Read)) return false;
    if (offset > kMaxOffset) return fail(code::kInvalidParameter);
    if (::lseek(handle, static_cast<off_t>(offset), SEEK_SET) < 0) return fail(windowsCodeFor(errno));
    return succeed();
}

bool closeFile(Handle handle) {
    if (faulted(Call::Close)) {
        // As with a real failing close, the descriptor is gone all the same.
        ::close(handle);
        return false;
    }
    // On Linux the descriptor is released even when close reports EINTR, so retrying would risk
    // closing a descriptor another thread has just been given.
    if (::close(handle) != 0 && errno != EINTR) return fail(windowsCodeFor(errno));
    return succeed();
}

bool readAt(Handle handle, std::uint64_t offset, void* buffer, std::uint32_t length, std::uint32_t& done) {
    done = 0;
    std::uint32_t limit = 0;
    if (faulted(Call::Read, limit)) return false;
    if ((buffer == nullptr && length != 0) || offset > kMaxOffset) return fail(code::kInvalidParameter);

    const std::uint32_t wanted = std::min(length, limit);
    auto* bytes = static_cast<char*>(buffer);
    while (done < wanted) {
        const std::uint64_t position = offset + done;
        if (position > kMaxOffset) break;
        const ssize_t got = retryInterrupted(
            [&] { return ::pread(handle, bytes + done, wanted - done, static_cast<off_t>(position)); });
        if (got < 0) return fail(readCodeFor(errno));
        if (got == 0) break;  // end of file
        done += static_cast<std::uint32_t>(got);
    }
    return succeed();
}

bool writeAt(Handle handle, std::uint64_t offset, const void* buffer, std::uint32_t length, std::uint32_t& done) {
    done = 0;
    std::uint32_t limit = 0;
    if (faulted(Call::Write, limit)) return false;
    if ((buffer == nullptr && length != 0) || offset > kMaxOffset || length > kMaxOffset - offset)
        return fail(code::kInvalidParameter);

    const auto* bytes = static_cast<const char*>(buffer);
    bool continuation = false;
    while (done < length) {
        // Each continuation of a short write asks the hook again, so a test can fail it.
        if (continuation && faulted(Call::Write, limit)) return false;
        const std::uint32_t chunk = std::min(length - done, limit);
        ssize_t moved = 0;
        if (chunk != 0) {
            moved = retryInterrupted(
                [&] { return ::pwrite(handle, bytes + done, chunk, static_cast<off_t>(offset + done)); });
            if (moved < 0) return fail(writeCodeFor(errno));
        }
        if (moved == 0) return fail(writeCodeFor(0));
        done += static_cast<std::uint32_t>(moved);
        continuation = true;
    }
    return succeed();
}

bool fileSize(Handle handle, std::uint64_t& size) {
    size = 0;
    if (faulted(Call::Size)) return false;
    struct stat st {};
    if (::fstat(handle, &st) != 0) return fail(windowsCodeFor(errno));
    size = static_cast<std::uint64_t>(st.st_size);
    return succeed();
}

bool versionOf(Handle handle, FileVersion& version) {
    version = {};
    if (faulted(Call::Version)) return false;
    struct stat st {};
    if (::fstat(handle, &st) != 0) return fail(windowsCodeFor(errno));
    constexpr std::int64_t kNano = 1000000000;
    version.size = static_cast<std::uint64_t>(st.st_size);
    version.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * kNano + st.st_mtim.tv_nsec;
    version.changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * kNano + st.st_ctim.tv_nsec;
    return succeed();
}

bool flushFile(Handle handle) {
    if (faulted(Call::Flush)) return false;
    if (retryInterrupted([&] { return ::fsync(handle); }) != 0) return fail(windowsCodeFor(errno));
    return succeed();
}

bool truncateAt(Handle handle, std::uint64_t offset) {
    if (faulted(Call::Truncate)) return false;
    if (offset > kMaxOffset) return fail(code::kInvalidParameter);
    if (retryInterrupted([&] { return ::ftruncate(handle, static_cast<off_t>(offset)); }) != 0)
        return fail(windowsCodeFor(errno));
    return succeed();
}

bool moveFile(const std::string& from, const std::string& to) {
    if (faulted(Call::Move)) return false;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int err = errno;
        const bool missingDirectory = err == ENOENT && (!isDirectory(parentOf(from)) || !isDirectory(parentOf(to)));
        return fail(windowsCodeFor(err, missingDirectory));
    }
    return succeed();
}

bool removeFile(const std::string& path) {
    if (faulted(Call::Remove)) return false;
    if (::unlink(path.c_str()) != 0) return fail(codeForPath(errno, path));
    return succeed();
}

bool keepOwnerAndMode(Handle from, Handle to) {
    if (faulted(Call::Permissions)) return false;
    struct stat was {};
    struct stat now {};
    if (::fstat(from, &was) != 0 || ::fstat(to, &now) != 0) return fail(windowsCodeFor(errno));
    // The owner first: a change of owner clears the set-id bits that the mode then puts back.
    if ((was.st_uid != now.st_uid || was.st_gid != now.st_gid) &&
        retryInterrupted([&] { return ::fchown(to, was.st_uid, was.st_gid); }) != 0)
        return fail(windowsCodeFor(errno));
    if (retryInterrupted([&] { return ::fchmod(to, was.st_mode & 07777); }) != 0) return fail(windowsCodeFor(errno));
    return succeed();
}

bool statusOf(Handle handle, FileStatus& status) {
    status = {};
    if (faulted(Call::Identity)) return false;
    struct stat st {};
    if (::fstat(handle, &st) != 0) return fail(windowsCodeFor(errno));
    status.links = static_cast<std::uint64_t>(st.st_nlink);
    status.owner = static_cast<std::uint32_t>(st.st_uid);
    status.group = static_cast<std::uint32_t>(st.st_gid);
    status.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
    return succeed();
}

std::string resolvedPath(const std::string& path) {
    if (faulted(Call::FullPath)) return {};
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        fail(codeForPath(errno, path));
        return {};
    }
    std::string result(resolved);
    std::free(resolved);
    succeed();
    return result;
}

bool moveFileNoReplace(const std::string& from, const std::string& to) {
    if (faulted(Call::Move)) return false;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return succeed();
    if (errno != EINVAL && errno != ENOSYS) return fail(codeForPath(errno, to));
    // A file system without the flag: a second name made only where none is, then the first gone.
    if (::link(from.c_str(), to.c_str()) != 0) return fail(codeForPath(errno, to));
    ::unlink(from.c_str());
    return succeed();
}

bool processExists(long id) { return id > 0 && (::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM); }

long currentProcess() { return static_cast<long>(::getpid()); }

std::vector<std::string> directoryEntries(const std::string& directory) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return names;
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view name(item->d_name);
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> caseVariants(const std::string& path) {
    std::vector<std::string> variants;
    const auto slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : parentOf(path);
    const std::string wanted = foldCase(slash == std::string::npos ? path : path.substr(slash + 1));
    for (const std::string& name : directoryEntries(directory))
        if (foldCase(name) == wanted) variants.push_back(name);
    return variants;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isSymbolicLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isRegularHandle(Handle handle) {
    struct stat st {};
    return ::fstat(handle, &st) == 0 && S_ISREG(st.st_mode);
}

bool pathExists(const std::string& path) {
    if (faulted(Call::Exists)) return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fail(codeForPath(errno, path));
    return succeed();
}

bool identityOf(Handle handle, FileIdentity& identity) {
    identity = {};
    if (faulted(Call::Identity)) return false;
    struct stat st {};
    if (::fstat(handle, &st) != 0) return fail(windowsCodeFor(errno));
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    return succeed();
}

bool identityOfPath(const std::string& path, FileIdentity& identity) {
    identity = {};
    if (faulted(Call::Identity)) return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fail(codeForPath(errno, path));
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.inode = static_cast<std::uint64_t>(st.st_ino);
    return succeed();
}

std::string fullPath(const std::string& name) {
    if (faulted(Call::FullPath)) return {};

    std::string absolute;
    if (!name.empty() && name.front() == '/') {
        absolute = name;
    } else {
        if (!currentDirectory(absolute)) {
            fail(windowsCodeFor(errno));
            return {};
        }
        absolute += '/';
        absolute += name;
    }

    // Fold "." and ".." by the letters of the path, not by following links, as the original did.
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= absolute.size()) {
        std::size_t end = absolute.find('/', start);
        if (end == std::string::npos) end = absolute.size();
        const std::string component = absolute.substr(start, end - start);
        if (component == "..") {
            if (!components.empty()) components.pop_back();
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        start = end + 1;
    }

    std::string resolved = "/";
    bool matching = true;
    for (const std::string& component : components) {
        std::string spelled = component;
        if (matching) {
            const std::string candidate = joinPath(resolved, component);
            struct stat st {};
            if (::lstat(candidate.c_str(), &st) != 0) {
                std::string entry;
                if (matchEntry(resolved, component, entry))
                    spelled = entry;
                else
                    matching = false;  // nothing below a missing component can exist
            }
        }
        resolved = joinPath(resolved, spelled);
    }
    succeed();
    return resolved;
}

bool lockRange(Handle handle, std::uint64_t offset, std::uint64_t length) {
    if (faulted(Call::Lock)) return false;
    // The system grants a write lock only on a descriptor open for writing. A reader's lock still
    // keeps every writer off the range, which is what a reader can need.
    const int mode = ::fcntl(handle, F_GETFL);
    const short type = (mode >= 0 && (mode & O_ACCMODE) == O_RDONLY) ? F_RDLCK : F_WRLCK;
    return setRecordLock(handle, type, offset, length);
}

bool unlockRange(Handle handle, std::uint64_t offset, std::uint64_t length) {
    if (faulted(Call::Unlock)) return false;
    return setRecordLock(handle, F_UNLCK, offset, length);
}

}  // namespace platform
