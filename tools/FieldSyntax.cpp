#include "tools/FieldSyntax.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "engine/format/FieldTypes.h"
#include "engine/locale/Cp1252.h"
#include "engine/table/FieldNames.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

// What a type name stands for; `Sized`: the size part is the declared size (else BCD's places or none).
struct TTypeName {
    std::string_view Name;
    uint8_t Type;
    uint8_t SubType;
    bool Sized;
};

constexpr std::array<TTypeName, 20> kTypeNames{{
    {"string", FieldType::String, FieldSubtype::None, true},
    {"fixedchar", FieldType::String, FieldSubtype::FixedChar, true},
    {"smallint", FieldType::SmallInt, FieldSubtype::None, false},
    {"integer", FieldType::Integer, FieldSubtype::None, false},
    {"autoinc", FieldType::Integer, FieldSubtype::AutoIncrement, false},
    {"word", FieldType::Word, FieldSubtype::None, false},
    {"boolean", FieldType::Boolean, FieldSubtype::None, false},
    {"float", FieldType::Float, FieldSubtype::None, false},
    {"currency", FieldType::Float, FieldSubtype::Currency, false},
    {"bcd", FieldType::Bcd, FieldSubtype::None, false},
    {"date", FieldType::Date, FieldSubtype::None, false},
    {"time", FieldType::Time, FieldSubtype::None, false},
    {"datetime", FieldType::DateTime, FieldSubtype::None, false},
    {"bytes", FieldType::Bytes, FieldSubtype::None, true},
    {"varbytes", FieldType::VarBytes, FieldSubtype::None, true},
    {"blob", FieldType::Blob, FieldSubtype::None, false},
    {"memo", FieldType::Blob, FieldSubtype::Memo, false},
    {"fmtmemo", FieldType::Blob, FieldSubtype::FormattedMemo, false},
    {"graphic", FieldType::Blob, FieldSubtype::Graphic, false},
    {"typedbinary", FieldType::Blob, FieldSubtype::TypedBinary, false},
}};

constexpr uint8_t kDefaultBcdPlaces = 2;

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

const TTypeName* FindType(std::string_view name) {
    const std::string lower = Lower(name);
    const auto found = std::find_if(kTypeNames.begin(), kTypeNames.end(),
                                    [&](const TTypeName& type) { return type.Name == lower; });
    return found == kTypeNames.end() ? nullptr : &*found;
}

bool ParseNumber(std::string_view text, int& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string FieldName(std::string_view utf8, std::string_view text) {
    bool lossless = true;
    std::string name = Utf8ToCp1252(utf8, &lossless);
    if (name.empty() || !lossless) {
        throw UsageError("'" + std::string(text) + "': a field name must be Windows-1252 text, not empty");
    }
    return name;
}

void ApplyIndexOption(TIndexDefinition& index, std::string_view option, std::string_view text) {
    const std::string lower = Lower(option);
    if (lower == "unique") {
        index.Unique = true;
    } else if (lower == "nocase") {
        index.CaseInsensitive = true;
    } else if (lower == "desc") {
        index.Descending = true;
    } else if (lower == "compress=none") {
        index.Compression = TCompression::None;
    } else if (lower == "compress=leading") {
        index.Compression = TCompression::Leading;
    } else if (lower == "compress=trailing") {
        index.Compression = TCompression::Trailing;
    } else if (lower == "compress=both") {
        index.Compression = TCompression::Both;
    } else {
        throw UsageError("'" + std::string(text) + "': unknown index option '" + std::string(option) + "'");
    }
}

// FIELD[,FIELD...][:OPTION...]
TIndexDefinition ParseKeyPart(std::string_view part, std::string_view text,
                              const std::vector<TFieldDescriptor>& fields) {
    TIndexDefinition index;
    const std::vector<std::string_view> pieces = Split(part, ':');
    for (std::string_view name : Split(pieces[0], ',')) {
        const bool descending = !name.empty() && name.back() == '-';
        if (descending) {
            name.remove_suffix(1);
        }
        const uint16_t number = FieldNumberOf(fields, FieldName(name, text));
        if (number == 0) {
            throw UsageError("'" + std::string(text) + "': no field '" + std::string(name) + "' is defined");
        }
        index.Fields.push_back(TIndexField{number, descending});
    }
    for (size_t k = 1; k < pieces.size(); ++k) {
        ApplyIndexOption(index, pieces[k], text);
    }
    return index;
}

}  // namespace

