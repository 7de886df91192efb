// Helpers shared by the platform tests: a private temporary directory per test, small file
// utilities, a count of open descriptors, and a child process that answers over pipes.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

namespace platform_test {

// A fresh directory under /tmp, removed with everything in it when the test ends.
class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/sharometr-platform-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Restores the current directory of the process when a test has changed it.
class CwdGuard {
public:
    CwdGuard() : m_saved(std::filesystem::current_path()) {}
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;
    ~CwdGuard()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_saved, ignored);
    }

private:
    std::filesystem::path m_saved;
};

inline void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Descriptors this process has open, to show that a failed call leaked none.
inline int openDescriptorCount()
{
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr)
        return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            ++count;
    ::closedir(dir);
    return count;
}

// A forked child that runs `body` and reports one byte back: body receives a function that sends
// the byte and then waits until the parent calls release().
class Child {
public:
    explicit Child(const std::function<char(const std::function<void(char)>&)>& body)
    {
        if (::pipe(m_toParent) != 0 || ::pipe(m_toChild) != 0)
            throw std::runtime_error("pipe failed");
        m_pid = ::fork();
        if (m_pid < 0)
            throw std::runtime_error("fork failed");
        if (m_pid == 0) {
            ::close(m_toParent[0]);
            ::close(m_toChild[1]);
            const int toParent = m_toParent[1];
            const int fromParent = m_toChild[0];
            bool reported = false;
            auto reportAndHold = [&](char byte) {
                reported = true;
                (void)!::write(toParent, &byte, 1);
                char ignored = 0;
                (void)!::read(fromParent, &ignored, 1);
            };
            const char result = body(reportAndHold);
            if (!reported)
                (void)!::write(toParent, &result, 1);
            ::_exit(0);
        }
        ::close(m_toParent[1]);
        ::close(m_toChild[0]);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        release();
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        ::close(m_toParent[0]);
    }

    // The byte the child reported; '?' when it died without reporting.
    char report()
    {
        char byte = '?';
        ssize_t got = 0;
        do {
            got = ::read(m_toParent[0], &byte, 1);
        } while (got < 0 && errno == EINTR);
        return got == 1 ? byte : '?';
    }

    void release()
    {
        if (m_toChild[1] >= 0) {
            ::close(m_toChild[1]);
            m_toChild[1] = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_toParent[2] = {-1, -1};
    int m_toChild[2] = {-1, -1};
};

}  // namespace platform_test
