// Games defined in files: the games file's mistakes, the rule that makes a game's record from N
// and m, the board geometry of every shipped game, a table's game by its fields, and a game
// written in a temporary games.ini run through every command of the companion; the start script
// takes the tables the program needs from the games command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "analysis/games_file.h"
#include "history/new_draw_table.h"
#include "analysis/synthetic_draws.h"
#include "backtest/backtest.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"

namespace {

using cli_test::runCli;
using testsupport::TempDir;

const std::string kGood = "[g520]\nname = Проба 5 из 20\nnumbers = 20\ndrawn = 5\ntable = g520.dbf\nfields = P\n";

// Every folder game gone again, as in a folder without games.ini.
class GamesTest : public ::testing::Test {
protected:
    void TearDown() override { LoadFolderGames(m_empty.path()); }
    TempDir m_empty;
};

TEST_F(GamesTest, EachKindOfMistakeNamesItsLineAndTheValidGamesServe) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"numbers = 5\n", "g.ini:1: 'numbers = 5' stands before any [game] section"},
        {"[G1]\n", "g.ini:1: [G1] is no game name: 1 to 16 small Latin letters and digits, a letter first"},
        {"[g1\n", "g.ini:1: [g1 has no closing ]"},
        {"[all]\n", "g.ini:1: [all] is no game name: 'all' means every game on the command line"},
        {"[loto]\n", "g.ini:1: [loto] is taken: the name of SuperLoto"},
        {"[g1]\nname\n", "g.ini:2: [g1] 'name' is not key = value"},
        {"[g1]\ncolour = red\n",
         "g.ini:2: [g1] unknown key 'colour' (name, numbers, drawn, table, fields, picks or wins)"},
        {"[g1]\nname = a\nname = b\n", "g.ini:3: [g1] 'name' is given twice"},
        {"[g1]\nname = a\n", "g.ini:1: [g1] lacks 'numbers = ...'"},
        {"[g1]\nname = Кено\nnumbers = 20\ndrawn = 5\ntable = a.dbf\nfields = A\n",
         "g.ini:2: [g1] name = Кено: the caption of Keno"},
        {"[g1]\nname = a\nnumbers = 100\ndrawn = 5\ntable = a.dbf\nfields = A\n",
         "g.ini:3: [g1] numbers = 100: a game's numbers are 2 to 99"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 20\ntable = a.dbf\nfields = A\n",
         "g.ini:4: [g1] drawn = 20: a draw of 20 takes 1 to 19"},
        {"[g1]\nname = a\nnumbers = 99\ndrawn = 21\ntable = a.dbf\nfields = A\n",
         "g.ini:4: [g1] drawn = 21: a draw of 99 takes 1 to 20"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = ../a.dbf\nfields = A\n",
         "g.ini:5: [g1] table = ../a.dbf: a file name in the tables' folder, ending in .dbf"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = LOTOBASE.DBF\nfields = A\n",
         "g.ini:5: [g1] table = LOTOBASE.DBF: the table of SuperLoto"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = KenoTick.dbf\nfields = A\n",
         "g.ini:5: [g1] table = KenoTick.dbf: the tickets table of Keno"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = a.dbf\nfields = AB\n",
         "g.ini:6: [g1] fields = AB: one Latin letter is wanted"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = a.dbf\nfields = k\n",
         "g.ini:6: [g1] fields = k: K1..K20 are the fields of Keno"},
        {"[g1]\nname = a\nnumbers = 40\ndrawn = 6\ntable = a.dbf\nfields = N\n",
         "g.ini:6: [g1] fields = N: N1..N6 are the fields of g645"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = a.dbf\nfields = A\npicks = 0\n",
         "g.ini:7: [g1] picks = 0: a back-test picks 1 to 19"},
        {"[g1]\nname = a\nnumbers = 20\ndrawn = 5\ntable = a.dbf\nfields = A\nwins = 2,2\n",
         "g.ini:7: [g1] wins = 2,2: match counts of 0 to 5, each once, with commas between"},
    };
    for (const auto& [text, mistake] : cases) {
        // The mistaken lines first, then a good game, which serves all the same.
        const GamesFile file = ParseGamesFile(text + kGood, "g.ini", Games());
        ASSERT_EQ(file.mistakes.size(), 1u) << text;
        EXPECT_EQ(file.mistakes[0], mistake) << text;
        ASSERT_EQ(file.games.size(), 1u) << text;
        EXPECT_EQ(file.games[0].cliName, "g520") << text;
    }
    // A file that is no games file: ten mistakes and the count of the rest; a long line quoted
    // in part.
    std::string junk;
    for (int i = 0; i < 25; ++i) junk += "x\n";
    const GamesFile many = ParseGamesFile(std::string(100, 'y') + "\n" + junk, "g.ini", Games());
    ASSERT_EQ(many.mistakes.size(), 11u);
    EXPECT_EQ(many.mistakes[0], "g.ini:1: '" + std::string(40, 'y') + "…' stands before any [game] section");
    EXPECT_EQ(many.mistakes[10], "g.ini: 16 more mistakes");

    // A game the file defined twice: the second is the mistake.
    const GamesFile twice = ParseGamesFile(kGood + kGood, "g.ini", Games());
    ASSERT_EQ(twice.mistakes.size(), 1u);
    EXPECT_EQ(twice.mistakes[0], "g.ini:7: [g520] is taken: the name of g520");
    EXPECT_EQ(twice.games.size(), 1u);
}

