// libFuzzer target: any byte string is laid down as a table file and opened for writing, shared,
// as the data windows open their tables; then a few appends, replaces, deletes and recalls, chosen
// from the input's own bytes, go through the engine, and the table is opened again. The engine may
// refuse the file or a change with its own exceptions, but must never crash, leak or touch memory
// outside its buffers, and afterwards every record that was there before reads the same, except
// those changed, which read as they were written, followed by the records appended. A change that
// fails leaves its record as it was. Last, as the input chooses, the companion's pack or check
// --repair rewrites the table: pack keeps exactly the records not marked deleted, in order, and a
// repair leaves an end that check finds sound; either, when it fails, leaves the file as it was.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"
#include "dbf/table_handler.h"
#include "platform/exception.h"
#include "scratch_input.h"

namespace {

// Records compared after the reopen; the changes only ever touch these.
constexpr std::uint32_t kMaxCompared = 4096;
constexpr int kMaxChanges = 8;

// Values put into fields: numbers of every form, blanks, text, a logical and a date.
constexpr std::array<const char*, 8> kValues{"7", "", "-1.5", "abc", "T", "20240229", "99999999999", " 80"};

std::string g_path;

// The choices come from the input, so that a run repeats exactly: a generator seeded with a hash
// of the bytes.
class Choices {
public:
    Choices(const std::uint8_t* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            m_state = (m_state ^ data[i]) * 1099511628211ull;
        }
    }
    std::uint32_t below(std::uint32_t bound) {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return bound == 0 ? 0 : static_cast<std::uint32_t>((m_state >> 33) % bound);
    }

private:
    std::uint64_t m_state = 14695981039346656037ull;
};

[[noreturn]] void fail(const char* what, std::uint32_t record) {
    std::fprintf(stderr, "write_and_reopen: %s (record %u)\n", what, record);
    std::abort();
}

std::string bufferOf(const DBFObject& table) {
    return std::string(reinterpret_cast<const char*>(table.recordBuffer()), table.recordLength());
}

// Puts a value into a field of the buffer; the engine may refuse it.
void putSomething(DBFObject& table, Choices& choose) {
    if (table.fieldCount() == 0) {
        return;
    }
    const int field = 1 + static_cast<int>(choose.below(static_cast<std::uint32_t>(table.fieldCount())));
    try {
        table.putValueText(field, kValues[choose.below(kValues.size())]);
    } catch (const Exception&) {
    }
}

// What the records must read after the changes: the first ones of the table as it was, and the
// appended ones by their numbers.
struct Known {
    std::vector<std::string> records;
    std::vector<std::pair<std::uint32_t, std::string>> appended;
};

// One change, kept in `known`.
void change(DBFObject& table, Choices& choose, Known& known) {
    const auto compared = static_cast<std::uint32_t>(known.records.size());
    const std::uint32_t kind = compared == 0 ? 0 : choose.below(4);
    if (kind == 0) {
        table.blankRecord();
        putSomething(table, choose);
        try {
            table.appendRecord();
        } catch (const Exception&) {
            return;  // an append that fails leaves the file as it was
        }
        known.appended.emplace_back(table.currentRecord(), bufferOf(table));
        return;
    }
    const std::uint32_t n = 1 + choose.below(compared);
    try {
        if (!table.lockAndReadRecord(n)) {
            fail("a record lock of our own object was refused", n);
        }
    } catch (const Exception&) {
        return;
    }
    try {
        if (kind == 1) {
            putSomething(table, choose);
            table.replaceRecord(n);
        } else if (kind == 2) {
            table.deleteCurrentRecord();
        } else {
            table.recallCurrentRecord();
        }
        known.records[n - 1] = bufferOf(table);
    } catch (const Exception&) {
        // A change that fails leaves the record in the file as it was: what is known stands.
    }
    table.unlock();
}

