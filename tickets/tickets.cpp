// The tickets table and its records, through the engine.
#include "tickets/tickets.h"

#include <algorithm>
#include <charconv>

#include "dbf/table_file.h"
#include "dbf/table_handler.h"
#include "dbf/text_numbers.h"
#include "toolkit/russian_text.h"

namespace {

constexpr std::uint8_t kNumberWidth = 2;
// Language driver mark of the DOS Russian code page (866), as the draw tables have it.
constexpr std::uint8_t kCodePageMark = 0x65;

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A number as typed or as a field holds it: decimal digits and nothing else, or nullopt.
std::optional<int> WholeNumber(const std::string& word) {
    int value = 0;
    const auto [end, fault] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || fault != std::errc() || end != word.data() + word.size() || word.front() == '-')
        return std::nullopt;
    return value;
}

std::string NumberFieldName(int index) { return kTicketFieldPrefix + std::to_string(index + 1); }

// Refuses a table whose fields are not the game's tickets fields: reading or writing such a table
// as tickets would mistake other data for numbers.
// Gives the KEPT field's number, or 0 in a table made before it.
int RequireTicketFields(const Game& game, DBFObject& table) {
    const int most = TicketSizeOf(game).most;
    const int kept = table.fieldCount() == most + 2 ? most + 2 : 0;
    bool fits = (table.fieldCount() == most + 1 || kept) && table.fieldName(1) == "NAME" && table.fieldType(1) == 'C';
    for (int i = 0; fits && i < most; ++i)
        fits = table.fieldName(i + 2) == NumberFieldName(i) && table.fieldType(i + 2) == 'N';
    if (fits && kept) fits = table.fieldName(kept) == kTicketKeptField && table.fieldType(kept) == 'N';
    if (!fits)
        throw TicketError(table.path() + " is not a tickets table of " + game.cliName + " (NAME, then " +
                          NumberFieldName(0) + ".." + NumberFieldName(most - 1) + ", then " + kTicketKeptField + ")");
    return kept;
}

}  // namespace

TicketSize TicketSizeOf(const Game& game) {
    if (game.backtestPicks < game.fieldsPerDraw) return {1, game.backtestPicks, false};
    const int most = std::min(game.numbers, game.fieldsPerDraw + kMostExtraNumbers);
    return {game.fieldsPerDraw, most, most > game.fieldsPerDraw};
}

std::string TicketTableFileName(const Game& game) { return TicketTableNameOf(game.tableFileName); }

std::string TicketNameFromField(const std::string& field) {
    return xb::textToUtf8(field.substr(0, field.find_last_not_of(' ') + 1));
}

std::string TicketTitle(const Ticket& ticket) {
    if (ticket.name.empty()) return "билет " + russian::wholeNumber(ticket.record);
    return "\u00AB" + ticket.name + "\u00BB";
}

std::optional<std::string> CheckTicket(const Game& game, std::span<const std::string> words, const std::string& name,
                                       Ticket& ticket) {
    const TicketSize size = TicketSizeOf(game);
    const int count = static_cast<int>(words.size());
    if (count < size.fewest || count > size.most) {
        const std::string range = size.fewest == size.most
                                      ? std::to_string(size.most)
                                      : std::to_string(size.fewest) + ".." + std::to_string(size.most);
        return "a ticket of " + std::string(game.cliName) + " holds " + range + " numbers, not " +
               std::to_string(count);
    }
    std::vector<int> numbers;
    for (const std::string& word : words) {
        const auto value = WholeNumber(word);
        if (!value || !game.isNumber(*value))
            return "'" + word + "' is not a number of 1.." + std::to_string(game.numbers);
        if (std::find(numbers.begin(), numbers.end(), *value) != numbers.end())
            return "number " + word + " is given twice";
        numbers.push_back(*value);
    }
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20) return "the name holds a control character";
    // The table keeps its text in its own code page, which lacks some of the program's (the
    // quotation marks « and »): such a name would come back with '?' in their place.
    const std::string ansi = xb::utf8ToText(name);
    if (xb::textToUtf8(ansi) != name || xb::storedTextToUtf8(xb::utf8ToStoredText(name)) != name)
        return "the name '" + name + "' holds a character the table cannot keep";
    if (ansi.size() > static_cast<std::size_t>(kTicketNameWidth))
        return "the name '" + name + "' is longer than " + std::to_string(kTicketNameWidth) + " characters";
    std::sort(numbers.begin(), numbers.end());
    ticket.name = Trimmed(name);
    ticket.numbers = std::move(numbers);
    return std::nullopt;
}

std::string TicketTablePath(const Game& game, const std::string& directory) {
    const std::string name = TicketTableFileName(game);
    if (directory.empty()) return name;
    return directory + (directory.back() == '/' ? "" : "/") + name;
}

// Anything at the table's name counts: a directory there is refused when it is opened, as no
// regular file, rather than taken for a missing table and made anew over it.
bool TicketTableExists(const std::string& path) { return xb::anythingAt(path); }

void CreateTicketTable(const Game& game, const std::string& path) {
    std::vector<xb::FieldSpec> fields{{"NAME", 'C', kTicketNameWidth, 0}};
    for (int i = 0; i < TicketSizeOf(game).most; ++i) fields.push_back({NumberFieldName(i), 'N', kNumberWidth, 0});
    fields.push_back({kTicketKeptField, 'N', kTicketKeptWidth, 0});
    xb::createTable(path, fields, kCodePageMark);
}

