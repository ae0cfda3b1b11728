#include <gtest/gtest.h>

#include <memory>

#include "MemoryDataSet.h"
#include "RecordingLink.h"
#include "base/DatabaseError.h"
#include "dataset/framework/DataSource.h"

namespace kartei::fwtest {
namespace {

using Events = std::vector<std::string>;

// A list-like link of 17 rows over a dataset of numbered records.
class BufferWindowTest : public ::testing::Test {
protected:
    void OpenWith(int count) {
        dataSet = MakeNumbered(count);
        source.SetDataSet(dataSet.get());
        link.SetDataSource(&source);
        link.SetBufferCount(17);
        link.NotesCheckBrowse = false;
        dataSet->Open();
        link.Take();
    }
    int CurrentId() const { return dataSet->FieldByName("id").AsInteger(); }

    std::unique_ptr<TMemoryDataSet> dataSet;
    TDataSource source;
    TRecordingLink link;
};

TEST_F(BufferWindowTest, OpeningFillsTheWindowFromTheFirstRecord) {
    for (const int count : {5, 17, 100}) {
        SCOPED_TRACE(count);
        OpenWith(count);
        EXPECT_EQ(link.WindowIds(), Ids(1, std::min(count, 17)));
        EXPECT_EQ(link.ActiveRecord(), 0);
        EXPECT_EQ(link.RecordCount(), std::min(count, 17));
        EXPECT_EQ(link.BufferCount(), 17);
        EXPECT_TRUE(dataSet->Bof());
        EXPECT_FALSE(dataSet->Eof());
        EXPECT_EQ(CurrentId(), 1);
    }
}

TEST_F(BufferWindowTest, MovingInsideTheWindowOnlyChangesTheRow) {
    OpenWith(100);
    EXPECT_EQ(dataSet->MoveBy(1), 1);
    EXPECT_EQ(link.Take(), (Events{"scrolled 0"}));
    EXPECT_EQ(dataSet->MoveBy(15), 15);
    EXPECT_EQ(link.Take(), (Events{"scrolled 0"}));
    EXPECT_EQ(link.ActiveRecord(), 16);
    EXPECT_EQ(CurrentId(), 17);
    EXPECT_EQ(dataSet->MoveBy(-10), -10);
    EXPECT_EQ(link.Take(), (Events{"scrolled 0"}));
    EXPECT_EQ(link.ActiveRecord(), 6);
    EXPECT_EQ(link.WindowIds(), Ids(1, 17));
    EXPECT_FALSE(dataSet->Bof());
    EXPECT_FALSE(dataSet->Eof());
}

TEST_F(BufferWindowTest, MovingPastTheLastRowScrollsOneRecordPerStep) {
    OpenWith(100);
    dataSet->MoveBy(16);
    link.Take();
    const int readsBefore = dataSet->ReadCount();

    dataSet->Next();
    EXPECT_EQ(link.Take(), (Events{"scrolled 1"}));
    EXPECT_EQ(link.ActiveRecord(), 16);
    EXPECT_EQ(link.WindowIds(), Ids(2, 18));
    EXPECT_EQ(CurrentId(), 18);

    EXPECT_EQ(dataSet->MoveBy(5), 5);
    EXPECT_EQ(link.Take(), (Events{"scrolled 5"}));
    EXPECT_EQ(link.ActiveRecord(), 16);
    EXPECT_EQ(link.WindowIds(), Ids(7, 23));
    // Each step reads the one record that enters the window; the rest stay in their buffers.
    EXPECT_EQ(dataSet->ReadCount() - readsBefore, 6);
}

TEST_F(BufferWindowTest, MovingPastTheFirstRowScrollsBackOneRecordPerStep) {
    OpenWith(100);
    dataSet->MoveBy(30);  // window 15..31, current 31 on the last row
    link.Take();
    EXPECT_EQ(link.WindowIds(), Ids(15, 31));

    EXPECT_EQ(dataSet->MoveBy(-20), -20);  // 16 rows up inside, then 4 records back
    EXPECT_EQ(link.Take(), (Events{"scrolled -4"}));
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(link.WindowIds(), Ids(11, 27));
    EXPECT_EQ(CurrentId(), 11);

    dataSet->Prior();
    EXPECT_EQ(link.Take(), (Events{"scrolled -1"}));
    EXPECT_EQ(link.WindowIds(), Ids(10, 26));
}

TEST_F(BufferWindowTest, AMoveBeyondTheEndStopsOnTheLastRecord) {
    struct Case {
        int count;
        int moved;
        int scrolled;
        int activeRow;
        int firstId;
    };
    for (const Case c : {Case{5, 4, 0, 4, 1}, Case{17, 16, 0, 16, 1}, Case{100, 99, 83, 16, 84}}) {
        SCOPED_TRACE(c.count);
        OpenWith(c.count);
        EXPECT_EQ(dataSet->MoveBy(1000), c.moved);
        EXPECT_EQ(link.Take(), (Events{"scrolled " + std::to_string(c.scrolled)}));
        EXPECT_EQ(link.ActiveRecord(), c.activeRow);
        EXPECT_EQ(link.WindowIds(), Ids(c.firstId, c.count));
        EXPECT_TRUE(dataSet->Eof());
        EXPECT_FALSE(dataSet->Bof());
        EXPECT_EQ(CurrentId(), c.count);

        // At the end nothing moves and nobody is told.
        EXPECT_EQ(dataSet->MoveBy(3), 0);
        EXPECT_TRUE(link.Take().empty());
    }
}

TEST_F(BufferWindowTest, BofAndEofTellThatAMoveReachedAnEnd) {
    OpenWith(5);
    EXPECT_TRUE(dataSet->Bof());
    dataSet->Next();
    EXPECT_FALSE(dataSet->Bof());
    dataSet->MoveBy(3);
    EXPECT_FALSE(dataSet->Eof());  // on the last record, but no move went past it yet
    dataSet->Next();
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_EQ(CurrentId(), 5);
    dataSet->MoveBy(-4);
    EXPECT_FALSE(dataSet->Eof());
    EXPECT_FALSE(dataSet->Bof());
    EXPECT_EQ(CurrentId(), 1);
    link.Take();
    EXPECT_EQ(dataSet->MoveBy(-1), 0);
    EXPECT_TRUE(dataSet->Bof());
    EXPECT_EQ(link.Take(), (Events{"scrolled 0"}));
    EXPECT_EQ(dataSet->MoveBy(-1), 0);
    EXPECT_TRUE(link.Take().empty());
}

TEST_F(BufferWindowTest, LastFillsTheWindowBackwardsAndFirstFillsItForwards) {
    for (const int count : {5, 17, 100}) {
        SCOPED_TRACE(count);
        OpenWith(count);
        const int rows = std::min(count, 17);
        dataSet->Last();
        EXPECT_EQ(link.Take(), (Events{"changed"}));
        EXPECT_EQ(link.ActiveRecord(), rows - 1);
        EXPECT_EQ(link.WindowIds(), Ids(count - rows + 1, count));
        EXPECT_TRUE(dataSet->Eof());
        EXPECT_FALSE(dataSet->Bof());

        dataSet->Prior();
        EXPECT_EQ(link.Take(), (Events{"scrolled 0"}));
        EXPECT_EQ(link.ActiveRecord(), rows - 2);
        EXPECT_FALSE(dataSet->Eof());

        dataSet->First();
        EXPECT_EQ(link.Take(), (Events{"changed"}));
        EXPECT_EQ(link.ActiveRecord(), 0);
        EXPECT_EQ(link.WindowIds(), Ids(1, rows));
        EXPECT_TRUE(dataSet->Bof());
        EXPECT_FALSE(dataSet->Eof());
    }
}

TEST_F(BufferWindowTest, LocateRefillsTheWindowWithTheFoundRecordInTheMiddle) {
    struct Case {
        int count;
        int id;
        int activeRow;
        int firstId;
        int lastId;
    };
    const Case cases[] = {
        {100, 50, 8, 42, 58},  // eight records on either side
        {100, 9, 8, 1, 17},    // exactly eight before it
        {100, 10, 8, 2, 18},
        {100, 3, 2, 1, 17},  // near the start: two before, the rest after
        {100, 1, 0, 1, 17},
        {100, 95, 11, 84, 100},  // only five after it: the window fills up from
                                 // further before
        {100, 99, 15, 84, 100},
        {100, 100, 16, 84, 100},
        {17, 9, 8, 1, 17},
        {17, 17, 16, 1, 17},
        {17, 2, 1, 1, 17},
        {5, 3, 2, 1, 5},
        {5, 5, 4, 1, 5},
        {5, 1, 0, 1, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " records, id " + std::to_string(c.id));
        OpenWith(c.count);
        dataSet->MoveBy(2);
        link.Take();
        EXPECT_TRUE(dataSet->Locate("id", c.id, {}));
        EXPECT_EQ(link.Take(), (Events{"changed"}));
        EXPECT_EQ(CurrentId(), c.id);
        EXPECT_EQ(link.ActiveRecord(), c.activeRow);
        EXPECT_EQ(link.WindowIds(), Ids(c.firstId, c.lastId));
        EXPECT_FALSE(dataSet->Bof());
        EXPECT_FALSE(dataSet->Eof());
    }
}

TEST_F(BufferWindowTest, ALocateThatFindsNothingLeavesTheWindow) {
    OpenWith(100);
    dataSet->MoveBy(20);
    link.Take();
    EXPECT_FALSE(dataSet->Locate("id", 1000, {}));
    EXPECT_TRUE(link.Take().empty());
    EXPECT_EQ(CurrentId(), 21);
    EXPECT_EQ(link.WindowIds(), Ids(5, 21));
}

TEST_F(BufferWindowTest, ScrollingOnAfterALocateKeepsTheRules) {
    OpenWith(100);
    dataSet->Locate("id", 50, {});  // window 42..58, current on row 8
    link.Take();
    EXPECT_EQ(dataSet->MoveBy(10), 10);  // 8 rows down inside, then 2 records on
    EXPECT_EQ(link.Take(), (Events{"scrolled 2"}));
    EXPECT_EQ(link.WindowIds(), Ids(44, 60));
    EXPECT_EQ(CurrentId(), 60);
}

TEST_F(BufferWindowTest, ResyncWithoutCentringKeepsTheCurrentRow) {
    OpenWith(100);
    dataSet->MoveBy(5);
    dataSet->UpdateCursorPos();
    dataSet->Resync({});
    EXPECT_EQ(link.ActiveRecord(), 5);
    EXPECT_EQ(link.WindowIds(), Ids(1, 17));
    dataSet->MoveBy(20);  // window 10..26, current 26
    link.Take();
    dataSet->UpdateCursorPos();
    dataSet->Resync({});
    EXPECT_EQ(link.Take(), (Events{"changed"}));
    EXPECT_EQ(link.ActiveRecord(), 16);
    EXPECT_EQ(link.WindowIds(), Ids(10, 26));
}

TEST_F(BufferWindowTest, SettingTheRecordNumberCentresLikeALocate) {
    OpenWith(100);
    dataSet->SetRecNo(50);
    EXPECT_EQ(dataSet->RecNo(), 50);
    EXPECT_EQ(link.ActiveRecord(), 8);
    EXPECT_EQ(link.WindowIds(), Ids(42, 58));
    EXPECT_EQ(dataSet->RecordCount(), 100);
}

TEST_F(BufferWindowTest, AnEmptyDataSetHasNoRowsAndIsAtBothEnds) {
    OpenWith(0);
    EXPECT_TRUE(dataSet->IsEmpty());
    EXPECT_TRUE(dataSet->Bof());
    EXPECT_TRUE(dataSet->Eof());
    EXPECT_EQ(link.RecordCount(), 0);
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(dataSet->MoveBy(5), 0);
    EXPECT_EQ(dataSet->MoveBy(-5), 0);
    dataSet->Last();
    dataSet->First();
    EXPECT_TRUE(dataSet->IsEmpty());
    EXPECT_EQ(dataSet->RecNo(), -1);
    EXPECT_TRUE(dataSet->FieldByName("id").IsNull());
    EXPECT_EQ(dataSet->FieldByName("name").AsString(), "");
    EXPECT_TRUE(dataSet->GetBookmark().empty());
    EXPECT_FALSE(dataSet->Locate("id", 1, {}));
}

TEST_F(BufferWindowTest, AReadThatFailsMidwayStillTellsTheLinksWhereTheWindowStands) {
    OpenWith(100);
    dataSet->MoveBy(16);
    link.Take();
    dataSet->FailAtRead = dataSet->ReadCount() + 2;
    EXPECT_THROW(dataSet->MoveBy(5), EDatabaseError);
    EXPECT_EQ(link.Take(), (Events{"scrolled 2"}));  // two steps were taken
    EXPECT_EQ(link.WindowIds(), Ids(3, 19));
    EXPECT_EQ(CurrentId(), 19);
    dataSet->FailAtRead = -1;
    dataSet->Next();
    EXPECT_EQ(CurrentId(), 20);
}

TEST_F(BufferWindowTest, AnOpenThatFailsWhileFillingLeavesTheDataSetClosed) {
    dataSet = MakeNumbered(100);
    source.SetDataSet(dataSet.get());
    link.SetDataSource(&source);
    link.SetBufferCount(17);
    dataSet->FailAtRead = 3;
    EXPECT_THROW(dataSet->Open(), EDatabaseError);
    EXPECT_FALSE(dataSet->Active());
    EXPECT_EQ(dataSet->Fields().Count(), 0);  // the dataset class closed its side
    EXPECT_FALSE(link.Active());
    dataSet->FailAtRead = -1;
    dataSet->Open();
    EXPECT_EQ(link.RecordCount(), 17);
}

TEST_F(BufferWindowTest, ClosingEmptiesTheLinksWindow) {
    OpenWith(100);
    dataSet->MoveBy(40);
    dataSet->Close();
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.RecordCount(), 0);
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_THROW(dataSet->Next(), EDatabaseError);
    dataSet->Open();
    EXPECT_EQ(link.WindowIds(), Ids(1, 17));
}

}  // namespace
}  // namespace kartei::fwtest
