// Archives as sites, forums and spreadsheets give them, in both games: where the draw is found,
// which way the draws run, what a wrong line is told, and which encoding the text came in.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "history/archive_files.h"
#include "history/draw_file.h"
#include "history/html_table.h"
#include "tests/support/engine_fixture.h"

namespace {

using history::DrawOrder;

const history::DrawShape kLoto{{"C1", "C2", "C3", "C4", "C5", "C6"}, 49};
const history::DrawShape kKeno{{"C1",  "C2",  "C3",  "C4",  "C5",  "C6",  "C7",  "C8",  "C9",  "C10",
                                "C11", "C12", "C13", "C14", "C15", "C16", "C17", "C18", "C19", "C20"},
                               80};

const char* const kNbsp = "\xC2\xA0";
const char* const kThin = "\xE2\x80\x89";
const char* const kNarrow = "\xE2\x80\xAF";

// Twenty numbers of Keno from `first`, spaced by three around the board.
std::string kenoNumbers(int first, const std::string& between = " ") {
    std::string text;
    for (int k = 0; k < 20; ++k) text += (k ? between : "") + std::to_string((first - 1 + 3 * k) % 80 + 1);
    return text;
}

struct Reading {
    std::vector<std::string> draws;  // each draw's numbers parted by blanks
    std::string err;
    DrawOrder order = DrawOrder::kUnknown;
    std::string orderColumn;
    history::DrawFileParser::Fields fields{};
    std::string encoding;
};

Reading read(const history::DrawShape& shape, const std::string& text, std::vector<std::size_t> columns = {}) {
    Reading reading;
    std::ostringstream err;
    history::DrawFileParser parser(shape, std::move(columns), err, [&](std::span<const int> draw, std::size_t) {
        std::string numbers;
        for (const int n : draw) numbers += (numbers.empty() ? "" : " ") + std::to_string(n);
        reading.draws.push_back(numbers);
    });
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) parser.feedLine(line);
    parser.finish();
    reading.err = err.str();
    reading.order = parser.order();
    reading.orderColumn = parser.orderColumn();
    reading.fields = parser.fieldsFrom();
    reading.encoding = parser.byteEncoding();
    return reading;
}

struct Shape {
    const char* name;
    const history::DrawShape* game;
    std::string text;
    std::size_t draws;
    std::string first, last;  // the first and the last draw read, as they stand in the text
    DrawOrder order;
    std::string orderColumn;
};

