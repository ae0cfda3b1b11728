#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/files/FileTestSupport.h"
#include "engine/format/RecordLayout.h"
#include "engine/index/IndexCheck.h"
#include "engine/index/IndexDefinition.h"
#include "engine/index/IndexTree.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/Errors.h"
#include "kartei/Field.h"
#include "kartei/Record.h"
#include "kartei/Session.h"

namespace kartei::testing {

// The main window's city table: an auto-increment id and a name, no primary key fields, a unique index
// on the name, a unique and a non-unique one on the id.
inline TTableDefinition CityDefinition(uint16_t languageId = 0x0407, uint16_t sortId = 1) {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement),
                         TFieldDescriptor::Define("City", FieldType::String, 200)};
    definition.Fields[0].Required = 1;
    definition.SecondaryIndexes = {TIndexDefinition::Over("City", {2}, true),
                                   TIndexDefinition::Over("PrimaryKey", {1}, true),
                                   TIndexDefinition::Over("id", {1})};
    definition.Options.LanguageId = languageId;
    definition.Options.SortId = sortId;
    return definition;
}

// The main window's area-code table: a city id and a code, two non-unique indexes.
inline TTableDefinition AreaCodeDefinition(uint16_t languageId = 0x0407, uint16_t sortId = 1) {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("city_id", FieldType::Integer),
                         TFieldDescriptor::Define("areacode", FieldType::String, 20)};
    definition.SecondaryIndexes = {TIndexDefinition::Over("areacode", {2}),
                                   TIndexDefinition::Over("city_id", {1})};
    definition.Options.LanguageId = languageId;
    definition.Options.SortId = sortId;
    return definition;
}

// A table with a keyed primary index, whose deleted slots are reused.
inline TTableDefinition KeyedDefinition() {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("code", FieldType::Integer),
                         TFieldDescriptor::Define("name", FieldType::String, 30)};
    definition.PrimaryIndex = TIndexDefinition::Over("", {1});
    definition.SecondaryIndexes = {TIndexDefinition::Over("name", {2})};
    return definition;
}

inline std::vector<uint8_t> BlankRecord(const TDataTableImpl& table) {
    return std::vector<uint8_t>(table.Header().RecordSize, 0);
}

inline std::vector<uint8_t> CityRecord(const TDataTableImpl& table, std::string_view city) {
    std::vector<uint8_t> image = BlankRecord(table);
    SetStringField(image, table.Fields()[1], city, table.Header().LanguageId, table.Header().SortId);
    return image;
}

inline std::vector<uint8_t> PairRecord(const TDataTableImpl& table, int32_t number, std::string_view text) {
    std::vector<uint8_t> image = BlankRecord(table);
    SetIntegerField(image, table.Fields()[0], number);
    SetStringField(image, table.Fields()[1], text, table.Header().LanguageId, table.Header().SortId);
    return image;
}

inline std::vector<uint8_t> Read(TDataTableImpl& table, int32_t recordNumber) {
    std::vector<uint8_t> image = BlankRecord(table);
    table.ReadRecord(recordNumber, image);
    return image;
}

inline std::string Text(TDataTableImpl& table, int32_t recordNumber) {
    const std::vector<uint8_t> image = Read(table, recordNumber);
    return std::string(GetStringField(image, table.Fields()[1]));
}

inline int Slot(TDataTableImpl& table, std::string_view indexName) {
    return FindIndexSlot(table.IndexFile().Header(), indexName);
}

// The record numbers of an index in its order.
inline std::vector<int32_t> IndexOrder(TDataTableImpl& table, int slot) {
    const TKeyLayout layout = table.KeyLayout(slot);
    TIndexTree tree(table.IndexFile(), slot, layout);
    std::vector<int32_t> order;
    const int64_t count = tree.EntryCount();
    for (int64_t ordinal = 1; ordinal <= count; ++ordinal) {
        const TLeafHit hit = tree.SeekOrdinal(ordinal);
        order.push_back(static_cast<int32_t>(hit.Leaf->Value(hit.Position)));
    }
    return order;
}

inline std::vector<int32_t> IndexOrder(TDataTableImpl& table, std::string_view indexName) {
    return IndexOrder(table, Slot(table, indexName));
}

// The texts of field 2 in the order of an index.
inline std::vector<std::string> TextsInOrder(TDataTableImpl& table, std::string_view indexName) {
    std::vector<std::string> texts;
    for (const int32_t record : IndexOrder(table, indexName)) {
        texts.push_back(Text(table, record));
    }
    return texts;
}

// The structural check of every index, and the deleted-record index holding every slot.
inline void ExpectIndexesSound(TDataTableImpl& table) {
    EXPECT_EQ(CheckIndexFile(table.IndexFile(), table.Fields(), table.KeyLocale()),
              std::vector<std::string>{});
    EXPECT_EQ(static_cast<int32_t>(IndexOrder(table, kDeletedIndexSlot).size()),
              table.Header().RecordSlotCount());
}

inline void Patch(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> U16(uint16_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

inline std::vector<uint8_t> I32(int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

inline std::string EngineMessage(uint16_t code, const std::string& text) {
    return "Kartei Engine Error # " + std::to_string(code) + " " + text;
}

// A session with one disk directory in a scratch folder.
class TableTest : public ::testing::Test {
protected:
    TDataTableImpl* Create(const std::string& name, const TTableDefinition& definition,
                           bool exclusive = false) {
        TTableOpenRequest request;
        request.Name = name;
        request.Exclusive = exclusive;
        TDataTableImpl* table = nullptr;
        EXPECT_EQ(directory_->CreateTable(request, definition, table), 0);
        return table;
    }
    TDataTableImpl* Open(const std::string& name, bool exclusive = false) {
        TTableOpenRequest request;
        request.Name = name;
        request.Exclusive = exclusive;
        TDataTableImpl* table = nullptr;
        EXPECT_EQ(directory_->OpenTable(request, table), 0);
        return table;
    }
    void Close(TDataTableImpl* table) { EXPECT_EQ(directory_->CloseTable(table), 0); }
    std::string File(const std::string& name) const { return temp_.File(name); }

    TTempDir temp_;
    TDataSession session_;
    TDataDirectoryImpl* directory_ = &Inside(session_.OpenDirectory(temp_.Path()));
};

}  // namespace kartei::testing
