#include "tools/SqliteSchema.h"

#include <cstdio>

#include "engine/format/FieldTypes.h"
#include "engine/index/IndexFormat.h"
#include "engine/index/IndexHeader.h"
#include "engine/locale/Cp1252.h"
#include "engine/locale/LocaleId.h"
#include "tools/FieldText.h"

namespace kartei::tools {
namespace {

const char* TypeName(TSqliteType type) {
    switch (type) {
        case TSqliteType::Integer:
            return "INTEGER";
        case TSqliteType::Real:
            return "REAL";
        case TSqliteType::Numeric:
            return "NUMERIC";
        case TSqliteType::Text:
            return "TEXT";
        case TSqliteType::Blob:
            break;
    }
    return "BLOB";
}

const TFieldDescriptor* FieldNumbered(TDataTable& table, uint16_t number) {
    for (const TFieldDescriptor& field : table.Fields()) {
        if (field.FieldNumber == number) {
            return &field;
        }
    }
    return nullptr;
}

std::string LocaleName(const TDataHeader& header) {
    const std::string icu = IcuLocaleName(MakeLocaleId(header.LanguageId, header.SortId));
    if (!icu.empty()) {
        return icu;
    }
    char id[48];
    std::snprintf(id, sizeof id, "language %04X hex, sort id %u", header.LanguageId, header.SortId);
    return id;
}

// The index's columns for PRIMARY KEY (...) or CREATE INDEX ... (...); `hasText` tells whether one of them
// is a string.
std::string IndexColumns(TDataTable& table, const TIndexDescriptor& index, bool& hasText) {
    std::string columns;
    hasText = false;
    for (size_t k = 0; k < index.FieldCount; ++k) {
        const TFieldDescriptor* field = FieldNumbered(table, index.FieldNumbers[k]);
        columns += columns.empty() ? "" : ", ";
        columns += field != nullptr ? QuotedIdentifier(Cp1252ToUtf8(field->Name))
                                    : "\"#" + std::to_string(index.FieldNumbers[k]) + "\"";
        if (field != nullptr && field->FieldType == FieldType::String) {
            hasText = true;
            if (index.CaseInsensitive != 0) {
                columns += " COLLATE NOCASE";
            }
        }
        if (index.Descending != 0 || index.FieldDescending[k] != 0) {
            columns += " DESC";
        }
    }
    return columns;
}

// What of the index's order of text SQLite cannot give, or nothing.
std::string OrderNote(const TDataHeader& header, const TIndexDescriptor& index, const std::string& what) {
    const bool noCase = index.CaseInsensitive != 0;
    if (header.LanguageId != 0) {
        return what + " sorts text in the table's locale (" + LocaleName(header) +
               "), which SQLite does not know: there it sorts by code point" +
               (noCase ? ", ASCII letters without case (NOCASE)" : " (BINARY)");
    }
    if (noCase) {
        return what +
               " sorts text without regard to the case of any letter; SQLite's NOCASE disregards the "
               "case of ASCII letters only";
    }
    return {};
}

}  // namespace

TSqliteType SqliteTypeOf(const TFieldDescriptor& field) {
    switch (field.FieldType) {
        case FieldType::SmallInt:
        case FieldType::Integer:
        case FieldType::Word:
        case FieldType::Boolean:
            return TSqliteType::Integer;
        case FieldType::Float:
            return TSqliteType::Real;
        case FieldType::Bcd:
            return TSqliteType::Numeric;
        case FieldType::String:
        case FieldType::Date:
        case FieldType::Time:
        case FieldType::DateTime:
            return TSqliteType::Text;
        case FieldType::Blob:
            return IsTextBlob(field) ? TSqliteType::Text : TSqliteType::Blob;
        default:
            return TSqliteType::Blob;
    }
}

std::string QuotedIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

TSqliteSchema SqliteSchemaOf(TDataTable& table, std::string_view sqliteName) {
    TSqliteSchema schema;
    const std::string tableName = QuotedIdentifier(sqliteName);
    std::string columns;
    std::string parameters;
    for (const TFieldDescriptor& field : table.Fields()) {
        columns += (columns.empty() ? "\n    " : ",\n    ") + QuotedIdentifier(Cp1252ToUtf8(field.Name)) +
                   " " + TypeName(SqliteTypeOf(field));
        parameters += parameters.empty() ? "?" : ", ?";
    }

    TIndexFile& indexes = table.IndexFile();
    bool hasText = false;
    const TIndexDescriptor& primary = indexes.Descriptor(kPrimaryIndexSlot);
    if (primary.FieldCount > 0) {
        columns += ",\n    PRIMARY KEY (" + IndexColumns(table, primary, hasText) + ")";
        if (hasText) {
            if (std::string note = OrderNote(table.Header(), primary, "the primary key"); !note.empty()) {
                schema.Notes.push_back(std::move(note));
            }
        }
    }
    schema.CreateTable = "CREATE TABLE " + tableName + " (" + columns + "\n)";
    schema.Insert = "INSERT INTO " + tableName + " VALUES (" + parameters + ")";

    for (int slot = 1; slot <= indexes.SecondaryIndexCount(); ++slot) {
        const TIndexDescriptor& index = indexes.Descriptor(slot);
        const std::string name = Cp1252ToUtf8(index.Name);
        schema.CreateIndexes.push_back(std::string("CREATE ") + (index.Unique != 0 ? "UNIQUE " : "") +
                                       "INDEX " + QuotedIdentifier(std::string(sqliteName) + "_" + name) +
                                       " ON " + tableName + " (" + IndexColumns(table, index, hasText) + ")");
        if (hasText) {
            if (std::string note = OrderNote(table.Header(), index, "index '" + name + "'"); !note.empty()) {
                schema.Notes.push_back(std::move(note));
            }
        }
    }
    return schema;
}

}  // namespace kartei::tools
