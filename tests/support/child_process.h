// A forked process for the tests that need another program (another holder of a lock, another
// opener of a file): it runs a body and talks to the test through one pipe each way. Plain POSIX:
// the platform's tests use it as well as the engine's.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace testsupport {

// A forked process running `body`, talking to the test through one pipe each way. The child
// never returns into the test framework: it ends with _exit and the body's result (100 when the
// body threw). It must not be forked while the test holds the file open, or it would inherit
// and share this process's descriptor and its locks instead of having its own.
class Child {
public:
    explicit Child(const std::function<int(Child&)>& body) {
        if (::pipe(m_down) != 0 || ::pipe(m_up) != 0) throw std::runtime_error("pipe");
        m_pid = ::fork();
        if (m_pid < 0) throw std::runtime_error("fork");
        if (m_pid == 0) {
            ::close(m_down[1]);
            ::close(m_up[0]);
            int result = 100;
            try {
                result = body(*this);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "child %d: %s\n", static_cast<int>(::getpid()), e.what());
            }
            ::_exit(result);
        }
        ::close(m_down[0]);
        ::close(m_up[1]);
    }

    ~Child() {
        ::close(m_down[1]);
        ::close(m_up[0]);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Parent side.
    void send(char c) { static_cast<void>(::write(m_down[1], &c, 1) == 1); }
    // The child's next signal, or '\0' when none comes within the time.
    char receive(std::chrono::milliseconds within = std::chrono::milliseconds(10000)) {
        return readOne(m_up[0], within);
    }
    // The exit code, or 128 + signal number.
    int wait() {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_t pid() const { return m_pid; }

    // Child side.
    void tell(char c) { static_cast<void>(::write(m_up[1], &c, 1) == 1); }
    char hear() { return readOne(m_down[0], std::chrono::milliseconds(20000)); }
    // Tells the test `c`, then holds what it opened or locked until the test sends a byte or the
    // object goes.
    void tellAndHold(char c) {
        tell(c);
        hear();
    }

    // A body for a child that only answers one question: it tells the test the byte `answer`
    // returns, and ends.
    static std::function<int(Child&)> answering(std::function<char()> answer) {
        return [answer = std::move(answer)](Child& self) {
            self.tell(answer());
            return 0;
        };
    }

private:
    static char readOne(int fd, std::chrono::milliseconds within) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(within.count())) != 1) return '\0';
        char c = '\0';
        return ::read(fd, &c, 1) == 1 ? c : '\0';
    }

    int m_down[2] = {-1, -1};
    int m_up[2] = {-1, -1};
    pid_t m_pid = -1;
};

// Another program holding a write lock on one byte of `path` (fcntl, its own open file), until
// it is released or the object goes.
class ForeignLock {
public:
    ForeignLock(const std::string& path, std::uint64_t offset)
        : m_child([path, offset](Child& self) {
              const int fd = ::open(path.c_str(), O_RDWR);
              struct flock lock {};
              lock.l_type = F_WRLCK;
              lock.l_whence = SEEK_SET;
              lock.l_start = static_cast<off_t>(offset);
              lock.l_len = 1;
              const bool locked = fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
              self.tell(locked ? 'L' : 'F');
              self.hear();
              return locked ? 0 : 1;
          }) {
        m_locked = m_child.receive() == 'L';
    }

    bool locked() const { return m_locked; }
    void release() {
        if (m_released) return;
        m_released = true;
        m_child.send('Q');
        m_child.wait();
    }

private:
    Child m_child;
    bool m_locked = false;
    bool m_released = false;
};

}  // namespace testsupport
