#include "tools/model/ModelSchema.h"

#include <algorithm>
#include <numeric>

#include "kartei/Field.h"
#include "engine/keys/KeyLayout.h"
#include "tools/model/ModelRandom.h"

namespace kartei::tools::model {
namespace {

template <typename T>
const T& Pick(std::mt19937& random, const std::vector<T>& items) {
    return items[std::uniform_int_distribution<size_t>(0, items.size() - 1)(random)];
}

TFieldDescriptor String(const std::string& name, uint8_t size) {
    return TFieldDescriptor::Define(name, FieldType::String, size);
}
TFieldDescriptor Bytes(const std::string& name, uint8_t size) {
    return TFieldDescriptor::Define(name, FieldType::Bytes, size);
}
TFieldDescriptor Number(const std::string& name, uint8_t type) {
    return TFieldDescriptor::Define(name, type);
}

// Bytes a field takes in a key: its flag byte and value area.
size_t KeyBytes(const TFieldDescriptor& field) {
    switch (field.FieldType) {
        case FieldType::String:
            return field.Size + 2u;
        case FieldType::Bytes:
            return field.Size + 1u;
        case FieldType::SmallInt:
            return 3;
        default:
            return 5;
    }
}

TCompression AnyCompression(std::mt19937& random) {
    return static_cast<TCompression>(std::uniform_int_distribution<int>(0, 3)(random));
}

// An index over these fields (1-based numbers), its properties drawn at random unless given; fields are
// dropped from the end until the key fits a key buffer.
TIndexDefinition Index(std::mt19937& random, const std::vector<TFieldDescriptor>& fields,
                       std::vector<uint16_t> numbers, bool unique, TCompression compression) {
    TIndexDefinition index;
    index.Unique = unique;
    index.Compression = compression;
    index.Descending = Chance(random, 0.25);
    index.CaseInsensitive = Chance(random, 0.15);
    const auto length = [&] {
        size_t sum = unique ? 0 : kRecordIdSuffixSize;
        for (const uint16_t number : numbers) {
            sum += KeyBytes(fields[number - 1u]);
        }
        return sum;
    };
    while (numbers.size() > 1 && length() > kKeyBufferSize) {
        numbers.pop_back();
    }
    for (const uint16_t number : numbers) {
        index.Fields.push_back(TIndexField{number, Chance(random, 0.25)});
    }
    return index;
}

// Up to `count` distinct field numbers among those the table has, in random order.
std::vector<uint16_t> SomeFields(std::mt19937& random, size_t fieldCount, size_t count) {
    std::vector<uint16_t> numbers(fieldCount);
    std::iota(numbers.begin(), numbers.end(), uint16_t{1});
    std::shuffle(numbers.begin(), numbers.end(), random);
    numbers.resize(std::min(count, fieldCount));
    return numbers;
}

void AddMixedFields(std::mt19937& random, std::vector<TFieldDescriptor>& fields) {
    const int count = std::uniform_int_distribution<int>(2, 5)(random);
    for (int k = 0; k < count; ++k) {
        const std::string name = "f" + std::to_string(k + 1);
        switch (std::uniform_int_distribution<int>(0, 5)(random)) {
            case 0:
            case 1:
                fields.push_back(String(name, Pick<uint8_t>(random, {1, 3, 8, 20, 40, 120, 250})));
                break;
            case 2:
                fields.push_back(String(name, Pick<uint8_t>(random, {2, 12, 60})));
                break;
            case 3:
                fields.push_back(Bytes(name, Pick<uint8_t>(random, {1, 4, 16, 60, 200})));
                break;
            case 4:
                fields.push_back(Number(name, FieldType::Integer));
                break;
            default:
                fields.push_back(Number(name, FieldType::SmallInt));
                break;
        }
    }
}

void MakeMixed(std::mt19937& random, TTableDefinition& definition) {
    std::vector<TFieldDescriptor>& fields = definition.Fields;
    if (Chance(random, 0.3)) {
        fields.push_back(TFieldDescriptor::Define("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement));
    }
    AddMixedFields(random, fields);
    if (Chance(random, 0.5)) {
        definition.Options.LanguageId = 0x0407;
        definition.Options.SortId = Chance(random, 0.7) ? 1 : 0;
    }
    if (Chance(random, 0.5)) {
        const size_t width = std::uniform_int_distribution<size_t>(1, 2)(random);
        definition.PrimaryIndex =
            Index(random, fields, SomeFields(random, fields.size(), width), true, TCompression::None);
        definition.PrimaryIndex.Name.clear();
    }
    const int indexes = std::uniform_int_distribution<int>(2, 6)(random);
    for (int k = 0; k < indexes; ++k) {
        const size_t width = std::uniform_int_distribution<size_t>(1, 4)(random);
        definition.SecondaryIndexes.push_back(Index(random, fields, SomeFields(random, fields.size(), width),
                                                    Chance(random, 0.4), AnyCompression(random)));
    }
}

void MakePrefixPair(std::mt19937& random, TTableDefinition& definition) {
    definition.Fields = {String("a", 40), String("b", 40), Number("n", FieldType::Integer)};
    if (Chance(random, 0.25)) {
        definition.Options.LanguageId = 0x0407;
        definition.Options.SortId = 1;
    }
    std::vector<TIndexDefinition>& indexes = definition.SecondaryIndexes;
    indexes.push_back(Index(random, definition.Fields, {1, 2}, false, TCompression::Both));
    indexes.push_back(Index(random, definition.Fields, {1, 2}, true, TCompression::Both));
    indexes.push_back(Index(random, definition.Fields, {2, 1}, Chance(random, 0.5), TCompression::Leading));
    indexes.push_back(Index(random, definition.Fields, {1, 2, 3}, false, TCompression::Trailing));
    indexes.push_back(Index(random, definition.Fields, {2}, false, AnyCompression(random)));
    for (TIndexDefinition& index : indexes) {
        index.CaseInsensitive = false;
    }
}

void MakeWideKeys(std::mt19937& random, TTableDefinition& definition) {
    definition.Fields = {String("s1", 250), String("s2", 250), Bytes("r19", 19), Bytes("r15", 15),
                         Number("n", FieldType::SmallInt)};
    if (Chance(random, 0.3)) {
        definition.Options.LanguageId = 0x0407;
        definition.Options.SortId = 1;
    }
    std::vector<TIndexDefinition>& indexes = definition.SecondaryIndexes;
    // 252 + 252 + 20 = 524 bytes, and 252 + 252 + 16 + the suffix's 4.
    indexes.push_back(Index(random, definition.Fields, {1, 2, 3}, true, AnyCompression(random)));
    indexes.push_back(Index(random, definition.Fields, {2, 1, 4}, false, AnyCompression(random)));
    indexes.push_back(Index(random, definition.Fields, {1}, false, TCompression::Both));
    indexes.push_back(Index(random, definition.Fields, {3, 5}, Chance(random, 0.5), AnyCompression(random)));
    if (Chance(random, 0.5)) {
        definition.PrimaryIndex = Index(random, definition.Fields, {2, 5}, true, TCompression::None);
    }
}

void MakePhoneBook(std::mt19937& random, TTableDefinition& definition) {
    definition.Fields = {String("name", 30), String("city", 60), Number("code", FieldType::Integer),
                         Bytes("raw", 8)};
    if (Chance(random, 0.5)) {
        definition.Fields.push_back(
            TFieldDescriptor::Define("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement));
    }
    definition.Options.LanguageId = 0x0407;
    definition.Options.SortId = Chance(random, 0.8) ? 1 : 0;
    std::vector<TIndexDefinition>& indexes = definition.SecondaryIndexes;
    indexes.push_back(Index(random, definition.Fields, {1}, true, AnyCompression(random)));
    indexes.push_back(Index(random, definition.Fields, {1}, false, AnyCompression(random)));
    indexes.back().CaseInsensitive = true;
    indexes.push_back(Index(random, definition.Fields, {2, 1}, Chance(random, 0.3), AnyCompression(random)));
    indexes.push_back(Index(random, definition.Fields, {3, 2, 4}, false, AnyCompression(random)));
    if (definition.Fields.size() > 4 && Chance(random, 0.7)) {
        definition.PrimaryIndex = TIndexDefinition::Over("", {5});
        definition.PrimaryIndex.Unique = true;
    }
}

std::string FieldList(const TTableDefinition& definition, const TIndexDefinition& index) {
    std::string text;
    for (const TIndexField& field : index.Fields) {
        text += (text.empty() ? "" : ",") + definition.Fields[field.Number - 1u].Name +
                (field.Descending ? "-" : "");
    }
    return text;
}

}  // namespace

TModelSchema MakeSchema(std::mt19937& random) {
    TModelSchema schema;
    schema.Family = static_cast<TSchemaFamily>(std::uniform_int_distribution<int>(0, 3)(random));
    switch (schema.Family) {
        case TSchemaFamily::Mixed:
            MakeMixed(random, schema.Definition);
            break;
        case TSchemaFamily::PrefixPair:
            MakePrefixPair(random, schema.Definition);
            break;
        case TSchemaFamily::WideKeys:
            MakeWideKeys(random, schema.Definition);
            break;
        case TSchemaFamily::PhoneBook:
            MakePhoneBook(random, schema.Definition);
            break;
    }
    for (size_t k = 0; k < schema.Definition.SecondaryIndexes.size(); ++k) {
        schema.Definition.SecondaryIndexes[k].Name = "i" + std::to_string(k + 1);
    }
    return schema;
}

std::string DescribeSchema(const TModelSchema& schema) {
    static const char* const kFamilies[] = {"mixed", "prefix pair", "wide keys", "phone book"};
    const TTableDefinition& definition = schema.Definition;
    std::string text = std::string(kFamilies[static_cast<int>(schema.Family)]) + ", language " +
                       std::to_string(definition.Options.LanguageId) + " sort " +
                       std::to_string(definition.Options.SortId) + "; fields";
    for (const TFieldDescriptor& field : definition.Fields) {
        text += " " + field.Name + ":" + std::to_string(field.FieldType) +
                (field.Size != 0 ? "(" + std::to_string(field.Size) + ")" : "");
    }
    const auto describe = [&](const std::string& name, const TIndexDefinition& index) {
        return "\n  " + name + " [" + FieldList(definition, index) + "] mode " +
               std::to_string(static_cast<int>(index.Compression)) + (index.Unique ? " unique" : "") +
               (index.Descending ? " descending" : "") + (index.CaseInsensitive ? " case-insensitive" : "");
    };
    text += definition.PrimaryIndex.Fields.empty() ? "\n  primary: none"
                                                   : describe("primary", definition.PrimaryIndex);
    for (const TIndexDefinition& index : definition.SecondaryIndexes) {
        text += describe(index.Name, index);
    }
    return text;
}

}  // namespace kartei::tools::model
