#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "engine/files/EngineMemory.h"
#include "engine/files/FileTestSupport.h"

namespace kartei {
namespace {

using testing::Raised;

bool AllZero(const uint8_t* data, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        if (data[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST(EngineBuffer, GrowsInWholeStepsOnlyWhenItMust) {
    TEngineBuffer buffer(510);
    EXPECT_EQ(buffer.Capacity(), 0u);
    buffer.Reserve(1);
    EXPECT_EQ(buffer.Capacity(), 510u);
    const uint8_t* first = buffer.Data();
    buffer.Reserve(510);  // fits: no reallocation
    EXPECT_EQ(buffer.Capacity(), 510u);
    EXPECT_EQ(buffer.Data(), first);
    buffer.Reserve(511);
    EXPECT_EQ(buffer.Capacity(), 1020u);
    buffer.Reserve(100);  // never shrinks
    EXPECT_EQ(buffer.Capacity(), 1020u);
    buffer.Reserve(65535);
    EXPECT_EQ(buffer.Capacity(), 65790u);  // 129 steps of 510
}

TEST(EngineBuffer, NewBytesAreZeroAndContentsSurviveGrowth) {
    TEngineBuffer buffer(16);
    buffer.Reserve(10);
    EXPECT_TRUE(AllZero(buffer.Data(), 0, 16));
    std::memset(buffer.Data(), 0xAB, 16);
    buffer.Reserve(40);
    EXPECT_EQ(buffer.Capacity(), 48u);
    EXPECT_EQ(buffer.Data()[0], 0xAB);
    EXPECT_EQ(buffer.Data()[15], 0xAB);
    EXPECT_TRUE(AllZero(buffer.Data(), 16, 48));
}

TEST(EngineBuffer, BytesInUseAreCounted) {
    const int64_t before = EngineMemoryInUse();
    {
        TEngineBuffer buffer(1000);
        buffer.Reserve(1500);
        EXPECT_EQ(EngineMemoryInUse() - before, 2000);
        TEngineBuffer moved(std::move(buffer));
        EXPECT_EQ(buffer.Capacity(), 0u);
        EXPECT_EQ(moved.Capacity(), 2000u);
        EXPECT_EQ(EngineMemoryInUse() - before, 2000);
        void* raw = EngineAllocate(300);
        EXPECT_EQ(EngineMemoryInUse() - before, 2300);
        raw = EngineReallocate(raw, 300, 700);
        EXPECT_TRUE(AllZero(static_cast<uint8_t*>(raw), 0, 700));
        EXPECT_EQ(EngineMemoryInUse() - before, 2700);
        EngineRelease(raw, 700);
        moved.Release();
        EXPECT_EQ(moved.Capacity(), 0u);
        EXPECT_EQ(EngineMemoryInUse() - before, 0);
    }
    EXPECT_EQ(EngineMemoryInUse(), before);
}

TEST(EngineBuffer, ASizeBeyondMemoryRaises11016) {
    TEngineBuffer buffer(1000);
    buffer.Reserve(10);
    const int64_t before = EngineMemoryInUse();
    // Rounding up to whole steps would wrap around.
    const testing::TRaised raised = Raised([&] { buffer.Reserve(std::numeric_limits<size_t>::max() - 5); });
    EXPECT_EQ(raised.Code, 11016);
    EXPECT_EQ(raised.Message,
              "Kartei Engine Error # 11016 There is insufficient operating system memory available for the "
              "current operation");
    // More than half the address space.
    EXPECT_EQ(Raised([&] { buffer.Reserve(std::numeric_limits<size_t>::max() / 2 + 1); }).Code, 11016);
    EXPECT_EQ(Raised([] { EngineAllocate(std::numeric_limits<size_t>::max() - 1000); }).Code, 11016);
    EXPECT_EQ(buffer.Capacity(), 1000u);
    EXPECT_EQ(EngineMemoryInUse(), before);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(EngineBuffer, AFailedAllocationRaises11016) {
    // Far more than any machine can give; the allocator refuses it.
    EXPECT_EQ(Raised([] { EngineAllocate(size_t{1} << 62); }).Code, 11016);
    TEngineBuffer buffer(1);
    buffer.Reserve(1);
    EXPECT_EQ(Raised([&] { buffer.Reserve(size_t{1} << 62); }).Code, 11016);
    EXPECT_EQ(buffer.Capacity(), 1u);
}
#endif

}  // namespace
}  // namespace kartei
