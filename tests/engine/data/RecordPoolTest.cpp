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
