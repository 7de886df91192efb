// A new draw table of a game, made through the storage engine: empty, or with synthetic draws.
// The main window's "Данные → Новая таблица…" and the companion's create make it alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "analysis/game.h"

class DBFObject;

// Has the engine create a new empty table of the game (numeric fields two wide, the DOS Russian
// code page) in `directory` and returns its full path. A table that is already there (in any
// letter case, as the engine would find it) is left alone and refused; failures raise the
// engine's error (EXbaseError) naming the table's path.
std::string CreateEmptyDrawTable(const std::string& directory, const Game& game);

// Adds one draw as a new last record: blank record, each number put as value text, append (which
// holds the table's append lock while it writes).
void AppendDraw(DBFObject& table, std::span<const int> numbers);

// A new table of the game in `directory` with `draws` synthetic draws; returns its path.
std::string CreateDrawTable(const std::string& directory, const Game& game, std::uint32_t draws);

// Whether the game's table is in `directory` (empty: the current one), in any letter case.
bool DrawTableExists(const Game& game, const std::string& directory = std::string());
// Whether what stands there under the table's name is an empty file (0 bytes): no table.
bool DrawTableIsEmptyFile(const Game& game, const std::string& directory = std::string());