TEST(ArchiveShapes, TheDrawAndItsOrderAreFoundWhateverSurroundsThem) {
    const std::string loto1 = "3 17 22 31 40 48", loto2 = "4 18 23 32 41 49", loto3 = "5 19 24 33 42 1";
    const std::string k1 = kenoNumbers(1), k2 = kenoNumbers(2), k3 = kenoNumbers(5);
    const std::vector<Shape> shapes = {
        // Draw numbers with thousands parted by every kind of space, newest first, tab-separated.
        {"thousands, tabs", &kLoto,
         std::string("Тираж\tДата\tШары\n") + "11" + kNbsp + "502\t18.03.2022\t" + loto3 + "\n11" + kThin +
             "501\t17.03.2022\t" + loto2 + "\n11" + kNarrow + "500\t16.03.2022\t" + loto1 + "\n",
         3, loto3, loto1, DrawOrder::kNewestFirst, "field 1 (draw numbers)"},
        {"thousands with a plain space, Keno", &kKeno,
         "1 234;" + kenoNumbers(1, ";") + "\n1 235;" + kenoNumbers(2, ";") + "\n1 236;" + kenoNumbers(5, ";") + "\n", 3,
         k1, k3, DrawOrder::kOldestFirst, "field 1 (draw numbers)"},
        // Dates with a time, several draws a day with the same date: the time tells.
        {"date and time, newest first, Keno", &kKeno,
         "16.03.2022 23:45;" + k3 + ";1 234 567 руб.\n16.03.2022 23:30;" + k2 + ";900 000 руб.\n16.03.2022 23:15;" +
             k1 + ";1 000 ₽\n",
         3, k3, k1, DrawOrder::kNewestFirst, "field 1 (dates)"},
        {"repeated dates without a time, newest first", &kKeno,
         "02.12.2025;" + k3 + "\n02.12.2025;" + k2 + "\n01.12.2025;" + k1 + "\n", 3, k3, k1, DrawOrder::kNewestFirst,
         "field 1 (dates)"},
        {"ISO dates with a time", &kLoto, "2022-03-16T23:45," + loto1 + "\n2022-03-17T08:00," + loto2 + "\n", 2, loto1,
         loto2, DrawOrder::kOldestFirst, "field 1 (dates)"},
        // A month end: read month first, 30.11 would be no date at all.
        {"across a month end", &kLoto, "30.11.2025;" + loto1 + "\n01.12.2025;" + loto2 + "\n02.12.25;" + loto3 + "\n",
         3, loto1, loto3, DrawOrder::kOldestFirst, "field 1 (dates)"},
        {"across a month end, newest first", &kLoto, "01.12.2025;" + loto2 + "\n30.11.2025;" + loto1 + "\n", 2, loto2,
         loto1, DrawOrder::kNewestFirst, "field 1 (dates)"},
        // Results pasted from a page, in two wordings at once.
        {"pasted results", &kLoto,
         "12.11.2025 №1234: 3, 17, 22, 31, 40, 48\nТираж № 1235 от 13.11.2025 — 4 18 23 32 41 49\n", 2, loto1, loto2,
         DrawOrder::kOldestFirst, "field 1 (dates)"},
        {"pasted results without commas", &kLoto,
         "Тираж № 1235 от 13.11.2025 — 4 18 23 32 41 49\nТираж № 1234 от 12.11.2025 — 3 17 22 31 40 48\n", 2, loto2,
         loto1, DrawOrder::kNewestFirst, "the draw-number column"},
        {"pasted results, Keno, newest first", &kKeno,
         "Тираж № 1 236 от 14.11.2025 — " + k3 + "\nТираж № 1 235 от 13.11.2025 — " + k2 + "\n", 2, k3, k2,
         DrawOrder::kNewestFirst, "the draw-number column"},
        // A draw number that could be a drawn number: it counts up down the file.
        {"small draw numbers", &kLoto,
         "5;" + std::string("3;17;22;31;40;48\n") + "6;4;18;23;32;41;49\n7;5;19;24;33;42;1\n8;6;20;25;34;43;2\n", 4,
         loto1, "6 20 25 34 43 2", DrawOrder::kOldestFirst, "field 1 (draw numbers)"},
        {"small draw numbers, two lines", &kLoto, "5,3,17,22,31,40,48\n6,4,18,23,32,41,49\n", 2, loto1, loto2,
         DrawOrder::kOldestFirst, "field 1 (draw numbers)"},
        // A bonus in a field of its own beside a draw in one field.
        {"a draw in one field and a bonus", &kKeno, "1001\t" + k1 + "\t7\n1000\t" + k2 + "\t9\n", 2, k1, k2,
         DrawOrder::kNewestFirst, "field 1 (draw numbers)"},
        {"dashes and quotes", &kLoto, "\"3-17-22-31-40-48\";\"N 7\"\n\"4-18-23-32-41-49\";\"N 8\"\n", 2, loto1, loto2,
         DrawOrder::kOldestFirst, "field 2 (draw numbers)"},
        {"plain, no order", &kLoto, loto1 + "\n" + loto2 + "\n", 2, loto1, loto2, DrawOrder::kUnknown, ""},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const Reading reading = read(*shape.game, shape.text);
        EXPECT_TRUE(reading.err.empty() || reading.err == "skipped header line 1\n") << reading.err;
        ASSERT_EQ(reading.draws.size(), shape.draws) << reading.err;
        EXPECT_EQ(reading.draws.front(), shape.first);
        EXPECT_EQ(reading.draws.back(), shape.last);
        EXPECT_EQ(reading.order, shape.order);
        EXPECT_EQ(reading.orderColumn, shape.orderColumn);
    }
}

TEST(ArchiveShapes, AWrongLineSaysWhatIsWrongWithItsDraw) {
    const std::string good = "1234;31.03.2024;3;17;22;31;40;48\n1235;01.04.2024;4;18;23;32;41;49\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {good + "31.03.2024;3;17;22;31;40\n", "line 3: 5 numbers, the table has 6 fields\n"},
        {good + "1236;02.04.2024;3;17;22;31;40\n", "line 3: 5 numbers, the table has 6 fields\n"},
        {good + "1236;02.04.2024;3;17;49;31;40;49\n", "line 3: 49 appears twice\n"},
        {good + "1236;02.04.2024;3;17;50;31;40;49\n", "line 3: 50 is outside 1..49\n"},
        {good + "1236;02.04.2024;3;17;x2;31;40;49\n", "line 3: 'x2' is not a number\n"},
        {good + "Итого\n", "line 3: 'Итого' is not a number\n"},
    };
    for (const auto& [text, err] : cases) {
        SCOPED_TRACE(text);
        const Reading reading = read(kLoto, text);
        EXPECT_EQ(reading.err, err);
        EXPECT_EQ(reading.draws.size(), 2u);
    }
}

