// analyze on part of the history (--last, --upto), all four analyses at once, the output forms,
// a table of any name and the picture's file name.
#include <QFile>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli_test_helpers.h"
#include "tests/analysis/analysis_test_util.h"

namespace {

using namespace analysistest;
using cli_test::ProgramResult;
using cli_test::runCli;
using testsupport::TempDir;

// The file's bytes as a short fingerprint, "<missing>" when there is none.
std::string fileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return std::to_string(qHash(file.readAll())) + "/" + std::to_string(file.size());
}

TEST(AnalyzeHistory, AWindowOfHistoryIsTheAnalysisOfATableOfOnlyThoseDraws) {
    TempDir dir;
    const Draws all = drawsFrom(40, 6, {}, range(1, 49));
    // Record 20 is deleted: it counts as a record for --upto, not as a draw.
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, all, {.deleted = {20}});
    struct Window {
        std::vector<std::string> options;
        std::size_t first, last;  // the records (1-based, inclusive) the window holds
    };
    const Window windows[] = {
        {{"--last", "12"}, 29, 40}, {{"--upto", "25"}, 1, 25}, {{"--upto=30", "--last=8"}, 23, 30}};
    for (const Window& window : windows) {
        TempDir part;
        Draws kept;
        for (std::size_t r = window.first; r <= window.last; ++r)
            if (r != 20) kept.push_back(all[r - 1]);
        testsupport::writeDrawTable(part.file("lotobase.dbf"), kSuperLoto, kept);
        for (const char* analysis : {"histogram", "succession", "waiting", "talven"}) {
            SCOPED_TRACE(std::string(analysis) + " " + window.options.front());
            std::vector<std::string> args{"analyze",  "loto",     analysis, "--dir",
                                          dir.path(), "--values", "--png",  dir.file("window.png")};
            args.insert(args.end(), window.options.begin(), window.options.end());
            const ProgramResult windowed = runCli(args);
            const ProgramResult whole = runCli(
                {"analyze", "loto", analysis, "--dir", part.path(), "--values", "--png", part.file("whole.png")});
            EXPECT_EQ(windowed.status, 0) << windowed.err;
            EXPECT_EQ(windowed.out, whole.out);
            EXPECT_EQ(fileBytes(dir.file("window.png")), fileBytes(part.file("whole.png")));
        }
    }
}

TEST(AnalyzeHistory, AllGivesEveryAnalysisInOneTableInEveryForm) {
    TempDir dir;
    // 250 draws: the waiting period refuses, the others answer.
    testsupport::writeDrawTable(dir.file("draws of autumn.dbf"), kKeno, drawsFrom(250, 20, {}, range(1, 80)));
    const std::vector<std::string> table{"--table", dir.file("draws of autumn.dbf")};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.end(), table.begin(), table.end());
        return runCli(args);
    };
    const ProgramResult all = run({"analyze", "keno", "all"});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.err, std::string(analysistest::kTooMany) + "\n");
    // The table's columns are found by their names: a column a registry's analysis, in its order,
    // the same cells in tsv and csv, and a refused analysis's cells empty.
    const auto lines = [](const std::string& out, char separator) {
        std::vector<std::vector<std::string>> rows;
        std::istringstream text(out);
        for (std::string line; std::getline(text, line);) {
            rows.emplace_back(1);
            for (const char c : line)
                if (c == separator)
                    rows.back().emplace_back();
                else
                    rows.back().back() += c;
        }
        return rows;
    };
    const auto csv = lines(run({"analyze", "keno", "all", "--format", "csv"}).out, ',');
    // The table of the numbers takes the analyses of one value per number; sums and pairs keep their bins.
    std::vector<const Analysis*> perNumber;
    for (const Analysis& analysis : Analyses())
        if (analysis.binName == nullptr) perNumber.push_back(&analysis);
    std::vector<std::string> header{"number"};
    for (const Analysis* analysis : perNumber) header.emplace_back(analysis->cliName);
    ASSERT_EQ(csv.size(), 81u);
    EXPECT_EQ(csv.front(), header);
    EXPECT_EQ(lines(all.out, '\t'), std::vector(csv.begin() + 1, csv.end()));
    const auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    for (const Analysis* each : perNumber) {
        const Analysis& analysis = *each;
        const std::string alone = run({"analyze", "keno", analysis.cliName}).out;
        std::vector<std::string> cells;
        for (const auto& row : csv) cells.push_back(row.at(column(analysis.cliName)));
        if (alone.empty()) {
            EXPECT_EQ(std::count(cells.begin() + 1, cells.end(), ""), 80) << analysis.cliName << " refused";
            continue;
        }
        const auto own = lines(alone, '\t');
        for (std::size_t number = 1; number <= 80; ++number)
            EXPECT_EQ(cells[number], own.at(number - 1).at(1)) << analysis.cliName << " " << number;
    }
    EXPECT_TRUE(run({"analyze", "keno", "waiting"}).out.empty()) << "250 draws are more than the waiting period takes";

    const std::string json = run({"analyze", "keno", "all", "--format=json"}).out;
    EXPECT_NE(json.find("{\"number\": 1, \"histogram\": "), std::string::npos);
    EXPECT_NE(json.find("\"waiting\": null, "), std::string::npos);
    EXPECT_NE(json.find(", \"talven\": "), std::string::npos);
    EXPECT_EQ(run({"analyze", "keno", "histogram", "--format", "csv"}).out.substr(0, 15), "number,count\n1,");

    const ProgramResult pictures = run({"analyze", "keno", "all", "--png", dir.file("board")});
    EXPECT_EQ(pictures.status, 0) << pictures.err;
    EXPECT_EQ(pictures.out, "");
    for (const char* name : {"histogram", "succession", "talven"})
        EXPECT_NE(fileBytes(dir.file(std::string("board-") + name + ".png")), "<missing>") << name;
    EXPECT_EQ(fileBytes(dir.file("board-waiting.png")), "<missing>");
    // The sums and the pairs paint their boards too, though the table of the numbers leaves them out.
    for (const char* name : {"sums", "pairs"})
        EXPECT_NE(fileBytes(dir.file(std::string("board-") + name + ".png")), "<missing>") << name;

    const ProgramResult jpeg = run({"analyze", "keno", "histogram", "--png", dir.file("board.jpg")});
    EXPECT_EQ(jpeg.status, 2);
    EXPECT_NE(jpeg.err.find("ending in .png"), std::string::npos) << jpeg.err;
    EXPECT_EQ(run({"analyze", "keno", "histogram", "--dir", dir.path()}).status, 2) << "--dir and --table together";
    // A table of the other game: one line that says so, not a failure on its first draw.
    const ProgramResult other = run({"analyze", "loto", "histogram"});
    EXPECT_EQ(other.status, 1);
    EXPECT_EQ(other.err, "sharometr-cli analyze: " + dir.file("draws of autumn.dbf") +
                             " is not a SuperLoto table: its first fields are not C1..C6, numeric\n");
}

}  // namespace
