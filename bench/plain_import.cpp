// The yardstick of bench/guard.sh's import: a draw file appended to a table as a small program
// would do it with no engine at all: the text in one read, each line's last m numbers (m the
// table's fields; a line with letters, a header, passed over) parsed with strtol, the records
// formatted as the fields' widths ask (numbers to the right) and written after the table's
// records in batches of a megabyte, then the header's count and the end mark. No check of any
// kind: what the companion checks is its own cost.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/one_read.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plain_import TABLE.dbf DRAWS.csv\n");
        return 2;
    }
    std::vector<std::uint8_t> table, text;
    if (!oneread::readWhole(argv[1], table) || table.size() < 32 || !oneread::readWhole(argv[2], text)) {
        std::perror("plain_import");
        return 1;
    }
    const oneread::RecordShape shape = oneread::recordShapeOf(table);
    const oneread::FieldPlaces fields = oneread::fieldPlacesOf(table);
    const std::size_t m = fields.offsets.size();
    std::uint32_t count = 0;
    std::memcpy(&count, &table[4], 4);

    text.push_back('\0');
    std::string batch;
    std::vector<long> numbers;
    char* at = reinterpret_cast<char*>(text.data());
    char* const end = at + text.size() - 1;
    const int out = ::open(argv[1], O_WRONLY);
    off_t offset = static_cast<off_t>(shape.headerLength + count * shape.recordLength);
    bool written = out >= 0;
    const auto flush = [&] {
        written = written && ::pwrite(out, batch.data(), batch.size(), offset) == static_cast<ssize_t>(batch.size());
        offset += static_cast<off_t>(batch.size());
        batch.clear();
    };
    while (at < end) {
        char* const lineEnd = static_cast<char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        char* const stop = lineEnd ? lineEnd : end;
        numbers.clear();
        bool words = false;
        for (char* p = at; p < stop;) {
            if (*p < '0' || *p > '9') {
                words |= (*p | 0x20) >= 'a' && (*p | 0x20) <= 'z';
                ++p;
                continue;
            }
            numbers.push_back(std::strtol(p, &p, 10));
        }
        at = stop + 1;
        if (words || numbers.size() < m) continue;  // a header or a blank line
        batch += ' ';
        for (std::size_t f = 0; f < m; ++f) {
            const std::string digits = std::to_string(numbers[numbers.size() - m + f]);
            batch.append(fields.lengths[f] - digits.size(), ' ');
            batch += digits;
        }
        ++count;
        if (batch.size() >= (1u << 20)) flush();
    }
    batch += '\x1A';
    flush();
    written = written && ::pwrite(out, &count, 4, 4) == 4;
    if (out >= 0) ::close(out);
    if (!written) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("appended %u draws\n", count);
    return 0;
}
