// Writes the seed corpus of the open_and_walk fuzz target: small table files, valid and broken,
// that between them reach every version byte, field type and navigation case the engine knows,
// so that the fuzzer starts from inputs that get past the header checks.
// Usage: make_corpus DIR (the files in fuzz/corpus/ were written by it).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct FieldDef {
    std::string name;
    char type;
    unsigned length;  // C fields above 255 spill into the decimal byte
    unsigned decimals;
};

void put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
}

unsigned recordLengthOf(const std::vector<FieldDef>& fields) {
    unsigned length = 1;
    for (const FieldDef& f : fields) {
        length += f.length;
    }
    return length;
}

// The header and descriptor area of a table; records are appended by the caller.
Bytes header(std::uint8_t version, const std::vector<FieldDef>& fields, std::uint32_t storedCount) {
    const bool visualFox = version == 0x30;
    const unsigned headerLength = 32 + 32 * static_cast<unsigned>(fields.size()) + 1 + (visualFox ? 263 : 0);
    Bytes b(headerLength, 0);
    b[0] = version;
    b[1] = 26;
    b[2] = 3;
    b[3] = 14;
    put32(b, 4, storedCount);
    put16(b, 8, headerLength);
    put16(b, 10, recordLengthOf(fields));
    std::size_t at = 32;
    for (const FieldDef& f : fields) {
        std::memcpy(&b[at], f.name.data(), std::min<std::size_t>(f.name.size(), 11));
        b[at + 11] = static_cast<std::uint8_t>(f.type);
        b[at + 16] = static_cast<std::uint8_t>(f.length & 0xFF);
        b[at + 17] = static_cast<std::uint8_t>(f.type == 'C' ? f.length >> 8 : f.decimals);
        at += 32;
    }
    b[at] = 0x0D;
    return b;
}

// A record from the deletion flag and the fields' bytes, each already of its field's length.
void addRecord(Bytes& b, char flag, const std::vector<std::string>& values) {
    b.push_back(static_cast<std::uint8_t>(flag));
    for (const std::string& v : values) {
        b.insert(b.end(), v.begin(), v.end());
    }
}

std::string rightAligned(long value, unsigned width) {
    std::string s = std::to_string(value);
    return std::string(width > s.size() ? width - s.size() : 0, ' ') + s;
}

std::string leftAligned(const std::string& text, unsigned width) {
    std::string s = text.substr(0, width);
    return s + std::string(width - s.size(), ' ');
}

template <class T>
std::string raw(T value) {
    std::string s(sizeof value, '\0');
    std::memcpy(s.data(), &value, sizeof value);
    return s;
}

std::vector<FieldDef> numberFields(char prefix, int count) {
    std::vector<FieldDef> fields;
    for (int i = 1; i <= count; ++i) {
        fields.push_back({std::string(1, prefix) + std::to_string(i), 'N', 2, 0});
    }
    return fields;
}

// Draws of a simple generator, so the seeds are the same on every run.
std::vector<std::string> draw(int picks, int maxNumber, std::uint32_t& state) {
    std::vector<bool> taken(static_cast<std::size_t>(maxNumber) + 1, false);
    std::vector<std::string> values;
    while (static_cast<int>(values.size()) < picks) {
        state = state * 1103515245u + 12345u;
        const int n = static_cast<int>((state >> 16) % static_cast<std::uint32_t>(maxNumber)) + 1;
        if (!taken[static_cast<std::size_t>(n)]) {
            taken[static_cast<std::size_t>(n)] = true;
            values.push_back(rightAligned(n, 2));
        }
    }
    return values;
}

Bytes drawTable(char prefix, int picks, int maxNumber, int records, std::uint32_t seed) {
    const std::vector<FieldDef> fields = numberFields(prefix, picks);
    Bytes b = header(0x03, fields, static_cast<std::uint32_t>(records));
    for (int r = 0; r < records; ++r) {
        addRecord(b, ' ', draw(picks, maxNumber, seed));
    }
    b.push_back(0x1A);
    return b;
}

