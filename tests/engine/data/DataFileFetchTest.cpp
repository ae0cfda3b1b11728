// Fetching records by number: read-ahead blocks, cache hits, appends, limits and the short-read rule.
#include <gtest/gtest.h>

#include <cerrno>

#include "DataFileTestSupport.h"
#include "engine/format/ExpectKarteiError.h"

namespace kartei {
namespace {

using namespace kartei::testing;

const std::string kCorrupt = "Kartei Engine Error # 8962 Data record buffers corrupt in table 'T.DAT'";
const std::string kFull =
    "Kartei Engine Error # 9479 The table 'T.DAT' is full and cannot contain any more data";

class DataFileFetchTest : public DataFileTestBase {
protected:
    // An area-code table of `records` records, opened through a counting system.
    void OpenAreaCodes(int32_t records) {
        table_.Write(path_, records);
        file_.Open(path_, false);
        os_.ReadsAsked.clear();
        os_.ReadsDone.clear();
    }
    std::string ReadErrorText() const {
        return "Kartei Engine Error # 9217 Error reading from table '" + path_ + "'";
    }

    TTableFile table_{AreaCodeFields()};
    TCountingFileSystem os_;
    TScopedOsFileSystem scoped_{os_};
    TDataFile file_{context_};
    TTestCursor cursor_;
};

TEST_F(DataFileFetchTest, ForwardReadingTakesOneBlockOf1820RecordsPer1820Records) {
    OpenAreaCodes(4000);
    ASSERT_EQ(file_.RecordSize(), 36);
    EXPECT_EQ(file_.ReadAheadSize(), 1820);  // 65535 / 36
    EXPECT_EQ(file_.CacheCapacity(), 3640);  // 131070 / 36
    for (int32_t n = 1; n <= 4000; ++n) {
        TRecord* record = file_.Fetch(&cursor_, n, TReadDirection::Forward, true, false);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(record->RecordNumber(), n);
        ASSERT_EQ(ImageOf(*record), table_.Record(n)) << n;
        EXPECT_EQ(record->PinCount(), 1);
        file_.Release(*record);
        if (n == 1820) {
            EXPECT_EQ(os_.ReadsAsked.size(), 1u);
        }
        if (n == 1821) {
            EXPECT_EQ(os_.ReadsAsked.size(), 2u);
        }
    }
    // Records 1..1820, 1821..3640 and the last 360: one read each, one change check per miss.
    EXPECT_EQ(os_.ReadsAsked, (std::vector<size_t>{65520, 65520, 360 * 36}));
    EXPECT_EQ(os_.ReadsDone, os_.ReadsAsked);
    EXPECT_EQ(cursor_.ChangeChecks, 3);
    EXPECT_EQ(file_.Statistics().BlockReadsStarted, 3);
    EXPECT_EQ(file_.Statistics().BlockReadsFinished, 3);
    EXPECT_EQ(file_.Statistics().RecordsHandedOut, 4000);
    EXPECT_EQ(file_.CachedRecordCount(), 3640u);
    // The oldest records made room for the last block.
    EXPECT_EQ(file_.PeekCached(360), nullptr);
    EXPECT_NE(file_.PeekCached(361), nullptr);
}

TEST_F(DataFileFetchTest, ACursorPassingThroughUsesTheOldEndOfTheCache) {
    OpenAreaCodes(4000);
    ASSERT_EQ(file_.CacheCapacity(), 3640);
    cursor_.ReadAhead = 1820;
    const auto fetch = [&](int32_t n) {
        TRecord* record = file_.Fetch(&cursor_, n, TReadDirection::Forward, true, true);
        ASSERT_NE(record, nullptr);
        file_.Release(*record);
    };
    for (int32_t n = 1; n <= 1820; ++n) {
        fetch(n);
    }
    // Blocks read for a cursor passing through join the old end, the farthest record last: the next
    // block takes its buffers from them, the farthest first, and what was cached before stays.
    cursor_.Passing = true;
    for (int32_t n = 1821; n <= 4000; ++n) {
        fetch(n);
    }
    EXPECT_EQ(file_.CachedRecordCount(), 3640u);
    EXPECT_NE(file_.PeekCached(1), nullptr);
    EXPECT_NE(file_.PeekCached(1820), nullptr);
    EXPECT_NE(file_.PeekCached(3280), nullptr);
    EXPECT_EQ(file_.PeekCached(3281), nullptr);
    EXPECT_EQ(file_.PeekCached(3640), nullptr);
    EXPECT_NE(file_.PeekCached(4000), nullptr);

    // A record it finds stays where it is: the oldest is still the first to go.
    cursor_.ReadAhead = 1;
    fetch(4000);
    cursor_.Passing = false;
    fetch(3281);
    EXPECT_EQ(file_.PeekCached(4000), nullptr);
    EXPECT_NE(file_.PeekCached(3999), nullptr);
}

TEST_F(DataFileFetchTest, FetchingARecordAgainReadsNothing) {
    OpenAreaCodes(50);
    TRecord* first = file_.Fetch(&cursor_, 17, TReadDirection::Forward, false, false);
    EXPECT_EQ(os_.ReadsAsked, std::vector<size_t>{36});
    TRecord* second = file_.Fetch(&cursor_, 17, TReadDirection::Forward, false, false);
    EXPECT_EQ(second, first);
    EXPECT_EQ(os_.ReadsAsked.size(), 1u);
    EXPECT_EQ(cursor_.ChangeChecks, 1);  // a hit asks nothing
    EXPECT_EQ(first->PinCount(), 2);
    file_.Release(*first);
    file_.Release(*first);
    EXPECT_EQ(first->PinCount(), 0);
    file_.Release(*first);  // an unpinned record stays unpinned
    EXPECT_EQ(first->PinCount(), 0);
    EXPECT_EQ(file_.Statistics().RecordsHandedOut, 2);

    // Found again after other records came in between (MRU probe or search alike).
    for (int32_t n = 1; n <= 10; ++n) {
        file_.Release(*file_.Fetch(nullptr, n, TReadDirection::Forward, false, false));
    }
    const size_t reads = os_.ReadsAsked.size();
    EXPECT_EQ(file_.Fetch(nullptr, 17, TReadDirection::Forward, false, false), first);
    EXPECT_EQ(file_.Fetch(nullptr, 9, TReadDirection::Forward, false, false)->RecordNumber(), 9);
    EXPECT_EQ(os_.ReadsAsked.size(), reads);
}

TEST_F(DataFileFetchTest, BackwardBlocksEndWithTheRecordAndStopAtTheFirst) {
    OpenAreaCodes(4000);
    TRecord* record = file_.Fetch(nullptr, 3000, TReadDirection::Backward, true, false);
    EXPECT_EQ(ImageOf(*record), table_.Record(3000));
    EXPECT_EQ(os_.ReadsAsked, std::vector<size_t>{65520});
    EXPECT_EQ(file_.PeekCached(1180), nullptr);
    EXPECT_NE(file_.PeekCached(1181), nullptr);  // 3000 - 1820 + 1
    EXPECT_EQ(file_.PeekCached(3001), nullptr);
    EXPECT_EQ(ImageOf(*file_.PeekCached(1181)), table_.Record(1181));

    // Near the start the block holds records 1..10 only.
    file_.Fetch(nullptr, 10, TReadDirection::Backward, true, false);
    EXPECT_EQ(os_.ReadsAsked.back(), 360u);
    for (int32_t n = 1; n <= 10; ++n) {
        ASSERT_NE(file_.PeekCached(n), nullptr) << n;
        EXPECT_EQ(ImageOf(*file_.PeekCached(n)), table_.Record(n));
    }
    EXPECT_EQ(file_.PeekCached(11), nullptr);
}

TEST_F(DataFileFetchTest, ReadAheadIsBoundedByTheTableEndAndByTheCursorsCount) {
    OpenAreaCodes(4000);
    file_.Fetch(nullptr, 3990, TReadDirection::Forward, true, false);
    EXPECT_EQ(os_.ReadsAsked.back(), 11u * 36);  // 3990..4000

    cursor_.ReadAhead = 5;
    file_.Fetch(&cursor_, 100, TReadDirection::Forward, true, true);
    EXPECT_EQ(os_.ReadsAsked.back(), 5u * 36);
    EXPECT_NE(file_.PeekCached(104), nullptr);
    EXPECT_EQ(file_.PeekCached(105), nullptr);
    file_.Fetch(&cursor_, 300, TReadDirection::Backward, true, true);
    EXPECT_NE(file_.PeekCached(296), nullptr);
    EXPECT_EQ(file_.PeekCached(295), nullptr);
    EXPECT_EQ(cursor_.ReadAheadQuestions, 2);

    cursor_.ReadAhead = 0;  // at least one record
    file_.Fetch(&cursor_, 500, TReadDirection::Forward, true, true);
    EXPECT_EQ(os_.ReadsAsked.back(), 36u);
    cursor_.ReadAhead = 100000;  // at most the read-ahead size
    file_.Fetch(&cursor_, 1000, TReadDirection::Forward, true, true);
    EXPECT_EQ(os_.ReadsAsked.back(), 65520u);

    // The cursor is not asked when read-ahead is not wanted.
    file_.Fetch(&cursor_, 3000, TReadDirection::Forward, false, true);
    EXPECT_EQ(os_.ReadsAsked.back(), 36u);
    EXPECT_EQ(cursor_.ReadAheadQuestions, 4);
}

TEST_F(DataFileFetchTest, AMissFirstAsksTheCursorForChangesUnlessDetectionIsStrict) {
    OpenAreaCodes(20);
    cursor_.ReportChange = true;
    EXPECT_EQ(file_.Fetch(&cursor_, 5, TReadDirection::Forward, true, false), nullptr);
    EXPECT_TRUE(os_.ReadsAsked.empty());
    EXPECT_EQ(file_.CachedRecordCount(), 0u);
    EXPECT_EQ(file_.Statistics().BlockReadsStarted, 0);
    EXPECT_EQ(file_.Statistics().RecordsHandedOut, 0);

    context_.Strict = true;
    TRecord* record = file_.Fetch(&cursor_, 5, TReadDirection::Forward, false, false);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->RecordNumber(), 5);
    EXPECT_EQ(cursor_.ChangeChecks, 1);
}

TEST_F(DataFileFetchTest, ARecordThatCannotExistIsCorruptBuffers) {
    OpenAreaCodes(20);
    ExpectKarteiError([&] { file_.Fetch(nullptr, 0, TReadDirection::Forward, false, false); }, 8962,
                      kCorrupt);
    ExpectKarteiError([&] { file_.Fetch(nullptr, -3, TReadDirection::Forward, false, false); }, 8962,
                      kCorrupt);
    ExpectKarteiError([&] { file_.Fetch(nullptr, 22, TReadDirection::Forward, false, false); }, 8962,
                      kCorrupt);
    EXPECT_TRUE(os_.ReadsAsked.empty());
}

TEST_F(DataFileFetchTest, TheRecordAfterTheLastIsANewSlot) {
    OpenAreaCodes(5);
    TRecord* record = file_.Fetch(&cursor_, 6, TReadDirection::Forward, true, false);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->RecordNumber(), 6);
    EXPECT_EQ(record->PinCount(), 1);
    EXPECT_EQ(ImageOf(*record), std::vector<uint8_t>(36, 0));
    EXPECT_EQ(file_.Header().NextRecordNumber, 7);
    EXPECT_TRUE(file_.HeaderPending());
    EXPECT_TRUE(os_.ReadsAsked.empty());
    EXPECT_EQ(cursor_.ChangeChecks, 0);
    EXPECT_EQ(file_.Statistics().RecordsHandedOut, 1);
    // The file is untouched until the write-back.
    EXPECT_EQ(HeaderOnDisk(path_).NextRecordNumber, 6);
    EXPECT_EQ(file_.Fetch(nullptr, 7, TReadDirection::Forward, false, false)->RecordNumber(), 7);
    EXPECT_EQ(file_.Fetch(nullptr, 6, TReadDirection::Forward, false, false), record);
}

