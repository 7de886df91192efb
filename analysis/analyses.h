// The analyses of the draw history as functions of the draws, one implementation for every game:
// the frequency histogram, the succession probability, the average waiting period and the
// Тальвен method, one value per number; the sums of the draws and the pairs that come together,
// values of bins of their own with what chance alone would give. Each is an accumulator fed the visible draws in table
// order, one row of small integers per draw (0 for anything that is not a number of the game: a blank field, a stray
// value), whose result is the board values (and periods) or a refusal naming its message. The
// accumulators keep what their result needs, not the draws, so a pass over a million draws
// stays small; they can be asked for their result at any point of the walk, which is how a
// back-test replays the history. Nothing here reads a table or paints.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "analysis/game.h"

// One draw: the game's fields in order, each a number of the game or 0.
using DrawRow = std::span<const std::uint8_t>;

// Where an analysis leaves the dataset's cursor, as the walk of its command leaves it.
enum class CursorAfter {
    Unmoved,   // the table was only counted
    First,     // on the first draw
    PastLast,  // walked past the latest draw: on it, at the end
    Last,      // on the latest draw
    Record,    // on the physical record `AnalysisResult::cursorRecord`
};

struct AnalysisResult {
    int draws = 0;                     // the draws analysed
    std::vector<std::int32_t> values;  // the board values: one per number, or one per bin
    // The bins the values stand for, a label each as the player reads it («121–130», «7 и 23»);
    // empty when value i is number i + 1's, as for most analyses.
    std::vector<std::string> binLabels;
    // The value each bin has on average when the draws come out by chance alone, exactly; empty
    // when the analysis gives none.
    std::vector<double> expected;
    std::vector<std::int32_t> periods;  // the periods, for the analyses that give them
    // Set when the analysis refuses the history: the message to show; nothing is painted.
    const char* refusal = nullptr;
    // A refusal that clears the board values first (the others leave them as they were).
    bool refusalClearsValues = false;
    CursorAfter cursor = CursorAfter::Unmoved;
    std::uint32_t cursorRecord = 0;

    // Whether the values are one per number of the game (and so may be painted on its board and
    // picked from).
    bool perNumber() const { return binLabels.empty(); }
};

class DrawAccumulator {
public:
    virtual ~DrawAccumulator() = default;
    // The next draws in table order: `cells` holds them row after row, `records` their physical
    // record numbers.
    virtual void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) = 0;
    // The next draw, with its physical record number.
    void add(DrawRow draw, std::uint32_t record) { addRows(draw, std::span(&record, 1)); }
    // The analysis of the draws added so far.
    virtual AnalysisResult result() const = 0;
};

// How an analysis captions its board, besides its values.
enum class CaptionKind {
    DrawCount,        // "В обработке: N записей" below the heading place
    LatestDraw,       // a heading followed by the latest draw's numbers
    Heading,          // a heading alone
    HeadingAndDraws,  // a heading followed by the count of draws it took («: 100 тиражей»)
};

// How the back-test picks numbers by an analysis: the k highest of its values over the draws
// before each tested draw. An analysis without one (its cliName nullptr) picks nothing.
struct BacktestPick {
    const char* cliName = nullptr;  // "hot", as the command line names the method
    const char* caption = nullptr;  // "Горячие номера", on the back-test's picture
    // The draws before the tested one the analysis is given: 0, every one; otherwise the latest so
    // many (the average waiting period, whose own limit is 200 draws).
    int latestDraws = 0;
    // What the walk feeds as it advances, when not the analysis itself (for the latest draws, one
    // that lets the oldest go).
    std::unique_ptr<DrawAccumulator> (*walking)(const Game& game) = nullptr;
};

