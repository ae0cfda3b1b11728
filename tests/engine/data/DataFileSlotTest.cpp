// New record slots and deletes through the free list.
#include <gtest/gtest.h>

#include "DataFileTestSupport.h"
#include "engine/format/ExpectKarteiError.h"

namespace kartei {
namespace {

using namespace kartei::testing;

class DataFileSlotTest : public DataFileTestBase {
protected:
    void SetUp() override {
        table_.Write(path_, 8);
        file_.Open(path_, false);
    }
    void DeleteRecord(int32_t n) {
        TRecord& record = *file_.Fetch(nullptr, n, TReadDirection::Forward, false, false);
        file_.Delete(record);
        EXPECT_TRUE(record.Dirty());
        file_.Release(record);
    }

    TTableFile table_{AreaCodeFields()};
    TDataFile file_{context_};
};

TEST_F(DataFileSlotTest, DeletedSlotsAreReusedLastDeletedFirstThenTheTableGrows) {
    DeleteRecord(3);
    DeleteRecord(7);
    EXPECT_EQ(file_.Header().FreeListHead, 7);
    EXPECT_TRUE(file_.HeaderPending());
    file_.WriteBack(false);
    const std::vector<uint8_t> seven = RecordOnDisk(path_, table_.Header, 7);
    const std::vector<uint8_t> three = RecordOnDisk(path_, table_.Header, 3);
    EXPECT_EQ(RecordStatus(seven), kRecordDeleted);
    EXPECT_EQ(RecordLink(seven), 3);
    EXPECT_EQ(RecordStatus(three), kRecordDeleted);
    EXPECT_EQ(RecordLink(three), 0);
    EXPECT_EQ(HeaderOnDisk(path_).FreeListHead, 7);

    TRecord& first = file_.NewRecordSlot();
    EXPECT_EQ(first.RecordNumber(), 7);
    EXPECT_EQ(first.PinCount(), 1);
    EXPECT_EQ(file_.Header().FreeListHead, 3);
    TRecord& second = file_.NewRecordSlot();
    EXPECT_EQ(second.RecordNumber(), 3);
    EXPECT_EQ(file_.Header().FreeListHead, 0);
    TRecord& third = file_.NewRecordSlot();
    EXPECT_EQ(third.RecordNumber(), 9);
    EXPECT_EQ(file_.Header().NextRecordNumber, 10);
    EXPECT_EQ(file_.Header().FreeListHead, 0);
    EXPECT_TRUE(file_.HeaderPending());
}

TEST_F(DataFileSlotTest, WithoutPrimaryKeyFieldsNewRecordsAlwaysAppend) {
    file_.SetPrimaryIndexHasNoKeyFields(true);
    DeleteRecord(3);
    EXPECT_EQ(file_.Header().FreeListHead, 3);
    EXPECT_EQ(RecordLink(file_.PeekCached(3)->Image()), 0);
    TRecord& slot = file_.NewRecordSlot();
    EXPECT_EQ(slot.RecordNumber(), 9);
    EXPECT_EQ(file_.Header().FreeListHead, 0);
}

TEST_F(DataFileSlotTest, AFreeListHeadThatIsALiveRecordIsNotReused) {
    file_.Close();
    table_.Header.FreeListHead = 4;
    table_.Write(path_, 8);
    file_.Open(path_, false);
    ExpectKarteiError([&] { file_.NewRecordSlot(); }, 8962,
                      "Kartei Engine Error # 8962 Data record buffers corrupt in table 'T.DAT'");
    EXPECT_EQ(file_.PeekCached(4)->PinCount(), 0);
    EXPECT_EQ(file_.Header().FreeListHead, 4);
    EXPECT_EQ(RecordStatus(file_.PeekCached(4)->Image()), kRecordLive);
}

}  // namespace
}  // namespace kartei
