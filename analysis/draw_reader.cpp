// The draws of a table, read once for the analyses.
#include "analysis/draw_reader.h"

#include <algorithm>
#include <vector>

#include "dataset/xbase_dataset.h"
#include "toolkit/fields.h"

namespace {

// Hands the rows on, keeping only the latest `last` back until the end when the window asks for
// them: memory for the window, not for the history.
class WindowedFeed {
public:
    WindowedFeed(const Game& game, const HistoryWindow& window, std::span<DrawAccumulator* const> sinks)
        : m_window(window), m_sinks(sinks), m_width(static_cast<std::size_t>(game.fieldsPerDraw)) {
        if (m_window.last > 0) {
            m_ring.resize(static_cast<std::size_t>(m_window.last) * m_width);
            m_records.resize(static_cast<std::size_t>(m_window.last));
        }
    }

    // Takes rows of cells with their records; false once the window's last record is passed.
    bool add(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) {
        const std::size_t width = m_width;
        std::size_t rows = records.size();
        bool more = true;
        if (m_window.upto != 0) {
            const auto end = std::upper_bound(records.begin(), records.end(), m_window.upto);
            more = end == records.end();
            rows = static_cast<std::size_t>(end - records.begin());
        }
        m_seen += rows;
        if (m_window.last == 0) {
            for (DrawAccumulator* sink : m_sinks) sink->addRows(cells.first(rows * width), records.first(rows));
            return more;
        }
        for (std::size_t r = 0; r < rows; ++r) {
            const std::size_t seen = m_seen - rows + r;
            const std::size_t slot = seen % static_cast<std::size_t>(m_window.last);
            std::copy_n(cells.begin() + static_cast<std::ptrdiff_t>(r * width), width,
                        m_ring.begin() + static_cast<std::ptrdiff_t>(slot * width));
            m_records[slot] = records[r];
        }
        return more;
    }

    int finish() {
        if (m_window.last == 0) return static_cast<int>(m_seen);
        const std::size_t kept = std::min<std::size_t>(m_seen, static_cast<std::size_t>(m_window.last));
        const std::size_t first = m_seen - kept;
        for (std::size_t i = first; i < m_seen; ++i) {
            const std::size_t slot = i % static_cast<std::size_t>(m_window.last);
            const DrawRow row(m_ring.data() + slot * m_width, m_width);
            for (DrawAccumulator* sink : m_sinks) sink->add(row, m_records[slot]);
        }
        return static_cast<int>(kept);
    }

private:
    HistoryWindow m_window;
    std::span<DrawAccumulator* const> m_sinks;
    std::size_t m_width;
    std::vector<std::uint8_t> m_ring;
    std::vector<std::uint32_t> m_records;
    std::size_t m_seen = 0;
};

// The record-by-record walk, as the commands always read: First, AsInteger of each number field,
// Next. Serves datasets other than the table dataset and tables the block pass cannot read.
void WalkDataSet(TDataSet& dataset, const Game& game, WindowedFeed& feed) {
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(game.fieldsPerDraw));
    dataset.First();
    while (!dataset.Eof()) {
        for (int f = 0; f < game.fieldsPerDraw; ++f)
            cells[static_cast<std::size_t>(f)] = DrawCell(game, dataset.Fields(f).AsInteger());
        const std::uint32_t record = static_cast<std::uint32_t>(dataset.RecNo());
        if (!feed.add(cells, std::span(&record, 1))) break;
        dataset.Next();
    }
}

}  // namespace

int ReadDraws(TDataSet& dataset, const Game& game, const HistoryWindow& window,
              std::span<DrawAccumulator* const> sinks) {
    WindowedFeed feed(game, window, sinks);
    auto* table = dynamic_cast<TXbaseDataSet*>(&dataset);
    bool scanned = false;
    // A table short of number fields fails on its first draw, as the walk does, not before.
    if (table && dataset.FieldCount() >= game.fieldsPerDraw) {
        std::vector<const TField*> fields;
        for (int f = 0; f < game.fieldsPerDraw; ++f) fields.push_back(&dataset.Fields(f));
        // The scan keeps the game's numbers and reads anything else as 0, as DrawCell does; a
        // window up to a record reads no further.
        scanned = table->ScanByteFields(
            fields, static_cast<std::uint8_t>(game.numbers),
            [&](std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) {
                feed.add(cells, records);
            },
            window.upto != 0 ? window.upto : UINT32_MAX);
    }
    if (!scanned) WalkDataSet(dataset, game, feed);
    return feed.finish();
}

void PlaceCursor(TDataSet& dataset, const AnalysisResult& result, const HistoryWindow& window) {
    switch (result.cursor) {
        case CursorAfter::Unmoved:
            break;
        case CursorAfter::First:
            dataset.First();
            break;
        case CursorAfter::PastLast:
        case CursorAfter::Last:
            if (window.whole() || result.draws == 0) {
                dataset.Last();
                if (result.cursor == CursorAfter::PastLast) dataset.Next();
            } else {
                // The latest draw of the window.
                dataset.SetRecNo(static_cast<int>(result.cursorRecord));
            }
            break;
        case CursorAfter::Record:
            dataset.SetRecNo(static_cast<int>(result.cursorRecord));
            break;
    }
}

AnalysisResult AnalyseDataSet(const Analysis& analysis, const Game& game, TDataSet& dataset,
                              const HistoryWindow& window) {
    const auto accumulator = analysis.start(game);
    DrawAccumulator* sinks[] = {accumulator.get()};
    ReadDraws(dataset, game, window, sinks);
    AnalysisResult result = accumulator->result();
    PlaceCursor(dataset, result, window);
    return result;
}
