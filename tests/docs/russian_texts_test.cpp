// The program's Russian texts and the manual keep the rules a machine can check (tests/docs/
// text_rules.h), so that a new text keeps them too. The texts the program must show word for word
// are listed below and skipped.
#include "tests/docs/text_rules.h"
#include "tests/support/files.h"
#include "toolkit/russian_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <utility>
#include <vector>

namespace {

const std::string nbsp = "\u00A0";

// The texts whose wording is fixed, as the program shows them; they are taken out of a text
// before it is checked (the manual quotes some of them).
const char* const kFixedTexts[] = {
    // Window titles and the About window's fixed lines.
    "Немного об авторе...   ",
    "Немного об авторе...",
    "Программный комплекс ШАРОМЕТР версия ",
    "Программный комплекс",
    "ШАРОМЕТР вер.",
    " (6 x 49)",
    "Хотите что-то сказать? Вам сюда: ",
    "База данных СУПЕРЛОТО",
    "База данных КЕНО",
    // Menu captions.
    "Данные",
    "Выход",
    "СуперЛото",
    "Кено",
    "Гистограмма",
    "Расчет вероятности",
    "Средний период ожидания",
    "Метод А. Тальвена",
    "Метод А.Тальвена",
    "Как пользоваться",
    "Об авторе",
    // Board captions.
    "В обработке: N записей",
    "Расчет вероятности для комплекта шаров: ",
    "Расчет среднего периода ожидания",
    "Расчет наиболее вероятных номеров по методу А.Тальвена",
    // The analyses' refusals.
    "ВНИМАНИЕ! Необходимо заполнить по крайней мере 5 записей!",
    "ВНИМАНИЕ! Необходимо заполнить хотя бы 5 записей!",
    "По личному мнению автора, анализ количества записей более 200 теряет смысл по ряду причин. ",
    "Уменьшите количество записей в базе.",
};

// The pieces of a fixed text that the program joins with a count at run time: "В обработке: ",
// the count, " записей". A literal equal to one is skipped.
const char* const kFixedPieces[] = {"В обработке: ", " записей"};

// One word for each thing across the window, the manual and the README: the word the player
// meets is the first, the other names it had are flagged.
const std::pair<const char*, std::vector<const char*>> kTerms[] = {
    {"табло", {"доска", "доску", "доски", "доской"}},
    {"сколько тиражей анализировать", {"окно истории", "окна истории", "окне истории", "окном истории"}},
    {"придуманные тиражи", {"образцов", "учебного примера", "случайных тиражей", "Случайных тиражей"}},
    {"пиксель", {"пикс.", "точек экрана", "точки экрана"}},
    {"Esc", {"Escape"}},
};

// The names `text` gives a thing in place of its one word, each with the word.
std::vector<std::string> otherTerms(const std::string& text) {
    std::vector<std::string> found;
    for (const auto& [term, others] : kTerms)
        for (const char* other : others)
            if (text.find(other) != std::string::npos)
                found.push_back(std::string("\"") + other + "\" where the texts say \"" + term + "\"");
    return found;
}

std::string withoutFixed(std::string text) {
    for (const char* fixed : kFixedTexts) text = textrules::without(text, fixed);
    return text;
}

bool skipped(const std::string& literal) {
    for (const char* text : kFixedPieces) {
        if (literal == text) return true;
    }
    return false;
}

// A string literal of the source: its text and the line it starts on; `afterPlus` when the
// literal is appended to something computed before it ("... " + count + " тиражей").
struct Literal {
    std::string text;
    int line;
    bool afterPlus;
};

// The string literals of a C++ source, comments skipped, adjacent literals joined as the compiler
// joins them. Escapes are kept as written, which the rules do not look into.
std::vector<Literal> literalsOf(const std::string& source) {
    std::vector<Literal> literals;
    int line = 1;
    char lastToken = 0;     // the last character outside literals, comments and blanks
    bool joinable = false;  // only blanks since the last literal
    for (std::size_t at = 0; at < source.size(); ++at) {
        const char c = source[at];
        if (c == '\n') ++line;
        if (c == '/' && at + 1 < source.size() && source[at + 1] == '/') {
            while (at < source.size() && source[at] != '\n') ++at;
            ++line;
            continue;
        }
        if (c == '/' && at + 1 < source.size() && source[at + 1] == '*') {
            const std::size_t end = source.find("*/", at + 2);
            for (std::size_t i = at; i < end && i < source.size(); ++i) line += source[i] == '\n';
            at = end == std::string::npos ? source.size() : end + 1;
            continue;
        }
        if (c == '\'') {  // a character literal, '"' included
            at += source[at + 1] == '\\' ? 3 : 2;
            lastToken = '\'';
            joinable = false;
            continue;
        }
        if (c == '"') {
            std::string text;
            for (++at; at < source.size() && source[at] != '"'; ++at) {
                if (source[at] == '\\' && at + 1 < source.size()) text += source[at++];
                text += source[at];
            }
            if (joinable && !literals.empty()) {
                literals.back().text += text;
            } else {
                literals.push_back({text, line, lastToken == '+'});
            }
            joinable = true;
            continue;
        }
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
            lastToken = c;
            joinable = false;
        }
    }
    return literals;
}