TEST_F(DataFileFetchTest, AppendingStopsAtTheSlotAndByteLimits) {
    // 9-byte records: 99999999 slots fit, the 100000000th does not.
    TTableFile counter(CounterFields());
    counter.Write(path_, 0, 99999999);
    file_.Open(path_, false);
    EXPECT_EQ(file_.Fetch(nullptr, 99999999, TReadDirection::Forward, false, false)->RecordNumber(),
              99999999);
    EXPECT_EQ(file_.Header().NextRecordNumber, 100000000);
    ExpectKarteiError([&] { file_.Fetch(nullptr, 100000000, TReadDirection::Forward, false, false); }, 9479,
                      kFull);
    EXPECT_EQ(file_.Header().NextRecordNumber, 100000000);
    EXPECT_EQ(file_.CachedRecordCount(), 1u);
    file_.Close();

    // 36-byte records: slot 55555556 would start beyond 2000000000 bytes of records.
    table_.Write(path_, 0, 55555555);
    file_.Open(path_, false);
    EXPECT_EQ(file_.Fetch(nullptr, 55555555, TReadDirection::Forward, false, false)->RecordNumber(),
              55555555);
    ExpectKarteiError([&] { file_.Fetch(nullptr, 55555556, TReadDirection::Forward, false, false); }, 9479,
                      kFull);
    EXPECT_EQ(file_.Header().NextRecordNumber, 55555556);
}

