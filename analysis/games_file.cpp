// The games file's reader: sections of key = value lines, each checked against the games
// already defined, so that a game never takes another's name, table or fields.
#include "analysis/games_file.h"

#include <algorithm>
#include <map>
#include <optional>

#include "analysis/builtin_games.h"
#include "toolkit/russian_text.h"
#include "analysis/game.h"

namespace {

constexpr std::size_t kLongestName = 16;
constexpr std::size_t kLongestCaption = 60;  // bytes of UTF-8: a menu's caption
constexpr std::size_t kLongestTable = 64;
constexpr int kFewestNumbers = 2;
constexpr int kMostDrawn = 20;
constexpr std::size_t kMostMistakes = 10;
constexpr std::size_t kLongestQuote = 40;  // bytes of a line quoted in a mistake
constexpr const char* kKeys[] = {"name", "numbers", "drawn", "table", "fields", "picks", "wins"};
constexpr const char* kRequired[] = {"name", "numbers", "drawn", "table", "fields"};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return isLower(c) || (c >= 'A' && c <= 'Z'); }

// A line of the file as a mistake quotes it: its start, cut at a whole UTF-8 character.
std::string quoted(std::string_view text) {
    if (text.size() <= kLongestQuote) return "'" + std::string(text) + "'";
    std::size_t end = kLongestQuote;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return "'" + std::string(text.substr(0, end)) + "\xE2\x80\xA6'";  // an ellipsis
}

std::optional<int> wholeNumber(std::string_view text) {
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), isDigit)) return std::nullopt;
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value;
}

std::string fieldRange(char prefix, int count) { return prefix + std::string("1..") + prefix + std::to_string(count); }

// "«5 из 36»" in quotes of its own: a caption named inside a Russian sentence.
std::string inQuotes(const std::string& caption) { return "\u00ab" + caption + "\u00bb"; }

// One section while it is read: the values by key with their lines, and its first mistake.
struct Section {
    std::string name;
    int line = 0;
    std::map<std::string, std::pair<std::string, int>, std::less<>> values;
    std::string mistake;
    std::string russian;  // the mistake in the window's words
    // The program's game of the same name, which the section repeats or replaces.
    std::optional<std::size_t> same;
};

class Reader {
public:
    Reader(const std::string& fileName, std::span<const Game* const> taken) : m_file(fileName) {
        for (const Game* game : taken)
            m_taken.push_back({game->cliName, game->menu.menuCaption, game->tableFileName, game->fieldPrefix,
                               game->fieldsPerDraw, game->compiledIn() ? game->name : game->cliName, game});
    }

    GamesFile read(std::string_view text) {
        int line = 0;
        while (!text.empty()) {
            ++line;
            const auto end = text.find('\n');
            const std::string_view raw = text.substr(0, end);
            text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
            readLine(trimmed(raw), line);
        }
        finishSection();
        // A file that is no games file at all says so in a few lines, not one a line.
        auto& mistakes = m_result.mistakes;
        if (mistakes.size() > kMostMistakes) {
            const std::size_t more = mistakes.size() - kMostMistakes;
            mistakes.resize(kMostMistakes);
            mistakes.push_back(m_file + ": " + std::to_string(more) + " more mistakes");
            m_result.russian.resize(kMostMistakes);
            m_result.russian.push_back(m_file + ": и ещё " +
                                       russian::counted(static_cast<long long>(more), {"ошибка", "ошибки", "ошибок"}));
        }
        return std::move(m_result);
    }

private:
    struct Taken {
        std::string cliName, caption, table;
        char prefix;
        int fields;
        std::string owner;
        const Game* game = nullptr;  // a game the program has, not one of this file
    };

    // "games.ini:7: " and "games.ini, строка 7: ".
    std::string at(int line) const { return m_file + ":" + std::to_string(line) + ": "; }
    std::string russianAt(int line) const { return m_file + ", строка " + std::to_string(line) + ": "; }
    // Who has a name, table or fields, as the window names it: "игры «Кено»", or with
    // `instrumental` "игрой «Кено»".
    static std::string ownerInWords(const Taken& other, bool instrumental = false) {
        return (instrumental ? "игрой " : "игры ") + inQuotes(other.caption);
    }

