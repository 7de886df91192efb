// `sharometr-cli analyze`: the board values and the picture of every analysis of both games on
// small tables worked out by hand, each the same as the main window's command gives through its
// own dataset and canvas; the commands' refusals, a missing table, and wrong command lines; the
// program itself on a machine without a display.
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/draw_datasets.h"
#include "analysis/runner.h"
#include "cli_test_helpers.h"
#include "platform/error_codes.h"
#include "platform/fault_injection.h"
#include "tests/analysis/analysis_test_util.h"
#include "tests/support/draw_table.h"
#include "tests/support/recording_message_service.h"

namespace {

using namespace analysistest;
using cli_test::ProgramResult;
using cli_test::runCli;
using testsupport::TempDir;

const std::string kProgram = SHAROMETR_CLI_PROGRAM;

const char* gameWord(const Game& game) { return game.cliName; }

const char* tableOf(const Game& game) { return game.tableFileName; }

// Eight SuperLoto draws in which 1, 2, 3 and 7 come out four times each at different spacings.
Draws superLotoDraws() {
    return {{1, 2, 3, 4, 5, 6},     {1, 7, 8, 9, 10, 11},   {2, 7, 12, 13, 14, 15},  {1, 3, 16, 17, 18, 19},
            {2, 7, 20, 21, 22, 23}, {1, 3, 24, 25, 26, 27}, {2, 28, 29, 30, 31, 32}, {7, 3, 33, 34, 35, 36}};
}

// Seven Keno draws made of blocks of numbers that come out together.
Draws kenoDraws() {
    return {range(1, 20),
            range(21, 40),
            joined({range(1, 10), range(41, 50)}),
            range(51, 70),
            joined({range(1, 5), range(11, 15), range(71, 80)}),
            range(1, 20),
            joined({range(21, 30), range(41, 50)})};
}

// `base` with the numbers of each group set to the group's value.
std::vector<std::int32_t> changed(std::vector<std::int32_t> base,
                                  const std::vector<std::pair<std::vector<int>, std::int32_t>>& groups) {
    for (const auto& [numbers, value] : groups) setNumbers(base, numbers, value);
    return base;
}

// The board values worked out by hand for the tables above, for the analyses worked out here.
std::optional<std::vector<std::int32_t>> superLotoExpected(const std::string& analysis) {
    auto counts = perNumber(kSuperLoto, 0, {{1, 4}, {2, 4}, {3, 4}, {7, 4}});
    setNumbers(counts, joined({range(4, 6), range(8, 36)}), 1);
    if (analysis == "histogram") return counts;
    // Periods 5/4 -> 1, 6/4 -> 2, 7/4 -> 2, 6/4 -> 2 against waits of 3, 2, 1, 1 draws.
    if (analysis == "waiting") return changed(counts, {{{1}, 9}, {{2}, 11}, {{3, 7}, 10}});
    // Predicted draws 8, 9, 10, 10 against draw 7: SuperLoto rates a distance of 3 with 8.
    if (analysis == "talven") return changed(counts, {{{1}, 10}, {{2}, 9}, {{3, 7}, 8}});
    if (analysis != "succession") return std::nullopt;
    // Succession: every draw before the latest but the seventh shares one number with the latest
    // (7, 3, 33..36), so a number counts the draws 2..7 that hold it.
    return changed(perNumber(kSuperLoto, 0, {{1, 3}, {2, 3}, {7, 3}, {3, 2}}), {{range(8, 32), 1}});
}

std::optional<std::vector<std::int32_t>> kenoExpected(const std::string& analysis) {
    const auto counts = changed(perNumber(kKeno, 1),
                                {{range(1, 5), 4}, {range(6, 15), 3}, {joined({range(16, 30), range(41, 50)}), 2}});
    if (analysis == "histogram") return counts;
    // Periods 5/4 -> 1 and 5/3 -> 2 against a wait of 2 draws.
    if (analysis == "waiting") return changed(counts, {{range(1, 5), 10}, {range(6, 15), 11}});
    // Predicted draws 8 (1..20: distance 2 or 3 from draw 6) and 10 (4): Keno has no 8.
    if (analysis == "talven") return changed(counts, {{range(1, 15), 9}, {joined({range(16, 30), range(41, 50)}), 5}});
    if (analysis != "succession") return std::nullopt;
    // Succession: draws 2 and 3 share ten numbers each with the latest; the later draws 3 and 4
    // count 10, divided by 4 and rounded half to even.
    return changed(perNumber(kKeno, 0), {{joined({range(1, 10), range(41, 70)}), 2}});
}

std::string valuesText(const std::vector<std::int32_t>& values) {
    std::ostringstream text;
    for (std::size_t i = 0; i < values.size(); ++i) text << i + 1 << '\t' << values[i] << '\n';
    return text.str();
}

// What the main window shows after the command: its dataset on the same table, and a white
// picture of the picture area's size painted by the command itself.
struct MainWindowRun {
    std::vector<std::int32_t> values;
    QImage picture;
    std::vector<ShownMessage> shown;
};

MainWindowRun runAsMainWindow(const Game& game, const Analysis& analysis, const std::string& directory) {
    MainWindowRun run;
    const auto dataset = MakeDrawDataSet(game, directory);
    run.values.assign(static_cast<std::size_t>(game.numbers), 0);
    std::vector<std::int32_t> periods(static_cast<std::size_t>(game.numbers), 0);
    run.picture = QImage(board::kWidth, board::kHeight, QImage::Format_RGB32);
    run.picture.fill(Qt::white);
    TCanvas canvas(run.picture);
    RecordingMessageService messages;
    AnalysisContext context{*dataset, run.values, periods, canvas};
    RunAnalysisCommand(analysis, game, context);
    run.shown = messages.shown;
    return run;
}

std::optional<QImage> loadPng(const std::string& path) {
    QImage image;
    if (!image.load(QString::fromStdString(path), "PNG")) return std::nullopt;
    return image.convertToFormat(QImage::Format_RGB32);
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

void checkGame(const Game& game, const Draws& draws,
               std::optional<std::vector<std::int32_t>> (*expected)(const std::string&)) {
    TempDir dir;
    testsupport::writeDrawTable(dir.file(tableOf(game)), game, draws);
    for (const Analysis& analysis : Analyses()) {
        if (analysis.binName != nullptr) continue;  // their bins have a test of their own, below
        SCOPED_TRACE(analysis.cliName);
        const std::string png = dir.file(std::string(analysis.cliName) + ".png");
        const ProgramResult result =
            runCli({"analyze", gameWord(game), analysis.cliName, "--dir", dir.path(), "--values", "--png", png});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        if (const auto byHand = expected(analysis.cliName)) EXPECT_EQ(result.out, valuesText(*byHand));

        const MainWindowRun direct = runAsMainWindow(game, analysis, dir.path());
        EXPECT_TRUE(direct.shown.empty());
        EXPECT_EQ(result.out, valuesText(direct.values));
        const auto written = loadPng(png);
        ASSERT_TRUE(written.has_value()) << "no picture at " << png;
        EXPECT_TRUE(samePicture(*written, direct.picture));
        // Not the white picture nor the grey board alone: the command painted its board.
        EXPECT_EQ(written->pixel(0, board::kBaseline - 1),
                  ToRgb(BarColor(direct.values[0], RedThreshold(direct.values))));
    }
}

TEST(AnalyzeCommand, SuperLotoValuesAndPicturesAreThoseOfTheMainWindow) {
    checkGame(kSuperLoto, superLotoDraws(), superLotoExpected);
}

TEST(AnalyzeCommand, KenoValuesAndPicturesAreThoseOfTheMainWindow) { checkGame(kKeno, kenoDraws(), kenoExpected); }

// The sums and the pairs give their bins with what chance gives them, in every output form, and
// the picture the window's command paints, the numbers' board values left alone.
TEST(AnalyzeCommand, SumsAndPairsGiveTheirBinsInEveryFormAndTheWindowsPicture) {
    TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, superLotoDraws());
    auto run = [&](const char* analysis, std::vector<std::string> more = {}) {
        std::vector<std::string> args{"analyze", "loto", analysis, "--dir", dir.path()};
        args.insert(args.end(), more.begin(), more.end());
        return runCli(args).out;
    };
    // 1 and 3 come together in draws 1, 4 and 6, 2 and 7 in draws 3 and 5, every other pair of the
    // lowest numbers once or never; a pair's share of a draw is 6·5 / (49·48). The sums are 21, 46,
    // 63, 74, 95, 106, 152 and 148: SuperLoto's bins are 21–49, then tens.
    const std::vector<double> chances = DrawSumChances(49, 6);
    char below50[32];
    std::snprintf(below50, sizeof below50, "%.3f", 8 * std::accumulate(&chances[21], &chances[50], 0.0));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"pairs"}, "1 и 3\t3\t0.102\n2 и 7\t2\t0.102\n1 и 2\t1\t0.102\n"},
        {{"pairs", "--format", "csv"}, "pair,count,expected\n1 и 3,3,0.102\n"},
        {{"pairs", "--format=json"}, "[\n  {\"pair\": \"1 и 3\", \"count\": 3, \"expected\": 0.102},\n"},
        {{"sums"}, "21–49\t2\t" + std::string(below50) + "\n50–59\t0\t"},
        {{"sums", "--format", "csv"}, "sum,count,expected\n21–49,2,"},
        {{"sums", "--format", "json"}, "[\n  {\"sum\": \"21–49\", \"count\": 2, \"expected\": " + std::string(below50)},
    };
    for (const auto& [args, start] : cases) {
        const std::string out = run(args[0].c_str(), {args.begin() + 1, args.end()});
        EXPECT_TRUE(out.starts_with(start)) << out;
    }
    EXPECT_NE(run("sums").find("\n140–149\t1\t"), std::string::npos);

    for (const ::Analysis* analysis : {&DrawSumsAnalysis(), &PairsAnalysis()}) {
        const std::string png = dir.file(std::string(analysis->cliName) + ".png");
        EXPECT_EQ(run(analysis->cliName, {"--png", png}), "");
        const auto dataset = MakeDrawDataSet(kSuperLoto, dir.path());
        std::vector<std::int32_t> values(49, kSentinel), periods(49, kSentinel);
        QImage picture(board::kWidth, board::kHeight, QImage::Format_RGB32);
        TCanvas canvas(picture);
        RunAnalysis(*analysis, kSuperLoto, *dataset,
                    BoardTarget{values, periods, [&]() -> TCanvas& { return canvas; }});
        EXPECT_EQ(values, std::vector<std::int32_t>(49, kSentinel));
        const auto written = loadPng(png);
        ASSERT_TRUE(written.has_value());
        EXPECT_TRUE(samePicture(*written, picture)) << analysis->cliName;
    }
}