TEST_F(DataFileFetchTest, AShortReadCountsOnlyForATableThatWroteWhileHeldAlone) {
    // The header counts 6 slots, the file holds 4 records.
    table_.Write(path_, 4, 7);
    file_.Open(path_, false);
    ExpectKarteiError([&] { file_.Fetch(nullptr, 3, TReadDirection::Forward, true, false); }, 9217,
                      ReadErrorText());
    context_.IsExclusive = true;  // exclusive, but nothing written yet
    ExpectKarteiError([&] { file_.Fetch(nullptr, 5, TReadDirection::Forward, false, false); }, 9217,
                      ReadErrorText());
    EXPECT_EQ(file_.CachedRecordCount(), 0u);

    context_.Written = true;
    TRecord* record = file_.Fetch(nullptr, 3, TReadDirection::Forward, true, false);
    EXPECT_EQ(ImageOf(*record), table_.Record(3));
    EXPECT_NE(file_.PeekCached(4), nullptr);
    EXPECT_EQ(file_.PeekCached(5), nullptr);
    ExpectKarteiError([&] { file_.Fetch(nullptr, 5, TReadDirection::Forward, false, false); }, 8962,
                      kCorrupt);

    context_.IsExclusive = false;
    context_.InTransaction = true;
    ExpectKarteiError([&] { file_.Fetch(nullptr, 6, TReadDirection::Backward, true, false); }, 8962,
                      kCorrupt);
    EXPECT_EQ(file_.Statistics().BlockReadsFinished, 3);
}

