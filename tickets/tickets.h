// A player's own tickets of a game: what a ticket of the game may hold, the tickets table beside
// the draw table, and adding, listing and deleting tickets in it through the engine, shared and
// locked as the draw tables are. Plain C++ without Qt, so that the window and the companion both
// keep tickets by the same rules.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "platform/exception.h"

// How many numbers a ticket of a game holds. A game whose ticket's worth is less than its draw
// (Keno: 10 picks against 20 drawn) takes tickets of 1 up to that worth, each number matched
// against the draw. Any other game takes its m numbers (a simple ticket) or more (a system
// ticket, every m of them a combination), up to m + kMostExtraNumbers and never more than N.
inline constexpr int kMostExtraNumbers = 6;
struct TicketSize {
    int fewest = 0;
    int most = 0;
    bool systems = false;  // a ticket of more than m numbers plays its combinations of m
};
TicketSize TicketSizeOf(const Game& game);

// The tickets table's file name: the draw table's with "base" at the end of its stem made "tick"
// (lotobase.dbf -> lototick.dbf), or "tick" added to a stem that does not end so
// (g1224bas.dbf -> g1224bastick.dbf).
std::string TicketTableFileName(const Game& game);

// The tickets table's fields: NAME, character, then T1 .. T<most>, numeric, the numbers in rising
// order and blanks after the last, then KEPT, numeric: how many records the draw table held when
// the ticket was kept, so that it is judged only on the draws that came after. Tables made before
// KEPT have no such field and are read and written as they are; their tickets, and a ticket whose
// KEPT is blank, are of unknown age.
inline constexpr int kTicketNameWidth = 20;
inline constexpr char kTicketFieldPrefix = 'T';
inline constexpr const char* kTicketKeptField = "KEPT";
inline constexpr std::uint8_t kTicketKeptWidth = 10;

// A tickets table that is none, or a ticket that is not there: one message, nothing written.
class TicketError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "TicketError"; }
};

struct Ticket {
    std::uint32_t record = 0;  // in the tickets table; 0 before it is kept
    std::string name;          // UTF-8, may be empty
    std::vector<int> numbers;  // distinct, rising
    // The draw table's records when the ticket was kept (0: none); nullopt when not known.
    std::optional<std::uint32_t> keptAfter;
};

// How many records the draw table at `drawTable` holds now, deleted ones included: a new ticket's
// keptAfter. 0 when the table is not there.
std::uint32_t DrawRecordsNow(const std::string& drawTable);

// How a ticket is named to the player: its name in «…», or «билет N» by its record.
std::string TicketTitle(const Ticket& ticket);
// A typed name as a data window's field holds it (the program's code page, blank-padded), in UTF-8
// as a Ticket keeps it.
std::string TicketNameFromField(const std::string& field);

// Why `words` (the numbers as typed) and `name` (UTF-8) make no ticket of the game, or nullopt
// when they make one, which is then put in `ticket` with its numbers sorted.
std::optional<std::string> CheckTicket(const Game& game, std::span<const std::string> words, const std::string& name,
                                       Ticket& ticket);

// A ticket is kept once: the kept ticket of the table at `path` that holds the numbers of
// `ticket`, its own record `ticket.record` (0: a new ticket) left out; nullopt when none does, or
// when the table is not there. The window and the companion refuse a ticket by this.
std::optional<Ticket> KeptTwinOf(const Game& game, const std::string& path, const Ticket& ticket);

// The tickets table of the game in `directory` (empty: the current one).
std::string TicketTablePath(const Game& game, const std::string& directory);
// Whether the tickets table at `path` is there.
bool TicketTableExists(const std::string& path);
// Makes the tickets table at `path` empty (raises the engine's error when it cannot, or when the
// file is there).
void CreateTicketTable(const Game& game, const std::string& path);

// The kept tickets of the table at `path`, in table order, deleted records left out. A table whose
// fields are not the game's tickets fields is refused (TicketError naming it); a number
// field that holds no number of the game is left out of its ticket.
std::vector<Ticket> ReadTickets(const Game& game, const std::string& path);
// Whether the tickets table at `path` keeps KEPT (a table of the older form does not; one not yet
// made will).
bool KeepsKeptMark(const Game& game, const std::string& path);
// Appends the ticket, making the table first when it is not there; returns its record number.
// A table without KEPT keeps no keptAfter.
std::uint32_t AddTicket(const Game& game, const std::string& path, const Ticket& ticket);
// Keeps each of `tickets` (numbers a ticket) that the table does not hold yet, all marked as kept
// after the draws `drawTable` holds now: a made set of tickets, such as a wheel. How many were
// added, and how many were there already.
struct TicketsAdded {
    int added = 0;
    int there = 0;
};
TicketsAdded AddNewTickets(const Game& game, const std::string& path, const std::vector<std::vector<int>>& tickets,
                           const std::string& drawTable);
// Deletes the ticket of record `record` under its lock; false, nothing written, when another user
// holds the record. Raises TicketError when there is no such kept ticket.
bool DeleteTicket(const Game& game, const std::string& path, std::uint32_t record);
