#include <gtest/gtest.h>

#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

class TableBlob : public TableTest {
protected:
    void SetUp() override {
        TTableDefinition definition;
        definition.Fields = {TFieldDescriptor::Define("title", FieldType::String, 20),
                             TFieldDescriptor::Define("text", FieldType::Blob, 0, 22),
                             TFieldDescriptor::Define("picture", FieldType::Blob)};
        definition.Options.BlobBlockSize = 128;
        table_ = Create("Notes", definition);
        ASSERT_NE(table_, nullptr);
        ASSERT_NE(table_->BlobFile(), nullptr);
        text_ = &table_->Fields()[1];
        picture_ = &table_->Fields()[2];
    }

    std::vector<uint8_t> Contents(int32_t recordNumber) { return Contents(recordNumber, *text_); }
    std::vector<uint8_t> Contents(int32_t recordNumber, const TFieldDescriptor& field) {
        TEngineBuffer buffer(64);
        const size_t length = table_->ReadBlob(Read(*table_, recordNumber), field, buffer);
        return std::vector<uint8_t>(buffer.Data(), buffer.Data() + length);
    }

    static std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
        std::vector<uint8_t> bytes(length);
        for (size_t k = 0; k < length; ++k) {
            bytes[k] = static_cast<uint8_t>(k * 13 + seed);
        }
        return bytes;
    }

    TDataTable* table_ = nullptr;
    const TFieldDescriptor* text_ = nullptr;
    const TFieldDescriptor* picture_ = nullptr;
};

TEST_F(TableBlob, ContentsRoundTripAndShrink) {
    table_->InsertRecord(BlankRecord(*table_));
    table_->InsertRecord(BlankRecord(*table_));
    EXPECT_TRUE(Contents(1).empty());

    const std::vector<uint8_t> longText = Pattern(1000, 1);
    table_->WriteBlob(1, *text_, longText);
    table_->WriteBlob(2, *text_, Pattern(50, 2));
    EXPECT_EQ(Contents(1), longText);
    EXPECT_EQ(Contents(2), Pattern(50, 2));
    EXPECT_FALSE(IsFieldNull(Read(*table_, 1), *text_));

    table_->WriteBlob(1, *text_, Pattern(10, 3));
    EXPECT_EQ(Contents(1), Pattern(10, 3));
    EXPECT_NE(table_->BlobFile()->Header().FreeBlockHead, 0);
    table_->WriteBlob(2, *text_, {});
    EXPECT_TRUE(IsFieldNull(Read(*table_, 2), *text_));
    EXPECT_TRUE(Contents(2).empty());
    Close(table_);

    table_ = Open("Notes");
    table_->VerifyFiles();
    text_ = &table_->Fields()[1];
    EXPECT_EQ(Contents(1), Pattern(10, 3));
    Close(table_);
}

TEST_F(TableBlob, RecordsKeepTheirBlobsThroughChangesAndFreeThemWhenDeleted) {
    table_->InsertRecord(BlankRecord(*table_));
    table_->WriteBlob(1, *text_, Pattern(300, 4));
    // A changed record keeps its blob; a copied image's reference does not make a new record share it.
    std::vector<uint8_t> image = Read(*table_, 1);
    SetStringField(image, table_->Fields()[0], "Titel", 0, 0);
    table_->ModifyRecord(1, BlankRecord(*table_));
    EXPECT_EQ(Contents(1), Pattern(300, 4));
    EXPECT_EQ(table_->InsertRecord(image), 2);
    EXPECT_TRUE(IsFieldNull(Read(*table_, 2), *text_));

    const int32_t endOffset = table_->BlobFile()->Header().EndOffset;
    table_->DeleteRecord(1);
    EXPECT_NE(table_->BlobFile()->Header().FreeBlockHead, 0);
    EXPECT_TRUE(IsFieldNull(Read(*table_, 1), *text_));
    // The freed blocks are used again before the file grows.
    table_->WriteBlob(2, *text_, Pattern(300, 5));
    EXPECT_EQ(table_->BlobFile()->Header().EndOffset, endOffset);
    EXPECT_EQ(Contents(2), Pattern(300, 5));
    table_->VerifyFiles();
    Close(table_);
}

TEST_F(TableBlob, OnlyBlobFieldsOfTheTableHaveBlobs) {
    table_->InsertRecord(BlankRecord(*table_));
    TEngineBuffer buffer(64);
    const TRaised raised = Raised([&] { table_->ReadBlob(Read(*table_, 1), table_->Fields()[0], buffer); });
    EXPECT_EQ(raised.Code, 10753);
    EXPECT_EQ(raised.Message,
              EngineMessage(10753, "Invalid blob field 'title' specified for table 'Notes.DAT'"));
    EXPECT_EQ(Raised([&] { table_->WriteBlob(1, table_->Fields()[0], Pattern(5, 1)); }).Code, 10753);
    EXPECT_EQ(Raised([&] { table_->WriteBlob(2, *text_, Pattern(5, 1)); }).Code, 8710);
    Close(table_);
}