TEST(AnalyzeCommand, OnlyWhatIsAskedForIsWritten) {
    TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, superLotoDraws());

    // Asked for neither values nor a picture, the command prints the values.
    const ProgramResult quiet = runCli({"analyze", "loto", "talven", "--dir", dir.path()});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, runCli({"analyze", "loto", "talven", "--dir", dir.path(), "--values"}).out);
    EXPECT_NE(quiet.out, "");
    EXPECT_EQ(quiet.err, "");

    const std::string png = dir.file("board.png");
    const ProgramResult picture = runCli({"analyze", "--png", png, "loto", "--dir", dir.path(), "histogram"});
    EXPECT_EQ(picture.status, 0) << picture.err;
    EXPECT_EQ(picture.out, "");
    const auto written = loadPng(png);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->size(), QSize(board::kWidth, board::kHeight));
    EXPECT_TRUE(samePicture(*written, runAsMainWindow(kSuperLoto, FrequencyHistogramAnalysis(), dir.path()).picture));

    // A picture that cannot be written is a failure, and the values are not printed either.
    const ProgramResult unwritable =
        runCli({"analyze", "loto", "histogram", "--dir", dir.path(), "--values", "--png", dir.file("no/such/dir.png")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_NE(unwritable.err.find("cannot write " + dir.file("no/such/dir.png")), std::string::npos);

    // A full disk: the write fails part way, is an error with the system's reason, and leaves no file.
    ASSERT_EQ(::symlink("/dev/full", dir.file("full-waiting.png").c_str()), 0);
    const ProgramResult oneFull =
        runCli({"analyze", "loto", "waiting", "--dir", dir.path(), "--png", dir.file("full-waiting.png")});
    EXPECT_EQ(oneFull.status, 1);
    EXPECT_EQ(oneFull.err,
              "sharometr-cli analyze: cannot write " + dir.file("full-waiting.png") + ": No space left on device\n");
    EXPECT_FALSE(exists(dir.file("full-waiting.png")));

    // A picture there already stays whole when its successor cannot be written, renamed or put on
    // the disk; nothing is left beside it.
    const std::string kept = testsupport::readFile(png);
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::string> before = names();
    for (const platform::Call failing : {platform::Call::Write, platform::Call::Flush, platform::Call::Move}) {
        const platform::FaultGuard fault(platform::Fault{failing, 0, 1, platform::code::kDiskFull, 0});
        const ProgramResult failed = runCli({"analyze", "loto", "waiting", "--dir", dir.path(), "--png", png});
        EXPECT_EQ(failed.status, 1);
        EXPECT_EQ(failed.err, "sharometr-cli analyze: cannot write " + png + ": No space left on device\n");
        EXPECT_EQ(testsupport::readFile(png), kept);
        EXPECT_EQ(names(), before);
    }
    // A FIFO nobody reads is refused at once, and stays.
    ASSERT_EQ(::mkfifo(dir.file("fifo.png").c_str(), 0600), 0);
    const ProgramResult fifo =
        runCli({"analyze", "loto", "waiting", "--dir", dir.path(), "--png", dir.file("fifo.png")});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_TRUE(exists(dir.file("fifo.png")));
}

TEST(AnalyzeCommand, DrawsWithBadValuesAreCountedOnStandardError) {
    TempDir dir;
    Draws draws = superLotoDraws();
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, draws);
    const ProgramResult sound = runCli({"analyze", "loto", "histogram", "--dir", dir.path()});
    EXPECT_EQ(sound.err, "");
    // A number twice, one outside the game, and a blank one, each in a draw of its own.
    ASSERT_EQ(runCli({"set", "--force", dir.file("lotobase.dbf"), "2", "C2=1"}).status, 0);
    ASSERT_EQ(runCli({"set", "--force", dir.file("lotobase.dbf"), "3", "C3=50"}).status, 0);
    ASSERT_EQ(runCli({"set", "--force", dir.file("lotobase.dbf"), "5", "C1="}).status, 0);
    const ProgramResult bad = runCli({"analyze", "loto", "histogram", "--dir", dir.path()});
    EXPECT_EQ(bad.status, 0);
    EXPECT_EQ(bad.err,
              "sharometr-cli analyze: 3 draws hold a blank number, one outside 1..49 or one twice (check "
              "lists them)\n");
    EXPECT_NE(bad.out, "");
    // Only the draws analysed count.
    EXPECT_EQ(runCli({"analyze", "loto", "histogram", "--dir", dir.path(), "--last", "5"}).err,
              "sharometr-cli analyze: 1 draw holds a blank number, one outside 1..49 or one twice (check lists "
              "them)\n");
}

