// The yardstick of the whole-process benchmark: the Keno histogram of a draw table as a small
// program would compute it with no engine at all: the whole file in one read, the header's
// lengths, each visible record's K1..K20 parsed in place and counted. Prints what
// `sharometr-cli analyze keno histogram --values` prints, so the two can be compared.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: one_read_histogram kenobase.dbf\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<unsigned char> file(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < file.size()) {
        const ssize_t n = ::read(fd, file.data() + got, file.size() - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got < 32) return 1;
    const std::size_t headerLength = file[8] | (file[9] << 8);
    const std::size_t recordLength = file[10] | (file[11] << 8);
    // K1..K20 are the first twenty fields; their offsets follow from the descriptors' lengths.
    std::vector<std::size_t> offsets;
    std::vector<std::size_t> lengths;
    std::size_t offset = 1;
    for (std::size_t d = 32; d + 32 <= headerLength && file[d] != 0x0D && offsets.size() < 20; d += 32) {
        offsets.push_back(offset);
        lengths.push_back(file[d + 16]);
        offset += file[d + 16];
    }
    std::int64_t counts[81] = {};
    for (std::size_t at = headerLength; at + recordLength <= got; at += recordLength) {
        const unsigned char* record = file.data() + at;
        if (record[0] == '*') continue;
        for (std::size_t f = 0; f < offsets.size(); ++f) {
            int value = 0;
            for (std::size_t i = 0; i < lengths[f]; ++i) {
                const unsigned char c = record[offsets[f] + i];
                if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
            }
            if (value >= 1 && value <= 80) ++counts[value];
        }
    }
    for (int number = 1; number <= 80; ++number)
        std::printf("%d\t%lld\n", number, static_cast<long long>(counts[number]));
    return 0;
}
