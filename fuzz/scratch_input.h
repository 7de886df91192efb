// What the fuzz targets of tables share: the scratch file each input is laid down as, in a folder
// of the target's own under $TMPDIR (else /dev/shm, a memory file system, else /tmp), removed at
// exit, and the limit on an input's size.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/locale_info.h"

namespace fuzzsupport {

inline std::string g_scratchDir;
inline std::string g_scratchPath;

inline void removeScratch() {
    if (!g_scratchPath.empty()) {
        unlink(g_scratchPath.c_str());
    }
    if (!g_scratchDir.empty()) {
        rmdir(g_scratchDir.c_str());
    }
}

// Makes the folder for `target` and returns the scratch file's path; aborts when it cannot. The
// engine upper-cases the names it is given, so a file spelt so is found without a search of its
// folder.
inline const std::string& makeScratch(const char* target) {
    const char* tmp = std::getenv("TMPDIR");
    struct stat shm {};
    const std::string base = tmp && *tmp                                           ? tmp
                             : stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm"
                                                                                   : "/tmp";
    std::string pattern = base + "/" + target + ".XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_scratchDir = pattern;
    g_scratchPath = g_scratchDir + "/INPUT.DBF";
    std::atexit(removeScratch);
    return g_scratchPath;
}

// Rewrites the scratch file in place with the input: truncating it to nothing first would make
// some file systems flush it at every close, which costs more than the run itself. Aborts when
// it cannot.
inline void writeScratch(const std::uint8_t* data, std::size_t size) {
    const int fd = open(g_scratchPath.c_str(), O_WRONLY | O_CREAT, 0600);
    bool written = fd >= 0;
    std::size_t done = 0;
    while (written && done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    written = written && ftruncate(fd, static_cast<off_t>(size)) == 0;
    if (fd >= 0) {
        written = close(fd) == 0 && written;
    }
    if (!written) {
        std::perror("writing the input");
        std::abort();
    }
}

// Inputs beyond this size teach nothing that smaller ones do not, and slow every run down.
inline constexpr std::size_t kMaxInputSize = 1u << 20;

// The start of a target: dates are read and put with the user's short date format, fixed here so
// that runs repeat anywhere; returns the scratch file's path (see makeScratch).
inline const std::string& startTarget(const char* target) {
    platform::overrideShortDateFormat(std::string("dd.MM.yyyy"));
    return makeScratch(target);
}

// Lays the input down as the scratch file; false, with nothing written, for one too large.
inline bool takeInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInputSize) {
        return false;
    }
    writeScratch(data, size);
    return true;
}

}  // namespace fuzzsupport
