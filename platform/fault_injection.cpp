// Process-wide table of armed faults for the file seam. The hot path of every seam call reads
// one relaxed flag; the table and its mutex are only touched once a test has engaged the hook.
#include "platform/fault_injection.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <deque>
#include <limits>
#include <mutex>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t kCallKinds = static_cast<std::size_t>(Call::Count);

struct FaultTable {
    std::mutex mutex;
    std::array<std::deque<Fault>, kCallKinds> faults;  // front is the armed one
    std::array<std::function<void()>, kCallKinds> hooks;
    std::array<std::atomic<int>, kCallKinds> counts{};
    std::atomic<int> numberedCall{0};  // the call of any kind that fails; 0 for none
    std::uint32_t numberedCode = 0;
    int callsSinceNumbered = 0;
    bool numberedStruck = false;
    std::atomic<bool> engaged{false};
    std::atomic<bool> anyArmed{false};
};

FaultTable& table() {
    // Never destroyed, so seam calls made while static objects are torn down stay safe.
    static FaultTable* instance = new FaultTable;
    return *instance;
}

std::size_t indexOf(Call call) { return static_cast<std::size_t>(call); }

// Requires the mutex.
void refreshAnyArmed(FaultTable& t) {
    bool any = false;
    for (const auto& queue : t.faults) any = any || !queue.empty();
    for (const auto& hook : t.hooks) any = any || static_cast<bool>(hook);
    any = any || t.numberedCall.load(std::memory_order_relaxed) > 0;
    t.anyArmed.store(any, std::memory_order_relaxed);
}

}  // namespace

void injectFault(const Fault& fault) {
    FaultTable& t = table();
    std::lock_guard lock(t.mutex);
    auto& queue = t.faults[indexOf(fault.call)];
    queue.clear();
    if (fault.times != 0) queue.push_back(fault);
    refreshAnyArmed(t);
    t.engaged.store(true, std::memory_order_relaxed);
}

void queueFault(const Fault& fault) {
    FaultTable& t = table();
    std::lock_guard lock(t.mutex);
    if (fault.times != 0) t.faults[indexOf(fault.call)].push_back(fault);
    refreshAnyArmed(t);
    t.engaged.store(true, std::memory_order_relaxed);
}

void beforeNextCall(Call call, std::function<void()> action) {
    FaultTable& t = table();
    std::lock_guard lock(t.mutex);
    t.hooks[indexOf(call)] = std::move(action);
    refreshAnyArmed(t);
    t.engaged.store(true, std::memory_order_relaxed);
}

void clearFaults() {
    FaultTable& t = table();
    std::lock_guard lock(t.mutex);
    for (auto& queue : t.faults) queue.clear();
    for (auto& hook : t.hooks) hook = nullptr;
    for (auto& count : t.counts) count.store(0, std::memory_order_relaxed);
    t.numberedCall.store(0, std::memory_order_relaxed);
    t.numberedStruck = false;
    t.anyArmed.store(false, std::memory_order_relaxed);
    t.engaged.store(true, std::memory_order_relaxed);
}

void failCallNumber(int number, std::uint32_t code) {
    FaultTable& t = table();
    std::lock_guard lock(t.mutex);
    t.numberedCall.store(number, std::memory_order_relaxed);
    t.numberedCode = code;
    t.callsSinceNumbered = 0;
    t.numberedStruck = false;
    refreshAnyArmed(t);
    t.engaged.store(true, std::memory_order_relaxed);
}

bool callNumberStruck() {
    FaultTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.numberedStruck;
}

int callCount(Call call) { return table().counts[indexOf(call)].load(std::memory_order_relaxed); }

bool takeFault(Call call, std::uint32_t& code, std::uint32_t& limit) {
    code = 0;
    limit = std::numeric_limits<std::uint32_t>::max();
    FaultTable& t = table();
    if (!t.engaged.load(std::memory_order_relaxed)) return false;
    t.counts[indexOf(call)].fetch_add(1, std::memory_order_relaxed);
    if (!t.anyArmed.load(std::memory_order_relaxed)) return false;

    std::unique_lock lock(t.mutex);
    if (auto& hook = t.hooks[indexOf(call)]) {
        // Taken out first, and run without the mutex: the action may make calls of its own.
        const std::function<void()> action = std::move(hook);
        hook = nullptr;
        refreshAnyArmed(t);
        lock.unlock();
        action();
        lock.lock();
    }
    if (t.numberedCall.load(std::memory_order_relaxed) > 0 &&
        ++t.callsSinceNumbered == t.numberedCall.load(std::memory_order_relaxed)) {
        t.numberedCall.store(0, std::memory_order_relaxed);
        t.numberedStruck = true;
        refreshAnyArmed(t);
        code = t.numberedCode;
        return true;
    }
    auto& queue = t.faults[indexOf(call)];
    if (queue.empty()) return false;
    Fault& fault = queue.front();
    if (fault.skip > 0) {
        --fault.skip;
        return false;
    }
    const Fault struck = fault;
    if (fault.times > 0 && --fault.times == 0) {
        queue.pop_front();
        refreshAnyArmed(t);
    }
    if (struck.code != 0) {
        code = struck.code;
        return true;
    }
    limit = struck.transferLimit;
    return false;
}

}  // namespace platform