TEST(AnalyzeCommand, ACommandsMessageGoesToStandardErrorAndNothingIsWritten) {
    TempDir dir;
    Draws loto = superLotoDraws();
    Draws keno = kenoDraws();
    loto.resize(4);
    keno.resize(4);
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, loto);
    testsupport::writeDrawTable(dir.file("kenobase.dbf"), kKeno, keno);
    TempDir many;
    testsupport::makeDrawTable(many.file("lotobase.dbf"), kSuperLoto, 201, 5);

    struct Case {
        std::string game, analysis, directory, message;
    };
    const Case cases[] = {
        {"loto", "histogram", dir.path(), analysistest::kHistogramTooFew},
        {"keno", "histogram", dir.path(), analysistest::kHistogramTooFew},
        {"loto", "waiting", dir.path(), analysistest::kTooFew},
        {"keno", "talven", dir.path(), analysistest::kTooFew},
        {"loto", "waiting", many.path(), analysistest::kTooMany},
        {"loto", "sums", dir.path(), analysistest::kTooFew},
        {"keno", "pairs", dir.path(), analysistest::kTooFew},
    };
    // A service installed by the program around the command stays in place.
    RecordingMessageService outer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.game + " " + c.analysis);
        const std::string png = dir.file("refused.png");
        const ProgramResult result =
            runCli({"analyze", c.game, c.analysis, "--dir", c.directory, "--values", "--png", png});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, c.message + "\n");
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(exists(png));
    }
    EXPECT_TRUE(outer.shown.empty());
    EXPECT_EQ(&MessageService::Current(), &outer);

    // Two hundred draws are still analysed.
    TempDir limit;
    testsupport::makeDrawTable(limit.file("kenobase.dbf"), kKeno, 200, 5);
    const ProgramResult atLimit = runCli({"analyze", "keno", "waiting", "--dir", limit.path(), "--values"});
    EXPECT_EQ(atLimit.status, 0) << atLimit.err;
    EXPECT_EQ(atLimit.out, valuesText(runAsMainWindow(kKeno, AverageWaitingPeriodAnalysis(), limit.path()).values));
}

