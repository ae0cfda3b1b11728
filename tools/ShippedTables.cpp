#include "tools/ShippedTables.h"

#include "engine/format/FieldTypes.h"

namespace kartei::tools {
namespace {

constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kPhoneBookOrder = 1;

TFieldDescriptor Field(const char* name, uint8_t type, uint8_t size = 0,
                       uint8_t subtype = FieldSubtype::None) {
    TFieldDescriptor field;
    field.Name = name;
    field.FieldType = type;
    field.SubType = subtype;
    field.Size = size;
    return field;
}

TIndexDefinition Index(const char* name, uint16_t field, bool unique) {
    TIndexDefinition index;
    index.Name = name;
    index.Fields.push_back(TIndexField{field, false});
    index.Unique = unique;
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
    definition.Fields = {Field("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement),
                         Field("City", FieldType::String, 200)};
    definition.Fields[0].Required = 1;
    definition.SecondaryIndexes = {Index("City", 2, true), Index("PrimaryKey", 1, true),
                                   Index("id", 1, false)};
    return German(std::move(definition));
}

TTableDefinition AreaCodeTableDefinition() {
    TTableDefinition definition;
    definition.Fields = {Field("city_id", FieldType::Integer), Field("areacode", FieldType::String, 20)};
    definition.SecondaryIndexes = {Index("areacode", 2, false), Index("city_id", 1, false)};
    return German(std::move(definition));
}

}  // namespace kartei::tools
