// Temporary folders and file helpers the tests share. Plain POSIX and the standard library: nothing
// here needs the engine, so the platform's own tests use them too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport {

// A directory made with mkdtemp under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // The full path of `name` inside the directory.
    std::string file(const std::string& name) const;

private:
    std::string m_path;
};

// Restores the current directory of the process when a test has changed it.
class CwdGuard {
public:
    CwdGuard();
    ~CwdGuard();
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;

private:
    std::filesystem::path m_saved;
};

void writeFile(const std::string& path, const std::string& bytes);
// The whole file; raises when it cannot be read.
std::string readFile(const std::string& path);
// Appends with plain POSIX calls, as another program would: open, write, close.
void appendToFile(const std::string& path, const std::string& bytes);
// Changes bytes in place with plain POSIX calls.
void patchFile(const std::string& path, std::size_t offset, const std::string& bytes);
std::uint64_t fileSizeOf(const std::string& path);

// The number of descriptors this process holds open (entries of /proc/self/fd), to show that a
// failed call leaked none.
int openDescriptorCount();

}  // namespace testsupport
