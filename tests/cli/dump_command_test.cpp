// `sharometr-cli dump`: the records as the table dataset shows them, deleted ones hidden unless
// asked for, the table found by a relative name as well as a full path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include "cli_test_helpers.h"

namespace {

using cli_test::runCli;
using testsupport::DbfImage;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

std::string writeTable(const TempDir& dir) {
    DbfImage image;
    image.field("C1", 'N', 2).field("C2", 'N', 2).field("C3", 'N', 2);
    image.record({"5", "17", "49"});
    image.record({"1", "2", "3"}, /*deleted=*/true);
    image.record({"", "8", "9"});  // a blank number is shown blank, not as the 0 the dataset reads
    image.record({"40", "41", "42"});
    image.record({"7", "6", "5"}, /*deleted=*/true);
    const std::string path = dir.file("draws.dbf");
    image.writeTo(path);
    return path;
}

// Changes the current directory for the length of a test and goes back afterwards.
class InDirectory {
public:
    explicit InDirectory(const std::string& path) {
        char here[4096];
        if (!::getcwd(here, sizeof here) || ::chdir(path.c_str()) != 0)
            throw std::runtime_error("cannot change to " + path);
        m_back = here;
    }
    ~InDirectory() { static_cast<void>(::chdir(m_back.c_str())); }
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    std::string m_back;
};

TEST(DumpCommand, PrintsTheVisibleRecordsOrAllOfThem) {
    TempDir dir;
    const std::string path = writeTable(dir);
    const std::string before = readFile(path);

    const auto visible = runCli({"dump", path});
    EXPECT_EQ(visible.status, cli::kExitOk) << visible.err;
    EXPECT_EQ(visible.err, "");
    EXPECT_EQ(visible.out,
              "1\t5\t17\t49\n"
              "3\t\t8\t9\n"
              "4\t40\t41\t42\n");

    const auto all = runCli({"dump", "--deleted", path});
    EXPECT_EQ(all.status, cli::kExitOk) << all.err;
    EXPECT_EQ(all.out,
              "1\t5\t17\t49\n"
              "2\t1\t2\t3\n"
              "3\t\t8\t9\n"
              "4\t40\t41\t42\n"
              "5\t7\t6\t5\n");
    EXPECT_EQ(runCli({"dump", path, "--deleted"}).out, all.out);

    // A table of deleted records only, and an empty one, show nothing.
    DbfImage gone;
    gone.field("C1", 'N', 2).record({"1"}, true).writeTo(dir.file("gone.dbf"));
    const auto none = runCli({"dump", dir.file("gone.dbf")});
    EXPECT_EQ(none.status, cli::kExitOk);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(runCli({"dump", "--deleted", dir.file("gone.dbf")}).out, "1\t1\n");

    // Reading leaves the file as it was.
    EXPECT_TRUE(readFile(path) == before);
}

TEST(DumpCommand, FindsTheTableByARelativeName) {
    TempDir dir;
    writeTable(dir);
    const auto full = runCli({"dump", dir.file("draws.dbf")});
    const InDirectory inside(dir.path());
    const auto relative = runCli({"dump", "draws.dbf"});
    EXPECT_EQ(relative.status, cli::kExitOk) << relative.err;
    EXPECT_EQ(relative.out, full.out);
    // Without an extension, in another letter case: the table's own name, as the windows give it.
    const auto bare = runCli({"dump", "DRAWS"});
    EXPECT_EQ(bare.status, cli::kExitOk) << bare.err;
    EXPECT_EQ(bare.out, full.out);
}

TEST(DumpCommand, ReportsWhatKeepsItFromReading) {
    TempDir dir;
    const auto missing = runCli({"dump", dir.file("nosuch.dbf")});
    EXPECT_EQ(missing.status, cli::kExitFailure);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "Cannot find file " + dir.file("nosuch.dbf") + "\n");

    std::string bytes = readFile(writeTable(dir));
    bytes[0] = 0x04;
    writeFile(dir.file("damaged.dbf"), bytes);
    const auto damaged = runCli({"dump", dir.file("damaged.dbf")});
    EXPECT_EQ(damaged.status, cli::kExitFailure);
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(damaged.err, "dBase DBF file header invalid - " + dir.file("damaged.dbf") + "\n");