TEST(ArchiveShapes, TwoReadingsOfALineAreAskedAboutNotGuessed) {
    // Two fields each holding a whole draw, and seven numbers of which none counts up.
    const Reading twoDraws =
        read(kLoto, "\"3 17 22 31 40 48\";\"4 18 23 32 41 49\"\n\"5 19 24 33 42 1\";\"6 7 8 9 10 11\"\n");
    EXPECT_EQ(twoDraws.fields, history::DrawFileParser::Fields::kAmbiguous);
    EXPECT_EQ(twoDraws.err, "the draw may stand in field 1 or in field 2: name its fields\n");
    EXPECT_TRUE(twoDraws.draws.empty());
    const Reading seven =
        read(kKeno, "9 " + kenoNumbers(1) + "\n3 " + kenoNumbers(31) + "\n7 " + kenoNumbers(11) + "\n");
    EXPECT_EQ(seven.fields, history::DrawFileParser::Fields::kAmbiguous) << seven.err;
    EXPECT_TRUE(seven.draws.empty());
    // Named by hand, the same lines go in, and the order is still found beside them.
    const Reading named = read(kLoto, "1\t3,17,22,31,40,48\t02.12.2025\n2\t4,18,23,32,41,49\t01.12.2025\n", {2});
    EXPECT_EQ(named.err, "");
    EXPECT_EQ(named.draws, (std::vector<std::string>{"3 17 22 31 40 48", "4 18 23 32 41 49"}));
    EXPECT_EQ(named.order, DrawOrder::kOldestFirst);
    const Reading byDate = read(kLoto, "02.12.2025 23:00\t3,17,22,31,40,48\n02.12.2025 11:00\t4,18,23,32,41,49\n", {2});
    EXPECT_EQ(byDate.order, DrawOrder::kNewestFirst);
    EXPECT_EQ(byDate.orderColumn, "field 1 (dates)");
}

// The encodings, as a file is read from its bytes.
Reading readFileBytes(const std::string& bytes) {
    testsupport::TempDir dir;
    const std::string path = dir.file("draws.csv");
    testsupport::writeFile(path, bytes);
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::string text;
    std::string encoding;
    history::readTextLines(
        fd, [&](std::string_view line) { (text += line) += '\n'; }, &encoding);
    ::close(fd);
    Reading reading = read(kLoto, text);
    if (reading.encoding.empty()) reading.encoding = encoding;
    return reading;
}

TEST(ArchiveShapes, TheEncodingIsNamedAsFound) {
    const std::string header = "Тираж;Дата;Номера\n";
    const std::string rows = "1236;07.12.2026;4 18 23 32 41 49\n1235;06.12.2026;3 17 22 31 40 48\n";
    const Reading utf8 = readFileBytes(header + "1237;08.12.2026;5 19 24 33 42 1;«Суперлото»\n" + rows);
    EXPECT_EQ(utf8.encoding, "UTF-8");
    EXPECT_EQ(utf8.draws.size(), 3u) << utf8.err;
    EXPECT_EQ(utf8.order, DrawOrder::kNewestFirst);
    // «Тираж;Дата;Номера» in Windows-1251 and in KOI8-R.
    const Reading cp1251 = readFileBytes("\xD2\xE8\xF0\xE0\xE6;\xC4\xE0\xF2\xE0;\xCD\xEE\xEC\xE5\xF0\xE0\n" + rows);
    EXPECT_EQ(cp1251.encoding, "Windows-1251");
    EXPECT_EQ(cp1251.err, "skipped header line 1\n");
    const Reading koi8 = readFileBytes("\xF4\xC9\xD2\xC1\xD6;\xE4\xC1\xD4\xC1;\xEE\xCF\xCD\xC5\xD2\xC1\n" + rows);
    EXPECT_EQ(koi8.encoding, "KOI8-R");
    EXPECT_EQ(koi8.draws.size(), 2u);
    // UTF-16 with Тираж and Дата columns beside the numbers, in either byte order.
    for (const bool little : {true, false}) {
        std::u16string text =
            u"Тираж\tДата\t1\t2\t3\t4\t5\t6\n2\t01.01.2010\t4\t18\t23\t32\t41\t49\n"
            u"1\t31.12.2009\t3\t17\t22\t31\t40\t48\n";
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (const char16_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            bytes += little ? std::string{low, high} : std::string{high, low};
        }
        const Reading utf16 = readFileBytes(bytes);
        EXPECT_EQ(utf16.encoding, little ? "UTF-16LE" : "UTF-16BE");
        EXPECT_EQ(utf16.draws, (std::vector<std::string>{"4 18 23 32 41 49", "3 17 22 31 40 48"})) << utf16.err;
        EXPECT_EQ(utf16.order, DrawOrder::kNewestFirst);
    }
}

}  // namespace

