// The fixture of the tests that run the whole program: a temporary folder made the current one for
// the test, as the program runs in the folder of its tables, and the folder before it restored at
// the end.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "analysis/game.h"
#include "tests/support/draw_table.h"
#include "tests/support/files.h"

class TableFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::getcwd(m_cwd, sizeof m_cwd), nullptr);
        ASSERT_EQ(::chdir(m_dir.path().c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(::chdir(m_cwd), 0); }

    // Both draw tables in the folder, with these many draws made from these seeds.
    void makeTables(std::size_t lotoDraws, std::size_t kenoDraws, std::uint32_t lotoSeed, std::uint32_t kenoSeed) {
        makeTable(kSuperLoto, lotoDraws, lotoSeed);
        makeTable(kKeno, kenoDraws, kenoSeed);
    }
    // The game's draw table in the folder, under the name the game gives it.
    void makeTable(const Game& game, std::size_t draws, std::uint32_t seed) {
        testsupport::makeDrawTable(m_dir.file(game.tableFileName), game, draws, seed);
    }

    testsupport::TempDir m_dir;
    char m_cwd[4096] = {};
};
