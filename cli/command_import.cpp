// `sharometr-cli import FILE CSV`: appends the draws of a text file to a draw table. Every line is
// checked before the first draw is written, so that a file with a mistake in it changes nothing.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/command_support.h"
#include "cli/draw_tables.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"

namespace cli {

namespace {

constexpr std::string_view kSeparators = ",; \t\r";

// The whole file, or nullopt when it cannot be read (a directory included).
std::optional<std::string> readText(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        text.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::vector<std::string> wordsOf(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t at = line.find_first_not_of(kSeparators);
    while (at != std::string_view::npos) {
        const std::size_t end = line.find_first_of(kSeparators, at);
        words.emplace_back(line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        at = line.find_first_not_of(kSeparators, end);
    }
    return words;
}

// A signed decimal integer; the value saturates far outside any draw's range.
std::optional<long long> integerOf(const std::string& word)
{
    const bool negative = word[0] == '-';
    const std::size_t digits = (word[0] == '-' || word[0] == '+') ? 1 : 0;
    const auto magnitude = decimalNumber(word.substr(digits));
    if (!magnitude)
        return std::nullopt;
    const long long value = static_cast<long long>(std::min<std::uint64_t>(*magnitude, 1000000000ull));
    return negative ? -value : value;
}

// The draw of one line, or the fault that keeps it out, in the order a reader would look: words
// that are no numbers, how many there are, the range, repeats.
std::optional<std::string> checkDraw(const std::vector<std::string>& words, const Game& game, std::vector<int>& draw)
{
    std::vector<long long> values;
    for (const std::string& word : words) {
        const auto value = integerOf(word);
        if (!value)
            return "'" + word + "' is not a number";
        values.push_back(*value);
    }
    if (static_cast<int>(values.size()) != game.fieldsPerDraw)
        return counted(values.size(), "number") + ", the table has " + std::to_string(game.fieldsPerDraw) + " fields";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i] < 1 || values[i] > game.numbers)
            return words[i] + " is outside 1.." + std::to_string(game.numbers);
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto times = std::count(values.begin(), values.end(), values[i]);
        if (times > 1)
            return std::to_string(values[i]) + " appears " + (times == 2 ? std::string("twice") : std::to_string(times) + " times");
    }
    draw.assign(values.begin(), values.end());
    return std::nullopt;
}

}  // namespace

int commandImport(Arguments args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        throw UsageError("missing FILE argument");
    if (args.size() < 2)
        throw UsageError("missing CSV argument");
    if (args.size() > 2)
        throw UsageError("unexpected argument '" + args[2] + "'");

    DBFObject table(args[0], "", /*readWrite=*/true, /*shared=*/true);
    const Game* game = GameWithFields(table.fieldCount());
    if (!game) {
        err << table.path() << " has " << counted(static_cast<std::uint64_t>(table.fieldCount()), "field")
            << ", a draw table has " << drawFieldCounts() << '\n';
        return kExitFailure;
    }
    const auto text = readText(args[1]);
    if (!text) {
        err << "cannot read " << args[1] << '\n';
        return kExitFailure;
    }

    std::vector<std::vector<int>> draws;
    bool faulty = false;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text->size();) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        const std::string_view line(text->data() + start, end - start);
        start = end + 1;
        ++lineNumber;
        const std::vector<std::string> words = wordsOf(line);
        if (words.empty() || words.front().starts_with('#'))
            continue;
        std::vector<int> draw;
        if (const auto fault = checkDraw(words, *game, draw)) {
            err << "line " << lineNumber << ": " << *fault << '\n';
            faulty = true;
        } else {
            draws.push_back(std::move(draw));
        }
    }
    if (faulty) {
        err << "nothing appended\n";
        return kExitFailure;
    }

    std::size_t appended = 0;
    try {
        for (const auto& draw : draws) {
            appendDraw(table, draw);
            ++appended;
        }
    } catch (const Exception&) {
        // The draws before the failure are in the table; the user must know which ones.
        if (appended > 0)
            out << "appended " << counted(appended, "draw") << " of " << draws.size() << '\n';
        throw;
    }
    out << "appended " << counted(appended, "draw") << '\n';
    return kExitOk;
}

}  // namespace cli