std::vector<Ticket> ReadTickets(const Game& game, const std::string& path) {
    DBFObject table(path, "", /*readWrite=*/false, /*shared=*/true);
    const int kept = RequireTicketFields(game, table);
    std::vector<Ticket> tickets;
    const int fields = TicketSizeOf(game).most + 1;
    table.scanRecordBlocks([&](std::uint8_t* records, std::uint32_t count, std::uint32_t first) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* record = records + static_cast<std::size_t>(i) * table.recordLength();
            if (record[0] == xb::kDeletedFlag) continue;
            auto text = [&](int field) {
                return Trimmed(std::string(reinterpret_cast<const char*>(record) + table.fieldOffset(field),
                                           table.fieldLength(field)));
            };
            Ticket ticket;
            ticket.record = first + i;
            ticket.name = xb::storedTextToUtf8(text(1));
            for (int field = 2; field <= fields; ++field) {
                const auto value = WholeNumber(text(field));
                if (value && game.isNumber(*value) &&
                    std::find(ticket.numbers.begin(), ticket.numbers.end(), *value) == ticket.numbers.end())
                    ticket.numbers.push_back(*value);
            }
            std::sort(ticket.numbers.begin(), ticket.numbers.end());
            if (kept) {
                const std::string mark = text(kept);
                std::uint32_t value = 0;
                const auto [end, fault] = std::from_chars(mark.data(), mark.data() + mark.size(), value);
                if (!mark.empty() && fault == std::errc() && end == mark.data() + mark.size()) ticket.keptAfter = value;
            }
            tickets.push_back(std::move(ticket));
        }
    });
    return tickets;
}

std::optional<Ticket> KeptTwinOf(const Game& game, const std::string& path, const Ticket& ticket) {
    if (!TicketTableExists(path)) return std::nullopt;
    for (Ticket& kept : ReadTickets(game, path))
        if (kept.record != ticket.record && kept.numbers == ticket.numbers) return std::move(kept);
    return std::nullopt;
}

std::uint32_t AddTicket(const Game& game, const std::string& path, const Ticket& ticket) {
    if (!TicketTableExists(path)) CreateTicketTable(game, path);
    DBFObject table(path, "", /*readWrite=*/true, /*shared=*/true);
    const int kept = RequireTicketFields(game, table);
    table.blankRecord();
    table.putText(1, xb::utf8ToStoredText(ticket.name));
    // The fields a shorter ticket leaves over stay blank, dBase's "no value", rather than 0, so
    // that other programs reading the table see no number there; this program takes either so.
    for (int i = 0; i < TicketSizeOf(game).most; ++i) {
        if (static_cast<std::size_t>(i) < ticket.numbers.size())
            table.putValueText(i + 2, std::to_string(ticket.numbers[i]));
        else
            table.putText(i + 2, "");
    }
    if (kept && ticket.keptAfter)
        table.putValueText(kept, std::to_string(*ticket.keptAfter));
    else if (kept)
        table.putText(kept, "");
    table.appendRecord();
    return table.currentRecord();
}

bool KeepsKeptMark(const Game& game, const std::string& path) {
    if (!xb::tableFileExists(path)) return true;  // a table made now keeps it
    DBFObject table(path, "", /*readWrite=*/false, /*shared=*/true);
    return RequireTicketFields(game, table) != 0;
}

std::uint32_t DrawRecordsNow(const std::string& drawTable) {
    // Only a table that is not there holds no draws: a look that fails opens the table anyway and
    // is told by its open, rather than read as "no draws yet", which would judge the ticket on the
    // draws it was chosen from.
    if (!xb::anythingAt(drawTable)) return 0;
    DBFObject table(drawTable, "", /*readWrite=*/false, /*shared=*/true);
    return table.recordCount();
}

TicketsAdded AddNewTickets(const Game& game, const std::string& path, const std::vector<std::vector<int>>& tickets,
                           const std::string& drawTable) {
    // Chosen now: the tickets are judged only on the draws that come after those the table holds.
    const std::uint32_t keptAfter = DrawRecordsNow(drawTable);
    TicketsAdded result;
    for (const auto& numbers : tickets) {
        Ticket ticket;
        ticket.numbers = numbers;
        ticket.keptAfter = keptAfter;
        if (KeptTwinOf(game, path, ticket)) {
            ++result.there;
            continue;
        }
        AddTicket(game, path, ticket);
        ++result.added;
    }
    return result;
}

bool DeleteTicket(const Game& game, const std::string& path, std::uint32_t record) {
    DBFObject table(path, "", /*readWrite=*/true, /*shared=*/true);
    RequireTicketFields(game, table);
    if (record < 1 || record > table.recordCount())
        throw TicketError("there is no ticket " + std::to_string(record) + ": the table has " +
                          std::to_string(table.recordCount()) + " records");
    if (!table.lockAndReadRecord(record)) return false;
    struct Unlock {
        DBFObject& table;
        ~Unlock() { table.unlock(); }
    } unlock{table};
    if (table.isDeleted()) throw TicketError("ticket " + std::to_string(record) + " is already deleted");
    table.deleteCurrentRecord();
    return true;
}
