// The record numbers kept by key hash while a new table's index entries are put off.
#include <gtest/gtest.h>

#include <vector>

#include "engine/table/KeyHashSet.h"

namespace kartei::testing {
namespace {

// Through many growths, with hashes shared by many records: a search offers every record kept under its
// hash and no other, and stops at the first the caller accepts.
TEST(KeyHashSet, OffersEveryRecordUnderItsHashThroughGrowth) {
    TKeyHashSet set;
    EXPECT_FALSE(set.Find(1, [](uint32_t) { return true; }));
    constexpr uint32_t kRecords = 20000;
    const auto hashOf = [](uint32_t record) {
        return static_cast<uint64_t>(record % 97) * 0x9E3779B97F4A7C15ull;
    };
    for (uint32_t record = 1; record <= kRecords; ++record) {
        const size_t expected = set.BytesAfterReserve();
        set.Reserve();
        // Room made is what was announced: nothing more to grow for this one.
        EXPECT_EQ(set.BytesAfterReserve(), expected);
        set.Add(hashOf(record), record);
    }
    for (const uint32_t wanted : {1u, 97u, 98u, 12345u, kRecords}) {
        std::vector<uint32_t> offered;
        EXPECT_TRUE(set.Find(hashOf(wanted), [&](uint32_t record) {
            offered.push_back(record);
            EXPECT_EQ(hashOf(record), hashOf(wanted));
            return record == wanted;
        }));
        EXPECT_EQ(offered.back(), wanted);
    }
    size_t offered = 0;
    EXPECT_FALSE(set.Find(hashOf(5), [&](uint32_t) {
        ++offered;
        return false;
    }));
    EXPECT_EQ(offered, (kRecords - 5) / 97 + 1);
    // At most three quarters full: 20,001 records fit in 32,768 slots of eight bytes.
    EXPECT_EQ(set.BytesAfterReserve(), 32768u * 8u);
}

}  // namespace
}  // namespace kartei::testing
