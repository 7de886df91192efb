// Benchmark of the data window's grid on long histories: a hundred moves (Down, PageDown and
// wheel steps, a third each) in the Keno data window offscreen, on tables of 1,000 and 1,000,000
// draws with one record in a thousand deleted, as in a history with corrections (the scroll bar
// counts only the records shown). A move should cost the same at any table size; the closing
// table shows how many times a move on the long table takes one on the short.

#include <QApplication>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/game.h"
#include "bench/offscreen_program.h"
#include "datawin/data_window.h"
#include "tests/support/draw_table.h"

namespace {

const std::vector<std::uint32_t> kSizes = {1000, 1000000};
constexpr int kMoves = 100;

constexpr std::uint32_t kDeletedEvery = 1000;

std::string moveName(std::uint32_t draws) { return "grid_moves/" + std::to_string(draws); }

// Marks every kDeletedEvery-th record of the table deleted, the first among them.
void deleteSome(const std::string& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    unsigned char header[12];
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) throw std::runtime_error("cannot read " + path);
    const std::uint32_t records = header[4] | header[5] << 8 | header[6] << 16 | std::uint32_t{header[7]} << 24;
    const std::uint32_t headerLength = header[8] | header[9] << 8;
    const std::uint32_t recordLength = header[10] | header[11] << 8;
    for (std::uint32_t record = 0; record < records; record += kDeletedEvery) {
        file.seekp(static_cast<std::streamoff>(headerLength) + static_cast<std::streamoff>(record) * recordLength);
        file.put('*');
    }
    if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

void wheelDown(QWidget& target) {
    const QPointF at(target.width() / 2.0, target.height() / 2.0);
    QWheelEvent event(at, target.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&target, &event);
}

// The Keno window on a table of `draws` draws in a folder of its own, the grid focused, the moves
// timed from the first draw.
void registerMoves(const testsupport::TempDir& dir, std::uint32_t draws) {
    const std::string folder = bench::tableFolder(dir, "keno" + std::to_string(draws));
    testsupport::makeDrawTable(folder + "/kenobase.dbf", kKeno, draws, 7);
    deleteSome(folder + "/kenobase.dbf");
    bench::registerWallClock(moveName(draws), [folder](benchmark::State& state) {
        bench::InFolder in(folder);
        if (!in.entered()) {
            state.SkipWithError("cannot enter the table's folder");
            return;
        }
        TDataWindow window(kKeno);
        window.ShowAndRaise();
        TDBGrid& grid = window.DBGrid1();
        grid.setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        for (auto _ : state) {
            state.PauseTiming();
            window.XbaseDataSet1().First();
            QApplication::processEvents();
            state.ResumeTiming();
            for (int move = 0; move < kMoves; ++move) {
                switch (move % 3) {
                    case 0:
                        QTest::keyClick(&grid, Qt::Key_Down);
                        break;
                    case 1:
                        QTest::keyClick(&grid, Qt::Key_PageDown);
                        break;
                    default:
                        wheelDown(*grid.viewport());
                        break;
                }
                QApplication::processEvents();
            }
        }
        bench::setOperationRate(state, kMoves);
        if (!in.leave()) state.SkipWithError("cannot leave the table's folder");
    });
}

void printRatios(const bench::RatioReporter& reporter) {
    const double shortTable = reporter.seconds(moveName(kSizes.front()));
    const double longTable = reporter.seconds(moveName(kSizes.back()));
    std::printf("\n%d moves in the Keno data window, by table size\n", kMoves);
    for (const std::uint32_t size : kSizes) {
        std::printf("  %9u draws: %8.2f ms a move\n", size, reporter.seconds(moveName(size)) * 1000.0 / kMoves);
    }
    std::printf("  the long table's moves take %s times the short table's\n",
                bench::timeRatio(shortTable, longTable).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreenProgram<QApplication>(
        argc, argv, "grid",
        [](const testsupport::TempDir& dir, RecordingMessageService&) {
            for (const std::uint32_t size : kSizes) registerMoves(dir, size);
            // As a user's history, last written a while before the window opens: a count of a file
            // written within the file system's clock tick is not kept.
            std::this_thread::sleep_for(std::chrono::milliseconds(2100));
            return true;
        },
        printRatios);
}
