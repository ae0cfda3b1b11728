#include <gtest/gtest.h>

#include <memory>

#include "MemoryDataSet.h"
#include "RecordingLink.h"
#include "base/DatabaseError.h"
#include "dataset/framework/DataSource.h"
#include "dataset/framework/Field.h"
#include "support/RaisedMessage.h"

namespace kartei::fwtest {
namespace {

using Events = std::vector<std::string>;

class DataLinkTest : public ::testing::Test {
protected:
    DataLinkTest() : dataSet(MakeNumbered(100)) {
        dataSet->SetName("numbers");
        source.SetDataSet(dataSet.get());
        link.SetDataSource(&source);
    }

    std::unique_ptr<TMemoryDataSet> dataSet;
    TDataSource source;
    TRecordingLink link;
};

TEST_F(DataLinkTest, OpeningAndClosingRunTheEventsAndTellTheLinksInOrder) {
    Events log;
    link.Shared = &log;
    const auto note = [&log](std::string what) { return [&log, what](TDataSet&) { log.push_back(what); }; };
    dataSet->BeforeOpen = note("before open");
    dataSet->AfterOpen = note("after open");
    dataSet->BeforeScroll = note("before scroll");
    dataSet->AfterScroll = note("after scroll");
    dataSet->BeforeClose = note("before close");
    dataSet->AfterClose = note("after close");

    dataSet->Open();
    EXPECT_EQ(log, (Events{"before open", "active", "after open", "after scroll"}));
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(source.State(), TDataSetState::dsBrowse);
    log.clear();

    dataSet->Next();  // the link's window is one row: every move scrolls it
    EXPECT_EQ(log, (Events{"check browse", "before scroll", "scrolled 1", "after scroll"}));
    log.clear();

    dataSet->Close();
    EXPECT_EQ(log, (Events{"before close", "inactive", "after close"}));
    EXPECT_EQ(source.State(), TDataSetState::dsInactive);
}

TEST_F(DataLinkTest, ControlsHearAfterTheOtherLinks) {
    Events log;
    link.Shared = &log;
    link.Tag = "list";
    link.SetVisualControl(true);
    TRecordingLink detail;  // attached later, but not a control
    detail.Shared = &log;
    detail.Tag = "detail";
    detail.SetDataSource(&source);
    TRecordingLink control;
    control.Shared = &log;
    control.Tag = "control";
    control.SetVisualControl(true);
    control.SetDataSource(&source);
    link.NotesCheckBrowse = detail.NotesCheckBrowse = control.NotesCheckBrowse = false;
    dataSet->Open();
    EXPECT_EQ(log, (Events{"detail: active", "list: active", "control: active"}));
    log.clear();
    dataSet->Last();
    EXPECT_EQ(log, (Events{"detail: changed", "list: changed", "control: changed"}));
}

TEST_F(DataLinkTest, TheDefaultsPassChangesOnAsARecordChange) {
    // Overrides only RecordChanged: scrolls, data-set and layout changes arrive there.
    struct TRecordOnlyLink : TDataLink {
        Events events;
        void RecordChanged(TField* field) override { events.push_back(field ? field->FieldName() : "-"); }
    } recordOnly;
    recordOnly.SetDataSource(&source);
    dataSet->Open();
    dataSet->Next();
    dataSet->Last();
    dataSet->DisableControls();
    dataSet->Close();
    dataSet->Open();
    dataSet->EnableControls();  // the fields were replaced: a layout change
    EXPECT_EQ(recordOnly.events, (Events{"-", "-", "-"}));
}

TEST_F(DataLinkTest, EditingPostingAndCancellingNotifyInOrder) {
    dataSet->Open();
    link.Take();
    dataSet->Edit();
    EXPECT_EQ(link.Take(), (Events{"check browse", "editing", "record -"}));
    EXPECT_TRUE(link.Editing());
    dataSet->FieldByName("name").SetAsString("Changed");
    EXPECT_EQ(link.Take(), (Events{"record name"}));
    EXPECT_TRUE(dataSet->Modified());
    dataSet->Post();
    EXPECT_EQ(link.Take(), (Events{"update", "check browse", "not editing", "changed"}));
    EXPECT_EQ(dataSet->FieldByName("name").AsString(), "Changed");

    dataSet->Edit();
    dataSet->FieldByName("name").SetAsString("Dropped");
    link.Take();
    dataSet->Cancel();
    EXPECT_EQ(link.Take(), (Events{"check browse", "not editing", "changed"}));
    EXPECT_EQ(dataSet->FieldByName("name").AsString(), "Changed");
}

TEST_F(DataLinkTest, MovingWhileEditingPostsAModifiedRecord) {
    dataSet->Open();
    dataSet->Edit();
    dataSet->FieldByName("name").SetAsString("Kept");
    dataSet->Next();
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    dataSet->Prior();
    EXPECT_EQ(dataSet->FieldByName("name").AsString(), "Kept");
}

TEST_F(DataLinkTest, DisabledControlsHearNothingUntilOneChangeWhenEnabledAgain) {
    link.SetBufferCount(17);
    dataSet->Open();
    link.Take();
    dataSet->DisableControls();
    dataSet->DisableControls();
    EXPECT_TRUE(dataSet->ControlsDisabled());
    dataSet->MoveBy(30);
    dataSet->Locate("id", 70, {});
    dataSet->Last();
    dataSet->EnableControls();
    EXPECT_TRUE(link.Take().empty());  // still disabled once
    dataSet->EnableControls();
    EXPECT_FALSE(dataSet->ControlsDisabled());
    EXPECT_EQ(link.Take(), (Events{"changed"}));
    EXPECT_EQ(link.ActiveRecord(), 16);
    EXPECT_EQ(link.WindowIds(), Ids(84, 100));
    dataSet->EnableControls();  // unbalanced: ignored
    EXPECT_TRUE(link.Take().empty());
}

TEST_F(DataLinkTest, StateChangesWhileDisabledAreToldWhenEnabled) {
    dataSet->DisableControls();
    dataSet->Open();
    EXPECT_TRUE(link.Take().empty());
    EXPECT_FALSE(link.Active());
    dataSet->EnableControls();
    EXPECT_EQ(link.Take(), (Events{"active"}));  // it was closed when disabled: no data change

    dataSet->DisableControls();
    dataSet->Edit();
    dataSet->EnableControls();
    EXPECT_EQ(link.Take(), (Events{"editing", "changed"}));
    dataSet->Cancel();
    link.Take();

    dataSet->DisableControls();
    dataSet->Close();
    dataSet->EnableControls();
    EXPECT_EQ(link.Take(), (Events{"inactive"}));

    dataSet->Open();
    link.Take();
    dataSet->DisableControls();
    dataSet->Close();
    dataSet->Open();
    dataSet->EnableControls();
    EXPECT_EQ(link.Take(), (Events{"layout"}));
}

TEST_F(DataLinkTest, TemporaryStatesAreNotToldToTheLinks) {
    dataSet->Open();
    link.Take();
    const TDataSetState previous = dataSet->SetTempState(TDataSetState::dsFilter);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsFilter);
    dataSet->FieldByName("name").SetAsString("Search");  // writes in filter state notify nobody
    dataSet->RestoreState(previous);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_TRUE(link.Take().empty());
    EXPECT_FALSE(dataSet->ControlsDisabled());
}

TEST_F(DataLinkTest, TheDataSetsWindowIsAsLargeAsTheLargestLinkAsks) {
    TRecordingLink small;
    small.SetDataSource(&source);
    small.SetBufferCount(5);
    link.SetBufferCount(17);
    link.NotesCheckBrowse = small.NotesCheckBrowse = false;
    dataSet->Open();
    EXPECT_EQ(link.RecordCount(), 17);
    EXPECT_EQ(small.RecordCount(), 5);
    EXPECT_EQ(small.WindowIds(), Ids(1, 5));
    link.Take();
    small.Take();

    // The small window follows the current record inside the large one.
    dataSet->MoveBy(6);
    EXPECT_EQ(link.Take(), (Events{"scrolled 0"}));
    EXPECT_EQ(small.Take(), (Events{"scrolled 2"}));
    EXPECT_EQ(small.ActiveRecord(), 4);
    EXPECT_EQ(small.WindowIds(), Ids(3, 7));
    dataSet->Prior();
    EXPECT_EQ(link.Take(), (Events{"scrolled 0"}));
    EXPECT_EQ(small.Take(), (Events{"scrolled 0"}));
    EXPECT_EQ(small.ActiveRecord(), 3);

    // When the large window scrolls, the small one moves by as many records as it really moved.
    dataSet->MoveBy(15);  // 11 rows inside, then 4 records on: window 5..21, current 21
    EXPECT_EQ(link.Take(), (Events{"scrolled 4"}));
    EXPECT_EQ(small.Take(), (Events{"scrolled 14"}));
    EXPECT_EQ(small.WindowIds(), Ids(17, 21));
    EXPECT_EQ(small.ActiveRecord(), 4);

    // Without the large link the window shrinks to 5 rows around the current record...
    link.SetDataSource(nullptr);
    EXPECT_EQ(small.Take(), (Events{"changed"}));
    EXPECT_EQ(small.WindowIds(), Ids(17, 21));
    EXPECT_EQ(dataSet->FieldByName("id").AsInteger(), 21);

    // ...and grows again, forwards first, when a link asks for more rows.
    small.SetBufferCount(17);
    EXPECT_EQ(small.Take(), (Events{"changed"}));
    EXPECT_EQ(small.WindowIds(), Ids(17, 33));
    EXPECT_EQ(small.ActiveRecord(), 4);
    dataSet->Last();
    small.SetBufferCount(5);
    EXPECT_EQ(small.WindowIds(), Ids(96, 100));
    small.SetBufferCount(17);  // no records after: it fills from before
    EXPECT_EQ(small.WindowIds(), Ids(84, 100));
    EXPECT_EQ(small.ActiveRecord(), 16);
}

TEST_F(DataLinkTest, PointingAtARowReadsThatRowsRecordWithoutMoving) {
    link.SetBufferCount(17);
    dataSet->Open();
    dataSet->MoveBy(3);
    link.Take();
    link.SetActiveRecord(10);
    EXPECT_EQ(dataSet->FieldByName("id").AsInteger(), 11);
    EXPECT_EQ(dataSet->FieldByName("name").AsString(), "Name11");
    link.SetActiveRecord(3);
    EXPECT_TRUE(link.Take().empty());
    dataSet->Next();
    EXPECT_EQ(dataSet->FieldByName("id").AsInteger(), 5);

    EXPECT_EQ(RaisedMessage([&] { link.SetActiveRecord(17); }),
              "Zeile 17 liegt au\xDF"
              "erhalb des Datensatzfensters");
    EXPECT_THROW(link.SetActiveRecord(-1), EDatabaseError);
}

TEST_F(DataLinkTest, LinksMoveTheDataSet) {
    dataSet->Open();
    EXPECT_EQ(link.MoveBy(7), 7);
    EXPECT_EQ(dataSet->FieldByName("id").AsInteger(), 8);
    TRecordingLink unbound;
    EXPECT_EQ(unbound.MoveBy(3), 0);
    EXPECT_EQ(unbound.DataSet(), nullptr);
}

TEST_F(DataLinkTest, AReadOnlyLinkNeitherEditsNorCountsAsEditing) {
    dataSet->Open();
    link.SetReadOnly(true);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    link.SetReadOnly(false);
    link.Take();
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_EQ(link.Take(), (Events{"check browse", "editing", "record -"}));
    link.SetReadOnly(true);
    EXPECT_EQ(link.Take(), (Events{"not editing"}));
}

TEST_F(DataLinkTest, FocusGoesToTheFirstLinkThatTakesIt) {
    TRecordingLink second;
    second.SetDataSource(&source);
    dataSet->Open();
    link.Take();
    link.TakesFocus = false;
    dataSet->FieldByName("name").FocusControl();
    EXPECT_EQ(link.Take(), (Events{"focus name"}));
    EXPECT_EQ(second.Take(), (Events{"active", "focus name"}));
    link.TakesFocus = true;
    dataSet->FieldByName("id").FocusControl();
    EXPECT_EQ(link.Take(), (Events{"focus id"}));
    EXPECT_TRUE(second.Take().empty());
}

TEST_F(DataLinkTest, ADisabledDataSourceMakesItsLinksInactive) {
    dataSet->Open();
    link.Take();
    source.SetEnabled(false);
    EXPECT_EQ(source.State(), TDataSetState::dsInactive);
    EXPECT_EQ(link.Take(), (Events{"inactive"}));
    dataSet->MoveBy(5);
    EXPECT_TRUE(link.Take().empty());
    source.SetEnabled(true);
    EXPECT_EQ(link.Take(), (Events{"active"}));
    EXPECT_EQ(link.WindowIds(), Ids(6, 6));
}

TEST_F(DataLinkTest, SwitchingADataSourcesDataSetMovesItsLinks) {
    auto other = MakeNumbered(3);
    other->Open();
    dataSet->Open();
    link.SetBufferCount(10);
    link.Take();
    source.SetDataSet(other.get());
    EXPECT_EQ(link.Take(), (Events{"inactive", "active"}));
    EXPECT_EQ(link.RecordCount(), 3);
    EXPECT_EQ(link.DataSet(), other.get());
    source.SetDataSet(nullptr);
    EXPECT_EQ(link.Take(), (Events{"inactive"}));
}

TEST_F(DataLinkTest, DestroyingTheDataSourceOrTheDataSetLeavesTheLinkInactive) {
    auto ownSource = std::make_unique<TDataSource>();
    ownSource->SetDataSet(dataSet.get());
    TRecordingLink other;
    other.SetDataSource(ownSource.get());
    other.SetBufferCount(30);
    dataSet->Open();
    EXPECT_EQ(other.RecordCount(), 30);
    other.Take();
    ownSource.reset();
    EXPECT_EQ(other.Take(), (Events{"inactive"}));
    EXPECT_EQ(other.DataSource(), nullptr);
    EXPECT_EQ(link.RecordCount(), 1);  // the dataset's window is back to one row

    link.Take();
    dataSet.reset();
    EXPECT_EQ(link.Take(), (Events{"inactive"}));
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(link.DataSet(), nullptr);
}

// A dataset that follows a master data source.
class TDetailDataSet : public TMemoryDataSet {
public:
    using TMemoryDataSet::TMemoryDataSet;
    TDataSource* MasterSource = nullptr;
    TDataSource* GetDataSource() const override { return MasterSource; }
};

TEST_F(DataLinkTest, ADataSourceRefusesADataSetWhoseMastersLeadBackToIt) {
    TDetailDataSet detail(nullptr, {{"id", TFieldType::ftInteger}});
    TDetailDataSet third(nullptr, {{"id", TFieldType::ftInteger}});
    TDataSource detailSource;
    detailSource.SetName("dsDetail");
    detailSource.SetDataSet(&detail);
    detail.MasterSource = &source;  // detail follows numbers
    third.MasterSource = &detailSource;

    // Walking from a data source along datasets and their masters.
    EXPECT_TRUE(detail.IsLinkedTo(&detailSource));
    EXPECT_TRUE(dataSet->IsLinkedTo(&detailSource));  // dsDetail -> detail -> numbers
    EXPECT_FALSE(detail.IsLinkedTo(&source));
    EXPECT_FALSE(third.IsLinkedTo(&detailSource));

    // dsDetail over third would close the circle third -> dsDetail -> third.
    EXPECT_EQ(RaisedMessage([&] { detailSource.SetDataSet(&third); }),
              "dsDetail: Zirkul\xE4"
              "re Datenverbindungen sind nicht erlaubt");
    EXPECT_EQ(detailSource.DataSet(), &detail);

    // While loading the value is taken as declared.
    detailSource.BeginLoading();
    detailSource.SetDataSet(&third);
    EXPECT_EQ(detailSource.DataSet(), &third);
    detailSource.EndLoading();
    detailSource.SetDataSet(nullptr);
}

}  // namespace
}  // namespace kartei::fwtest
