// Test hook: makes chosen calls of the file seam fail with a chosen error code, or move fewer bytes
// than asked, so that tests can check what the user is told and that the file stays consistent.
// Production code never arms it; an unarmed hook costs one relaxed atomic load per call.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

enum class Call {
    Open,
    Close,
    Read,
    Write,
    Size,
    Flush,
    Truncate,
    Move,
    Exists,
    Identity,
    FullPath,
    Lock,
    Unlock,
    Remove,
    Permissions,
    ShareLock,  // the share lock an open takes once the file is open
    Count,      // the number of kinds above; sizes the tables, never a call
};

struct Fault {
    Call call = Call::Read;
    int skip = 0;            // calls of this kind that pass untouched before the fault strikes
    int times = 1;           // calls that then fail; -1 for every later call
    std::uint32_t code = 0;  // error code to fail with; 0 means a short transfer of at most transferLimit bytes
    std::uint32_t transferLimit = 0;  // for a short transfer: at most this many bytes move
};

// Arms a fault (several may be armed, one per call kind; arming a kind again replaces its fault
// and any queued behind it). Thread-safe.
void injectFault(const Fault& fault);
// Queues a fault behind the one armed for its kind: it takes over, its skip counting from then,
// once the armed one has used up its calls (armed at once when none is). This is how a test makes
// a short write whose continuation then fails.
void queueFault(const Fault& fault);
void clearFaults();

// Runs `action` once, just before the next call of this kind is made (before its fault, if one
// is armed), and forgets it; cleared with the faults. This is how a test makes another program
// act at an exact point, between a record's read and its lock say, without a sleep.
void beforeNextCall(Call call, std::function<void()> action);

// Makes the `number`-th call of the seam, of whatever kind, counted from now, fail with `code`
// (once). This is how a test sweeps every point at which an operation can fail: 1, 2, ... until
// the operation runs through without meeting it. Cleared with the faults.
void failCallNumber(int number, std::uint32_t code);
// Whether the fault of failCallNumber has struck since it was armed.
bool callNumberStruck();

// Counts of calls per kind since the last clear, so tests can assert that nothing was attempted.
// Counting starts with the first injectFault, queueFault or clearFaults, so production code, which
// calls none of them, pays only the one load. A write continued after a short transfer asks the
// hook again for each continuation, and so counts once more.
int callCount(Call call);

// Used by the seam itself: decides the fate of one call. Returns true when the call must fail
// with `code`; sets `limit` to the most bytes a transfer may move (UINT32_MAX when unlimited).
bool takeFault(Call call, std::uint32_t& code, std::uint32_t& limit);

// RAII arming for tests: faults are cleared when the guard goes.
class FaultGuard {
public:
    explicit FaultGuard(const Fault& fault) { injectFault(fault); }
    FaultGuard(const FaultGuard&) = delete;
    FaultGuard& operator=(const FaultGuard&) = delete;
    ~FaultGuard() { clearFaults(); }
};

}  // namespace platform
