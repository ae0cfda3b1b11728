#include "engine/index/IndexDefinition.h"

#include <algorithm>
#include <string>

#include "base/TextHelpers.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/FieldWidths.h"
#include "engine/index/IndexNames.h"
#include "engine/keys/KeyLayout.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Field.h"

namespace kartei {
namespace {

// The descriptor of a valid definition, raising the field errors for index `indexName`.
TIndexDescriptor Describe(const TIndexFile& file, const TIndexDefinition& definition,
                          std::string_view indexName, std::span<const TFieldDescriptor> fields) {
    const std::string& table = file.ErrorName();
    if (definition.Fields.size() > kMaxKeyFields) {
        RaiseKarteiError(ErrorCode::IndexLimits, table);
    }
    TIndexDescriptor descriptor;
    descriptor.Name = std::string(indexName);
    descriptor.Descending = definition.Descending ? 1 : 0;
    descriptor.CaseInsensitive = definition.CaseInsensitive ? 1 : 0;
    descriptor.Unique = definition.Unique ? 1 : 0;
    descriptor.Compression = static_cast<uint8_t>(definition.Compression);
    descriptor.FieldCount = static_cast<uint8_t>(definition.Fields.size());
    size_t keyLength = definition.Unique ? 0 : kRecordIdSuffixSize;
    for (size_t k = 0; k < definition.Fields.size(); ++k) {
        const uint16_t number = definition.Fields[k].Number;
        if (number < 1 || number > fields.size()) {
            RaiseKarteiError(ErrorCode::InvalidIndexField, table, std::to_string(number), {}, indexName);
        }
        const TFieldDescriptor& field = fields[number - 1u];
        if (field.FieldType == FieldType::Blob) {
            RaiseKarteiError(ErrorCode::InvalidIndexFieldType, table, {}, {}, indexName);
        }
        if (!field.IsStored() && !field.IsAutoIncrement()) {
            RaiseKarteiError(ErrorCode::InvalidIndexField, table, std::to_string(number), {}, indexName);
        }
        descriptor.FieldNumbers[k] = number;
        descriptor.FieldDescending[k] = definition.Fields[k].Descending ? 1 : 0;
        keyLength += FieldDataWidth(field.FieldType, field.Size) + 1u;
    }
    // A key longer than a key buffer could not be built or compared.
    if (keyLength > kKeyBufferSize) {
        RaiseKarteiError(ErrorCode::InvalidKeySize, table, {}, {}, indexName);
    }
    descriptor.KeyLength = static_cast<uint16_t>(keyLength);
    return descriptor;
}

}  // namespace

int FindIndexSlot(const TIndexHeader& header, std::string_view name) {
    const int count = std::min<int>(header.SecondaryCount, kMaxSecondaryIndexes);
    for (int slot = 0; slot <= count; ++slot) {
        if (SameIndexName(header.Slots[slot].Name, name)) {
            return slot;
        }
    }
    return -1;
}

void DefinePrimaryIndex(TIndexFile& file, const TIndexDefinition& definition,
                        std::span<const TFieldDescriptor> fields) {
    if (file.Descriptor(kPrimaryIndexSlot).FieldCount > 0 || file.NoPrimaryKey()) {
        RaiseKarteiError(ErrorCode::PrimaryIndexExists, file.ErrorName());
    }
    if (definition.Fields.empty()) {
        file.SetNoPrimaryKey(true);
        return;
    }
    TIndexDefinition primary = definition;
    primary.Unique = true;
    file.SetDescriptor(kPrimaryIndexSlot, Describe(file, primary, {}, fields));
}

int AddSecondaryIndex(TIndexFile& file, const TIndexDefinition& definition,
                      std::span<const TFieldDescriptor> fields) {
    const std::string& table = file.ErrorName();
    const std::string_view name = TrimBlanks(definition.Name);
    if (name.empty()) {
        RaiseKarteiError(ErrorCode::IndexNameMissing, table);
    }
    if (!IsValidIndexNameStart(name) || name.size() > kIndexNameCapacity) {
        RaiseKarteiError(ErrorCode::InvalidIndexName, table, {}, {}, name);
    }
    if (FindIndexSlot(file.Header(), name) >= 0) {
        RaiseKarteiError(ErrorCode::IndexExists, table, {}, {}, name);
    }
    if (definition.Fields.empty() || file.SecondaryIndexCount() >= kMaxSecondaryIndexes) {
        RaiseKarteiError(ErrorCode::IndexLimits, table);
    }
    return file.AppendSecondaryDescriptor(Describe(file, definition, name, fields));
}

void DeleteSecondaryIndex(TIndexFile& file, std::string_view name) {
    const std::string_view trimmed = TrimBlanks(name);
    if (trimmed.empty()) {
        RaiseKarteiError(ErrorCode::PrimaryIndexRequired, file.ErrorName());
    }
    const int slot = FindIndexSlot(file.Header(), trimmed);
    if (slot < 1) {
        RaiseKarteiError(ErrorCode::InvalidIndexName, file.ErrorName(), {}, {}, trimmed);
    }
    file.RemoveSecondaryIndex(slot);
}

}  // namespace kartei