bool writeFile(const std::string& dir, const std::string& name, const Bytes& b) {
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    const bool ok = b.empty() || std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return (std::fclose(f) == 0) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;

    ok &= writeFile(dir, "loto_valid.dbf", drawTable('C', 6, 49, 5, 7));
    ok &= writeFile(dir, "keno_valid.dbf", drawTable('K', 20, 80, 4, 11));

    {  // Records 1 and 2 and the last deleted, the others live.
        const std::vector<FieldDef> fields = numberFields('C', 6);
        Bytes b = header(0x03, fields, 6);
        std::uint32_t seed = 3;
        for (const char flag : {'*', '*', ' ', 'x', ' ', '*'}) {
            addRecord(b, flag, draw(6, 49, seed));
        }
        b.push_back(0x1A);
        ok &= writeFile(dir, "loto_deleted.dbf", b);
    }
    {  // Every record deleted.
        const std::vector<FieldDef> fields = numberFields('C', 6);
        Bytes b = header(0x03, fields, 3);
        std::uint32_t seed = 5;
        for (int i = 0; i < 3; ++i) {
            addRecord(b, '*', draw(6, 49, seed));
        }
        ok &= writeFile(dir, "loto_all_deleted.dbf", b);
    }
    {  // The last record cut short, and a header that claims more records than there are.
        Bytes b = drawTable('C', 6, 49, 4, 9);
        put32(b, 4, 40);
        b.resize(b.size() - 8);
        ok &= writeFile(dir, "loto_truncated.dbf", b);
    }
    {  // Cut inside the descriptor area.
        Bytes b = drawTable('K', 20, 80, 2, 13);
        b.resize(100);
        ok &= writeFile(dir, "keno_cut_in_descriptors.dbf", b);
    }
    ok &= writeFile(dir, "empty.dbf", Bytes{});
    ok &= writeFile(dir, "header_only.dbf", header(0x03, numberFields('C', 6), 0));

    {  // Version 0x30: binary B, I, T, Y, M and G fields behind the 263-byte backlink area.
        const std::vector<FieldDef> fields = {
            {"AMOUNT", 'B', 8, 2}, {"COUNTER", 'I', 4, 0}, {"STAMP", 'T', 8, 0}, {"PRICE", 'Y', 8, 4},
            {"NOTES", 'M', 4, 0},  {"PICTURE", 'G', 4, 0}, {"NAME", 'C', 6, 0},
        };
        Bytes b = header(0x30, fields, 3);
        b[28] = 0x02;  // memo file present
        addRecord(
            b, ' ',
            {raw(3.25), raw(std::int32_t{-17}), raw(std::int32_t{2460000}) + raw(std::int32_t{3600000}),
             raw(std::int32_t{125000}) + raw(std::int32_t{0}), raw(std::int32_t{5}), raw(std::int32_t{0}), "ALPHA "});
        addRecord(b, ' ',
                  {raw(-1.0e300), raw(std::int32_t{2147483647}), std::string("    ") + raw(std::int32_t{-1}),
                   raw(std::int32_t{-1}) + raw(std::int32_t{-2147483647 - 1}), raw(std::int32_t{0}),
                   raw(std::int32_t{-3}), "beta  "});
        addRecord(b, '*',
                  {std::string(8, ' '), std::string(4, ' '), std::string(8, ' '), std::string(8, ' '),
                   std::string(4, ' '), std::string(4, ' '), std::string(6, ' ')});
        ok &= writeFile(dir, "vfp_binary.dbf", b);
    }
    {  // C field of 300 bytes (length byte 44, high byte 1), D, L, M, F and N with decimals.
        const std::vector<FieldDef> fields = {
            {"TITLE", 'C', 300, 0}, {"DRAWN", 'D', 8, 0}, {"CHECKED", 'L', 1, 0},
            {"MEMO", 'M', 10, 0},   {"RATE", 'F', 8, 2},  {"SUM", 'N', 6, 2},
        };
        Bytes b = header(0x83, fields, 3);
        addRecord(b, ' ',
                  {leftAligned("First draw", 300), "20240105", "T", rightAligned(12, 10), "    1.50", "  3.25"});
        addRecord(b, ' ',
                  {leftAligned(std::string("ab\0cd", 5), 300), "        ", "y", "          ", "        ", "      "});
        addRecord(b, ' ', {leftAligned("x", 300), "00000000", "?", "         0", "  -2e+03", " 1e-2 "});
        ok &= writeFile(dir, "mixed_types.dbf", b);
    }
    {  // Values the getters must refuse or read as their fallbacks.
        const std::vector<FieldDef> fields = {
            {"NUM", 'N', 4, 0}, {"DAY", 'D', 8, 0}, {"YES", 'L', 1, 0}, {"TEXT", 'C', 4, 0}, {"BLOB", 'B', 10, 0},
        };
        Bytes b = header(0xF5, fields, 4);
        addRecord(b, ' ', {"  1x", "20230231", "N", std::string("a\0b\0", 4), "        12"});
        addRecord(b, ' ', {"1e99", "31.12.20", "J", "    ", "         0"});
        addRecord(b, ' ', {" -  ", "abcdefgh", " ", "\xFF\xFE\x80\x01", "----------"});
        addRecord(b, ' ', {"9999", "31.12.2020", "t", "CAPS", "1.5e+00009"});
        ok &= writeFile(dir, "bad_values.dbf", b);
    }
    {  // Header record length shorter than the fields it holds: the last field reaches past it.
        const std::vector<FieldDef> fields = {{"K1", 'N', 2, 0}, {"WIDE", 'C', 40, 0}, {"DAY", 'D', 8, 0}};
        Bytes b = header(0x03, fields, 2);
        put16(b, 10, 6);
        for (int i = 0; i < 3; ++i) {
            const std::string rec = " 12abc";
            b.insert(b.end(), rec.begin(), rec.end());
        }
        ok &= writeFile(dir, "fields_past_record.dbf", b);
    }
    {  // A long C field by the high byte in a table of one short record, and a zero-length field.
        const std::vector<FieldDef> fields = {{"EMPTY", 'N', 0, 0}, {"HUGE", 'C', 0xFFFF, 0}};
        Bytes b = header(0x8B, fields, 1);
        put16(b, 10, 9);
        const std::string rec = " 12345678";
        b.insert(b.end(), rec.begin(), rec.end());
        ok &= writeFile(dir, "huge_c_field.dbf", b);
    }
    {  // Header length below the header itself and an odd descriptor area.
        Bytes b = drawTable('C', 6, 49, 2, 17);
        put16(b, 8, 40);
        ok &= writeFile(dir, "short_header_length.dbf", b);
    }
    {  // Encrypted flag on a file opened without a key.
        Bytes b = drawTable('C', 6, 49, 2, 19);
        b[15] = 1;
        ok &= writeFile(dir, "encrypted.dbf", b);
    }
    {  // A version byte the engine does not accept.
        Bytes b = drawTable('C', 6, 49, 2, 23);
        b[0] = 0x04;
        ok &= writeFile(dir, "bad_version.dbf", b);
    }
    return ok ? 0 : 1;
}
