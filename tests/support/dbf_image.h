// DBF table images written byte by byte, so that the tests never read a table through the engine
// they check. The file helpers come with them, since every image ends up in a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace testsupport {

// Little-endian byte strings for binary fields and header values.
std::string le16(std::uint16_t value);
std::string le32(std::int32_t value);
std::string le64(std::int64_t value);
std::string doubleBytes(double value);

// One field descriptor as it is written: the name bytes (zero-padded to 11, may hold a zero byte
// of their own), the type letter and the raw length and decimal bytes (16 and 17).
struct FieldSpec {
    std::string name;
    char type = 'C';
    std::uint8_t lengthByte = 1;
    std::uint8_t decimalsByte = 0;

    // The length the record layout gives the field: C fields take byte 17 as the high byte.
    std::uint32_t length() const;
};

// Builds a DBF file image. Header length and record length follow from the fields unless
// overridden; the count in the header is the number of records unless overridden.
class DbfImage {
public:
    DbfImage& version(std::uint8_t value);
    DbfImage& lastUpdate(int yearModulo100, int month, int day);
    DbfImage& headerCount(std::uint32_t count);
    DbfImage& headerLength(std::uint16_t length);
    DbfImage& recordLength(std::uint16_t length);
    DbfImage& encryptedFlag(std::uint8_t value);
    DbfImage& tableFlags(std::uint8_t value);
    DbfImage& updateStamp(std::uint32_t stamp);
    DbfImage& codePage(std::uint8_t mark);
    // Whether a version 0x30 image carries its 263-byte backlink area (default: yes).
    DbfImage& backlink(bool present);

    // A field of `length` bytes; a C field longer than 255 is written with the byte-17 extension.
    DbfImage& field(const std::string& name, char type, std::uint32_t length, std::uint8_t decimals = 0);
    // A field with its descriptor bytes 16 and 17 given as they are to be written.
    DbfImage& fieldRaw(const std::string& nameBytes, char type, std::uint8_t byte16, std::uint8_t byte17);

    // A record from one text per field: C, D and L texts left-aligned, the others right-aligned,
    // each padded with blanks to the field's length (a text longer than its field is an error).
    // Texts may hold any bytes, so binary fields are given as le32(...) and the like.
    DbfImage& record(const std::vector<std::string>& texts, bool deleted = false);
    // A record given whole, deletion flag included; it is written as it stands, whatever its size.
    DbfImage& rawRecord(const std::string& bytes);
    // Raw bytes after the last record and before the end marker (a partial record, say).
    DbfImage& tail(const std::string& bytes);
    // Whether 0x1A follows the records (default: yes).
    DbfImage& endMarker(bool present);
    // Cuts the finished image to this many bytes.
    DbfImage& truncateTo(std::size_t size);

    std::uint16_t computedHeaderLength() const;
    std::uint16_t computedRecordLength() const;
    // Offset of record n (1-based) in the image.
    std::size_t recordOffset(std::uint32_t n) const;
    std::size_t recordCount() const { return m_records.size(); }
    const std::vector<FieldSpec>& fields() const { return m_fields; }

    std::string bytes() const;
    void writeTo(const std::string& path) const;

private:
    std::uint8_t m_version = 0x03;
    std::uint8_t m_year = 26;
    std::uint8_t m_month = 1;
    std::uint8_t m_day = 15;
    std::optional<std::uint32_t> m_headerCount;
    std::optional<std::uint16_t> m_headerLength;
    std::optional<std::uint16_t> m_recordLength;
    std::uint8_t m_encrypted = 0;
    std::uint8_t m_tableFlags = 0;
    std::uint32_t m_updateStamp = 0;
    std::uint8_t m_codePage = 0;
    bool m_backlink = true;
    std::vector<FieldSpec> m_fields;
    std::vector<std::string> m_records;
    std::string m_tail;
    bool m_endMarker = true;
    std::optional<std::size_t> m_truncate;
};

}  // namespace testsupport
