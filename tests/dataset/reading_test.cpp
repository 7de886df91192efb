// The table dataset read side: opening and where it looks for the table, the field objects made
// for each column type, field values, the cursor and its marks, counting, record numbers,
// bookmarks, the code pages, and the failures a user can meet while a table opens or is read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/dataset/xbase_test_util.h"
#include "tests/support/child_process.h"

namespace {

using testsupport::DbfImage;
using xbtest::failureOf;
using xbtest::writeDrawTable;

class ReadingTest : public xbtest::XbaseDataSetTest {};

std::vector<int> walk(TXbaseDataSet& ds) {
    std::vector<int> seen;
    ds.First();
    while (!ds.Eof()) {
        seen.push_back(ds.RecNo());
        ds.Next();
    }
    return seen;
}

std::string upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string executableDirectory() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string();
    const std::string path(buffer, static_cast<std::size_t>(length));
    return path.substr(0, path.find_last_of('/'));
}

TEST_F(ReadingTest, EmptyTableHasNoRowsAndEveryFieldIsNull) {
    writeDrawTable("lotobase.dbf", 0);
    auto ds = dataSet();
    ds->Open();
    ASSERT_TRUE(ds->Active());
    EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
    ds->First();
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->Eof());
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_EQ(ds->RecordCount(), 0);
    ds->SetExactCount(false);
    EXPECT_EQ(ds->RecordCount(), 0);
    EXPECT_EQ(ds->RecNo(), 0);
    ASSERT_EQ(ds->FieldCount(), 6);
    for (int i = 0; i < ds->FieldCount(); ++i) {
        EXPECT_TRUE(ds->Fields(i).IsNull()) << ds->Fields(i).FieldName();
        EXPECT_EQ(ds->Fields(i).AsString(), "") << ds->Fields(i).FieldName();
        EXPECT_EQ(ds->Fields(i).AsInteger(), 0) << ds->Fields(i).FieldName();
    }
    ds->Last();
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->Eof());
    ds->Next();
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 0);
}

