// The back-test's picture on the main window's board, painted offscreen.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <optional>
#include <string>

#include "analysis/draw_datasets.h"
#include "app/backtest_command.h"
#include "app/tickets_window.h"
#include "backtest/backtest_board.h"
#include "tickets/ticket_backtest.h"
#include "tests/support/dbf_image.h"
#include "toolkit/dialogs.h"
#include "tests/support/recording_message_service.h"
#include "tests/support/draw_table.h"
#include "tests/app/table_folder_test.h"

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
    result.ratioLow = 0.8512;
    result.ratioHigh = 1.1523;
    EXPECT_EQ(BacktestFigures(result),
              "совпало 123, ожидалось 120,5, отношение 1,02 (полоса случая без поправки 0,85–1,15)");
    const struct {
        double p;
        const char* text;
    } ps[] = {{0.0471, "p = 0,047"}, {0.001, "p = 0,001"}, {0.00099, "p < 0,001"}, {0, "p < 0,001"}, {1, "p = 1,000"}};
    for (const auto& each : ps) EXPECT_EQ(BacktestPText(each.p), each.text) << each.p;

    result.pValue = 0.2;
    result.pHolm = 0.0471;
    const struct {
        BacktestVerdict verdict;
        const char* text;
    } verdicts[] = {
        {BacktestVerdict::More, "больше, чем случайно: p = 0,047"},
        {BacktestVerdict::Fewer, "меньше ожидаемого — у случайного метода так бывает: p = 0,047"},
        {BacktestVerdict::Chance, "не отличить от случая: p = 0,047"},
        {BacktestVerdict::TooFew, "мало тиражей для вывода: нужно не меньше 50\u00a0тиражей"},
        {BacktestVerdict::Baseline, "один прогон для сравнения: без поправки p = 0,200"},
    };
    for (const auto& each : verdicts) {
        result.verdict = each.verdict;
        EXPECT_EQ(BacktestVerdictText(result), each.text);
    }
    // A ticket says what it was judged on: the draws after it was kept, or none when that is not known.
    result.verdict = BacktestVerdict::TooFew;
    result.ticket = 0;
    EXPECT_EQ(BacktestVerdictText(result), "мало тиражей после сохранения билета: нужно не меньше 50\u00a0тиражей");
    result.keptKnown = false;
    EXPECT_EQ(BacktestVerdictText(result), "не проверен: неизвестно, когда билет сохранён");

    // The details: the unadjusted p labelled so, z left out, the fit's p adjusted over the family
    // (unadjusted, and said so, for the baseline).
    result.tested = 21;
    result.chi2 = 3.14;
    result.chi2Df = 2;
    result.chi2P = 0.2;
    result.chi2PHolm = 0.6;
    EXPECT_EQ(BacktestDetails(result),
              "21\u00a0тираж после сохранения; без поправки p = 0,200; хи-квадрат 3,1, с поправкой p = 0,600");
    result.ticket = -1;
    result.verdict = BacktestVerdict::Baseline;
    result.chi2PHolm = kNotAdjusted;
    result.skipped = 2;
    EXPECT_EQ(BacktestDetails(result),
              "21\u00a0тираж в проверке, без выбора 2\u00a0тиража; хи-квадрат 3,1, без поправки p = 0,200");
}

TEST(BacktestBoard, TheBandBehindTheBarAndTheBaselineNeutral) {
    RiggedRun run(120);
    const auto& picture = run.picture;
    // Hot's band: 71 draws expect 52.2 hits, drawn at an eighth of the bar; it shows just above
    // and below the observed bar, around the expected bar's end.
    const int bandY = 30 + 16 - 2;
    const int expectedEnd = 5 + 30;
    EXPECT_EQ(picture.at(expectedEnd, bandY), 0xff5a5a5au);
    EXPECT_EQ(picture.at(expectedEnd, 30 + 16 + 12 + 1), 0xff5a5a5au);
    EXPECT_EQ(picture.at(5 + 100, bandY), rgb(clGray));
    // The random baseline, the fifth row, is one chance run: neutral, neither green nor red.
    EXPECT_EQ(picture.at(6, 30 + 4 * 49 + 16 + 6), 0xffc0c0c0u);
}

TEST(BacktestBoard, ManyMethodsShareTheRows) {
    // Twelve rows of a short test: every bar above the note line (at 36 from the bottom), none of
    // them coloured as a finding.
    BacktestResult one;
    one.method = &BacktestMethods()[0];
    one.picks = 6;
    one.firstDraw = 50;
    one.lastDraw = 80;
    one.tested = 31;
    one.hits = 30;
    one.expectedHits = 22.8;
    one.ratioLow = 0.5;
    one.ratioHigh = 1.6;
    one.observed = {10, 12, 6, 2, 1, 0, 0};
    one.expected = {13.5, 12.8, 4.1, 0.5, 0.1, 0, 0};
    one.verdict = BacktestVerdict::TooFew;
    const std::vector<BacktestResult> results(12, one);
    QImage image(board::kWidth, board::kHeight, QImage::Format_RGB32);
    TCanvas canvas(image);
    DrawBacktestBoard(canvas, kKeno, results);
    int rows = 0;
    for (int y = 30; y < board::kHeight - 36; ++y) {
        const QRgb left = image.pixel(6, y) | 0xff000000;
        EXPECT_NE(left, rgb(clGreen)) << y;
        EXPECT_NE(left, rgb(clRed)) << y;
        if (left == 0xffc0c0c0u && (image.pixel(6, y - 1) | 0xff000000) != 0xffc0c0c0u) ++rows;
    }
    EXPECT_EQ(rows, 12);
}

