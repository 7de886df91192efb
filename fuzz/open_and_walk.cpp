// libFuzzer target: any byte string is laid down as a table file and opened the way the program
// opens its draw tables; then every navigation move and every getter runs over it. The engine may
// refuse the file or a value with its own exceptions, but must never crash, hang, leak or touch
// memory outside its buffers, and what it counts must agree with the bytes of the file.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"
#include "scratch_input.h"

namespace {

// Records visited per walk; tables longer than this are walked only partly.
constexpr std::uint32_t kMaxWalk = 1000;
// Getter calls per input: a table of 2000 fields times 1000 records would otherwise take minutes,
// and most getters on a field of another type end in an exception, which is slow to raise.
constexpr long kGetterBudget = 10000;

std::string g_path;

[[noreturn]] void fail(const char* what, long expected, long actual) {
    std::fprintf(stderr, "open_and_walk: %s: expected %ld, got %ld\n", what, expected, actual);
    std::abort();
}

void expectEqual(const char* what, long expected, long actual) {
    if (expected != actual) {
        fail(what, expected, actual);
    }
}

unsigned le16(const std::uint8_t* p) { return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8; }

// What the engine must find in the file, worked out from the bytes alone.
struct Expected {
    long count = 0;
    long live = 0;
};

Expected expectedCounts(const std::uint8_t* data, std::size_t size) {
    Expected e;
    const unsigned headerLength = le16(data + 8);
    const unsigned recordLength = le16(data + 10);
    if (recordLength == 0 || size <= headerLength) {
        return e;
    }
    e.count = static_cast<long>((size - headerLength) / recordLength);
    for (long i = 0; i < e.count; ++i) {
        if (data[headerLength + static_cast<std::size_t>(i) * recordLength] != xb::kDeletedFlag) {
            ++e.live;
        }
    }
    return e;
}

// Keeps the getters' results alive so that no call is optimised away.
volatile std::size_t g_sink = 0;

template <class Call>
void guarded(long& budget, long cost, Call&& call) {
    budget -= cost;
    try {
        call();
    } catch (const Exception&) {
        // The engine's own refusal of a value is an answer, not a fault.
    }
}

// Every getter, by number and by name, on every field and on the numbers just outside the field
// table. With `everything` false only the calls whose answer depends on the record are made: the
// by-name forms add the name lookup and the type check, which depend on the field table alone, and
// a date read of a field that is no date, or a number read of a text field, ends in an exception,
// which is slow to raise and says nothing new after the first record.
void readEveryGetter(DBFObject& table, long& budget, bool everything = true) {
    const int fields = table.fieldCount();
    // A by-name call searches the field table, so it costs about that many comparisons.
    const long byNameCost = 1 + fields / 16;
    for (int i = 0; i <= fields + 1 && budget > 0; ++i) {
        const char type = table.fieldType(i);
        guarded(budget, 1, [&] { g_sink = g_sink + table.getText(i).size(); });
        guarded(budget, 1, [&] { g_sink = g_sink + table.getDisplayText(i).size(); });
        if (everything || type != 'C') {
            guarded(budget, 1, [&] { g_sink = g_sink + static_cast<std::size_t>(table.getNumber(i) != 0); });
        }
        guarded(budget, 1, [&] { g_sink = g_sink + table.getLogical(i); });
        if (everything || type == 'D') {
            guarded(budget, 1, [&] { g_sink = g_sink + static_cast<std::size_t>(table.getDate(i)); });
        }
        if (!everything || i < 1 || i > fields) {
            continue;  // numbers out of range have no name to look up
        }
        const std::string name = table.fieldName(i);
        guarded(budget, byNameCost, [&] { g_sink = g_sink + table.getText(name).size(); });
        guarded(budget, byNameCost, [&] { g_sink = g_sink + table.getDisplayText(name).size(); });
        guarded(budget, byNameCost, [&] { g_sink = g_sink + static_cast<std::size_t>(table.getNumber(name) != 0); });
        guarded(budget, byNameCost, [&] { g_sink = g_sink + table.getLogical(name); });
        guarded(budget, byNameCost, [&] { g_sink = g_sink + static_cast<std::size_t>(table.getDate(name)); });
    }
}

// Walks from `start` in the direction of `step` until the table says it ran off the end, reading
// every getter on the way. Returns the records visited, or -1 when a read refused.
long walk(DBFObject& table, std::int64_t start, std::int64_t step, long count, long& budget, bool getters) {
    const long bound = std::min<long>(count + 2, kMaxWalk);
    long visited = 0;
    try {
        table.readRecord(start);
        while (!(step == xb::req::kNext ? table.eof() : table.bof())) {
            if (++visited > bound) {
                break;
            }
            if (getters && budget > 0) {
                readEveryGetter(table, budget, visited == 1);
            }
            table.readRecord(step);
        }
    } catch (const Exception&) {
        return -1;
    }
    // Visible records never outnumber the records, so a walk that goes on past them is a loop.
    if (visited > count) {
        fail(step == xb::req::kNext ? "forward walk ran past the records" : "backward walk ran past the records", count,
             visited);
    }
    return visited;
}

// One pass over the table with the use-deleted switch and read-ahead as given. Only the first pass
// runs the getters on every record walked, and every getter where it lands; the record buffer holds
// the same bytes in the others, which read just the record's values where they land.
void pass(DBFObject& table, bool useDeleted, bool readAhead, const Expected& expected, long& budget, bool getters) {
    table.setUseDeleted(useDeleted);
    table.setReadAhead(readAhead);
    const long count = static_cast<long>(table.recordCount());
    expectEqual("record count from the file size", expected.count, count);
    const long visible = useDeleted ? expected.count : expected.live;

    if (count <= static_cast<long>(kMaxWalk)) {
        try {
            expectEqual("exact count", visible, static_cast<long>(table.exactCount()));
        } catch (const Exception&) {
        }
    }

    const long forward = walk(table, xb::req::kFirst, xb::req::kNext, count, budget, getters);
    const long backward = walk(table, xb::req::kLast, xb::req::kPrior, count, budget, getters);
    if (visible < static_cast<long>(kMaxWalk)) {
        if (forward >= 0) {
            expectEqual("records walked forwards", visible, forward);
        }
        if (backward >= 0) {
            expectEqual("records walked backwards", visible, backward);
        }
    }

    for (const std::int64_t n :
         {std::int64_t{3}, std::int64_t{-3}, std::int64_t{0}, std::int64_t{count + 5}, -std::int64_t{count} - 5}) {
        try {
            table.readRecord(xb::req::kFirst);
            table.skipRecords(n);
            if (budget > 0) {
                readEveryGetter(table, budget, getters);
            }
        } catch (const Exception&) {
        }
    }

    for (const std::int64_t n : {std::int64_t{1}, std::int64_t{count}, std::int64_t{count + 1}}) {
        try {
            table.readRecord(n);
            if (budget > 0) {
                readEveryGetter(table, budget, getters);
            }
        } catch (const Exception&) {
        }
    }
    // One past the end is the end of the table; two past it is a request the engine refuses.
    if (count > 0) {
        bool refused = false;
        try {
            table.readRecord(count + 2);
        } catch (const EXbaseError& e) {
            refused = e.Code() == xb::err::kBeyondEof;
        } catch (const Exception&) {
        }
        expectEqual("record two past the end refused", 1, refused);
    }
    try {
        table.readRecord(xb::req::kCurrent);
    } catch (const Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    g_path = fuzzsupport::startTarget("open_and_walk");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!fuzzsupport::takeInput(data, size)) {
        return -1;  // not added to the corpus
    }

    std::unique_ptr<DBFObject> table;
    try {
        table = std::make_unique<DBFObject>(g_path, "", false, true);
    } catch (const Exception&) {
        return 0;  // refused at open: nothing else to walk
    }

    // An open that succeeded has read a whole header, so the bytes behind the counts exist.
    if (size < static_cast<std::size_t>(xb::kHeaderSize)) {
        fail("opened a file shorter than its header", xb::kHeaderSize, static_cast<long>(size));
    }
    const Expected expected = expectedCounts(data, size);
    long budget = kGetterBudget;
    pass(*table, true, false, expected, budget, true);
    pass(*table, false, false, expected, budget, false);
    pass(*table, false, true, expected, budget, false);
    return 0;
}
