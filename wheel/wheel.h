// A wheel (система) of a game: the player's chosen numbers, key numbers in every ticket, a ticket
// size and a guarantee «t if m»; the tickets made to it (searched small, or every combination),
// verified exactly before anyone sees them; the check of any ticket list's guarantee; and the
// chances of a whole set of tickets against as many random tickets. Plain C++ without Qt: the
// window and the companion make and check wheels by these rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/game.h"
#include "platform/exception.h"
#include "wheel/cover.h"

namespace wheel {

// What the player asks for. With key numbers the guarantee speaks of the other chosen numbers:
// whenever m of the drawn numbers are among them, some ticket holds t of them besides the keys.
struct Plan {
    std::vector<int> numbers;  // the chosen numbers, keys among them
    std::vector<int> keys;
    int size = 0;  // numbers in a ticket, keys included; 0: the game's (DefaultTicketSize)
    Guarantee guarantee;
};

// The ticket size of a game when the player names none: its ticket's worth (Keno: 10), else m.
int DefaultTicketSize(const Game& game);

// What keeps a plan from being a wheel of the game; `value` is the number or count at fault.
struct PlanFault {
    enum class Kind {
        kNone,
        kOutside,       // a chosen number outside 1..N
        kRepeated,      // a number chosen twice
        kKeyNotChosen,  // a key number that is not among the chosen ones
        kSize,          // a ticket size the game's tickets do not take (fewest..most in `low`, `high`)
        kFewNumbers,    // fewer chosen numbers than a ticket holds
        kManyNumbers,   // more than kMostPositions chosen numbers besides the keys
        kManyKeys,      // the keys fill the ticket: no room for the guarantee's t
        kGuarantee,     // t or m out of 1 <= t <= m <= min(other chosen numbers, drawn)
        kTooLarge,      // more sets of drawn numbers than the search can count
    };
    Kind kind = Kind::kNone;
    int value = 0;
    int low = 0, high = 0;  // the range the value should be in
    explicit operator bool() const { return kind != Kind::kNone; }
};

PlanFault CheckPlan(const Game& game, const Plan& plan);
// The fault said in the companion's English, and in the window's Russian.
std::string FaultText(const Game& game, const PlanFault& fault);
std::string RussianFaultText(const Game& game, const PlanFault& fault);

// A plan that makes no wheel; the message says why.
class WheelError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "WheelError"; }
};

struct Wheel {
    Plan plan;                              // as made: numbers and keys rising, the size filled in
    std::vector<std::vector<int>> tickets;  // rising, keys included
    std::int64_t lowerBound = 0;            // no wheel of this plan has fewer tickets
    bool full = false;                      // every combination of the other numbers
    bool reachedBound = false;
    bool cancelled = false;  // stopped by the player: the best wheel found till then
    double seconds = 0;
    Verification verification;  // the guarantee, checked on the tickets themselves
};

// The smallest wheel the search finds in the time given. Raises WheelError for a faulty plan,
// and when the search was cancelled before it had any wheel.
Wheel MakeWheel(const Game& game, const Plan& plan, const SearchOptions& options);
// Every combination of the other chosen numbers with the keys. Raises WheelError for a faulty
// plan, or beyond kMostFullWheelTickets.
inline constexpr std::int64_t kMostFullWheelTickets = 200'000;
Wheel MakeFullWheel(const Game& game, const Plan& plan);

// Whether any tickets keep «t if m» over `numbers` (every number of the tickets when empty), with
// `keys` in every ticket (the guarantee then speaks of the other numbers). The witness comes back
// as game numbers. Raises WheelError when there are too many numbers or the guarantee does not fit.
struct TicketsVerification {
    Verification verification;
    std::vector<int> numbers;           // the numbers the guarantee spoke of (keys left out)
    std::vector<int> witness;           // drawn numbers that no ticket meets in t
    std::optional<int> ticketLacksKey;  // index of a ticket without every key: no guarantee then
};
TicketsVerification VerifyTickets(const std::vector<std::vector<int>>& tickets, std::vector<int> numbers,
                                  std::vector<int> keys, Guarantee guarantee);

// The chance of each best match in one draw: for the whole set of tickets, and for as many
// tickets of the same size drawn at random one by one, independently. Index j: the best ticket
// matches at least j numbers. Exact, from how many of the chosen numbers a draw holds; empty
// when the tickets span more numbers than can be walked (kMostChanceSets subsets).
struct Chances {
    std::vector<double> wheel;            // P(best >= j)
    std::vector<double> random;           // the same for random tickets
    std::vector<double> expectedTickets;  // tickets matching exactly j: the same mean for both sets
};
inline constexpr std::int64_t kMostChanceSets = 4'000'000;
Chances ChancesOf(const Game& game, const std::vector<std::vector<int>>& tickets);

}  // namespace wheel
