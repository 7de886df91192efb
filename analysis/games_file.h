// The games file: further "m of N" lotteries as sections of a text file, one game a section.
//
//     [g536]                      the command-line name
//     name = Гослото «5 из 36»    the menu's caption
//     numbers = 36                N: numbers are drawn from 1..N (2..99)
//     drawn = 5                   m: numbers in a draw (1..N-1, at most 20)
//     table = g536base.dbf        the draw table in the tables' folder
//     fields = N                  the fields' letter: N1 .. N5
//     picks = 5                   optional: what a back-tested method picks (default: m, at most 10)
//     wins = 2,3,4,5              optional: the match counts that win
//
// Lines starting with # or ; are comments. A section with a mistake is left out, with one line
// naming the file, the line and the mistake; the sections without one serve. A section of a
// game the program already has (its own list, or SuperLoto and Keno) that defines it exactly as
// the program does is passed over in silence; one that differs from a game of the program's own
// list takes that game's place, with a note.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/game.h"

struct GameDefinition {
    std::string cliName;
    std::string caption;
    std::string table;
    int numbers = 0;
    int drawn = 0;
    char fieldPrefix = 0;
    int picks = 0;  // 0: the rule's
    std::vector<int> wins;
    int line = 0;           // of the section's header
    bool replaces = false;  // takes the place of the program's own game of its name
};

struct GamesFile {
    std::vector<GameDefinition> games;
    std::vector<std::string> mistakes;  // "games.ini:7: ...", one a line
    // The same in the window's Russian, line for line: "games.ini, строка 7: ...".
    std::vector<std::string> russian;
};

// The games of `text`; `fileName` names the file in the mistakes. A game may take none of the
// names, tables or fields of `taken`, nor of a game above it in the file.
GamesFile ParseGamesFile(std::string_view text, const std::string& fileName, std::span<const Game* const> taken);

// The program's own games file, compiled in.
std::string_view BuiltInGamesFile();
