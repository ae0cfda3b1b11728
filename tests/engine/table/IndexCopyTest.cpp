// A copy of a table's index file, saved under its backup name and put back: the index as it was, for the
// table, its cursors and other sessions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "engine/cursor/CursorTestSupport.h"
#include "engine/files/FileList.h"

namespace kartei::testing {
namespace {

using IndexCopy = CursorTest;

const std::vector<std::string> kCities = {"Dresden", "Bonn", "Fulda", "Celle", "Essen"};
const std::vector<std::string> kSorted = {"Bonn", "Celle", "Dresden", "Essen", "Fulda"};

// On disk (false) and in memory (true).
class IndexCopyOfEitherKind : public TableTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            directory_ = &session_.OpenDirectory("MEMORY");
        }
    }
    std::string CopyName() const { return GetParam() ? "City.IBK" : File("City.IBK"); }
    bool CopyExists() const { return FileList().Exists(CopyName(), GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, IndexCopyOfEitherKind, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Memory" : "Disk";
                         });

TEST_P(IndexCopyOfEitherKind, PuttingTheCopyBackUndoesChangesOfTheIndexFile) {
    // Exclusive: the changes wait in the caches, and the copy must hold them.
    TDataTable* table = Create("City", CityDefinition(), true);
    for (const std::string& city : kCities) {
        table->InsertRecord(CityRecord(*table, city));
    }
    table->SaveIndexCopy();
    EXPECT_TRUE(CopyExists());

    // A change of the index file alone: the name index goes.
    table->IndexFile().RemoveSecondaryIndex(Slot(*table, "City"));
    table->WriteBack();
    ASSERT_EQ(Slot(*table, "City"), -1);

    table->RestoreIndexCopy(false);
    EXPECT_TRUE(CopyExists());
    EXPECT_EQ(table->IndexFile().SecondaryIndexCount(), 3);
    EXPECT_EQ(table->RecordCount(), 5);
    EXPECT_EQ(TextsInOrder(*table, "City"), kSorted);
    ExpectIndexesSound(*table);
    table->RestoreIndexCopy(true);
    EXPECT_FALSE(CopyExists());
    Close(table);

    table = Open("City");
    table->VerifyFiles();
    EXPECT_EQ(TextsInOrder(*table, "City"), kSorted);
    ExpectIndexesSound(*table);
    Close(table);
    if (GetParam()) {
        directory_->DeleteTable("City");
    }
}

TEST_F(IndexCopy, AnIndexDamagedAfterTheCopyIsWholeAgainFromIt) {
    TDataTable* table = MakeCities(kCities);
    table->SaveIndexCopy();
    const uint32_t root = table->IndexFile().Root(Slot(*table, "City"));
    Close(table);
    // What an index operation that failed halfway may leave: a page that is no longer what it was.
    Patch(File("City.IDX"), root + 64, std::vector<uint8_t>(300, 0xEE));

    table = Open("City");
    EXPECT_NE(CheckIndexFile(table->IndexFile(), table->Fields(), table->KeyLocale()),
              std::vector<std::string>{});
    table->RestoreIndexCopy(true);
    EXPECT_EQ(TextsInOrder(*table, "City"), kSorted);
    ExpectIndexesSound(*table);
    Close(table);
}

TEST_F(IndexCopy, RecordsChangedAfterTheCopyAreNotInTheIndexPutBack) {
    TDataTable* table = MakeCities({"Bonn", "Celle"});
    table->SaveIndexCopy();
    table->InsertRecord(CityRecord(*table, "Aachen"));
    table->RestoreIndexCopy(true);
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Bonn", "Celle"}));
    // Sound as an index file, but a check against the data finds the third record slot without its entry.
    EXPECT_EQ(CheckIndexFile(table->IndexFile(), table->Fields(), table->KeyLocale()),
              std::vector<std::string>{});
    EXPECT_EQ(table->Header().RecordSlotCount(), 3);
    EXPECT_EQ(IndexOrder(*table, kDeletedIndexSlot).size(), 2u);
    Close(table);
}

