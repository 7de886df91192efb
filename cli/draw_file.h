// Draw files as people have them: one draw a line, numbers between commas, semicolons, tabs or
// blanks, fields in double quotes, a byte-order mark, CRLF line ends, comment lines (#), a header
// line of column names, and other columns (a date, a draw number, a jackpot) beside the numbers.
// Also the one check of a draw that import, add and set share. Nothing here touches a table.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// What a draw of one table looks like.
struct DrawShape {
    std::vector<std::string> fieldNames;  // the table's fields in order: one number each
    int highest = 0;                      // numbers are drawn from 1..highest

    std::size_t picks() const { return fieldNames.size(); }
};

// Checks the words of one draw in the order a reader would look: words that are no numbers, how
// many there are, the range, repeats. Gives the fault, or nullopt with the numbers in `draw`.
std::optional<std::string> checkDraw(std::span<const std::string> words, const DrawShape& shape,
                                     std::vector<int>& draw);

// "3-8" or "2,4,6-9": 1-based field numbers in the order given; nullopt when the text is no such
// list (a zero, a range running backwards, anything else).
std::optional<std::vector<std::size_t>> parseColumnList(std::string_view text);

// The draws of a file, fed to it line by line. Faults and notes go to `err` as the lines come
// ("line 4: 50 is outside 1..49", "skipped header line 1"); memory grows with the draws only.
class DrawFileParser {
public:
    struct Draw {
        std::vector<int> numbers;
        std::size_t line = 0;
    };

    // `columns`: the fields that hold the numbers (1-based); empty means every number of the line,
    // unless a header line names the table's fields, which then says where they stand.
    DrawFileParser(DrawShape shape, std::vector<std::size_t> columns, std::ostream& err);

    // One line without its '\n'.
    void feedLine(std::string_view line);

    const std::vector<Draw>& draws() const { return m_draws; }
    bool faulty() const { return m_faulty; }
    std::size_t lines() const { return m_lineNumber; }

private:
    void fault(const std::string& text);

    DrawShape m_shape;
    std::vector<std::size_t> m_columns;
    std::ostream& m_err;
    std::vector<Draw> m_draws;
    std::size_t m_lineNumber = 0;
    bool m_seenContent = false;
    bool m_faulty = false;
};

// The longest line a draw file may have; a longer one is no draw and stops the reading.
inline constexpr std::size_t kMaxDrawLine = 4096;

// Reads the open file `fd` to its end, handing each line (without '\n') to `onLine`. Gives ""
// at the end of the file, otherwise why it stopped: "line 7 is longer than 4096 bytes", or the
// system's reason a read failed.
std::string readLines(int fd, const std::function<void(std::string_view)>& onLine);

}  // namespace cli
