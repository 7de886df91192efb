// libFuzzer target: any byte string is read as a games file, after the compiled-in games and
// the program's own list. The reader must never crash or hang; every game it accepts must be a
// game the program can serve (N of 2..99, m of 1..min(N - 1, 20), a field letter of its own, a
// name, table and fields no other game has); it says at most eleven lines of mistakes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/games_file.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "parse_games: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const GamesFile file = ParseGamesFile(text, "games.ini", Games());
    if (file.mistakes.size() > 11) fail("more than eleven lines of mistakes");
    std::set<std::string> names, tables;
    std::set<std::pair<char, int>> fields;
    for (const Game* game : Games()) {
        names.insert(game->cliName);
        tables.insert(game->tableFileName);
        fields.insert({game->fieldPrefix, game->fieldsPerDraw});
    }
    for (const GameDefinition& game : file.games) {
        if (game.numbers < 2 || game.numbers > kMostNumbers) fail("N out of range");
        if (game.drawn < 1 || game.drawn >= game.numbers || game.drawn > 20) fail("m out of range");
        if (game.fieldPrefix < 'A' || game.fieldPrefix > 'Z' || game.fieldPrefix == 'C' || game.fieldPrefix == 'K')
            fail("a field letter that is not a game's own");
        if (!names.insert(game.cliName).second) fail("a name taken twice");
        if (!tables.insert(game.table).second) fail("a table taken twice");
        if (!fields.insert({game.fieldPrefix, game.drawn}).second) fail("fields taken twice");
        if (game.picks < 0 || game.picks >= game.numbers) fail("picks out of range");
        for (int win : game.wins)
            if (win < 0 || win > game.drawn) fail("a winning count beyond the draw");
    }
    return 0;
}