TEST_F(GamesTest, TheProgramsOwnListIsReadWhole) {
    const std::vector<const Game*> compiled = {&kSuperLoto, &kKeno};
    const GamesFile own = ParseGamesFile(BuiltInGamesFile(), "own", compiled);
    EXPECT_TRUE(own.mistakes.empty()) << own.mistakes.front();
    std::vector<std::string> names;
    for (const Game* game : Games()) names.emplace_back(game->cliName);
    EXPECT_EQ(names, (std::vector<std::string>{"loto", "keno", "g536", "g645", "g749", "g1224"}));
    const Game& g536 = *GameNamed("g536");
    EXPECT_EQ(g536.numbers, 36);
    EXPECT_EQ(g536.fieldsPerDraw, 5);
    EXPECT_EQ(std::vector<int>(g536.wins().begin(), g536.wins().end()), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(std::vector<int>(kSuperLoto.wins().begin(), kSuperLoto.wins().end()), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_TRUE(kKeno.wins().empty());
    EXPECT_EQ(GameNamed("g1224")->backtestPicks, 12);
}

TEST_F(GamesTest, EachMistakeIsSaidInRussianForTheWindowLineForLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[G1]\n",
         "g.ini, строка 1: [G1] — не имя игры: нужно от 1 до 16 строчных латинских букв и цифр, первой — буква"},
        {"[g1\n", "g.ini, строка 1: у [g1 нет закрывающей скобки ]"},
        {"[loto]\n", "g.ini, строка 1: [loto] — это имя уже занято игрой «СуперЛото»"},
        {"[g1]\nname = a\n", "g.ini, строка 1: [g1] нет строки 'numbers = …'"},
        {"[g1]\nname = a\nnumbers = 100\ndrawn = 5\ntable = a.dbf\nfields = A\n",
         "g.ini, строка 3: [g1] numbers = 100: номеров в игре — от 2 до 99"},
        {"[g1]\nname = a\nnumbers = 70\ndrawn = 25\ntable = a.dbf\nfields = A\n",
         "g.ini, строка 4: [g1] drawn = 25: номеров в тираже — от 1 до 20 (в игре номера от 1 до 70)"},
        {"[g1]\nname = a\nnumbers = 40\ndrawn = 5\ntable = kenobase.dbf\nfields = A\n",
         "g.ini, строка 5: [g1] table = kenobase.dbf: это таблица игры «Кено»"},
        {"[g1]\nname = a\nnumbers = 40\ndrawn = 5\ntable = a.dbf\nfields = A\nwins = 9\n",
         "g.ini, строка 7: [g1] wins = 9: нужны числа совпадений от 0 до 5 через запятую, каждое по одному разу"},
    };
    for (const auto& [text, said] : cases) {
        const GamesFile file = ParseGamesFile(text, "g.ini", Games());
        ASSERT_EQ(file.russian.size(), file.mistakes.size()) << text;
        ASSERT_EQ(file.russian.size(), 1u) << text;
        EXPECT_EQ(file.russian[0], said) << text;
    }
    std::string junk;
    for (int i = 0; i < 25; ++i) junk += "x\n";
    const GamesFile many = ParseGamesFile(junk, "g.ini", Games());
    ASSERT_EQ(many.russian.size(), 11u);
    EXPECT_EQ(many.russian[10], "g.ini: и ещё 15\u00a0ошибок");
}

