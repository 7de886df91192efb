// The committed sample tables are what `sharometr-cli create --sample N` writes (100 SuperLoto
// draws, 50 Keno draws, as scripts/run.sh makes them on the first run): the same header and the
// same records byte for byte, all but the date and update stamp of the write. A change of the
// draw generator or of the table layout shows here.
#include <gtest/gtest.h>

#include "cli_test_helpers.h"

namespace {

using cli_test::runCli;
using testsupport::readFile;
using testsupport::TempDir;

const std::string kSamples = SHAROMETR_SAMPLES_DIR;

// The bytes of a table with the date of the last update (1-3) and the update stamp (16-19)
// blanked out, the two things that tell one write from another.
std::string withoutWriteTime(std::string bytes) {
    if (bytes.size() >= 20) {
        bytes.replace(1, 3, 3, '\0');
        bytes.replace(16, 4, 4, '\0');
    }
    return bytes;
}

TEST(SampleTables, CreateWithTheSampleSizesWritesTheCommittedTables) {
    TempDir dir;
    for (const auto& [game, draws] : {std::pair{"loto", "100"}, std::pair{"keno", "50"}}) {
        const auto result = runCli({"create", "--game", game, "--sample", draws, dir.path()});
        ASSERT_EQ(result.status, cli::kExitOk) << result.err;
    }
    for (const std::string name : {"lotobase.dbf", "kenobase.dbf"}) {
        const std::string committed = readFile(kSamples + "/" + name);
        const std::string created = readFile(dir.file(name));
        EXPECT_EQ(created.size(), committed.size()) << name;
        EXPECT_TRUE(withoutWriteTime(created) == withoutWriteTime(committed))
            << name << " differs from the committed sample";
    }
    // 225 = 32 + 6 descriptors + terminator, 100 records of 13 bytes, the end-of-file byte.
    EXPECT_EQ(readFile(kSamples + "/lotobase.dbf").size(), 225u + 100u * 13u + 1u);
    EXPECT_EQ(readFile(kSamples + "/kenobase.dbf").size(), 673u + 50u * 41u + 1u);
}

TEST(SampleTables, FewerSamplesAreTheFirstRecordsOfTheCommittedOnes) {
    // Each game draws from a start of its own: a short Keno table does not depend on how many
    // SuperLoto draws were made before it.
    TempDir dir;
    ASSERT_EQ(runCli({"create", "--game", "keno", "--sample", "7", dir.path()}).status, cli::kExitOk);
    const std::string committed = readFile(kSamples + "/kenobase.dbf");
    const std::string created = readFile(dir.file("kenobase.dbf"));
    ASSERT_EQ(created.size(), 673u + 7u * 41u + 1u);
    EXPECT_EQ(created.substr(673, 7 * 41), committed.substr(673, 7 * 41));
    EXPECT_EQ(created.substr(4, 4), std::string("\x07\0\0\0", 4));
}

}  // namespace
