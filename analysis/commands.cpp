// The four analyses of the draw history, one implementation for both games: the frequency
// histogram, the succession probability, the average waiting period and the Тальвен method.
// What differs between SuperLoto and Keno beyond the numbers and fields is kept in one table
// below. Each command moves the dataset, asks its record count and paints in the order the
// users' pictures depend on: the walk decides which draws count, and the board painter wipes
// the picture, so every caption is written after it.
#include "analysis/commands.h"

#include "analysis/draw_datasets.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/board.h"
#include "toolkit/dialogs.h"
#include "toolkit/fields.h"

namespace {

// What the commands do differently per game, beyond what GameRules holds.
struct CommandRules {
    const GameRules* game;
    // SuperLoto's succession walk counts every pair of consecutive draws; Keno's moves to the
    // later draw before counting and so never counts the pair that ends in the latest draw.
    bool successionCountsLatestPair;
    // Keno's succession sums are divided by this before painting (rounded half to even).
    int successionDivisor;
    // How many of the close ratings (11, 10, 9, 8 for distances 0, 1, 2, 3) the Тальвен method
    // gives; any greater distance rates kDistantRating.
    int talvenCloseRatings;
    int talvenCaptionSize;  // points
};

const CommandRules kCommandRules[] = {
    {&kSuperLoto, true, 1, 4, 10},
    {&kKeno, false, 4, 3, 8},
};

constexpr std::int32_t kCloseRatings[] = {11, 10, 9, 8};
constexpr std::int32_t kDistantRating = 5;
constexpr int kWaitingCloseRatings = 3;

constexpr int kFewestDraws = 5;
constexpr int kMostWaitingDraws = 200;

constexpr int kCaptionSize = 10;  // points, the analyses' headings
constexpr int kHeadingX = 5;
constexpr int kHeadingY = 10;
constexpr int kCountCaptionX = 20;
constexpr int kCountCaptionY = 30;
constexpr int kDrawCaptionX = 290;
constexpr int kDrawCaptionStep = 17;

const char kHistogramTooFew[] = "ВНИМАНИЕ! Необходимо заполнить по крайней мере 5 записей!";
const char kTooFew[] = "ВНИМАНИЕ! Необходимо заполнить хотя бы 5 записей!";
const char kTooMany[] =
    "По личному мнению автора, анализ количества записей более 200 теряет смысл по ряду причин. "
    "Уменьшите количество записей в базе.";
const char kSuccessionHeading[] = "Расчет вероятности для комплекта шаров: ";
const char kWaitingHeading[] = "Расчет среднего периода ожидания";
const char kTalvenHeading[] = "Расчет наиболее вероятных номеров по методу А.Тальвена";

const CommandRules& RulesOf(const GameRules& game)
{
    for (const CommandRules& rules : kCommandRules)
        if (rules.game == &game) return rules;
    throw std::invalid_argument(std::string("no analysis rules for the game ") + game.name);
}

void CheckArray(const GameRules& game, std::span<std::int32_t> array, const char* what)
{
    if (array.size() != static_cast<std::size_t>(game.numbers))
        throw std::invalid_argument(std::string(what) + " do not match the numbers of " + game.name);
}

bool IsNumber(const GameRules& game, std::int32_t value)
{
    return value >= 1 && value <= game.numbers;
}

// The entry of lottery number `number` (1-based) in a per-number array.
std::int32_t& EntryOf(std::span<std::int32_t> array, std::int32_t number)
{
    return array[static_cast<std::size_t>(number - 1)];
}

// Blank fields (0) and numbers outside the game have no entry and are not counted.
void Tally(const GameRules& game, std::span<std::int32_t> values, std::int32_t number)
{
    if (IsNumber(game, number)) ++EntryOf(values, number);
}

std::int32_t Rating(long long distance, int closeRatings)
{
    return distance < closeRatings ? kCloseRatings[distance] : kDistantRating;
}

bool CurrentDrawHolds(TDataSet& dataset, const GameRules& game, std::int32_t number)
{
    for (int f = 0; f < game.fieldsPerDraw; ++f)
        if (dataset.Fields(f).AsInteger() == number) return true;
    return false;
}

void WriteHeading(TCanvas& canvas, int points, const char* text)
{
    canvas.SetFontColor(clWhite);
    canvas.SetFontSize(points);
    canvas.TextOut(kHeadingX, kHeadingY, text);
}

}  // namespace

