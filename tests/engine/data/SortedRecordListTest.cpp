#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "engine/data/SortedRecordList.h"

namespace kartei {
namespace {

// The list only keeps and hands back record addresses: stand-ins at distinct addresses, each standing
// for one record number, are enough.
class SortedRecordListTest : public ::testing::Test {
protected:
    static constexpr size_t kSlots = 256;

    TRecord& Stand(int32_t number) { return *reinterpret_cast<TRecord*>(&storage_[static_cast<size_t>(number)]); }
    int32_t NumberOf(const TRecord* record) const {
        return static_cast<int32_t>(reinterpret_cast<const TStorage*>(record) - storage_.data());
    }
    // Record numbers of the list's records in slot order, vacancies left out.
    std::vector<int32_t> Numbers() const {
        std::vector<int32_t> numbers;
        for (size_t slot = 0; slot < list_.SlotCount(); ++slot) {
            if (list_.At(slot) != nullptr) {
                numbers.push_back(NumberOf(list_.At(slot)));
            }
        }
        return numbers;
    }
    void Add(int32_t number) { list_.Insert(number, Stand(number)); }

    struct alignas(TRecord) TStorage {
        std::byte Bytes[sizeof(TRecord)];
    };
    std::vector<TStorage> storage_ = std::vector<TStorage>(2001 + kSlots);
    TSortedRecordList list_;
};

TEST_F(SortedRecordListTest, AReservedBlockIsFilledInPlaceAndKeepsTheOrder) {
    for (const int32_t number : {10, 20, 30, 1000, 2000}) {
        Add(number);
    }
    list_.Reserve(100, 50);
    EXPECT_EQ(list_.Count(), 5u);
    EXPECT_EQ(list_.SlotCount(), 55u);
    const TRecord* before = list_.At(2);  // 30 stays where it is while the block fills
    for (int32_t number = 149; number >= 100; --number) {
        Add(number);
    }
    EXPECT_EQ(list_.SlotCount(), 55u);
    EXPECT_EQ(list_.At(2), before);
    std::vector<int32_t> expected{10, 20, 30};
    for (int32_t number = 100; number < 150; ++number) {
        expected.push_back(number);
    }
    expected.insert(expected.end(), {1000, 2000});
    EXPECT_EQ(Numbers(), expected);
    for (const int32_t number : expected) {
        EXPECT_NE(list_.Find(number), nullptr) << number;
    }
    EXPECT_EQ(list_.Find(99), nullptr);
}

TEST_F(SortedRecordListTest, ReservingKeepsWhatIsAlreadyInTheRange) {
    for (const int32_t number : {5, 7, 12}) {
        Add(number);
    }
    list_.Remove(7);  // a vacancy numbered 7 inside the range
    list_.Reserve(4, 10);
    EXPECT_EQ(list_.SlotCount(), 10u);  // 4 .. 13
    EXPECT_NE(list_.Find(5), nullptr);
    EXPECT_NE(list_.Find(12), nullptr);
    EXPECT_EQ(list_.Find(7), nullptr);
    Add(7);
    Add(13);
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{5, 7, 12, 13}));
    EXPECT_EQ(list_.SlotCount(), 10u);
}

}  // namespace
}  // namespace kartei
