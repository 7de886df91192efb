// The succession probability of both games: which pairs of consecutive draws are counted, the
// sums over the latest draw's numbers, Keno's division by four with halves to even, the caption
// that lists the latest draw, tables too short for any pair, and stray field values.
#include "tests/analysis/analysis_test_util.h"

namespace {

using namespace analysistest;

const char kHeading[] = "Расчет вероятности для комплекта шаров: ";

// The heading followed by the texts of the latest draw at x = 290, 307, ...
std::function<void(TCanvas&)> drawCaption(const std::vector<std::string>& texts) {
    std::vector<std::pair<int, std::string>> placed;
    for (std::size_t i = 0; i < texts.size(); ++i) placed.emplace_back(290 + 17 * static_cast<int>(i), texts[i]);
    return heading(10, kHeading, placed);
}

std::vector<std::string> texts(const std::vector<int>& numbers) {
    std::vector<std::string> out;
    for (int n : numbers) out.push_back(std::to_string(n));
    return out;
}

TEST(SuccessionProbability, SuperLotoCountsEveryPairOfConsecutiveDraws) {
    // The latest draw shares 1 and 2 with the first draw and 1 with the second.
    Bench bench(kSuperLoto, {{1, 2, 3, 4, 5, 6}, {1, 7, 8, 9, 10, 11}, {1, 2, 12, 13, 14, 15}});
    bench.run(&SuccessionProbabilityAnalysis());

    auto expected = perNumber(kSuperLoto, 0, {{1, 3}, {2, 1}});
    setNumbers(expected, range(7, 11), 2);
    setNumbers(expected, range(12, 15), 1);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(samePerNumber(bench.periods, perNumber(kSuperLoto, kSentinel)));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(
        samePicture(bench.image, boardPicture(kSuperLoto, expected, drawCaption(texts({1, 2, 12, 13, 14, 15})))));
    EXPECT_EQ(bench.dataset.RecNo(), 3);

    expectARerunChangesNothing(bench, &SuccessionProbabilityAnalysis(), expected);
}

TEST(SuccessionProbability, KenoLeavesOutThePairEndingInTheLatestDrawAndDividesByFour) {
    // The latest draw is 1..20. Draw 1 shares 2 numbers with it, draw 2 shares 6, draw 3 shares 14,
    // and draw 4 shares 15..20, which would add 6 to 1..20 if the last pair were counted.
    const Draws draws = {
        joined({{1, 2}, range(21, 38)}),
        joined({range(1, 6), range(41, 54)}),
        joined({range(1, 14), {41, 42, 43, 55, 56, 57}}),
        joined({range(15, 20), {41}, range(61, 73)}),
        range(1, 20),
    };
    Bench bench(kKeno, draws);
    bench.run(&SuccessionProbabilityAnalysis());

    auto expected = perNumber(kKeno, 0);
    setNumbers(expected, range(1, 6), 2);    // 2 + 6 = 8
    setNumbers(expected, range(7, 14), 2);   // 6: 1.5 goes to 2
    setNumbers(expected, range(15, 20), 4);  // 14: 3.5 goes to 4
    setNumbers(expected, {42, 43}, 2);       // 2 + 6 = 8
    expected[41 - 1] = 6;                    // 2 + 6 + 14 = 22: 5.5 goes to 6
    setNumbers(expected, range(44, 54), 0);  // 2: 0.5 goes to 0
    setNumbers(expected, range(55, 57), 2);  // 6
    setNumbers(expected, range(61, 73), 4);  // 14
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(bench.messages.shown.empty());
    EXPECT_TRUE(samePicture(bench.image, boardPicture(kKeno, expected, drawCaption(texts(range(1, 20))))));
    EXPECT_EQ(bench.dataset.RecNo(), 5);
}

TEST(SuccessionProbability, TablesTooShortForAPairPaintZerosUnderTheLatestDraw) {
    const std::vector<int> loto = {3, 14, 15, 9, 26, 5};
    Bench one(kSuperLoto, {loto});
    one.run(&SuccessionProbabilityAnalysis());
    EXPECT_TRUE(samePerNumber(one.values, perNumber(kSuperLoto, 0)));
    EXPECT_TRUE(samePicture(one.image, boardPicture(kSuperLoto, one.values, drawCaption(texts(loto)))));

    // Two SuperLoto draws make one pair: 4, 5 and 6 of the first stand in the latest.
    Bench two(kSuperLoto, {{1, 2, 3, 4, 5, 6}, {4, 5, 6, 7, 8, 9}});
    two.run(&SuccessionProbabilityAnalysis());
    auto twoExpected = perNumber(kSuperLoto, 0);
    setNumbers(twoExpected, range(4, 9), 3);
    EXPECT_TRUE(samePerNumber(two.values, twoExpected));

    const std::vector<int> keno = joined({range(1, 10), range(41, 50)});
    Bench kenoTwo(kKeno, {keno, keno});
    kenoTwo.run(&SuccessionProbabilityAnalysis());
    EXPECT_TRUE(samePerNumber(kenoTwo.values, perNumber(kKeno, 0)));
    EXPECT_TRUE(samePicture(kenoTwo.image, boardPicture(kKeno, kenoTwo.values, drawCaption(texts(keno)))));
    EXPECT_EQ(kenoTwo.dataset.RecNo(), 2);

    // Three Keno draws count the first pair only: draw 1 shares 10 numbers with the latest.
    Bench kenoThree(kKeno, {range(1, 20), range(21, 40), keno});
    kenoThree.run(&SuccessionProbabilityAnalysis());
    auto threeExpected = perNumber(kKeno, 0);
    setNumbers(threeExpected, range(21, 40), 2);  // 10: 2.5 goes to 2
    EXPECT_TRUE(samePerNumber(kenoThree.values, threeExpected));

    for (const Game* game : {&kSuperLoto, &kKeno}) {
        Bench empty(*game, {});
        empty.run(&SuccessionProbabilityAnalysis());
        EXPECT_TRUE(samePerNumber(empty.values, perNumber(*game, 0))) << game->name;
        EXPECT_TRUE(empty.messages.shown.empty()) << game->name;
        EXPECT_TRUE(samePicture(empty.image, boardPicture(*game, empty.values, drawCaption({})))) << game->name;
    }
}

TEST(SuccessionProbability, StrayValuesAreSkippedAndRepeatsCountPerField) {
    Bench loto(kSuperLoto, {{1, 2, 3, kBlank, 99, 5}, {7, 7, 8, 9, 10, 11}, {1, 7, 0, 99, 12, 13}});
    loto.run(&SuccessionProbabilityAnalysis());
    // 7 stands twice in draw 2: after 1 twice, and twice before 1, 12 and 13 of draw 3; after
    // itself twice as well, as draw 3 holds it once after draw 2's two.
    auto expected = perNumber(kSuperLoto, 0, {{1, 2}, {7, 4}, {12, 2}, {13, 2}});
    setNumbers(expected, range(8, 11), 1);
    EXPECT_TRUE(samePerNumber(loto.values, expected));
    EXPECT_TRUE(
        samePicture(loto.image, boardPicture(kSuperLoto, expected, drawCaption({"1", "7", "0", "99", "12", "13"}))));

    auto latest = joined({range(1, 10), range(41, 49)});
    latest.push_back(99);
    auto first = range(1, 19);
    first.push_back(99);
    auto second = range(21, 39);
    second.push_back(kBlank);
    Bench keno(kKeno, {first, second, latest});
    keno.run(&SuccessionProbabilityAnalysis());
    auto kenoExpected = perNumber(kKeno, 0);
    setNumbers(kenoExpected, range(21, 39), 2);  // draw 1 shares 1..10 with the latest: 2.5 goes to 2
    EXPECT_TRUE(samePerNumber(keno.values, kenoExpected));
    auto caption = texts(joined({range(1, 10), range(41, 49)}));
    caption.push_back("99");
    EXPECT_TRUE(samePicture(keno.image, boardPicture(kKeno, kenoExpected, drawCaption(caption))));
}

}  // namespace