// The nouns a count can precede, in every form; a literal that opens with one right after a '+'
// puts a fixed form after a number known only at run time.
bool opensWithCountedNoun(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text.compare(at, nbsp.size(), nbsp) == 0)) {
        at += text[at] == ' ' ? 1 : nbsp.size();
    }
    for (const russian::NounForms* noun : {&russian::kDraws, &russian::kRecords, &russian::kNumbers, &russian::kHits,
                                           &russian::kMethods, &russian::kTickets, &russian::kLines}) {
        for (std::string_view form : {noun->one, noun->few, noun->many}) {
            const std::size_t end = at + form.size();
            const bool wordEnds = end >= text.size() || (static_cast<unsigned char>(text[end]) != 0xD0 &&
                                                         static_cast<unsigned char>(text[end]) != 0xD1);
            if (text.compare(at, form.size(), form) == 0 && wordEnds) return true;
        }
    }
    return false;
}

TEST(TextRules, FlagWhatAMachineCanSeeAndPassGoodRussian) {
    const struct {
        std::string text;
        std::size_t faults;
    } cases[] = {
        {"последние 1 тиражей", 1},
        {"не менее 21 записей!", 1},
        {"проверено 3 тираж", 1},
        {"не более 4 раз", 0},
        {"выпал 4 раз", 1},
        {"5 тиража", 1},
        {"21 тираж, 22 тиража, 25 тиражей, 111 тиражей, 12 записей", 0},
        {"не менее 21 записи, от 2 до 4 тиражей", 0},
        {"2" + nbsp + "тиража и 5" + nbsp + "секунд", 0},
        {"в среднем 12,24 выпадения, 0,73 тиража", 0},
        {"отношение 1.02, p = 0.71", 2},
        {"смотрите раздел 5.7", 0},
        {"смотрите раздел 5.8", 1},
        {"Загрузка...", 1},
        {"Загрузка…", 0},
        {"номера 1-49, поля C1-C6", 2},
        {"номера 1–49, поля C1–C6, 3-го по 22-е", 0},
        {"номера 1..49 и 1 … 80, поля C1 … C6", 3},
        {"0, 1, 2, … попаданий", 0},
        {"English text 1.5 ... 3-4", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textrules::faults(c.text, {"5.7"}).size(), c.faults) << c.text;
    }
    EXPECT_TRUE(opensWithCountedNoun(" тиражей"));
    EXPECT_TRUE(opensWithCountedNoun(" записей!"));
    EXPECT_FALSE(opensWithCountedNoun(" тиражами"));
    EXPECT_FALSE(opensWithCountedNoun("все тиражи"));
    EXPECT_EQ(otherTerms("Масштабировать доску; окно истории: все тиражи; 2 пикс.").size(), 3u);
    EXPECT_TRUE(otherTerms("Масштабировать табло; нажмите Esc; 10\u00a0пикселей").empty());
}

