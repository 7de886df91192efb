// DBF images written byte by byte.
#include "tests/support/dbf_image.h"

#include <cstring>
#include <stdexcept>

#include "tests/support/files.h"

namespace testsupport {

std::string le16(std::uint16_t value) {
    std::string out(2, '\0');
    out[0] = static_cast<char>(value & 0xFF);
    out[1] = static_cast<char>((value >> 8) & 0xFF);
    return out;
}

std::string le32(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return out;
}

std::string le64(std::int64_t value) {
    const auto u = static_cast<std::uint64_t>(value);
    std::string out(8, '\0');
    for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return out;
}

std::string doubleBytes(double value) {
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    return le64(static_cast<std::int64_t>(bits));
}

std::uint32_t FieldSpec::length() const {
    if (type == 'C') return lengthByte + 256u * decimalsByte;
    return lengthByte;
}

DbfImage& DbfImage::version(std::uint8_t value) {
    m_version = value;
    return *this;
}

DbfImage& DbfImage::lastUpdate(int yearModulo100, int month, int day) {
    m_year = static_cast<std::uint8_t>(yearModulo100);
    m_month = static_cast<std::uint8_t>(month);
    m_day = static_cast<std::uint8_t>(day);
    return *this;
}

DbfImage& DbfImage::headerCount(std::uint32_t count) {
    m_headerCount = count;
    return *this;
}

DbfImage& DbfImage::headerLength(std::uint16_t length) {
    m_headerLength = length;
    return *this;
}

DbfImage& DbfImage::recordLength(std::uint16_t length) {
    m_recordLength = length;
    return *this;
}

DbfImage& DbfImage::encryptedFlag(std::uint8_t value) {
    m_encrypted = value;
    return *this;
}

DbfImage& DbfImage::tableFlags(std::uint8_t value) {
    m_tableFlags = value;
    return *this;
}

DbfImage& DbfImage::updateStamp(std::uint32_t stamp) {
    m_updateStamp = stamp;
    return *this;
}

DbfImage& DbfImage::codePage(std::uint8_t mark) {
    m_codePage = mark;
    return *this;
}

DbfImage& DbfImage::backlink(bool present) {
    m_backlink = present;
    return *this;
}

DbfImage& DbfImage::field(const std::string& name, char type, std::uint32_t length, std::uint8_t decimals) {
    if (type == 'C') {
        if (length > 0xFFFF) throw std::invalid_argument("C field longer than 65535");
        return fieldRaw(name, type, static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8));
    }
    if (length > 0xFF) throw std::invalid_argument("field longer than 255: " + name);
    return fieldRaw(name, type, static_cast<std::uint8_t>(length), decimals);
}

DbfImage& DbfImage::fieldRaw(const std::string& nameBytes, char type, std::uint8_t byte16, std::uint8_t byte17) {
    if (nameBytes.size() > 11) throw std::invalid_argument("field name longer than 11 bytes: " + nameBytes);
    m_fields.push_back(FieldSpec{nameBytes, type, byte16, byte17});
    return *this;
}

DbfImage& DbfImage::record(const std::vector<std::string>& texts, bool deleted) {
    if (texts.size() != m_fields.size()) throw std::invalid_argument("record needs one text per field");
    std::string rec(1, deleted ? '*' : ' ');
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const FieldSpec& f = m_fields[i];
        const std::string& text = texts[i];
        const std::size_t len = f.length();
        if (text.size() > len) throw std::invalid_argument("text longer than field " + f.name + ": " + text);
        const std::string pad(len - text.size(), ' ');
        const bool leftAligned = f.type == 'C' || f.type == 'D' || f.type == 'L';
        rec += leftAligned ? text + pad : pad + text;
    }
    m_records.push_back(std::move(rec));
    return *this;
}

DbfImage& DbfImage::rawRecord(const std::string& bytes) {
    m_records.push_back(bytes);
    return *this;
}

DbfImage& DbfImage::tail(const std::string& bytes) {
    m_tail = bytes;
    return *this;
}

DbfImage& DbfImage::endMarker(bool present) {
    m_endMarker = present;
    return *this;
}

DbfImage& DbfImage::truncateTo(std::size_t size) {
    m_truncate = size;
    return *this;
}

std::uint16_t DbfImage::computedHeaderLength() const {
    if (m_headerLength) return *m_headerLength;
    std::size_t length = 32 + 32 * m_fields.size() + 1;
    if (m_version == 0x30 && m_backlink) length += 263;
    if (length > 0xFFFF) throw std::invalid_argument("header longer than 65535 bytes");
    return static_cast<std::uint16_t>(length);
}

std::uint16_t DbfImage::computedRecordLength() const {
    if (m_recordLength) return *m_recordLength;
    std::size_t length = 1;
    for (const FieldSpec& f : m_fields) length += f.length();
    if (length > 0xFFFF) throw std::invalid_argument("record longer than 65535 bytes");
    return static_cast<std::uint16_t>(length);
}

std::size_t DbfImage::recordOffset(std::uint32_t n) const {
    return computedHeaderLength() + static_cast<std::size_t>(n - 1) * computedRecordLength();
}

std::string DbfImage::bytes() const {
    std::string out;
    out += static_cast<char>(m_version);
    out += static_cast<char>(m_year);
    out += static_cast<char>(m_month);
    out += static_cast<char>(m_day);
    out += le32(static_cast<std::int32_t>(m_headerCount.value_or(static_cast<std::uint32_t>(m_records.size()))));
    out += le16(computedHeaderLength());
    out += le16(computedRecordLength());
    out += std::string(3, '\0');
    out += static_cast<char>(m_encrypted);
    out += le32(static_cast<std::int32_t>(m_updateStamp));
    out += std::string(8, '\0');  // user number and reserved
    out += static_cast<char>(m_tableFlags);
    out += static_cast<char>(m_codePage);
    out += std::string(2, '\0');

    for (const FieldSpec& f : m_fields) {
        std::string d(32, '\0');
        d.replace(0, f.name.size(), f.name);
        d[11] = f.type;
        d[16] = static_cast<char>(f.lengthByte);
        d[17] = static_cast<char>(f.decimalsByte);
        out += d;
    }
    out += '\x0D';
    if (m_version == 0x30 && m_backlink) out += std::string(263, '\0');
    // A header length given larger than the descriptors leaves a gap of zero bytes; a smaller
    // one lets the records start inside the descriptor area, as a damaged file would.
    const std::size_t headerLength = computedHeaderLength();
    if (out.size() < headerLength)
        out += std::string(headerLength - out.size(), '\0');
    else
        out.resize(headerLength);

    for (const std::string& rec : m_records) out += rec;
    out += m_tail;
    if (m_endMarker) out += '\x1A';
    if (m_truncate && *m_truncate < out.size()) out.resize(*m_truncate);
    return out;
}

void DbfImage::writeTo(const std::string& path) const { writeFile(path, bytes()); }

}  // namespace testsupport
