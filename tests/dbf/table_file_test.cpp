// Making table files: createTable's bytes and refusals, the free name a table made beside its
// place takes, the extension rule, and the new file that takes a table's place, each failing step
// of which leaves nothing behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "dbf/constants.h"
#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"
#include "tests/support/engine_fixture.h"
#include "platform/error_codes.h"
#include "platform/local_time.h"

namespace {

using platform::Call;
using platform::Fault;
using testsupport::expectXbaseError;
using testsupport::readFile;
using testsupport::writeFile;

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

class TableFile : public testsupport::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        platform::overrideLocalTime([] { return platform::LocalTime{2027, 3, 4, 5, 6, 7, 8}; });
    }
    void TearDown() override {
        platform::overrideLocalTime(nullptr);
        EngineTest::TearDown();
    }

    const std::vector<xb::FieldSpec> m_fields{{"NAME", 'C', 10, 0}, {"SUM", 'N', 8, 2}, {"DAY", 'D', 8, 0}};
};

TEST_F(TableFile, CreateTableWritesAnEmptyTableTheEngineOpens) {
    const std::string path = xb::createTable(m_dir.file("people.dbf"), m_fields, 0x65);
    EXPECT_EQ(path, m_dir.file("people.dbf"));
    const std::string bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 32u + 3 * 32 + 1 + 1);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x03\x1B\x03\x04", 4));
    EXPECT_EQ(static_cast<unsigned char>(bytes[xb::hdr::kLanguageDriver]), 0x65u);
    const std::uint32_t stamp = ((5 * 64 + 6) * 64 + 7) * 1024 + 8;
    EXPECT_EQ(xb::readLe32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + xb::hdr::kUpdateStamp), stamp);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\x0D\x1A");

    DBFObject table(path, "", false, true);
    EXPECT_EQ(table.recordCount(), 0u);
    EXPECT_EQ(table.recordLength(), 27u);
    ASSERT_EQ(table.fieldCount(), 3);
    EXPECT_EQ(table.fieldName(2), "SUM");
    EXPECT_EQ(table.fieldLength(2), 8u);
    EXPECT_EQ(table.fieldDecimals(2), 2);
    EXPECT_EQ(table.fieldType(3), 'D');
    table.close();
}

TEST_F(TableFile, CreateTableRefusesWhatIsThereAndAMissingFolder) {
    writeFile(m_dir.file("PEOPLE.DBF"), "kept");
    auto e = expectXbaseError([&] { xb::createTable(m_dir.file("people.dbf"), m_fields, 0); });
    EXPECT_EQ(e.Message(), "File already exists - " + m_dir.file("PEOPLE.DBF"));
    EXPECT_EQ(readFile(m_dir.file("PEOPLE.DBF")), "kept");
    EXPECT_FALSE(exists(m_dir.file("people.dbf")));

    e = expectXbaseError([&] { xb::createTable(m_dir.file("none/t.dbf"), m_fields, 0); });
    EXPECT_EQ(e.Message(), "Path not found - " + m_dir.file("none/t.dbf"));
}

TEST_F(TableFile, EveryFailingStepOfCreateTableLeavesNoFile) {
    for (const Fault& fault : {Fault{Call::Open, 0, 1, platform::code::kAccessDenied, 0},
                               Fault{Call::Write, 0, 1, platform::code::kDiskFull, 0},
                               Fault{Call::Close, 0, 1, platform::code::kWriteFault, 0}}) {
        SCOPED_TRACE(static_cast<int>(fault.call));
        platform::FaultGuard guard(fault);
        const auto e = expectXbaseError([&] { xb::createTable(m_dir.file("t.dbf"), m_fields, 0); });
        EXPECT_EQ(e.Code(), static_cast<int>(fault.code));
        EXPECT_EQ(e.Location(), fault.call == Call::Open ? xb::loc::kCreate : xb::loc::kWrite);
        EXPECT_FALSE(exists(m_dir.file("t.dbf")));
    }
}