TEST_F(ReadingTest, FieldObjectsFollowTheColumnTypes) {
    DbfImage image;
    image.field("NAME", 'C', 10)
        .field("PRICE", 'N', 6, 2)
        .field("WIDE", 'N', 5)
        .field("NARROW", 'N', 4)
        .field("BALL", 'N', 2)
        .field("RATE", 'F', 8, 3)
        .field("FCOUNT", 'F', 6)
        .field("FLAG", 'L', 1)
        .field("DAY", 'D', 8)
        .field("NOTE", 'C', 300);
    image.record({"Ivanov", "12.50", "12345", "1234", "7", "3.125", "123456", "T", "20010215", "long text"});
    image.record({"", "", "", "", "", "", "", "F", "", ""});
    image.writeTo(path("types.dbf"));

    auto ds = dataSet("types.dbf");
    ds->Open();
    struct Expected {
        const char* name;
        TFieldType type;
        int size;
    };
    const std::vector<Expected> expected = {
        {"NAME", TFieldType::ftString, 10},    {"PRICE", TFieldType::ftFloat, 0},   {"WIDE", TFieldType::ftInteger, 0},
        {"NARROW", TFieldType::ftSmallint, 0}, {"BALL", TFieldType::ftSmallint, 0}, {"RATE", TFieldType::ftFloat, 0},
        {"FCOUNT", TFieldType::ftInteger, 0},  {"FLAG", TFieldType::ftBoolean, 0},  {"DAY", TFieldType::ftDate, 0},
        {"NOTE", TFieldType::ftString, 300},
    };
    ASSERT_EQ(ds->FieldDefs().size(), expected.size());
    ASSERT_EQ(ds->FieldCount(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TFieldDef& def = ds->FieldDefs()[i];
        EXPECT_EQ(def.Name, expected[i].name);
        EXPECT_EQ(def.DataType, expected[i].type) << def.Name;
        EXPECT_EQ(def.Size, expected[i].size) << def.Name;
        EXPECT_FALSE(def.Required) << def.Name;
        const TField& field = ds->Fields(static_cast<int>(i));
        EXPECT_EQ(field.FieldName(), expected[i].name);
        EXPECT_EQ(field.DataType(), expected[i].type) << def.Name;
        EXPECT_EQ(&ds->FieldByName(expected[i].name), &field);
    }
    // The classes, which decide how values are converted and checked.
    EXPECT_NE(dynamic_cast<const TStringField*>(&ds->Fields(0)), nullptr);
    EXPECT_EQ(ds->Fields(0).Size(), 10);
    EXPECT_NE(dynamic_cast<const TFloatField*>(&ds->Fields(1)), nullptr);
    EXPECT_NE(dynamic_cast<const TIntegerField*>(&ds->Fields(2)), nullptr);
    EXPECT_EQ(dynamic_cast<const TSmallintField*>(&ds->Fields(2)), nullptr) << "length 5 is an integer column";
    EXPECT_NE(dynamic_cast<const TSmallintField*>(&ds->Fields(3)), nullptr) << "length 4 is a smallint column";
    EXPECT_NE(dynamic_cast<const TSmallintField*>(&ds->Fields(4)), nullptr);
    EXPECT_NE(dynamic_cast<const TFloatField*>(&ds->Fields(5)), nullptr);
    EXPECT_NE(dynamic_cast<const TIntegerField*>(&ds->Fields(6)), nullptr);
    EXPECT_EQ(dynamic_cast<const TSmallintField*>(&ds->Fields(6)), nullptr);
    EXPECT_NE(dynamic_cast<const TBooleanField*>(&ds->Fields(7)), nullptr);
    EXPECT_NE(dynamic_cast<const TDateField*>(&ds->Fields(8)), nullptr);
    EXPECT_NE(dynamic_cast<const TStringField*>(&ds->Fields(9)), nullptr);
    EXPECT_EQ(ds->Fields(9).Size(), 300);

    ds->First();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "Ivanov");
    EXPECT_DOUBLE_EQ(ds->FieldByName("PRICE").AsFloat(), 12.5);
    EXPECT_EQ(ds->FieldByName("WIDE").AsInteger(), 12345);
    EXPECT_EQ(ds->FieldByName("NARROW").AsInteger(), 1234);
    EXPECT_EQ(ds->FieldByName("BALL").AsInteger(), 7);
    EXPECT_DOUBLE_EQ(ds->FieldByName("RATE").AsFloat(), 3.125);
    EXPECT_EQ(ds->FieldByName("FCOUNT").AsInteger(), 123456);
    EXPECT_TRUE(ds->FieldByName("FLAG").AsBoolean());
    EXPECT_DOUBLE_EQ(ds->FieldByName("DAY").AsDateTime(), EncodeDate(2001, 2, 15));
    EXPECT_EQ(ds->FieldByName("NOTE").AsString(), "long text");
    ds->Next();
    EXPECT_FALSE(ds->FieldByName("FLAG").AsBoolean());
    EXPECT_TRUE(ds->FieldByName("NAME").IsNull());
    EXPECT_FALSE(ds->FieldByName("PRICE").IsNull()) << "a blank number reads as 0";
    EXPECT_DOUBLE_EQ(ds->FieldByName("PRICE").AsFloat(), 0.0);
    EXPECT_FALSE(ds->FieldByName("WIDE").IsNull());
    EXPECT_EQ(ds->FieldByName("WIDE").AsString(), "0");
}

