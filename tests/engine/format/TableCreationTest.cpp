// Field layout, record sizes and the header of a new table over its life: creation, writes, emptying.
#include <gtest/gtest.h>

#include <vector>

#include "ExpectKarteiError.h"
#include "engine/format/DataFileImage.h"
#include "engine/format/FieldWidths.h"
#include "engine/format/HeaderLifecycle.h"
#include "engine/format/RecordLayout.h"
#include "kartei/Field.h"

namespace kartei {
namespace {

TFieldDescriptor Field(uint8_t type, uint8_t size = 0, uint8_t subtype = 0) {
    return TFieldDescriptor::Define("f" + std::to_string(type), type, size, subtype);
}

TEST(TableCreationTest, DataWidthFollowsFromTypeAndDeclaredSize) {
    EXPECT_EQ(FieldDataWidth(FieldType::String, 20), 21);
    EXPECT_EQ(FieldDataWidth(FieldType::String, 255), 256);
    for (uint8_t type : {FieldType::Boolean, FieldType::SmallInt, FieldType::Word}) {
        EXPECT_EQ(FieldDataWidth(type, 0), 2);
    }
    for (uint8_t type : {FieldType::Date, FieldType::Integer, FieldType::Time, FieldType::Raw4}) {
        EXPECT_EQ(FieldDataWidth(type, 0), 4);
    }
    for (uint8_t type : {FieldType::Blob, FieldType::Float, FieldType::Bcd, FieldType::DateTime}) {
        EXPECT_EQ(FieldDataWidth(type, 0), 8);
    }
    EXPECT_EQ(FieldDataWidth(FieldType::Raw10, 0), 10);
    EXPECT_EQ(FieldDataWidth(FieldType::Bytes, 17), 17);
    EXPECT_EQ(FieldDataWidth(FieldType::VarBytes, 3), 3);
    EXPECT_EQ(FieldDataWidth(40, 6), 6);
}

TEST(TableCreationTest, FieldsLieOneAfterAnotherFromOffset9ExceptAutoIncrementAndNonStored) {
    std::vector<TFieldDescriptor> fields = {Field(FieldType::String, 250), Field(FieldType::Integer, 0, 29),
                                            Field(FieldType::SmallInt), Field(FieldType::Float)};
    fields[2].NonStored = 1;
    fields[3].Decimals = 0;
    LayOutFields(fields, "T");
    EXPECT_EQ(fields[0].Offset, 9);  // String(250): flag and 251 value bytes, 252 in all
    EXPECT_EQ(fields[0].DataWidth, 251);
    EXPECT_EQ(fields[1].Offset, 5);
    EXPECT_EQ(fields[2].Offset, 261);
    EXPECT_EQ(fields[3].Offset, 261);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fields[k].FieldNumber, k + 1);
    }
    EXPECT_EQ(ComputeRecordSize(fields), 9u + 252 + 9);

    std::vector<TFieldDescriptor> onlyCounter = {Field(FieldType::Integer, 0, 29)};
    LayOutFields(onlyCounter, "T");
    EXPECT_EQ(ComputeRecordSize(onlyCounter), 9u);
}

TEST(TableCreationTest, InvalidFieldDefinitionsAreRejected) {
    const auto rejected = [](TFieldDescriptor field) {
        field.Name = "Wert";
        std::vector<TFieldDescriptor> fields = {field};
        ExpectKarteiError(
            [&] { LayOutFields(fields, "T.DAT"); }, 10000,
            "Kartei Engine Error # 10000 Invalid field definition specified for the field 'Wert' in "
            "table 'T.DAT'");
    };
    rejected(Field(0));
    rejected(Field(FieldType::String, 251));
    rejected(Field(FieldType::Integer, 4));
    TFieldDescriptor decimals = Field(FieldType::Float);
    decimals.Decimals = 2;
    rejected(decimals);
    TFieldDescriptor badDefault = Field(FieldType::Date);
    badDefault.DefaultValue = "gestern";
    rejected(badDefault);

    TFieldDescriptor bcd = Field(FieldType::Bcd);
    bcd.Decimals = 2;
    bcd.MaxValue = "99.99";
    EXPECT_TRUE(IsValidFieldDefinition(bcd));
}

