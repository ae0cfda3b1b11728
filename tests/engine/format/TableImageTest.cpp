// The program's two tables built as complete data file images, then read back from their bytes alone.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/format/AutoIncrement.h"
#include "engine/format/DataFileImage.h"
#include "engine/format/FreeList.h"
#include "engine/format/HeaderLifecycle.h"
#include "engine/format/RecordLayout.h"
#include "kartei/Record.h"

namespace kartei {
namespace {

constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kPhoneBookOrder = 1;
constexpr double kWriteTime = 45000.25;  // 2023-03-15 06:00 as a day count from 1899-12-30

// Rows of data/vorwahlen.csv (cp1252), with the city ids the import gave them.
struct TCityRow {
    int32_t Id;
    std::string City;
    std::string AreaCode;
};
const std::vector<TCityRow> kRows = {{3, "Berlin", "030"},    {7, "Bottrop", "02041"},
                                     {8, "Essen", "0201"},    {11, "Hamburg", "040"},
                                     {12, "Hilden", "02103"}, {15, "K\xF6ln", "0221"}};

struct TTableImage {
    TDataHeader Header;
    std::vector<TFieldDescriptor> Fields;
    std::vector<uint8_t> Bytes;

    TTableImage(std::vector<TFieldDescriptor> fields, const std::string& name) : Fields(std::move(fields)) {
        TNewTableOptions options;
        options.LanguageId = kGerman;
        options.SortId = kPhoneBookOrder;
        Header = CreateDataHeader(options, Fields, name);
        Bytes = NewDataFileImage(Header, Fields);
    }

    // Appends a live record; `fill` sets its fields.
    template <class Fill>
    void Insert(Fill&& fill) {
        const TInsertSlot slot = NextInsertSlot(Header, false);
        ASSERT_FALSE(slot.Reused);
        const int32_t number = AppendRecordSlot(Header, "test");
        std::vector<uint8_t> record(Header.RecordSize);
        SetRecordStatus(record, kRecordLive);
        SetRecordLink(record, number);
        SetRecordAutoIncValue(record, TakeAutoIncValue(Header));
        TakeInsertSlot(Header, slot, 0);
        fill(std::span<uint8_t>(record));
        Bytes.insert(Bytes.end(), record.begin(), record.end());
    }

    std::span<uint8_t> Slot(int32_t number) {
        return std::span(Bytes).subspan(static_cast<size_t>(Header.RecordFileOffset(number)),
                                        Header.RecordSize);
    }