TEST_F(ReadingTest, NumberColumnsReadAsRoundedIntegersAndBlanksAsZero) {
    DbfImage image;
    image.field("C1", 'N', 2).field("C2", 'N', 3).field("C3", 'N', 5).field("C4", 'N', 12);
    image.record({"", "7.5", "6.5", "42"});
    image.record({" 5", "2.5", "-2.5", "5000000000"});
    image.record({"12", "3.4", "3.6", "-7"});
    image.writeTo(path("numbers.dbf"));

    auto ds = dataSet("numbers.dbf");
    ds->Open();
    ds->First();
    TField& blank = ds->Fields(0);
    EXPECT_FALSE(blank.IsNull());
    EXPECT_EQ(blank.AsInteger(), 0);
    EXPECT_EQ(blank.AsString(), "0");
    // Halves go to the even neighbour.
    EXPECT_EQ(ds->Fields(1).AsInteger(), 8);
    EXPECT_EQ(ds->Fields(1).AsString(), "8");
    EXPECT_EQ(ds->Fields(2).AsInteger(), 6);
    EXPECT_EQ(ds->Fields(2).AsString(), "6");
    EXPECT_EQ(ds->Fields(3).AsInteger(), 42);
    EXPECT_EQ(ds->Fields(3).AsString(), "42") << "no padding";

    ds->Next();
    EXPECT_EQ(ds->Fields(0).AsInteger(), 5);
    EXPECT_EQ(ds->Fields(0).AsString(), "5");
    EXPECT_EQ(ds->Fields(1).AsInteger(), 2);
    EXPECT_EQ(ds->Fields(2).AsInteger(), -2);
    // A value beyond 32 bits cannot be an integer value.
    EXPECT_THROW(ds->Fields(3).AsInteger(), ERangeError);

    ds->Next();
    EXPECT_EQ(ds->Fields(0).AsInteger(), 12);
    EXPECT_EQ(ds->Fields(1).AsInteger(), 3);
    EXPECT_EQ(ds->Fields(2).AsInteger(), 4);
    EXPECT_EQ(ds->Fields(3).AsString(), "-7");
}

TEST_F(ReadingTest, CharacterAndDateFieldsReadAsTheFileHoldsThem) {
    DbfImage image;
    image.field("NAME", 'C', 4).field("DAY", 'D', 8);
    image.record({"AB  ", "20010215"});
    image.record({"    ", "00000000"});
    image.record({"  AB", "20011315"});
    image.record({"A B", "20010230"});
    image.record({"ABCD", ""});
    image.record({"X", "2001021"});
    image.writeTo(path("texts.dbf"));

    auto ds = dataSet("texts.dbf");
    ds->Open();
    TField& name = ds->Fields(0);
    TField& day = ds->Fields(1);
    ds->First();
    EXPECT_EQ(name.AsString(), "AB");
    EXPECT_FALSE(name.IsNull());
    EXPECT_FALSE(day.IsNull());
    EXPECT_DOUBLE_EQ(day.AsDateTime(), EncodeDate(2001, 2, 15));
    EXPECT_DOUBLE_EQ(day.AsDateTime(), 36937.0);
    EXPECT_EQ(day.AsString(), "15.02.2001");

    ds->Next();
    EXPECT_TRUE(name.IsNull()) << "only blanks";
    EXPECT_EQ(name.AsString(), "");
    EXPECT_TRUE(day.IsNull()) << "00000000";
    EXPECT_EQ(day.AsString(), "");

    ds->Next();
    EXPECT_EQ(name.AsString(), "  AB") << "leading blanks stay";
    EXPECT_TRUE(day.IsNull()) << "month 13";

    ds->Next();
    EXPECT_EQ(name.AsString(), "A B");
    EXPECT_TRUE(day.IsNull()) << "30 February";

    ds->Next();
    EXPECT_EQ(name.AsString(), "ABCD");
    EXPECT_TRUE(day.IsNull()) << "blank";

    ds->Next();
    EXPECT_TRUE(day.IsNull()) << "seven characters";
}

