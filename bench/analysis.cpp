// Benchmarks of the analyses, headless, on SuperLoto 5,000 draws and Keno 100,000 draws
// (the average waiting period on 200 draws, its limit): each command through the main window's
// dataset against the same algorithm written here over the draws held in memory. Two ways each:
// "values", what `analyze --values` runs (the draws read once and analysed, nothing painted),
// against the algorithm alone; and "painted", the command on
// the main window's 665 x 313 picture, against the algorithm followed by the same board painter
// and caption. Before any timing both must give the same values and the same picture. The
// closing table shows how many times the command's time is its in-memory twin's. The analyses of
// bins of their own (sums, pairs) and the histogram beside them run on Keno 1,000,000 draws: through
// the dataset, and their accumulators alone over the draws in memory.

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/analyses.h"
#include "analysis/board.h"
#include "tests/support/analysis_commands.h"
#include "analysis/draw_reader.h"
#include "analysis/draw_datasets.h"
#include "analysis/game.h"
#include "bench/offscreen_program.h"
#include "toolkit/canvas.h"
#include "toolkit/dialogs.h"
#include "toolkit/fields.h"
#include "tests/support/draw_table.h"
#include "tests/support/recording_message_service.h"

namespace {

constexpr std::uint32_t kSuperLotoDraws = 5000;
constexpr std::uint32_t kKenoDraws = 100000;
constexpr std::uint32_t kWaitingDraws = 200;

enum class Analysis { Histogram, Succession, Waiting, Talven };

struct AnalysisInfo {
    Analysis analysis;
    const char* name;
    const ::Analysis& (*values)();  // the analysis of the draws, without painting
};

const AnalysisInfo kAnalyses[] = {
    {Analysis::Histogram, "histogram", &FrequencyHistogramAnalysis},
    {Analysis::Succession, "succession", &SuccessionProbabilityAnalysis},
    {Analysis::Waiting, "waiting", &AverageWaitingPeriodAnalysis},
    {Analysis::Talven, "talven", &TalvenMethodAnalysis},
};

// The games' differences the reference algorithms need, as the analyses are described.
struct ReferenceRules {
    bool successionCountsLatestPair;  // SuperLoto counts the pair that ends in the latest draw
    int successionDivisor;            // Keno's sums are divided by 4, halves to even
    int talvenCloseRatings;           // SuperLoto rates distances 0..3, Keno 0..2
    int talvenCaptionPoints;
};

const ReferenceRules kSuperLotoRules{true, 1, 4, 10};
const ReferenceRules kKenoRules{false, 4, 3, 8};

constexpr std::int32_t kCloseRatings[] = {11, 10, 9, 8};
constexpr std::int32_t kDistantRating = 5;
constexpr int kWaitingCloseRatings = 3;

std::int32_t rating(long long distance, int closeRatings) {
    return distance < closeRatings ? kCloseRatings[distance] : kDistantRating;
}

using Values = std::vector<std::int32_t>;

// The reference algorithms over the draws in memory, one array of numbers per draw.
template <std::size_t N>
class InMemory {
public:
    using Draws = std::vector<std::array<int, N>>;

    InMemory(const Game& game, const ReferenceRules& rules, const std::vector<std::vector<int>>& draws)
        : m_game(game), m_rules(rules) {
        for (const auto& draw : draws) {
            std::array<int, N> numbers{};
            std::copy_n(draw.begin(), N, numbers.begin());
            m_draws.push_back(numbers);
        }
    }

    void run(Analysis analysis, Values& values, Values& periods) const {
        switch (analysis) {
            case Analysis::Histogram:
                tally(values);
                break;
            case Analysis::Succession:
                succession(values);
                break;
            case Analysis::Waiting:
                waiting(values, periods);
                break;
            case Analysis::Talven:
                talven(values, periods);
                break;
        }
    }

    int drawCount() const { return static_cast<int>(m_draws.size()); }
    const std::array<int, N>& latest() const { return m_draws.back(); }

private:
    bool isNumber(int n) const { return n >= 1 && n <= m_game.numbers; }

    static bool holds(const std::array<int, N>& draw, int number) {
        return std::find(draw.begin(), draw.end(), number) != draw.end();
    }

    void tally(Values& values) const {
        std::fill(values.begin(), values.end(), 0);
        for (const auto& draw : m_draws)
            for (const int n : draw)
                if (isNumber(n)) ++values[static_cast<std::size_t>(n - 1)];
    }

