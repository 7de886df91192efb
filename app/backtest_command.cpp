// The back-test as the main window runs it.
#include "app/backtest_command.h"

#include <algorithm>

#include "tickets/ticket_backtest.h"
#include "toolkit/dialogs.h"
#include "toolkit/long_work.h"
#include "toolkit/russian_text.h"

std::optional<BacktestInput> ReadBacktestInput(const Game& game, TDataSet& dataset, const HistoryWindow& window) {
    BacktestInput request;
    request.cells = ReadHistory(dataset, game, window.upto, &request.records);
    const int draws = DrawCount(game, request.cells);
    if (draws < kDefaultFirstTestedDraw) {
        ShowMessage(BacktestTooFewMessage(kDefaultFirstTestedDraw));
        return std::nullopt;
    }
    if (window.last > 0) request.options.from = std::max(kDefaultFirstTestedDraw, draws - window.last + 1);
    return request;
}

std::vector<BacktestRowName> BacktestTicketNames(std::span<const Ticket> tickets) {
    std::vector<BacktestRowName> names;
    for (const Ticket& ticket : tickets) {
        std::string caption = std::string(TicketsMethod().caption) + ": " + TicketTitle(ticket) + " \u2014";
        for (std::size_t i = 0; i < ticket.numbers.size(); ++i)
            caption += (i ? ", " : " ") + std::to_string(ticket.numbers[i]);
        names.push_back({caption, ticket.name.empty() ? "Билет " + russian::wholeNumber(ticket.record)
                                                      : "Билет " + TicketTitle(ticket)});
    }
    return names;
}

void RunBacktestCommand(const Game& game, TDataSet& dataset, const std::function<TCanvas&()>& canvas,
                        const HistoryWindow& window, const std::string& ticketsTable) {
    std::optional<BacktestInput> input = ReadBacktestInput(game, dataset, window);
    if (!input) return;
    std::vector<Ticket> tickets;
    if (!ticketsTable.empty() && TicketTableExists(ticketsTable)) tickets = ReadTickets(game, ticketsTable);
    const int walked = std::max(0, DrawCount(game, input->cells) - input->options.from + 1);
    const auto walks = static_cast<std::int64_t>(BacktestMethods().size() + tickets.size());
    const auto total = static_cast<std::int64_t>(walked) * walks;
    std::vector<BacktestResult> results;
    const bool done = RunLongWork(
        "Проверка методов: " + russian::counted(walked, russian::kDraws) + "…", [&](LongWorkProgress& progress) {
            // The tickets walk after the methods: their steps follow on.
            std::int64_t before = 0;
            input->options.progress = [&](std::int64_t steps) {
                progress.report(std::min(before + steps, total), total);
                return !progress.cancelled();
            };
            results = RunBacktests(game, input->cells, input->options);
            before = static_cast<std::int64_t>(walked) * static_cast<std::int64_t>(BacktestMethods().size());
            const std::vector<BacktestResult> own =
                BacktestTickets(game, input->cells, input->options, tickets, input->records);
            results.insert(results.end(), own.begin(), own.end());
        });
    if (done) DrawBacktestBoard(canvas(), game, results, BacktestTicketNames(tickets));
}
