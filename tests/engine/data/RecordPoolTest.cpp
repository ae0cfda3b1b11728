// The cache's building blocks: the pool of spare records, the sorted list with vacancies, the MRU chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "DataFileTestSupport.h"
#include "engine/data/MruChain.h"
#include "engine/data/RecordStack.h"
#include "engine/data/SortedRecordList.h"

namespace kartei {
namespace {

using testing::TTestContext;

class RecordPoolTest : public ::testing::Test {
protected:
    TTestContext context_;
    TDataFile file_{context_};
    TRecordStack stack_{file_};
};

TEST_F(RecordPoolTest, TakeReusesTheLastSpareClearedOrMakesANewOne) {
    TRecord& first = stack_.Take(36);
    TRecord& second = stack_.Take(36);
    EXPECT_NE(&first, &second);
    EXPECT_EQ(stack_.MadeCount(), 2u);
    EXPECT_EQ(&first.DataFile(), &file_);
    ASSERT_EQ(first.Image().size(), 36u);

    first.Image()[0] = 1;
    first.Image()[35] = 0xEE;
    first.MarkDirty();
    stack_.Return(second);
    stack_.Return(first);
    EXPECT_EQ(stack_.SpareCount(), 2u);

    // The last one returned comes back first, zeroed and clean, sized for the new image.
    TRecord& again = stack_.Take(40);
    EXPECT_EQ(&again, &first);
    EXPECT_EQ(again.Image().size(), 40u);
    EXPECT_TRUE(std::all_of(again.Image().begin(), again.Image().end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(again.Dirty());
    EXPECT_EQ(again.PinCount(), 0);
    EXPECT_EQ(&stack_.Take(36), &second);
    EXPECT_EQ(stack_.SpareCount(), 0u);
    EXPECT_EQ(stack_.MadeCount(), 2u);
    TRecord& made = stack_.Take(36);
    EXPECT_NE(&made, &first);
    EXPECT_NE(&made, &second);
    EXPECT_EQ(stack_.MadeCount(), 3u);
}

TEST_F(RecordPoolTest, SortedListFindsByNumberAndFillsVacanciesNearby) {
    std::vector<TRecord*> records;
    for (int k = 0; k < 5; ++k) {
        records.push_back(&stack_.Take(36));
    }
    TSortedRecordList list;
    list.Insert(30, *records[0]);
    list.Insert(10, *records[1]);
    list.Insert(20, *records[2]);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Find(10), records[1]);
    EXPECT_EQ(list.Find(20), records[2]);
    EXPECT_EQ(list.Find(30), records[0]);
    EXPECT_EQ(list.Find(15), nullptr);
    EXPECT_EQ(list.Find(31), nullptr);
    EXPECT_EQ(list.At(0), records[1]);

    // Removing leaves the slot: 10, (vacancy), 30.
    list.Remove(20);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.SlotCount(), 3u);
    EXPECT_EQ(list.At(1), nullptr);
    EXPECT_EQ(list.Find(20), nullptr);

    // 25 lies between 10 and 30, so it takes the vacancy; 15 must be inserted.
    list.Insert(25, *records[3]);
    EXPECT_EQ(list.SlotCount(), 3u);
    EXPECT_EQ(list.At(1), records[3]);
    list.Insert(15, *records[4]);
    EXPECT_EQ(list.SlotCount(), 4u);
    const std::vector<TRecord*> order = {list.At(0), list.At(1), list.At(2), list.At(3)};
    EXPECT_EQ(order, (std::vector<TRecord*>{records[1], records[4], records[3], records[0]}));
    EXPECT_EQ(list.Find(25), records[3]);
    EXPECT_EQ(list.Find(20), nullptr);

    // Removing a number that is not there changes nothing.
    list.Remove(99);
    list.Remove(20);
    EXPECT_EQ(list.Count(), 4u);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.SlotCount(), 0u);
}

TEST_F(RecordPoolTest, SortedListCompactsOnceVacanciesOutnumberRecords) {
    TRecord& record = stack_.Take(36);  // the list only keeps pointers
    TSortedRecordList list;
    for (int32_t n = 1; n <= 200; ++n) {
        list.Insert(n, record);
    }
    for (int32_t n = 1; n <= 150; ++n) {
        list.Remove(n);
    }
    EXPECT_EQ(list.SlotCount(), 200u);
    EXPECT_EQ(list.Count(), 50u);
    // 150 vacancies against 50 records: the next insert drops them.
    list.Insert(201, record);
    EXPECT_EQ(list.SlotCount(), 51u);
    EXPECT_EQ(list.Count(), 51u);
    for (int32_t n = 151; n <= 201; ++n) {
        EXPECT_NE(list.Find(n), nullptr) << n;
    }
    EXPECT_EQ(list.Find(150), nullptr);
}

TEST_F(RecordPoolTest, SortedListKeepsOrderWhenGrowingAtBothEndsAndInTheMiddle) {
    // Record k stands for number 10 * k: numbers added downwards, upwards and in between.
    std::vector<TRecord*> records;
    for (int k = 0; k < 300; ++k) {
        records.push_back(&stack_.Take(9));
    }
    TSortedRecordList list;
    for (int k = 150; k >= 100; --k) {
        list.Insert(10 * k, *records[k]);
    }
    for (int k = 151; k < 200; ++k) {
        list.Insert(10 * k, *records[k]);
    }
    for (int k = 99; k >= 0; --k) {
        list.Insert(10 * k, *records[k]);
    }
    for (int k = 299; k >= 200; --k) {
        list.Insert(10 * k, *records[k]);
    }
    ASSERT_EQ(list.SlotCount(), 300u);
    for (size_t slot = 0; slot < 300; ++slot) {
        ASSERT_EQ(list.At(slot), records[slot]) << slot;
    }
    TRecord& between = stack_.Take(9);
    list.Insert(1235, between);
    EXPECT_EQ(list.At(123), records[123]);
    EXPECT_EQ(list.At(124), &between);
    EXPECT_EQ(list.At(125), records[124]);
    EXPECT_EQ(list.At(300), records[299]);
    for (int k = 0; k < 300; ++k) {
        ASSERT_EQ(list.Find(10 * k), records[k]) << k;
    }
    EXPECT_EQ(list.Find(1235), &between);
    EXPECT_EQ(list.Find(1236), nullptr);
}

TEST_F(RecordPoolTest, MruChainKeepsUseOrder) {
    TRecord& a = stack_.Take(36);
    TRecord& b = stack_.Take(36);
    TRecord& c = stack_.Take(36);
    TMruChain chain;
    EXPECT_EQ(chain.Newest(), nullptr);
    chain.PushFront(a);
    chain.PushFront(b);
    chain.PushFront(c);  // c b a
    EXPECT_EQ(chain.Newest(), &c);
    EXPECT_EQ(chain.Oldest(), &a);
    chain.MoveToFront(a);  // a c b
    EXPECT_EQ(chain.Newest(), &a);
    EXPECT_EQ(TMruChain::Older(a), &c);
    EXPECT_EQ(TMruChain::Older(c), &b);
    EXPECT_EQ(chain.Oldest(), &b);
    EXPECT_EQ(TMruChain::Newer(b), &c);
    chain.Remove(c);  // a b
    EXPECT_EQ(TMruChain::Older(a), &b);
    EXPECT_EQ(TMruChain::Newer(b), &a);
    chain.Remove(a);
    chain.Remove(b);
    EXPECT_EQ(chain.Newest(), nullptr);
    EXPECT_EQ(chain.Oldest(), nullptr);
}

}  // namespace
}  // namespace kartei
