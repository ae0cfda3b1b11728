#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/TableHarness.h"
#include "tools/ToolTestSupport.h"

namespace kartei::fuzz {
namespace {

using kartei::testing::ReadBytes;
using kartei::testing::TTempDir;

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(FuzzInput, SectionsSplitAsJoined) {
    TTableFiles files;
    files.Data = std::string("data\0file", 9);
    files.Index = "idx";
    files.Blob = "blob";
    const TTableFiles back = SplitInput(JoinInput(files));
    EXPECT_EQ(back.Data, files.Data);
    EXPECT_EQ(back.Index, "idx");
    EXPECT_TRUE(back.HasIndex);
    EXPECT_EQ(back.Blob, "blob");

    files.HasIndex = false;
    files.Index.clear();
    const TTableFiles withoutIndex = SplitInput(JoinInput(files));
    EXPECT_FALSE(withoutIndex.HasIndex);
    EXPECT_EQ(withoutIndex.Blob, "blob");
}

TEST(FuzzInput, LengthsBeyondTheInputAreCut) {
    // Data length 100 with only 3 bytes there: all of it is data, nothing else.
    const TTableFiles files = SplitInput(Bytes(std::string("\x64\0\0\0abc", 7)));
    EXPECT_EQ(files.Data, "abc");
    EXPECT_TRUE(files.Index.empty());
    EXPECT_TRUE(files.Blob.empty());
    // Not even a whole length: no data.
    EXPECT_TRUE(SplitInput(Bytes("\x01\x02")).Data.empty());
}

// Every input that once crashed, hung or over-read the engine: each must now end in success or engine
// errors only.
TEST(FuzzRegressions, EveryKeptInputEndsCleanly) {
    const std::filesystem::path folder(NUMMERIX_FUZZ_REGRESSIONS);
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    size_t replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().filename().string());
        const TTempDir scratch;
        const std::vector<uint8_t> input = Bytes(ReadBytes(entry.path().string()));
        EXPECT_NO_THROW(ExerciseTable(input, scratch.Path()));
        ++replayed;
    }
    EXPECT_GT(replayed, 0u);
}

}  // namespace
}  // namespace kartei::fuzz