TEST(BacktestBoard, TheManualsExampleIsWhatTheSampleTableGives) {
    testsupport::TempDir dir;
    std::filesystem::copy_file(std::string(SHAROMETR_SAMPLES_DIR) + "/lotobase.dbf", dir.file("lotobase.dbf"));
    const auto dataset = MakeDrawDataSet(kSuperLoto, dir.path());
    const auto input = ReadBacktestInput(kSuperLoto, *dataset, HistoryWindow{});
    ASSERT_TRUE(input);
    const std::vector<BacktestResult> results = RunBacktests(kSuperLoto, input->cells, input->options);
    EXPECT_EQ(BacktestFigures(results[0]),
              "совпало 49, ожидалось 37,5, отношение 1,31 (полоса случая без поправки 0,72–1,28)");
    EXPECT_EQ(BacktestVerdictText(results[0]), "не отличить от случая: p = 0,189");
    EXPECT_EQ(BacktestPText(results[0].pValue), "p = 0,047");
    EXPECT_EQ(BacktestDetails(results[0]),
              "51\u00a0тираж в проверке; без поправки p = 0,047; хи-квадрат 5,2, с поправкой p = 0,303");
    EXPECT_EQ(results[0].tested, 51);
    EXPECT_EQ(BacktestHeading(kSuperLoto, results[0]),
              "Проверка методов «СуперЛото»: тиражи 50–100, по 6\u00a0номеров");

    // The window of history: the latest 30 draws only are tested, too few for a verdict.
    const auto latest = ReadBacktestInput(kSuperLoto, *dataset, HistoryWindow{30, 0});
    ASSERT_TRUE(latest);
    const BacktestResult hot = RunBacktests(kSuperLoto, latest->cells, latest->options).front();
    EXPECT_EQ(hot.firstDraw, 71);
    EXPECT_EQ(hot.tested, 30);
    EXPECT_EQ(hot.verdict, BacktestVerdict::TooFew);
    // The history as it stood at record 80: the test ends there.
    const auto then = ReadBacktestInput(kSuperLoto, *dataset, HistoryWindow{0, 80});
    ASSERT_TRUE(then);
    EXPECT_EQ(RunBacktests(kSuperLoto, then->cells, then->options).front().lastDraw, 80);
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

namespace {

// The command on a rigged history with the player's tickets kept beside it.
struct TicketsRun {
    testsupport::TempDir dir;
    std::unique_ptr<TXbaseDataSet> dataset;
    RecordingMessageService messages;
    Picture picture;

    explicit TicketsRun(const std::vector<Ticket>& tickets, int draws = 120) : dataset(riggedLoto(dir, draws)) {
        for (const Ticket& ticket : tickets) AddTicket(kSuperLoto, dir.file("lototick.dbf"), ticket);
        RunBacktestCommand(kSuperLoto, *dataset, picture.target(), HistoryWindow{}, dir.file("lototick.dbf"));
    }
};

}  // namespace

TEST(BacktestBoard, TheTicketsJoinAsARowEachWithTheirOwnVerdict) {
    // 1..6 come out every time: that ticket beats chance (red), the one of 40..46 never hits (blue).
    // Both kept before the first draw: judged on every tested one.
    const TicketsRun run({Ticket{0, "Дача", {1, 2, 3, 4, 5, 6}, 0}, Ticket{0, "", {40, 41, 42, 43, 44, 45, 46}, 0}});
    EXPECT_TRUE(run.messages.shown.empty());
    ASSERT_TRUE(run.picture.made);
    // Seven rows share the height: 35 pixels each, the observed bar 11 below the row's top.
    const int rowHeight = (board::kHeight - 36 - 2 - 30) / 7;
    ASSERT_EQ(rowHeight, 35);
    const int ticketRow = 30 + 5 * rowHeight + 11 + 4;
    EXPECT_EQ(run.picture.at(6, 30 + 11 + 4), rgb(clRed)) << "hot, the first row";
    EXPECT_EQ(run.picture.at(6, ticketRow), rgb(clRed)) << "the ticket of 1..6";
    EXPECT_EQ(run.picture.at(5, ticketRow + rowHeight), rgb(clBlue)) << "the ticket of 40..46";
    EXPECT_EQ(run.picture.at(6, ticketRow + 2 * rowHeight), rgb(clGray)) << "no eighth row";

    // The rows' captions and the note, in the window's words.
    const std::vector<Ticket> kept = ReadTickets(kSuperLoto, run.dir.file("lototick.dbf"));
    BacktestInput input = *ReadBacktestInput(kSuperLoto, *run.dataset, HistoryWindow{});
    std::vector<BacktestResult> results = RunBacktests(kSuperLoto, input.cells, input.options);
    const std::vector<BacktestResult> own =
        BacktestTickets(kSuperLoto, input.cells, input.options, kept, input.records);
    results.insert(results.end(), own.begin(), own.end());
    const std::vector<BacktestRowName> names = BacktestTicketNames(kept);
    EXPECT_EQ(BacktestRowCaption(results[0], names), "Горячие номера");
    EXPECT_EQ(BacktestRowCaption(results[5], names), "Мои билеты: «Дача» — 1, 2, 3, 4, 5, 6");
    EXPECT_EQ(BacktestRowCaption(results[6], names), "Мои билеты: билет 2 — 40, 41, 42, 43, 44, 45, 46");
    EXPECT_EQ(BacktestShortCaption(results[5], names), "Билет «Дача»");
    EXPECT_EQ(BacktestShortCaption(results[6], names), "Билет 2");
    EXPECT_EQ(BacktestAdjustmentNote(results),
              "4\u00a0метода вместе, 2\u00a0билета отдельно: p с поправкой Холма; цвет — при p < 0,05; "
              "полоса — 95\u00a0% исходов случая, без поправки");
    EXPECT_EQ(BacktestAdjustmentNote(std::span(results).first(5)),
              "4\u00a0метода проверены вместе: p с поправкой Холма; цвет — при p < 0,05; полоса — 95\u00a0% исходов "
              "случая, без поправки");
    EXPECT_EQ(BacktestAdjustmentNote(std::span(results).first(1)),
              "1\u00a0метод проверен: p с поправкой Холма; цвет — при p < 0,05; полоса — 95\u00a0% исходов "
              "случая, без поправки");
    EXPECT_EQ(BacktestFigures(results[6]).rfind("совпало 0, ожидалось 60,9", 0), 0u) << BacktestFigures(results[6]);
}

namespace {

// The tickets window in a folder made the current one, as the program runs.
class KeptInTheWindowTest : public TableFolderTest {};

}  // namespace

TEST_F(KeptInTheWindowTest, ATicketSavedInTheWindowIsJudgedOnTheDrawsThatCameAfter) {
    RecordingMessageService messages;
    {
        const auto draws = riggedLoto(m_dir, 120);
        const HistoryWindow history;
        TTicketsWindow window(kSuperLoto, *draws, history);
        TXbaseDataSet& tickets = window.TicketsDataSet();
        tickets.Insert();
        for (int i = 1; i <= 6; ++i) tickets.FieldByName("T" + std::to_string(i)).SetAsString(std::to_string(i));
        tickets.Post();
        // Given a new name only, it keeps its mark; given other numbers, it is chosen anew.
        tickets.Edit();
        tickets.FieldByName("NAME").SetAsString("Dacha");
        tickets.Post();
    }
    std::vector<Ticket> kept = ReadTickets(kSuperLoto, "lototick.dbf");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].keptAfter, 120u);

    // Sixty draws later: the ticket is judged on those only, and the picture says so.
    const auto later = riggedLoto(m_dir, 180);
    Picture picture;
    RunBacktestCommand(kSuperLoto, *later, picture.target(), HistoryWindow{}, "lototick.dbf");
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_TRUE(picture.made);
    const BacktestInput input = *ReadBacktestInput(kSuperLoto, *later, HistoryWindow{});
    const BacktestResult own = BacktestTickets(kSuperLoto, input.cells, input.options, kept, input.records).front();
    EXPECT_EQ(own.firstDraw, 121);
    EXPECT_EQ(own.tested, 60);
    EXPECT_EQ(own.verdict, BacktestVerdict::More);
    EXPECT_EQ(BacktestDetails(own).rfind("60\u00a0тиражей после сохранения; без поправки p < 0,001", 0), 0u)
        << BacktestDetails(own);
    // The ticket's row, the sixth, is red as far as its hits reach.
    const int rowHeight = (board::kHeight - 36 - 2 - 30) / 6;
    EXPECT_EQ(picture.at(6, 30 + 5 * rowHeight + rowHeight * 16 / 49 + 2), rgb(clRed));

    RecordingMessageService again;
    TTicketsWindow window(kSuperLoto, *later, HistoryWindow{});
    window.TicketsDataSet().Edit();
    window.TicketsDataSet().FieldByName("T6").SetAsString("7");
    window.TicketsDataSet().Post();
    kept = ReadTickets(kSuperLoto, "lototick.dbf");
    EXPECT_EQ(kept[0].keptAfter, 180u);
}
