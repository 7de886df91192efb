// The analyses of bins of their own, the sums of the draws and the pairs that come together,
// against counts made here by brute force, and what chance gives them against every draw of small
// games enumerated; their board.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/board.h"
#include "backtest/backtest.h"

namespace {

Game smallGame(int numbers, int drawn) {
    Game game{};
    game.cliName = game.name = "small";
    game.numbers = numbers;
    game.fieldsPerDraw = drawn;
    DeriveGameValues(game);
    return game;
}

// `draws` random draws of distinct numbers, then one with a blank and one with a number twice.
std::vector<std::uint8_t> drawsOf(const Game& game, int draws) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> all, cells;
    for (int n = 1; n <= game.numbers; ++n) all.push_back(static_cast<std::uint8_t>(n));
    for (int d = 0; d < draws; ++d) {
        std::shuffle(all.begin(), all.end(), random);
        cells.insert(cells.end(), all.begin(), all.begin() + game.fieldsPerDraw);
    }
    for (const std::uint8_t odd : {0, 2}) {
        cells.insert(cells.end(), all.begin(), all.begin() + game.fieldsPerDraw);
        cells.back() = odd;
        cells[cells.size() - 2] = 2;
    }
    return cells;
}

TEST(DrawSums, TheChancesAreEveryDrawsShareAndTheBinsCountTheWholeDraws) {
    for (const auto& [numbers, drawn] : std::vector<std::pair<int, int>>{{10, 3}, {12, 5}, {7, 7}, {49, 6}, {80, 20}}) {
        SCOPED_TRACE(std::to_string(drawn) + " of " + std::to_string(numbers));
        const std::vector<double> chances = DrawSumChances(numbers, drawn);
        if (numbers <= 12) {  // every draw enumerated
            std::map<int, double> ways;
            std::function<void(int, int, int)> from = [&](int left, int smallest, int sum) {
                if (left == 0) return void(++ways[sum]);
                for (int n = smallest; n <= numbers; ++n) from(left - 1, n + 1, sum + n);
            };
            from(drawn, 1, 0);
            double all = 0;
            for (const auto& way : ways) all += way.second;
            ASSERT_EQ(chances.size(), static_cast<std::size_t>(ways.rbegin()->first) + 1);
            for (std::size_t s = 0; s < chances.size(); ++s) EXPECT_NEAR(chances[s], ways[int(s)] / all, 1e-12) << s;
        }
        double total = 0, mean = 0;
        for (std::size_t s = 0; s < chances.size(); ++s) total += chances[s], mean += double(s) * chances[s];
        EXPECT_NEAR(total, 1, 1e-12);
        EXPECT_NEAR(mean, drawn * (numbers + 1) / 2.0, 1e-9);

        // The bins, read back from their labels, follow each other from the smallest sum to the
        // largest, each sum its own where they fit; each holds the whole draws of its sums.
        const Game game = smallGame(numbers, drawn);
        const std::vector<std::uint8_t> cells = drawsOf(game, 300);
        const AnalysisResult result = Analyse(DrawSumsAnalysis(), game, cells);
        EXPECT_EQ(result.draws, 302);
        const std::size_t span = chances.size() - static_cast<std::size_t>(drawn * (drawn + 1) / 2);
        ASSERT_EQ(result.values.size(), span <= kMostSumBins ? span : result.values.size());
        EXPECT_GE(result.values.size(), std::min<std::size_t>(span, kMostSumBins * 3 / 4));
        int next = drawn * (drawn + 1) / 2;
        for (std::size_t b = 0; b < result.values.size(); ++b) {
            const std::string& label = result.binLabels[b];
            const std::size_t dash = label.find("\u2013");
            const int low = std::stoi(label),
                      high = dash == std::string::npos ? low : std::stoi(label.substr(dash + 3));
            EXPECT_EQ(low, next) << label;
            next = high + 1;
            int count = 0;
            double chance = 0;
            for (std::size_t at = 0; at + 2 * drawn < cells.size(); at += std::size_t(drawn)) {
                int sum = 0;
                for (int f = 0; f < drawn; ++f) sum += cells[at + std::size_t(f)];
                count += sum >= low && sum <= high;
            }
            for (int s = low; s <= high; ++s) chance += chances[std::size_t(s)];
            EXPECT_EQ(result.values[b], count) << label;
            EXPECT_NEAR(result.expected[b], 300 * chance, 1e-9) << label;
        }
        EXPECT_EQ(next, static_cast<int>(chances.size()));
    }
}