TEST_F(ReadingTest, CharacterFieldsConvertBetweenTheTableAndTheProgramCodePage) {
    DbfImage image;
    image.field("NAME", 'C', 4);
    // CP866: А а р Ё
    image.record({"\x80\xA0\xE0\xF0"});
    image.record({"Ab1 "});
    image.writeTo(path("names.dbf"));

    {
        auto ds = dataSet("names.dbf");
        ASSERT_TRUE(ds->TranslateASCII()) << "on by default";
        ds->Open();
        ds->First();
        // CP1251: А а р Ё
        EXPECT_EQ(ds->Fields(0).AsString(), "\xC0\xE0\xF0\xA8");
        ds->Next();
        EXPECT_EQ(ds->Fields(0).AsString(), "Ab1") << "ASCII passes unchanged";

        // Written back in the table's code page: CP1251 Б б becomes CP866 0x81 0xA1.
        ds->First();
        ds->Edit();
        ds->Fields(0).SetAsString("\xC1\xE1");
        EXPECT_EQ(ds->Fields(0).AsString(), "\xC1\xE1");
        ds->Post();
        EXPECT_EQ(bytes("names.dbf").substr(image.recordOffset(1), 5), std::string(" \x81\xA1  "));
    }
    {
        auto ds = dataSet("names.dbf");
        ds->SetTranslateASCII(false);
        ds->Open();
        ds->First();
        EXPECT_EQ(ds->Fields(0).AsString(), "\x81\xA1");
        ds->Edit();
        ds->Fields(0).SetAsString("\xC1\xE1");
        ds->Post();
        EXPECT_EQ(bytes("names.dbf").substr(image.recordOffset(1), 5), std::string(" \xC1\xE1  "));
    }
}

// Places among the records shown skip the hidden ones; every record counted or shown, they are
// the record numbers.
TEST_F(ReadingTest, PlacesCountTheRecordsShownAndLeadBackToThem) {
    writeDrawTable("lotobase.dbf", 10, {1, 4, 5, 10});
    auto ds = dataSet();
    ds->Open();
    for (const auto& [place, record] : std::vector<std::pair<int, int>>{{1, 2}, {3, 6}, {6, 9}}) {
        ds->SetSequenceNo(place);
        EXPECT_EQ(ds->RecNo(), record);
        EXPECT_EQ(ds->SequenceNo(), place);
    }
    ds->SetUseDeleted(true);
    ds->SetSequenceNo(4);
    EXPECT_EQ(ds->RecNo(), 4);
    ds->SetExactCount(false);
    ds->SetUseDeleted(false);
    ds->SetRecNo(7);
    EXPECT_EQ(ds->SequenceNo(), 7) << "the physical count goes with the record number";
}

TEST_F(ReadingTest, HiddenDeletedRecordsAreLeftOutOfTheExactCountOnly) {
    writeDrawTable("lotobase.dbf", 3, {1});
    auto ds = dataSet();
    ASSERT_FALSE(ds->UseDeleted()) << "hidden by default";
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 2);
    ds->SetExactCount(false);
    EXPECT_EQ(ds->RecordCount(), 3) << "the physical count includes deleted records";
    ds->SetExactCount(true);

    ds->First();
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 2);
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    ds->Last();
    EXPECT_EQ(ds->RecNo(), 3) << "the physical number, above the count";
    ds->Prior();
    EXPECT_EQ(ds->RecNo(), 2);
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->RecNo(), 2);

    // Handed to the engine at once while open.
    ds->SetUseDeleted(true);
    EXPECT_EQ(ds->RecordCount(), 3);
    ds->First();
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 1);
    EXPECT_EQ(walk(*ds), (std::vector<int>{1, 2, 3}));
    ds->SetUseDeleted(false);
    EXPECT_EQ(walk(*ds), (std::vector<int>{2, 3}));
}

TEST_F(ReadingTest, TheCursorStopsOnTheFirstAndLastRecords) {
    writeDrawTable("lotobase.dbf", 3);
    auto ds = dataSet();
    ds->Open();
    EXPECT_TRUE(ds->Bof()) << "an open table stands on its first record";
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 1);
    ds->Next();
    ds->Next();
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_FALSE(ds->Eof());
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 3) << "the cursor stays on the last record";
    EXPECT_EQ(ds->Fields(0).AsInteger(), 3);
    EXPECT_EQ(ds->Fields(5).AsInteger(), 53);
    ds->Prior();
    EXPECT_FALSE(ds->Eof());
    EXPECT_FALSE(ds->Bof());
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 2);
    ds->Prior();
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->RecNo(), 1);

    ds->Last();
    EXPECT_TRUE(ds->Eof());
    EXPECT_FALSE(ds->Bof());
    EXPECT_EQ(ds->RecNo(), 3);
    ds->First();
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 1);

    EXPECT_EQ(ds->MoveBy(2), 2);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(ds->MoveBy(5), 0);
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->MoveBy(-5), -2);
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->RecNo(), 1);
}

