#include <gtest/gtest.h>

#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

class TableBlob : public TableTest {
protected:
    void SetUp() override {
        TTableDefinition definition;
        definition.Fields = {TFieldDescriptor::Define("title", FieldType::String, 20),
                             TFieldDescriptor::Define("text", FieldType::Blob, 0, 22)};
        definition.Options.BlobBlockSize = 128;
        table_ = Create("Notes", definition);
        ASSERT_NE(table_, nullptr);
        ASSERT_NE(table_->BlobFile(), nullptr);
        text_ = &table_->Fields()[1];
    }

    std::vector<uint8_t> Contents(int32_t recordNumber) {
        TEngineBuffer buffer(64);
        const size_t length = table_->ReadBlob(Read(*table_, recordNumber), *text_, buffer);
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

}  // namespace
}  // namespace kartei::testing
