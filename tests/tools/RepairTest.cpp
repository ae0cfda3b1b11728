#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/ToolError.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

namespace fs = std::filesystem;

class Repair : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(temp_.File("in.csv"), CsvLines({"name,n", "Celle,1", "Aachen,2", "Bonn,3", "Dessau,4"}));
        const TRun run = Kartei({"import", temp_.File("in.csv"), Table(), "--field", "name:string:10",
                                 "--field", "n:integer", "--index", "name=name:unique"});
        ASSERT_EQ(run.Status, 0) << run.Err;
    }
    std::string Table() const { return temp_.File("T.DAT"); }
    std::string Index() const { return temp_.File("T.IDX"); }
    // Overwrites the entries of the first index page.
    void DamagePages() {
        std::fstream file(Index(), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(4096 + 13);
        const std::string junk(64, '\xA5');
        file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    std::string RebuiltLine(const std::string& indexes) const {
        return Table() + ": index file rebuilt from the records (4 records" + indexes + ")";
    }

    TTempDir temp_;
};

TEST_F(Repair, DamagedPagesAreRebuiltWithEveryIndexAndTheDamagedFileKept) {
    DamagePages();
    const std::string damaged = ReadBytes(Index());
    ASSERT_EQ(Kartei({"verify", Table()}).Status, ExitStatus::Damaged);

    const TRun run = Kartei({"repair", Table()});
    EXPECT_EQ(run.Status, ExitStatus::Ok) << run.Out << run.Err;
    EXPECT_EQ(Lines(run.Out), (std::vector<std::string>{
                                  RebuiltLine("; indexes name"),
                                  Table() + ": the damaged index file is kept as " + Index() + ".bak",
                                  Table() + ": OK"}));
    EXPECT_EQ(ReadBytes(Index() + ".bak"), damaged);
    EXPECT_EQ(Kartei({"verify", Table()}).Out, Table() + ": OK\n");
    // The secondary index is there again, in its order.
    EXPECT_EQ(Kartei({"dump", Table(), "--index", "name"}).Out,
              CsvLines({"name,n", "Aachen,2", "Bonn,3", "Celle,1", "Dessau,4"}));
}

TEST_F(Repair, AnUnreadableHeaderLeavesTheRecordOrderOnly) {
    WriteBytes(Index(), "not an index file");
    const TRun run = Kartei({"repair", Table()});
    EXPECT_EQ(run.Status, ExitStatus::Ok) << run.Out << run.Err;
    EXPECT_EQ(Lines(run.Out),
              (std::vector<std::string>{RebuiltLine(""),
                                        Table() + ": the damaged index file is kept as " + Index() + ".bak",
                                        Table() +
                                            ": the index definitions could not be taken over; only the record "
                                            "order was rebuilt (secondary indexes have to be made again)",
                                        Table() + ": OK"}));
    EXPECT_EQ(ReadBytes(Index() + ".bak"), "not an index file");
    EXPECT_EQ(Kartei({"dump", Table()}).Out, CsvLines({"name,n", "Celle,1", "Aachen,2", "Bonn,3", "Dessau,4"}));
    EXPECT_EQ(Kartei({"dump", Table(), "--index", "name"}).Status, ExitStatus::BadInput);
}

TEST_F(Repair, AHeaderNamingFieldsTheTableLacksIsNotTakenOver) {
    // The index 'name' (slot 1, at 14 + 120) now claims field 7 of a two-field table.
    {
        std::fstream file(Index(), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(14 + 120 + 54);
        file.put('\x07');
    }
    const TRun run = Kartei({"repair", Table()});
    EXPECT_EQ(run.Status, ExitStatus::Ok) << run.Out << run.Err;
    EXPECT_EQ(Lines(run.Out)[0], RebuiltLine(""));
}

TEST_F(Repair, AMissingIndexFileIsRebuiltWithoutBackup) {
    fs::remove(Index());
    const TRun run = Kartei({"repair", Table()});
    EXPECT_EQ(run.Status, ExitStatus::Ok) << run.Out << run.Err;
    EXPECT_EQ(Lines(run.Out).size(), 3u);
    EXPECT_EQ(Lines(run.Out)[0], RebuiltLine(""));
    EXPECT_FALSE(fs::exists(Index() + ".bak"));
    EXPECT_EQ(Kartei({"verify", Table()}).Out, Table() + ": OK\n");
}

TEST_F(Repair, AnEarlierBackupIsNeverOverwritten) {
    WriteBytes(Index() + ".bak", "older");
    DamagePages();
    ASSERT_EQ(Kartei({"repair", Table()}).Status, ExitStatus::Ok);
    EXPECT_EQ(ReadBytes(Index() + ".bak"), "older");
    EXPECT_TRUE(fs::exists(Index() + ".bak2"));
}

TEST_F(Repair, ANoTableIsRefusedWithNothingMoved) {
    EXPECT_EQ(Kartei({"repair", temp_.File("none.DAT")}).Status, ExitStatus::BadInput);
    EXPECT_EQ(Kartei({"repair"}).Status, ExitStatus::Usage);
}

}  // namespace
}  // namespace kartei::tools::testing
