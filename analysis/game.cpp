// The games: SuperLoto, six numbers of 49, and Keno, twenty of 80, compiled in; the games of
// the games files made from their N and m; the registry that lists them all.
#include "analysis/game.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>
#include <deque>
#include <memory>
#include <sstream>

#include "analysis/games_file.h"
#include "platform/error_codes.h"
#include "platform/os_file.h"

namespace {

constexpr int kRussian = 204;
constexpr std::uint64_t kSampleSeed = 20261201;

constexpr const char* kSuperLotoItems[] = {"N9", "N11", "N12", "N13"};
constexpr const char* kKenoItems[] = {"N14", "N16", "N17", "N18"};
constexpr const char* kKenoCaptions[] = {nullptr, nullptr, nullptr, "Метод А.Тальвена"};
// "6 of 49" pays for 3, 4, 5 and 6 numbers guessed.
constexpr int kSuperLotoWins[] = {3, 4, 5, 6};

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
            .itemNames = kSuperLotoItems,
            .itemCaptions = {},
        },
    .compiledWins = kSuperLotoWins,
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
    .syntheticSeed = kSampleSeed + 300 * 6 * kGoldenGamma,
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
            .itemNames = kKenoItems,
            .itemCaptions = kKenoCaptions,
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

namespace {

// A game of a games file: its texts, which the record points into, and the record.
struct DefinedGame {
    std::string cliName, caption, table, dataSetName, windowName, windowCaption, dataItemName, separatorName;
    std::vector<int> wins;
    Game game{};
};

// The registry: the compiled-in games, the program's own list and the folder's games. Records
// never move, so a `const Game&` stays good while the program runs; a folder read again leaves
// the games of the folder before in place (unlisted) for whoever still holds one.
struct Registry {
    std::deque<std::unique_ptr<DefinedGame>> defined;
    std::vector<const Game*> listed;
    std::vector<const Game*> own;  // listed before the folder's
    std::string folder;

    Registry() {
        listed = {&kSuperLoto, &kKeno};
        // The program's own list has no mistakes (a test keeps it so).
        add(ParseGamesFile(BuiltInGamesFile(), "the program's games", listed).games);
        own = listed;
    }

