// libFuzzer target: any byte string is read as a draw file, line by line from a file descriptor
// as import reads it, for SuperLoto or Keno, with or without a list of columns taken from the
// input itself. The reader must never crash, hang or hold more than one line of text; every draw
// it accepts must be a draw of the game; every line it hands on must be within the bound.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "history/draw_file.h"

namespace {

constexpr std::size_t kMaxInputSize = 1u << 20;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "parse_draws: %s\n", what);
    std::abort();
}

history::DrawShape shapeOf(bool keno) {
    history::DrawShape shape;
    shape.highest = keno ? 80 : 49;
    const char letter = keno ? 'K' : 'C';
    for (int i = 1; i <= (keno ? 20 : 6); ++i) shape.fieldNames.push_back(letter + std::to_string(i));
    return shape;
}

int g_fd = -1;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // A file in memory: the reader sees a descriptor, as it does with a file or standard input.
    g_fd = memfd_create("parse_draws", 0);
    if (g_fd < 0) fail("memfd_create");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > kMaxInputSize) return -1;
    // The first byte chooses the game and whether the input's first line is a column list.
    const bool keno = (data[0] & 1) != 0;
    const bool withColumns = (data[0] & 2) != 0;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const history::DrawShape shape = shapeOf(keno);

    std::vector<std::size_t> columns;
    if (withColumns) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (const auto parsed = history::parseColumnList(text.substr(0, end))) {
            for (const std::size_t column : *parsed)
                if (column < 1 || column > history::kMaxDrawLine) fail("a column outside the bound");
            if (parsed->size() == shape.picks()) columns = *parsed;
        }
        text.remove_prefix(std::min(text.size(), end + 1));
    }

    if (ftruncate(g_fd, 0) != 0 || pwrite(g_fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        lseek(g_fd, 0, SEEK_SET) != 0)
        fail("writing the input");

    std::ostream discard(nullptr);
    struct Draw {
        std::vector<int> numbers;
        std::size_t line;
    };
    std::vector<Draw> draws;
    history::DrawFileParser parser(shape, columns, discard, [&](std::span<const int> numbers, std::size_t line) {
        draws.push_back({std::vector<int>(numbers.begin(), numbers.end()), line});
    });
    std::size_t handed = 0;
    const std::string stop = history::readLines(g_fd, [&](std::string_view line) {
        if (line.size() > history::kMaxDrawLine || line.find('\n') != std::string_view::npos)
            fail("a line beyond the bound or with its end inside");
        handed += line.size() + 1;
        parser.feedLine(line);
    });
    // Without a stop, the lines are the whole text: each one and its end, the last end optional.
    if (stop.empty() && handed != text.size() && handed != text.size() + 1) fail("lines lost or made up");
    if (!stop.empty() && stop.find("is longer than") == std::string::npos) fail("a stop other than a long line");

    parser.finish();
    std::size_t lastLine = 0;
    for (const Draw& draw : draws) {
        if (draw.numbers.size() != shape.picks()) fail("a draw of the wrong size");
        std::vector<int> sorted = draw.numbers;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.front() < 1 || sorted.back() > shape.highest) fail("a number outside the game");
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) fail("a number twice in a draw");
        if (draw.line <= lastLine || draw.line > parser.lines()) fail("draws out of line order");
        lastLine = draw.line;
        // The check that accepted it accepts it again, as set and add would.
        std::vector<std::string> words;
        for (const int number : draw.numbers) words.push_back(std::to_string(number));
        std::vector<int> again;
        if (history::checkDraw(words, shape, again) || again != draw.numbers)
            fail("the draw check disagrees with itself");
    }
    return 0;
}