TEST_F(GamesTest, AGameOfTheProgramRepeatedIsPassedOverAndOneThatDiffersReplacesItsOwnWithANote) {
    const std::string g536 =
        "[g536]\nname = Гослото «5 из 36»\nnumbers = 36\ndrawn = 5\ntable = g536base.dbf\nfields = N\n";
    const std::string loto =
        "[loto]\nname = СуперЛото\nnumbers = 49\ndrawn = 6\ntable = lotobase.dbf\nfields = C\n"
        "wins = 3,4,5,6\n";
    // As the program has them: nothing said, nothing added.
    const GamesFile same = ParseGamesFile(g536 + "wins = 2,3,4,5\n" + loto, "g.ini", Games());
    EXPECT_TRUE(same.mistakes.empty()) << same.mistakes.front();
    EXPECT_TRUE(same.games.empty());
    // SuperLoto otherwise is refused; a game of the program's own list is replaced, said once.
    const GamesFile other = ParseGamesFile(g536 + "wins = 3,4,5\n" +
                                               "[loto]\nname = СуперЛото\nnumbers = 49\n"
                                               "drawn = 6\ntable = lotobase.dbf\nfields = C\n",
                                           "g.ini", Games());
    ASSERT_EQ(other.mistakes.size(), 2u);
    EXPECT_EQ(other.mistakes[0], "g.ini:1: [g536] replaces the program's own g536");
    EXPECT_EQ(other.russian[0], "g.ini, строка 1: [g536] заменяет игру программы «Гослото «5 из 36»»");
    EXPECT_EQ(other.mistakes[1], "g.ini:8: [loto] is taken: the name of SuperLoto");
    ASSERT_EQ(other.games.size(), 1u);
    EXPECT_TRUE(other.games[0].replaces);

    // In the registry: the folder's game in the own one's place, until another folder is read.
    const TempDir folder;
    testsupport::writeFile(folder.file("games.ini"), g536 + "wins = 3,4,5\n");
    const std::size_t count = Games().size();
    EXPECT_EQ(LoadFolderGames(folder.path()).size(), 1u);
    EXPECT_EQ(Games().size(), count);
    EXPECT_EQ(Games()[2], GameNamed("g536"));
    EXPECT_EQ(std::vector<int>(GameNamed("g536")->wins().begin(), GameNamed("g536")->wins().end()),
              (std::vector<int>{3, 4, 5}));
    LoadFolderGames(m_empty.path());
    EXPECT_EQ(GameNamed("g536")->wins().size(), 4u);
}

