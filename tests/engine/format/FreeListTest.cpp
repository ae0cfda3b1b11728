// Slot reuse, deletion, appending limits and the counters kept in the header.
#include "engine/format/FreeList.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "ExpectKarteiError.h"
#include "engine/format/AutoIncrement.h"
#include "engine/format/RecordLayout.h"

namespace kartei {
namespace {

// A table of record images kept by number, driven only through the header rules.
struct TSlots {
    TDataHeader Header;
    std::map<int32_t, std::vector<uint8_t>> Records;
    bool NoKeyFields = false;

    explicit TSlots(int32_t count) {
        Header.RecordSize = 9;
        Header.NextRecordNumber = 1;
        for (int32_t k = 0; k < count; ++k) {
            Insert();
        }
    }
    int32_t Insert() {
        const TInsertSlot slot = NextInsertSlot(Header, NoKeyFields);
        const int32_t number = slot.Reused ? slot.RecordNumber : AppendRecordSlot(Header, "T.DAT");
        EXPECT_EQ(number, slot.RecordNumber);
        std::vector<uint8_t>& record = Records[number];
        record.resize(9);
        TakeInsertSlot(Header, slot, slot.Reused ? RecordLink(record) : 0);
        SetRecordStatus(record, kRecordLive);
        SetRecordLink(record, number);
        return number;
    }
    void Delete(int32_t number) { DeleteRecordSlot(Header, Records[number], number, NoKeyFields); }
};

TEST(FreeListTest, DeletedSlotsAreReusedLastDeletedFirst) {
    TSlots table(8);
    table.Delete(3);
    table.Delete(7);
    EXPECT_EQ(table.Header.FreeListHead, 7);
    EXPECT_EQ(RecordStatus(table.Records[7]), kRecordDeleted);
    EXPECT_EQ(RecordLink(table.Records[7]), 3);
    EXPECT_EQ(RecordLink(table.Records[3]), 0);

    EXPECT_EQ(table.Insert(), 7);
    EXPECT_EQ(table.Header.FreeListHead, 3);
    EXPECT_EQ(table.Insert(), 3);
    EXPECT_EQ(table.Header.FreeListHead, 0);
    EXPECT_EQ(table.Insert(), 9);
    EXPECT_EQ(table.Header.NextRecordNumber, 10);
}

TEST(FreeListTest, WithoutPrimaryKeyFieldsEveryInsertAppends) {
    TSlots table(4);
    table.NoKeyFields = true;
    table.Delete(2);
    EXPECT_EQ(table.Header.FreeListHead, 2);
    EXPECT_EQ(RecordLink(table.Records[2]), 0);  // the next insert would append
    table.Delete(3);
    EXPECT_EQ(RecordLink(table.Records[3]), 0);
    EXPECT_EQ(table.Insert(), 5);
    EXPECT_EQ(table.Header.FreeListHead, 0);
}

TEST(FreeListTest, AppendingStopsAtTheSlotAndByteLimits) {
    TDataHeader header;
    header.RecordSize = 20;
    header.NextRecordNumber = 99999999;
    EXPECT_EQ(AppendRecordSlot(header, "Voll.DAT"), 99999999);
    const std::string full =
        "Kartei Engine Error # 9479 The table 'Voll.DAT' is full and cannot contain any more data";
    ExpectKarteiError([&] { AppendRecordSlot(header, "Voll.DAT"); }, 9479, full);
    EXPECT_EQ(header.NextRecordNumber, 100000000);

    header.RecordSize = 1000;  // 2000000 x 1000 is still allowed, one more slot is not
    header.NextRecordNumber = 2000000;
    EXPECT_EQ(AppendRecordSlot(header, "Voll.DAT"), 2000000);
    ExpectKarteiError([&] { AppendRecordSlot(header, "Voll.DAT"); }, 9479, full);
}

TEST(FreeListTest, CountersWrapAfterTheLargestInt32) {
    TDataHeader header;
    header.LastAutoIncValue = 2147483646;
    EXPECT_EQ(TakeAutoIncValue(header), 2147483647);
    EXPECT_EQ(TakeAutoIncValue(header), 1);
    header.LastBlobSequence = 2147483647;
    EXPECT_EQ(TakeBlobSequenceNumber(header), 1);
    EXPECT_EQ(header.LastBlobSequence, 1);
}

TEST(FreeListTest, ExplicitAutoIncrementValuesKeepTheCounterAboveThem) {
    TDataHeader header;
    header.LastAutoIncValue = 10;
    NoteExplicitAutoIncValue(header, 50);
    EXPECT_EQ(header.LastAutoIncValue, 50);
    NoteExplicitAutoIncValue(header, 20);  // below: the counter still moves on by one
    EXPECT_EQ(header.LastAutoIncValue, 51);
}

}  // namespace
}  // namespace kartei
