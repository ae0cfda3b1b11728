// Every error of the blob file with its full message, and files damaged on purpose: links past the end,
// chains that run into themselves, lengths that lie, bad headers and free lists. Damage must end in an
// engine error, never in a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <unistd.h>

#include <random>

#include "BlobTestSupport.h"
#include "engine/format/ExpectKarteiError.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

using testing::PatchI32;
using testing::Pattern;

const std::string kChanged =
    "Kartei Engine Error # 8708 Record has been changed or deleted by another user, session, or table cursor "
    "in table 'Docs.DAT'";
const std::string kPremature =
    "Kartei Engine Error # 8711 End of blob data in table 'Docs.DAT' reached prematurely";
const std::string kCorrupt = "Kartei Engine Error # 8961 Header information corrupt in table 'Docs.DAT'";
const std::string kBlocksCorrupt =
    "Kartei Engine Error # 8963 BLOB block buffers corrupt in table 'Docs.DAT'";
const std::string kFull =
    "Kartei Engine Error # 9479 The table 'Docs.DAT' is full and cannot contain any more data";
const std::string kBadLength = "Kartei Engine Error # 10029 Invalid blob length in table 'Docs.DAT'";
const std::string kVersion = "Kartei Engine Error # 12035 table 'Docs.DAT' is not the correct version";

// A closed file with a three-block blob (512 -> 1024 -> 1536, id 1) and a one-block blob (2048, id 2),
// opened again after the test has damaged it.
class BlobCorruptionTest : public testing::BlobFileFixture {
protected:
    void SetUp() override {
        CreateBlobFile(512);
        three = Store(Pattern(989, 1));
        one = Store(Pattern(50, 2));
        file.WriteBack(false);
        file.Close();
    }
    void Open(uint16_t blockSize = 512) {
        file.SetFormat(blockSize, false);
        file.Open(path, false);
    }
    // Damages one int32 and opens the file.
    void Damage(int64_t offset, int32_t value) {
        PatchI32(path, offset, value);
        Open();
    }

    TBlobReference three;
    TBlobReference one;
};

TEST_F(BlobCorruptionTest, AnotherIdentifierInTheFirstBlockMeansTheRecordChanged) {
    Open();
    ExpectKarteiError([&] { Load({512, 7}); }, ErrorCode::RecordChanged, kChanged);
    ExpectKarteiError([&] { Store(Pattern(5, 1), {512, 7}); }, ErrorCode::RecordChanged, kChanged);
    ExpectKarteiError([&] { file.FreeBlob({512, 7}); }, ErrorCode::RecordChanged, kChanged);
    EXPECT_FALSE(file.HeaderPending());  // nothing was changed
    EXPECT_EQ(Load(three), Pattern(989, 1));
}

TEST_F(BlobCorruptionTest, AChainThatEndsBeforeItsLengthEndsPrematurely) {
    Damage(1024 + 4, 0);  // the second block claims to be the last
    ExpectKarteiError([&] { Load(three); }, ErrorCode::EndOfBlob, kPremature);
}

TEST_F(BlobCorruptionTest, ALengthLongerThanTheChainEndsPrematurely) {
    Damage(512 + 14, 1500);  // three blocks hold 1482 bytes at most
    ExpectKarteiError([&] { Load(three); }, ErrorCode::EndOfBlob, kPremature);
}

TEST_F(BlobCorruptionTest, ALengthTheFileCouldNotHoldIsRefusedBeforeAnyAllocation) {
    Damage(512 + 14, 0x7FFFFFFF);
    TEngineBuffer buffer(4096);
    ExpectKarteiError([&] { file.ReadBlob(three, buffer); }, ErrorCode::EndOfBlob, kPremature);
    EXPECT_EQ(buffer.Capacity(), 0u);
}