TEST(AnalyzeCommand, AMissingTableFailsWithTheDatasetsMessage) {
    TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, superLotoDraws());
    const std::string png = dir.file("board.png");

    const ProgramResult keno = runCli({"analyze", "keno", "histogram", "--dir", dir.path(), "--values", "--png", png});
    EXPECT_EQ(keno.status, 1);
    EXPECT_EQ(keno.out, "");
    EXPECT_EQ(keno.err, "Cannot find file " + dir.file("kenobase.dbf") + "\n");
    EXPECT_FALSE(exists(png));

    const ProgramResult noDir = runCli({"analyze", "loto", "histogram", "--dir", dir.file("nowhere"), "--values"});
    EXPECT_EQ(noDir.status, 1);
    EXPECT_EQ(noDir.out, "");
    EXPECT_EQ(noDir.err, "Cannot find file " + dir.file("nowhere/lotobase.dbf") + "\n");

    // A trailing slash on the directory names the same table.
    const ProgramResult slash = runCli({"analyze", "loto", "histogram", "--dir", dir.path() + "/", "--values"});
    EXPECT_EQ(slash.status, 0) << slash.err;
    EXPECT_EQ(slash.out, valuesText(*superLotoExpected("histogram")));
}

TEST(AnalyzeCommand, TheTablesAreReadFromTheCurrentDirectoryByDefault) {
    TempDir dir;
    testsupport::writeDrawTable(dir.file("KENOBASE.DBF"), kKeno, kenoDraws());
    char here[4096];
    ASSERT_NE(::getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const ProgramResult result = runCli({"analyze", "keno", "succession", "--values"});
    const ProgramResult loto = runCli({"analyze", "loto", "succession", "--values"});
    ASSERT_EQ(::chdir(here), 0);

    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, valuesText(*kenoExpected("succession")));
    // The message names the table as the main window's start-up does.
    EXPECT_EQ(loto.status, 1);
    EXPECT_EQ(loto.err, "Cannot find file lotobase.dbf\n");
}