    // A mistake of the file, in English and (when given) in the window's Russian.
    void mistake(int line, const std::string& what, const std::string& russian = {}) {
        m_result.mistakes.push_back(at(line) + what);
        m_result.russian.push_back(russianAt(line) + (russian.empty() ? what : russian));
    }

    void readLine(std::string_view text, int line) {
        if (line == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
        if (text.empty() || text.front() == '#' || text.front() == ';') return;
        if (text.front() == '[') {
            finishSection();
            startSection(text, line);
            return;
        }
        if (!m_section) {
            mistake(line, quoted(text) + " stands before any [game] section",
                    quoted(text) + " стоит раньше первого раздела [игра]");
            return;
        }
        if (!m_section->mistake.empty()) return;  // the section is out already
        const auto equals = text.find('=');
        if (equals == std::string_view::npos)
            return sectionMistake(line, quoted(text) + " is not key = value",
                                  quoted(text) + " — не строка вида «ключ = значение»");
        std::string key(trimmed(text.substr(0, equals)));
        std::transform(key.begin(), key.end(), key.begin(), lowerAscii);
        const std::string value(trimmed(text.substr(equals + 1)));
        if (std::find_if(std::begin(kKeys), std::end(kKeys), [&](const char* k) { return key == k; }) ==
            std::end(kKeys))
            return sectionMistake(
                line, "unknown key '" + key + "' (name, numbers, drawn, table, fields, picks or wins)",
                "неизвестный ключ '" + key + "' (ключи: name, numbers, drawn, table, fields, picks и wins)");
        if (!m_section->values.emplace(key, std::pair{value, line}).second)
            return sectionMistake(line, "'" + key + "' is given twice", "ключ '" + key + "' задан дважды");
    }

    void sectionMistake(int line, const std::string& what, const std::string& russian = {}) {
        m_section->mistake = at(line) + "[" + m_section->name + "] " + what;
        m_section->russian = russianAt(line) + "[" + m_section->name + "] " + (russian.empty() ? what : russian);
    }

    void startSection(std::string_view text, int line) {
        m_section.emplace();
        m_section->line = line;
        if (text.back() != ']') {
            m_section->name = std::string(text.substr(1));
            m_section->mistake = at(line) + std::string(text) + " has no closing ]";
            m_section->russian = russianAt(line) + "у " + std::string(text) + " нет закрывающей скобки ]";
            return;
        }
        const std::string name(trimmed(text.substr(1, text.size() - 2)));
        m_section->name = name;
        const bool wellFormed = !name.empty() && name.size() <= kLongestName && isLower(name.front()) &&
                                std::all_of(name.begin(), name.end(), [](char c) { return isLower(c) || isDigit(c); });
        if (!wellFormed)
            return sectionMistake(line, "is no game name: 1 to 16 small Latin letters and digits, a letter first",
                                  "— не имя игры: нужно от 1 до 16 строчных латинских букв и цифр, первой — буква");
        if (name == "all")
            return sectionMistake(line, "is no game name: 'all' means every game on the command line",
                                  "— не имя игры: all в командной строке означает все игры");
        for (std::size_t i = 0; i < m_taken.size(); ++i) {
            const Taken& other = m_taken[i];
            if (other.cliName != name) continue;
            // A game the program has may be repeated or (one of its own list) replaced: judged
            // once the section is read whole.
            if (other.game) {
                m_section->same = i;
                return;
            }
            return sectionMistake(line, "is taken: the name of " + other.owner,
                                  "— это имя уже занято " + ownerInWords(other, true));
        }
    }

    std::nullopt_t refuse(int line, const std::string& what, const std::string& russian = {}) {
        sectionMistake(line, what, russian);
        return std::nullopt;
    }

    // Whether `other` is the game the section repeats or replaces, which the checks of names,
    // tables and fields pass over.
    bool isSame(const Taken& other) const { return m_section->same && &other == &m_taken[*m_section->same]; }

    // The value of `key` as a whole number within least..most, or a mistake; `russian` says the
    // range's meaning with %1 and %2 for its ends.
    std::optional<int> number(const char* key, int least, int most, const std::string& meaning,
                              const std::string& russian = {}) {
        const auto& [text, line] = m_section->values.at(key);
        const auto value = wholeNumber(text);
        if (!value || *value < least || *value > most) {
            std::string words = russian;
            for (const auto& [mark, end] : {std::pair{"%1", least}, std::pair{"%2", most}})
                if (const auto place = words.find(mark); place != std::string::npos)
                    words.replace(place, 2, std::to_string(end));
            const std::string said = std::string(key) + " = " + text + ": ";
            sectionMistake(line, said + meaning + " " + std::to_string(least) + " to " + std::to_string(most),
                           russian.empty() ? std::string() : said + words);
            return std::nullopt;
        }
        return value;
    }

    // Whether the section defines the game the program has exactly as the program does.
    static bool definesAsIs(const GameDefinition& game, const Game& known) {
        const int picks = game.picks != 0 ? game.picks : std::min(game.drawn, 10);
        const auto wins = known.wins();
        return game.caption == known.menu.menuCaption && game.numbers == known.numbers &&
               game.drawn == known.fieldsPerDraw && sameIgnoringCase(game.table, known.tableFileName) &&
               game.fieldPrefix == known.fieldPrefix && picks == known.backtestPicks &&
               std::equal(game.wins.begin(), game.wins.end(), wins.begin(), wins.end());
    }

    void finishSection() {
        if (!m_section) return;
        Section& section = *m_section;
        if (section.mistake.empty()) {
            for (const char* key : kRequired)
                if (!section.values.contains(key)) {
                    sectionMistake(section.line, "lacks '" + std::string(key) + " = ...'",
                                   "нет строки '" + std::string(key) + " = …'");
                    break;
                }
        }
        std::optional<GameDefinition> game;
        if (section.mistake.empty()) game = definition();
        if (section.same) {
            const Taken& same = m_taken[*section.same];
            if (game && definesAsIs(*game, *same.game)) {
                m_section.reset();  // the program has this game already, as it is
                return;
            }
            if (same.game->compiledIn()) {
                // SuperLoto and Keno are the program's own windows and tables: never replaced.
                sectionMistake(section.line, "is taken: the name of " + same.owner,
                               "— это имя уже занято " + ownerInWords(same, true));
                game.reset();
            } else if (game) {
                game->replaces = true;
                mistake(section.line, "[" + section.name + "] replaces the program's own " + same.cliName,
                        "[" + section.name + "] заменяет игру программы " + inQuotes(same.caption));
            }
        }
        if (game) {
            m_taken.push_back(
                {game->cliName, game->caption, game->table, game->fieldPrefix, game->drawn, game->cliName});
            m_result.games.push_back(std::move(*game));
        } else {
            m_result.mistakes.push_back(section.mistake);
            m_result.russian.push_back(section.russian);
        }
        m_section.reset();
    }

    std::optional<GameDefinition> definition() {
        Section& section = *m_section;
        GameDefinition game;
        game.cliName = section.name;
        game.line = section.line;
        const auto lineOf = [&](const char* key) { return section.values.at(key).second; };

        game.caption = section.values.at("name").first;
        if (game.caption.empty() || game.caption.size() > kLongestCaption)
            return refuse(lineOf("name"), "name: a caption of 1 to 60 bytes is wanted",
                          "name: нужно название длиной от 1 до 60 байт");
        for (const Taken& other : m_taken)
            if (other.caption == game.caption && !isSame(other))
                return refuse(lineOf("name"), "name = " + game.caption + ": the caption of " + other.owner,
                              "name = " + game.caption + ": это название уже у " + ownerInWords(other));

        const auto numbers =
            number("numbers", kFewestNumbers, kMostNumbers, "a game's numbers are", "номеров в игре — от %1 до %2");
        if (!numbers) return std::nullopt;
        game.numbers = *numbers;
        // At most Keno's twenty: the latest draw's numbers are written across the picture.
        const auto drawn = number(
            "drawn", 1, std::min(game.numbers - 1, kMostDrawn), "a draw of " + std::to_string(game.numbers) + " takes",
            "номеров в тираже — от %1 до %2 (в игре номера от 1 до " + std::to_string(game.numbers) + ")");
        if (!drawn) return std::nullopt;
        game.drawn = *drawn;

        game.table = section.values.at("table").first;
        const bool plainName = !game.table.empty() && game.table.size() <= kLongestTable &&
                               game.table.find('/') == std::string::npos && game.table.front() != '.' &&
                               game.table.size() > 4 &&
                               sameIgnoringCase(game.table.substr(game.table.size() - 4), ".dbf");
        if (!plainName)
            return refuse(lineOf("table"),
                          "table = " + game.table + ": a file name in the tables' folder, ending in .dbf",
                          "table = " + game.table + ": нужно имя файла в рабочей папке, оканчивающееся на .dbf");
        for (const Taken& other : m_taken) {
            if (isSame(other)) continue;
            if (sameIgnoringCase(other.table, game.table))
                return refuse(lineOf("table"), "table = " + game.table + ": the table of " + other.owner,
                              "table = " + game.table + ": это таблица " + ownerInWords(other));
            // A game's tickets are kept beside its table under a name made from it: no game's
            // table may stand where another game keeps its tickets.
            if (sameIgnoringCase(TicketTableNameOf(other.table), game.table))
                return refuse(lineOf("table"), "table = " + game.table + ": the tickets table of " + other.owner,
                              "table = " + game.table + ": здесь хранятся билеты " + ownerInWords(other));
            if (sameIgnoringCase(other.table, TicketTableNameOf(game.table)))
                return refuse(lineOf("table"),
                              "table = " + game.table + ": its tickets table " + TicketTableNameOf(game.table) +
                                  " is the table of " + other.owner,
                              "table = " + game.table + ": билеты этой игры хранились бы в " +
                                  TicketTableNameOf(game.table) + ", а это таблица " + ownerInWords(other));
        }

        const std::string& prefix = section.values.at("fields").first;
        if (prefix.size() != 1 || !isLetter(prefix.front()))
            return refuse(lineOf("fields"), "fields = " + prefix + ": one Latin letter is wanted",
                          "fields = " + prefix + ": нужна одна латинская буква");
        game.fieldPrefix = static_cast<char>(prefix.front() & ~0x20);  // field names are capitals
        for (const Taken& other : m_taken) {
            // SuperLoto's and Keno's letters are theirs whatever the count; another game's fields
            // only with the same count, as a table's game is told by its fields' names and count.
            const bool compiled = other.owner == kSuperLoto.name || other.owner == kKeno.name;
            if (other.prefix == game.fieldPrefix && (compiled || other.fields == game.drawn) && !isSame(other))
                return refuse(lineOf("fields"),
                              "fields = " + prefix + ": " + fieldRange(other.prefix, other.fields) +
                                  " are the fields of " + other.owner,
                              "fields = " + prefix + ": " + fieldRange(other.prefix, other.fields) + " — поля " +
                                  ownerInWords(other));
        }

        if (section.values.contains("picks")) {
            const auto picks = number("picks", 1, game.numbers - 1, "a back-test picks",
                                      "номеров, которые выбирает проверка методов, — от %1 до %2");
            if (!picks) return std::nullopt;
            game.picks = *picks;
        }
        if (section.values.contains("wins")) {
            const auto& [text, line] = section.values.at("wins");
            std::string_view rest = text;
            while (true) {
                const auto comma = rest.find(',');
                const auto value = wholeNumber(trimmed(rest.substr(0, comma)));
                if (!value || *value > game.drawn ||
                    std::find(game.wins.begin(), game.wins.end(), *value) != game.wins.end())
                    return refuse(line,
                                  "wins = " + text + ": match counts of 0 to " + std::to_string(game.drawn) +
                                      ", each once, with commas between",
                                  "wins = " + text + ": нужны числа совпадений от 0 до " + std::to_string(game.drawn) +
                                      " через запятую, каждое по одному разу");
                game.wins.push_back(*value);
                if (comma == std::string_view::npos) break;
                rest = rest.substr(comma + 1);
            }
            std::sort(game.wins.begin(), game.wins.end());
        }
        return game;
    }

    std::string m_file;
    std::vector<Taken> m_taken;
    std::optional<Section> m_section;
    GamesFile m_result;
};

}  // namespace

GamesFile ParseGamesFile(std::string_view text, const std::string& fileName, std::span<const Game* const> taken) {
    return Reader(fileName, taken).read(text);
}

std::string_view BuiltInGamesFile() { return kBuiltInGamesFile; }
