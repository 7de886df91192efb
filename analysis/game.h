// The game registry: everything that sets one lottery apart, as data. Each game is one record
// (its names, numbers, fields, table, board geometry and fonts, the analyses' per-game
// differences, the data window's layout and the seed of its synthetic draws); every painter,
// analysis, window and command takes a `const Game&` or walks `Games()`, and has no other game
// logic. SuperLoto and Keno are compiled in; every further game is an "m of N" game read from a
// games file (the program's own list, then games.ini in the tables' folder), its record made
// from N and m by one rule. Plain data without Qt, so that every layer may read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A font as a window description names it; `name == nullptr` is the window's own font.
struct FontSpec {
    const char* name = nullptr;
    int height = -11;  // negative: pixels, as the window descriptions give it
    bool bold = false;
    bool italic = false;
    int charset = 1;  // 1 default, 204 Russian
};

// The draw data window of a game: its place, the navigator bar above the grid and the grid's
// columns, one per number field.
struct DrawWindowSpec {
    const char* objectName;  // "Form3"
    const char* caption;     // UTF-8
    int left, top, clientWidth, clientHeight;
    int navigatorLeft, navigatorWidth;  // the bar is 25 pixels high at the top
    bool editButton;                    // the navigator shows its Edit button
    int gridWidth, gridHeight;          // the grid starts at (0, 24)
    FontSpec gridFont;
    FontSpec gridTitleFont;
    bool columnResize;
    int columnWidth;
    FontSpec columnFont;
    FontSpec columnTitleFont;
    bool navigatorFirstInTabOrder;
};

// The main window's menu of a game: its own menu with one item per analysis, and the item under
// "Данные" that shows the game's data window.
struct GameMenuSpec {
    const char* menuName;       // "N2"
    const char* menuCaption;    // "СуперЛото"
    const char* dataItemName;   // "N5", under "Данные"
    const char* separatorName;  // after the first analysis
    // Per analysis, in the order of Analyses(), the item's name where the game fixes it; an
    // analysis beyond them is named from the game and the analysis (MenuItemName).
    std::span<const char* const> itemNames;
    // Per analysis, the item's caption where the game spells it its own way; nullptr or beyond
    // them: the analysis' own caption.
    std::span<const char* const> itemCaptions;
};

// What keeps a list of numbers from being one draw of a game. Every place that takes a draw in
// (typing, `add`, `set`, import) asks this one rule and only words the answer its own way.
struct DrawFault {
    enum class Kind {
        kNone,
        kCount,     // not the game's count of numbers
        kOutside,   // a number outside 1..numbers; 0 is how an empty field reads
        kRepeated,  // a number met earlier in the same draw
    };
    Kind kind = Kind::kNone;
    std::size_t index = 0;    // kOutside, kRepeated: the place of the faulty number (0-based)
    std::size_t earlier = 0;  // kRepeated: the place where the number first stands
    int times = 0;            // kRepeated: how often the number stands in the draw
    long long value = 0;      // kOutside, kRepeated: the number

    explicit operator bool() const { return kind != Kind::kNone; }
};

// The rule itself: exactly `picks` numbers, each in 1..highest, no number twice. The faults are
// looked for in that order, and the first one found is the answer.
DrawFault CheckDrawNumbers(std::span<const long long> values, std::size_t picks, int highest);

struct Game {
    const char* name;           // "SuperLoto"
    const char* cliName;        // "loto", as the command line names the game
    int numbers;                // numbers are drawn from 1..numbers
    int fieldsPerDraw;          // numbers in one draw, one numeric field each
    char fieldPrefix;           // the fields are <prefix>1 .. <prefix><fieldsPerDraw>
    const char* tableFileName;  // the table the program reads from its current directory
    const char* dataSetName;    // the main window's dataset on that table

    // The board.
    int barStep;               // pixels from one column to the next
    int barWidth;              // pixels of a bar
    bool captionFontInPixels;  // true: captionFont is a height in pixels; false: a size in points
    int captionFont;           // 12 pixels, or 6 points
    int evenCaptionShift;      // x offset of even numbers' captions
    int referenceLineEnd;      // x where the reference lines end (excluded)
    int referenceLabelX;       // x of the reference labels
    bool groupSeparators;      // a line every ten numbers

    // The analyses' differences. SuperLoto's succession counts every pair of consecutive draws;
    // Keno's never counts the pair that ends in the latest draw, and divides its sums before
    // painting (rounded half to even).
    bool successionCountsLatestPair;
    int successionDivisor;
    // How many of the close ratings (11, 10, 9, 8 for distances 0, 1, 2, 3) the Тальвен method gives.
    int talvenCloseRatings;
    int talvenCaptionSize;  // points