TEST(Pairs, TheMostFrequentPairsAreCountedAsABruteForceCountsThem) {
    for (const auto& [numbers, drawn] : std::vector<std::pair<int, int>>{{12, 4}, {6, 2}, {80, 20}}) {
        const Game game = smallGame(numbers, drawn);
        SCOPED_TRACE(std::to_string(drawn) + " of " + std::to_string(numbers));
        const std::vector<std::uint8_t> cells = drawsOf(game, 40);
        std::map<std::pair<int, int>, int> pairs;
        for (std::size_t at = 0; at + 2 * drawn < cells.size(); at += std::size_t(drawn))
            for (int i = 0; i < drawn; ++i)
                for (int j = i + 1; j < drawn; ++j) ++pairs[std::minmax<int>(cells[at + i], cells[at + j])];
        std::vector<std::pair<int, std::string>> ranked;  // minus the count, then the pair's order
        for (int a = 1; a <= numbers; ++a)
            for (int b = a + 1; b <= numbers; ++b)
                ranked.push_back({-pairs[{a, b}], std::to_string(a) + " и " + std::to_string(b)});
        std::stable_sort(ranked.begin(), ranked.end(), [](auto& x, auto& y) { return x.first < y.first; });
        const AnalysisResult result = Analyse(PairsAnalysis(), game, cells);
        ASSERT_EQ(result.values.size(), std::min<std::size_t>(kPairsShown, ranked.size()));
        for (std::size_t i = 0; i < result.values.size(); ++i) {
            EXPECT_EQ(result.binLabels[i], ranked[i].second);
            EXPECT_EQ(result.values[i], -ranked[i].first);
            EXPECT_NEAR(result.expected[i], 40.0 * drawn * (drawn - 1) / (numbers * (numbers - 1)), 1e-9);
        }
    }
}

TEST(BinsAnalyses, PickNoNumbersAndRefuseFewerThanFiveDraws) {
    for (const Analysis* analysis : {&DrawSumsAnalysis(), &PairsAnalysis()}) {
        EXPECT_FALSE(analysis->picksNumbers);
        for (const BacktestMethod& method : BacktestMethods()) EXPECT_NE(method.analysis, analysis);
        EXPECT_STREQ(Analyse(*analysis, kSuperLoto, std::vector<std::uint8_t>(4 * 6, 1)).refusal, kTooFew);
    }
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// Four bins of 40 pixels: bars red, green or blue against chance, chance's white mark, the labels
// in yellow in two rows, grey between the bars.
TEST(BinsBoard, BarsMarksAndLabels) {
    QImage picture(board::kWidth, board::kHeight, QImage::Format_RGB32);
    const std::vector<std::int32_t> values{100, 40, 10, 70};
    const std::vector<double> expected{50, 50, 50, 60};
    TCanvas canvas(picture);
    DrawBinsBoard(canvas, values, std::vector<std::string>{"1\u20135", "6\u201310", "11", "12 и 13"}, expected);
    const double perUnit = (board::kBaseline - board::kScaledTop) / 100.0;  // 100 the tallest
    const QRgb colours[] = {0xFF0000, 0x008000, 0x0000FF, 0x008000};
    for (std::size_t b = 0; b < 4; ++b) {
        const int x = 40 * int(b) + 19, top = board::kBaseline - int(std::lround(perUnit * values[b]));
        EXPECT_EQ(at(picture, x, top + 1), colours[b]) << b;
        EXPECT_EQ(at(picture, x, board::kBaseline - 1), colours[b]) << b;
        EXPECT_EQ(at(picture, x, board::kBaseline - int(std::lround(perUnit * expected[b]))), 0xFFFFFFu) << b;
        EXPECT_EQ(at(picture, 40 * int(b) + 38, board::kBaseline - 1), 0x808080u) << b;
        bool label = false;
        for (int lx = 40 * int(b); lx < 40 * int(b) + 40; ++lx)
            for (int ly = b % 2 ? board::kEvenCaptionY : board::kOddCaptionY, end = ly + 14; ly < end; ++ly)
                label = label || at(picture, lx, ly) == 0xFFFF00u;
        EXPECT_TRUE(label) << b;
    }
    EXPECT_EQ(at(picture, 40 + 19, 120), 0x808080u) << "above the green bar";
    EXPECT_THROW(DrawBinsBoard(canvas, values, std::vector<std::string>(3), expected), std::invalid_argument);
}

// A game of fewer numbers than 640 / 26 keeps its bars at twice SuperLoto's width at most.
TEST(DerivedGame, AGameOfFewNumbersHasBarsOfTheWidestStep) {
    for (const auto& [numbers, step] : std::vector<std::pair<int, int>>{{10, 26}, {20, 26}, {25, 25}}) {
        const Game game = smallGame(numbers, 3);
        EXPECT_EQ(game.barStep, step) << numbers;
        EXPECT_EQ(game.barWidth, step - 1) << numbers;
        EXPECT_EQ(game.referenceLineEnd, numbers * step / 5 * 5) << numbers;
    }
}

}  // namespace
