// The blob file as a whole: its header on disk, the block cache with read-ahead and write-back in runs,
// changes by another opener, emptying, scrambling, transactions and flushing.
#include <gtest/gtest.h>

#include <cerrno>

#include "BlobTestSupport.h"
#include "engine/format/Scramble.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

using testing::BlockIn;
using testing::HeaderIn;
using testing::Pattern;

class BlobFileTest : public testing::BlobFileFixture {};

TEST_F(BlobFileTest, ANewFileIsJustTheEmptyHeader) {
    CreateBlobFile(512);
    const std::string disk = Disk();
    ASSERT_EQ(disk.size(), 512u);
    std::string expected(512, '\0');
    expected[4] = 4;      // version
    expected[10] = 0x02;  // end offset 512
    EXPECT_EQ(disk, expected);
    file.Verify();
}

TEST_F(BlobFileTest, TheHeaderIsWrittenOnlyAfterAChangeAndCountsIt) {
    CreateBlobFile(512);
    file.WriteBack(false);
    EXPECT_EQ(HeaderIn(Disk()).ChangeCount, 0);  // nothing changed, nothing written

    const TBlobReference reference = Store(Pattern(10, 1));
    EXPECT_TRUE(file.HeaderPending());
    file.WriteBack(false);
    EXPECT_FALSE(file.HeaderPending());
    TBlobHeader header = HeaderIn(Disk());
    EXPECT_EQ(header.ChangeCount, 1);
    EXPECT_EQ(header.PendingChanges, 1);
    EXPECT_EQ(header.EndOffset, 1024);

    Store(Pattern(10, 2), reference);  // rewritten in place: blocks change, the header still counts it
    file.WriteBack(false);
    header = HeaderIn(Disk());
    EXPECT_EQ(header.ChangeCount, 2);
    EXPECT_EQ(header.EndOffset, 1024);
}

TEST_F(BlobFileTest, BlocksAreReadAheadAsFarAsTheBlobNeeds) {
    CreateBlobFile(512);
    const TBlobReference ten = Store(Pattern(4940, 1));  // exactly ten blocks
    Store(Pattern(4940, 2));                             // ten more behind it
    Reopen();
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scoped(os);
    EXPECT_EQ(Load(ten), Pattern(4940, 1));
    // The first block alone (its length is not known before), then the nine the rest needs in one read.
    EXPECT_EQ(os.ReadsAsked, (std::vector<size_t>{512, 9 * 512}));
    EXPECT_EQ(Load(ten), Pattern(4940, 1));
    EXPECT_EQ(os.ReadsAsked.size(), 2u);  // cached
}

TEST_F(BlobFileTest, ReadAheadStopsAtTheEndOffset) {
    CreateBlobFile(512);
    Store(Pattern(10, 1));
    const TBlobReference last = Store(Pattern(10, 2));
    Reopen();
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scoped(os);
    EXPECT_EQ(file.ReadBlock(512, {}, 100).Used, 10);
    EXPECT_EQ(os.ReadsAsked, (std::vector<size_t>{1024}));  // two blocks up to the end offset
    EXPECT_EQ(Load(last), Pattern(10, 2));
    EXPECT_EQ(os.ReadsAsked.size(), 1u);
}

TEST_F(BlobFileTest, ReadAheadLeavesChangedBlocksAlone) {
    CreateBlobFile(512);
    Store(Pattern(10, 1));                                // 512
    const TBlobReference middle = Store(Pattern(10, 2));  // 1024
    Store(Pattern(10, 3));                                // 1536
    Reopen();
    const TBlobReference changed = Store(Pattern(10, 4), middle);  // 1024 changed in the cache only
    EXPECT_EQ(file.ReadBlock(512, {}, 3).Used, 10);                // reads 512..2047 from the file
    EXPECT_EQ(Load(changed), Pattern(10, 4));
}

TEST_F(BlobFileTest, MakingRoomDuringAReadKeepsTheChangesOfTheBlocksBeingRead) {
    CreateBlobFile(512);
    std::vector<TBlobReference> blobs;
    for (int k = 0; k < 300; ++k) {
        blobs.push_back(Store(Pattern(10, static_cast<uint8_t>(k))));
    }
    Reopen();
    for (size_t k = 1; k <= 255; ++k) {  // fills the cache with changed blocks
        blobs[k] = Store(Pattern(10, 200), blobs[k]);
    }
    // The read of blocks 0..2 needs room: the changed blocks are written back, except the two being read,
    // which must keep their changes rather than take the older bytes just read.
    EXPECT_EQ(file.ReadBlock(512, {}, 3).Used, 10);
    EXPECT_EQ(Load(blobs[1]), Pattern(10, 200));
    EXPECT_EQ(Load(blobs[2]), Pattern(10, 200));
    Reopen();
    EXPECT_EQ(Load(blobs[2]), Pattern(10, 200));
    EXPECT_EQ(Load(blobs[255]), Pattern(10, 200));
}

