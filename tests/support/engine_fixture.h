// The fixture of every test that opens tables through the engine (the engine's own tests and the
// table dataset's): a temporary folder, a known short date format, no armed faults, every hook
// put back at the end, and no descriptor and no registry entry left behind. Also catching the
// engine's report and the size of the open-file registry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "dbf/dbf_date.h"
#include "dbf/error_report.h"
#include "dbf/file_registry.h"
#include "platform/fault_injection.h"
#include "platform/locale_info.h"
#include "tests/support/dbf_image.h"
#include "tests/support/test_hooks.h"

namespace testsupport {

// Runs `action` and returns the EXbaseError it raised; a test failure when it raised none.
inline EXbaseError expectXbaseError(const std::function<void()>& action) {
    try {
        action();
    } catch (const EXbaseError& e) {
        return e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "expected EXbaseError, got another exception: " << e.what();
        return EXbaseError(-1, -1, "");
    }
    ADD_FAILURE() << "expected EXbaseError, nothing was raised";
    return EXbaseError(-1, -1, "");
}

inline std::size_t registrySize() {
    auto& registry = XBobjFileColl::instance();
    std::lock_guard lock(registry.mutex());
    return registry.size();
}

class EngineTest : public ::testing::Test {
public:
    // The lengths of numberedPairs()'s header (32 bytes, two descriptors and the end mark) and
    // of its records.
    static constexpr std::uint32_t kPairsHeader = 97;
    static constexpr std::uint32_t kPairsRecord = 13;

protected:
    void SetUp() override {
        platform::overrideShortDateFormat(std::string("dd.MM.yyyy"));
        platform::clearFaults();  // also starts the call counts
        TxbDBFDate::instance().setFourDigitYear(true);
        m_descriptors = openDescriptorCount();
        m_registered = registrySize();
    }

    void TearDown() override {
        platform::clearFaults();
        EXPECT_EQ(openDescriptorCount(), m_descriptors) << "a descriptor stayed open";
        EXPECT_EQ(registrySize(), m_registered) << "a file stayed in the registry";
    }

    // Nothing the test opened so far is still open.
    void expectNothingOpen() {
        EXPECT_EQ(openDescriptorCount(), m_descriptors);
        EXPECT_EQ(registrySize(), m_registered);
    }

    // Writes the image into the test's folder; returns its path.
    std::string write(const DbfImage& image, const std::string& name = "lotobase.dbf") const {
        const std::string path = m_dir.file(name);
        image.writeTo(path);
        return path;
    }

    // Ten records of two numeric fields of width 6: C1 holds i, C2 holds 100 + i.
    static DbfImage numberedPairs() {
        DbfImage image;
        image.field("C1", 'N', 6).field("C2", 'N', 6);
        for (int i = 1; i <= 10; ++i) image.record({std::to_string(i), std::to_string(100 + i)});
        return image;
    }

    TestHooksReset m_hooks;  // first made, last gone: every hook is back after TearDown's checks
    TempDir m_dir;
    int m_descriptors = 0;
    std::size_t m_registered = 0;
};

}  // namespace testsupport
