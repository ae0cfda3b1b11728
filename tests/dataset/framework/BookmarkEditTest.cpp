#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "MemoryDataSet.h"
#include "RecordingLink.h"
#include "base/DatabaseError.h"
#include "dataset/framework/DataSource.h"
#include "support/RaisedMessage.h"

namespace kartei::fwtest {
namespace {

const std::string kReadOnly =
    "mem: Eine Datenmenge, die nur zum Lesen ist, kann nicht ge\xE4"
    "ndert werden";

class BookmarkEditTest : public ::testing::Test {
protected:
    explicit BookmarkEditTest(int count = 100) : dataSet(MakeNumbered(count)) {
        dataSet->SetName("mem");
        source.SetDataSet(dataSet.get());
        link.SetDataSource(&source);
        link.SetBufferCount(17);
        dataSet->Open();
    }
    int CurrentId() const { return dataSet->FieldByName("id").AsInteger(); }

    std::unique_ptr<TMemoryDataSet> dataSet;
    TDataSource source;
    TRecordingLink link;
};

// The ids with a new record's row (id null, read as 0) inserted at `at`.
std::vector<int> With(std::vector<int> ids, size_t at, int id) {
    ids.insert(ids.begin() + static_cast<long>(at), id);
    return ids;
}

TEST_F(BookmarkEditTest, ABookmarkLeadsBackToItsRecordInTheMiddleOfTheWindow) {
    dataSet->MoveBy(41);
    const TBookmark at42 = dataSet->GetBookmark();
    dataSet->First();
    dataSet->MoveBy(9);
    const TBookmark at10 = dataSet->GetBookmark();
    ASSERT_FALSE(at42.empty());

    dataSet->First();
    dataSet->GotoBookmark(at42);
    EXPECT_EQ(CurrentId(), 42);
    EXPECT_EQ(link.ActiveRecord(), 8);
    EXPECT_EQ(link.WindowIds(), Ids(34, 50));

    EXPECT_EQ(dataSet->CompareBookmarks(at42, at10), 1);
    EXPECT_EQ(dataSet->CompareBookmarks(at10, at42), -1);
    EXPECT_EQ(dataSet->CompareBookmarks(at42, dataSet->GetBookmark()), 0);
    EXPECT_EQ(dataSet->CompareBookmarks({}, {}), 0);
    EXPECT_EQ(dataSet->CompareBookmarks(at10, {}), -1);
    EXPECT_EQ(dataSet->CompareBookmarks({}, at10), 1);

    EXPECT_TRUE(dataSet->BookmarkValid(at42));
    dataSet->Delete();
    EXPECT_FALSE(dataSet->BookmarkValid(at42));
    EXPECT_EQ(RaisedMessage([&] { dataSet->GotoBookmark(at42); }), "mem: Datensatz nicht gefunden");

    dataSet->GotoBookmark({});  // no bookmark: nothing moves
    EXPECT_EQ(CurrentId(), 43);
}

TEST_F(BookmarkEditTest, InsertTakesTheCurrentRowAndPostKeepsIt) {
    dataSet->MoveBy(5);  // window 1..17, current 6 on row 5
    dataSet->Insert();
    EXPECT_EQ(dataSet->State(), TDataSetState::dsInsert);
    EXPECT_EQ(link.ActiveRecord(), 5);
    // The rows from the current one move down; the full window loses its last row.
    EXPECT_EQ(link.WindowIds(), With(Ids(1, 16), 5, 0));
    EXPECT_TRUE(dataSet->GetBookmark().empty());
    dataSet->FieldByName("id").SetAsInteger(1000);
    dataSet->FieldByName("name").SetAsString("New");
    dataSet->Post();
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(link.ActiveRecord(), 5);
    EXPECT_EQ(link.WindowIds(), With(Ids(1, 16), 5, 1000));
    EXPECT_EQ(dataSet->RecNo(), 6);
    EXPECT_EQ(dataSet->RecordCount(), 101);
}

TEST_F(BookmarkEditTest, CancellingAnInsertRestoresTheWindow) {
    dataSet->MoveBy(5);
    dataSet->Insert();
    dataSet->FieldByName("id").SetAsInteger(1000);
    dataSet->Cancel();
    EXPECT_EQ(link.WindowIds(), Ids(1, 17));
    EXPECT_EQ(CurrentId(), 6);
    EXPECT_EQ(dataSet->RecordCount(), 100);
    dataSet->Insert();
    dataSet->Delete();  // deleting a new record only drops it
    EXPECT_EQ(link.WindowIds(), Ids(1, 17));
}

TEST_F(BookmarkEditTest, AppendAddsAfterTheLastRecord) {
    dataSet->Append();
    EXPECT_EQ(link.ActiveRecord(), 16);
    EXPECT_EQ(link.WindowIds(), With(Ids(85, 100), 16, 0));
    dataSet->FieldByName("id").SetAsInteger(101);
    dataSet->Post();
    EXPECT_EQ(link.WindowIds(), Ids(85, 101));
    EXPECT_EQ(link.ActiveRecord(), 16);
    dataSet->Next();
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_EQ(CurrentId(), 101);
}

TEST_F(BookmarkEditTest, DeletingRefillsTheWindowAroundTheNextRecord) {
    dataSet->Locate("id", 50, {});  // window 42..58, current on row 8
    dataSet->Delete();
    EXPECT_EQ(CurrentId(), 51);
    EXPECT_EQ(link.ActiveRecord(), 8);
    std::vector<int> expected = Ids(42, 49);  // 50 is gone
    for (const int id : Ids(51, 59)) {
        expected.push_back(id);
    }
    EXPECT_EQ(link.WindowIds(), expected);
    dataSet->Last();
    dataSet->Delete();  // the last record: the one before it becomes current
    EXPECT_EQ(CurrentId(), 99);
    EXPECT_EQ(link.WindowIds(), Ids(83, 99));
    EXPECT_EQ(link.ActiveRecord(), 16);
}

TEST_F(BookmarkEditTest, EditingAnEmptyDataSetInsertsAndDeletingNothingIsRefused) {
    auto empty = MakeNumbered(0);
    empty->SetName("mem");
    empty->Open();
    EXPECT_EQ(RaisedMessage([&] { empty->Delete(); }),
              "mem: Operation nicht zul\xE4"
              "ssig bei leerer Datenmenge");
    empty->Edit();
    EXPECT_EQ(empty->State(), TDataSetState::dsInsert);
    empty->FieldByName("id").SetAsInteger(1);
    empty->Post();
    EXPECT_EQ(empty->RecordCount(), 1);
    EXPECT_EQ(empty->FieldByName("id").AsInteger(), 1);
    EXPECT_FALSE(empty->IsEmpty());
}

TEST_F(BookmarkEditTest, AReadOnlyDataSetRefusesEveryChangeFirst) {
    dataSet->SetReadOnly(true);
    EXPECT_EQ(RaisedMessage([&] { dataSet->Edit(); }), kReadOnly);
    EXPECT_EQ(RaisedMessage([&] { dataSet->Insert(); }), kReadOnly);
    EXPECT_EQ(RaisedMessage([&] { dataSet->Append(); }), kReadOnly);
    EXPECT_EQ(RaisedMessage([&] { dataSet->Delete(); }), kReadOnly);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    dataSet->Close();
    EXPECT_EQ(RaisedMessage([&] { dataSet->Edit(); }), kReadOnly);
}

TEST_F(BookmarkEditTest, StateChecksNameTheDataSet) {
    EXPECT_EQ(RaisedMessage([&] { dataSet->Post(); }),
              "mem: Datenmenge weder im Editier- noch im Einf\xFC"
              "gemodus");
    EXPECT_EQ(RaisedMessage([&] { dataSet->CheckInactive(); }),
              "mem: Operation bei ge\xF6"
              "ffneter Datenmenge nicht ausf\xFC"
              "hrbar");
    dataSet->Close();
    const std::string closed =
        "mem: Operation bei geschlossener Datenmenge nicht ausf\xFC"
        "hrbar";
    EXPECT_EQ(RaisedMessage([&] { dataSet->First(); }), closed);
    EXPECT_EQ(RaisedMessage([&] { dataSet->MoveBy(1); }), closed);
    EXPECT_EQ(RaisedMessage([&] { dataSet->RecordCount(); }), closed);
    EXPECT_EQ(RaisedMessage([&] { dataSet->Insert(); }), closed);
    EXPECT_EQ(dataSet->RecNo(), -1);
}

TEST_F(BookmarkEditTest, ClosingWhileEditingDropsTheChanges) {
    dataSet->Edit();
    dataSet->FieldByName("name").SetAsString("Lost");
    dataSet->Close();
    dataSet->Open();
    EXPECT_EQ(dataSet->FieldByName("name").AsString(), "Name1");
}

TEST(RequiredFieldTest, PostingWithoutARequiredValueIsRefused) {
    TMemoryDataSet dataSet(nullptr,
                           {{"code", TFieldType::ftString, 5, true}, {"note", TFieldType::ftString, 5}});
    TDataSource source;
    source.SetDataSet(&dataSet);
    TRecordingLink link;
    link.SetDataSource(&source);
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName("note").SetAsString("x");
    link.Take();
    EXPECT_EQ(RaisedMessage([&] { dataSet.Post(); }), "Feld 'code' muss einen Wert haben");
    EXPECT_EQ(link.Take(), (std::vector<std::string>{"update", "check browse", "focus code"}));
    EXPECT_EQ(dataSet.State(), TDataSetState::dsInsert);
    dataSet.FieldByName("code").SetAsString("A");
    dataSet.Post();
    EXPECT_EQ(dataSet.StoredCount(), 1);
}

TEST_F(BookmarkEditTest, LookupReadsAnotherRecordWithoutMoving) {
    dataSet->MoveBy(3);
    link.Take();
    EXPECT_EQ(dataSet->Lookup("id", 77, "name"), TVariant("Name77"));
    EXPECT_EQ(dataSet->Lookup("name", "Name12", "id;name"), TVariant(std::vector<TVariant>{12, "Name12"}));
    EXPECT_TRUE(dataSet->Lookup("id", 1000, "name").IsNull());
    EXPECT_EQ(CurrentId(), 4);
    EXPECT_TRUE(link.Take().empty());
    EXPECT_TRUE(dataSet->Locate("name;id", TVariant(std::vector<TVariant>{"name2", "2"}),
                                {TLocateOption::loCaseInsensitive}));
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(RaisedMessage([&] { dataSet->Locate("nope", 1, {}); }),
              "mem: Das Feld 'nope' wurde nicht gefunden");
}

}  // namespace
}  // namespace kartei::fwtest
