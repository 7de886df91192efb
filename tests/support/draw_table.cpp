// The draw-table maker shared by the tests and the benchmarks.
#include "tests/support/draw_table.h"

#include <algorithm>
#include <random>
#include <stdexcept>

#include "tests/support/dbf_image.h"

namespace testsupport {

void writeDrawTable(const std::string& path, const Game& game, const Draws& draws, const DrawTableLayout& layout) {
    DbfImage image;
    const int fields = layout.fieldCount > 0 ? layout.fieldCount : game.fieldsPerDraw;
    for (int f = 0; f < fields; ++f) image.field(game.fieldName(f), 'N', 2);
    int position = 0;
    for (const auto& draw : draws) {
        ++position;
        std::vector<std::string> texts;
        for (int v : draw) texts.push_back(v == kBlankNumber ? std::string() : std::to_string(v));
        const bool deleted = std::find(layout.deleted.begin(), layout.deleted.end(), position) != layout.deleted.end();
        image.record(texts, deleted);
    }
    image.writeTo(path);
}

Draws makeDrawTable(const std::string& path, const Game& game, std::size_t records, std::uint32_t seed) {
    const int fieldCount = game.fieldsPerDraw;
    const int maxNumber = game.numbers;
    if (fieldCount < 1 || fieldCount > maxNumber || maxNumber > 99)
        throw std::invalid_argument("draw table needs 1 <= fields <= numbers <= 99");
    std::mt19937 generator(seed);
    std::vector<int> pool(static_cast<std::size_t>(maxNumber));
    Draws draws;
    draws.reserve(records);
    for (std::size_t r = 0; r < records; ++r) {
        for (int n = 0; n < maxNumber; ++n) pool[static_cast<std::size_t>(n)] = n + 1;
        std::vector<int> draw;
        // A partial Fisher-Yates shuffle: the first fieldCount picks are distinct.
        for (int i = 0; i < fieldCount; ++i) {
            std::uniform_int_distribution<int> pick(i, maxNumber - 1);
            std::swap(pool[static_cast<std::size_t>(i)], pool[static_cast<std::size_t>(pick(generator))]);
            draw.push_back(pool[static_cast<std::size_t>(i)]);
        }
        draws.push_back(std::move(draw));
    }
    writeDrawTable(path, game, draws);
    return draws;
}

}  // namespace testsupport