TEST_F(BlobFileTest, ChangedBlocksAreWrittenInRunsOfConsecutiveOffsets) {
    CreateBlobFile(512);
    std::vector<TBlobReference> blobs;
    for (uint8_t k = 0; k < 5; ++k) {
        blobs.push_back(Store(Pattern(100, k)));
    }
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scoped(os);
    file.WriteBack(false);
    EXPECT_EQ(os.Writes, (std::vector<size_t>{5 * 512, 512}));  // one run, then the header

    os.Writes.clear();
    for (const size_t k : {0, 2, 3}) {
        blobs[k] = Store(Pattern(100, 50), blobs[k]);
    }
    file.WriteBack(false);
    EXPECT_EQ(os.Writes, (std::vector<size_t>{512, 2 * 512, 512}));
    Reopen();
    EXPECT_EQ(Load(blobs[1]), Pattern(100, 1));
    EXPECT_EQ(Load(blobs[2]), Pattern(100, 50));
}

TEST_F(BlobFileTest, AnotherOpenersChangeIsNoticedThroughTheChangeCount) {
    CreateBlobFile(512);
    const TBlobReference original = Store(Pattern(300, 1));
    Reopen();
    testing::TTestBlobContext otherContext;
    TBlobFile other(otherContext);
    other.Open(path, false);
    EXPECT_FALSE(other.CheckForChange());

    TEngineBuffer buffer(4096);
    ASSERT_EQ(other.ReadBlob(original, buffer), 300u);  // now cached by the other opener
    const TBlobReference changed = Store(Pattern(300, 2), original);
    file.WriteBack(false);

    EXPECT_TRUE(other.CheckForChange());
    EXPECT_FALSE(other.CheckForChange());
    ASSERT_EQ(other.ReadBlob(changed, buffer), 300u);
    const std::vector<uint8_t> expected = Pattern(300, 2);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.Data()));
    EXPECT_EQ(testing::Raised([&] { other.ReadBlob(original, buffer); }).Code, ErrorCode::RecordChanged);
}

TEST_F(BlobFileTest, UnwrittenChangesOfOurOwnAreNoChangeByOthers) {
    CreateBlobFile(512);
    Reopen();
    const TBlobReference reference = Store(Pattern(600, 1));
    EXPECT_FALSE(file.CheckForChange());
    EXPECT_EQ(file.Header().EndOffset, 1536);  // the held header keeps its allocations
    EXPECT_EQ(Load(reference), Pattern(600, 1));
}

// The empty header reaches the file before the file is cut: a failure in between leaves blocks beyond the
// end offset, which nothing reads.
TEST_F(BlobFileTest, EmptyingWritesAnEmptyHeaderThenCutsTheFile) {
    CreateBlobFile(512);
    const TBlobReference two = Store(Pattern(600, 1));
    Store({}, Store(Pattern(10, 2)));  // leaves a free block
    file.WriteBack(false);
    ASSERT_NE(file.Header().FreeBlockHead, 0);

    file.Empty();
    EXPECT_EQ(Disk().size(), 512u);
    EXPECT_FALSE(file.HeaderPending());
    EXPECT_EQ(file.Header().EndOffset, 512);
    EXPECT_EQ(file.Header().FreeBlockHead, 0);
    const TBlobHeader header = HeaderIn(Disk());
    EXPECT_EQ(header.ChangeCount, 2);
    EXPECT_EQ(header.Version, 4);
    EXPECT_EQ(header.EndOffset, 512);
    EXPECT_EQ(header.FreeBlockHead, 0);
    EXPECT_EQ(testing::Raised([&] { Load(two); }).Code, ErrorCode::BlobBuffersCorrupt);  // no block there now
    EXPECT_EQ(Store(Pattern(5, 3)).Offset, 512);
}