TEST_F(TableBlob, SeveralBlobFieldsChangeInOneWrite) {
    table_->InsertRecord(BlankRecord(*table_));
    table_->WriteBlob(1, *text_, Pattern(300, 1));
    const std::vector<uint8_t> picture = Pattern(500, 2);
    const std::vector<uint8_t> text = Pattern(20, 3);
    const TDataTable::TBlobContents blobs[] = {{picture_, picture}, {text_, text}};
    const std::vector<TBlobReference> stored = table_->WriteBlobs(1, blobs);
    ASSERT_EQ(stored.size(), 2u);
    const std::vector<uint8_t> image = Read(*table_, 1);
    EXPECT_EQ(GetBlobField(image, *picture_).Offset, stored[0].Offset);
    EXPECT_EQ(GetBlobField(image, *picture_).BlobId, stored[0].BlobId);
    EXPECT_EQ(GetBlobField(image, *text_).Offset, stored[1].Offset);
    EXPECT_EQ(GetBlobField(image, *text_).BlobId, stored[1].BlobId);
    EXPECT_EQ(Contents(1, *picture_), Pattern(500, 2));
    EXPECT_EQ(Contents(1), Pattern(20, 3));
    // The replaced text's chain is free again.
    EXPECT_NE(table_->BlobFile()->Header().FreeBlockHead, 0);

    const TDataTable::TBlobContents emptied[] = {{picture_, {}}};
    EXPECT_EQ(table_->WriteBlobs(1, emptied)[0].Offset, 0);
    EXPECT_TRUE(IsFieldNull(Read(*table_, 1), *picture_));
    EXPECT_EQ(Contents(1), Pattern(20, 3));
    table_->VerifyFiles();
    Close(table_);
}

TEST_F(TableBlob, AFieldGivenTwiceChangesNothing) {
    table_->InsertRecord(BlankRecord(*table_));
    table_->WriteBlob(1, *text_, Pattern(300, 1));
    const std::vector<uint8_t> image = Read(*table_, 1);
    const std::vector<uint8_t> contents = Pattern(20, 2);
    const TDataTable::TBlobContents twice[] = {{text_, contents}, {picture_, contents}, {text_, {}}};
    const TRaised raised = Raised([&] { table_->WriteBlobs(1, twice); });
    EXPECT_EQ(raised.Code, 10753);
    EXPECT_EQ(raised.Message,
              EngineMessage(10753, "Invalid blob field 'text' specified for table 'Notes.DAT'"));
    EXPECT_EQ(Read(*table_, 1), image);
    EXPECT_EQ(Contents(1), Pattern(300, 1));
    Close(table_);
}

TEST_F(TableBlob, WhenOneBlobCannotBeStoredTheRecordKeepsAllItsBlobs) {
    table_->InsertRecord(BlankRecord(*table_));
    table_->InsertRecord(BlankRecord(*table_));
    table_->WriteBlob(1, *text_, Pattern(200, 1));  // blocks 512 and 640
    table_->WriteBlob(2, *text_, Pattern(50, 2));
    table_->WriteBlob(1, *text_, {});  // free list: 640, then 512
    ASSERT_EQ(table_->BlobFile()->Header().FreeBlockHead, 640);
    Close(table_);
    // The free list's last link is damaged: the first new chain gets block 640, the second fails.
    Patch(File("Notes.BLB"), 512 + 4, I32(1000));
    table_ = Open("Notes");
    text_ = &table_->Fields()[1];
    picture_ = &table_->Fields()[2];
    const std::vector<uint8_t> image = Read(*table_, 2);

    const std::vector<uint8_t> contents = Pattern(30, 3);
    const TDataTable::TBlobContents blobs[] = {{text_, contents}, {picture_, contents}};
    EXPECT_EQ(Raised([&] { table_->WriteBlobs(2, blobs); }).Code, 8963);
    EXPECT_EQ(Read(*table_, 2), image);
    EXPECT_EQ(Contents(2), Pattern(50, 2));
    EXPECT_TRUE(IsFieldNull(Read(*table_, 2), *picture_));
    // Block 640 went back to the free list: it is as it was.
    EXPECT_EQ(table_->BlobFile()->Header().FreeBlockHead, 640);
    Close(table_);
}

}  // namespace
}  // namespace kartei::testing
