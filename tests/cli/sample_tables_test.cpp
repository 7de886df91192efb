// The committed sample tables are exactly what the generator writes: a change of either shows
// here instead of drifting apart unnoticed.
#include <gtest/gtest.h>

#include "cli_test_helpers.h"

namespace {

using testsupport::readFile;
using cli_test::runProgram;
using testsupport::TempDir;

const std::string kGenerator = SHAROMETR_MAKE_SAMPLES;
const std::string kSamples = SHAROMETR_SAMPLES_DIR;

TEST(SampleTables, GeneratorWritesTheCommittedBytes)
{
    TempDir scratch;
    const auto result = runProgram(kGenerator, {scratch.path()}, scratch);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");

    for (const std::string name : {"lotobase.dbf", "kenobase.dbf"}) {
        const std::string committed = readFile(kSamples + "/" + name);
        const std::string generated = readFile(scratch.file(name));
        EXPECT_EQ(generated.size(), committed.size()) << name;
        EXPECT_TRUE(generated == committed) << name << " differs from the committed sample";
    }
    // 225 = 32 + 6 descriptors + terminator, 300 records of 13 bytes, the end-of-file byte.
    EXPECT_EQ(readFile(scratch.file("lotobase.dbf")).size(), 225u + 300u * 13u + 1u);
    EXPECT_EQ(readFile(scratch.file("kenobase.dbf")).size(), 673u + 300u * 41u + 1u);
}

TEST(SampleTables, GeneratorRefusesAMissingDirectory)
{
    TempDir scratch;
    const auto noArgument = runProgram(kGenerator, {}, scratch);
    EXPECT_EQ(noArgument.status, 2);
    EXPECT_NE(noArgument.err.find("usage: make_samples OUTDIR"), std::string::npos);

    const auto nowhere = runProgram(kGenerator, {scratch.file("absent")}, scratch);
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_NE(nowhere.err.find("cannot write " + scratch.file("absent") + "/lotobase.dbf"),
              std::string::npos)
        << nowhere.err;
}

}  // namespace