TEST_F(DataFileFetchTest, AFailedBlockReadLeavesTheCacheAsItWas) {
    OpenAreaCodes(20);
    file_.Fetch(nullptr, 1, TReadDirection::Forward, false, false);
    os_.ReadFailure = EIO;
    try {
        file_.Fetch(nullptr, 2, TReadDirection::Forward, true, false);
        ADD_FAILURE() << "the read failed";
    } catch (const EKarteiEngineError& error) {
        EXPECT_EQ(error.ErrorCode(), 9217);
    }
    EXPECT_EQ(file_.CachedRecordCount(), 1u);
    EXPECT_EQ(file_.Statistics().BlockReadsStarted, 2);
    EXPECT_EQ(file_.Statistics().BlockReadsFinished, 1);
    os_.ReadFailure = 0;
    EXPECT_EQ(ImageOf(*file_.Fetch(nullptr, 2, TReadDirection::Forward, false, false)), table_.Record(2));
}

TEST_F(DataFileFetchTest, ALiveRecordShowsItsOwnNumberADeletedOneItsLink) {
    table_.Write(path_, 6);
    PatchFile(path_, table_.Header.RecordFileOffset(3) + 1, {77, 0, 0, 0});
    PatchFile(path_, table_.Header.RecordFileOffset(4), {1, 2, 0, 0, 0});  // deleted, link 2
    file_.Open(path_, false);
    file_.Fetch(nullptr, 1, TReadDirection::Forward, true, false);
    EXPECT_EQ(RecordLink(file_.PeekCached(3)->Image()), 3);
    EXPECT_EQ(RecordStatus(file_.PeekCached(4)->Image()), kRecordDeleted);
    EXPECT_EQ(RecordLink(file_.PeekCached(4)->Image()), 2);
}

}  // namespace
}  // namespace kartei
