// What the analysis command tests share: a bench that writes a draw table into a temporary
// directory and opens it as the main window does, with board values, periods, a picture and its
// canvas and a recording message service; draw tables built from where chosen numbers came out;
// the picture a board with a caption should give; and the messages the commands show.
#pragma once

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/board.h"
#include "tests/support/analysis_commands.h"
#include "analysis/game.h"
#include "dataset/xbase_dataset.h"
#include "tests/support/dbf_image.h"
#include "tests/support/draw_table.h"
#include "toolkit/canvas.h"
#include "toolkit/dialogs.h"
#include "tests/support/recording_message_service.h"

namespace analysistest {

// A field written as blanks; it reads as 0.
inline constexpr int kBlank = testsupport::kBlankNumber;
// What the bench's picture shows before a command paints: no board paints this colour.
inline constexpr unsigned int kUntouchedRgb = 0xff123456;
// Board values and periods hold this before a command runs, so that untouched entries show.
inline constexpr std::int32_t kSentinel = 77;

// The messages as the player reads them, written out here so that a change of the program's own
// texts shows; qualified where used, beside the program's constants of the same names.
inline const char kHistogramTooFew[] = "ВНИМАНИЕ! Необходимо заполнить по крайней мере 5 записей!";
inline const char kTooFew[] = "ВНИМАНИЕ! Необходимо заполнить хотя бы 5 записей!";
inline const char kTooMany[] =
    "По личному мнению автора, анализ количества записей более 200 теряет смысл по ряду причин. "
    "Уменьшите количество записей в базе.";

using testsupport::Draws;
// An analysis as the main window's command runs it.
using Command = const Analysis*;

// `count` draws of `fields` numbers: each chosen number stands in the draws (1-based) listed for
// it, in the order listed; the places left are filled draw after draw from `fillers` in turn,
// starting over at their end.
inline Draws drawsFrom(int count, int fields, const std::vector<std::pair<int, std::vector<int>>>& chosen,
                       const std::vector<int>& fillers) {
    Draws draws(static_cast<std::size_t>(count));
    for (const auto& [number, rows] : chosen)
        for (int row : rows) draws[static_cast<std::size_t>(row - 1)].push_back(number);
    std::size_t next = 0;
    for (auto& draw : draws) {
        if (draw.size() > static_cast<std::size_t>(fields)) ADD_FAILURE() << "a draw holds too many chosen numbers";
        while (draw.size() < static_cast<std::size_t>(fields)) {
            draw.push_back(fillers[next]);
            next = (next + 1) % fillers.size();
        }
    }
    return draws;
}

inline std::vector<int> range(int from, int to) {
    std::vector<int> numbers;
    for (int n = from; n <= to; ++n) numbers.push_back(n);
    return numbers;
}

inline std::vector<int> joined(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Per-number values: `fill` everywhere, then the listed numbers (1-based) set.
inline std::vector<std::int32_t> perNumber(const Game& game, std::int32_t fill,
                                           const std::map<int, std::int32_t>& set = {}) {
    std::vector<std::int32_t> values(static_cast<std::size_t>(game.numbers), fill);
    for (const auto& [number, value] : set) values[static_cast<std::size_t>(number - 1)] = value;
    return values;
}

inline void setNumbers(std::vector<std::int32_t>& values, const std::vector<int>& numbers, std::int32_t value) {
    for (int n : numbers) values[static_cast<std::size_t>(n - 1)] = value;
}

// Five Keno draws of 1..19 each whose twentieth field holds stray values: blank, 99, 20, 0, -1.
inline Draws kenoDrawsWithStrayValues() {
    Draws draws(5, range(1, 20));
    draws[0][19] = kBlank;
    draws[1][19] = 99;
    draws[3][19] = 0;
    draws[4][19] = -1;
    return draws;
}

// Keno per-number values: 0 everywhere but the listed numbers, then 1..19 set to `value`.
inline std::vector<std::int32_t> firstNineteen(std::int32_t value, const std::map<int, std::int32_t>& set = {}) {
    auto values = perNumber(kKeno, 0, set);
    setNumbers(values, range(1, 19), value);
    return values;
}

// Where two per-number arrays differ, by lottery number, for a readable failure.
inline ::testing::AssertionResult samePerNumber(const std::vector<std::int32_t>& actual,
                                                const std::vector<std::int32_t>& expected) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size();
    std::ostringstream out;
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i]) out << " number " << i + 1 << ": " << actual[i] << " not " << expected[i] << ";";
    if (out.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << out.str();
}