// The rule, applied to SuperLoto's and Keno's N and m, gives their compiled-in values.
TEST_F(GamesTest, TheRuleGivesSuperLotoAndKenoTheirOwnValues) {
    for (const Game* compiled : {&kSuperLoto, &kKeno}) {
        Game derived{};
        derived.cliName = compiled->cliName;
        derived.numbers = compiled->numbers;
        derived.fieldsPerDraw = compiled->fieldsPerDraw;
        DeriveGameValues(derived);
        EXPECT_EQ(derived.barStep, compiled->barStep) << compiled->name;
        EXPECT_EQ(derived.barWidth, compiled->barWidth) << compiled->name;
        EXPECT_EQ(derived.captionFontInPixels, compiled->captionFontInPixels) << compiled->name;
        EXPECT_EQ(derived.captionFont, compiled->captionFont) << compiled->name;
        EXPECT_EQ(derived.evenCaptionShift, compiled->evenCaptionShift) << compiled->name;
        EXPECT_EQ(derived.referenceLineEnd, compiled->referenceLineEnd) << compiled->name;
        EXPECT_EQ(derived.referenceLabelX, compiled->referenceLabelX) << compiled->name;
        EXPECT_EQ(derived.groupSeparators, compiled->groupSeparators) << compiled->name;
        EXPECT_EQ(derived.successionCountsLatestPair, compiled->successionCountsLatestPair) << compiled->name;
        EXPECT_EQ(derived.successionDivisor, compiled->successionDivisor) << compiled->name;
        EXPECT_EQ(derived.talvenCloseRatings, compiled->talvenCloseRatings) << compiled->name;
        EXPECT_EQ(derived.talvenCaptionSize, compiled->talvenCaptionSize) << compiled->name;
        EXPECT_EQ(derived.backtestPicks, compiled->backtestPicks) << compiled->name;
    }
}

// Every bar inside the picture, left of the reference labels; a label (two digits, at most 14
// pixels at 12 pixels high) inside the picture; a caption's two columns at least as wide as the
// two-digit caption of its font (12 pixels high: 14; 6 points: 10).
TEST_F(GamesTest, EveryBoardFitsThePicture) {
    Game widest{};
    widest.cliName = "g99";
    widest.numbers = 99;
    widest.fieldsPerDraw = 5;
    DeriveGameValues(widest);
    std::vector<const Game*> games(Games().begin(), Games().end());
    games.push_back(&widest);
    for (const Game* game : games) {
        SCOPED_TRACE(game->cliName);
        EXPECT_GE(game->barWidth, 1);
        EXPECT_LE(game->numbers * game->barStep, game->referenceLabelX);
        EXPECT_LE(game->referenceLineEnd, game->referenceLabelX);
        EXPECT_LE(game->referenceLabelX + 14, board::kWidth);
        EXPECT_GE(2 * game->barStep, game->captionFontInPixels ? 14 : 10);
        const int lastCaption = game->barStep * (game->numbers - 1);
        EXPECT_LE(lastCaption + (game->captionFontInPixels ? 14 : 10), board::kWidth);
    }
    EXPECT_EQ(widest.barStep, 6);
}

TEST_F(GamesTest, ATablesGameIsToldByItsFieldNamesAndCount) {
    const auto fields = [](char prefix, int count, int extra = 0) {
        std::vector<TableField> list;
        for (int i = 1; i <= count; ++i) list.push_back({prefix + std::to_string(i), true});
        for (int i = 0; i < extra; ++i) list.push_back({"X" + std::to_string(i), true});
        return list;
    };
    EXPECT_EQ(GameOfTable(fields('C', 6)), &kSuperLoto);
    EXPECT_EQ(GameOfTable(fields('K', 20)), &kKeno);
    EXPECT_EQ(GameOfTable(fields('N', 6)), GameNamed("g645")) << "six fields are not SuperLoto's by their count";
    EXPECT_EQ(GameOfTable(fields('N', 5)), GameNamed("g536"));
    EXPECT_EQ(GameOfTable(fields('N', 7, 2)), GameNamed("g749")) << "the most fields that lead the table";
    EXPECT_EQ(GameOfTable(fields('A', 6)), nullptr);
    auto text = fields('C', 6);
    text[2].numeric = false;
    EXPECT_EQ(GameOfTable(text), nullptr);
}

