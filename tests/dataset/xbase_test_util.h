// What the table dataset's tests share: the engine's fixture working in its temporary directory
// made the current one (the program finds its tables there); the draw table the editing tests
// start from; catching a failure with its exact message; and a forked process for locks taken by
// another program.
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

#include "dataset/xbase_dataset.h"
#include "dbf/error_report.h"
#include "platform/fault_injection.h"
#include "platform/locale_info.h"
#include "analysis/game.h"
#include "tests/support/child_process.h"
#include "tests/support/dbf_image.h"
#include "tests/support/draw_table.h"
#include "tests/support/engine_fixture.h"
#include "toolkit/database_error.h"

namespace xbtest {

// The draw table of the editing tests: C1..C6, N(2,0) each; record i holds i, i+10, ..., i+50.
inline constexpr std::size_t kHeaderLength = 32 + 6 * 32 + 1;
inline constexpr std::size_t kRecordLength = 1 + 6 * 2;

inline std::vector<int> drawOf(int record) {
    std::vector<int> draw;
    for (int k = 0; k < 6; ++k) draw.push_back(record + 10 * k);
    return draw;
}

// A record image as the table stores it: live flag, then each number right-aligned in 2.
inline std::string recordBytes(const std::vector<int>& values, char flag = ' ') {
    std::string bytes(1, flag);
    for (int v : values) {
        std::string text = std::to_string(v);
        bytes += std::string(2 - std::min<std::size_t>(2, text.size()), ' ') + text;
    }
    return bytes;
}

inline std::string recordAt(const std::string& file, std::size_t n) {
    const std::size_t offset = kHeaderLength + (n - 1) * kRecordLength;
    if (file.size() < offset + kRecordLength) return std::string();
    return file.substr(offset, kRecordLength);
}

// The record count of the header (bytes 4-7).
inline std::uint32_t headerCount(const std::string& file) {
    std::uint32_t count = 0;
    for (int i = 3; i >= 0; --i)
        count = count * 256 + static_cast<unsigned char>(file[4 + static_cast<std::size_t>(i)]);
    return count;
}

inline void writeDrawTable(const std::string& path, int records, const std::vector<int>& deleted = {}) {
    testsupport::Draws draws;
    for (int i = 1; i <= records; ++i) draws.push_back(drawOf(i));
    testsupport::writeDrawTable(path, kSuperLoto, draws, {deleted});
}

// Runs `action` and returns the message of the exception of type E it raised; a test failure
// when it raised nothing or something else.
template <typename E>
std::string failureOf(const std::function<void()>& action) {
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

inline std::string currentDirectory() {
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer)) throw std::runtime_error("getcwd");
    return buffer;
}

// The engine's fixture, working in its temporary directory made the current one.
class XbaseDataSetTest : public testsupport::EngineTest {
protected:
    void SetUp() override {
        m_savedDirectory = currentDirectory();
        ASSERT_EQ(::chdir(m_dir.path().c_str()), 0);
        // As the process sees it, which is how the engine spells the paths in its messages.
        m_cwd = currentDirectory();
        EngineTest::SetUp();
    }

    void TearDown() override {
        EXPECT_EQ(::chdir(m_savedDirectory.c_str()), 0);
        EngineTest::TearDown();
    }

    // A dataset as the windows set one up: shared, exact count, named like the main window's.
    static std::unique_ptr<TXbaseDataSet> dataSet(const std::string& table = "lotobase.dbf") {
        auto ds = std::make_unique<TXbaseDataSet>();
        ds->SetName("XbaseDataSet1");
        ds->SetTableName(table);
        ds->SetExactCount(true);
        return ds;
    }

    std::string path(const std::string& name) const { return m_cwd + "/" + name; }
    std::string bytes(const std::string& name = "lotobase.dbf") const { return testsupport::readFile(path(name)); }

    std::string m_cwd;
    std::string m_savedDirectory;
};

using testsupport::Child;

using testsupport::ForeignLock;

}  // namespace xbtest
