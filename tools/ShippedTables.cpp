#include "tools/ShippedTables.h"

#include "kartei/Field.h"

namespace kartei::tools {
namespace {

constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kPhoneBookOrder = 1;

// Names are short against their field width: leaf entries without the zero bytes that end the key,
// and without the bytes they share with the entry before, keep the name indexes about a tenth as large
// (and their pages in the caches).
TIndexDefinition Compressed(TIndexDefinition index) {
    index.Compression = TCompression::Both;
    return index;
}

TTableDefinition German(TTableDefinition definition) {
    definition.Options.LanguageId = kGerman;
    definition.Options.SortId = kPhoneBookOrder;
    return definition;
}

}  // namespace

TTableDefinition CityTableDefinition() {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement),
                         TFieldDescriptor::Define("City", FieldType::String, 200)};
    definition.Fields[0].Required = 1;
    definition.SecondaryIndexes = {Compressed(TIndexDefinition::Over("City", {2}, true)),
                                   TIndexDefinition::Over("PrimaryKey", {1}, true),
                                   TIndexDefinition::Over("id", {1}, false)};
    return German(std::move(definition));
}

TTableDefinition AreaCodeTableDefinition() {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("city_id", FieldType::Integer),
                         TFieldDescriptor::Define("areacode", FieldType::String, 20)};
    definition.SecondaryIndexes = {Compressed(TIndexDefinition::Over("areacode", {2}, false)),
                                   TIndexDefinition::Over("city_id", {1}, false)};
    return German(std::move(definition));
}

}  // namespace kartei::tools