TEST_F(GamesTest, TheGamesCommandListsTheRegistryWithTheTablesPresent) {
    TempDir dir;
    testsupport::writeFile(dir.file("games.ini"), kGood);
    testsupport::makeDrawTable(dir.file("lotobase.dbf"), kSuperLoto, 5, 1);
    const auto tsv = runCli({"games", "--dir", dir.path()});
    EXPECT_EQ(tsv.status, 0);
    EXPECT_EQ(tsv.err, "");
    EXPECT_EQ(tsv.out,
              "loto\tСуперЛото\t49\t6\tlotobase.dbf\tC1..C6\tyes\n"
              "keno\tКено\t80\t20\tkenobase.dbf\tK1..K20\tno\n"
              "g536\tГослото «5 из 36»\t36\t5\tg536base.dbf\tN1..N5\tno\n"
              "g645\tГослото «6 из 45»\t45\t6\tg645base.dbf\tN1..N6\tno\n"
              "g749\tГослото «7 из 49»\t49\t7\tg749base.dbf\tN1..N7\tno\n"
              "g1224\tГослото «12/24»\t24\t12\tg1224bas.dbf\tN1..N12\tno\n"
              "g520\tПроба 5 из 20\t20\t5\tg520.dbf\tP1..P5\tno\n");
    const auto csv = runCli({"games", "--dir", dir.path(), "--format", "csv"});
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')), "name,caption,numbers,drawn,table,fields,present");
    const auto json = runCli({"games", "--dir", dir.path(), "--format", "json"});
    EXPECT_NE(json.out.find("{\"name\": \"g520\", \"caption\": \"Проба 5 из 20\", \"numbers\": 20, \"drawn\": 5, "
                            "\"table\": \"g520.dbf\", \"fields\": \"P1..P5\", \"present\": false}"),
              std::string::npos)
        << json.out;

    // A bad line: its message, and every valid game still listed.
    testsupport::writeFile(dir.file("games.ini"), kGood + "[bad]\nnumbers = 300\n");
    const auto bad = runCli({"games", "--dir", dir.path()});
    EXPECT_EQ(bad.status, 0);
    EXPECT_EQ(bad.err, "sharometr-cli: " + dir.file("games.ini") + ":7: [bad] lacks 'name = ...'\n");
    EXPECT_NE(bad.out.find("g520\t"), std::string::npos);
}