TEST_F(ReadingTest, OneRecordTableIsBothFirstAndLast) {
    writeDrawTable("lotobase.dbf", 1);
    auto ds = dataSet();
    ds->Open();
    ds->Last();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 1);
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(ds->RecNo(), 1) << "the cursor stays on the only record";
    EXPECT_EQ(ds->Fields(0).AsInteger(), 1);
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(ds->RecordCount(), 1);
}

TEST_F(ReadingTest, CountingAndRecordNumbersLeaveTheCursorWhereItIs) {
    writeDrawTable("lotobase.dbf", 10);
    auto ds = dataSet();
    ds->Open();
    EXPECT_EQ(ds->MoveBy(3), 3);
    ASSERT_EQ(ds->RecNo(), 4);
    EXPECT_EQ(ds->RecordCount(), 10);
    EXPECT_EQ(ds->RecNo(), 4);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 4);
    ds->Next();
    EXPECT_EQ(ds->RecNo(), 5) << "the engine is back on the record the count started from";
    EXPECT_EQ(ds->Fields(0).AsInteger(), 5);
    ds->SetExactCount(false);
    EXPECT_EQ(ds->RecordCount(), 10);

    ds->SetRecNo(7);
    EXPECT_EQ(ds->RecNo(), 7);
    EXPECT_EQ(ds->Fields(1).AsInteger(), 17);
    ds->Prior();
    EXPECT_EQ(ds->RecNo(), 6);
    EXPECT_TRUE(ds->IsSequenced());
}

TEST_F(ReadingTest, BookmarksNameThePhysicalRecord) {
    writeDrawTable("lotobase.dbf", 10);
    auto ds = dataSet();
    ds->Open();
    ds->SetRecNo(2);
    const TBookmarkStr second = ds->Bookmark();
    ds->SetRecNo(10);
    const TBookmarkStr tenth = ds->Bookmark();
    // Ten characters, the number right-aligned; the zero byte that ends the 11 may come along.
    ASSERT_TRUE(second.size() == 10 || (second.size() == 11 && second[10] == '\0')) << second.size();
    EXPECT_EQ(second.substr(0, 10), "         2");
    EXPECT_EQ(tenth.substr(0, 10), "        10");

    EXPECT_LT(ds->CompareBookmarks(second, tenth), 0) << "ordered by record number, not by digits";
    EXPECT_GT(ds->CompareBookmarks(tenth, second), 0);
    EXPECT_EQ(ds->CompareBookmarks(tenth, tenth), 0);
    EXPECT_LT(ds->CompareBookmarks(TBookmarkStr(), second), 0) << "an absent bookmark sorts first";
    EXPECT_GT(ds->CompareBookmarks(second, TBookmarkStr()), 0);
    EXPECT_EQ(ds->CompareBookmarks(TBookmarkStr(), TBookmarkStr()), 0);

    ds->GotoBookmark(second);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 2);
    ds->Next();
    EXPECT_EQ(ds->RecNo(), 3);
    ds->GotoBookmark(tenth);
    EXPECT_EQ(ds->RecNo(), 10);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 10);

    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->GotoBookmark("abc"); }),
              "Bookmark is invalid for table lotobase.dbf");
}

TEST_F(ReadingTest, TableNameWithoutExtensionGetsDbf) {
    writeDrawTable("lotobase.dbf", 2);
    auto ds = dataSet("lotobase");
    ds->Open();
    ASSERT_TRUE(ds->Active());
    EXPECT_EQ(ds->TableName(), "lotobase.DBF");
    EXPECT_EQ(ds->RecordCount(), 2);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 1);
    ds->Close();
    EXPECT_FALSE(ds->Active());

    auto shouted = dataSet("LOTOBASE.DBF");
    shouted->Open();
    EXPECT_EQ(shouted->TableName(), "LOTOBASE.DBF");
    EXPECT_EQ(shouted->RecordCount(), 2);
}

