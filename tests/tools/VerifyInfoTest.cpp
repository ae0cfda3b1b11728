#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/ToolError.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

// Rewrites bytes of a file in place.
void Patch(const std::string& path, std::streamoff offset, const std::string& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The blank-separated words of each line.
std::vector<std::vector<std::string>> Words(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : Lines(text)) {
        std::istringstream in(line);
        lines.emplace_back(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
    }
    return lines;
}

class VerifyInfo : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(temp_.File("in.csv"), CsvLines({"name,n", "Aachen,1", "Bonn,2", "Celle,3"}));
        const TRun run = Kartei({"import", temp_.File("in.csv"), Table(), "--field", "name:string:10",
                                 "--field", "n:integer", "--index", "name=name:unique"});
        ASSERT_EQ(run.Status, 0) << run.Err;
    }
    std::string Table() const { return temp_.File("T.DAT"); }
    // Data start of the two-field table, and the record size: 9 + (1 + 11) + (1 + 4).
    static constexpr std::streamoff kDataStart = 127 + 2 * 768;
    static constexpr std::streamoff kRecordSize = 26;

    TTempDir temp_;
};

TEST_F(VerifyInfo, ASoundTableVerifies) {
    const TRun run = Kartei({"verify", Table()});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, Table() + ": OK\n");
}

TEST_F(VerifyInfo, ARecordWhoseKeyNoLongerMatchesItsIndexEntryFails) {
    // Record 2's name becomes "Bxnn": the index still files it under "Bonn".
    Patch(Table(), kDataStart + kRecordSize + 9 + 2, "x");
    const TRun run = Kartei({"verify", Table()});
    EXPECT_EQ(run.Status, ExitStatus::Damaged);
    EXPECT_EQ(
        run.Out,
        Table() + ": 1 problem\n  index 'name': entry for record 2 does not hold the key of that record\n");
}

TEST_F(VerifyInfo, ADataFileOfTheWrongLengthFails) {
    std::ofstream(Table(), std::ios::binary | std::ios::app) << 'x';
    const TRun run = Kartei({"verify", Table()});
    EXPECT_EQ(run.Status, ExitStatus::Damaged);
    ASSERT_FALSE(Lines(run.Out).empty());
    EXPECT_EQ(Lines(run.Out)[1], "  Kartei Engine Error # 8961 Header information corrupt in table 'T.DAT'");
    // info refuses such a table altogether.
    const TRun info = Kartei({"info", Table()});
    EXPECT_EQ(info.Status, ExitStatus::Damaged);
    EXPECT_EQ(info.Err,
              "kartei info: Kartei Engine Error # 8961 Header information corrupt in table 'T.DAT'\n");
}

TEST_F(VerifyInfo, DamagedIndexPagesFail) {
    // The first page after the index header: overwrite its entries.
    Patch(temp_.File("T.IDX"), 4096 + 13, std::string(64, '\xA5'));
    const TRun run = Kartei({"verify", Table()});
    EXPECT_EQ(run.Status, ExitStatus::Damaged);
    EXPECT_NE(run.Out.find(" problem"), std::string::npos) << run.Out;
}

TEST_F(VerifyInfo, AMissingIndexFileIsRebuiltAndThenVerifies) {
    std::filesystem::remove(temp_.File("T.IDX"));
    const TRun run = Kartei({"verify", Table()});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, Table() + ": the index file was missing and has been rebuilt\n" + Table() + ": OK\n");
    EXPECT_EQ(Kartei({"verify", Table()}).Out, Table() + ": OK\n");
}

TEST_F(VerifyInfo, NothingIsLeftBesideAFileThatIsNoTable) {
    WriteBytes(temp_.File("X.DAT"), std::string(2000, '\x7F'));
    const TRun run = Kartei({"verify", temp_.File("X.DAT")});
    EXPECT_EQ(run.Status, ExitStatus::Damaged);
    EXPECT_FALSE(std::filesystem::exists(temp_.File("X.IDX")));
    EXPECT_EQ(Kartei({"verify", temp_.File("none")}).Status, ExitStatus::BadInput);
}

TEST_F(VerifyInfo, InfoListsHeaderFieldsAndIndexes) {
    const TRun run = Kartei({"info", Table()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto words = Words(run.Out);
    const auto has = [&](std::vector<std::string> line) {
        return std::find(words.begin(), words.end(), line) != words.end();
    };
    EXPECT_TRUE(has({"Records:", "3"}));
    EXPECT_TRUE(has({"Record", "size:", "26", "bytes"}));
    EXPECT_TRUE(has({"Locale:", "none", "(byte", "order)"}));
    EXPECT_TRUE(has({"1", "name", "string(10)", "9", "11", "no"}));
    EXPECT_TRUE(has({"2", "n", "integer", "21", "4", "no"}));
    // Slot, name, fields, options, key length (flag + 11), compression, depth, records.
    EXPECT_TRUE(has({"1", "name", "name", "unique", "12", "none", "1", "3"})) << run.Out;
    EXPECT_TRUE(has({"0", "(primary)", "(none:", "record", "order)", "3"})) << run.Out;
}

}  // namespace
}  // namespace kartei::tools::testing
