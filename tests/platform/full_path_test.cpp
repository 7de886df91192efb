// Full-path expansion: folding of "." and "..", and names matched without regard to letter case.
#include "platform/error_codes.h"
#include "platform/os_file.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

using namespace platform;
using testsupport::CwdGuard;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// The scratch directory as the system spells it; /tmp itself could be a link elsewhere.
std::string realPathOf(const TempDir& dir) { return std::filesystem::canonical(dir.path()).string(); }

// Makes Dir/lotobase.dbf in `dir`.
void makeLotoTableInDir(const std::string& dir) {
    ASSERT_EQ(::mkdir((dir + "/Dir").c_str(), 0777), 0);
    writeFile(dir + "/Dir/lotobase.dbf", "");
}

}  // namespace

TEST(FullPath, AbsoluteNamesAreFoldedLexically) {
    TempDir scratch;
    const std::string dir = realPathOf(scratch);
    ASSERT_NO_FATAL_FAILURE(makeLotoTableInDir(dir));

    setLastError(77);
    EXPECT_EQ(fullPath(dir + "/Dir/lotobase.dbf"), dir + "/Dir/lotobase.dbf");
    EXPECT_EQ(lastError(), code::kSuccess);
    EXPECT_EQ(fullPath(dir + "/./Dir/../Dir/./lotobase.dbf"), dir + "/Dir/lotobase.dbf");
    EXPECT_EQ(fullPath(dir + "//Dir///lotobase.dbf"), dir + "/Dir/lotobase.dbf");
    EXPECT_EQ(fullPath(dir + "/Dir/"), dir + "/Dir");
    // ".." is taken by the letters: through a missing directory as well as an existing one.
    EXPECT_EQ(fullPath(dir + "/nothing/../Dir/lotobase.dbf"), dir + "/Dir/lotobase.dbf");
    EXPECT_EQ(fullPath("/"), "/");
    EXPECT_EQ(fullPath("/.."), "/");
    EXPECT_EQ(fullPath("/../../tmp/.."), "/");
}

TEST(FullPath, LetterCaseOfDirectoriesAndFilesIsTakenFromTheDisk) {
    TempDir scratch;
    const std::string dir = realPathOf(scratch);
    ASSERT_NO_FATAL_FAILURE(makeLotoTableInDir(dir));

    for (const auto& [given, found] : {std::pair{"/DIR/LOTOBASE.DBF", "/Dir/lotobase.dbf"},
                                       std::pair{"/dir/LotoBase.Dbf", "/Dir/lotobase.dbf"}, std::pair{"/dIR", "/Dir"}})
        EXPECT_EQ(fullPath(dir + given), dir + found) << given;
    EXPECT_EQ(lastError(), code::kSuccess);
}

TEST(FullPath, ExactSpellingWinsThenByteOrder) {
    TempDir scratch;
    const std::string dir = realPathOf(scratch);
    writeFile(dir + "/data.dbf", "");
    writeFile(dir + "/DATA.DBF", "");
    writeFile(dir + "/Data.dbf", "");

    EXPECT_EQ(fullPath(dir + "/data.dbf"), dir + "/data.dbf");
    EXPECT_EQ(fullPath(dir + "/Data.dbf"), dir + "/Data.dbf");
    EXPECT_EQ(fullPath(dir + "/DATA.DBF"), dir + "/DATA.DBF");
    // No exact match: the first of DATA.DBF, Data.dbf, data.dbf in byte order.
    EXPECT_EQ(fullPath(dir + "/dAtA.dBf"), dir + "/DATA.DBF");
}

TEST(FullPath, CyrillicLettersMatchWithoutRegardToCase) {
    TempDir scratch;
    const std::string dir = realPathOf(scratch);
    ASSERT_EQ(::mkdir((dir + "/Архив").c_str(), 0777), 0);
    writeFile(dir + "/Архив/ёлка.dbf", "");
    writeFile(dir + "/Архив/ЁЖИК ЯЩЕР.DBF", "");
    writeFile(dir + "/Архив/абвгдежзийклмнопрстуфхцчшщъыьэюя", "");

    EXPECT_EQ(fullPath(dir + "/АРХИВ/ЁЛКА.DBF"), dir + "/Архив/ёлка.dbf");
    EXPECT_EQ(fullPath(dir + "/архив/ёжик ящер.dbf"), dir + "/Архив/ЁЖИК ЯЩЕР.DBF");
    EXPECT_EQ(fullPath(dir + "/архив/АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"),
              dir + "/Архив/абвгдежзийклмнопрстуфхцчшщъыьэюя");
    // Е and Ё are different letters.
    EXPECT_EQ(fullPath(dir + "/Архив/елка.dbf"), dir + "/Архив/елка.dbf");
}

TEST(FullPath, MissingComponentsAreKeptAsGiven) {
    TempDir scratch;
    const std::string dir = realPathOf(scratch);
    ASSERT_NO_FATAL_FAILURE(makeLotoTableInDir(dir));

    for (const auto& [given, found] :
         {std::pair{"/DIR/NEW.DBF", "/Dir/NEW.DBF"}, std::pair{"/NoSuch/LOTOBASE.DBF", "/NoSuch/LOTOBASE.DBF"}})
        EXPECT_EQ(fullPath(dir + given), dir + found) << given;
    EXPECT_EQ(lastError(), code::kSuccess);
}

TEST(FullPath, RelativeNamesAreJoinedToTheCurrentDirectoryAtCallTime) {
    TempDir scratch;
    const std::string dir = realPathOf(scratch);
    ASSERT_EQ(::mkdir((dir + "/One").c_str(), 0777), 0);
    ASSERT_EQ(::mkdir((dir + "/Two").c_str(), 0777), 0);
    writeFile(dir + "/One/lotobase.dbf", "");

    CwdGuard restore;
    ASSERT_EQ(::chdir((dir + "/One").c_str()), 0);
    EXPECT_EQ(fullPath("LOTOBASE.DBF"), dir + "/One/lotobase.dbf");
    EXPECT_EQ(fullPath("./lotobase.dbf"), dir + "/One/lotobase.dbf");
    EXPECT_EQ(fullPath("../two/x.dbf"), dir + "/Two/x.dbf");
    EXPECT_EQ(fullPath(""), dir + "/One");
    EXPECT_EQ(fullPath("."), dir + "/One");

    ASSERT_EQ(::chdir((dir + "/Two").c_str()), 0);
    EXPECT_EQ(fullPath("LOTOBASE.DBF"), dir + "/Two/LOTOBASE.DBF");
    EXPECT_EQ(fullPath("../ONE/LOTOBASE.DBF"), dir + "/One/lotobase.dbf");
    EXPECT_EQ(fullPath(""), dir + "/Two");
}