TEST_F(BlobFileTest, AnEncryptedFileScramblesTheHeaderWholeAndBlocksInTwoParts) {
    CreateBlobFile(512, true);
    const std::vector<uint8_t> contents = Pattern(10, 1);
    const TBlobReference reference = Store(contents);
    file.WriteBack(false);
    std::string disk = Disk();
    ASSERT_EQ(disk.size(), 1024u);
    auto* bytes = reinterpret_cast<uint8_t*>(disk.data());
    EXPECT_NE(bytes[4], 4);  // the version byte is not plain

    ScrambleRecordImage({bytes, 512});
    EXPECT_EQ(HeaderIn(disk).Version, 4);
    EXPECT_EQ(HeaderIn(disk).EndOffset, 1024);
    // The data area's scrambling starts afresh: its first byte meets the key's first two bytes.
    EXPECT_EQ(bytes[512 + 18], contents[0] ^ kRecordScrambleKeyLow ^ kRecordScrambleKeyHigh);
    ScrambleRecordImage({bytes + 512, 18});
    EXPECT_EQ(BlockIn(disk, 512).TotalLength, 10);
    ScrambleRecordImage({bytes + 530, 494});
    EXPECT_EQ(std::vector<uint8_t>(bytes + 530, bytes + 540), contents);

    Reopen();
    file.Verify();
    EXPECT_EQ(Load(reference), contents);
}

TEST_F(BlobFileTest, ATransactionKeepsChangesInMemoryAndGrowsTheCache) {
    CreateBlobFile(512);
    context.Transaction = true;
    const std::vector<uint8_t> contents = Pattern(300 * 494, 1);
    const TBlobReference reference = Store(contents);
    EXPECT_EQ(file.Cache().Capacity(), 255 + 255);  // 300 changed blocks did not fit in 255
    file.WriteBack(false);
    EXPECT_EQ(Disk().size(), 512u);  // nothing written inside the transaction

    context.Transaction = false;
    file.WriteBack(false);
    file.TrimCache();
    EXPECT_EQ(Disk().size(), 512u + 300 * 512);
    EXPECT_EQ(file.Cache().Capacity(), 255);
    EXPECT_LE(file.Cache().Blocks().size(), 255u);
    Reopen();
    EXPECT_EQ(Load(reference), contents);
}

TEST_F(BlobFileTest, RereadingTheHeaderForgetsWhatWasNotWritten) {
    CreateBlobFile(512);
    const TBlobReference kept = Store(Pattern(10, 1));
    file.WriteBack(false);
    context.Transaction = true;
    Store(Pattern(600, 2));
    const TBlobReference changed = Store(Pattern(10, 3), kept);
    EXPECT_EQ(file.Header().EndOffset, 2048);

    file.RereadHeader();  // the transaction is rolled back
    context.Transaction = false;
    EXPECT_FALSE(file.HeaderPending());
    EXPECT_EQ(file.Header().EndOffset, 1024);
    EXPECT_EQ(Load(kept), Pattern(10, 1));
    EXPECT_EQ(testing::Raised([&] { Load(changed); }).Code, ErrorCode::RecordChanged);
    EXPECT_EQ(Store(Pattern(10, 4)).Offset, 1024);
}

TEST_F(BlobFileTest, OutsideATransactionAFullCacheWritesBackToMakeRoom) {
    CreateBlobFile(512);
    const std::vector<uint8_t> contents = Pattern(300 * 494, 1);
    Store(contents);
    EXPECT_EQ(file.Cache().Capacity(), 255);
    EXPECT_GT(Disk().size(), 512u);  // blocks had to go out before the header
    EXPECT_EQ(HeaderIn(Disk()).EndOffset, 512);
}

TEST_F(BlobFileTest, WritesAreFlushedWhenTheSessionForcesIt) {
    CreateBlobFile(512);
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scoped(os);
    os.FlushFailure = EIO;
    Store(Pattern(10, 1));
    file.WriteBack(false);  // no flush asked for
    Store(Pattern(10, 2));
    context.ForceFlush = true;
    EXPECT_EQ(testing::Raised([&] { file.WriteBack(false); }).Code, ErrorCode::WriteError);
}

TEST_F(BlobFileTest, ClosingDropsWhatWasNotWrittenBack) {
    CreateBlobFile(512);
    Store(Pattern(10, 1));
    file.Close();
    file.Open(path, false);
    EXPECT_EQ(file.Header().EndOffset, 512);
    file.Verify();
}

}  // namespace
}  // namespace kartei
