// The block read of whole numbers against the engine's own conversion: every two-byte field text,
// the forms a wider numeric field can hold, and the values and errors of a table read both ways.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "dataset/xbase_dataset.h"
#include "dbf/text_numbers.h"
#include "platform/exception.h"
#include "tests/support/dbf_image.h"
#include "toolkit/fields.h"

namespace {

using testsupport::DbfImage;
using testsupport::TempDir;

// What AsInteger makes of a numeric field text: its value, or nullopt when the engine refuses it.
std::optional<std::int32_t> engineValue(DBFObject& table, const std::string& text) {
    std::uint8_t* field = table.recordBuffer() + table.fieldOffset(1);
    for (std::uint32_t i = 0; i < table.fieldLength(1); ++i) field[i] = static_cast<std::uint8_t>(text[i]);
    try {
        const double rounded = RoundHalfEven(static_cast<double>(table.getNumber(1)));
        if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
        return static_cast<std::int32_t>(rounded);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

TEST(IntegerScan, InPlaceDecodingAgreesWithTheEngineOnEveryForm) {
    TempDir dir;
    const std::string two = dir.file("two.dbf");
    DbfImage().field("N", 'N', 2).record({"1"}).writeTo(two);
    DBFObject twoBytes(two, "", false, true);
    twoBytes.readRecord(1);
    // Every two-byte text: its value in place, or nullopt where the in-place reading stands aside.
    std::vector<std::optional<std::int32_t>> table(65536);
    int decoded = 0;
    for (std::uint32_t key = 0; key < 65536; ++key) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(key & 0xFF), static_cast<std::uint8_t>(key >> 8)};
        std::int32_t value = 0;
        if (!xb::decodeSmallWhole(bytes, 2, value)) continue;
        table[key] = value;
        ++decoded;
        EXPECT_EQ(engineValue(twoBytes, std::string(bytes, bytes + 2)), table[key]) << key;
    }
    EXPECT_GT(decoded, 120) << "blanks, every number of the games, signs, texts cut by a zero byte";

    // Eight fields at once: every text in every place among valid neighbours, as the table has it,
    // the values past the largest wanted read as 0.
    constexpr std::uint8_t kLargest = 49;
    const xb::TwoByteFieldReader reader(8, kLargest);
    int runs = 0;
    for (std::uint32_t key = 0; key < 65536; ++key) {
        for (std::size_t place = 0; place < 8; place += 7) {
            std::uint8_t bytes[16];
            for (std::size_t f = 0; f < 8; ++f) {
                bytes[2 * f] = ' ';
                bytes[2 * f + 1] = static_cast<std::uint8_t>('1' + f);
            }
            bytes[2 * place] = static_cast<std::uint8_t>(key & 0xFF);
            bytes[2 * place + 1] = static_cast<std::uint8_t>(key >> 8);
            std::uint8_t cells[8] = {};
            if (!reader.read(bytes, cells)) continue;
            ++runs;
            ASSERT_TRUE(table[key].has_value()) << key;
            EXPECT_EQ(cells[place], xb::byteInRange(*table[key], kLargest)) << key;
            EXPECT_EQ(cells[place == 0 ? 7 : 0], place == 0 ? 8 : 1);
        }
    }
    EXPECT_GE(runs, 2 * 102) << "blanks, a digit after a blank and two digits in either place";

    const std::string wide = dir.file("wide.dbf");
    DbfImage().field("N", 'N', 12).record({"1"}).writeTo(wide);
    DBFObject twelve(wide, "", false, true);
    twelve.readRecord(1);
    for (const std::string& text :
         {std::string("            "), std::string("           7"), std::string("  -000000042"),
          std::string("+5          "), std::string("  999999999 "), std::string(" 1234567890 "),
          std::string("         1.5"), std::string("         2.5"), std::string("       1e2  "),
          std::string("         abc"), std::string("        - 1 "), std::string("       12 3 "),
          std::string("  5\0  x     ", 12), std::string("           -"), std::string("    +       ")}) {
        std::int32_t value = 0;
        const bool inPlace = xb::decodeSmallWhole(reinterpret_cast<const std::uint8_t*>(text.data()), 12, value);
        if (inPlace) {
            EXPECT_EQ(engineValue(twelve, text), std::optional<std::int32_t>(value)) << '"' << text << '"';
        }
    }
    // Past the 31 characters the engine reads, the in-place reading stands aside.
    const std::string blanks(40, ' ');
    std::int32_t value = 0;
    EXPECT_FALSE(xb::decodeSmallWhole(reinterpret_cast<const std::uint8_t*>((blanks + "5").data()), 41, value));
}

TEST(IntegerScan, ATableReadsTheSameAsAsIntegerValuesAndErrorsAlike) {
    constexpr std::uint8_t kLargest = 80;
    TempDir dir;
    const std::string path = dir.file("draws.dbf");
    DbfImage image;
    image.field("A", 'N', 2).field("B", 'N', 5).field("C", 'F', 3);
    image.record({"7", "-12", ""})
        .record({"", "1.5", "+8"}, true)
        .record({" 0", "2.5", "99"})
        .record({"80", "00042", "-1"})
        .record({"81", "    0", "5"});
    image.writeTo(path);
    TXbaseDataSet data;
    data.SetTableName(path);
    data.Open();
    std::vector<const TField*> fields{&data.Fields(0), &data.Fields(1), &data.Fields(2)};
    std::vector<std::vector<std::uint8_t>> scanned;
    std::vector<std::uint32_t> records;
    ASSERT_TRUE(data.ScanByteFields(
        fields, kLargest, [&](std::span<const std::uint8_t> cells, std::span<const std::uint32_t> numbers) {
            for (std::size_t r = 0; r < numbers.size(); ++r) {
                scanned.emplace_back(cells.begin() + static_cast<std::ptrdiff_t>(r * 3),
                                     cells.begin() + static_cast<std::ptrdiff_t>(r * 3 + 3));
                records.push_back(numbers[r]);
            }
        }));
    EXPECT_EQ(records, (std::vector<std::uint32_t>{1, 3, 4, 5})) << "the deleted record is hidden";
    EXPECT_EQ(data.RecNo(), 1) << "the cursor stays";
    std::size_t row = 0;
    for (data.First(); !data.Eof(); data.Next(), ++row)
        for (int f = 0; f < 3; ++f)
            EXPECT_EQ(scanned.at(row)[static_cast<std::size_t>(f)],
                      xb::byteInRange(data.Fields(f).AsInteger(), kLargest))
                << row;

    // Garbage: the scan fails as AsInteger does, with the engine's message naming the field.
    DbfImage bad;
    bad.field("A", 'N', 2).record({"5"}).record({"x1"});
    bad.writeTo(dir.file("bad.dbf"));
    TXbaseDataSet broken;
    broken.SetTableName(dir.file("bad.dbf"));
    broken.Open();
    std::string scanError;
    std::string readError;
    try {
        broken.ScanByteFields(std::vector<const TField*>{&broken.Fields(0)}, kLargest, [](auto, auto) {});
    } catch (const Exception& error) {
        scanError = error.Message();
    }
    broken.Last();
    try {
        broken.Fields(0).AsInteger();
    } catch (const Exception& error) {
        readError = error.Message();
    }
    EXPECT_NE(scanError.find("Invalid number in field"), std::string::npos) << scanError;
    EXPECT_EQ(scanError, readError);

    // A field with decimals is left to the record-by-record walk.
    DbfImage decimals;
    decimals.field("D", 'N', 5, 1).record({"1.5"});
    decimals.writeTo(dir.file("decimals.dbf"));
    TXbaseDataSet tenths;
    tenths.SetTableName(dir.file("decimals.dbf"));
    tenths.Open();
    EXPECT_FALSE(tenths.ScanByteFields(std::vector<const TField*>{&tenths.Fields(0)}, kLargest, [](auto, auto) {}));
}

// Draw tables as other programs may leave them (a digit before a blank, signs, zero bytes, values
// past the game, deleted records, now and then garbage), read both ways: the scan's cells are
// AsInteger's values kept in the game's range record for record, and garbage stops both with the same message.
TEST(IntegerScan, DrawTablesReadAsTheWalkReadsThem) {
    const std::vector<std::string> forms = {"  ",
                                            " 7",
                                            "07",
                                            "49",
                                            "80",
                                            "99",
                                            " 0",
                                            "00",
                                            "5 ",
                                            "-3",
                                            "+4",
                                            std::string("\0\0", 2),
                                            std::string("6\0", 2)};
    const std::vector<std::string> garbage = {"x1", "1-", "--", " +", "4x"};
    TempDir dir;
    for (unsigned seed = 0; seed < 24; ++seed) {
        std::mt19937 random(seed);
        const int width = seed % 2 ? 20 : 6;
        const int numbers = seed % 2 ? 80 : 49;
        const std::size_t records = 200 + seed * 7;
        DbfImage image;
        for (int f = 1; f <= width; ++f) image.field("N" + std::to_string(f), 'N', 2);
        const std::size_t spoilt = seed % 3 == 0 ? random() % records : records;
        for (std::size_t r = 0; r < records; ++r) {
            std::string bytes(1, random() % 10 == 0 && r != spoilt ? '*' : ' ');
            for (int f = 0; f < width; ++f) {
                const unsigned pick = random() % 100;
                bytes += pick < 70   ? std::string{' ', static_cast<char>('1' + random() % 9)}
                         : pick < 85 ? std::to_string(10 + random() % 90)
                                     : forms[random() % forms.size()];
            }
            if (r == spoilt) bytes.replace(1 + 2 * (random() % width), 2, garbage[random() % garbage.size()]);
            image.rawRecord(bytes);
        }
        const std::string path = dir.file("draws" + std::to_string(seed) + ".dbf");
        image.writeTo(path);
        TXbaseDataSet data;
        data.SetTableName(path);
        data.Open();
        std::vector<const TField*> fields;
        for (int f = 0; f < width; ++f) fields.push_back(&data.Fields(f));
        std::vector<std::uint8_t> scanned;
        std::string scanError;
        try {
            data.ScanByteFields(fields, static_cast<std::uint8_t>(numbers),
                                [&](std::span<const std::uint8_t> cells, auto) {
                                    scanned.insert(scanned.end(), cells.begin(), cells.end());
                                });
        } catch (const Exception& error) {
            scanError = error.Message();
        }
        std::vector<std::uint8_t> walked;
        std::string walkError;
        try {
            for (data.First(); !data.Eof(); data.Next())
                for (int f = 0; f < width; ++f)
                    walked.push_back(xb::byteInRange(data.Fields(f).AsInteger(), static_cast<std::uint8_t>(numbers)));
        } catch (const Exception& error) {
            walkError = error.Message();
        }
        EXPECT_EQ(scanError, walkError) << seed;
        EXPECT_EQ(spoilt < records, !scanError.empty()) << seed;
        if (scanError.empty()) {
            EXPECT_EQ(scanned, walked) << seed;
        }
    }
}

}  // namespace
