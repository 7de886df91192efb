// One pass over the draws for every ticket: a draw becomes a bit set of its numbers, and a
// ticket's hits are the bits it shares with it.
#include "tickets/ticket_check.h"

#include <algorithm>
#include <bit>

#include "backtest/backtest.h"

namespace {

void SetBit(std::uint64_t* words, int number) { words[number >> 6] |= std::uint64_t{1} << (number & 63); }

}  // namespace

std::int64_t Binomial(int n, int k) {
    if (k < 0 || k > n) return 0;
    k = std::min(k, n - k);
    std::int64_t value = 1;
    for (int i = 1; i <= k; ++i) value = value * (n - k + i) / i;
    return value;
}

std::int64_t CombinationsMatching(int t, int m, int h, int j) { return Binomial(h, j) * Binomial(t - h, m - j); }

TicketChecker::TicketChecker(const Game& game, std::vector<Ticket> tickets)
    : m_game(game),
      m_tickets(std::move(tickets)),
      m_stride(static_cast<std::size_t>(std::min(TicketSizeOf(game).most, game.fieldsPerDraw)) + 1),
      m_winFrom(game.wins().empty() ? game.fieldsPerDraw + 1 : game.wins().front()) {
    const std::size_t count = m_tickets.size();
    m_bits.assign(2 * count, 0);
    for (std::size_t i = 0; i < count; ++i)
        for (const int number : m_tickets[i].numbers) SetBit(&m_bits[2 * i], number);
    m_hits.assign(count * m_stride, 0);
    m_best.assign(count, -1);
    m_bestDraw.assign(count, 0);
    m_bestRecord.assign(count, 0);
    m_lastWinDraw.assign(count, 0);
    m_lastWinHits.assign(count, 0);
    m_lastWinRecord.assign(count, 0);
}

void TicketChecker::addRows(std::span<const std::uint8_t> cells, std::span<const std::uint32_t> records) {
    const auto width = static_cast<std::size_t>(m_game.fieldsPerDraw);
    const std::size_t count = m_tickets.size();
    for (std::size_t row = 0; row < records.size(); ++row) {
        const std::uint8_t* draw = cells.data() + row * width;
        std::uint64_t words[2] = {0, 0};
        // A blank or stray cell reads as 0, which no ticket holds.
        for (std::size_t c = 0; c < width; ++c) SetBit(words, draw[c]);
        words[0] &= ~std::uint64_t{1};
        ++m_draws;
        for (std::size_t i = 0; i < count; ++i) {
            const int hits = std::popcount(words[0] & m_bits[2 * i]) + std::popcount(words[1] & m_bits[2 * i + 1]);
            ++m_hits[i * m_stride + static_cast<std::size_t>(hits)];
            if (hits > m_best[i]) {
                m_best[i] = hits;
                m_bestDraw[i] = m_draws;
                m_bestRecord[i] = records[row];
            }
            if (hits >= m_winFrom) {
                m_lastWinDraw[i] = m_draws;
                m_lastWinHits[i] = hits;
                m_lastWinRecord[i] = records[row];
            }
        }
    }
    if (!records.empty()) {
        m_latest.assign(cells.end() - static_cast<std::ptrdiff_t>(width), cells.end());
        m_latestRecord = records.back();
    }
}

AnalysisResult TicketChecker::result() const {
    AnalysisResult result;
    result.draws = m_draws;
    return result;
}

std::vector<TicketCheck> TicketChecker::checks() const {
    const int m = m_game.fieldsPerDraw;
    std::vector<TicketCheck> checks;
    for (std::size_t i = 0; i < m_tickets.size(); ++i) {
        TicketCheck check;
        check.ticket = m_tickets[i];
        const int t = static_cast<int>(check.ticket.numbers.size());
        check.draws = m_draws;
        check.latestRecord = m_latestRecord;
        for (const int number : check.ticket.numbers)
            if (std::find(m_latest.begin(), m_latest.end(), number) != m_latest.end())
                check.latestMatches.push_back(number);
        const int most = std::min(t, m);
        for (int h = 0; h <= most; ++h) {
            check.observed.push_back(m_hits[i * m_stride + static_cast<std::size_t>(h)]);
            check.expected.push_back(m_draws * HypergeometricProbability(m_game.numbers, m, t, h));
        }
        if (m_draws > 0) {
            check.bestHits = m_best[i];
            check.bestDraw = m_bestDraw[i];
            check.bestRecord = m_bestRecord[i];
        }
        check.winFrom = m_game.wins().empty() ? 0 : m_winFrom;
        check.lastWinDraw = m_lastWinDraw[i];
        check.lastWinRecord = m_lastWinRecord[i];
        check.lastWinHits = m_lastWinHits[i];
        if (t > m) {
            const int latestHits = static_cast<int>(check.latestMatches.size());
            for (int j = 0; j <= m; ++j) {
                check.latestCombinations.push_back(m_draws > 0 ? CombinationsMatching(t, m, latestHits, j) : 0);
                std::int64_t sum = 0;
                for (int h = 0; h <= most; ++h)
                    sum += check.observed[static_cast<std::size_t>(h)] * CombinationsMatching(t, m, h, j);
                check.combinations.push_back(sum);
            }
        }
        checks.push_back(std::move(check));
    }
    return checks;
}

std::vector<TicketCheck> CheckTickets(const Game& game, TDataSet& dataset, std::vector<Ticket> tickets,
                                      const HistoryWindow& window, std::span<DrawAccumulator* const> more) {
    TicketChecker checker(game, std::move(tickets));
    std::vector<DrawAccumulator*> sinks{&checker};
    sinks.insert(sinks.end(), more.begin(), more.end());
    ReadDraws(dataset, game, window, sinks);
    return checker.checks();
}