    void add(const std::vector<GameDefinition>& definitions) {
        for (const GameDefinition& definition : definitions) {
            auto entry = std::make_unique<DefinedGame>();
            DefinedGame& d = *entry;
            d.cliName = definition.cliName;
            d.caption = definition.caption;
            d.table = definition.table;
            d.dataSetName = "XbaseDataSet_" + definition.cliName;
            d.windowName = "Form_" + definition.cliName;
            d.windowCaption = "База данных " + definition.caption;
            d.dataItemName = definition.cliName + "Data";
            d.separatorName = definition.cliName + "Separator";
            d.wins = definition.wins;
            Game& game = d.game;
            game.name = d.caption.c_str();
            game.cliName = d.cliName.c_str();
            game.numbers = definition.numbers;
            game.fieldsPerDraw = definition.drawn;
            game.fieldPrefix = definition.fieldPrefix;
            game.tableFileName = d.table.c_str();
            game.dataSetName = d.dataSetName.c_str();
            game.window.objectName = d.windowName.c_str();
            game.window.caption = d.windowCaption.c_str();
            game.menu.menuName = d.cliName.c_str();
            game.menu.menuCaption = d.caption.c_str();
            game.menu.dataItemName = d.dataItemName.c_str();
            game.menu.separatorName = d.separatorName.c_str();
            DeriveGameValues(game);
            if (definition.picks != 0) game.backtestPicks = definition.picks;
            // A folder's game of the name of one of the program's own takes its place in the list.
            const auto same = std::find_if(listed.begin(), listed.end(),
                                           [&](const Game* g) { return definition.cliName == g->cliName; });
            if (definition.replaces && same != listed.end()) {
                *same = &game;
            } else {
                listed.push_back(&game);
            }
            defined.push_back(std::move(entry));
        }
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

const DefinedGame* DefinitionOf(const Game& game) {
    for (const auto& entry : TheRegistry().defined)
        if (&entry->game == &game) return entry.get();
    return nullptr;
}

// A stable number from the game's name, so that its synthetic draws are the same on every run.
std::uint64_t NameHash(std::string_view name) {
    std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return hash;
}

}  // namespace

void DeriveGameValues(Game& game) {
    const int n = game.numbers;
    const int m = game.fieldsPerDraw;
    // The bars share the 640 pixels left of the reference labels: 13 for 49 numbers, 8 for 80,
    // 6 for 99; a small N gets no more than twice SuperLoto's width.
    constexpr int kBarsWidth = 640;
    constexpr int kWidestStep = 26;
    game.barStep = std::min(kBarsWidth / n, kWidestStep);
    game.barWidth = game.barStep - 1;
    // A 12-pixel caption where a column is 13 pixels or more, else 6 points; two rows, odd numbers
    // above even ones, so a caption has two columns; in columns of 8 or less the even row moves
    // two pixels left, and a line every ten numbers helps the eye.
    const bool wide = game.barStep >= 13;
    game.captionFontInPixels = wide;
    game.captionFont = wide ? 12 : 6;
    game.evenCaptionShift = game.barStep <= 8 ? -2 : 0;
    game.groupSeparators = game.barStep <= 8;
    // The reference lines end at the bars' end rounded down to 5 pixels; their labels 5 further.
    game.referenceLineEnd = n * game.barStep / 5 * 5;
    game.referenceLabelX = game.referenceLineEnd + 5;
    // A dense game, whose draw takes a quarter of its numbers or more (Keno, 20 of 80), leaves the
    // latest pair out of the succession, rates only distances 0..2 by Тальвен and writes its
    // heading in 8 points; the succession's sums are divided by m / 5 (1 for 6, 4 for 20).
    const bool dense = 4 * m >= n;
    game.successionCountsLatestPair = !dense;
    game.successionDivisor = std::max(1, m / 5);
    game.talvenCloseRatings = dense ? 3 : 4;
    game.talvenCaptionSize = dense ? 8 : 10;
    // A ticket's worth: the numbers of a draw, at most ten.
    game.backtestPicks = std::min(m, 10);
    game.syntheticSeed = kSampleSeed + NameHash(game.cliName ? game.cliName : "") * kGoldenGamma;
    // The data window: a column per number, 40 pixels for up to ten numbers, else 24.
    DrawWindowSpec& window = game.window;
    window.left = 237;
    window.top = 106;
    window.columnWidth = m <= 10 ? 40 : 24;
    constexpr int kIndicatorAndScrollBar = 40;
    window.clientWidth = std::max(280, kIndicatorAndScrollBar + m * (window.columnWidth + 1));
    window.clientHeight = 274;
    window.navigatorLeft = 0;
    window.navigatorWidth = window.clientWidth;
    window.editButton = true;
    window.gridWidth = window.clientWidth;
    window.gridHeight = 250;
    window.gridFont = {"Times New Roman", -13, true, false, kRussian};
    window.gridTitleFont = {"MS Sans Serif", -13, true, false, 1};
    window.columnResize = true;
    window.columnFont = {"Times New Roman", -13, false, false, kRussian};
    window.columnTitleFont = {"MS Sans Serif", -13, true, false, 1};
    window.navigatorFirstInTabOrder = true;
}

std::string Game::fieldName(int index) const { return fieldPrefix + std::to_string(index + 1); }

bool Game::compiledIn() const { return this == &kSuperLoto || this == &kKeno; }

std::span<const int> Game::wins() const {
    if (compiledIn()) return compiledWins;
    const DefinedGame* definition = DefinitionOf(*this);
    return definition ? std::span<const int>(definition->wins) : std::span<const int>();
}

std::span<const Game* const> Games() { return TheRegistry().listed; }

std::vector<std::string> LoadFolderGames(const std::string& folder, std::vector<std::string>* russian) {
    Registry& registry = TheRegistry();
    registry.listed = registry.own;
    if (russian) russian->clear();
    registry.folder = folder;
    const std::string path = folder.empty() ? "games.ini" : folder + (folder.back() == '/' ? "" : "/") + "games.ini";
    // No games file is the common case; one that is there but cannot be read is said.
    if (!platform::isRegularFile(path)) return {};
    std::string text;
    if (!platform::readWholeFile(path, text))
        return {path + ": cannot be read (" + platform::reasonText(platform::lastError()) + ")"};
    GamesFile games = ParseGamesFile(text, path, registry.listed);
    registry.add(games.games);
    if (russian) *russian = std::move(games.russian);
    return games.mistakes;
}

const std::string& GamesFolder() { return TheRegistry().folder; }

std::string TicketTableNameOf(const std::string& tableFileName) {
    std::string stem = tableFileName;
    std::string extension;
    if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos) {
        extension = stem.substr(dot);
        stem.erase(dot);
    }
    if (stem.ends_with("base")) stem.erase(stem.size() - 4);
    return stem + "tick" + extension;
}

bool IsDrawTableOf(const Game& game, std::span<const TableField> fields) {
    if (fields.size() < static_cast<std::size_t>(game.fieldsPerDraw)) return false;
    for (int f = 0; f < game.fieldsPerDraw; ++f) {
        const TableField& field = fields[static_cast<std::size_t>(f)];
        if (!field.numeric || field.name != game.fieldName(f)) return false;
    }
    return true;
}

const Game* GameOfTable(std::span<const TableField> fields) {
    const Game* best = nullptr;
    for (const Game* game : Games()) {
        if (!IsDrawTableOf(*game, fields)) continue;
        if (static_cast<std::size_t>(game->fieldsPerDraw) == fields.size()) return game;
        if (!best || game->fieldsPerDraw > best->fieldsPerDraw) best = game;
    }
    return best;
}

const Game* GameNamed(std::string_view cliName) {
    for (const Game* game : Games())
        if (cliName == game->cliName) return game;
    return nullptr;
}

std::string GameNames(std::string_view separator, std::string_view last) {
    std::string names;
    const auto games = Games();
    for (std::size_t i = 0; i < games.size(); ++i) {
        if (i > 0) names += i + 1 == games.size() && !last.empty() ? last : separator;
        names += games[i]->cliName;
    }
    return names;
}
