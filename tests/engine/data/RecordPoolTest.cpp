// The cache's building blocks: the pool of spare records, the map by record number, the MRU chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "DataFileTestSupport.h"
#include "engine/data/CachedRecordMap.h"
#include "engine/data/MruChain.h"
#include "engine/data/RecordStack.h"

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

TEST_F(RecordPoolTest, ShrinkEmptiesTheLeastUsedSlabsOfCleanRecordsAndFreesThem) {
    std::vector<TRecord*> made;
    for (int k = 0; k < 2000; ++k) {
        made.push_back(&stack_.Take(36));
        made.back()->Image()[35] = static_cast<uint8_t>(k);
    }
    ASSERT_EQ(stack_.MadeCount(), 2000u);
    // Records share slabs; their images never overlap.
    for (size_t k = 0; k < made.size(); ++k) {
        ASSERT_EQ(made[k]->Image()[35], static_cast<uint8_t>(k)) << k;
    }
    // Every other record spare; a changed record in each of the first 1,000 holds its slab.
    for (size_t k = 0; k < made.size(); k += 2) {
        stack_.Return(*made[k]);
    }
    for (size_t k = 1; k < 1000; k += 2) {
        made[k]->MarkDirty();
    }
    std::vector<TRecord*> left;
    const auto leave = [&left](TRecord& record) { left.push_back(&record); };
    stack_.Shrink(2000, leave);
    EXPECT_TRUE(left.empty()) << "no more made than allowed";

    stack_.Shrink(1000, leave);
    ASSERT_FALSE(left.empty());
    for (TRecord* record : left) {
        const size_t k = static_cast<size_t>(std::find(made.begin(), made.end(), record) - made.begin());
        EXPECT_GE(k, 1000u) << "a changed record held its slab";
        EXPECT_EQ(k % 2, 1u) << "a spare is not asked to leave";
    }
    // Whole slabs went, each with as many spares as records in use; not more than a slab over the bound.
    EXPECT_EQ(stack_.MadeCount(), 2 * (1000 - left.size()));
    EXPECT_LT(stack_.MadeCount(), 1300u);
    EXPECT_EQ(stack_.SpareCount(), stack_.MadeCount() / 2);
    // The spares still listed lie in slabs still held: distinct, none of the freed.
    std::vector<TRecord*> again;
    while (stack_.SpareCount() > 0) {
        again.push_back(&stack_.Take(36));
        again.back()->Image()[0] = 7;
    }
    std::sort(again.begin(), again.end());
    EXPECT_EQ(std::adjacent_find(again.begin(), again.end()), again.end());
    for (TRecord* record : again) {
        const auto at = std::find(made.begin(), made.end(), record);
        ASSERT_NE(at, made.end());
        EXPECT_EQ((at - made.begin()) % 2, 0) << "only spares are taken again";
    }

    // All spare: every slab goes; the stack starts over.
    for (TRecord* record : again) {
        stack_.Return(*record);
    }
    for (size_t k = 1; k < made.size(); k += 2) {
        if (std::find(left.begin(), left.end(), made[k]) == left.end()) {
            stack_.Return(*made[k]);
        }
    }
    ASSERT_EQ(stack_.SpareCount(), stack_.MadeCount());
    stack_.Shrink(0, leave);
    EXPECT_EQ(stack_.MadeCount(), 0u);
    EXPECT_EQ(stack_.SpareCount(), 0u);
    EXPECT_EQ(stack_.Take(36).Image().size(), 36u);
    EXPECT_EQ(stack_.MadeCount(), 1u);
}

TEST_F(RecordPoolTest, ShrinkUnmakesTheSparesAtTheEndOfTheLastSlab) {
    std::vector<TRecord*> made;
    for (int k = 0; k < 10; ++k) {
        made.push_back(&stack_.Take(36));
    }
    stack_.Return(*made[4]);
    stack_.Return(*made[9]);
    stack_.Return(*made[8]);
    stack_.Return(*made[7]);
    stack_.Shrink(0, [](TRecord&) { ADD_FAILURE() << "a few records over do not empty a slab"; });
    EXPECT_EQ(stack_.MadeCount(), 7u);
    EXPECT_EQ(stack_.SpareCount(), 1u);
    EXPECT_EQ(&stack_.Take(36), made[4]);
    // The next record is made where the first unmade one stood.
    EXPECT_EQ(&stack_.Take(36), made[7]);
    EXPECT_EQ(stack_.MadeCount(), 8u);
}