    void succession(Values& values) const {
        const auto numbers = static_cast<std::size_t>(m_game.numbers);
        std::vector<std::int32_t> cell(numbers * numbers, 0);  // (later, earlier)
        const std::size_t skipped = m_rules.successionCountsLatestPair ? 1 : 2;
        const std::size_t pairs = m_draws.size() < skipped ? 0 : m_draws.size() - skipped;
        for (std::size_t d = 0; d < pairs; ++d)
            for (const int later : m_draws[d + 1])
                for (const int earlier : m_draws[d])
                    if (isNumber(later) && isNumber(earlier))
                        ++cell[static_cast<std::size_t>(later - 1) * numbers + static_cast<std::size_t>(earlier - 1)];
        std::fill(values.begin(), values.end(), 0);
        if (m_draws.empty()) return;
        for (std::size_t j = 0; j < numbers; ++j)
            for (const int z : latest())
                if (isNumber(z)) values[j] += cell[j * numbers + static_cast<std::size_t>(z - 1)];
        if (m_rules.successionDivisor != 1)
            for (std::int32_t& value : values)
                value =
                    static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(value) / m_rules.successionDivisor));
    }

    void waiting(Values& values, Values& periods) const {
        tally(values);
        std::fill(periods.begin(), periods.end(), 0);
        const int draws = drawCount();
        for (int i = 1; i <= m_game.numbers; ++i) {
            const std::int32_t appearances = values[static_cast<std::size_t>(i - 1)];
            if (appearances <= 2) continue;
            int previous = 0;
            int seen = 0;
            float gaps = 0.0f;
            for (int row = 1; row <= draws && seen < appearances; ++row) {
                if (!holds(m_draws[static_cast<std::size_t>(row - 1)], i)) continue;
                if (seen > 0) gaps += static_cast<float>(row - previous);
                previous = row;
                ++seen;
            }
            periods[static_cast<std::size_t>(i - 1)] =
                static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(gaps) / appearances));
        }
        for (int i = 1; i <= m_game.numbers; ++i) {
            const std::int32_t period = periods[static_cast<std::size_t>(i - 1)];
            if (period <= 0) continue;
            int wait = 0;
            for (int row = draws, count = 1; row >= 1; --row, ++count)
                if (holds(m_draws[static_cast<std::size_t>(row - 1)], i)) {
                    wait = count;
                    break;
                }
            values[static_cast<std::size_t>(i - 1)] =
                rating(std::abs(static_cast<long long>(period) - wait), kWaitingCloseRatings);
        }
    }

    void talven(Values& values, Values& periods) const {
        tally(values);
        std::fill(periods.begin(), periods.end(), 0);
        const long long draws = drawCount();
        for (int i = 1; i <= m_game.numbers; ++i) {
            const std::int32_t appearances = values[static_cast<std::size_t>(i - 1)];
            if (appearances <= 1) continue;
            long long row = draws;
            while (row >= 1 && !holds(m_draws[static_cast<std::size_t>(row - 1)], i)) --row;
            if (row < 1) continue;
            const auto predicted =
                static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(row * (appearances + 1)) / appearances));
            periods[static_cast<std::size_t>(i - 1)] = predicted;
            values[static_cast<std::size_t>(i - 1)] =
                rating(std::abs(static_cast<long long>(predicted) - draws + 1), m_rules.talvenCloseRatings);
        }
    }

    const Game& m_game;
    const ReferenceRules& m_rules;
    Draws m_draws;
};

void heading(TCanvas& canvas, int points, const char* text) {
    canvas.SetFontColor(clWhite);
    canvas.SetFontSize(points);
    canvas.TextOut(5, 10, text);
}

// The board and caption the command paints, from the in-memory results.
template <std::size_t N>
void paintAsTheCommand(TCanvas& canvas, const Game& game, const ReferenceRules& rules, const InMemory<N>& memory,
                       Analysis analysis, const Values& values) {
    DrawGameBoard(canvas, game, values);
    switch (analysis) {
        case Analysis::Histogram:
            canvas.TextOut(20, 30, "В обработке: " + std::to_string(memory.drawCount()) + " записей");
            break;
        case Analysis::Succession:
            heading(canvas, 10, "Расчет вероятности для комплекта шаров: ");
            for (std::size_t i = 0; i < N; ++i)
                canvas.TextOut(290 + 17 * static_cast<int>(i), 10, std::to_string(memory.latest()[i]));
            break;
        case Analysis::Waiting:
            heading(canvas, 10, "Расчет среднего периода ожидания");
            break;
        case Analysis::Talven:
            heading(canvas, rules.talvenCaptionPoints, "Расчет наиболее вероятных номеров по методу А.Тальвена");
            break;
    }
}