void FrequencyHistogram(const GameRules& game, AnalysisContext& context)
{
    BlockReads blockReads(context.dataset);
    CheckArray(game, context.values, "board values");
    TDataSet& dataset = context.dataset;

    std::ranges::fill(context.values, 0);
    dataset.First();
    if (dataset.RecordCount() < kFewestDraws) {
        ShowMessage(kHistogramTooFew);
        return;
    }
    // The exact count is the number of records First and Next visit, so the walk needs no end test.
    const int draws = dataset.RecordCount();
    for (int r = 0; r < draws; ++r) {
        for (int f = 0; f < game.fieldsPerDraw; ++f) Tally(game, context.values, dataset.Fields(f).AsInteger());
        dataset.Next();
    }
    DrawGameBoard(context.canvas, game, context.values);
    context.canvas.TextOut(kCountCaptionX, kCountCaptionY,
                           "В обработке: " + std::to_string(dataset.RecordCount()) + " записей");
}

void SuccessionProbability(const GameRules& game, AnalysisContext& context)
{
    BlockReads blockReads(context.dataset);
    CheckArray(game, context.values, "board values");
    const CommandRules& rules = RulesOf(game);
    TDataSet& dataset = context.dataset;
    const int numbers = game.numbers;

    // Cell (later, earlier): how often `later` came out in the draw right after one holding `earlier`.
    std::vector<std::int32_t> succession(static_cast<std::size_t>(numbers) * static_cast<std::size_t>(numbers), 0);
    auto cell = [&](std::int32_t later, std::int32_t earlier) -> std::int32_t& {
        return succession[static_cast<std::size_t>(later - 1) * static_cast<std::size_t>(numbers) +
                          static_cast<std::size_t>(earlier - 1)];
    };
    // With the cursor on the later draw of a pair: reads it, steps back to the earlier draw, reads
    // that and returns to the later one. Every number of the one follows every number of the
    // other; reading each draw once gives the counts that stepping back once per number gives.
    std::vector<std::int32_t> later(static_cast<std::size_t>(game.fieldsPerDraw));
    std::vector<std::int32_t> earlier(later.size());
    auto countPair = [&] {
        for (int f = 0; f < game.fieldsPerDraw; ++f) later[static_cast<std::size_t>(f)] = dataset.Fields(f).AsInteger();
        dataset.Prior();
        for (int g = 0; g < game.fieldsPerDraw; ++g) earlier[static_cast<std::size_t>(g)] = dataset.Fields(g).AsInteger();
        dataset.Next();
        for (std::int32_t a : later) {
            if (!IsNumber(game, a)) continue;
            for (std::int32_t b : earlier) {
                if (IsNumber(game, b)) ++cell(a, b);
            }
        }
    };

    std::ranges::fill(context.values, 0);
    const int draws = dataset.RecordCount();
    dataset.First();
    if (rules.successionCountsLatestPair) {
        dataset.Next();
        for (int pass = 1; pass <= draws - 1; ++pass) {
            countPair();
            dataset.Next();
        }
    } else {
        for (int pass = 1; pass <= draws - 2; ++pass) {
            dataset.Next();
            countPair();
        }
    }

    // An empty table has no latest draw: nothing is summed and its caption lists no numbers.
    dataset.Last();
    std::vector<std::int32_t> latest;
    if (!dataset.IsEmpty())
        for (int f = 0; f < game.fieldsPerDraw; ++f) latest.push_back(dataset.Fields(f).AsInteger());
    for (std::int32_t j = 1; j <= numbers; ++j)
        for (std::int32_t z : latest)
            if (IsNumber(game, z)) EntryOf(context.values, j) += cell(j, z);
    if (rules.successionDivisor != 1)
        for (std::int32_t& value : context.values)
            value = static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(value) / rules.successionDivisor));

    DrawGameBoard(context.canvas, game, context.values);
    dataset.Last();
    WriteHeading(context.canvas, kCaptionSize, kSuccessionHeading);
    if (!dataset.IsEmpty())
        for (int i = 0; i < game.fieldsPerDraw; ++i)
            context.canvas.TextOut(kDrawCaptionX + kDrawCaptionStep * i, kHeadingY, dataset.Fields(i).AsString());
}