    cli_test::expectUsageErrors("dump", {{{"dump"}, "missing FILE argument"},
                                         {{"dump", "--deleted"}, "missing FILE argument"},
                                         {{"dump", "a.dbf", "b.dbf"}, "unexpected argument 'b.dbf'"},
                                         {{"dump", "--all", "a.dbf"}, "unknown option '--all'"}});
}

}  // namespace

namespace {

TEST(DumpCommand, CsvAndJsonNameTheFieldsAndTheDeletedRecords) {
    TempDir dir;
    const std::string path = writeTable(dir);
    EXPECT_EQ(runCli({"dump", "--format", "tsv", path}).out, runCli({"dump", path}).out);

    const auto csv = runCli({"dump", "--format=csv", path});
    EXPECT_EQ(csv.status, cli::kExitOk) << csv.err;
    EXPECT_EQ(csv.out, "record,C1,C2,C3\n1,5,17,49\n3,,8,9\n4,40,41,42\n");
    EXPECT_EQ(runCli({"dump", "--deleted", "--format", "csv", path}).out,
              "record,deleted,C1,C2,C3\n1,false,5,17,49\n2,true,1,2,3\n3,false,,8,9\n4,false,40,41,42\n"
              "5,true,7,6,5\n");

    const auto json = runCli({"dump", path, "--format", "json", "--deleted"});
    EXPECT_EQ(json.status, cli::kExitOk) << json.err;
    EXPECT_EQ(json.out,
              "[\n"
              "  {\"record\": 1, \"deleted\": false, \"C1\": 5, \"C2\": 17, \"C3\": 49},\n"
              "  {\"record\": 2, \"deleted\": true, \"C1\": 1, \"C2\": 2, \"C3\": 3},\n"
              "  {\"record\": 3, \"deleted\": false, \"C1\": null, \"C2\": 8, \"C3\": 9},\n"
              "  {\"record\": 4, \"deleted\": false, \"C1\": 40, \"C2\": 41, \"C3\": 42},\n"
              "  {\"record\": 5, \"deleted\": true, \"C1\": 7, \"C2\": 6, \"C3\": 5}\n"
              "]\n");

    // Text with separators and quotes is quoted as each format wants it; an empty table is an
    // empty array.
    DbfImage notes;
    notes.field("NOTE", 'C', 12).field("N", 'N', 3).record({"a \"b\", c", "-7"});
    notes.writeTo(dir.file("notes.dbf"));
    EXPECT_EQ(runCli({"dump", "--format", "csv", dir.file("notes.dbf")}).out,
              "record,NOTE,N\n1,\"a \"\"b\"\", c\",-7\n");
    EXPECT_EQ(runCli({"dump", "--format", "json", dir.file("notes.dbf")}).out,
              "[\n  {\"record\": 1, \"NOTE\": \"a \\\"b\\\", c\", \"N\": -7}\n]\n");
    // A backslash is escaped in json, and only there.
    DbfImage slash;
    slash.field("NOTE", 'C', 4).record({"a\\b"}).writeTo(dir.file("slash.dbf"));
    EXPECT_EQ(runCli({"dump", "--format", "json", dir.file("slash.dbf")}).out,
              "[\n  {\"record\": 1, \"NOTE\": \"a\\\\b\"}\n]\n");
    EXPECT_EQ(runCli({"dump", dir.file("slash.dbf")}).out, "1\ta\\b\n");
    DbfImage empty;
    empty.field("C1", 'N', 2).writeTo(dir.file("empty.dbf"));
    EXPECT_EQ(runCli({"dump", "--format", "json", dir.file("empty.dbf")}).out, "[\n]\n");

    const auto unknown = runCli({"dump", "--format", "xml", path});
    EXPECT_EQ(unknown.status, cli::kExitUsage);
    EXPECT_EQ(unknown.err.rfind("sharometr-cli dump: unknown format 'xml' (tsv, csv or json)\nusage: ", 0), 0u);
}

TEST(DumpCommand, CsvImportsBackIntoAnotherTable) {
    TempDir dir;
    TempDir other;
    TempDir scratch;
    ASSERT_EQ(runCli({"create", "--game", "keno", "--sample", "30", dir.path()}).status, cli::kExitOk);
    ASSERT_EQ(runCli({"create", "--game", "keno", other.path()}).status, cli::kExitOk);
    ASSERT_EQ(runCli({"delete", dir.file("kenobase.dbf"), "7"}).status, cli::kExitOk);

    writeFile(scratch.file("dump.csv"), runCli({"dump", "--format", "csv", dir.file("kenobase.dbf")}).out);
    const auto imported = runCli({"import", other.file("kenobase.dbf"), scratch.file("dump.csv")});
    EXPECT_EQ(imported.status, cli::kExitOk) << imported.err;
    EXPECT_EQ(imported.out, "appended 29 draws\n");
    EXPECT_EQ(imported.err, "skipped header line 1\n");

    // The same draws in the same order: the dumps differ only in the record numbers.
    const auto numbersOnly = [](const std::string& dump) {
        std::string draws;
        for (std::size_t at = 0; at < dump.size();) {
            const std::size_t tab = dump.find('\t', at);
            const std::size_t end = dump.find('\n', at);
            draws += dump.substr(tab, end + 1 - tab);
            at = end + 1;
        }
        return draws;
    };
    const std::string source = runCli({"dump", dir.file("kenobase.dbf")}).out;
    EXPECT_EQ(numbersOnly(runCli({"dump", other.file("kenobase.dbf")}).out), numbersOnly(source));
    EXPECT_EQ(std::count(source.begin(), source.end(), '\n'), 29);
}

TEST(DumpCommand, AFileWithoutTheExtensionIsTheTableNamed) {
    TempDir dir;
    const std::string path = writeTable(dir);
    // "draws" itself is another table; "draws.dbf" stays the table of "DRAWS", which is no file.
    DbfImage plain;
    plain.field("C1", 'N', 2).record({"33"});
    plain.writeTo(dir.file("draws"));
    EXPECT_EQ(runCli({"dump", dir.file("draws")}).out, "1\t33\n");
    EXPECT_EQ(runCli({"info", dir.file("draws")}).out.find("records: 1\n") != std::string::npos, true);
    EXPECT_EQ(runCli({"dump", dir.file("DRAWS")}).out, runCli({"dump", path}).out);
}

}  // namespace

