// `sharometr-cli create`: the bytes of a new empty table, synthetic draws appended through the
// engine, and the refusals that keep an existing table or a missing folder from being touched.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "cli/synthetic_draws.h"
#include "cli_test_helpers.h"
#include "dbf/table_handler.h"
#include "platform/fault_injection.h"

namespace {

using cli_test::FixedClock;
using cli_test::runCli;
using cli_test::updateStamp;
using testsupport::fileSizeOf;
using testsupport::le16;
using testsupport::le32;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

constexpr platform::LocalTime kNow{2031, 7, 9, 14, 5, 33, 250};

// The expected image, spelled out byte by byte rather than by the code under test.
std::string emptyTable(char letter, int fields) {
    const int headerLength = 32 + 32 * fields + 1;
    std::string bytes;
    bytes += '\x03';
    bytes += static_cast<char>(31);  // 2031 modulo 100
    bytes += static_cast<char>(7);
    bytes += static_cast<char>(9);
    bytes += le32(0);
    bytes += le16(static_cast<std::uint16_t>(headerLength));
    bytes += le16(static_cast<std::uint16_t>(1 + 2 * fields));
    bytes += std::string(4, '\0');
    bytes += le32(static_cast<std::int32_t>(updateStamp(kNow)));
    bytes += std::string(9, '\0');
    bytes += '\x65';
    bytes += std::string(2, '\0');
    for (int i = 1; i <= fields; ++i) {
        std::string descriptor = letter + std::to_string(i);
        descriptor.resize(11, '\0');
        descriptor += 'N';
        descriptor += std::string(4, '\0');
        descriptor += '\x02';
        descriptor += '\0';
        descriptor.resize(32, '\0');
        bytes += descriptor;
    }
    bytes += '\x0D';
    bytes += '\x1A';
    return bytes;
}

TEST(CreateCommand, WritesAnEmptyTableOfEachGame) {
    TempDir dir;
    const FixedClock clock(kNow);

    const auto loto = runCli({"create", "--game", "loto", dir.path()});
    EXPECT_EQ(loto.status, cli::kExitOk) << loto.err;
    EXPECT_EQ(loto.out, "created " + dir.file("lotobase.dbf") + " with 0 draws\n");
    EXPECT_EQ(loto.err, "");
    const std::string lotoBytes = readFile(dir.file("lotobase.dbf"));
    EXPECT_EQ(lotoBytes.size(), 226u);
    EXPECT_TRUE(lotoBytes == emptyTable('C', 6));

    // Options in any order, a trailing slash on the folder.
    const auto keno = runCli({"create", dir.path() + "/", "--game", "keno"});
    EXPECT_EQ(keno.status, cli::kExitOk) << keno.err;
    EXPECT_EQ(keno.out, "created " + dir.file("kenobase.dbf") + " with 0 draws\n");
    const std::string kenoBytes = readFile(dir.file("kenobase.dbf"));
    EXPECT_EQ(kenoBytes.size(), 674u);
    EXPECT_TRUE(kenoBytes == emptyTable('K', 20));
    EXPECT_EQ(kenoBytes.substr(32 + 19 * 32, 4), std::string("K20\0", 4));
    EXPECT_EQ(static_cast<unsigned char>(kenoBytes[672]), 0x0Du);
    EXPECT_EQ(static_cast<unsigned char>(kenoBytes[673]), 0x1Au);

    // What the engine makes of it: no records, the fields as written.
    DBFObject table(dir.file("kenobase.dbf"), "", false, true);
    EXPECT_EQ(table.recordCount(), 0u);
    EXPECT_EQ(table.headerLength(), 673u);
    EXPECT_EQ(table.recordLength(), 41u);
    ASSERT_EQ(table.fieldCount(), 20);
    EXPECT_EQ(table.fieldName(20), "K20");
    EXPECT_EQ(table.fieldType(20), 'N');
    EXPECT_EQ(table.fieldLength(20), 2u);
    EXPECT_EQ(table.fieldDecimals(20), 0);
}

TEST(CreateCommand, AppendsSyntheticDrawsThroughTheEngine) {
    TempDir dir;
    const FixedClock clock(kNow);
    const auto result = runCli({"create", "--sample", "5", "--game", "loto", dir.path()});
    ASSERT_EQ(result.status, cli::kExitOk) << result.err;
    EXPECT_EQ(result.out, "created " + dir.file("lotobase.dbf") + " with 5 draws\n");

    const std::string bytes = readFile(dir.file("lotobase.dbf"));
    ASSERT_EQ(bytes.size(), 225u + 5u * 13u + 1u);
    // The engine's header write after each append: count, date and stamp of the clock.
    EXPECT_EQ(bytes.substr(4, 4), le32(5));
    EXPECT_EQ(bytes.substr(1, 3), std::string("\x1f\x07\x09", 3));
    EXPECT_EQ(bytes.substr(16, 4), le32(static_cast<std::int32_t>(updateStamp(kNow))));
    EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x65u);
    EXPECT_EQ(bytes.back(), '\x1A');