TEST_F(IndexCopy, CursorsFindTheirPlaceAgainInTheIndexPutBack) {
    TDataTable* table = MakeCities(kCities);
    table->SaveIndexCopy();
    auto onDresden = OpenCursor("City", "City");
    onDresden->GoToOrdinal(3);
    ASSERT_EQ(CityOf(*onDresden), "Dresden");
    auto atEnd = OpenCursor("City", "City");
    atEnd->Last();
    table->InsertRecord(CityRecord(*table, "Aachen"));
    table->InsertRecord(CityRecord(*table, "Bad Ems"));
    ASSERT_EQ(onDresden->Ordinal(), 5);

    table->RestoreIndexCopy(true);
    EXPECT_EQ(onDresden->RecordCount(), 5);
    EXPECT_EQ(onDresden->Ordinal(), 3);
    EXPECT_EQ(CityOf(*onDresden), "Dresden");
    std::vector<uint8_t> buffer(onDresden->RecordSize());
    ASSERT_EQ(onDresden->GetNext(buffer), CursorStatus::Ok);
    EXPECT_EQ(CityOf(*table, buffer), "Essen");
    ASSERT_EQ(atEnd->GetPrior(buffer), CursorStatus::Ok);
    EXPECT_EQ(CityOf(*table, buffer), "Fulda");
    EXPECT_EQ(WalkForward(*atEnd), kSorted);
    Close(table);
}

TEST_F(IndexCopy, AnotherSessionTakesTheIndexPutBack) {
    TDataTable* table = MakeCities({"Bonn", "Celle"});
    TDataSession otherSession;
    TDataDirectory& otherDirectory = otherSession.OpenDirectory(temp_.Path());
    TTableOpenRequest request;
    request.Name = "City";
    TDataTable* other = nullptr;
    ASSERT_EQ(otherDirectory.OpenTable(request, other), 0);

    table->SaveIndexCopy();
    table->InsertRecord(CityRecord(*table, "Aachen"));
    // The other session holds the index as it is after the change, its pages cached.
    EXPECT_TRUE(other->CheckForChanges());
    EXPECT_EQ(TextsInOrder(*other, "City"), (std::vector<std::string>{"Aachen", "Bonn", "Celle"}));

    table->RestoreIndexCopy(true);
    EXPECT_TRUE(other->CheckForChanges());
    EXPECT_EQ(other->RecordCount(), 2);
    EXPECT_EQ(TextsInOrder(*other, "City"), (std::vector<std::string>{"Bonn", "Celle"}));
    EXPECT_EQ(otherDirectory.CloseTable(other), 0);
    Close(table);
}

TEST_F(IndexCopy, RefusedWithoutACopyInATransactionAndOnReadOnlyFiles) {
    TDataTable* table = MakeCities({"Bonn"});
    const TRaised missing = Raised([&] { table->RestoreIndexCopy(false); });
    EXPECT_EQ(missing.Code, 11010);
    EXPECT_EQ(missing.Message,
              EngineMessage(11010, "Invalid path or file name for table '" + File("City.IBK") + "'"));

    directory_->StartTransaction();
    table->InsertRecord(CityRecord(*table, "Celle"));
    const std::string inUse = EngineMessage(10031, "table 'City.DAT' is already in use");
    EXPECT_EQ(Raised([&] { table->SaveIndexCopy(); }).Message, inUse);
    EXPECT_EQ(Raised([&] { table->RestoreIndexCopy(false); }).Message, inUse);
    directory_->EndTransaction(true);
    EXPECT_FALSE(FileList().Exists(File("City.IBK"), false));

    table->SaveIndexCopy();
    Close(table);
    ASSERT_EQ(chmod(File("City.DAT").c_str(), 0444), 0);
    ASSERT_EQ(chmod(File("City.IDX").c_str(), 0444), 0);
    table = Open("City");
    ASSERT_TRUE(table->ReadOnly());
    EXPECT_EQ(Raised([&] { table->RestoreIndexCopy(true); }).Code, 11013);
    EXPECT_TRUE(FileList().Exists(File("City.IBK"), false));
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Bonn", "Celle"}));
    Close(table);
}

}  // namespace
}  // namespace kartei::testing