inline ::testing::AssertionResult samePicture(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) return ::testing::AssertionFailure() << "the pictures differ in size";
    int differing = 0;
    std::ostringstream first;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                if (differing++ == 0)
                    first << "first at (" << x << ", " << y << "): " << std::hex << actual.pixel(x, y) << " not "
                          << expected.pixel(x, y) << std::dec;
            }
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ, " << first.str();
}

inline QImage blankPicture() {
    QImage image(board::kWidth, board::kHeight, QImage::Format_RGB32);
    image.fill(kUntouchedRgb);
    return image;
}

// The picture of the game's board with these values and then the caption painted by `caption`.
inline QImage boardPicture(const Game& game, const std::vector<std::int32_t>& values,
                           const std::function<void(TCanvas&)>& caption) {
    QImage image = blankPicture();
    TCanvas canvas(image);
    DrawGameBoard(canvas, game, values);
    caption(canvas);
    return image;
}

// A heading as the analyses write it: white, `points` high, at (5, 10), then texts at given x.
inline std::function<void(TCanvas&)> heading(int points, const std::string& text,
                                             const std::vector<std::pair<int, std::string>>& more = {}) {
    return [=](TCanvas& canvas) {
        canvas.SetFontColor(clWhite);
        canvas.SetFontSize(points);
        canvas.TextOut(5, 10, text);
        for (const auto& [x, t] : more) canvas.TextOut(x, 10, t);
    };
}

// A table of draws opened as the main window opens its datasets, with the arrays and the picture
// a command works on.
class Bench {
public:
    Bench(const Game& game, const Draws& draws, const std::vector<int>& deleted = {}, int fieldCount = 0)
        : m_game(game),
          values(static_cast<std::size_t>(game.numbers), kSentinel),
          periods(static_cast<std::size_t>(game.numbers), kSentinel),
          image(blankPicture()),
          canvas(image) {
        SetApplicationTitleFromPath("/x/sharometr");
        const std::string path = m_dir.file(game.tableFileName);
        testsupport::writeDrawTable(path, game, draws, {deleted, fieldCount});
        dataset.SetTableName(path);
        dataset.SetExactCount(true);
        dataset.SetUseDeleted(false);
        dataset.Open();
    }

    void run(Command command) {
        AnalysisContext context{dataset, values, periods, canvas};
        RunAnalysisCommand(*command, m_game, context);
    }

    // Exactly one plain box with this text was shown, captioned with the application's title.
    ::testing::AssertionResult showedOnly(const std::string& text) const {
        if (messages.shown.size() != 1)
            return ::testing::AssertionFailure() << messages.shown.size() << " messages shown";
        const ShownMessage& m = messages.shown.front();
        if (m.caption != "sharometr" || m.caption != ApplicationTitle())
            return ::testing::AssertionFailure() << "caption " << m.caption;
        if (m.text != text) return ::testing::AssertionFailure() << "text " << m.text;
        if (m.icon != TMsgDlgType::mtNone) return ::testing::AssertionFailure() << "an icon";
        if (m.withCancel) return ::testing::AssertionFailure() << "a Cancel button";
        return ::testing::AssertionSuccess();
    }

private:
    const Game& m_game;
    testsupport::TempDir m_dir;

public:
    TXbaseDataSet dataset;
    std::vector<std::int32_t> values;
    std::vector<std::int32_t> periods;
    QImage image;
    TCanvas canvas;
    RecordingMessageService messages;
};

// Runs `command` once more on the bench: the values stay `expected` and the picture as it was.
inline void expectARerunChangesNothing(Bench& bench, Command command, const std::vector<std::int32_t>& expected) {
    const QImage first = bench.image.copy();
    bench.run(command);
    EXPECT_TRUE(samePerNumber(bench.values, expected));
    EXPECT_TRUE(samePicture(bench.image, first));
}

}  // namespace analysistest
