// The draws a table already holds, and whether a table holds draws at all: what import, add and
// set need of a table beside the draw check itself.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/draw_file.h"

class DBFObject;

namespace cli {

// The shape of the table's draws: a game's number of fields, all of them numeric. Otherwise
// nullopt, and `why` says what keeps the table from being a draw table.
std::optional<DrawShape> drawShapeOf(DBFObject& table, std::string& why);

// The visible records of a table by their draw (the numbers as a set), to find a draw again.
class KnownDraws {
public:
    explicit KnownDraws(DBFObject& table);

    // The record that holds the same numbers, or nullopt.
    std::optional<std::uint64_t> recordOf(const std::vector<int>& draw) const;

    // The numbers of a draw as a set: sorted.
    static std::vector<int> key(std::vector<int> draw);

private:
    std::map<std::vector<int>, std::uint64_t> m_records;
};

}  // namespace cli