// The help of the commands that take a game lists the registry's games, not a list of its own.
TEST_F(GamesTest, TheHelpOfTheGameCommandsListsTheGames) {
    for (const char* command : {"create", "analyze", "backtest"}) {
        const auto help = runCli({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find("\nGames (sharometr-cli games lists them with their tables):\n"
                                "  loto    6 of 1..49, lotobase.dbf, picks 6\n"
                                "  keno    20 of 1..80, kenobase.dbf, picks 10\n"
                                "  g536    5 of 1..36, g536base.dbf, picks 5\n"),
                  std::string::npos)
            << help.out;
        EXPECT_NE(help.out.find("  g1224   12 of 1..24, g1224bas.dbf, picks 12\n"), std::string::npos);
        EXPECT_EQ(help.out.find("loto|keno"), std::string::npos) << command;
    }
}

// A player's game, five lines of games.ini: its table made, draws imported and checked, and
// every analysis and the back-test run on it.
TEST_F(GamesTest, AGameOfTheFolderRunsThroughEveryCommand) {
    TempDir dir;
    testsupport::writeFile(dir.file("games.ini"), kGood);
    const auto created = runCli({"create", "--game", "g520", "--sample", "60", dir.path()});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "created " + dir.file("g520.dbf") + " with 60 draws\n");

    testsupport::writeFile(dir.file("draws.csv"), "1,2,3,4,5\n20,19,18,17,16\n");
    const auto imported = runCli({"import", dir.file("g520.dbf"), dir.file("draws.csv")});
    EXPECT_EQ(imported.status, 0) << imported.err;
    testsupport::writeFile(dir.file("bad.csv"), "1,2,3,4,21\n");
    const auto refused = runCli({"import", dir.file("g520.dbf"), dir.file("bad.csv")});
    EXPECT_EQ(refused.status, 1) << refused.out;
    EXPECT_NE(refused.err.find("21"), std::string::npos) << refused.err;

    const auto checked = runCli({"check", dir.file("g520.dbf")});
    EXPECT_EQ(checked.status, 0) << checked.out;
    EXPECT_EQ(checked.out, "ok: 62 records\n");
    ASSERT_EQ(runCli({"set", dir.file("g520.dbf"), "1", "P1=33", "--force"}).status, 0);
    const auto outside = runCli({"check", dir.file("g520.dbf")});
    EXPECT_EQ(outside.status, 1);
    EXPECT_NE(outside.out.find("record 1: P1 33 is outside 1..20"), std::string::npos) << outside.out;
    ASSERT_EQ(runCli({"set", dir.file("g520.dbf"), "1", "P1=6"}).status, 0);

    const auto analyzed = runCli({"analyze", "g520", "all", "--dir", dir.path()});
    EXPECT_EQ(analyzed.status, 0) << analyzed.err;
    EXPECT_EQ(std::count(analyzed.out.begin(), analyzed.out.end(), '\n'), 20) << "a line a number";
    const auto backtested = runCli({"backtest", "g520", "all", "--dir", dir.path(), "--from", "10"});
    EXPECT_EQ(backtested.status, 0) << backtested.err;
    EXPECT_EQ(std::count(backtested.out.begin(), backtested.out.end(), '\n'), 6) << backtested.out;
}

// A game of the folder whose numbers reach 99, so that an import's entry of a draw takes three
// words, its draws piped to the companion: a source read once, its duplicates still found.
TEST_F(GamesTest, ADrawFilePipedIntoAGameOfNinetyNineNumbers) {
    TempDir dir;
    testsupport::writeFile(dir.file("games.ini"),
                           "[g599]\nname = Проба 5 из 99\nnumbers = 99\ndrawn = 5\ntable = g599.dbf\nfields = P\n");
    ASSERT_EQ(runCli({"create", "--game", "g599", dir.path()}).status, 0);
    const std::string table = dir.file("g599.dbf");
    const std::string csv = dir.file("draws.csv");
    testsupport::writeFile(csv, "1,31,32,95,99\n1,31,33,95,99\n99,95,32,31,1\n2,31,32,95,98\n");
    TempDir scratch;
    const auto piped = cli_test::runProgram(
        "/bin/sh", {"-c", "cat '" + csv + "' | '" SHAROMETR_CLI_PROGRAM "' import '" + table + "' - --skip-duplicates"},
        scratch);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err, "line 3: the same draw as line 1, skipped\n");
    EXPECT_EQ(piped.out, "appended 3 draws, 1 duplicate skipped\n");
    EXPECT_EQ(runCli({"dump", table}).out, "1\t1\t31\t32\t95\t99\n2\t1\t31\t33\t95\t99\n3\t2\t31\t32\t95\t98\n");

    // The same from the file, newest first: the duplicate is now the upper line.
    testsupport::writeFile(csv, "98,97,96,95,94\n1,2,3,4,5\n94,95,96,97,98\n");
    const auto turned = runCli({"import", table, csv, "--newest-first", "--skip-duplicates"});
    EXPECT_EQ(turned.status, 0) << turned.err;
    EXPECT_EQ(turned.err, "line 1: the same draw as line 3, skipped\n");
    EXPECT_EQ(runCli({"dump", table}).out.substr(runCli({"dump", table}).out.find("\n4\t")),
              "\n4\t94\t95\t96\t97\t98\n5\t1\t2\t3\t4\t5\n");
}

