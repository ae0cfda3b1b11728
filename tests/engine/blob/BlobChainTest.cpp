// Blobs as block chains: how many blocks a length takes, where they lie, how they are linked, and how
// shrinking and the free list hand blocks back out. Block size 512 throughout: 494 data bytes a block.
#include <gtest/gtest.h>

#include "BlobTestSupport.h"

namespace kartei {
namespace {

using testing::BlockIn;
using testing::HeaderIn;
using testing::Pattern;

class BlobChainTest : public testing::BlobFileFixture {
protected:
    void SetUp() override { CreateBlobFile(512); }
    // The block header at offset as the file holds it after write-back.
    TBlobBlockHeader OnDisk(int64_t offset) {
        file.WriteBack(false);
        return BlockIn(Disk(), offset);
    }
};

TEST_F(BlobChainTest, ASmallBlobTakesOneBlockAtTheFirstBlockOffset) {
    const std::vector<uint8_t> contents = Pattern(10, 1);
    const TBlobReference reference = Store(contents);
    EXPECT_EQ(reference.Offset, 512);
    EXPECT_EQ(reference.BlobId, 1);  // the first sequence number handed out

    file.WriteBack(false);
    const std::string disk = Disk();
    ASSERT_EQ(disk.size(), 1024u);
    const TBlobHeader header = HeaderIn(disk);
    EXPECT_EQ(header.EndOffset, 1024);
    EXPECT_EQ(header.FreeBlockHead, 0);
    const TBlobBlockHeader block = BlockIn(disk, 512);
    EXPECT_EQ(block.Previous, 0);
    EXPECT_EQ(block.Next, 0);
    EXPECT_EQ(block.Used, 10);
    EXPECT_EQ(block.BlobId, 1);
    EXPECT_EQ(block.TotalLength, 10);
    EXPECT_EQ(std::vector<uint8_t>(disk.begin() + 530, disk.begin() + 540), contents);
    EXPECT_TRUE(std::all_of(disk.begin() + 540, disk.end(), [](char c) { return c == 0; }));
    EXPECT_EQ(Load(reference), contents);
}

TEST_F(BlobChainTest, FullBlockFitsInOneAndOneByteMoreTakesTwo) {
    const TBlobReference exact = Store(Pattern(494, 2));
    EXPECT_EQ(exact.Offset, 512);
    EXPECT_EQ(OnDisk(512).Next, 0);
    EXPECT_EQ(OnDisk(512).Used, 494);
    EXPECT_EQ(file.Header().EndOffset, 1024);

    const std::vector<uint8_t> longer = Pattern(495, 3);
    const TBlobReference two = Store(longer);
    EXPECT_EQ(two.Offset, 1024);
    const TBlobBlockHeader first = OnDisk(1024);
    const TBlobBlockHeader second = OnDisk(1536);
    EXPECT_EQ(first.Previous, 0);
    EXPECT_EQ(first.Next, 1536);
    EXPECT_EQ(first.Used, 494);
    EXPECT_EQ(first.TotalLength, 495);
    EXPECT_EQ(second.Previous, 1024);
    EXPECT_EQ(second.Next, 0);
    EXPECT_EQ(second.Used, 1);
    EXPECT_EQ(second.BlobId, two.BlobId);
    EXPECT_EQ(second.TotalLength, 0);  // only the first block records the length
    EXPECT_EQ(file.Header().EndOffset, 2048);
    EXPECT_EQ(Load(two), longer);
    EXPECT_EQ(Load(exact), Pattern(494, 2));
}

TEST_F(BlobChainTest, EmptyContentsHaveNoBlocks) {
    const TBlobReference empty = Store({});
    EXPECT_EQ(empty.Offset, 0);
    EXPECT_EQ(file.Header().EndOffset, 512);
    EXPECT_TRUE(Load(empty).empty());

    // Emptying a two-block blob frees both, the last one freed first in line.
    const TBlobReference two = Store(Pattern(600, 4));
    const TBlobReference emptied = Store({}, two);
    EXPECT_EQ(emptied.Offset, 0);
    EXPECT_NE(emptied.BlobId, two.BlobId);
    EXPECT_EQ(file.Header().FreeBlockHead, 1024);
    EXPECT_EQ(OnDisk(1024).Next, 512);
    EXPECT_EQ(OnDisk(512).Next, 0);
}

TEST_F(BlobChainTest, ShrinkingFreesTheTailAndTheLastFreedBlockIsTakenFirst) {
    const TBlobReference three = Store(Pattern(989, 5));  // 494 + 494 + 1
    ASSERT_EQ(three.Offset, 512);
    ASSERT_EQ(OnDisk(512).Next, 1024);
    ASSERT_EQ(OnDisk(1024).Next, 1536);

    const TBlobReference one = Store(Pattern(10, 6), three);
    EXPECT_EQ(one.Offset, 512);  // the first block is reused
    EXPECT_NE(one.BlobId, three.BlobId);
    EXPECT_EQ(OnDisk(512).Next, 0);
    EXPECT_EQ(OnDisk(512).TotalLength, 10);
    EXPECT_EQ(file.Header().FreeBlockHead, 1536);
    EXPECT_EQ(OnDisk(1536).Next, 1024);
    EXPECT_EQ(OnDisk(1024).Next, 0);  // the free list was empty
    EXPECT_EQ(OnDisk(1536).BlobId, 0);
    EXPECT_EQ(file.Header().EndOffset, 2048);
    EXPECT_EQ(Load(one), Pattern(10, 6));

    // A new two-block blob takes the freed blocks, last freed first.
    const TBlobReference reused = Store(Pattern(700, 7));
    EXPECT_EQ(reused.Offset, 1536);
    EXPECT_EQ(OnDisk(1536).Next, 1024);
    EXPECT_EQ(OnDisk(1024).Previous, 1536);
    EXPECT_EQ(file.Header().FreeBlockHead, 0);
    EXPECT_EQ(file.Header().EndOffset, 2048);
    EXPECT_EQ(Load(reused), Pattern(700, 7));
}

TEST_F(BlobChainTest, AllocationTakesTheFreeListBeforeTheEnd) {
    Store(Pattern(10, 1));
    const TBlobReference three = Store(Pattern(989, 2));  // 1024, 1536, 2048
    Store({}, three);                                     // frees 1024, 1536, 2048
    EXPECT_EQ(file.Header().FreeBlockHead, 2048);
    EXPECT_EQ(file.AllocateBlock(), 2048);
    EXPECT_EQ(file.AllocateBlock(), 1536);
    EXPECT_EQ(file.AllocateBlock(), 1024);
    EXPECT_EQ(file.Header().FreeBlockHead, 0);
    EXPECT_EQ(file.AllocateBlock(), 2560);
    EXPECT_EQ(file.Header().EndOffset, 3072);
}

TEST_F(BlobChainTest, GrowingKeepsTheFirstBlockAndAppendsTheRest) {
    const TBlobReference first = Store(Pattern(100, 1));  // 512
    const TBlobReference other = Store(Pattern(200, 2));  // 1024
    const TBlobReference grown = Store(Pattern(989, 3), first);
    EXPECT_EQ(grown.Offset, 512);
    EXPECT_EQ(OnDisk(512).Next, 1536);
    EXPECT_EQ(OnDisk(1536).Previous, 512);
    EXPECT_EQ(OnDisk(1536).Next, 2048);
    EXPECT_EQ(OnDisk(2048).Previous, 1536);
    EXPECT_EQ(OnDisk(2048).Next, 0);
    EXPECT_EQ(Load(grown), Pattern(989, 3));
    EXPECT_EQ(Load(other), Pattern(200, 2));
}

TEST_F(BlobChainTest, LargeBlobsRoundTripThroughTheFile) {
    const std::vector<uint8_t> big = Pattern(1000000, 9);
    const TBlobReference reference = Store(big);
    Reopen();
    // 1000000 = 2024 x 494 + 144: 2025 blocks, far more than the 255 the cache holds.
    EXPECT_EQ(file.Header().EndOffset, 512 + 2025 * 512);
    EXPECT_EQ(Disk().size(), static_cast<size_t>(512 + 2025 * 512));
    EXPECT_EQ(Load(reference), big);

    const std::vector<uint8_t> smaller = Pattern(300000, 10);
    const TBlobReference rewritten = Store(smaller, reference);
    Reopen();
    EXPECT_EQ(Load(rewritten), smaller);
    file.Verify();  // the 1418 freed blocks form a sound free list
}

TEST(BlobChainSizesTest, OtherBlockSizesChainTheSameWay) {
    for (const uint16_t blockSize : {19, 1024, 65535}) {
        testing::TTestBlobContext context;
        testing::TTempDir dir;
        TBlobFile file(context);
        file.SetFormat(blockSize, false);
        file.Create(dir.File("Docs.BLB"));
        const std::vector<uint8_t> contents = Pattern(70000, 3);
        const int64_t blocks = (70000 + blockSize - 19) / (blockSize - 18);
        const TBlobReference reference = file.WriteBlob({}, contents);
        file.WriteBack(false);
        file.Close();
        file.Open(dir.File("Docs.BLB"), false);
        EXPECT_EQ(file.Header().EndOffset, 512 + blocks * blockSize) << blockSize;
        TEngineBuffer buffer(4096);
        ASSERT_EQ(file.ReadBlob(reference, buffer), contents.size());
        EXPECT_TRUE(std::equal(contents.begin(), contents.end(), buffer.Data())) << blockSize;
    }
}

}  // namespace
}  // namespace kartei
