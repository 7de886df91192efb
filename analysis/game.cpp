// The games: SuperLoto, six numbers of 49, and Keno, twenty of 80.
#include "analysis/game.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

constexpr int kRussian = 204;
constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kSampleSeed = 20261201;

const Game* const kGames[] = {&kSuperLoto, &kKeno};

}  // namespace

const Game kSuperLoto = {
    .name = "SuperLoto",
    .cliName = "loto",
    .numbers = 49,
    .fieldsPerDraw = 6,
    .fieldPrefix = 'C',
    .tableFileName = "lotobase.dbf",
    .dataSetName = "XbaseDataSet1",
    .barStep = 13,
    .barWidth = 12,
    .captionFontInPixels = true,
    .captionFont = 12,
    .evenCaptionShift = 0,
    .referenceLineEnd = 635,
    .referenceLabelX = 640,
    .groupSeparators = false,
    .successionCountsLatestPair = true,
    .successionDivisor = 1,
    .talvenCloseRatings = 4,
    .talvenCaptionSize = 10,
    .backtestPicks = 6,
    .syntheticSeed = kSampleSeed,
    .window =
        {
            .objectName = "Form3",
            .caption = "База данных СУПЕРЛОТО",
            .left = 237,
            .top = 106,
            .clientWidth = 280,
            .clientHeight = 274,
            .navigatorLeft = 0,
            .navigatorWidth = 280,
            .editButton = false,
            .gridWidth = 280,
            .gridHeight = 250,
            .gridFont = {"Times New Roman", -13, true, false, kRussian},
            .gridTitleFont = {"MS Sans Serif", -13, true, false, 1},
            .columnResize = false,
            .columnWidth = 40,
            .columnFont = {"Times New Roman", -13, false, false, kRussian},
            .columnTitleFont = {"MS Sans Serif", -13, true, false, 1},
            .navigatorFirstInTabOrder = true,
        },
    .menu =
        {
            .menuName = "N2",
            .menuCaption = "СуперЛото",
            .dataItemName = "N5",
            .separatorName = "N10",
            .itemNames = {"N9", "N11", "N12", "N13"},
            .itemCaptions = {},
        },
};

const Game kKeno = {
    .name = "Keno",
    .cliName = "keno",
    .numbers = 80,
    .fieldsPerDraw = 20,
    .fieldPrefix = 'K',
    .tableFileName = "kenobase.dbf",
    .dataSetName = "XbaseDataSet2",
    .barStep = 8,
    .barWidth = 7,
    .captionFontInPixels = false,
    .captionFont = 6,
    // A two-digit caption is as wide as a whole 8-pixel column; the even row sits two pixels
    // to the left of its bars.
    .evenCaptionShift = -2,
    .referenceLineEnd = 640,
    .referenceLabelX = 645,
    .groupSeparators = true,
    .successionCountsLatestPair = false,
    .successionDivisor = 4,
    .talvenCloseRatings = 3,
    .talvenCaptionSize = 8,
    // The sample tables were first drawn from one stream, 300 SuperLoto draws first; Keno starts
    // where those 1800 values (six a draw) left it, so each game's samples come out the same
    // whatever the number of draws asked of the other.
    .backtestPicks = 10,
    .syntheticSeed = kSampleSeed + 300 * 6 * kGolden,
    .window =
        {
            .objectName = "Form4",
            .caption = "База данных КЕНО",
            .left = 233,
            .top = 219,
            .clientWidth = 536,
            .clientHeight = 265,
            // The bar's leftmost 8 pixels lie outside the window, as the window was designed.
            .navigatorLeft = -8,
            .navigatorWidth = 544,
            .editButton = true,
            .gridWidth = 537,
            .gridHeight = 233,
            .gridFont = {},
            .gridTitleFont = {"MS Sans Serif", -11, false, false, 1},
            .columnResize = true,
            .columnWidth = 24,
            .columnFont = {"Times New Roman", -13, false, false, kRussian},
            .columnTitleFont = {"Times New Roman", -11, true, false, kRussian},
            .navigatorFirstInTabOrder = false,
        },
    .menu =
        {
            .menuName = "N3",
            .menuCaption = "Кено",
            .dataItemName = "N6",
            .separatorName = "N15",
            .itemNames = {"N14", "N16", "N17", "N18"},
            .itemCaptions = {nullptr, nullptr, nullptr, "Метод А.Тальвена"},
        },
};

DrawFault CheckDrawNumbers(std::span<const long long> values, std::size_t picks, int highest) {
    DrawFault fault;
    if (values.size() != picks) {
        fault.kind = DrawFault::Kind::kCount;
        return fault;
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] < 1 || values[i] > highest) {
            fault.kind = DrawFault::Kind::kOutside;
            fault.index = i;
            fault.value = values[i];
            return fault;
        }
    }
    // Each number once, as a draw mostly is: one pass over a bit per number tells.
    std::array<bool, 256> few{};
    std::vector<bool> many(highest < 256 ? 0 : static_cast<std::size_t>(highest) + 1);
    const auto seenBefore = [&](std::size_t value) {
        if (highest < 256) return std::exchange(few[value], true);
        const bool before = many[value];
        many[value] = true;
        return before;
    };
    bool repeated = false;
    for (const long long value : values) repeated = seenBefore(static_cast<std::size_t>(value)) || repeated;
    if (!repeated) return fault;
    // The first number (by its first place) that stands twice, at its second place.
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t j = i + 1; j < values.size(); ++j) {
            if (values[j] != values[i]) continue;
            fault.kind = DrawFault::Kind::kRepeated;
            fault.index = j;
            fault.earlier = i;
            fault.value = values[i];
            fault.times = static_cast<int>(std::count(values.begin(), values.end(), values[i]));
            return fault;
        }
    }
    return fault;
}

std::string Game::fieldName(int index) const { return fieldPrefix + std::to_string(index + 1); }

std::span<const Game* const> Games() { return kGames; }

const Game* GameNamed(std::string_view cliName) {
    for (const Game* game : Games())
        if (cliName == game->cliName) return game;
    return nullptr;
}

const Game* GameWithFields(int fieldCount) {
    for (const Game* game : Games())
        if (game->fieldsPerDraw == fieldCount) return game;
    return nullptr;
}

std::string GameNames(std::string_view separator) {
    std::string names;
    for (const Game* game : Games()) {
        if (!names.empty()) names += separator;
        names += game->cliName;
    }
    return names;
}
