// `sharometr-cli check FILE [--repair]`: what it finds in a damaged table, by record number, and
// how the repair mends the file's end through a copy, or leaves the table alone when it cannot.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_test_helpers.h"
#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"

namespace {

using cli_test::runCli;
using platform::Call;
using testsupport::DbfImage;
using testsupport::readFile;
using testsupport::TempDir;

constexpr std::size_t kHeader = 225;
constexpr std::size_t kRecord = 13;

// Four SuperLoto records, the third deleted (its numbers are no draw, so never judged).
DbfImage lotoImage() {
    DbfImage image;
    for (int i = 1; i <= 6; ++i) image.field("C" + std::to_string(i), 'N', 2);
    image.record({"1", "2", "3", "4", "5", "6"});
    image.record({"11", "12", "13", "14", "15", "16"});
    image.record({"0", "0", "99", "", "x", "1"}, /*deleted=*/true);
    image.record({"41", "42", "43", "44", "45", "46"});
    return image;
}

std::size_t filesIn(const TempDir& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

TEST(CheckCommand, ASoundTableIsOkAndEachFaultIsNamedByRecord) {
    TempDir dir;
    const std::string sound = dir.file("lotobase.dbf");
    lotoImage().writeTo(sound);
    const auto ok = runCli({"check", sound});
    EXPECT_EQ(ok.status, cli::kExitOk) << ok.out;
    EXPECT_EQ(ok.out, "ok: 4 records\n");

    DbfImage image = lotoImage();
    image.record({"50", "7", "7", "", "-1", "3"});
    image.rawRecord("?" + std::string(12, '1'));
    image.record({"a1", "2", "3", "4", "5", "6"});
    image.headerCount(9).tail("12345").endMarker(false);
    const std::string damaged = dir.file("damaged.dbf");
    image.writeTo(damaged);
    const std::string before = readFile(damaged);
    const auto found = runCli({"check", damaged});
    EXPECT_EQ(found.status, cli::kExitFailure);
    EXPECT_EQ(found.out,
              "header count 9, the file holds 7 records\n"
              "partial record of 5 bytes after record 7\n"
              "no end mark (0x1A) after the last record\n"
              "record 5: C1 50 is outside 1..49\n"
              "record 5: 7 appears more than once in the draw\n"
              "record 5: C4 is blank\n"
              "record 5: C5 -1 is outside 1..49\n"
              "record 6: deletion flag 0x3F is neither blank nor *\n"
              "record 6: 11 appears more than once in the draw\n"
              "record 7: C1 'a1' is not a number\n"
              "10 problems found\n");
    EXPECT_EQ(readFile(damaged), before) << "checking writes nothing";

    // A table of other fields gets the file and number checks only.
    DbfImage other;
    other.field("NAME", 'C', 4).field("K1", 'N', 3).record({"abcd", "500"}).record({"e", "?"});
    other.writeTo(dir.file("other.dbf"));
    const auto plain = runCli({"check", dir.file("other.dbf")});
    EXPECT_EQ(plain.out, "record 2: K1 '?' is not a number\n1 problem found\n");
}

TEST(CheckCommand, RepairMendsTheEndThroughACopyAndKeepsEveryWholeRecord) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    DbfImage image = lotoImage();
    image.headerCount(3).tail("1 2 3").endMarker(false);
    image.writeTo(path);
    const std::string before = readFile(path);

    const auto repaired = runCli({"check", path, "--repair"});
    EXPECT_EQ(repaired.status, cli::kExitOk) << repaired.out << repaired.err;
    EXPECT_EQ(repaired.out,
              "header count 3, the file holds 4 records\n"
              "partial record of 5 bytes after record 4\n"
              "no end mark (0x1A) after the last record\n"
              "repaired: header count 4, end mark in place, partial record cut\n"
              "ok: 4 records\n");
    std::string expected = before.substr(0, kHeader + 4 * kRecord) + "\x1A";
    expected[4] = 4;
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(filesIn(dir), 1u) << "no copy left behind";
    EXPECT_EQ(runCli({"check", path}).out, "ok: 4 records\n");

    // Damage the repair does not mend is still reported, with exit status 1.
    lotoImage().endMarker(false).record({"1", "1", "2", "3", "4", "5"}).writeTo(path);
    const auto partly = runCli({"check", path, "--repair"});
    EXPECT_EQ(partly.status, cli::kExitFailure);
    EXPECT_TRUE(partly.out.ends_with("repaired: header count 5, end mark in place\n1 problem found\n")) << partly.out;
    EXPECT_EQ(readFile(path).back(), '\x1A');
}

TEST(CheckCommand, RepairLeavesTheTableAsItWasWhenItCannotHaveItOrWriteTheCopy) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    lotoImage().endMarker(false).writeTo(path);
    const std::string before = readFile(path);

    // Another program has the table open (shared, as the program opens it).
    cli_test::expectRefusedWhileOpenElsewhere({"check", path, "--repair"}, path, true);

    for (const Call call : {Call::Write, Call::Move}) {
        const platform::FaultGuard fault({call, 0, 1, platform::code::kDiskFull, 0});
        const auto failed = runCli({"check", path, "--repair"});
        EXPECT_EQ(failed.status, cli::kExitFailure);
        EXPECT_EQ(failed.err, "Xbase Error 112, SubCode 1102.\n " + path + ">1102\nNo space left on device\n");
        EXPECT_EQ(readFile(path), before);
        EXPECT_EQ(filesIn(dir), 1u) << "the copy is removed";
    }
}

}  // namespace