    // Each record: live flag, then the draw's numbers right-aligned in two places.
    cli::SyntheticDraws draws(kSuperLoto);
    for (int record = 0; record < 5; ++record) {
        std::string expected = " ";
        for (const int number : draws.next()) {
            expected += number < 10 ? " " : "";
            expected += std::to_string(number);
        }
        EXPECT_EQ(bytes.substr(225 + 13 * static_cast<std::size_t>(record), 13), expected) << record;
    }
}

TEST(CreateCommand, RefusesATableThatIsAlreadyThere) {
    TempDir dir;
    const std::string existing = dir.file("lotobase.dbf");
    writeFile(existing, "precious draws");

    const auto again = runCli({"create", "--game", "loto", "--sample", "3", dir.path()});
    EXPECT_EQ(again.status, cli::kExitFailure);
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(again.err, "File already exists - " + existing + "\n");
    EXPECT_EQ(readFile(existing), "precious draws");

    // The engine would open KENOBASE.DBF for kenobase.dbf; a second file beside it would hide it.
    const std::string upper = dir.file("KENOBASE.DBF");
    writeFile(upper, "keno draws");
    const auto keno = runCli({"create", "--game", "keno", dir.path()});
    EXPECT_EQ(keno.status, cli::kExitFailure);
    EXPECT_EQ(keno.err, "File already exists - " + upper + "\n");
    EXPECT_EQ(readFile(upper), "keno draws");
    struct stat st {};
    EXPECT_NE(::stat(dir.file("kenobase.dbf").c_str(), &st), 0);
}

TEST(CreateCommand, MakesAMissingFolderButNotOverAFile) {
    TempDir dir;
    const auto missing = runCli({"create", "--game", "loto", dir.file("absent/deeper")});
    EXPECT_EQ(missing.status, cli::kExitOk) << missing.err;
    EXPECT_EQ(missing.out, "created " + dir.file("absent/deeper") + "/lotobase.dbf with 0 draws\n");
    struct stat st {};
    EXPECT_EQ(::stat(dir.file("absent/deeper/lotobase.dbf").c_str(), &st), 0);

    writeFile(dir.file("plain"), "not a folder");
    const auto notFolder = runCli({"create", "--game", "keno", dir.file("plain")});
    EXPECT_EQ(notFolder.status, cli::kExitFailure);
    EXPECT_EQ(notFolder.err, "Path not found - " + dir.file("plain") + "/kenobase.dbf\n");
    EXPECT_EQ(readFile(dir.file("plain")), "not a folder");
}

TEST(CreateCommand, AFailedHeaderWriteLeavesNoHalfTable) {
    TempDir dir;
    {
        const platform::FaultGuard diskFull({platform::Call::Write, 0, 1, 112, 0});
        const auto full = runCli({"create", "--game", "loto", dir.path()});
        EXPECT_EQ(full.status, cli::kExitFailure);
        EXPECT_EQ(full.out, "");
        EXPECT_EQ(full.err,
                  "Xbase Error 112, SubCode 1102.\n " + dir.file("lotobase.dbf") + ">1102\nNo space left on device\n");
    }
    struct stat st {};
    EXPECT_NE(::stat(dir.file("lotobase.dbf").c_str(), &st), 0);
    // Nothing is in the way of a second try.
    EXPECT_EQ(runCli({"create", "--game", "loto", dir.path()}).status, cli::kExitOk);
    EXPECT_EQ(fileSizeOf(dir.file("lotobase.dbf")), 226u);
}

