// Blobs through a cursor: opened into memory under a handle that stands in the record image, read and edited
// there, stored with the record or dropped; at most 64 open at once; and no handle ever reaches the disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/CursorTestSupport.h"

namespace kartei::testing {
namespace {

class CursorBlobs : public CursorTest {
protected:
    void SetUp() override {
        TTableDefinition definition;
        definition.Fields = {TFieldDescriptor::Define("title", FieldType::String, 20),
                             TFieldDescriptor::Define("text", FieldType::Blob, 0, 22),
                             TFieldDescriptor::Define("picture", FieldType::Blob)};
        definition.SecondaryIndexes = {TIndexDefinition::Over("title", {1})};
        definition.Options.BlobBlockSize = 128;
        table_ = Create("Notes", definition);
        ASSERT_NE(table_, nullptr);
        table_->InsertRecord(Titled("Brief"));
        table_->InsertRecord(Titled("Karte"));
        table_->WriteBlob(1, Text(), Pattern(300, 1));
        cursor_ = OpenCursor("Notes");
    }
    void TearDown() override {
        cursor_.reset();
        if (table_ != nullptr) {
            Close(table_);
        }
    }

    const TFieldDescriptor& Text() const { return table_->Fields()[1]; }
    const TFieldDescriptor& Picture() const { return table_->Fields()[2]; }
    std::vector<uint8_t> Titled(std::string_view title) const {
        std::vector<uint8_t> image = BlankRecord(*table_);
        SetStringField(image, table_->Fields()[0], title, 0, 0);
        return image;
    }
    static std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
        std::vector<uint8_t> bytes(length);
        for (size_t k = 0; k < length; ++k) {
            bytes[k] = static_cast<uint8_t>(k * 11 + seed);
        }
        return bytes;
    }
    // What the table has stored for a field of a record.
    std::vector<uint8_t> Stored(int32_t recordNumber, const TFieldDescriptor& field) {
        TEngineBuffer buffer(64);
        const size_t length = table_->ReadBlob(Read(*table_, recordNumber), field, buffer);
        return std::vector<uint8_t>(buffer.Data(), buffer.Data() + length);
    }
    // The whole contents of an open blob through the cursor.
    std::vector<uint8_t> Contents(const std::vector<uint8_t>& image, const TFieldDescriptor& field) {
        std::vector<uint8_t> bytes(cursor_->BlobSize(image, field));
        EXPECT_EQ(cursor_->ReadBlob(image, field, 0, bytes), bytes.size());
        return bytes;
    }