TEST(RussianTexts, TheProgramsOwnTextsKeepTheRules) {
    const std::filesystem::path root(SHAROMETR_SOURCE_DIR);
    int russianTexts = 0;
    for (const char* layer :
         {"app", "analysis", "backtest", "datawin", "dataset", "toolkit", "cli", "dbf", "platform"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / layer)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h") continue;
            const std::string where = std::filesystem::relative(entry.path(), root).string();
            for (const Literal& literal : literalsOf(testsupport::readFile(entry.path().string()))) {
                if (!textrules::isRussian(literal.text) || skipped(literal.text)) continue;
                ++russianTexts;
                const std::string text = withoutFixed(literal.text);
                for (const std::string& fault : textrules::faults(text)) {
                    ADD_FAILURE() << where << ":" << literal.line << ": " << fault;
                }
                for (const std::string& term : otherTerms(text)) {
                    ADD_FAILURE() << where << ":" << literal.line << ": " << term;
                }
                if (literal.afterPlus && opensWithCountedNoun(text)) {
                    ADD_FAILURE() << where << ":" << literal.line << ": \"" << literal.text
                                  << "\" follows a count with a fixed form: use russian::counted";
                }
            }
        }
    }
    EXPECT_GT(russianTexts, 20) << "the walk found the program's texts";
}

// The manual's text, as the build writes it into manual.html: each paragraph, item, cell,
// heading and caption on a line of its own, commands and fixed-width text taken out.
std::string manualLines(std::string page, std::set<std::string>& sectionNumbers) {
    auto cut = [&page](const std::string& open, const std::string& close) {
        for (std::size_t at = page.find(open); at != std::string::npos; at = page.find(open, at)) {
            const std::size_t end = page.find(close, at);
            page.erase(at, end == std::string::npos ? std::string::npos : end + close.size() - at);
        }
    };
    cut("<head>", "</head>");
    cut("<pre>", "</pre>");
    cut("<code>", "</code>");
    static const std::regex heading("<h[12]>([0-9]+\\.[0-9]+)\\. ");
    for (std::sregex_iterator it(page.begin(), page.end(), heading), end; it != end; ++it) {
        sectionNumbers.insert((*it)[1]);
    }
    for (const char* inlineTag : {"<strong>", "</strong>"}) page = textrules::without(page, inlineTag);
    // Every other tag becomes a line break; by hand, since std::regex recurses once a character
    // and a picture's tag holds hundreds of kilobytes.
    std::string text;
    for (std::size_t at = 0; at < page.size();) {
        const std::size_t open = page.find('<', at);
        text.append(page, at, open == std::string::npos ? std::string::npos : open - at);
        if (open == std::string::npos) break;
        const std::size_t close = page.find('>', open);
        text += '\n';
        at = close == std::string::npos ? page.size() : close + 1;
    }
    return textrules::unescaped(text);
}

TEST(RussianTexts, TheManualKeepsTheRules) {
    std::set<std::string> sectionNumbers;
    const std::string lines =
        manualLines(testsupport::readFile(std::string(SHAROMETR_MANUAL_DIR) + "/manual.html"), sectionNumbers);
    EXPECT_TRUE(sectionNumbers.contains("5.1")) << "the manual's numbered sections were found";
    int russianLines = 0;
    std::size_t start = 0;
    for (std::size_t end = lines.find('\n'); end != std::string::npos; start = end + 1, end = lines.find('\n', start)) {
        // The program's version where the text names it, then the fixed texts it quotes.
        const std::string line = withoutFixed(textrules::without(lines.substr(start, end - start), SHAROMETR_VERSION));
        if (!textrules::isRussian(line)) continue;
        ++russianLines;
        for (const std::string& fault : textrules::faults(line, sectionNumbers)) {
            ADD_FAILURE() << "docs/manual_text.py: " << fault << "\n  in: " << line;
        }
        for (const std::string& term : otherTerms(line)) {
            ADD_FAILURE() << "docs/manual_text.py: " << term << "\n  in: " << line;
        }
    }
    EXPECT_GT(russianLines, 100) << "the walk found the manual's text";
}

}  // namespace