// The random baseline of the games of the program's list, as of SuperLoto and Keno (their
// own check allows three deviations over two games; six games and three seeds are eighteen
// chances, so four here).
TEST_F(GamesTest, TheRandomBaselineOfEveryListedGameStaysNearChance) {
    for (const Game* game : Games()) {
        if (game->compiledIn()) continue;
        const std::vector<std::uint8_t> cells = [&] {
            std::vector<std::uint8_t> all;
            SyntheticDraws draws(*game);
            for (int i = 0; i < 3000; ++i)
                for (int number : draws.next()) all.push_back(static_cast<std::uint8_t>(number));
            return all;
        }();
        for (std::uint64_t seed : {1u, 2u, 3u}) {
            BacktestOptions options;
            options.seed = seed;
            const BacktestResult result = RunBacktest(*BacktestMethodNamed("random"), *game, cells, options);
            EXPECT_LT(std::abs(result.z), 4.0) << game->cliName << " seed " << seed;
        }
    }
}

}  // namespace

namespace {

// The package's start script, run from a folder of its own beside the companion and a stand-in
// for the program, in a fresh data folder; the tables of `games` removed after the first run.
class StartScript {
public:
    StartScript() {
        const std::string bin = m_root.file("bin");
        std::filesystem::create_directories(bin);
        std::filesystem::copy_file(SHAROMETR_START_SCRIPT, bin + "/sharometr-start");
        std::filesystem::create_symlink(SHAROMETR_CLI_PROGRAM, bin + "/sharometr-cli");
        testsupport::writeFile(bin + "/sharometr", "#!/bin/sh\nexit 0\n");
        for (const char* file : {"/sharometr-start", "/sharometr"})
            std::filesystem::permissions(bin + file, std::filesystem::perms::owner_all);
    }
    int run() const {
        return std::system(
            // A platform named, as a desktop session has a display: without one the script
            // makes the tables and then refuses to start the program.
            ("QT_QPA_PLATFORM=offscreen XDG_DATA_HOME='" + m_root.file("data") + "' '" + m_root.file("bin") +
             "/sharometr-start' >/dev/null 2>&1")
                .c_str());
    }
    std::string folder() const { return m_root.file("data") + "/sharometr"; }

private:
    TempDir m_root;
};

}  // namespace

// `games --needed` lists the games whose tables the program needs to start, and the start script
// takes from it the tables it makes again: no list of games written by hand.
TEST_F(GamesTest, TheStartScriptMakesAgainTheTablesTheGamesCommandSaysTheProgramNeeds) {
    TempDir dir;
    testsupport::writeFile(dir.file("games.ini"), kGood);
    const auto needed = runCli({"games", "--dir", dir.path(), "--needed"});
    EXPECT_EQ(needed.status, 0);
    EXPECT_EQ(needed.out,
              "loto\tСуперЛото\t49\t6\tlotobase.dbf\tC1..C6\tno\n"
              "keno\tКено\t80\t20\tkenobase.dbf\tK1..K20\tno\n");
    LoadFolderGames(m_empty.path());
    const std::string text = testsupport::readFile(SHAROMETR_START_SCRIPT);
    for (const Game* game : Games())
        EXPECT_FALSE(
            std::regex_search(text, std::regex(std::string("(^|[^A-Za-z0-9])") + game->cliName + "($|[^A-Za-z0-9])")))
            << "the start script names " << game->cliName;

    StartScript script;
    ASSERT_EQ(script.run(), 0);
    for (const Game* game : Games()) EXPECT_TRUE(DrawTableExists(*game, script.folder())) << game->cliName;
    for (const Game* game : Games()) std::filesystem::remove(script.folder() + "/" + game->tableFileName);
    ASSERT_EQ(script.run(), 0);
    int back = 0;
    for (const Game* game : Games()) {
        EXPECT_EQ(DrawTableExists(*game, script.folder()), game->neededAtStart()) << game->cliName;
        back += game->neededAtStart() ? 1 : 0;
    }
    EXPECT_EQ(back, 2);
}