    TDataTable* table_ = nullptr;
    std::unique_ptr<TDataCursor> cursor_;
};

TEST_F(CursorBlobs, AnOpenBlobIsReadThroughTheHandleInTheImage) {
    std::vector<uint8_t> image = Read(*table_, 1);
    const std::vector<uint8_t> original = image;
    const TBlobReference stored = GetBlobField(image, Text());

    const int32_t handle = cursor_->OpenBlob(image, Text());
    EXPECT_LT(handle, 0);
    EXPECT_EQ(GetBlobField(image, Text()).Offset, handle);
    EXPECT_EQ(GetBlobField(image, Text()).BlobId, stored.BlobId);
    EXPECT_EQ(cursor_->OpenBlobCount(), 1);
    EXPECT_EQ(cursor_->BlobSize(image, Text()), 300u);
    EXPECT_EQ(Contents(image, Text()), Pattern(300, 1));
    // From an offset: what is left, up to the buffer; at the end nothing; past it 9998.
    std::vector<uint8_t> tail(100);
    EXPECT_EQ(cursor_->ReadBlob(image, Text(), 250, tail), 50u);
    const std::vector<uint8_t> expected = Pattern(300, 1);
    EXPECT_TRUE(std::equal(expected.begin() + 250, expected.end(), tail.begin()));
    EXPECT_EQ(cursor_->ReadBlob(image, Text(), 300, tail), 0u);
    const TRaised past = Raised([&] { cursor_->ReadBlob(image, Text(), 301, tail); });
    EXPECT_EQ(past.Code, 9998);
    EXPECT_EQ(past.Message, EngineMessage(9998, "Invalid blob offset into table 'Notes.DAT' specified"));

    // Opening the field again gives the same blob.
    EXPECT_EQ(cursor_->OpenBlob(image, Text()), handle);
    EXPECT_EQ(cursor_->OpenBlobCount(), 1);
    // An empty field opens an empty blob, and closing gives the image back as it was.
    EXPECT_LT(cursor_->OpenBlob(image, Picture()), 0);
    EXPECT_EQ(cursor_->BlobSize(image, Picture()), 0u);
    cursor_->CloseBlob(image, Picture());
    cursor_->CloseBlob(image, Text());
    EXPECT_EQ(image, original);
    EXPECT_EQ(cursor_->OpenBlobCount(), 0);
}

TEST_F(CursorBlobs, SixtyFourBlobsMayBeOpenInACursor) {
    std::vector<std::vector<uint8_t>> images(65, Read(*table_, 1));
    std::vector<int32_t> handles;
    for (size_t k = 0; k < 64; ++k) {
        handles.push_back(cursor_->OpenBlob(images[k], Text()));
    }
    std::sort(handles.begin(), handles.end());
    EXPECT_EQ(std::unique(handles.begin(), handles.end()), handles.end());
    EXPECT_EQ(cursor_->OpenBlobCount(), 64);

    const TRaised tooMany = Raised([&] { cursor_->OpenBlob(images[64], Text()); });
    EXPECT_EQ(tooMany.Code, 9494);
    EXPECT_EQ(tooMany.Message, EngineMessage(9494, "Too many blobs opened in table 'Notes.DAT'"));
    EXPECT_EQ(images[64], Read(*table_, 1));
    EXPECT_EQ(cursor_->OpenBlobCount(), 64);
    // Another cursor has blobs of its own.
    auto other = OpenCursor("Notes");
    std::vector<uint8_t> otherImage = Read(*table_, 1);
    EXPECT_LT(other->OpenBlob(otherImage, Text()), 0);

    cursor_->CloseBlob(images[10], Text());
    EXPECT_LT(cursor_->OpenBlob(images[64], Text()), 0);
    EXPECT_EQ(Contents(images[64], Text()), Pattern(300, 1));

    // Closing the cursor closes them all: their handles mean nothing after it opens again.
    cursor_->Close();
    EXPECT_EQ(cursor_->OpenBlobCount(), 0);
    cursor_ = OpenCursor("Notes");
    EXPECT_EQ(Raised([&] { cursor_->BlobSize(images[0], Text()); }).Code, 10030);
}

TEST_F(CursorBlobs, OnlyAnOpenHandleOfTheCursorForThatFieldIsABlob) {
    const std::string invalid = EngineMessage(10030, "Invalid blob handle for table 'Notes.DAT' specified");
    std::vector<uint8_t> image = Read(*table_, 1);
    // A block offset is no handle.
    const TRaised notOpen = Raised([&] { cursor_->BlobSize(image, Text()); });
    EXPECT_EQ(notOpen.Code, 10030);
    EXPECT_EQ(notOpen.Message, invalid);
    // Nor is a handle once closed, or one of another cursor.
    std::vector<uint8_t> closed = image;
    cursor_->OpenBlob(closed, Text());
    std::vector<uint8_t> stale = closed;
    cursor_->CloseBlob(closed, Text());
    std::vector<uint8_t> chunk(10);
    for (const auto& call : std::vector<std::function<void()>>{
             [&] { cursor_->BlobSize(stale, Text()); }, [&] { cursor_->ReadBlob(stale, Text(), 0, chunk); },
             [&] { cursor_->WriteBlob(stale, Text(), 0, chunk); },
             [&] { cursor_->TruncateBlob(stale, Text(), 0); }, [&] { cursor_->CloseBlob(stale, Text()); },
             [&] { cursor_->WriteOpenBlobs(1, stale); }, [&] { cursor_->OpenBlob(stale, Text()); }}) {
        EXPECT_EQ(Raised(call).Message, invalid);
    }
    auto other = OpenCursor("Notes");
    std::vector<uint8_t> others = image;
    other->OpenBlob(others, Text());
    EXPECT_EQ(Raised([&] { cursor_->BlobSize(others, Text()); }).Code, 10030);
    // A handle copied into the other blob field does not belong there.
    std::vector<uint8_t> copied = image;
    const int32_t handle = cursor_->OpenBlob(copied, Text());
    SetBlobField(copied, Picture(), {handle, 0});
    EXPECT_EQ(Raised([&] { cursor_->BlobSize(copied, Picture()); }).Code, 10030);
    EXPECT_EQ(Raised([&] { cursor_->WriteOpenBlobs(1, copied); }).Code, 10030);
    EXPECT_EQ(Stored(1, Picture()), std::vector<uint8_t>{});

    // Fields that are no blob fields, and images of another size.
    EXPECT_EQ(Raised([&] { cursor_->OpenBlob(image, table_->Fields()[0]); }).Code, 10753);
    std::vector<uint8_t> shortImage(image.size() - 1);
    EXPECT_EQ(Raised([&] { cursor_->OpenBlob(shortImage, Text()); }).Code, 8962);
}

TEST_F(CursorBlobs, EditedBlobsAreStoredWithTheirRecordAndReadBackAsWritten) {
    std::vector<uint8_t> image = Read(*table_, 1);
    const TBlobReference before = GetBlobField(image, Text());
    cursor_->OpenBlob(image, Text());
    cursor_->OpenBlob(image, Picture());
    std::vector<uint8_t> expected = Pattern(300, 1);

    // Over the middle, past the end, and beyond a gap, which reads as zeros.
    const std::vector<uint8_t> middle = Pattern(40, 7);
    cursor_->WriteBlob(image, Text(), 100, middle);
    std::copy(middle.begin(), middle.end(), expected.begin() + 100);
    const std::vector<uint8_t> tail = Pattern(50, 9);
    cursor_->WriteBlob(image, Text(), 280, tail);
    expected.resize(280);
    expected.insert(expected.end(), tail.begin(), tail.end());
    cursor_->WriteBlob(image, Text(), 400, middle);
    expected.resize(400, 0);
    expected.insert(expected.end(), middle.begin(), middle.end());
    EXPECT_EQ(Contents(image, Text()), expected);
    cursor_->TruncateBlob(image, Text(), 300);
    expected.resize(300);
    EXPECT_EQ(Raised([&] { cursor_->TruncateBlob(image, Text(), 301); }).Code, 9998);
    EXPECT_EQ(Contents(image, Text()), expected);
    // The bytes cut off do not come back in a gap.
    const std::vector<uint8_t> last = Pattern(5, 3);
    cursor_->WriteBlob(image, Text(), 310, last);
    expected.resize(310, 0);
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(Contents(image, Text()), expected);
    // The record holds what it held until the blobs are stored.
    EXPECT_EQ(Stored(1, Text()), Pattern(300, 1));

    cursor_->WriteOpenBlobs(1, image);
    EXPECT_EQ(cursor_->OpenBlobCount(), 0);
    const std::vector<uint8_t> stored = Read(*table_, 1);
    EXPECT_GT(GetBlobField(image, Text()).Offset, 0);
    EXPECT_NE(GetBlobField(image, Text()).BlobId, before.BlobId);
    EXPECT_EQ(image, stored);  // the unchanged picture keeps its (empty) field
    EXPECT_EQ(Stored(1, Text()), expected);

    // Read again through a new handle, from the image the record gave back.
    cursor_->OpenBlob(image, Text());
    EXPECT_EQ(Contents(image, Text()), expected);
    cursor_->CloseBlob(image, Text());
    Close(table_);
    cursor_->Close();
    table_ = Open("Notes");
    table_->VerifyFiles();
    EXPECT_EQ(Stored(1, Text()), expected);
}

TEST_F(CursorBlobs, TwoEditedFieldsAreStoredTogetherAndADroppedEditIsLost) {
    std::vector<uint8_t> image = Read(*table_, 2);
    cursor_->OpenBlob(image, Text());
    cursor_->OpenBlob(image, Picture());
    cursor_->WriteBlob(image, Text(), 0, Pattern(20, 3));
    cursor_->WriteBlob(image, Picture(), 0, Pattern(700, 4));
    cursor_->WriteOpenBlobs(2, image);
    EXPECT_EQ(image, Read(*table_, 2));
    EXPECT_EQ(Stored(2, Text()), Pattern(20, 3));
    EXPECT_EQ(Stored(2, Picture()), Pattern(700, 4));

    // Cut to nothing: the field is stored empty. A closed edit is dropped.
    cursor_->OpenBlob(image, Text());
    cursor_->OpenBlob(image, Picture());
    cursor_->TruncateBlob(image, Text(), 0);
    cursor_->WriteBlob(image, Picture(), 0, Pattern(5, 5));
    cursor_->CloseBlob(image, Picture());
    cursor_->WriteOpenBlobs(2, image);
    EXPECT_TRUE(IsFieldNull(image, Text()));
    EXPECT_EQ(image, Read(*table_, 2));
    EXPECT_EQ(Stored(2, Text()), std::vector<uint8_t>{});
    EXPECT_EQ(Stored(2, Picture()), Pattern(700, 4));
}

TEST_F(CursorBlobs, BlobsThatCannotBeStoredStayOpen) {
    std::vector<uint8_t> image = Read(*table_, 1);
    cursor_->OpenBlob(image, Text());
    cursor_->WriteBlob(image, Text(), 0, Pattern(10, 2));
    const std::vector<uint8_t> edited = image;
    table_->DeleteRecord(2);
    EXPECT_EQ(Raised([&] { cursor_->WriteOpenBlobs(2, image); }).Code, 8708);
    EXPECT_EQ(Raised([&] { cursor_->WriteOpenBlobs(9, image); }).Code, 8710);
    EXPECT_EQ(image, edited);
    EXPECT_EQ(cursor_->OpenBlobCount(), 1);
    cursor_->WriteOpenBlobs(1, image);
    std::vector<uint8_t> expected = Pattern(300, 1);
    const std::vector<uint8_t> head = Pattern(10, 2);
    std::copy(head.begin(), head.end(), expected.begin());
    EXPECT_EQ(Stored(1, Text()), expected);
}

TEST_F(CursorBlobs, AnImageWhoseBlobWasReplacedSinceCannotOpenIt) {
    const std::vector<uint8_t> old = Read(*table_, 1);
    table_->WriteBlob(1, Text(), Pattern(30, 6));
    std::vector<uint8_t> image = old;
    EXPECT_EQ(Raised([&] { cursor_->OpenBlob(image, Text()); }).Code, 8708);
    EXPECT_EQ(image, old);
    EXPECT_EQ(cursor_->OpenBlobCount(), 0);
}

TEST_F(CursorBlobs, AHandleInAnImageNeverReachesTheDisk) {
    std::vector<uint8_t> image = Read(*table_, 1);
    const TBlobReference stored = GetBlobField(image, Text());
    cursor_->OpenBlob(image, Text());
    cursor_->WriteBlob(image, Text(), 0, Pattern(5, 8));
    SetStringField(image, table_->Fields()[0], "Postkarte", 0, 0);
    table_->ModifyRecord(1, image);
    const int32_t inserted = table_->InsertRecord(image);

    cursor_->Close();
    Close(table_);
    table_ = Open("Notes");
    table_->VerifyFiles();
    const std::vector<uint8_t> modified = Read(*table_, 1);
    EXPECT_EQ(GetStringField(modified, table_->Fields()[0]), "Postkarte");
    EXPECT_EQ(GetBlobField(modified, Text()).Offset, stored.Offset);
    EXPECT_EQ(GetBlobField(modified, Text()).BlobId, stored.BlobId);
    EXPECT_EQ(Stored(1, Text()), Pattern(300, 1));
    EXPECT_TRUE(IsFieldNull(Read(*table_, inserted), Text()));
    EXPECT_EQ(GetBlobField(Read(*table_, inserted), Text()).Offset, 0);
}

}  // namespace
}  // namespace kartei::testing