TEST(CheckCommand, TheHighestNumbersAreSoundAndADrawThatStandsTwiceIsReported) {
    TempDir dir;
    DbfImage loto;
    for (int i = 1; i <= 6; ++i) loto.field("C" + std::to_string(i), 'N', 2);
    loto.record({"44", "45", "46", "47", "48", "49"}).writeTo(dir.file("lotobase.dbf"));
    EXPECT_EQ(runCli({"check", dir.file("lotobase.dbf")}).out, "ok: 1 record\n");
    DbfImage keno;
    std::vector<std::string> top;
    for (int i = 1; i <= 20; ++i) {
        keno.field("K" + std::to_string(i), 'N', 2);
        top.push_back(std::to_string(60 + i));
    }
    keno.record(top).writeTo(dir.file("kenobase.dbf"));
    EXPECT_EQ(runCli({"check", dir.file("kenobase.dbf")}).out, "ok: 1 record\n");

    // The same numbers in another order are the same draw; a deleted copy is no draw.
    lotoImage()
        .record({"6", "5", "4", "3", "2", "1"})
        .record({"1", "2", "3", "4", "5", "6"}, true)
        .writeTo(dir.file("twice.dbf"));
    const auto twice = runCli({"check", dir.file("twice.dbf")});
    EXPECT_EQ(twice.status, cli::kExitFailure);
    EXPECT_EQ(twice.out, "record 5: the same draw as record 1\n1 problem found\n");
}

TEST(CheckCommand, ATableTheAnalysesWouldRefuseAsItsGamesIsReported) {
    TempDir dir;
    const auto checked = [&](DbfImage image) {
        image.writeTo(dir.file("lotobase.dbf"));
        return runCli({"check", dir.file("lotobase.dbf")});
    };
    const std::string refused =
        dir.file("lotobase.dbf") +
        " is not a SuperLoto table: its first fields are not C1..C6, numeric\n1 problem found\n";
    DbfImage text;  // a number field of character type
    text.field("C1", 'N', 2).field("C2", 'C', 2);
    for (int i = 3; i <= 6; ++i) text.field("C" + std::to_string(i), 'N', 2);
    const auto textField = checked(text.record({"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(textField.status, cli::kExitFailure);
    EXPECT_EQ(textField.out, refused);
    DbfImage keno;  // a Keno field in the SuperLoto table
    keno.field("K1", 'N', 2);
    for (int i = 2; i <= 6; ++i) keno.field("C" + std::to_string(i), 'N', 2);
    EXPECT_EQ(checked(keno.record({"1", "2", "3", "4", "5", "6"})).out, refused);
    DbfImage unended;  // a name that fills its eleven bytes, without the closing zero
    unended.fieldRaw("C1AAAAAAAAA", 'N', 2, 0);
    for (int i = 2; i <= 6; ++i) unended.field("C" + std::to_string(i), 'N', 2);
    EXPECT_EQ(checked(unended.record({"1", "2", "3", "4", "5", "6"})).out, refused);

    // A repair mends the end of such a table and still reports it.
    text.endMarker(false).writeTo(dir.file("lotobase.dbf"));
    const auto repaired = runCli({"check", dir.file("lotobase.dbf"), "--repair"});
    EXPECT_EQ(repaired.status, cli::kExitFailure);
    EXPECT_EQ(repaired.out, "no end mark (0x1A) after the last record\n" + dir.file("lotobase.dbf") +
                                " is not a SuperLoto table: its first fields are not C1..C6, numeric\n"
                                "repaired: header count 1, end mark in place\n1 problem found\n");
}

TEST(CheckCommand, RepairKeepsRecordsPastTheHeadersCountOnlyWhenTheyAreValid) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    const std::string sound = lotoImage().bytes();
    // Zero bytes after the records, two records' worth; and an end mark followed by a partial record.
    for (const std::string& junk : {std::string(26, '\0'), "\x1A" + std::string(12, '7')}) {
        SCOPED_TRACE(junk.size());
        lotoImage().tail(junk).endMarker(false).writeTo(path);
        const std::uint32_t past = static_cast<std::uint32_t>(junk.size() / kRecord);
        const std::string dropped = past == 1 ? "record 5" : "records 5-6";
        const auto repaired = runCli({"check", path, "--repair"});
        EXPECT_EQ(repaired.status, cli::kExitOk) << repaired.out;
        EXPECT_TRUE(repaired.out.ends_with("repaired: header count 4, end mark in place, " + dropped +
                                           " past the header's count dropped (not valid records)\nok: 4 records\n"))
            << repaired.out;
        EXPECT_EQ(readFile(path), sound);
    }
}

TEST(CheckCommand, ReadsTheCountAndTheEndWhileNoOtherProgramAppends) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    lotoImage().writeTo(path);
    // When check reads the file's size after taking its lock, another program cannot append.
    bool appendByteFree = true;
    platform::beforeNextCall(Call::Lock, [&] {
        platform::beforeNextCall(Call::Size, [&] {
            appendByteFree = testsupport::ForeignLock(path, xb::kDefaultLocks.appendByte).locked();
        });
    });
    EXPECT_EQ(runCli({"check", path}).out, "ok: 4 records\n");
    platform::clearFaults();
    EXPECT_FALSE(appendByteFree);

    // While another program holds it for longer than an append waits, check says so.
    const testsupport::ForeignLock appending(path, xb::kDefaultLocks.appendByte);
    ASSERT_TRUE(appending.locked());
    const auto saved = XBO_dBaseDBF::appendPatience();
    XBO_dBaseDBF::setAppendPatience(std::chrono::milliseconds(20));
    const auto busy = runCli({"check", path});
    XBO_dBaseDBF::setAppendPatience(saved);
    EXPECT_EQ(busy.status, cli::kExitFailure);
    EXPECT_EQ(busy.err, "Record locked by another user - " + path + "\n");
}
