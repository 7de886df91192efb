// A dBase table read as a small program with no engine would read it: the whole file in one read,
// the fields' places from the descriptors, the visible records in turn and their numbers parsed in
// place. The yardsticks the program's speed is compared with are made of this and nothing else,
// and the benchmarks' ideal read takes the file the same way.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace oneread {

// Reads the file at `path` whole into `file`, which keeps its room from one call to the next.
// False, with errno saying why, when it cannot be opened or read to its end.
inline bool readWhole(const char* path, std::vector<std::uint8_t>& file) {
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return false;
    struct stat info {};
    bool whole = ::fstat(fd, &info) == 0;
    if (whole) {
        file.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        while (got < file.size()) {
            const ssize_t n = ::read(fd, file.data() + got, file.size() - got);
            if (n <= 0) {
                if (n == 0) errno = EIO;  // the file grew shorter under the read
                whole = false;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
    }
    const int failure = errno;
    ::close(fd);
    errno = failure;
    return whole;
}

// Where the records start and how long each is, from the header; the file holds at least its
// first 32 bytes.
struct RecordShape {
    std::size_t headerLength = 0;
    std::size_t recordLength = 0;
};

inline RecordShape recordShapeOf(const std::vector<std::uint8_t>& file) {
    return {static_cast<std::size_t>(file[8] | (file[9] << 8)), static_cast<std::size_t>(file[10] | (file[11] << 8))};
}

// The first `most` fields' places in a record (after its deletion flag), from the descriptors'
// lengths.
struct FieldPlaces {
    std::vector<std::size_t> offsets;
    std::vector<std::size_t> lengths;
};

inline FieldPlaces fieldPlacesOf(const std::vector<std::uint8_t>& file, std::size_t most = SIZE_MAX) {
    const std::size_t headerLength = recordShapeOf(file).headerLength;
    FieldPlaces places;
    std::size_t offset = 1;
    for (std::size_t d = 32; d + 32 <= headerLength && file[d] != 0x0D && places.offsets.size() < most; d += 32) {
        places.offsets.push_back(offset);
        places.lengths.push_back(file[d + 16]);
        offset += file[d + 16];
    }
    return places;
}

// Calls `visit` with each record not marked deleted, in the file's order.
template <typename Visit>
void eachVisibleRecord(const std::vector<std::uint8_t>& file, Visit visit) {
    const RecordShape shape = recordShapeOf(file);
    for (std::size_t at = shape.headerLength; at + shape.recordLength <= file.size(); at += shape.recordLength)
        if (file[at] != '*') visit(file.data() + at);
}

// The whole number that a field's digits spell, blanks and other characters passed over.
inline int numberAt(const std::uint8_t* record, std::size_t offset, std::size_t length) {
    int value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = record[offset + i];
        if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace oneread