void AverageWaitingPeriod(const GameRules& game, AnalysisContext& context)
{
    BlockReads blockReads(context.dataset);
    CheckArray(game, context.values, "board values");
    CheckArray(game, context.periods, "periods");
    TDataSet& dataset = context.dataset;
    const int fields = game.fieldsPerDraw;

    if (dataset.RecordCount() < kFewestDraws) {
        ShowMessage(kTooFew);
        return;
    }
    if (dataset.RecordCount() > kMostWaitingDraws) {
        ShowMessage(kTooMany);
        return;
    }
    std::ranges::fill(context.values, 0);
    std::ranges::fill(context.periods, 0);

    // The draws as walked, row 1 first; the searches below look only at these rows.
    dataset.First();
    const int draws = dataset.RecordCount();
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(draws) * static_cast<std::size_t>(fields));
    for (int r = 0; r < draws; ++r) {
        for (int f = 0; f < fields; ++f) {
            const std::int32_t v = dataset.Fields(f).AsInteger();
            Tally(game, context.values, v);
            buffer[static_cast<std::size_t>(r) * static_cast<std::size_t>(fields) + static_cast<std::size_t>(f)] = v;
        }
        dataset.Next();
    }
    auto rowHolds = [&](int row, std::int32_t number) {
        if (row < 1 || row > draws) return false;
        const auto first = buffer.begin() + static_cast<std::ptrdiff_t>(row - 1) * fields;
        return std::find(first, first + fields, number) != first + fields;
    };
    auto nextRowHolding = [&](int after, std::int32_t number) {
        for (int row = after + 1; row <= draws; ++row)
            if (rowHolds(row, number)) return row;
        return 0;
    };

    for (std::int32_t i = 1; i <= game.numbers; ++i) {
        const std::int32_t appearances = EntryOf(context.values, i);
        if (appearances <= 2) continue;
        int previous = nextRowHolding(0, i);
        if (previous == 0) continue;
        // A number repeated within a draw counts more appearances than rows hold it; the search
        // for the missing rows ends at the latest draw.
        float gaps = 0.0f;
        for (std::int32_t k = 1; k < appearances; ++k) {
            const int row = nextRowHolding(previous, i);
            if (row == 0) break;
            gaps += static_cast<float>(row - previous);
            previous = row;
        }
        // Divided by the appearances, not by the gaps between them.
        EntryOf(context.periods, i) = static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(gaps) / appearances));
    }

    const int latest = dataset.RecordCount();
    for (std::int32_t i = 1; i <= game.numbers; ++i) {
        const std::int32_t period = EntryOf(context.periods, i);
        if (period <= 0) continue;
        int waiting = 0;
        for (int row = latest, count = 1; row >= 1; --row, ++count)
            if (rowHolds(row, i)) {
                waiting = count;
                break;
            }
        EntryOf(context.values, i) = Rating(std::abs(static_cast<long long>(period) - waiting), kWaitingCloseRatings);
    }

    DrawGameBoard(context.canvas, game, context.values);
    WriteHeading(context.canvas, kCaptionSize, kWaitingHeading);
}

void TalvenMethod(const GameRules& game, AnalysisContext& context)
{
    BlockReads blockReads(context.dataset);
    CheckArray(game, context.values, "board values");
    CheckArray(game, context.periods, "periods");
    const CommandRules& rules = RulesOf(game);
    TDataSet& dataset = context.dataset;

    std::ranges::fill(context.values, 0);
    if (dataset.RecordCount() < kFewestDraws) {
        ShowMessage(kTooFew);
        return;
    }
    std::ranges::fill(context.values, 0);
    std::ranges::fill(context.periods, 0);

    dataset.First();
    const int draws = dataset.RecordCount();
    for (int r = 0; r < draws; ++r) {
        for (int f = 0; f < game.fieldsPerDraw; ++f) Tally(game, context.values, dataset.Fields(f).AsInteger());
        dataset.Next();
    }

    for (std::int32_t i = 1; i <= game.numbers; ++i) {
        const std::int32_t appearances = EntryOf(context.values, i);
        if (appearances <= 1) continue;
        // Back from the latest draw to the last appearance, never past the first draw.
        dataset.Last();
        long long after = 0;
        bool found = true;
        while (!CurrentDrawHolds(dataset, game, i)) {
            ++after;
            dataset.Prior();
            if (dataset.Bof()) {
                found = false;
                break;
            }
        }
        // Only a table changed by another program since the tally can lose the number; it then
        // keeps its count.
        if (!found) continue;
        // The table holds the draws counted above: one exact count serves every number.
        const long long lastAppearance = draws - after;
        const auto predicted = static_cast<std::int32_t>(RoundHalfEven(
            static_cast<double>(lastAppearance * (appearances + 1)) / appearances));
        EntryOf(context.periods, i) = predicted;
        // The distance from the draw before the latest, not from the next one.
        const long long distance = std::abs(static_cast<long long>(predicted) - draws + 1);
        EntryOf(context.values, i) = Rating(distance, rules.talvenCloseRatings);
    }

    DrawGameBoard(context.canvas, game, context.values);
    WriteHeading(context.canvas, rules.talvenCaptionSize, kTalvenHeading);
}