    int backtestPicks;            // a ticket's worth: the numbers a back-tested method picks by default
    std::uint64_t syntheticSeed;  // where the game's synthetic draws start
    DrawWindowSpec window;
    GameMenuSpec menu;
    // The match counts that win, for a compiled-in game (a games file's game gives its own).
    std::span<const int> compiledWins{};

    // "C1", "K20": the name of field `index` (0-based).
    std::string fieldName(int index) const;
    bool isNumber(std::int64_t value) const { return value >= 1 && value <= numbers; }
    // Whether `values` are one draw of this game.
    DrawFault checkDraw(std::span<const long long> values) const {
        return CheckDrawNumbers(values, static_cast<std::size_t>(fieldsPerDraw), numbers);
    }
    // SuperLoto and Keno, compiled into the program; every other game comes from a games file.
    bool compiledIn() const;
    // Whether the program needs the game's table to start: SuperLoto's and Keno's, which it
    // opens at start as it always has; a further game's menu comes only with its table.
    bool neededAtStart() const { return compiledIn(); }
    // The winning match counts: SuperLoto's own, or those a games file gave (empty: none known,
    // as for Keno, whose winning counts depend on how many numbers a ticket holds).
    std::span<const int> wins() const;
};

extern const Game kSuperLoto;
extern const Game kKeno;
inline constexpr int kSuperLotoNumbers = 49;
inline constexpr int kKenoNumbers = 80;
// The largest N of a game: a draw's numbers are two-digit fields, and 99 bars fit the board.
inline constexpr int kMostNumbers = 99;

// The golden-ratio increment of the splitmix64 stream the synthetic draws come from.
inline constexpr std::uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ull;

// Every game, in the order the menus and the usage texts list them: SuperLoto, Keno, the
// program's own list, then the games of the folder's games.ini once read.
std::span<const Game* const> Games();
// The game of a command-line name, or nullptr.
const Game* GameNamed(std::string_view cliName);
// "loto|keno": the command-line names joined by `separator`; the last one joined by `last`
// when given ("loto, keno or g536").
std::string GameNames(std::string_view separator, std::string_view last = {});

// A table's field as the draw-table rule sees it.
struct TableField {
    std::string name;
    bool numeric = false;  // N or F: holds numbers
};
// The draw-table rule, the one place it is written: a table is a draw table of `game` when the
// game's number fields, <prefix>1 .. <prefix><m>, numeric, lead it in that order.
bool IsDrawTableOf(const Game& game, std::span<const TableField> fields);
// The game whose draw table this is, by its field names and count: among the games whose fields
// lead the table, the one whose fields are all of it, else the one with the most fields;
// nullptr when there is none.
const Game* GameOfTable(std::span<const TableField> fields);

// Reads games.ini in `folder` (empty: the current folder) as the games of that folder, in place
// of those of a folder read before; a folder without one has none. Returns the file's mistakes,
// one line each naming the file and line; the games it defines well serve all the same.
// `russian`, when given, gets the same lines in the window's words.
std::vector<std::string> LoadFolderGames(const std::string& folder, std::vector<std::string>* russian = nullptr);
// The folder whose games are in the registry ("" before any was read, or for the current one).
const std::string& GamesFolder();

// The file name of the tickets table kept beside a game's table `tableFileName`: "base" at the end
// of its stem becomes "tick" ("lotobase.dbf" → "lototick.dbf"), else "tick" is added.
std::string TicketTableNameOf(const std::string& tableFileName);

// The game's record made from its definition's N and m: board geometry and fonts, the analyses'
// per-game values, the data window and the menu, by the one rule that also gives SuperLoto's and
// Keno's values (tests check it against their compiled-in records). The names and texts are
// the caller's: `game` keeps pointers to them.
void DeriveGameValues(Game& game);

// The board's fixed geometry, the same for every game.
namespace board {
inline constexpr int kWidth = 665;  // the picture
inline constexpr int kHeight = 313;
inline constexpr int kClientHeight = 314;  // the window's client area the painter clears
inline constexpr int kBaseline = 265;
inline constexpr int kPixelsPerUnit = 10;
inline constexpr int kOddCaptionY = 270;
inline constexpr int kEvenCaptionY = 285;
inline constexpr int kReferenceValues[] = {1, 5, 8, 11};
inline constexpr int kSeparatorTop = 155;
}  // namespace board