    void WriteHeader() {
        PrepareHeaderWrite(Header, true, kWriteTime);
        Header.Encode(std::span(Bytes).first<kDataHeaderSize>());
    }
};

TTableImage BuildCity() {
    std::vector<TFieldDescriptor> fields = {
        TFieldDescriptor::Define("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement),
        TFieldDescriptor::Define("City", FieldType::String, 200)};
    fields[0].Required = 1;
    TTableImage city(std::move(fields), "City.DAT");
    for (const TCityRow& row : kRows) {
        city.Insert([&](std::span<uint8_t> record) {
            SetIntegerField(record, city.Fields[0], row.Id);
            NoteExplicitAutoIncValue(city.Header, row.Id);
            SetStringField(record, city.Fields[1], row.City, kGerman, kPhoneBookOrder);
        });
    }
    // A seventh city, inserted with the next counter value and deleted again.
    city.Insert([&](std::span<uint8_t> record) {
        SetStringField(record, city.Fields[1], "Kempen", kGerman, kPhoneBookOrder);
    });
    DeleteRecordSlot(city.Header, city.Slot(7), 7, false);
    city.WriteHeader();
    return city;
}

TTableImage BuildAreaCode() {
    TTableImage codes({TFieldDescriptor::Define("city_id", FieldType::Integer),
                       TFieldDescriptor::Define("areacode", FieldType::String, 20)},
                      "AreaCode.DAT");
    for (const TCityRow& row : kRows) {
        codes.Insert([&](std::span<uint8_t> record) {
            SetIntegerField(record, codes.Fields[0], row.Id);
            SetStringField(record, codes.Fields[1], row.AreaCode, kGerman, kPhoneBookOrder);
        });
    }
    codes.WriteHeader();
    return codes;
}

std::vector<uint8_t> Bytes(std::span<const uint8_t> bytes, size_t at, size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at),
            bytes.begin() + static_cast<std::ptrdiff_t>(at + count)};
}

// The table as a reader sees it: header, descriptors, and the live records as (record number, record).
struct TDecodedTable {
    TDataHeader Header;
    std::vector<TFieldDescriptor> Fields;
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> LiveRecords;
};

TDecodedTable Decode(std::vector<uint8_t> file, const std::string& name) {
    TDecodedTable table;
    table.Header = ReadDataHeader(std::span(file).first<kDataHeaderSize>(), name);
    CheckDataFileVersion(table.Header, name);
    table.Fields = ReadFieldDescriptors(
        std::span(file).subspan(kDataHeaderSize, size_t{table.Header.FieldCount} * kFieldDescriptorSize),
        table.Header, name);
    EXPECT_EQ(static_cast<int64_t>(file.size()), table.Header.FileLength());
    for (int32_t number = 1; number <= table.Header.RecordSlotCount(); ++number) {
        const auto at = static_cast<size_t>(table.Header.RecordFileOffset(number));
        std::vector<uint8_t> record = Bytes(file, at, table.Header.RecordSize);
        if (RecordStatus(record) == kRecordLive) {
            EXPECT_EQ(RecordLink(record), number);
            table.LiveRecords.emplace_back(number, std::move(record));
        }
    }
    return table;
}

TEST(TableImageTest, CityFileHasTheHeaderDescriptorsAndRecordsOfTheFormat) {
    const TTableImage city = BuildCity();
    const std::vector<uint8_t>& file = city.Bytes;
    ASSERT_EQ(file.size(), 1663u + 7 * 211);

    EXPECT_EQ(Bytes(file, 0, 27), (std::vector<uint8_t>{1, 0, 0, 0,  0, 0, 0, 0,    4, 7, 0, 0, 0, 8,
                                                        0, 0, 0, 16, 0, 0, 0, 0xD3, 0, 2, 0, 0, 0}));
    EXPECT_EQ(Bytes(file, 35, 68), std::vector<uint8_t>(68, 0));  // no description, plain, no password
    EXPECT_EQ(Bytes(file, 103, 24), (std::vector<uint8_t>{0x07, 0x04, 1,    0, 0, 0, 0, 0, 1, 0, 0, 0,
                                                          0,    0x6C, 0x52, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Last-update stamp: 45000.25 - 693594 = -648593.75 = 2^19 x 1.2370920181274414, as an IEEE double.
    EXPECT_EQ(Bytes(file, 27, 8), (std::vector<uint8_t>{0, 0, 0, 0x80, 0x23, 0xCB, 0x23, 0xC1}));

    // Descriptor 1 at 127: id, Integer with subtype 29, width 4, at offset 5, required.
    std::vector<uint8_t> id(768, 0);
    id[0] = 1;
    id[2] = 2, id[3] = 'i', id[4] = 'd';
    id[84] = 6, id[85] = 29, id[88] = 4, id[90] = 5, id[92] = 1;
    EXPECT_EQ(Bytes(file, 127, 768), id);
    // Descriptor 2 at 895: City, String(200), width 201, at offset 9.
    std::vector<uint8_t> name(768, 0);
    name[0] = 2;
    name[2] = 4, name[3] = 'C', name[4] = 'i', name[5] = 't', name[6] = 'y';
    name[84] = 1, name[86] = 200, name[88] = 201, name[90] = 9;
    EXPECT_EQ(Bytes(file, 895, 768), name);

    // Slot 5: live, number 5, id 12, "Hilden", the rest zero.
    std::vector<uint8_t> hilden(211, 0);
    hilden[1] = 5, hilden[5] = 12, hilden[9] = 1;
    std::copy_n("Hilden", 6, hilden.begin() + 10);
    EXPECT_EQ(Bytes(file, 1663 + 4 * 211, 211), hilden);
    // Slot 7: deleted with the free list empty before it, so its link is 0; it kept counter value 16.
    std::vector<uint8_t> kempen(211, 0);
    kempen[0] = 1, kempen[5] = 16, kempen[9] = 1;
    std::copy_n("Kempen", 6, kempen.begin() + 10);
    EXPECT_EQ(Bytes(file, 1663 + 6 * 211, 211), kempen);
}

TEST(TableImageTest, AreaCodeFileHasTheHeaderDescriptorsAndRecordsOfTheFormat) {
    const TTableImage codes = BuildAreaCode();
    const std::vector<uint8_t>& file = codes.Bytes;
    ASSERT_EQ(file.size(), 1663u + 6 * 36);
    EXPECT_EQ(Bytes(file, 9, 16), (std::vector<uint8_t>{0, 0, 0, 0, 7, 0, 0, 0, 6, 0, 0, 0, 36, 0, 2, 0}));

    std::vector<uint8_t> cityId(768, 0);
    cityId[0] = 1;
    cityId[2] = 7;
    std::copy_n("city_id", 7, cityId.begin() + 3);
    cityId[84] = 6, cityId[88] = 4, cityId[90] = 9;
    EXPECT_EQ(Bytes(file, 127, 768), cityId);
    std::vector<uint8_t> code(768, 0);
    code[0] = 2;
    code[2] = 8;
    std::copy_n("areacode", 8, code.begin() + 3);
    code[84] = 1, code[86] = 20, code[88] = 21, code[90] = 14;
    EXPECT_EQ(Bytes(file, 895, 768), code);

    // Slot 5: number 5, counter 5, city_id 12 at 9..13, "02103" at 14..35.
    std::vector<uint8_t> hilden(36, 0);
    hilden[1] = 5, hilden[5] = 5, hilden[9] = 1, hilden[10] = 12, hilden[14] = 1;
    std::copy_n("02103", 5, hilden.begin() + 15);
    EXPECT_EQ(Bytes(file, 1663 + 4 * 36, 36), hilden);
}

TEST(TableImageTest, BothFilesDecodeFromTheirBytesAndJoinByCityId) {
    const TDecodedTable city = Decode(BuildCity().Bytes, "City.DAT");
    const TDecodedTable codes = Decode(BuildAreaCode().Bytes, "AreaCode.DAT");

    EXPECT_EQ(city.Header.RecordSize, 211);
    EXPECT_EQ(city.Header.DataStart(), 1663);
    EXPECT_EQ(city.Header.FreeListHead, 7);
    EXPECT_EQ(city.Header.LastAutoIncValue, 16);
    EXPECT_EQ(city.Header.LanguageId, kGerman);
    EXPECT_EQ(city.Header.SortId, kPhoneBookOrder);
    EXPECT_EQ(city.Header.ChangeCount, 1);
    EXPECT_EQ(city.Header.EngineVersion, 21100);
    EXPECT_DOUBLE_EQ(city.Header.LastUpdate, kWriteTime - 693594);
    ASSERT_EQ(city.Fields.size(), 2u);
    EXPECT_EQ(city.Fields[0].Name, "id");
    EXPECT_TRUE(city.Fields[0].IsAutoIncrement());
    EXPECT_EQ(city.Fields[1].Name, "City");
    EXPECT_EQ(city.Fields[1].Size, 200);
    EXPECT_EQ(codes.Header.RecordSize, 36);
    EXPECT_EQ(codes.Header.FreeListHead, 0);
    EXPECT_EQ(codes.Fields[0].Offset, 9);
    EXPECT_EQ(codes.Fields[1].Offset, 14);

    std::map<int32_t, std::string> cityById;
    for (const auto& [number, record] : city.LiveRecords) {
        EXPECT_FALSE(IsFieldNull(record, city.Fields[0]));
        cityById[GetIntegerField(record, city.Fields[0])] =
            std::string(GetStringField(record, city.Fields[1]));
    }
    EXPECT_EQ(city.LiveRecords.size(), 6u);
    ASSERT_EQ(codes.LiveRecords.size(), kRows.size());
    for (size_t k = 0; k < kRows.size(); ++k) {
        const auto& [number, record] = codes.LiveRecords[k];
        EXPECT_EQ(number, static_cast<int32_t>(k + 1));
        EXPECT_EQ(RecordAutoIncValue(record), static_cast<int32_t>(k + 1));
        EXPECT_EQ(GetStringField(record, codes.Fields[1]), kRows[k].AreaCode);
        EXPECT_EQ(cityById.at(GetIntegerField(record, codes.Fields[0])), kRows[k].City);
    }
}

}  // namespace
}  // namespace kartei