std::string fileBytes() {
    std::ifstream in(g_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int companion(const std::vector<std::string>& args, std::string& out) {
    std::ostringstream output;
    std::ostringstream errors;
    const int status = cli::run(args, output, errors);
    out = output.str();
    return status;
}

// pack: the records not marked deleted, in their order, and nothing else; or the file untouched.
void packAndCompare() {
    std::vector<std::string> kept;
    std::uint32_t length = 0;
    try {
        DBFObject table(g_path, "", false, true);
        length = table.recordLength();
        for (std::uint32_t n = 1; n <= table.recordCount() && n <= kMaxCompared; ++n) {
            table.readRecord(n);
            if (!table.isDeleted()) kept.push_back(bufferOf(table));
        }
        if (table.recordCount() > kMaxCompared) return;
    } catch (const Exception&) {
        return;
    }
    const std::string before = fileBytes();
    std::string out;
    if (companion({"pack", g_path}, out) != cli::kExitOk) {
        if (fileBytes() != before) fail("a failed pack changed the table", 0);
        return;
    }
    try {
        DBFObject table(g_path, "", false, true);
        // With records of one byte the end mark reads as one more.
        const std::size_t read = table.recordCount() - (length == 1 && table.recordCount() > kept.size() ? 1 : 0);
        if (read != kept.size()) fail("pack kept another number of records", table.recordCount());
        for (std::uint32_t n = 1; n <= kept.size(); ++n) {
            table.readRecord(n);
            if (bufferOf(table) != kept[n - 1]) fail("pack changed a record it kept", n);
        }
    } catch (const Exception&) {
        fail("the packed table no longer opens or reads", 0);
    }
}

// check --repair: an end that check then finds sound; or the file untouched.
void repairAndCheck() {
    const std::string before = fileBytes();
    std::string out;
    const int status = companion({"check", g_path, "--repair"}, out);
    if (out.find("repaired: ") == std::string::npos) {
        if (fileBytes() != before) fail("a check that repaired nothing changed the table", 0);
        return;
    }
    if (status == cli::kExitUsage) fail("a repair ended as a wrong command line", 0);
    try {
        // With records of one byte the end mark reads as a record: check cannot tell.
        if (DBFObject(g_path, "", false, true).recordLength() == 1) return;
    } catch (const Exception&) {
        fail("the repaired table no longer opens", 0);
    }
    companion({"check", g_path}, out);
    for (const char* fault : {"header count ", "partial record ", "no end mark "})
        if (out.find(fault) != std::string::npos) fail("the repaired table's end is not sound", 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    g_path = fuzzsupport::startTarget("write_and_reopen");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!fuzzsupport::takeInput(data, size)) {
        return -1;  // not added to the corpus
    }

    Known known;
    std::uint32_t before = 0;
    try {
        DBFObject table(g_path, "", true, true);
        before = table.recordCount();
        for (std::uint32_t n = 1; n <= std::min(before, kMaxCompared); ++n) {
            table.readRecord(n);
            known.records.push_back(bufferOf(table));
        }
        Choices choose(data, size);
        const int changes = 1 + static_cast<int>(choose.below(kMaxChanges));
        for (int i = 0; i < changes; ++i) {
            change(table, choose, known);
        }
    } catch (const Exception&) {
        return 0;  // refused at open or while reading what was there
    }

    // Reopened as another program would see it.
    try {
        DBFObject table(g_path, "", false, true);
        // Not exactly so many: with records of one byte the end mark counts as a record too.
        if (table.recordCount() < before + known.appended.size()) {
            fail("records were lost", table.recordCount());
        }
        for (std::uint32_t n = 1; n <= known.records.size(); ++n) {
            table.readRecord(n);
            if (bufferOf(table) != known.records[n - 1]) {
                fail("a record reads otherwise than it was left", n);
            }
        }
        for (const auto& [n, bytes] : known.appended) {
            table.readRecord(n);
            if (bufferOf(table) != bytes) {
                fail("an appended record reads otherwise than it was written", n);
            }
        }
    } catch (const Exception&) {
        fail("the table no longer opens or reads", 0);
    }
    Choices last(data, size);
    last.below(2);  // not the first choice, which chose the number of changes
    switch (last.below(3)) {
        case 1:
            packAndCompare();
            break;
        case 2:
            repairAndCheck();
            break;
        default:
            break;
    }
    return 0;
}
