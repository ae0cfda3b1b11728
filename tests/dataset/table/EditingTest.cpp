#include <gtest/gtest.h>

#include <memory>

#include "dataset/session/KarteiDatabase.h"
#include "dataset/support/VorwahlTables.h"
#include "dataset/table/KarteiTable.h"
#include "engine/files/FileTestSupport.h"

namespace kartei::testing {
namespace {

// A writable city table: inserting, changing and deleting through the dataset.
class Editing : public ::testing::Test {
protected:
    void SetUp() override {
        WriteVorwahlTables(temp_.Path(), VorwahlRows({"0301", "0302"}));
        owner_.BeginLoading();
        db_ = new TKarteiDatabase(&owner_);
        db_->SetName("db");
        db_->SetDatabaseName("edit");
        db_->SetDirectory(temp_.Path());
        db_->SetConnected(true);
        table_ = new TKarteiTable(&owner_);
        table_->SetName("tblCity");
        table_->SetDatabaseName("edit");
        table_->SetTableName("City.DAT");
        table_->SetIndexName("City");
        table_->SetActive(true);
        owner_.EndLoading();
    }

    std::string City() const { return table_->FieldByName("City").AsString(); }

    TTempDir temp_;
    TComponent owner_;
    TKarteiDatabase* db_ = nullptr;
    TKarteiTable* table_ = nullptr;
};

TEST_F(Editing, PostedRecordsAreStoredAndCurrent) {
    ASSERT_TRUE(table_->CanModify());
    const int count = table_->RecordCount();
    table_->Append();
    table_->FieldByName("City").SetAsString("Aaaheim");
    table_->Post();
    EXPECT_EQ(table_->RecordCount(), count + 1);
    EXPECT_EQ(City(), "Aaaheim");
    EXPECT_EQ(table_->FieldByName("id").AsInteger(), count + 1);
    table_->First();
    EXPECT_EQ(City(), "Aaaheim");  // first in name order

    table_->Edit();
    table_->FieldByName("City").SetAsString("Zzzstadt");
    table_->Post();
    table_->Last();
    EXPECT_EQ(City(), "Zzzstadt");
    table_->Delete();
    EXPECT_EQ(table_->RecordCount(), count);
    table_->Last();
    EXPECT_NE(City(), "Zzzstadt");
}

TEST_F(Editing, CopyOnAppendStartsFromTheCurrentRecord) {
    table_->First();
    const std::string first = City();
    table_->SetCopyOnAppend(true);
    table_->Append();
    EXPECT_EQ(City(), first);
    EXPECT_TRUE(table_->FieldByName("id").IsNull() || table_->FieldByName("id").AsInteger() == 0);
    table_->Cancel();
    table_->SetCopyOnAppend(false);
    table_->Append();
    EXPECT_EQ(City(), "");
    table_->Cancel();
}

}  // namespace
}  // namespace kartei::testing