TEST_F(ReadingTest, DefaultDirectoryIsTheProgramsOwn) {
    // The table lies in the current directory, which "default directory" must not look in.
    const std::string name = "beside_" + std::to_string(::getpid()) + ".dbf";
    writeDrawTable(name, 1);
    const std::string programDirectory = executableDirectory();
    ASSERT_FALSE(programDirectory.empty());
    auto ds = dataSet(name);
    ds->SetDatabaseName("default directory");
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Open(); }), "Cannot find file " + programDirectory + "/" + name);
    EXPECT_FALSE(ds->Active());

    // A directory name instead: upper-cased, and found whatever the case of its letters.
    const std::string tables = m_cwd + "/tables";
    ASSERT_EQ(::mkdir(tables.c_str(), 0700), 0);
    writeDrawTable(tables + "/kenobase.dbf", 3);
    auto other = dataSet("kenobase.dbf");
    other->SetDatabaseName(tables + "/");
    EXPECT_EQ(other->DatabaseName(), upper(tables));
    other->Open();
    EXPECT_EQ(other->RecordCount(), 3);
}

TEST_F(ReadingTest, AliasFileNamesTableDirectories) {
    const std::optional<std::string> savedConfig =
        std::getenv("XDG_CONFIG_HOME") ? std::optional<std::string>(std::getenv("XDG_CONFIG_HOME")) : std::nullopt;
    const std::string config = m_cwd + "/config";
    const std::string tables = m_cwd + "/draws";
    ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(tables.c_str(), 0700), 0);
    writeDrawTable(tables + "/kenobase.dbf", 4);
    {
        std::ofstream file(config + "/xbase.cfg");
        file << "[Paths]\nDraws=/nowhere\n\n[Alias]\nDraws=" << tables << "\nempty=\n[Other]\nlater=/elsewhere\n";
    }
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    TXbaseDataSet::LoadAliases();
    const auto aliases = TXbaseDataSet::Aliases();

    {
        auto ds = dataSet("kenobase.dbf");
        ds->SetDatabaseName("draws");
        EXPECT_EQ(ds->DatabaseName(), "DRAWS");
        try {
            ds->Open();
            EXPECT_EQ(ds->RecordCount(), 4) << "the table of the alias's directory";
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }

    // A missing file adds nothing.
    ASSERT_EQ(::unlink((config + "/xbase.cfg").c_str()), 0);
    TXbaseDataSet::LoadAliases();
    const auto withoutFile = TXbaseDataSet::Aliases();
    if (savedConfig) {
        ::setenv("XDG_CONFIG_HOME", savedConfig->c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    TXbaseDataSet::LoadAliases();

    ASSERT_GE(aliases.size(), 2u);
    EXPECT_EQ(aliases[0].first, "Default Directory");
    EXPECT_EQ(aliases[1], std::make_pair(std::string("DRAWS"), upper(tables)));
    for (const auto& alias : aliases) {
        EXPECT_NE(alias.first, "LATER") << "only the Alias section";
        EXPECT_NE(alias.second, "/NOWHERE") << "only the Alias section";
    }
    ASSERT_EQ(withoutFile.size(), 1u);
    EXPECT_EQ(withoutFile[0].first, "Default Directory");
}

TEST_F(ReadingTest, AliasFileThatIsNoRegularFileCountsAsNone) {
    // A FIFO would block the reader until some program opened it for writing; a directory reads
    // as empty. Neither is taken for an alias file. The child reads it, so a reader that blocks
    // fails the test instead of hanging it.
    const std::string config = m_cwd + "/config";
    ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo((config + "/xbase.cfg").c_str(), 0600), 0);
    testsupport::Child child([&](testsupport::Child& self) {
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        TXbaseDataSet::LoadAliases();
        self.tell(static_cast<char>('0' + TXbaseDataSet::Aliases().size()));
        ::unlink((config + "/xbase.cfg").c_str());
        ::mkdir((config + "/xbase.cfg").c_str(), 0700);
        TXbaseDataSet::LoadAliases();
        self.tell(static_cast<char>('0' + TXbaseDataSet::Aliases().size()));
        return TXbaseDataSet::Aliases()[0].first == "Default Directory" ? 0 : 1;
    });
    ASSERT_EQ(child.receive(std::chrono::milliseconds(5000)), '1') << "a FIFO: only the default alias";
    ASSERT_EQ(child.receive(std::chrono::milliseconds(5000)), '1') << "a directory: only the default alias";
    EXPECT_EQ(child.wait(), 0);
}

TEST_F(ReadingTest, OpeningFailuresSayWhatIsWrong) {
    writeDrawTable("lotobase.dbf", 2);
    {
        auto ds = dataSet("");
        EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Open(); }), "Table name missing");
        EXPECT_FALSE(ds->Active());
    }
    {
        auto ds = dataSet("nothere");
        EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Open(); }), "Cannot find file nothere.DBF");
        EXPECT_FALSE(ds->Active());
    }
    {
        // The engine's own report of a damaged header, passed through.
        DbfImage image;
        image.field("C1", 'N', 2).headerLength(32).record({"1"});
        image.writeTo(path("bad.dbf"));
        auto ds = dataSet("bad.dbf");
        EXPECT_EQ(failureOf<EXbaseError>([&] { ds->Open(); }), "dBase DBF file header invalid - " + path("bad.dbf"));
        EXPECT_FALSE(ds->Active());
        EXPECT_EQ(testsupport::openDescriptorCount(), m_descriptors);
    }
    {
        // Held open by another program; this one wants it alone.
        const int other = ::open(path("lotobase.dbf").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(other, 0);
        ASSERT_EQ(::flock(other, LOCK_SH | LOCK_NB), 0);
        auto alone = dataSet();
        alone->SetExclusive(true);
        EXPECT_EQ(failureOf<EXbaseError>([&] { alone->Open(); }), "File access denied - " + path("lotobase.dbf"));
        EXPECT_FALSE(alone->Active());
        ::close(other);
        alone->Open();
        EXPECT_TRUE(alone->Active());
    }
    EXPECT_EQ(testsupport::openDescriptorCount(), m_descriptors);
}

