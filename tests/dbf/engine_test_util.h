// Helpers the engine's tests share: catching the engine's report, the size of the open-file
// registry, and a fixture that fixes the short date format and checks that nothing stays open.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>

#include "dbf/dbf_date.h"
#include "dbf/error_report.h"
#include "dbf/file_registry.h"
#include "platform/fault_injection.h"
#include "platform/locale_info.h"
#include "tests/support/dbf_image.h"

namespace enginetest {

// Runs `action` and returns the EXbaseError it raised; a test failure when it raised none.
inline EXbaseError expectXbaseError(const std::function<void()>& action)
{
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

inline std::size_t registrySize()
{
    auto& registry = XBobjFileColl::instance();
    std::lock_guard lock(registry.mutex());
    return registry.size();
}

// Every engine test starts from a known date format and no armed faults, and must leave no
// descriptor and no registry entry behind.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::overrideShortDateFormat(std::string("dd.MM.yyyy"));
        platform::clearFaults();
        TxbDBFDate::instance().setFourDigitYear(true);
        m_descriptors = testsupport::openDescriptorCount();
        m_registered = registrySize();
    }

    void TearDown() override
    {
        platform::clearFaults();
        platform::overrideShortDateFormat(std::nullopt);
        TxbDBFDate::instance().setFourDigitYear(true);
        EXPECT_EQ(testsupport::openDescriptorCount(), m_descriptors) << "a descriptor stayed open";
        EXPECT_EQ(registrySize(), m_registered) << "a file stayed in the registry";
    }

    // Nothing the test opened so far is still open.
    void expectNothingOpen()
    {
        EXPECT_EQ(testsupport::openDescriptorCount(), m_descriptors);
        EXPECT_EQ(registrySize(), m_registered);
    }

    testsupport::TempDir m_dir;
    int m_descriptors = 0;
    std::size_t m_registered = 0;
};

}  // namespace enginetest