uint16_t FieldNumberOf(std::span<const TFieldDescriptor> fields, std::string_view name) {
    for (size_t k = 0; k < fields.size(); ++k) {
        if (SameFieldName(fields[k].Name, name)) {
            return static_cast<uint16_t>(k + 1);
        }
    }
    return 0;
}

std::string FieldNames(std::span<const TFieldDescriptor> fields) {
    std::string names;
    for (const TFieldDescriptor& field : fields) {
        names += (names.empty() ? "" : ", ") + Cp1252ToUtf8(field.Name);
    }
    return names;
}

TFieldDescriptor ParseFieldDefinition(std::string_view text) {
    const std::vector<std::string_view> parts = Split(text, ':');
    if (parts.size() < 2) {
        throw UsageError("'" + std::string(text) + "': a field is NAME:TYPE[:SIZE][:OPTION...]");
    }
    const TTypeName* type = FindType(parts[1]);
    if (type == nullptr) {
        throw UsageError("'" + std::string(text) + "': unknown type '" + std::string(parts[1]) +
                         "' (types: " + TypeNames() + ")");
    }
    TFieldDescriptor field;
    field.Name = FieldName(parts[0], text);
    field.FieldType = type->Type;
    field.SubType = type->SubType;
    size_t next = 2;
    int number = 0;
    const bool hasNumber = next < parts.size() && ParseNumber(parts[next], number);
    if (type->Sized) {
        if (!hasNumber || number < 1 || number > kMaxDeclaredSize) {
            throw UsageError("'" + std::string(text) + "': " + std::string(type->Name) +
                             " needs a size of 1 to 250");
        }
        field.Size = static_cast<uint8_t>(number);
        ++next;
    } else if (type->Type == FieldType::Bcd) {
        if (hasNumber && (number < 0 || number > 32)) {
            throw UsageError("'" + std::string(text) + "': bcd takes 0 to 32 decimal places");
        }
        field.Decimals = hasNumber ? static_cast<uint8_t>(number) : kDefaultBcdPlaces;
        next += hasNumber ? 1 : 0;
    }
    for (; next < parts.size(); ++next) {
        const std::string option = Lower(parts[next]);
        if (option == "required") {
            field.Required = 1;
        } else if (option == "upper" && type->Type == FieldType::String) {
            field.CharCase = CharCase::Upper;
        } else if (option == "lower" && type->Type == FieldType::String) {
            field.CharCase = CharCase::Lower;
        } else {
            throw UsageError("'" + std::string(text) + "': unknown field option '" +
                             std::string(parts[next]) + "'");
        }
    }
    return field;
}

TIndexDefinition ParseIndexDefinition(std::string_view text, const std::vector<TFieldDescriptor>& fields) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw UsageError("'" + std::string(text) + "': an index is NAME=FIELD[,FIELD...][:OPTION...]");
    }
    TIndexDefinition index = ParseKeyPart(text.substr(equals + 1), text, fields);
    index.Name = FieldName(text.substr(0, equals), text);
    return index;
}

TIndexDefinition ParsePrimaryDefinition(std::string_view text, const std::vector<TFieldDescriptor>& fields) {
    TIndexDefinition index = ParseKeyPart(text, text, fields);
    index.Unique = true;
    return index;
}

std::string TypeNames() {
    std::string names;
    for (const TTypeName& type : kTypeNames) {
        names += (names.empty() ? "" : ", ") + std::string(type.Name);
    }
    return names;
}

std::string TypeText(const TFieldDescriptor& field) {
    const auto found = std::find_if(kTypeNames.begin(), kTypeNames.end(), [&](const TTypeName& type) {
        return type.Type == field.FieldType && type.SubType == field.SubType;
    });
    if (found == kTypeNames.end()) {
        return "type " + std::to_string(field.FieldType) +
               (field.SubType != 0 ? "/" + std::to_string(field.SubType) : std::string());
    }
    std::string text(found->Name);
    if (found->Sized) {
        text += "(" + std::to_string(field.Size) + ")";
    } else if (found->Type == FieldType::Bcd) {
        text += "(" + std::to_string(field.Decimals) + ")";
    }
    return text;
}

}  // namespace kartei::tools