TEST_F(ReadingTest, ClosedAndOpenDatasetsRefuseWhatTheirStateForbids) {
    writeDrawTable("lotobase.dbf", 2);
    auto ds = dataSet();
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->RecordCount(); }),
              "XbaseDataSet1: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->RecNo(); }),
              "XbaseDataSet1: Cannot perform this operation on a closed dataset");

    ds->Open();
    const std::string open = "XbaseDataSet1: Cannot perform this operation on an open dataset";
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->SetTableName("kenobase.dbf"); }), open);
    EXPECT_EQ(ds->TableName(), "lotobase.dbf");
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->SetDatabaseName("elsewhere"); }), open);
    EXPECT_EQ(ds->DatabaseName(), "");
    EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->SetEncryptionKey("key"); }), open);
    EXPECT_EQ(ds->EncryptionKey(), "");
    EXPECT_TRUE(ds->Active());

    ds->Close();
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(ds->FieldCount(), 0) << "closing destroys the field objects the dataset made";
    EXPECT_EQ(ds->Engine(), nullptr);
    ds->SetTableName("kenobase.dbf");
    EXPECT_EQ(ds->TableName(), "kenobase.dbf");

    // Without a name the base class's messages stand alone.
    TXbaseDataSet unnamed;
    EXPECT_EQ(failureOf<EDatabaseError>([&] { unnamed.RecordCount(); }),
              "Cannot perform this operation on a closed dataset");
}

TEST_F(ReadingTest, AFailedReadIsReportedAsARequestBeyondTheTable) {
    writeDrawTable("lotobase.dbf", 10);
    auto ds = dataSet();
    ds->Open();
    ds->First();
    {
        platform::FaultGuard guard(platform::Fault{platform::Call::Read, 0, -1, 5, 0});
        EXPECT_EQ(failureOf<EDatabaseError>([&] { ds->Next(); }), "Record request beyond range of table");
    }
    // Once the disk answers again the table reads on.
    ds->First();
    EXPECT_EQ(ds->RecNo(), 1);
    ds->Next();
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->Fields(0).AsInteger(), 2);
}

}  // namespace