#if defined(__SANITIZE_ADDRESS__)
TEST_F(RecordPoolTest, UnderAddressSanitizerASparesImageAndTheBytesBeyondAnImageAreOffLimits) {
    TRecord& record = stack_.Take(36);
    uint8_t* image = record.Image().data();
    image[35] = 1;
    EXPECT_DEATH(image[36] = 1, "use-after-poison");
    stack_.Return(record);
    EXPECT_DEATH(image[0] = 1, "use-after-poison");
    EXPECT_EQ(&stack_.Take(36), &record);
    image[0] = 1;
}
#endif

TEST_F(RecordPoolTest, ASpareTooSmallForALargerRecordSizeIsPassedOver) {
    // Only a record size changed by another user asks for more than the records made so far hold.
    TRecord& small = stack_.Take(36);
    stack_.Return(small);
    TRecord& large = stack_.Take(300);
    EXPECT_NE(&large, &small);
    ASSERT_EQ(large.Image().size(), 300u);
    std::fill(large.Image().begin(), large.Image().end(), uint8_t{0xAB});
    EXPECT_EQ(stack_.SpareCount(), 1u);
    stack_.Return(large);
    EXPECT_EQ(&stack_.Take(300), &large);
    EXPECT_EQ(&stack_.Take(36), &small) << "still fit for the size it was made for";
}

TEST_F(RecordPoolTest, CachedRecordMapAgreesWithAModelThroughInsertsAndRemovals) {
    // Numbers in runs (blocks read), scattered and far apart, removed in an unrelated order: a removal
    // that breaks another number's probe chain shows as a lookup that fails below.
    std::vector<TRecord*> records;
    for (int k = 0; k < 64; ++k) {
        records.push_back(&stack_.Take(9));
    }
    std::map<int32_t, TRecord*> model;
    TCachedRecordMap map;
    std::mt19937 random(7);
    const auto check = [&] {
        ASSERT_EQ(map.Count(), model.size());
        for (int32_t number = 1; number <= 3000; ++number) {
            const auto it = model.find(number);
            ASSERT_EQ(map.Find(number), it == model.end() ? nullptr : it->second) << number;
        }
        for (const auto& [number, record] : model) {
            ASSERT_EQ(map.Find(number), record) << number;
        }
    };
    for (int round = 0; round < 40; ++round) {
        const int32_t first = 1 + static_cast<int32_t>(random() % 2900);
        for (int32_t number = first; number < first + 40; ++number) {
            if (!model.contains(number)) {
                TRecord* record = records[static_cast<size_t>(number) % records.size()];
                map.Insert(number, *record);
                model[number] = record;
            }
        }
        const int32_t far = 100000000 - round;
        map.Insert(far, *records[0]);
        model[far] = records[0];
        for (int removals = 0; removals < 25 && !model.empty(); ++removals) {
            auto it = model.begin();
            std::advance(it, static_cast<long>(random() % model.size()));
            map.Remove(it->first);
            model.erase(it);
        }
        map.Remove(5000);  // not there: nothing happens
        check();
    }
    map.Clear();
    model.clear();
    check();
    map.Insert(12, *records[1]);
    EXPECT_EQ(map.Find(12), records[1]);

    // Grown far beyond a standard cache (as under a long transaction) and cleared, it starts small again
    // and works as before.
    for (int32_t number = 1; number <= 20000; ++number) {
        map.Insert(number + 100, *records[2]);
    }
    EXPECT_EQ(map.Count(), 20001u);
    map.Clear();
    EXPECT_EQ(map.Count(), 0u);
    EXPECT_EQ(map.Find(12), nullptr);
    EXPECT_EQ(map.Find(5000), nullptr);
    map.Remove(5000);
    map.Insert(5000, *records[3]);
    EXPECT_EQ(map.Find(5000), records[3]);
    EXPECT_EQ(map.Find(5001), nullptr);
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
