// Temporary folders and the file helpers the tests share, with plain POSIX calls.
#include "tests/support/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace testsupport {

namespace {

[[noreturn]] void failErrno(const std::string& what, const std::string& path) {
    throw std::system_error(errno, std::generic_category(), what + " " + path);
}

void writeAll(int fd, const std::string& bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failErrno("write", path);
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = "/tmp/sharometr-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) failErrno("mkdtemp", pattern);
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only files or directories behind; make them removable first.
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::file(const std::string& name) const { return m_path + "/" + name; }

void writeFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) failErrno("open", path);
    writeAll(fd, bytes, path);
    ::close(fd);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void appendToFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) failErrno("open", path);
    writeAll(fd, bytes, path);
    ::close(fd);
}

void patchFile(const std::string& path, std::size_t offset, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) failErrno("open", path);
    if (::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size())) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        failErrno("pwrite", path);
    }
    ::close(fd);
}

std::uint64_t fileSizeOf(const std::string& path) { return std::filesystem::file_size(path); }

int openDescriptorCount() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) failErrno("opendir", "/proc/self/fd");
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(dir);
    return count - 1;  // the directory stream's own descriptor
}

CwdGuard::CwdGuard() : m_saved(std::filesystem::current_path()) {}

CwdGuard::~CwdGuard() {
    std::error_code ignored;
    std::filesystem::current_path(m_saved, ignored);
}

}  // namespace testsupport