namespace {

// A name typed in UTF-8 is kept in the table's code page and comes back the same in every form:
// one conversion for all of them, whatever the letters and marks.
TEST(DumpCommand, CyrillicTextComesBackTheSameInEveryForm) {
    TempDir dir;
    const std::vector<std::string> names{"Дача Ивана", "Ёлка, №5 \"и\""};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto added = runCli(
            {"tickets", "keno", "add", std::to_string(5 + i), "17", "33", "--name", names[i], "--dir", dir.path()});
        ASSERT_EQ(added.status, cli::kExitOk) << added.err;
    }
    const std::string table = dir.file("kenotick.dbf");
    struct Form {
        std::string format;
        std::vector<std::string> lines;  // what the names stand in, in order
    };
    for (const Form& form :
         {Form{"tsv", {"1\tДача Ивана\t", "2\tЁлка, №5 \"и\"\t"}},
          Form{"csv", {"\n1,Дача Ивана,", "\n2,\"Ёлка, №5 \"\"и\"\"\","}},
          Form{"json",
               {"{\"record\": 1, \"NAME\": \"Дача Ивана\",", "{\"record\": 2, \"NAME\": \"Ёлка, №5 \\\"и\\\"\","}}}) {
        const auto dump = runCli({"dump", "--format", form.format, table});
        EXPECT_EQ(dump.status, cli::kExitOk) << dump.err;
        std::size_t at = 0;
        for (const std::string& line : form.lines) {
            at = dump.out.find(line, at);
            EXPECT_NE(at, std::string::npos) << form.format << ": " << line << " not in\n" << dump.out;
        }
    }
    // A name with a letter the table's code page lacks is refused, not kept with '?' in its place.
    const auto quoted = runCli({"tickets", "keno", "add", "1", "2", "3", "--name", "«Дача»", "--dir", dir.path()});
    EXPECT_EQ(quoted.status, cli::kExitFailure);
    EXPECT_EQ(quoted.out, "");
    EXPECT_EQ(quoted.err, "sharometr-cli tickets: the name '«Дача»' holds a character the table cannot keep\n");
    // The companion's own list reads the same names back.
    const auto list = runCli({"tickets", "keno", "list", "--dir", dir.path()});
    EXPECT_NE(list.out.find("Дача Ивана"), std::string::npos) << list.out;
}

}  // namespace
