// Draw files as people and lottery archives have them: one draw a line, numbers between commas,
// semicolons, tabs or blanks, or the whole draw in one field; fields in double quotes; UTF-8,
// UTF-16 with a byte-order mark or Windows-1251; CRLF line ends, comment lines (#), a header line
// of column names, other columns (a date, a draw number, a jackpot) beside the numbers, and the
// companion's own json dump. Also the one wording of the draw check that import, add and set
// share. Nothing here touches a table.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "history/draw_detect.h"

namespace history {

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

// "field 3" or "fields 3-8".
std::string fieldsText(std::size_t first, std::size_t last);

// Which way a file's draws run, as a draw-number or date column beside the numbers tells.
enum class DrawOrder { kUnknown, kOldestFirst, kNewestFirst };

// The draws of a file, fed to it line by line, then finished. Faults and notes go to `err` as
// the lines come ("line 4: 50 is outside 1..49", "skipped header line 1"); each draw goes to a
// visitor as it is read, and none is kept.
class DrawFileParser {
public:
    // A draw as it is read, with its line; the numbers are valid for the call only.
    using DrawVisitor = std::function<void(std::span<const int> numbers, std::size_t line)>;

    // `columns`: the fields that hold the numbers (1-based), or one field that holds the whole
    // draw; empty means the one field of a line that holds the game's count of numbers, or else
    // every number of the line, unless a header line names the table's fields, which then says
    // where they stand.
    DrawFileParser(DrawShape shape, std::vector<std::size_t> columns, std::ostream& err, DrawVisitor onDraw);

    // One line without its '\n'.
    void feedLine(std::string_view line);
    // After the last line: a first line still waiting for the one after it is judged alone.
    void finish();

    // How many draws were handed to the visitor.
    std::size_t drawCount() const { return m_drawCount; }
    bool faulty() const { return m_faulty; }
    std::size_t lines() const { return m_lineNumber; }
    // The order of the draws, and the column that tells it ("field 1 (draw numbers)").
    DrawOrder order() const;
    std::string orderColumn() const;
    // Whether some line was read as Windows-1251 (or KOI8-R) rather than UTF-8.
    bool sawWindows1251() const { return m_sawWindows1251; }
    // The single-byte encoding lines were read in: "Windows-1251", "KOI8-R", or "" for none.
    const std::string& byteEncoding() const { return m_byteEncoding; }
    // Where the draw was found when no fields were named: decided over the first lines of the file.
    const DrawLayout& layout() const { return m_layout; }
    // How the draw's fields were had: named by hand, by a header line, found, or not at all.
    enum class Fields { kGiven, kNamedByHeader, kFound, kAmbiguous, kEveryNumber };
    Fields fieldsFrom() const { return m_fieldsFrom; }
    // The fields of the draw (from 1) as given or found; empty when each line said its own.
    const std::vector<std::size_t>& drawFields() const { return m_columns; }

private:
    struct Field {
        std::string text;
        bool quoted = false;
    };

    void fault(std::size_t line, const std::string& text);
    void takeDraw(std::span<const int> numbers, std::size_t line);
    bool takePlainLine(std::string_view line);
    bool noteOrderValue(std::size_t field, std::string_view text);
    void takeLine(std::vector<Field>& fields, std::size_t line);
    bool takeJsonLine(std::string_view line, std::size_t lineNumber);
    void noteOrder(const std::vector<Field>& fields, const std::vector<bool>& drawFields);
    static std::optional<std::string> splitLine(std::string_view line, std::vector<Field>& fields);
    bool holdsDrawData(std::string_view line);
    static bool isHeaderOver(const std::vector<Field>& first, const std::vector<Field>* next);
    // The content lines after the header wait in the sample until it is large enough to tell
    // where the draw stands; then it is decided and they are read.
    void takeContent(std::string_view line, std::size_t lineNumber, std::vector<Field>& fields);
    void decide();
    void takeFound(const std::vector<LineItem>& items, std::size_t lineNumber);
    void noteOrderKey(std::size_t field, long long key, bool isDate);

