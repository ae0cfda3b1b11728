// The blob file header and block header byte for byte, block geometry, and the header checks.
#include <gtest/gtest.h>

#include <array>

#include "engine/blob/BlobHeader.h"
#include "engine/blob/BlobLayout.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

TEST(BlobFormatTest, HeaderFieldsLieAtTheirOffsetsAndTheRestIsZero) {
    std::array<uint8_t, kBlobHeaderSize> bytes;
    bytes.fill(0xEE);
    const TBlobHeader header{0x04030201, 4, 0x00000A00, 0x00000E00, 1};
    header.Encode(bytes);
    const std::array<uint8_t, 14> expected = {0x01, 0x02, 0x03, 0x04, 4, 0x00, 0x0A,
                                              0,    0,    0x00, 0x0E, 0, 0,    1};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + 14, bytes.end(), [](uint8_t b) { return b == 0; }));

    const TBlobHeader back = TBlobHeader::Decode(bytes);
    EXPECT_EQ(back.ChangeCount, 0x04030201);
    EXPECT_EQ(back.Version, 4);
    EXPECT_EQ(back.FreeBlockHead, 0xA00);
    EXPECT_EQ(back.EndOffset, 0xE00);
    EXPECT_EQ(back.PendingChanges, 1);
}

TEST(BlobFormatTest, BlockHeaderFieldsLieAtTheirOffsets) {
    std::array<uint8_t, kBlobBlockHeaderSize> bytes{};
    const TBlobBlockHeader header{0x200, 0x600, 0x01EE, -2, 0x7FFFFFFF};
    header.Encode(bytes);
    const std::array<uint8_t, kBlobBlockHeaderSize> expected = {
        0x00, 0x02, 0, 0, 0x00, 0x06, 0, 0, 0xEE, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(bytes, expected);
    const TBlobBlockHeader back = TBlobBlockHeader::Decode(bytes);
    EXPECT_EQ(back.Previous, 0x200);
    EXPECT_EQ(back.Next, 0x600);
    EXPECT_EQ(back.Used, 0x01EE);
    EXPECT_EQ(back.BlobId, -2);
    EXPECT_EQ(back.TotalLength, 0x7FFFFFFF);
}

TEST(BlobFormatTest, GeometryFollowsTheBlockSize) {
    const TBlobLayout standard(0);  // 0 stands for 512
    EXPECT_EQ(standard.BlockSize(), 512);
    EXPECT_EQ(standard.DataCapacity(), 494);
    EXPECT_EQ(standard.CacheCapacity(), 255);   // 131070 / 512
    EXPECT_EQ(standard.ReadAheadLimit(), 127);  // 65535 / 512
    EXPECT_EQ(standard.BlocksFor(494), 1);
    EXPECT_EQ(standard.BlocksFor(495), 2);
    EXPECT_EQ(standard.BlockCount(512 + 3 * 512), 3);

    EXPECT_EQ(TBlobLayout(19).CacheCapacity(), 6898);  // 131070 / 19
    EXPECT_EQ(TBlobLayout(3).CacheCapacity(), 32767);  // capped from 43690
    EXPECT_EQ(TBlobLayout(65535).CacheCapacity(), 2);
    EXPECT_EQ(TBlobLayout(65535).ReadAheadLimit(), 1);
    EXPECT_TRUE(TBlobLayout(19).Usable());
    EXPECT_FALSE(TBlobLayout(18).Usable());

    // Blocks start at 512 + k x 512 and lie in front of the end offset.
    EXPECT_TRUE(standard.IsBlockOffset(512, 1024));
    EXPECT_FALSE(standard.IsBlockOffset(1024, 1024));
    EXPECT_FALSE(standard.IsBlockOffset(513, 2048));
    EXPECT_FALSE(standard.IsBlockOffset(0, 2048));
    EXPECT_FALSE(standard.IsBlockOffset(-512, 2048));
}

TEST(BlobFormatTest, HeaderChecksNameTheVersionAndInconsistentOffsets) {
    const TBlobLayout layout(512);
    const auto fault = [&](uint8_t version, int32_t head, int32_t end, int64_t fileSize = 4096) {
        return BlobHeaderFault(TBlobHeader{0, version, head, end, 0}, layout, fileSize);
    };
    EXPECT_EQ(fault(4, 0, 512), ErrorCode::Success);
    EXPECT_EQ(fault(4, 1536, 2048), ErrorCode::Success);  // head at end offset - block size
    EXPECT_EQ(fault(3, 0, 512), ErrorCode::WrongVersion);
    EXPECT_EQ(fault(3, 100, 600), ErrorCode::WrongVersion);  // the version is checked first

    EXPECT_EQ(fault(4, 100, 1024), ErrorCode::HeaderCorrupt);   // head in front of the first block
    EXPECT_EQ(fault(4, 512, 512), ErrorCode::HeaderCorrupt);    // a head in a file without blocks
    EXPECT_EQ(fault(4, 2048, 2048), ErrorCode::HeaderCorrupt);  // head at the end offset
    EXPECT_EQ(fault(4, 700, 2048), ErrorCode::HeaderCorrupt);   // head inside a block
    EXPECT_EQ(fault(4, 0, 600), ErrorCode::HeaderCorrupt);      // end offset inside a block
    EXPECT_EQ(fault(4, 0, 0), ErrorCode::HeaderCorrupt);
    EXPECT_EQ(fault(4, 0, 2048, 1536), ErrorCode::HeaderCorrupt);  // blocks beyond the file
    EXPECT_EQ(fault(4, 0, 2048, 9999), ErrorCode::Success);        // a longer file is no harm
    EXPECT_EQ(BlobHeaderFault(TBlobHeader{}, TBlobLayout(18), 512), ErrorCode::HeaderCorrupt);
}

}  // namespace
}  // namespace kartei
