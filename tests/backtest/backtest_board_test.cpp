// The back-test's picture on the main window's board, painted offscreen.
#include <gtest/gtest.h>

#include <QImage>

#include <optional>
#include <string>

#include "analysis/draw_datasets.h"
#include "backtest/backtest_board.h"
#include "tests/support/dbf_image.h"
#include "toolkit/dialogs.h"
#include "tests/support/recording_message_service.h"
#include "tests/support/draw_table.h"

namespace {

constexpr QRgb kUntouched = 0xff123456;

struct Picture {
    QImage image{board::kWidth, board::kHeight, QImage::Format_RGB32};
    std::optional<TCanvas> canvas;
    bool made = false;

    Picture() { image.fill(kUntouched); }
    std::function<TCanvas&()> target() {
        return [this]() -> TCanvas& {
            made = true;
            if (!canvas) canvas.emplace(image);
            return *canvas;
        };
    }
    QRgb at(int x, int y) const { return image.pixel(x, y) | 0xff000000; }
};

QRgb rgb(TColor color) { return ToRgb(color) | 0xff000000; }

// A SuperLoto table of `draws` draws in which 1..6 come out every time.
std::unique_ptr<TXbaseDataSet> riggedLoto(const testsupport::TempDir& dir, int draws) {
    testsupport::writeDrawTable(dir.file("lotobase.dbf"), kSuperLoto,
                                testsupport::Draws(static_cast<std::size_t>(draws), {1, 2, 3, 4, 5, 6}));
    return MakeDrawDataSet(kSuperLoto, dir.path());
}

// The back-test command run on such a table, with the messages it showed and its picture.
struct RiggedRun {
    testsupport::TempDir dir;
    std::unique_ptr<TXbaseDataSet> dataset;
    RecordingMessageService messages;
    Picture picture;

    explicit RiggedRun(int draws) : dataset(riggedLoto(dir, draws)) {
        RunBacktestCommand(kSuperLoto, *dataset, picture.target());
    }
};

TEST(BacktestBoard, PaintsABarPairPerMethodOnTheGreyBoard) {
    RiggedRun run(120);
    const auto& messages = run.messages;
    const auto& picture = run.picture;
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_TRUE(picture.made);
    EXPECT_EQ(picture.at(0, 0), rgb(clGray));
    EXPECT_EQ(picture.at(board::kWidth - 1, board::kHeight - 1), rgb(clGray));
    // Hot, the first row: every draw hit in full, far above chance, red and the longest bar; the
    // expected bar below it is white and an eighth as long.
    const int observedY = 30 + 16 + 6;
    const int expectedY = 30 + 31 + 6;
    EXPECT_EQ(picture.at(6, observedY), rgb(clRed));
    EXPECT_EQ(picture.at(5 + 239, observedY), rgb(clRed));
    EXPECT_EQ(picture.at(5 + 241, observedY), rgb(clGray));
    EXPECT_EQ(picture.at(6, expectedY), rgb(clWhite));
    EXPECT_EQ(picture.at(5 + 28, expectedY), rgb(clWhite));
    EXPECT_EQ(picture.at(5 + 32, expectedY), rgb(clGray));
    // Nothing of the sentinel is left.
    for (int y = 0; y < board::kHeight; y += 7)
        for (int x = 0; x < board::kWidth; x += 7) ASSERT_NE(picture.at(x, y), kUntouched) << x << ',' << y;
}

TEST(BacktestBoard, FiguresAreWrittenInRussian) {
    BacktestResult result;
    result.hits = 123;
    result.expectedHits = 120.46;
    result.ratio = 1.0211;
    result.pValue = 0.7149;
    EXPECT_EQ(BacktestFigures(result), "наблюдено 123, ожидалось 120.5, отношение 1.02, p = 0.71");
    result.pValue = 3.2e-12;
    EXPECT_EQ(BacktestFigures(result), "наблюдено 123, ожидалось 120.5, отношение 1.02, p = 3.2e-12");
    result.pValue = 0;
    EXPECT_EQ(BacktestFigures(result), "наблюдено 123, ожидалось 120.5, отношение 1.02, p < 1e-15");
}

TEST(BacktestBoard, TooShortAHistoryShowsTheMessageAndLeavesThePicture) {
    RiggedRun run(49);
    const auto& messages = run.messages;
    const auto& picture = run.picture;
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "ВНИМАНИЕ! Для проверки методов необходимо заполнить не менее 50 записей!");
    EXPECT_FALSE(picture.made);
    EXPECT_EQ(picture.at(100, 100), kUntouched | 0xff000000);
}

}  // namespace
