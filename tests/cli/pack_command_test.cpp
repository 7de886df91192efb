// `sharometr-cli pack`: the deleted records removed by a new file renamed over the table, the
// table in exclusive use, and a failure at any step leaving the table as it was.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "cli_test_helpers.h"
#include "dbf/table_handler.h"
#include "platform/fault_injection.h"

namespace {

using cli_test::runCli;
using testsupport::DbfImage;
using testsupport::le32;
using testsupport::readFile;
using testsupport::TempDir;

constexpr platform::LocalTime kNow{2031, 7, 4, 12, 30, 15, 250};

DbfImage table(bool withDeleted) {
    DbfImage image;
    for (int i = 1; i <= 6; ++i) image.field("C" + std::to_string(i), 'N', 2);
    image.codePage(0x65);
    image.record({"1", "2", "3", "4", "5", "6"});
    image.record({"11", "12", "13", "14", "15", "16"}, withDeleted);
    image.record({"21", "22", "23", "24", "25", "26"});
    image.record({"31", "32", "33", "34", "35", "36"}, withDeleted);
    image.record({"41", "42", "43", "44", "45", "46"}, withDeleted);
    return image;
}

std::vector<std::string> filesIn(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PackCommand, RemovesTheDeletedRecordsAndNothingElse) {
    TempDir dir;
    const cli_test::FixedClock clock(kNow);
    const std::string path = dir.file("lotobase.dbf");
    const DbfImage image = table(true);
    image.writeTo(path);
    const std::string before = readFile(path);

    const auto packed = runCli({"pack", path});
    EXPECT_EQ(packed.status, cli::kExitOk) << packed.err;
    EXPECT_EQ(packed.out, "removed 3 records, kept 2\n");
    const std::string after = readFile(path);
    std::string expected = before.substr(0, 225) + before.substr(image.recordOffset(1), 13) +
                           before.substr(image.recordOffset(3), 13) + "\x1A";
    expected.replace(1, 3, std::string("\x1F\x07\x04", 3));
    expected.replace(4, 4, le32(2));
    expected.replace(16, 4, le32(static_cast<std::int32_t>(cli_test::updateStamp(kNow))));
    EXPECT_TRUE(after == expected);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"lotobase.dbf"});

    // Nothing deleted: the table is not rewritten at all.
    const auto again = runCli({"pack", path});
    EXPECT_EQ(again.out, "removed 0 records, kept 2\n");
    EXPECT_TRUE(readFile(path) == after);
}

TEST(PackCommand, AFailureAtAnyStepLeavesTheTableWhole) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    table(true).writeTo(path);
    const std::string before = readFile(path);

    // The new file's write, its flush, and the rename over the table.
    for (const platform::Fault& fault :
         {platform::Fault{platform::Call::Write, 1, -1, 112, 0}, platform::Fault{platform::Call::Flush, 0, -1, 29, 0},
          platform::Fault{platform::Call::Move, 0, -1, 5, 0}}) {
        SCOPED_TRACE(static_cast<int>(fault.call));
        const platform::FaultGuard guard(fault);
        const auto failed = runCli({"pack", path});
        EXPECT_EQ(failed.status, cli::kExitFailure);
        EXPECT_EQ(failed.out, "");
        // The engine's message about the new file, then what became of the table.
        EXPECT_NE(failed.err.find(path + "."), std::string::npos) << failed.err;
        EXPECT_TRUE(failed.err.ends_with("\n" + path + " is left as it was\n")) << failed.err;
        EXPECT_TRUE(readFile(path) == before);
        EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"lotobase.dbf"});
    }
    EXPECT_EQ(runCli({"pack", path}).status, cli::kExitOk);
}

TEST(PackCommand, NeedsTheTableInExclusiveUse) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    table(true).writeTo(path);
    // Another program with the table open, as the main window keeps it.
    cli_test::expectRefusedWhileOpenElsewhere({"pack", path}, path, false);
    EXPECT_EQ(runCli({"pack", path}).out, "removed 3 records, kept 2\n");

    cli_test::expectUsageErrors("pack", {{{"pack"}, "missing FILE argument"}});
}

TEST(PackCommand, KeepsEveryRecordNotMarkedDeletedAndTheTablesRealFileNamesAndAccess) {
    TempDir dir;
    const cli_test::FixedClock clock(kNow);
    const std::string path = dir.file("lotobase.dbf");
    // A record whose flag is neither blank nor * is no deleted record: pack keeps it.
    DbfImage image = table(true);
    image.rawRecord("?" + std::string(12, '5'));
    image.writeTo(path);
    const std::string odd = readFile(path).substr(image.recordOffset(6), 13);
    ::chmod(path.c_str(), 0640);
    // Reached through a symbolic link; a scratch file of a killed pack lies beside the table.
    const std::string link = dir.file("link.dbf");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    testsupport::writeFile(path + ".4194305.pack", "left by a killed pack");

    const auto packed = runCli({"pack", link});
    EXPECT_EQ(packed.status, cli::kExitOk) << packed.err;
    EXPECT_EQ(packed.out, "removed 3 records, kept 3\n");
    const std::string after = readFile(path);
    EXPECT_EQ(after.substr(4, 4), le32(3));
    EXPECT_EQ(after.size(), 225u + 3 * 13 + 1);
    EXPECT_EQ(after.substr(225 + 2 * 13, 13), odd);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"link.dbf", "lotobase.dbf"}));

    // A table with a second name is refused: the new file would part the names.
    table(true).writeTo(path);
    const std::string before = readFile(path);
    ASSERT_EQ(::link(path.c_str(), dir.file("second.dbf").c_str()), 0);
    const auto refused = runCli({"pack", path});
    EXPECT_EQ(refused.status, cli::kExitFailure);
    EXPECT_EQ(refused.err, "Table file has more than one name (hard links), a new copy would part them - " + path +
                               "\n" + path + " is left as it was\n");
    EXPECT_TRUE(readFile(path) == before);
}

TEST(PackCommand, AWriterThatPackOvertakesWritesIntoThePackedTable) {
    TempDir dir;
    const std::string path = dir.file("lotobase.dbf");
    table(true).writeTo(path);
    // Another program packs the table when told to.
    testsupport::Child packer([&](testsupport::Child& self) {
        self.hear();
        self.tell(runCli({"pack", path}).status == cli::kExitOk ? 'P' : 'F');
        return 0;
    });
    // It packs after the writer's open, before the writer's share lock.
    platform::beforeNextCall(platform::Call::ShareLock, [&] {
        packer.send('G');
        EXPECT_EQ(packer.receive(), 'P');
    });
    const auto added = runCli({"add", path, "7", "8", "9", "10", "11", "12"});
    platform::clearFaults();
    EXPECT_EQ(added.status, cli::kExitOk) << added.err;
    EXPECT_EQ(added.out, "appended record 3\n") << "after the two records the pack kept";
    const std::string after = readFile(path);
    EXPECT_EQ(after.size(), 225u + 3 * 13 + 1);
    EXPECT_EQ(after.substr(225 + 2 * 13, 13), "  7 8 9101112");
    EXPECT_EQ(packer.wait(), 0);
}

}  // namespace
