// The header and field descriptors, byte for byte, and the checks made when they are read.
#include <gtest/gtest.h>

#include <vector>

#include "ExpectKarteiError.h"
#include "engine/format/DataFileImage.h"
#include "engine/format/DataHeader.h"
#include "engine/format/FieldDescriptor.h"
#include "engine/format/HeaderLifecycle.h"
#include "engine/format/Scramble.h"

namespace kartei {
namespace {

void Put(std::vector<uint8_t>& bytes, size_t at, std::initializer_list<uint8_t> values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::vector<uint8_t> SampleHeader() {
    std::vector<uint8_t> bytes(127, 0);
    Put(bytes, 0, {0x01, 0x02, 0x03, 0x04});         // change count
    Put(bytes, 4, {0x00, 0x04, 0x01, 0x00});         // blob block size 0x10400
    Put(bytes, 8, {4, 3, 0, 0, 0, 9, 0, 0, 0});      // version, free-list head 3, next record 9
    Put(bytes, 17, {0xFF, 0xFF, 0xFF, 0x7F});        // last auto-increment 2147483647
    Put(bytes, 21, {0x24, 0, 2, 0, 0xFF, 0xFF});     // record size 36, 2 fields, blob count -1
    Put(bytes, 27, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F});  // 1.5
    Put(bytes, 35, {3, 'A', 'B', 'C'});
    Put(bytes, 103, {0x07, 0x04, 0x01, 0x00, 0xFE, 0xFF, 0x05, 0x00, 1, 0x10, 0, 0, 0});
    Put(bytes, 116, {0x6C, 0x52, 0, 0, 0, 0, 0, 0, 0xA1, 0xA2, 0xA3});
    return bytes;
}

TEST(HeaderCodingTest, EveryHeaderFieldIsReadFromItsOffsetAndWrittenBack) {
    const std::vector<uint8_t> bytes = SampleHeader();
    const TDataHeader header = TDataHeader::Decode(std::span(bytes).first<127>());
    EXPECT_EQ(header.ChangeCount, 0x04030201);
    EXPECT_EQ(header.BlobBlockSize, 0x10400u);
    EXPECT_EQ(header.EffectiveBlobBlockSize(), 0x400);  // only the low 16 bits count
    EXPECT_EQ(header.Version, 4);
    EXPECT_EQ(header.FreeListHead, 3);
    EXPECT_EQ(header.NextRecordNumber, 9);
    EXPECT_EQ(header.RecordSlotCount(), 8);
    EXPECT_EQ(header.LastAutoIncValue, 2147483647);
    EXPECT_EQ(header.RecordSize, 36);
    EXPECT_EQ(header.FieldCount, 2);
    EXPECT_EQ(header.BlobFieldCount, -1);
    EXPECT_EQ(header.LastUpdate, 1.5);
    EXPECT_EQ(header.Description, "ABC");
    EXPECT_EQ(header.Encrypted, 0);
    EXPECT_EQ(header.Password, "");
    EXPECT_EQ(header.LanguageId, 0x0407);
    EXPECT_EQ(header.SortId, 1);
    EXPECT_EQ(header.UserVersion1, -2);
    EXPECT_EQ(header.UserVersion2, 5);
    EXPECT_EQ(header.PendingChanges, 1);
    EXPECT_EQ(header.LastBlobSequence, 16);
    EXPECT_EQ(header.EngineVersion, 21100);
    EXPECT_EQ(header.Reserved, (std::array<uint8_t, 3>{0xA1, 0xA2, 0xA3}));
    EXPECT_EQ(header.DataStart(), 127 + 2 * 768);
    EXPECT_EQ(header.RecordFileOffset(3), 1663 + 2 * 36);
    EXPECT_EQ(header.FileLength(), 1663 + 8 * 36);

    std::vector<uint8_t> written(127, 0xEE);
    header.Encode(std::span(written).first<127>());
    EXPECT_EQ(written, bytes);
}

TEST(HeaderCodingTest, DescriptionAndPasswordCharactersAreScrambledWhenEncrypted) {
    TDataHeader header;
    header.Encrypted = 1;
    header.Description = "Orte";
    header.Password = "geheim";
    std::vector<uint8_t> bytes(127, 0);
    header.Encode(std::span(bytes).first<127>());
    EXPECT_EQ(bytes[35], 4);
    EXPECT_EQ(bytes[87], 6);
    for (size_t k = 0; k < 6; ++k) {
        const auto counter = static_cast<uint8_t>(static_cast<uint8_t>(kTextScrambleKeyLow + k) ^
                                                  static_cast<uint8_t>(kTextScrambleKeyHigh - k));
        if (k < 4) {
            EXPECT_EQ(bytes[36 + k], static_cast<uint8_t>("Orte"[k] ^ counter));
        }
        EXPECT_EQ(bytes[88 + k], static_cast<uint8_t>("geheim"[k] ^ counter));
    }
    const TDataHeader read = TDataHeader::Decode(std::span(bytes).first<127>());
    EXPECT_EQ(read.Description, "Orte");
    EXPECT_EQ(read.Password, "geheim");
}

TEST(HeaderCodingTest, EveryDescriptorFieldIsReadFromItsOffsetAndReservedBytesSurvive) {
    std::vector<uint8_t> bytes(768, 0);
    Put(bytes, 0, {3, 0, 4, 'N', 'a', 'm', 'e'});
    Put(bytes, 33, {2, 'd', 'e'});
    Put(bytes, 84, {8, 0, 0, 2, 8, 2, 0x0E, 0x01, 1, 2});
    Put(bytes, 94, {1, '0'});
    Put(bytes, 145, {3, '9', '.', '5'});
    Put(bytes, 196, {1, '1'});
    for (size_t k = 248; k < 768; ++k) {
        bytes[k] = static_cast<uint8_t>(k);
    }
    const TFieldDescriptor field = DecodeFieldDescriptor(std::span(bytes).first<768>());
    EXPECT_EQ(field.FieldNumber, 3);
    EXPECT_EQ(field.Name, "Name");
    EXPECT_EQ(field.Description, "de");
    EXPECT_EQ(field.FieldType, FieldType::Bcd);
    EXPECT_EQ(field.Decimals, 2);
    EXPECT_EQ(field.DataWidth, 8);
    EXPECT_EQ(field.DecimalsCopy, 2);
    EXPECT_EQ(field.Offset, 0x010E);
    EXPECT_EQ(field.Required, 1);
    EXPECT_EQ(field.CharCase, CharCase::Upper);
    EXPECT_EQ(field.MinValue, "0");
    EXPECT_EQ(field.MaxValue, "9.5");
    EXPECT_EQ(field.DefaultValue, "1");
    EXPECT_EQ(field.NonStored, 0);
    EXPECT_EQ(field.Reserved[5], 253);

    std::vector<uint8_t> written(768, 0xEE);
    EncodeFieldDescriptor(field, std::span(written).first<768>());
    EXPECT_EQ(written, bytes);
}

TEST(HeaderCodingTest, ReadingTheHeaderRejectsTooManyFieldsAndVerificationAWrongVersion) {
    std::vector<uint8_t> bytes = SampleHeader();
    Put(bytes, 23, {0x00, 0x04});  // 1024 fields is the limit
    EXPECT_EQ(ReadDataHeader(std::span(bytes).first<127>(), "City.DAT").FieldCount, 1024);
    Put(bytes, 23, {0x01, 0x04});
    ExpectKarteiError([&] { ReadDataHeader(std::span(bytes).first<127>(), "City.DAT"); }, 8961,
                      "Kartei Engine Error # 8961 Header information corrupt in table 'City.DAT'");

    bytes[8] = 3;
    Put(bytes, 23, {2, 0});
    const TDataHeader old = ReadDataHeader(std::span(bytes).first<127>(), "City.DAT");
    ExpectKarteiError([&] { CheckDataFileVersion(old, "City.DAT"); }, 12035,
                      "Kartei Engine Error # 12035 table 'City.DAT' is not the correct version");
}

TEST(HeaderCodingTest, DescriptorAreaIsUnscrambledAndItsFieldsMustLieInsideTheRecord) {
    TDataHeader header;
    header.FieldCount = 2;
    header.RecordSize = 36;
    header.Encrypted = 1;
    header.EngineVersion = 21100;
    TFieldDescriptor cityId;
    cityId.FieldNumber = 1, cityId.Name = "city_id", cityId.FieldType = FieldType::Integer, cityId.Offset = 9;
    cityId.DataWidth = 99;  // a wrong width is recomputed from the type
    TFieldDescriptor code;
    code.FieldNumber = 2, code.Name = "areacode", code.FieldType = FieldType::String, code.Size = 20;
    code.DataWidth = 21, code.Offset = 14;
    std::vector<uint8_t> area = EncodeFieldDescriptors(std::vector{cityId, code}, header);
    EXPECT_NE(area[3], 'c');  // scrambled on the way out

    std::vector<uint8_t> copy = area;
    const std::vector<TFieldDescriptor> fields = ReadFieldDescriptors(copy, header, "AreaCode.DAT");
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].Name, "city_id");
    EXPECT_EQ(fields[0].DataWidth, 4);
    EXPECT_EQ(fields[1].Name, "areacode");

    const std::string corrupt =
        "Kartei Engine Error # 8961 Header information corrupt in table 'AreaCode.DAT'";
    header.RecordSize = 35;  // areacode would end one byte beyond the record
    copy = area;
    ExpectKarteiError([&] { ReadFieldDescriptors(copy, header, "AreaCode.DAT"); }, 8961, corrupt);
    header.RecordSize = 8;
    header.FieldCount = 0;
    ExpectKarteiError([&] { ReadFieldDescriptors(copy, header, "AreaCode.DAT"); }, 8961, corrupt);
    header.RecordSize = 36;
    header.FieldCount = 3;
    copy = area;
    ExpectKarteiError([&] { ReadFieldDescriptors(copy, header, "AreaCode.DAT"); }, 8961, corrupt);
}

}  // namespace
}  // namespace kartei
