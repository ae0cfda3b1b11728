// The record cache's buffers: reuse of the least recently used record, write-back when all are dirty,
// growth under a transaction lock, trimming and discarding.
#include <gtest/gtest.h>

#include "DataFileTestSupport.h"
#include "engine/format/ExpectKarteiError.h"

namespace kartei {
namespace {

using namespace kartei::testing;

const std::string kCorrupt = "Kartei Engine Error # 8962 Data record buffers corrupt in table 'T.DAT'";

class DataFileCacheTest : public DataFileTestBase {
protected:
    void Open(TTableFile& table, int32_t records) {
        table.Write(path_, records);
        file_.Open(path_, false);
        os_.Writes.clear();
    }
    TRecord& Get(int32_t n, bool readAhead = false) {
        return *file_.Fetch(nullptr, n, TReadDirection::Forward, readAhead, false);
    }
    // Changes record n's city_id so that its image differs from the file's.
    void Change(int32_t n, int32_t cityId) {
        TRecord& record = Get(n);
        SetIntegerField(record.Image(), areaCodes_.Fields[0], cityId);
        record.MarkDirty();
        file_.Release(record);
    }

    TTableFile areaCodes_{AreaCodeFields()};
    TCountingFileSystem os_;
    TScopedOsFileSystem scoped_{os_};
    TDataFile file_{context_};
};

TEST_F(DataFileCacheTest, AFullCacheReusesTheOldestRecordThatIsNeitherDirtyNorPinned) {
    Open(areaCodes_, 4000);
    Change(1, 99);
    TRecord& pinned = Get(2);
    for (int32_t n = 3; n <= 3640; ++n) {
        file_.Release(Get(n));
    }
    ASSERT_EQ(file_.CachedRecordCount(), 3640u);
    file_.Release(Get(3641));
    EXPECT_NE(file_.PeekCached(1), nullptr);
    EXPECT_EQ(file_.PeekCached(2), &pinned);
    EXPECT_EQ(file_.PeekCached(3), nullptr);
    EXPECT_NE(file_.PeekCached(3641), nullptr);
    EXPECT_EQ(file_.CachedRecordCount(), 3640u);
    EXPECT_TRUE(os_.Writes.empty());
    // A record used again is the newest: 4 goes before 5.
    Get(4);
    file_.Release(Get(3642));
    EXPECT_NE(file_.PeekCached(4), nullptr);
    EXPECT_EQ(file_.PeekCached(5), nullptr);
}

TEST_F(DataFileCacheTest, WhenEveryRecordIsDirtyTheyAreWrittenBackInOneRunAndTheOldestReused) {
    Open(areaCodes_, 4000);
    for (int32_t n = 1; n <= 3640; ++n) {
        Change(n, 100000 + n);
    }
    TRecord& record = Get(3641);
    EXPECT_EQ(ImageOf(record), areaCodes_.Record(3641));
    EXPECT_EQ(os_.Writes, std::vector<size_t>{3640u * 36});
    EXPECT_EQ(file_.Statistics().WriteRuns, 1);
    EXPECT_TRUE(context_.Written);
    EXPECT_EQ(file_.PeekCached(1), nullptr);
    EXPECT_FALSE(file_.PeekCached(2)->Dirty());
    for (int32_t n : {1, 2, 3640}) {
        EXPECT_EQ(GetIntegerField(RecordOnDisk(path_, areaCodes_.Header, n), areaCodes_.Fields[0]),
                  100000 + n);
    }
}

TEST_F(DataFileCacheTest, UnderATransactionLockDirtyRecordsGrowTheCacheAndCleanOnesAreReusedAgain) {
    Open(areaCodes_, 8000);
    context_.InTransaction = true;
    for (int32_t n = 1; n <= 3640 + 2 * 255; ++n) {
        Change(n, 200000 + n);
    }
    // Nothing may be written under the lock: two steps of 255 more records.
    EXPECT_EQ(file_.CacheCapacity(), 3640 + 2 * 255);
    EXPECT_TRUE(os_.Writes.empty());
    context_.InTransaction = false;
    file_.WriteBack(true, false);
    EXPECT_EQ(file_.Statistics().WriteRuns, 1);
    // Written, the records are clean: reading others under the lock reuses them instead of growing.
    context_.InTransaction = true;
    for (int32_t n = 5000; n <= 7000; ++n) {
        file_.Release(Get(n));
    }
    EXPECT_EQ(file_.CacheCapacity(), 3640 + 2 * 255);
    EXPECT_EQ(file_.CachedRecordCount(), 3640u + 2 * 255);
    EXPECT_EQ(file_.PeekCached(1), nullptr);
}

TEST_F(DataFileCacheTest, ADirtyRecordInsideTheBlockBeingReadIsNotWrittenUnderIt) {
    Open(areaCodes_, 4000);
    Change(3700, 5);
    for (int32_t n = 1; n <= 3639; ++n) {
        Change(n, 7);
    }
    // The block 3641..4000 needs buffers: records 1..3639 are written, 3700 keeps its change.
    TRecord& record = Get(3641, true);
    EXPECT_EQ(ImageOf(record), areaCodes_.Record(3641));
    EXPECT_EQ(os_.Writes, std::vector<size_t>{3639u * 36});
    const TRecord* kept = file_.PeekCached(3700);
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(kept->Dirty());
    EXPECT_EQ(GetIntegerField(kept->Image(), areaCodes_.Fields[0]), 5);
    EXPECT_EQ(RecordOnDisk(path_, areaCodes_.Header, 3700), areaCodes_.Record(3700));

    file_.WriteBack(false);
    EXPECT_EQ(os_.Writes.back(), 36u);
    EXPECT_EQ(GetIntegerField(RecordOnDisk(path_, areaCodes_.Header, 3700), areaCodes_.Fields[0]), 5);
}

TEST_F(DataFileCacheTest, WithAllRecordsPinnedTheCacheGrowsUnderATransactionLockAndFailsOutsideOne) {
    TTableFile counter(CounterFields());
    Open(counter, 8300);
    ASSERT_EQ(file_.CacheCapacity(), 8191);
    ASSERT_EQ(file_.ReadAheadSize(), 7281);  // 65535 / 9
    for (int32_t n = 1; n <= 8191; ++n) {
        ASSERT_EQ(Get(n).RecordNumber(), n);
    }
    EXPECT_EQ(file_.CachedRecordCount(), 8191u);
    ExpectKarteiError([&] { Get(8192); }, 8962, kCorrupt);
    EXPECT_EQ(file_.CacheCapacity(), 8191);
    EXPECT_TRUE(os_.Writes.empty());

    context_.InTransaction = true;
    TRecord& record = Get(8192);
    EXPECT_EQ(record.RecordNumber(), 8192);
    EXPECT_EQ(ImageOf(record), counter.Record(8192));
    EXPECT_EQ(file_.CacheCapacity(), 8191 + 255);
    EXPECT_EQ(file_.CachedRecordCount(), 8192u);
    Get(8193);
    EXPECT_EQ(file_.CacheCapacity(), 8446);
}

TEST_F(DataFileCacheTest, TrimmingCutsTheCacheBackToItsCapacityFromTheHighestNumbers) {
    Open(areaCodes_, 4000);
    context_.InTransaction = true;
    std::vector<TRecord*> records;
    for (int32_t n = 1; n <= 3642; ++n) {
        records.push_back(&Get(n));
    }
    EXPECT_EQ(file_.CacheCapacity(), 3640 + 255);
    for (int32_t n = 1; n <= 3641; ++n) {
        file_.Release(*records[n - 1]);
    }
    context_.InTransaction = false;
    file_.WriteBack(false);
    file_.TrimCache();
    EXPECT_EQ(file_.CacheCapacity(), 3640);
    EXPECT_EQ(file_.CachedRecordCount(), 3640u);
    EXPECT_NE(file_.PeekCached(3642), nullptr);  // still pinned
    EXPECT_EQ(file_.PeekCached(3641), nullptr);
    EXPECT_EQ(file_.PeekCached(3640), nullptr);
    EXPECT_NE(file_.PeekCached(3639), nullptr);
    EXPECT_TRUE(os_.Writes.empty());
}

TEST_F(DataFileCacheTest, DiscardingKeepsAPinnedRecordAliveUntilItIsReleased) {
    Open(areaCodes_, 20);
    TRecord& pinned = Get(1);
    file_.Release(Get(2));
    Change(3, 42);
    file_.DiscardCache();
    EXPECT_EQ(file_.CachedRecordCount(), 0u);
    EXPECT_FALSE(pinned.Cached());
    EXPECT_EQ(pinned.PinCount(), 1);
    EXPECT_EQ(ImageOf(pinned), areaCodes_.Record(1));
    // The unwritten change is gone with the cache.
    EXPECT_EQ(ImageOf(Get(3)), areaCodes_.Record(3));
    file_.WriteBack(false);
    EXPECT_TRUE(os_.Writes.empty());

    // Released, the record goes back to the pool and serves the next new buffer.
    file_.Release(pinned);
    TRecord& next = Get(4);
    EXPECT_EQ(&next, &pinned);
    EXPECT_EQ(ImageOf(next), areaCodes_.Record(4));
    EXPECT_TRUE(next.Cached());
}

}  // namespace
}  // namespace kartei