TEST(TableCreationTest, NewHeaderFollowsTheCreationSteps) {
    std::vector<TFieldDescriptor> fields = {Field(FieldType::Integer, 0, 29), Field(FieldType::Blob, 0, 22)};
    TNewTableOptions options;
    options.LanguageId = 0x0407;
    options.SortId = 1;
    options.UserVersion1 = 7;
    options.UserVersion2 = -7;
    options.Password = "ignored";
    options.Description = std::string(60, 'd');
    options.BlobBlockSize = 1024;
    const TDataHeader header = CreateDataHeader(options, fields, "T.DAT");
    EXPECT_EQ(header.Version, 4);
    EXPECT_EQ(header.ChangeCount, 0);
    EXPECT_EQ(header.FreeListHead, 0);
    EXPECT_EQ(header.NextRecordNumber, 1);
    EXPECT_EQ(header.LastAutoIncValue, 0);
    EXPECT_EQ(header.RecordSize, 18);
    EXPECT_EQ(header.FieldCount, 2);
    EXPECT_EQ(header.BlobFieldCount, 1);
    EXPECT_EQ(header.BlobBlockSize, 1024u);
    EXPECT_EQ(header.Description, std::string(50, 'd'));
    EXPECT_EQ(header.Password, "");  // not encrypted: no password
    EXPECT_EQ(header.EngineVersion, 21100);
    EXPECT_EQ(header.UserVersion1, 7);
    EXPECT_EQ(header.UserVersion2, -7);
    EXPECT_EQ(fields[1].Offset, 9);

    // An empty table's file: header and descriptors only.
    const std::vector<uint8_t> image = NewDataFileImage(header, fields);
    EXPECT_EQ(image.size(), 127u + 2 * 768);
    EXPECT_EQ(TDataHeader::Decode(std::span(image).first<127>()).NextRecordNumber, 1);

    options.Encrypted = true;
    options.Password = std::string(20, 'p');
    EXPECT_EQ(CreateDataHeader(options, fields, "T.DAT").Password, std::string(15, 'p'));
}

TEST(TableCreationTest, CreationLimitsRaiseTheirErrors) {
    std::vector<TFieldDescriptor> blobs(64, Field(FieldType::Blob));
    EXPECT_EQ(CreateDataHeader({}, blobs, "B.DAT").BlobFieldCount, 64);
    blobs.push_back(Field(FieldType::Blob));
    ExpectKarteiError(
        [&] { CreateDataHeader({}, blobs, "B.DAT"); }, 9498,
        "Kartei Engine Error # 9498 Too many blob fields or invalid blob block size specified for "
        "table 'B.DAT'");

    // 9 + 260 x 252 + (1 + 6) = 65536 bytes: one too many; with Bytes(5) it is 65535 and fits.
    std::vector<TFieldDescriptor> strings(260, Field(FieldType::String, 250));
    strings.push_back(Field(FieldType::Bytes, 6));
    ExpectKarteiError([&] { CreateDataHeader({}, strings, "S.DAT"); }, 9477,
                      "Kartei Engine Error # 9477 Maximum record size exceeded in table 'S.DAT'");
    strings.back().Size = 5;
    EXPECT_EQ(CreateDataHeader({}, strings, "S.DAT").RecordSize, 65535);

    std::vector<TFieldDescriptor> many(1025, Field(FieldType::Boolean));
    ExpectKarteiError(
        [&] { CreateDataHeader({}, many, "M.DAT"); }, 9492,
        "Kartei Engine Error # 9492 Maximum or minimum limits on number of fields, auto-increment "
        "field value, or field size exceeded in table 'M.DAT'");
}

TEST(TableCreationTest, HeaderWritesCountAndStampAndEmptyingResets) {
    TDataHeader header;
    header.ChangeCount = 41;
    PrepareHeaderWrite(header, true, 45000.5);
    EXPECT_EQ(header.ChangeCount, 42);
    EXPECT_EQ(header.EngineVersion, 21100);
    EXPECT_EQ(header.LastUpdate, 45000.5 - 693594);
    EXPECT_EQ(header.PendingChanges, 1);
    header.ChangeCount = 2147483647;
    PrepareHeaderWrite(header, false, 0);
    EXPECT_EQ(header.ChangeCount, -2147483647 - 1);
    EXPECT_EQ(header.PendingChanges, 0);

    header.FieldCount = 2;
    header.FreeListHead = 4;
    header.NextRecordNumber = 10;
    header.LastAutoIncValue = 30;
    EmptyDataHeader(header);
    EXPECT_EQ(header.ChangeCount, 0);
    EXPECT_EQ(header.FreeListHead, 0);
    EXPECT_EQ(header.NextRecordNumber, 1);
    EXPECT_EQ(header.LastAutoIncValue, 0);
    EXPECT_EQ(header.FileLength(), 1663);
}

}  // namespace
}  // namespace kartei