namespace {

std::string archive(const std::string& name) { return std::string(SHAROMETR_ARCHIVES_DIR) + "/" + name; }

TEST(ArchiveShapes, SpreadsheetsAndPagesComeInAsTheirTablesRows) {
    struct Sheet {
        std::string file, format, dateShown;
    };
    for (const Sheet& sheet : std::vector<Sheet>{{"superloto.xlsx", "XLSX", "\t01.12.2025\t"},
                                                 {"superloto.ods", "ODS", "01.12.2025"},
                                                 {"superloto.html", "HTML", "01.12.2025 23:00"}}) {
        SCOPED_TRACE(sheet.file);
        std::string format, why;
        const auto text = history::archiveText(archive(sheet.file), format, why);
        ASSERT_TRUE(text.has_value()) << why;
        EXPECT_EQ(format, sheet.format);
        EXPECT_NE(text->find(sheet.dateShown), std::string::npos) << "a date stays a date:\n" << *text;
        const Reading reading = read(kLoto, *text);
        EXPECT_EQ(reading.err, "skipped header line 1\n");
        EXPECT_EQ(reading.draws, (std::vector<std::string>{"5 19 24 33 42 1", "4 18 23 32 41 49", "3 17 22 31 40 48"}));
        EXPECT_EQ(reading.order, DrawOrder::kNewestFirst);
    }
    // Keno's twenty numbers in twenty cells of a page, among a menu table with no draws.
    std::string page = "<table><tr><td>Меню</td></tr></table><table><tr><th>№</th><th>Дата</th></tr>";
    for (int draw = 0; draw < 3; ++draw) {
        page += "<tr><td>" + std::to_string(500 + draw) + "</td><td>0" + std::to_string(draw + 1) + ".03.2024</td>";
        for (int k = 0; k < 20; ++k) page += "<td>" + std::to_string((draw * 7 + 3 * k) % 80 + 1) + "</td>";
        page += "</tr>";
    }
    const Reading keno = read(kKeno, history::htmlTableText(page + "</table>"));
    ASSERT_EQ(keno.draws.size(), 3u) << keno.err;
    EXPECT_EQ(keno.draws[0], kenoNumbers(1));
    EXPECT_EQ(keno.order, DrawOrder::kOldestFirst);

    EXPECT_EQ(history::serialDateText(25569), "01.01.1970");
    EXPECT_EQ(history::serialDateText(45992.875), "01.12.2025 21:00");
    EXPECT_EQ(history::serialDateText(60), "28.02.1900");
}

TEST(ArchiveShapes, AFileThatIsNeitherTextNorATableIsRefusedAtOnce) {
    testsupport::TempDir dir;
    struct Case {
        std::string bytes;
        bool refused;
    };
    const std::vector<Case> cases = {
        {std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), true},
        {"PK\x03\x04 broken zip", true},  // a spreadsheet that is not one: its reader says why
        {std::string("\xFF\xFE"
                     "1\0,\0"
                     "2\0",
                     8),
         false},  // UTF-16 text has NULs of its own
        {"3 17 22 31 40 48\n", false},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("draws.bin");
        testsupport::writeFile(path, c.bytes);
        std::string format, why;
        EXPECT_FALSE(history::archiveText(path, format, why).has_value());
        EXPECT_EQ(!why.empty(), c.refused) << why;
    }
    testsupport::writeFile(dir.file("photo.jpg"), std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11));
    std::string format, why;
    history::archiveText(dir.file("photo.jpg"), format, why);
    EXPECT_EQ(why, "not a text file nor a table");
}

}  // namespace