    DrawShape m_shape;
    std::vector<std::size_t> m_columns;
    std::ostream& m_err;
    DrawVisitor m_onDraw;
    std::size_t m_drawCount = 0;
    std::vector<int> m_numbers;
    // The plain path's line: each field's value and where it ends.
    std::vector<long long> m_plainValues;
    std::vector<std::size_t> m_plainEnds;
    std::size_t m_lineNumber = 0;
    bool m_seenContent = false;
    bool m_faulty = false;
    bool m_sawWindows1251 = false;
    // The first line with content, kept until the next one says whether it is a header.
    std::optional<std::vector<Field>> m_firstLine;
    std::string m_firstLineText;
    std::size_t m_firstLineNumber = 0;
    // The order column: its place, whether it holds dates, and which way its values ran (when
    // every draw has one in the same place); the values themselves are not kept.
    std::optional<std::size_t> m_orderField;
    bool m_orderIsDate = false;
    bool m_orderUsable = true;
    std::size_t m_orderCount = 0;
    long long m_lastOrderKey = 0;
    bool m_orderUp = false;
    bool m_orderDown = false;
    std::string m_byteEncoding;
    Fields m_fieldsFrom = Fields::kGiven;
    // Lines waiting for the layout, with their numbers; cleared once it is decided.
    std::vector<std::pair<std::size_t, std::string>> m_sample;
    bool m_decided = false;
    DrawLayout m_layout;
    std::vector<LineItem> m_items;
    // The fields the plain path reads the draw from: those given, or those found.
    std::vector<std::size_t> m_plainColumns;
    std::optional<std::size_t> m_plainOrderField;
    bool m_plainOrderAnywhere = true;
    bool m_plainUsable = true;
    bool m_orderInOneField = false;  // the order column is part of a line of one field
    std::vector<Field> m_fields;
    std::vector<std::string> m_words;
    std::vector<bool> m_drawFields;
};

// The longest line a draw file may have; a longer one is no draw and stops the reading.
inline constexpr std::size_t kMaxDrawLine = 4096;

// Reads the open file `fd` to its end, handing each line (without '\n') to `onLine`. Gives ""
// at the end of the file, otherwise why it stopped: "line 7 is longer than 4096 bytes", or the
// system's reason a read failed.
std::string readLines(int fd, const std::function<void(std::string_view)>& onLine);

// A draw file by its name, or standard input for "-"; closed when it goes, unless it is standard
// input.
class DrawSource {
public:
    DrawSource() = default;
    ~DrawSource();
    DrawSource(const DrawSource&) = delete;
    DrawSource& operator=(const DrawSource&) = delete;

    // Standard input for "-"; otherwise the file, which must be a regular one: a FIFO with no
    // writer or a terminal device would keep the command waiting, /dev/zero would never end.
    // Gives why it cannot be read, or "".
    std::string open(const std::string& path);
    int fd() const { return m_fd; }
    // Whether it can be read a second time from its start (a regular file, given or redirected).
    bool isRegularFile() const;

private:
    int m_fd = -1;
};

// As readLines, for a text file in any of the encodings draw files come in: UTF-16 with its
// byte-order mark (either byte order) is handed on as UTF-8; `encoding` names what was found.
std::string readTextLines(int fd, const std::function<void(std::string_view)>& onLine, std::string* encoding = nullptr);

// Text lines handed to `onLine` one by one from blocks of bytes, each line bounded.
class LineSplitter {
public:
    explicit LineSplitter(const std::function<void(std::string_view)>& onLine) : m_onLine(onLine) {}
    // Gives "" or why the lines stop ("line 7 is longer than 4096 bytes").
    std::string feed(std::string_view block);
    void finish();

private:
    const std::function<void(std::string_view)>& m_onLine;
    std::string m_pending;  // the start of a line whose end is still to come
    std::size_t m_lineNumber = 0;
};

}  // namespace history