TEST_F(BlobCorruptionTest, ANegativeLengthIsCorrupt) {
    Damage(512 + 14, -1);
    ExpectKarteiError([&] { Load(three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
}

TEST_F(BlobCorruptionTest, LinksThatAreNoBlockAreCorrupt) {
    for (const int32_t link : {2560, 512 + 100 * 512, 1000, 100, -512}) {
        SCOPED_TRACE(link);
        Damage(1024 + 4, link);
        ExpectKarteiError([&] { Load(three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
        ExpectKarteiError([&] { Store(Pattern(5, 1), three); }, ErrorCode::BlobBuffersCorrupt,
                          kBlocksCorrupt);
        file.Close();
    }
    Open();
    ExpectKarteiError([&] { Load({-3, 1}); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    ExpectKarteiError([&] { Load({4096, 1}); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
}

TEST_F(BlobCorruptionTest, AChainThatComesBackOnItselfIsCorrupt) {
    PatchI32(path, 1536 + 4, 512);   // the last block leads back to the first
    PatchI32(path, 512 + 14, 1976);  // and the length asks for a fourth block
    Open();
    ExpectKarteiError([&] { Load(three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    ExpectKarteiError([&] { Store(Pattern(5, 1), three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    ExpectKarteiError([&] { file.FreeBlob(three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    EXPECT_FALSE(file.HeaderPending());
    file.Close();

    // Even when the first block names the last one as its previous block, the circle is no chain.
    Damage(512, 1536);
    ExpectKarteiError([&] { Load(three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    ExpectKarteiError([&] { Store(Pattern(5, 1), three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
}

TEST_F(BlobCorruptionTest, ABlockOfAnotherBlobInTheChainIsCorrupt) {
    Damage(1024 + 4, 2048);  // the second block leads into the other blob
    ExpectKarteiError([&] { Load(three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    file.Close();
    Damage(1536, 512);  // the third block names the wrong block before it
    ExpectKarteiError([&] { Load(three); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
}

TEST_F(BlobCorruptionTest, AnotherVersionByteFailsVerificationAndEveryUse) {
    testing::Patch(path, 4, std::vector<uint8_t>{3});
    Open();  // opening itself does not check
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::WrongVersion, kVersion);
    ExpectKarteiError([&] { Load(one); }, ErrorCode::WrongVersion, kVersion);
    ExpectKarteiError([&] { Store(Pattern(5, 1)); }, ErrorCode::WrongVersion, kVersion);
    ExpectKarteiError([&] { file.AllocateBlock(); }, ErrorCode::WrongVersion, kVersion);
}

TEST_F(BlobCorruptionTest, InconsistentHeadersFailVerification) {
    Damage(5, 100);  // a free-block head of 100 with blocks in the file
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::HeaderCorrupt, kCorrupt);
    ExpectKarteiError([&] { Load(one); }, ErrorCode::HeaderCorrupt, kCorrupt);
    file.Close();
    Damage(5, 0);
    file.Verify();
    file.Close();

    Damage(9, 4096);  // blocks beyond the end of the file
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::HeaderCorrupt, kCorrupt);
    file.Close();
    Damage(9, 2000);  // an end offset inside a block
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::HeaderCorrupt, kCorrupt);
    file.Close();
    PatchI32(path, 9, 2560);
    Open(1000);  // another block size than the file was made with
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::HeaderCorrupt, kCorrupt);
    file.Close();
    ASSERT_EQ(truncate(path.c_str(), 100), 0);  // not even a whole header
    Open();
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::HeaderCorrupt, kCorrupt);
}

TEST_F(BlobCorruptionTest, ABrokenFreeListFailsVerificationAndAllocation) {
    Open();
    file.FreeBlob(three);  // free list 1536 -> 1024 -> 512
    file.WriteBack(false);
    file.Close();
    Damage(512 + 4, 1536);  // ... -> 512 -> 1536: round and round
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    file.Close();

    Damage(1024 + 4, 9999);  // 1536 -> 1024 -> nowhere
    ExpectKarteiError([&] { file.Verify(); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    EXPECT_EQ(file.AllocateBlock(), 1536);
    ExpectKarteiError([&] { file.AllocateBlock(); }, ErrorCode::BlobBuffersCorrupt, kBlocksCorrupt);
    EXPECT_EQ(file.Header().FreeBlockHead, 1024);  // the head does not move onto the bad link
}

TEST_F(BlobCorruptionTest, AWriteThatRunsIntoABrokenFreeListChangesNothing) {
    Open();
    file.FreeBlob(one);
    const TBlobReference two = Store(Pattern(600, 3));  // takes 2048, appends 2560; free list empty
    Store({}, two);                                     // free list 2560 -> 2048
    file.WriteBack(false);
    file.Close();

    Damage(2048 + 4, 2560);  // 2560 -> 2048 -> 2560 ...
    const TBlobHeader before = file.Header();
    // Three more blocks for the first blob: the free list would hand out 2560 twice.
    ExpectKarteiError([&] { Store(Pattern(6 * 494, 4), three); }, ErrorCode::BlobBuffersCorrupt,
                      kBlocksCorrupt);
    EXPECT_EQ(file.Header().FreeBlockHead, before.FreeBlockHead);
    EXPECT_EQ(file.Header().EndOffset, before.EndOffset);
    EXPECT_FALSE(file.HeaderPending());
    EXPECT_EQ(Load(three), Pattern(989, 1));
}

TEST_F(BlobCorruptionTest, AskingABlockForMoreThanItsDataAreaIsAnInvalidLength) {
    Open();
    std::vector<uint8_t> data(495);
    ExpectKarteiError([&] { file.ReadBlock(512, data); }, ErrorCode::InvalidBlobLength, kBadLength);
    ExpectKarteiError([&] { file.WriteBlock(512, {}, data); }, ErrorCode::InvalidBlobLength, kBadLength);
    data.resize(494);
    EXPECT_EQ(file.ReadBlock(512, data).Used, 494);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), Pattern(989, 1).begin()));
}

TEST_F(BlobCorruptionTest, ABlockSizeWithoutRoomForDataCannotBeCreated) {
    file.SetFormat(18, false);
    ExpectKarteiError(
        [&] { file.Create(path); }, ErrorCode::BlobFieldLimits,
        "Kartei Engine Error # 9498 Too many blob fields or invalid blob block size specified for "
        "table 'Docs.DAT'");
}

// A sparse file whose end offset is one block short of the append limit: blocks can still go at 1999999488
// and at 2000000000, none after.
TEST_F(BlobCorruptionTest, NoBlockIsAppendedBeyondTheLimit) {
    TBlobHeader header;
    header.EndOffset = 1999999488;
    std::array<uint8_t, kBlobHeaderSize> bytes{};
    header.Encode(bytes);
    testing::Patch(path, 0, bytes);
    ASSERT_EQ(truncate(path.c_str(), header.EndOffset), 0);
    Open();
    file.Verify();
    // Three appended blocks would need 2000000512: refused before anything changes.
    ExpectKarteiError([&] { Store(Pattern(3 * 494, 1)); }, ErrorCode::TableFull, kFull);
    EXPECT_FALSE(file.HeaderPending());
    EXPECT_EQ(file.Header().EndOffset, 1999999488);

    // With one block on the free list, a two-block blob needs only one append.
    const TBlobReference freed = Store({}, Store(Pattern(494, 2)));
    EXPECT_EQ(file.Header().FreeBlockHead, 1999999488);
    const TBlobReference two = Store(Pattern(988, 3), freed);
    EXPECT_EQ(two.Offset, 1999999488);
    EXPECT_EQ(file.Header().EndOffset, 2000000512);
    EXPECT_EQ(Load(two), Pattern(988, 3));
    ExpectKarteiError([&] { file.AllocateBlock(); }, ErrorCode::TableFull, kFull);
    file.Close();  // nothing written back: the sparse file stays small on disk
}

// Random damage to a sound file, as a fuzzer would do it.
TEST_F(BlobCorruptionTest, RandomDamageEndsInEngineErrors) {
    const std::string sound = Disk();
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        std::string damaged = sound;
        const int hits = 1 + static_cast<int>(random() % 6);
        for (int k = 0; k < hits; ++k) {
            // Mostly headers, where damage matters most.
            const size_t block = random() % 5;
            const size_t at = block * 512 + (random() % 2 == 0 ? random() % 18 : random() % 512);
            damaged[at] = static_cast<char>(random());
        }
        testing::WriteBytes(path, damaged);
        const uint16_t blockSize = round % 10 == 0 ? static_cast<uint16_t>(random()) : 512;
        try {
            Open(blockSize);
            file.Verify();
        } catch (const EKarteiEngineError&) {
        }
        for (const TBlobReference reference : {three, one}) {
            try {
                Load(reference);
            } catch (const EKarteiEngineError&) {
            }
            try {
                Store(Pattern(1200, 9), reference);
                file.WriteBack(false);
            } catch (const EKarteiEngineError&) {
            }
        }
        file.Close();
    }
}

}  // namespace
}  // namespace kartei
