// The blobs one cursor holds open: negative handles, the limit of 64, and reuse of closed slots.
#include "engine/blob/OpenBlobList.h"

#include <gtest/gtest.h>

#include "BlobTestSupport.h"
#include "engine/errors/ErrorCodes.h"
#include "engine/format/ExpectKarteiError.h"

namespace kartei {
namespace {

using testing::Pattern;

class OpenBlobListTest : public testing::BlobFileFixture {
protected:
    void SetUp() override { CreateBlobFile(512); }
    TOpenBlobList blobs{context.Name};
};

TEST_F(OpenBlobListTest, AnOpenBlobHoldsTheContentsUnderANegativeHandle) {
    const TBlobReference reference = Store(Pattern(700, 1));
    const int32_t handle = blobs.Open(file, reference, 2);
    EXPECT_EQ(handle, -1);
    const TOpenBlob& blob = blobs.Get(handle);
    EXPECT_EQ(blob.Length, 700u);
    EXPECT_EQ(blob.Source.Offset, reference.Offset);
    EXPECT_EQ(blob.FieldNumber, 2);
    EXPECT_FALSE(blob.Modified);
    const std::vector<uint8_t> expected = Pattern(700, 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), blob.Contents.Data()));

    const int32_t empty = blobs.Open(file, {}, 2);
    EXPECT_EQ(empty, -2);
    EXPECT_EQ(blobs.Get(empty).Length, 0u);
    EXPECT_EQ(blobs.OpenCount(), 2);
}

TEST_F(OpenBlobListTest, TheSixtyFifthBlobIsTooMany) {
    const TBlobReference reference = Store(Pattern(10, 1));
    for (int k = 1; k <= TOpenBlobList::kMaxOpenBlobs; ++k) {
        EXPECT_EQ(blobs.Open(file, reference, 2), -k);
    }
    ExpectKarteiError([&] { blobs.Open(file, reference, 2); }, ErrorCode::TooManyOpenBlobs,
                      "Kartei Engine Error # 9494 Too many blobs opened in table 'Docs.DAT'");
    blobs.Close(-17);
    EXPECT_EQ(blobs.Open(file, reference, 2), -17);  // a closed slot is taken again
}

TEST_F(OpenBlobListTest, AHandleThatIsNotOpenIsInvalid) {
    const std::string message =
        "Kartei Engine Error # 10030 Invalid blob handle for table 'Docs.DAT' specified";
    const int32_t handle = blobs.Open(file, Store(Pattern(10, 1)), 2);
    blobs.Close(handle);
    for (const int32_t bad : {handle, 0, 5, -65, INT32_MIN}) {
        ExpectKarteiError([&] { blobs.Get(bad); }, ErrorCode::InvalidBlobHandle, message);
    }
    ExpectKarteiError([&] { blobs.Close(handle); }, ErrorCode::InvalidBlobHandle, message);
}

TEST_F(OpenBlobListTest, ABlobThatCannotBeReadTakesNoSlot) {
    ExpectKarteiError(
        [&] {
            blobs.Open(file, {512, 1}, 2);
        },
        ErrorCode::BlobBuffersCorrupt,
        "Kartei Engine Error # 8963 BLOB block buffers corrupt in table 'Docs.DAT'");
    EXPECT_EQ(blobs.OpenCount(), 0);
}

}  // namespace
}  // namespace kartei
