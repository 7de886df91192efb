// The draws fed to long work on a worker.
#include "app/draw_feed.h"

#include <algorithm>
#include <span>
#include <vector>

#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"

namespace {

// The worker is handed the draws in runs of this many, so that its progress moves.
constexpr std::size_t kDrawsPerStep = 1 << 16;

// The draws and their records as read, for the worker.
class DrawRows final : public DrawAccumulator {
public:
    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) override {
        m_cells.insert(m_cells.end(), cells.begin(), cells.end());
        m_records.insert(m_records.end(), records.begin(), records.end());
    }
    AnalysisResult result() const override { return {}; }
    std::vector<std::uint8_t> m_cells;
    std::vector<std::uint32_t> m_records;
};

}  // namespace

bool FeedDrawsWithProgress(const Game& game, TDataSet& dataset, const HistoryWindow& window,
                           DrawAccumulator& accumulator, const std::function<std::string(int draws)>& label) {
    DrawRows rows;
    {
        WaitCursor wait;
        DrawAccumulator* sinks[] = {&rows};
        ReadDraws(dataset, game, window, sinks);
    }
    const auto width = static_cast<std::size_t>(game.fieldsPerDraw);
    const std::size_t draws = rows.m_records.size();
    return RunLongWork(label(static_cast<int>(draws)), [&](LongWorkProgress& progress) {
        for (std::size_t first = 0; first < draws && !progress.cancelled(); first += kDrawsPerStep) {
            const std::size_t count = std::min(kDrawsPerStep, draws - first);
            accumulator.addRows(std::span(rows.m_cells).subspan(first * width, count * width),
                                std::span(rows.m_records).subspan(first, count));
            progress.report(static_cast<std::int64_t>(first + count), static_cast<std::int64_t>(draws));
        }
    });
}
