// The analyses of bins of their own, the sums of the draws and the pairs that come together,
// against counts made here by brute force on small games, and what chance gives them against
// every draw of those games enumerated; their board.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/board.h"
#include "analysis/game.h"
#include "backtest/backtest.h"
#include "toolkit/canvas.h"

namespace {

Game smallGame(int numbers, int drawn) {
    Game game{};
    game.name = "small";
    game.cliName = "small";
    game.numbers = numbers;
    game.fieldsPerDraw = drawn;
    DeriveGameValues(game);
    return game;
}

// Every draw of `drawn` distinct numbers of 1..numbers, each given to `visit` in ascending order.
void everyDraw(int numbers, int drawn, const std::function<void(const std::vector<int>&)>& visit) {
    std::vector<int> draw(static_cast<std::size_t>(drawn));
    std::function<void(int, int)> from = [&](int place, int smallest) {
        if (place == drawn) return visit(draw);
        for (int n = smallest; n <= numbers; ++n) {
            draw[static_cast<std::size_t>(place)] = n;
            from(place + 1, n + 1);
        }
    };
    from(0, 1);
}

// Random draws of distinct numbers, as rows of cells.
std::vector<std::uint8_t> randomDraws(const Game& game, int draws, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> cells;
    for (int d = 0; d < draws; ++d) {
        std::vector<std::uint8_t> all;
        for (int n = 1; n <= game.numbers; ++n) all.push_back(static_cast<std::uint8_t>(n));
        std::shuffle(all.begin(), all.end(), random);
        cells.insert(cells.end(), all.begin(), all.begin() + game.fieldsPerDraw);
    }
    return cells;
}

std::string rangeLabel(int from, int to) {
    return from == to ? std::to_string(from) : std::to_string(from) + "\u2013" + std::to_string(to);
}

TEST(DrawSums, TheChancesAreEveryDrawsShare) {
    for (const auto& [numbers, drawn] : std::vector<std::pair<int, int>>{{10, 3}, {12, 5}, {7, 7}, {9, 1}, {20, 4}}) {
        SCOPED_TRACE(std::to_string(drawn) + " of " + std::to_string(numbers));
        std::map<int, double> ways;
        double all = 0;
        everyDraw(numbers, drawn, [&](const std::vector<int>& draw) {
            int sum = 0;
            for (const int n : draw) sum += n;
            ++ways[sum];
            ++all;
        });
        const std::vector<double> chances = DrawSumChances(numbers, drawn);
        ASSERT_EQ(chances.size(), static_cast<std::size_t>(ways.rbegin()->first) + 1);
        for (std::size_t s = 0; s < chances.size(); ++s)
            EXPECT_NEAR(chances[s], ways.count(static_cast<int>(s)) ? ways[static_cast<int>(s)] / all : 0, 1e-12) << s;
    }
    // A game too large to enumerate: the chances add up to 1 around the mean m(N + 1) / 2.
    const std::vector<double> keno = DrawSumChances(80, 20);
    double total = 0, mean = 0;
    for (std::size_t s = 0; s < keno.size(); ++s) {
        total += keno[s];
        mean += static_cast<double>(s) * keno[s];
    }
    EXPECT_NEAR(total, 1, 1e-12);
    EXPECT_NEAR(mean, 810, 1e-9);
    EXPECT_NEAR(PairChance(49, 6), 30.0 / 2352, 1e-15);
}

TEST(DrawSums, EverySumOfASmallGameIsItsOwnBinAndOnlyWholeDrawsCount) {
    const Game game = smallGame(10, 3);  // sums 6..27: 22 bins
    std::vector<std::uint8_t> cells = randomDraws(game, 60, 5);
    std::map<int, int> counted;
    for (std::size_t at = 0; at < cells.size(); at += 3) ++counted[cells[at] + cells[at + 1] + cells[at + 2]];
    // Neither a draw with a blank nor one with a number twice has a sum.
    for (const std::uint8_t cell : {1, 0, 5, 4, 4, 9}) cells.push_back(cell);
    const AnalysisResult result = Analyse(DrawSumsAnalysis(), game, cells);
    EXPECT_EQ(result.draws, 62);
    EXPECT_EQ(result.refusal, nullptr);
    std::map<int, double> ways;
    everyDraw(10, 3, [&](const std::vector<int>& draw) { ++ways[draw[0] + draw[1] + draw[2]]; });
    ASSERT_EQ(result.binLabels.size(), 22u);
    ASSERT_EQ(result.values.size(), 22u);
    for (int sum = 6; sum <= 27; ++sum) {
        const auto bin = static_cast<std::size_t>(sum - 6);
        EXPECT_EQ(result.binLabels[bin], std::to_string(sum));
        EXPECT_EQ(result.values[bin], counted[sum]) << sum;
        EXPECT_NEAR(result.expected[bin], 60 * ways[sum] / 120, 1e-9) << sum;
    }
}

TEST(DrawSums, ALargeGamesSumsAreRangesThatCoverEverySum) {
    for (const Game* game : {&kSuperLoto, &kKeno}) {
        SCOPED_TRACE(game->name);
        const std::vector<std::uint8_t> cells = randomDraws(*game, 500, 11);
        const AnalysisResult result = Analyse(DrawSumsAnalysis(), *game, cells);
        ASSERT_LE(result.values.size(), static_cast<std::size_t>(kMostSumBins));
        ASSERT_GE(result.values.size(), static_cast<std::size_t>(kMostSumBins) * 3 / 4);
        const std::vector<double> chances = DrawSumChances(game->numbers, game->fieldsPerDraw);
        // The bins, read back from their labels, follow each other from the smallest sum to the
        // largest; each holds the draws whose sum it covers, and its share of the chances.
        int next = game->fieldsPerDraw * (game->fieldsPerDraw + 1) / 2;
        const int width = game->fieldsPerDraw;
        for (std::size_t b = 0; b < result.values.size(); ++b) {
            const std::string& label = result.binLabels[b];
            const std::size_t dash = label.find("\u2013");
            ASSERT_NE(dash, std::string::npos) << label;
            const int from = std::stoi(label.substr(0, dash));
            const int to = std::stoi(label.substr(dash + 3));
            EXPECT_EQ(from, next) << label;
            next = to + 1;
            int count = 0;
            for (std::size_t at = 0; at < cells.size(); at += static_cast<std::size_t>(width)) {
                int sum = 0;
                for (int f = 0; f < width; ++f) sum += cells[at + static_cast<std::size_t>(f)];
                count += sum >= from && sum <= to;
            }
            EXPECT_EQ(result.values[b], count) << label;
            double chance = 0;
            for (int s = from; s <= to; ++s) chance += chances[static_cast<std::size_t>(s)];
            EXPECT_NEAR(result.expected[b], 500 * chance, 1e-9) << label;
        }
        EXPECT_EQ(next, static_cast<int>(chances.size()));
    }
    // SuperLoto's middle in tens, its tails a bin each.
    const AnalysisResult loto = Analyse(DrawSumsAnalysis(), kSuperLoto, randomDraws(kSuperLoto, 5, 1));
    EXPECT_EQ(loto.binLabels.front(), rangeLabel(21, 49));
    EXPECT_EQ(loto.binLabels[1], rangeLabel(50, 59));
    EXPECT_EQ(loto.binLabels.back(), rangeLabel(250, 279));
}

TEST(Pairs, TheMostFrequentPairsAreCountedAsABruteForceCountsThem) {
    for (const auto& [numbers, drawn] : std::vector<std::pair<int, int>>{{12, 4}, {6, 2}, {80, 20}}) {
        const Game game = smallGame(numbers, drawn);
        SCOPED_TRACE(std::to_string(drawn) + " of " + std::to_string(numbers));
        std::vector<std::uint8_t> cells = randomDraws(game, 40, 3);
        std::map<std::pair<int, int>, int> pairs;
        const auto width = static_cast<std::size_t>(drawn);
        for (std::size_t at = 0; at < cells.size(); at += width)
            for (std::size_t i = 0; i < width; ++i)
                for (std::size_t j = i + 1; j < width; ++j) ++pairs[std::minmax<int>(cells[at + i], cells[at + j])];
        // A draw with a blank counts none of its pairs.
        cells.insert(cells.end(), cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(width));
        cells.back() = 0;
        std::vector<std::pair<int, std::pair<int, int>>> ranked;
        for (int a = 1; a <= numbers; ++a)
            for (int b = a + 1; b <= numbers; ++b) ranked.push_back({-pairs[{a, b}], {a, b}});
        std::sort(ranked.begin(), ranked.end());
        const AnalysisResult result = Analyse(PairsAnalysis(), game, cells);
        const std::size_t shown = std::min<std::size_t>(kPairsShown, ranked.size());
        ASSERT_EQ(result.values.size(), shown);
        for (std::size_t i = 0; i < shown; ++i) {
            const auto [a, b] = ranked[i].second;
            EXPECT_EQ(result.binLabels[i], std::to_string(a) + " и " + std::to_string(b));
            EXPECT_EQ(result.values[i], -ranked[i].first);
            EXPECT_NEAR(result.expected[i], 40.0 * drawn * (drawn - 1) / (numbers * (numbers - 1)), 1e-9);
        }
    }
}

TEST(BinsAnalyses, PickNoNumbersAndRefuseFewerThanFiveDraws) {
    for (const Analysis* analysis : {&DrawSumsAnalysis(), &PairsAnalysis()}) {
        SCOPED_TRACE(analysis->cliName);
        EXPECT_FALSE(analysis->picksNumbers);
        EXPECT_EQ(AnalysisNamed(analysis->cliName), analysis);
        for (const BacktestMethod& method : BacktestMethods()) EXPECT_NE(method.analysis, analysis);
        const AnalysisResult four = Analyse(*analysis, kSuperLoto, randomDraws(kSuperLoto, 4, 2));
        EXPECT_STREQ(four.refusal, kTooFew);
        const AnalysisResult five = Analyse(*analysis, kSuperLoto, randomDraws(kSuperLoto, 5, 2));
        EXPECT_EQ(five.refusal, nullptr);
        EXPECT_FALSE(five.perNumber());
    }
    for (std::size_t a = 0; a < 4; ++a) EXPECT_TRUE(Analyses()[a].picksNumbers);
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// Four bins, one step of 40 pixels each: bars coloured against chance, chance's white mark, the
// labels in yellow, every row below the tallest reference line grey where no bar stands.
TEST(BinsBoard, BarsMarksAndLabels) {
    QImage picture(board::kWidth, board::kHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const std::vector<std::int32_t> values{100, 40, 10, 70};
    const std::vector<std::string> labels{"1\u20135", "6\u201310", "11", "12 и 13"};
    const std::vector<double> expected{50, 50, 50, 60};
    {
        TCanvas canvas(picture);
        DrawBinsBoard(canvas, values, labels, expected);
    }
    // 100 is the tallest: 201 pixels from the baseline at 265 to 64.
    const double perUnit = (board::kBaseline - board::kScaledTop) / 100.0;
    const QRgb colours[] = {0xFF0000, 0x008000, 0x0000FF, 0x008000};
    for (int b = 0; b < 4; ++b) {
        SCOPED_TRACE(b);
        const int x = 40 * b + 19;
        EXPECT_EQ(at(picture, x, board::kBaseline - 2), colours[b]);
        const int top = board::kBaseline - static_cast<int>(std::lround(perUnit * values[static_cast<std::size_t>(b)]));
        EXPECT_EQ(at(picture, x, top + 1), colours[b]);
        const int mark =
            board::kBaseline - static_cast<int>(std::lround(perUnit * expected[static_cast<std::size_t>(b)]));
        if (mark < top - 1) {
            EXPECT_EQ(at(picture, x, top - 1), 0x808080u);
        }
        EXPECT_EQ(at(picture, x, mark), 0xFFFFFFu);
        EXPECT_EQ(at(picture, 40 * b + 38, board::kBaseline - 2), 0x808080u) << "the gap between bars";
        bool label = false;
        const int row = b % 2 == 0 ? board::kOddCaptionY : board::kEvenCaptionY;
        for (int lx = 40 * b; lx < 40 * b + 40; ++lx)
            for (int ly = row; ly < row + 14; ++ly) label = label || at(picture, lx, ly) == 0xFFFF00u;
        EXPECT_TRUE(label);
    }
    EXPECT_EQ(at(picture, 300, 150), 0x808080u);
    QImage many(board::kWidth, board::kHeight, QImage::Format_RGB32);
    TCanvas canvas(many);
    EXPECT_THROW(DrawBinsBoard(canvas, values, std::vector<std::string>(3), expected), std::invalid_argument);
}

// A game of fewer numbers than 640 / 26 keeps bars of SuperLoto's width at most twice over.
TEST(DerivedGame, AGameOfFewNumbersHasBarsOfTheWidestStep) {
    for (const auto& [numbers, step] : std::vector<std::pair<int, int>>{{10, 26}, {20, 26}, {24, 26}, {25, 25}}) {
        const Game game = smallGame(numbers, 3);
        EXPECT_EQ(game.barStep, step) << numbers;
        EXPECT_EQ(game.barWidth, step - 1) << numbers;
        EXPECT_EQ(game.referenceLineEnd, numbers * step / 5 * 5) << numbers;
        EXPECT_TRUE(game.captionFontInPixels) << numbers;
    }
}

}  // namespace