// A row of the registry of analyses. The menus, the companion's commands, their help, the
// back-test and the tests all go over the registry, so a new analysis is its accumulator and one
// row here; rows are written with designated initializers, so that a field added later takes
// its default in every row that does not name it.
struct Analysis {
    const char* name = nullptr;          // "frequency histogram", in messages
    const char* cliName = nullptr;       // "histogram", as the command line names it
    const char* menuCaption = nullptr;   // "Гистограмма"
    const char* valueMeaning = nullptr;  // what a board value says, as output headers name it: "count", "score", ...
    CaptionKind caption = CaptionKind::Heading;
    const char* heading = nullptr;  // the heading's text, or nullptr
    // The heading's size in points where the game sets it (Тальвен's), or nullptr: 10 points.
    int Game::*headingPoints = nullptr;
    std::unique_ptr<DrawAccumulator> (*start)(const Game& game) = nullptr;
    BacktestPick backtest = {};
    // What a bin is when the values are not one per number: its name in output headers ("sum")
    // and in the window («Сумма»); nullptr: a number.
    const char* binName = nullptr;
    const char* binCaption = nullptr;
    // Whether the largest values are numbers worth picking, which a back-test may try: not sums
    // or pairs, which pick no number.
    bool picksNumbers = true;
};

// Every analysis, in menu order.
std::span<const Analysis> Analyses();
const Analysis& FrequencyHistogramAnalysis();
const Analysis& SuccessionProbabilityAnalysis();
const Analysis& AverageWaitingPeriodAnalysis();
const Analysis& TalvenMethodAnalysis();
const Analysis& DrawSumsAnalysis();
const Analysis& PairsAnalysis();
// The analysis of a command-line name, or nullptr.
const Analysis* AnalysisNamed(const std::string& cliName);

// The average waiting period of the latest kMostWaitingDraws draws added, whatever came before:
// as a new draw comes the oldest leaves, and the result is the analysis of those draws alone,
// without going over them again.
std::unique_ptr<DrawAccumulator> StartLatestWaitingPeriod(const Game& game);

// The object name of the menu item that runs analysis `index` of Analyses() on the game: the
// name the game fixes for it, else the game's and the analysis' command-line names ("g536Talven").
std::string MenuItemName(const Game& game, std::size_t index);
// The item's caption: the game's own spelling where it has one, else the analysis' caption.
const char* MenuItemCaption(const Game& game, std::size_t index);

// The analysis of draws held in memory (rows of `game.fieldsPerDraw` cells, record numbers
// counted from 1).
AnalysisResult Analyse(const Analysis& analysis, const Game& game, std::span<const std::uint8_t> cells);

// A cell of a draw row: the value when it is a number of the game, or 0. The table scan
// (TXbaseDataSet::ScanByteFields with the game's numbers as the largest) reads the same way.
inline std::uint8_t DrawCell(const Game& game, std::int64_t value) {
    return game.isNumber(value) ? static_cast<std::uint8_t>(value) : std::uint8_t{0};
}

// The analyses' messages.
inline constexpr char kHistogramTooFew[] = "ВНИМАНИЕ! Необходимо заполнить по крайней мере 5 записей!";
inline constexpr char kTooFew[] = "ВНИМАНИЕ! Необходимо заполнить хотя бы 5 записей!";
inline constexpr char kTooMany[] =
    "По личному мнению автора, анализ количества записей более 200 теряет смысл по ряду причин. "
    "Уменьшите количество записей в базе.";
inline constexpr int kFewestDraws = 5;

// The chance of each sum of the numbers of a draw of `picks` distinct numbers of 1..`highest`,
// all such draws equally likely: entry s is the chance of the sum s (0 below the smallest sum).
std::vector<double> DrawSumChances(int highest, int picks);
// How often a given pair of numbers comes together in one draw by chance: m(m - 1) / (N(N - 1)).
double PairChance(int highest, int picks);
// The most bins of sums, and the most frequent pairs shown.
inline constexpr int kMostSumBins = 24;
inline constexpr int kPairsShown = 20;
inline constexpr int kMostWaitingDraws = 200;
