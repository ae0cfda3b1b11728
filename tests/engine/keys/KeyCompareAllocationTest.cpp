#include <gtest/gtest.h>

#include "KeyTestSupport.h"
#include "engine/heap/HeapCount.h"

namespace kartei {
namespace {

using namespace test;

TEST(CompareKeys, AllocatesNothing) {
    if (!testing::HeapCounted()) {
        GTEST_SKIP() << "sanitizer builds keep their own operator new";
    }
    const TKeyLayout layout = Layout({StringField(200, 9), Field(FieldType::Integer, 4, 210)},
                                     {.Unique = false, .LanguageId = 0x0407, .SortId = 1});
    const char* names[] = {"M\xFCller", "Mueller",   "Muller",  "Berlin",
                           "Bern",      "Z\xFCrich", "Zwickau", "berlin"};
    std::vector<TBytes> keys;
    for (const char* name : names) {
        keys.push_back(KeyOf(layout, TRecordImage(215).Text(9, name).Int(210, 7, 4)));
    }
    // Warm the collator up first: its one-time set-up may allocate.
    int total = CompareKeys(layout, keys[0].data(), keys[1].data(), layout.KeyLength);
    testing::StartHeapCount();
    for (int round = 0; round < 100; ++round) {
        for (const TBytes& a : keys) {
            for (const TBytes& b : keys) {
                total += CompareKeys(layout, a.data(), b.data(), layout.KeyLength);
                total += CompareKeys(layout, a.data(), b.data(), 5);
            }
        }
    }
    EXPECT_EQ(testing::StopHeapCount().Allocations, 0u);
    EXPECT_EQ(total, 0);  // the comparison is antisymmetric, so every round sums to zero
}

}  // namespace
}  // namespace kartei
