// What the table dataset's tests share: a fixture that works in a temporary directory made the
// current one (the program finds its tables there), fixes the date format and checks that no
// descriptor stays open; the draw table the editing tests start from; catching a failure with its
// exact message; and a forked process for locks taken by another program.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "datawin/xbase_dataset.h"
#include "dbf/error_report.h"
#include "platform/fault_injection.h"
#include "platform/locale_info.h"
#include "tests/support/child_process.h"
#include "tests/support/dbf_image.h"
#include "toolkit/database_error.h"

namespace xbtest {

// The draw table of the editing tests: C1..C6, N(2,0) each; record i holds i, i+10, ..., i+50.
inline constexpr std::size_t kHeaderLength = 32 + 6 * 32 + 1;
inline constexpr std::size_t kRecordLength = 1 + 6 * 2;

inline std::vector<int> drawOf(int record)
{
    std::vector<int> draw;
    for (int k = 0; k < 6; ++k) draw.push_back(record + 10 * k);
    return draw;
}

// A record image as the table stores it: live flag, then each number right-aligned in 2.
inline std::string recordBytes(const std::vector<int>& values, char flag = ' ')
{
    std::string bytes(1, flag);
    for (int v : values) {
        std::string text = std::to_string(v);
        bytes += std::string(2 - std::min<std::size_t>(2, text.size()), ' ') + text;
    }
    return bytes;
}

inline std::string recordAt(const std::string& file, std::size_t n)
{
    const std::size_t offset = kHeaderLength + (n - 1) * kRecordLength;
    if (file.size() < offset + kRecordLength) return std::string();
    return file.substr(offset, kRecordLength);
}

// The record count of the header (bytes 4-7).
inline std::uint32_t headerCount(const std::string& file)
{
    std::uint32_t count = 0;
    for (int i = 3; i >= 0; --i) count = count * 256 + static_cast<unsigned char>(file[4 + static_cast<std::size_t>(i)]);
    return count;
}

inline void writeDrawTable(const std::string& path, int records, const std::vector<int>& deleted = {})
{
    testsupport::DbfImage image;
    for (int k = 1; k <= 6; ++k) image.field("C" + std::to_string(k), 'N', 2);
    for (int i = 1; i <= records; ++i) {
        std::vector<std::string> texts;
        for (int v : drawOf(i)) texts.push_back(std::to_string(v));
        bool isDeleted = false;
        for (int d : deleted) isDeleted = isDeleted || d == i;
        image.record(texts, isDeleted);
    }
    image.writeTo(path);
}

// Runs `action` and returns the message of the exception of type E it raised; a test failure
// when it raised nothing or something else.
template <typename E>
std::string failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& e) {
        if (typeid(e) != typeid(E)) {
            ADD_FAILURE() << "expected " << typeid(E).name() << ", got " << typeid(e).name() << ": " << e.what();
        }
        return e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "expected " << typeid(E).name() << ", got " << typeid(e).name() << ": " << e.what();
        return e.what();
    }
    ADD_FAILURE() << "expected " << typeid(E).name() << ", nothing was raised";
    return std::string();
}

inline std::string currentDirectory()
{
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer)) throw std::runtime_error("getcwd");
    return buffer;
}

class XbaseDataSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::overrideShortDateFormat(std::string("dd.MM.yyyy"));
        platform::clearFaults();
        m_savedDirectory = currentDirectory();
        ASSERT_EQ(::chdir(m_dir.path().c_str()), 0);
        // As the process sees it, which is how the engine spells the paths in its messages.
        m_cwd = currentDirectory();
        m_descriptors = testsupport::openDescriptorCount();
    }

    void TearDown() override
    {
        platform::clearFaults();
        EXPECT_EQ(::chdir(m_savedDirectory.c_str()), 0);
        platform::overrideShortDateFormat(std::nullopt);
        EXPECT_EQ(testsupport::openDescriptorCount(), m_descriptors) << "a descriptor stayed open";
    }

    // A dataset as the windows set one up: shared, exact count, named like the main window's.
    static std::unique_ptr<TXbaseDataSet> dataSet(const std::string& table = "lotobase.dbf")
    {
        auto ds = std::make_unique<TXbaseDataSet>();
        ds->SetName("XbaseDataSet1");
        ds->SetTableName(table);
        ds->SetExactCount(true);
        return ds;
    }

    std::string path(const std::string& name) const { return m_cwd + "/" + name; }
    std::string bytes(const std::string& name = "lotobase.dbf") const { return testsupport::readFile(path(name)); }

    testsupport::TempDir m_dir;
    std::string m_cwd;
    std::string m_savedDirectory;
    int m_descriptors = 0;
};

using testsupport::Child;

using testsupport::ForeignLock;

}  // namespace xbtest
