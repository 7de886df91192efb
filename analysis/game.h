// The game registry: everything that sets one lottery apart, as data. Each game is one record
// (its names, numbers, fields, table, board geometry and fonts, the analyses' per-game
// differences, the data window's layout and the seed of its synthetic draws); every painter,
// analysis, window and command takes a `const Game&` or walks `Games()`, and has no other game
// logic. Plain data without Qt, so that every layer may read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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
    const char* itemNames[4];   // per analysis, in the order of Analyses()
    // Per analysis, the item's caption where the game spells it its own way; nullptr: the
    // analysis' own caption.
    const char* itemCaptions[4];
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

    // "C1", "K20": the name of field `index` (0-based).
    std::string fieldName(int index) const;
    bool isNumber(std::int64_t value) const { return value >= 1 && value <= numbers; }
    // Whether `values` are one draw of this game.
    DrawFault checkDraw(std::span<const long long> values) const {
        return CheckDrawNumbers(values, static_cast<std::size_t>(fieldsPerDraw), numbers);
    }
};

extern const Game kSuperLoto;
extern const Game kKeno;

// Every game, in the order the menus and the usage texts list them.
std::span<const Game* const> Games();
// The game of a command-line name, or nullptr.
const Game* GameNamed(std::string_view cliName);
// The game whose draws fill this many fields, or nullptr.
const Game* GameWithFields(int fieldCount);
// "loto|keno": the command-line names joined by `separator`.
std::string GameNames(std::string_view separator);

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