QImage whitePicture() {
    QImage picture(board::kWidth, board::kHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    return picture;
}

// One analysis on one table: the command through the dataset and its twin in memory.
template <std::size_t N>
struct Case {
    const Game* game;
    const ReferenceRules* rules;
    AnalysisInfo info;
    std::string directory;
    std::shared_ptr<const InMemory<N>> memory;
    std::uint32_t draws;

    std::string name(const char* way) const {
        return std::string(game->name) + "/" + info.name + "/" + std::to_string(draws) + "/" + way;
    }

    // Both give the same values and picture, and the command says nothing.
    bool agree(const RecordingMessageService& messages) const {
        const auto dataset = MakeDrawDataSet(*game, directory);
        Values values(static_cast<std::size_t>(game->numbers), -1);
        Values periods(values.size(), -1);
        QImage commandPicture = whitePicture();
        TCanvas commandCanvas(commandPicture);
        AnalysisContext context{*dataset, values, periods, commandCanvas};
        const std::size_t shownBefore = messages.shown.size();
        RunAnalysisCommand(info.values(), *game, context);

        Values memoryValues(values.size(), -1);
        Values memoryPeriods(values.size(), -1);
        memory->run(info.analysis, memoryValues, memoryPeriods);
        QImage memoryPicture = whitePicture();
        TCanvas memoryCanvas(memoryPicture);
        paintAsTheCommand(memoryCanvas, *game, *rules, *memory, info.analysis, memoryValues);

        const char* differs = messages.shown.size() != shownBefore ? "the command showed a message"
                              : values != memoryValues             ? "the values differ"
                              : commandPicture != memoryPicture    ? "the pictures differ"
                                                                   : nullptr;
        if (differs) std::fprintf(stderr, "analysis: %s: %s\n", name("").c_str(), differs);
        return differs == nullptr;
    }

    void registerAll() const {
        for (const bool painted : {false, true}) {
            const Case self = *this;
            bench::registerWallClock(
                name(painted ? "command_painted" : "command"), [self, painted](benchmark::State& state) {
                    const auto dataset = MakeDrawDataSet(*self.game, self.directory);
                    Values values(static_cast<std::size_t>(self.game->numbers));
                    Values periods(values.size());
                    QImage picture = whitePicture();
                    TCanvas canvas(picture);
                    AnalysisContext context{*dataset, values, periods, canvas};
                    for (auto _ : state) {
                        if (painted) {
                            RunAnalysisCommand(self.info.values(), *self.game, context);
                            benchmark::DoNotOptimize(values.data());
                        } else {
                            // What `analyze --values` runs: the draws read and analysed, nothing painted.
                            const AnalysisResult result = AnalyseDataSet(self.info.values(), *self.game, *dataset);
                            benchmark::DoNotOptimize(result.values.data());
                        }
                    }
                    bench::setRate(state, self.draws);
                });
            bench::registerWallClock(name(painted ? "memory_painted" : "memory"), [self,
                                                                                   painted](benchmark::State& state) {
                Values values(static_cast<std::size_t>(self.game->numbers));
                Values periods(values.size());
                QImage picture = whitePicture();
                TCanvas canvas(picture);
                for (auto _ : state) {
                    self.memory->run(self.info.analysis, values, periods);
                    if (painted)
                        paintAsTheCommand(canvas, *self.game, *self.rules, *self.memory, self.info.analysis, values);
                    benchmark::DoNotOptimize(values.data());
                }
                bench::setRate(state, self.draws);
            });
        }
    }
};

// Everything the closing table lists, in its order.
struct Row {
    std::string game;
    std::string analysis;
    std::uint32_t draws;
    std::string prefix;  // GAME/ANALYSIS/DRAWS/
};

std::vector<Row>& rows() {
    static std::vector<Row> all;
    return all;
}

// Writes the game's table of `draws` draws into a folder of its own, as the main window finds it.
template <std::size_t N>
std::shared_ptr<const InMemory<N>> makeTable(const Game& game, const ReferenceRules& rules,
                                             const std::string& directory, std::uint32_t draws) {
    const auto written = testsupport::makeDrawTable(directory + "/" + game.tableFileName, game, draws,
                                                    draws + static_cast<std::uint32_t>(game.numbers));
    return std::make_shared<const InMemory<N>>(game, rules, written);
}

template <std::size_t N>
bool registerGame(const testsupport::TempDir& dir, const Game& game, const ReferenceRules& rules, std::uint32_t draws,
                  const RecordingMessageService& messages) {
    const std::string longDir = bench::tableFolder(dir, std::string(game.name) + "_" + std::to_string(draws));
    const std::string shortDir = bench::tableFolder(dir, std::string(game.name) + "_" + std::to_string(kWaitingDraws));
    const auto longTable = makeTable<N>(game, rules, longDir, draws);
    const auto shortTable = makeTable<N>(game, rules, shortDir, kWaitingDraws);
    for (const AnalysisInfo& info : kAnalyses) {
        const bool waiting = info.analysis == Analysis::Waiting;
        const Case<N> c{&game,
                        &rules,
                        info,
                        waiting ? shortDir : longDir,
                        waiting ? shortTable : longTable,
                        waiting ? kWaitingDraws : draws};
        if (!c.agree(messages)) return false;
        c.registerAll();
        rows().push_back({game.name, info.name, c.draws, c.name("")});
    }
    return true;
}

// The sums and the pairs at a million Keno draws, the histogram as the yardstick of one read.
constexpr std::uint32_t kLongKenoDraws = 1000000;
const char* const kLongAnalyses[] = {"histogram", "sums", "pairs"};

std::string longName(const char* analysis, const char* way) {
    return std::string("Keno/") + analysis + "/" + std::to_string(kLongKenoDraws) + "/" + way;
}

bool registerLongKeno(const testsupport::TempDir& dir) {
    const std::string folder = bench::tableFolder(dir, "Keno_" + std::to_string(kLongKenoDraws));
    const auto draws = testsupport::makeDrawTable(folder + "/" + kKeno.tableFileName, kKeno, kLongKenoDraws, 33);
    auto cells = std::make_shared<std::vector<std::uint8_t>>();
    for (const auto& draw : draws)
        for (const int n : draw) cells->push_back(DrawCell(kKeno, n));
    for (const char* name : kLongAnalyses) {
        const ::Analysis& analysis = *AnalysisNamed(name);
        bench::registerWallClock(longName(name, "dataset"), [folder, &analysis](benchmark::State& state) {
            const auto dataset = MakeDrawDataSet(kKeno, folder);
            for (auto _ : state) {
                const AnalysisResult result = AnalyseDataSet(analysis, kKeno, *dataset);
                benchmark::DoNotOptimize(result.values.data());
            }
            bench::setRate(state, kLongKenoDraws);
        });
        bench::registerWallClock(longName(name, "memory"), [cells, &analysis](benchmark::State& state) {
            for (auto _ : state) {
                const AnalysisResult result = Analyse(analysis, kKeno, *cells);
                benchmark::DoNotOptimize(result.values.data());
            }
            bench::setRate(state, kLongKenoDraws);
        });
    }
    return true;
}

void printRatios(const bench::RatioReporter& reporter) {
    std::printf(
        "\nEach analysis through the main window's dataset as a multiple of the same algorithm over\n"
        "the draws in memory (lower is better; the aim for the values is 3 or less), and the times in milliseconds\n");
    std::printf("%-9s  %-10s  %6s  %6s  %7s  %9s  %9s  %9s  %9s\n", "game", "analysis", "draws", "values", "painted",
                "command", "memory", "cmd+paint", "mem+paint");
    auto ms = [](double seconds) {
        char text[32];
        std::snprintf(text, sizeof text, seconds >= 0.1 ? "%.0f" : seconds >= 0.001 ? "%.2f" : "%.4f", seconds * 1e3);
        return seconds > 0 ? std::string(text) : std::string("-");
    };
    for (const Row& row : rows()) {
        const double command = reporter.seconds(row.prefix + "command");
        const double memory = reporter.seconds(row.prefix + "memory");
        const double commandPainted = reporter.seconds(row.prefix + "command_painted");
        const double memoryPainted = reporter.seconds(row.prefix + "memory_painted");
        std::printf("%-9s  %-10s  %6u  %6s  %7s  %9s  %9s  %9s  %9s\n", row.game.c_str(), row.analysis.c_str(),
                    row.draws, bench::timeRatio(memory, command).c_str(),
                    bench::timeRatio(memoryPainted, commandPainted).c_str(), ms(command).c_str(), ms(memory).c_str(),
                    ms(commandPainted).c_str(), ms(memoryPainted).c_str());
    }
    std::printf("\nKeno, %u draws: through the dataset and the accumulator alone (ms)\n", kLongKenoDraws);
    for (const char* name : kLongAnalyses)
        std::printf("%-10s  %9s  %9s\n", name, ms(reporter.seconds(longName(name, "dataset"))).c_str(),
                    ms(reporter.seconds(longName(name, "memory"))).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // Headless: the canvas needs a GUI application for its fonts, not a display. A command that
    // tells the user something would fail the agreement; no box is ever shown.
    return bench::runOffscreenProgram<QGuiApplication>(
        argc, argv, "analysis",
        [](const testsupport::TempDir& dir, RecordingMessageService& messages) {
            return registerGame<6>(dir, kSuperLoto, kSuperLotoRules, kSuperLotoDraws, messages) &&
                   registerGame<20>(dir, kKeno, kKenoRules, kKenoDraws, messages) && registerLongKeno(dir);
        },
        printRatios);
}