TEST_F(TableFile, ATableMadeBesideItsPlaceTakesOnlyAFreeName) {
    // The free path is the full one; whatever stands there, in any letter case, is refused by it.
    EXPECT_EQ(xb::freeTablePath(m_dir.file("people.dbf"), m_dir.path()), m_dir.file("people.dbf"));
    writeFile(m_dir.file("PEOPLE.DBF"), "kept");
    ASSERT_EQ(::mkdir(m_dir.file("folder.dbf").c_str(), 0700), 0);
    for (const char* name : {"people.dbf", "folder.dbf"}) {
        SCOPED_TRACE(name);
        const auto e = expectXbaseError([&] { xb::freeTablePath(m_dir.file(name), m_dir.path()); });
        EXPECT_EQ(e.Code(), static_cast<int>(platform::code::kAlreadyExists));
        EXPECT_EQ(e.Location(), xb::loc::kCreate);
    }

    // The rename never replaces: the file there stays, and so does the scratch file, until removed.
    writeFile(m_dir.file("t.new"), "new");
    const auto e = expectXbaseError([&] { xb::renameToFreeName(m_dir.file("t.new"), m_dir.file("PEOPLE.DBF")); });
    EXPECT_EQ(e.Message(), "File already exists - " + m_dir.file("PEOPLE.DBF"));
    EXPECT_EQ(e.Location(), xb::loc::kRename);
    EXPECT_EQ(readFile(m_dir.file("PEOPLE.DBF")), "kept");
    xb::renameToFreeName(m_dir.file("t.new"), m_dir.file("t.dbf"));
    EXPECT_EQ(readFile(m_dir.file("t.dbf")), "new");
    EXPECT_FALSE(exists(m_dir.file("t.new")));
    xb::removeScratchFile(m_dir.file("t.dbf"));
    EXPECT_FALSE(exists(m_dir.file("t.dbf")));
}

TEST_F(TableFile, TheExtensionIsAddedOnlyWhereItIsWanted) {
    EXPECT_TRUE(xb::lacksTableExtension(m_dir.file("lotobase")));
    EXPECT_FALSE(xb::lacksTableExtension(m_dir.file("lotobase.dbf")));
    writeFile(m_dir.file("plain"), "");
    EXPECT_FALSE(xb::lacksTableExtension(m_dir.file("plain")));
    EXPECT_TRUE(xb::lacksTableExtension(m_dir.file("a.b/name")));
}

TEST_F(TableFile, ANewFileTakesTheTablesPlaceWithItsAccessOrIsRemoved) {
    const std::string path = xb::createTable(m_dir.file("t.dbf"), m_fields, 0);
    ::chmod(path.c_str(), 0640);
    const std::vector<std::uint8_t> image = xb::emptyTableImage({{"ONLY", 'L', 1, 0}}, 0);
    const std::string placed(image.begin(), image.end());
    {
        DBFObject table(path, "", true, false);
        xb::NewTableFile copy(path + ".new");
        copy.append(placed.data(), static_cast<std::uint32_t>(placed.size()));
        copy.placeOver(table);
    }
    EXPECT_EQ(readFile(path), placed);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_FALSE(exists(path + ".new"));

    for (const Fault& fault : {Fault{Call::Write, 0, 1, platform::code::kDiskFull, 0},
                               Fault{Call::Flush, 0, 1, platform::code::kWriteFault, 0},
                               Fault{Call::Move, 0, 1, platform::code::kAccessDenied, 0}}) {
        SCOPED_TRACE(static_cast<int>(fault.call));
        DBFObject table(path, "", true, false);
        platform::FaultGuard guard(fault);
        expectXbaseError([&] {
            xb::NewTableFile copy(path + ".new");
            copy.append("xyz", 3);
            copy.placeOver(table);
        });
        EXPECT_FALSE(exists(path + ".new"));
        EXPECT_EQ(readFile(path), placed);
    }
    // A file already in the way is refused, not emptied.
    writeFile(path + ".new", "someone's");
    const auto e = expectXbaseError([&] { xb::NewTableFile copy(path + ".new"); });
    EXPECT_EQ(e.Code(), static_cast<int>(platform::code::kAlreadyExists));
    EXPECT_EQ(readFile(path + ".new"), "someone's");
}

}  // namespace