TEST(CreateCommand, UsageMistakesExitWithTwo) {
    TempDir dir;
    cli_test::expectUsageErrors(
        "create",
        {
            {{"create", dir.path()}, "missing --game GAME (loto, keno, g536, g645, g749 or g1224)"},
            {{"create", "--game", "lotto", dir.path()}, "unknown game 'lotto' (loto, keno, g536, g645, g749 or g1224)"},
            {{"create", "--game", "loto"}, "missing DIR argument"},
            {{"create", "--game", "loto", dir.path(), "other"}, "unexpected argument 'other'"},
            {{"create", "--game", "loto", "--sample", "ten", dir.path()},
             "--sample wants a number of draws, not 'ten'"},
            {{"create", "--game", "loto", "--sample", "-1", dir.path()}, "--sample wants a number of draws, not '-1'"},
            {{"create", "--game", "loto", "--sample", "4294967296", dir.path()},
             "--sample wants a number of draws, not '4294967296'"},
            {{"create", "--game", "loto", "--sample"}, "--sample wants a value"},
            {{"create", "--game", "loto", "--force", dir.path()}, "unknown option '--force'"},
        });
    struct stat st {};
    EXPECT_NE(::stat(dir.file("lotobase.dbf").c_str(), &st), 0);
}

TEST(SyntheticDraws, DistinctNumbersInRangeRepeatableAndSpread) {
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        cli::SyntheticDraws first(*game);
        cli::SyntheticDraws second(*game);
        std::vector<int> seen(static_cast<std::size_t>(game->numbers) + 1, 0);
        for (int draw = 0; draw < 2000; ++draw) {
            const std::vector<int> numbers = first.next();
            ASSERT_EQ(numbers, second.next());
            ASSERT_EQ(static_cast<int>(numbers.size()), game->fieldsPerDraw);
            EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
            EXPECT_EQ(std::set<int>(numbers.begin(), numbers.end()).size(), numbers.size());
            EXPECT_GE(numbers.front(), 1);
            EXPECT_LE(numbers.back(), game->numbers);
            for (const int n : numbers) ++seen[static_cast<std::size_t>(n)];
        }
        // Every number turns up, none far from its share (2000 draws: 245 or 500 on average).
        const double share = 2000.0 * game->fieldsPerDraw / game->numbers;
        for (int n = 1; n <= game->numbers; ++n) {
            EXPECT_GT(seen[static_cast<std::size_t>(n)], share * 0.7) << game->name << " " << n;
            EXPECT_LT(seen[static_cast<std::size_t>(n)], share * 1.3) << game->name << " " << n;
        }
    }
}

}  // namespace

TEST(CreateCommand, ASampleTableIsMadeBesideAndNamedOnlyWhenWhole) {
    TempDir dir;
    for (const platform::Call call : {platform::Call::Write, platform::Call::Move}) {
        // The disk fills up at the tenth write: in the middle of the draws, or at the naming.
        const platform::FaultGuard diskFull({call, call == platform::Call::Write ? 9 : 0, 1, 112, 0});
        const auto full = runCli({"create", "--game", "keno", "--sample", "20", dir.path()});
        EXPECT_EQ(full.status, cli::kExitFailure);
        EXPECT_EQ(full.out, "");
        EXPECT_TRUE(full.err.ends_with("No space left on device\n")) << full.err;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0) << "nothing left behind";
    }
    // What a killed run left beside the table is cleared by the next one.
    testsupport::writeFile(dir.file("kenobase.dbf.4194305.new"), "half made");
    const auto made = runCli({"create", "--game", "keno", "--sample", "20", dir.path()});
    EXPECT_EQ(made.status, cli::kExitOk) << made.err;
    EXPECT_EQ(fileSizeOf(dir.file("kenobase.dbf")), 673u + 20u * 41u + 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // And a table already there is refused as before, whatever its letter case.
    EXPECT_EQ(runCli({"create", "--game", "keno", "--sample", "2", dir.path()}).err,
              "File already exists - " + dir.file("kenobase.dbf") + "\n");
}
