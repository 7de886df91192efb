#include "wheel/past_draws.h"

namespace wheel {
namespace {

class Collector final : public DrawAccumulator {
public:
    explicit Collector(const Game& game) : m_width(static_cast<std::size_t>(game.fieldsPerDraw)) {}
    void addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t>) override {
        for (std::size_t at = 0; at + m_width <= cells.size(); at += m_width)
            draws.emplace_back(cells.begin() + static_cast<std::ptrdiff_t>(at),
                               cells.begin() + static_cast<std::ptrdiff_t>(at + m_width));
    }
    AnalysisResult result() const override { return {}; }
    std::vector<std::vector<int>> draws;

private:
    std::size_t m_width;
};

}  // namespace

std::vector<std::vector<int>> PastDraws(const Game& game, TDataSet& dataset, const HistoryWindow& window) {
    Collector collector(game);
    DrawAccumulator* sinks[] = {&collector};
    ReadDraws(dataset, game, window, sinks);
    return std::move(collector.draws);
}

}  // namespace wheel
