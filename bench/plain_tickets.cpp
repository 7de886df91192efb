// The yardstick of bench/tickets.sh: the check of a tickets table against a Keno draw table as a
// small program would do it with no engine at all: both files in one read each, every visible
// draw's K1..K20 parsed in place into a table of the numbers drawn, and each ticket's numbers
// looked up in it. Prints, per ticket, the draws by hits as `sharometr-cli tickets keno check`
// counts them (its observed_h columns), so the two can be compared.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

bool readWhole(const char* path, std::vector<unsigned char>& file) {
    const int fd = ::open(path, O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        std::perror(path);
        return false;
    }
    file.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < file.size()) {
        const ssize_t n = ::read(fd, file.data() + got, file.size() - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    file.resize(got);
    return got >= 32;
}

// Calls `visit` with each visible record and the offsets and lengths of its fields.
template <typename Visit>
void eachRecord(const std::vector<unsigned char>& file, Visit visit) {
    const std::size_t headerLength = file[8] | (file[9] << 8);
    const std::size_t recordLength = file[10] | (file[11] << 8);
    std::vector<std::size_t> offsets, lengths;
    std::size_t offset = 1;
    for (std::size_t d = 32; d + 32 <= headerLength && file[d] != 0x0D; d += 32) {
        offsets.push_back(offset);
        lengths.push_back(file[d + 16]);
        offset += file[d + 16];
    }
    for (std::size_t at = headerLength; at + recordLength <= file.size(); at += recordLength)
        if (file[at] != '*') visit(file.data() + at, offsets, lengths);
}

int numberAt(const unsigned char* record, std::size_t offset, std::size_t length) {
    int value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = record[offset + i];
        if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plain_tickets kenobase.dbf kenotick.dbf\n");
        return 2;
    }
    std::vector<unsigned char> draws, ticketFile;
    if (!readWhole(argv[1], draws) || !readWhole(argv[2], ticketFile)) return 1;
    std::vector<std::vector<int>> tickets;
    eachRecord(ticketFile, [&](const unsigned char* record, const auto& offsets, const auto& lengths) {
        std::vector<int> numbers;
        for (std::size_t f = 1; f < offsets.size(); ++f)  // NAME first
            if (const int n = numberAt(record, offsets[f], lengths[f]); n >= 1 && n <= 80) numbers.push_back(n);
        tickets.push_back(numbers);
    });
    std::vector<std::int64_t> counts(tickets.size() * 11);
    eachRecord(draws, [&](const unsigned char* record, const auto& offsets, const auto& lengths) {
        bool drawn[81] = {};
        for (std::size_t f = 0; f < offsets.size() && f < 20; ++f)
            drawn[numberAt(record, offsets[f], lengths[f]) % 81] = true;
        drawn[0] = false;
        for (std::size_t t = 0; t < tickets.size(); ++t) {
            int hits = 0;
            for (const int n : tickets[t]) hits += drawn[n];
            ++counts[t * 11 + static_cast<std::size_t>(hits)];
        }
    });
    for (std::size_t t = 0; t < tickets.size(); ++t) {
        std::printf("%zu", t + 1);
        for (std::size_t h = 0; h <= tickets[t].size(); ++h)
            std::printf("\t%lld", static_cast<long long>(counts[t * 11 + h]));
        std::printf("\n");
    }
    return 0;
}