TEST(AnalyzeCommand, WrongCommandLinesShowTheUsage) {
    TempDir dir;
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, superLotoDraws());
    // Each after "analyze --dir DIR".
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"lotto", "histogram"},
        {"loto"},
        {"loto", "median"},
        {"loto", "histogram", "extra"},
        {"loto", "histogram", "--dir"},
        {"loto", "histogram", "--png"},
        {"loto", "histogram", "--png", ""},
        {"loto", "histogram", "--value"},
        {"histogram", "loto"},
        {"loto", "histogram", "--last", "0"},
        {"loto", "histogram", "--upto", "0"},
    };
    for (const auto& rest : wrong) {
        std::vector<std::string> args{"analyze", "--dir", dir.path()};
        args.insert(args.end(), rest.begin(), rest.end());
        std::string line;
        for (const auto& word : rest) line += word + " ";
        SCOPED_TRACE(line);
        const ProgramResult result = runCli(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind("sharometr-cli analyze: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find("usage: sharometr-cli"), std::string::npos);
    }

    std::ostringstream usage;
    cli::printUsage(usage);
    EXPECT_NE(usage.str().find("analyze GAME ANALYSIS|all [OPTIONS]"), std::string::npos);
    std::vector<std::string> names;
    for (const Analysis& analysis : Analyses()) names.emplace_back(analysis.cliName);
    EXPECT_NE(usage.str().find(cli::alternatives(names)), std::string::npos);
    EXPECT_EQ(cli::alternatives({"histogram", "succession", "waiting", "talven"}),
              "histogram, succession, waiting or talven");
}

// The variables of the environment named, unset until the object goes.
class WithoutVariables {
public:
    explicit WithoutVariables(std::vector<std::string> names) : m_names(std::move(names)) {
        for (const auto& name : m_names) {
            const char* value = std::getenv(name.c_str());
            m_values.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name.c_str());
        }
    }
    ~WithoutVariables() {
        for (std::size_t i = 0; i < m_names.size(); ++i)
            if (m_values[i]) ::setenv(m_names[i].c_str(), m_values[i]->c_str(), 1);
    }
    WithoutVariables(const WithoutVariables&) = delete;
    WithoutVariables& operator=(const WithoutVariables&) = delete;

private:
    std::vector<std::string> m_names;
    std::vector<std::optional<std::string>> m_values;
};

TEST(AnalyzeCommand, TheProgramPaintsWithoutADisplay) {
    TempDir dir;
    TempDir scratch;
    testsupport::writeDrawTable(dir.file("kenobase.dbf"), kKeno, kenoDraws());
    const std::string png = dir.file("talven.png");
    ProgramResult result;
    ProgramResult refused;
    {
        WithoutVariables noDisplay({"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"});
        result = cli_test::runProgram(
            kProgram, {"analyze", "keno", "talven", "--dir", dir.path(), "--values", "--png", png}, scratch);
        refused = cli_test::runProgram(kProgram, {"analyze", "loto", "histogram", "--dir", dir.path()}, scratch);
    }
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, valuesText(*kenoExpected("talven")));
    // Only the program's own words on standard error: none here.
    EXPECT_EQ(result.err, "");
    const auto written = loadPng(png);
    ASSERT_TRUE(written.has_value());
    EXPECT_TRUE(samePicture(*written, runAsMainWindow(kKeno, TalvenMethodAnalysis(), dir.path()).picture));

    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "Cannot find file " + dir.file("lotobase.dbf") + "\n");
}

}  // namespace
