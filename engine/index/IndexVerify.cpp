#include "engine/index/IndexVerify.h"

#include "engine/errors/ErrorContext.h"
#include "engine/format/FieldWidths.h"
#include "engine/index/IndexFormat.h"
#include "engine/index/IndexNames.h"
#include "engine/keys/KeyLayout.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Field.h"

namespace kartei {
namespace {

// The fields of a descriptor name stored, non-Blob fields, and give its key length.
bool FieldsValid(const TIndexDescriptor& descriptor, std::span<const TFieldDescriptor> fields,
                 bool mayBeEmpty) {
    if (descriptor.FieldCount > kMaxKeyFields || (descriptor.FieldCount == 0 && !mayBeEmpty)) {
        return false;
    }
    size_t images = 0;
    for (size_t k = 0; k < descriptor.FieldCount; ++k) {
        const uint16_t number = descriptor.FieldNumbers[k];
        if (number < 1 || number > fields.size()) {
            return false;
        }
        const TFieldDescriptor& field = fields[number - 1u];
        if (field.FieldType == FieldType::Blob || (!field.IsStored() && !field.IsAutoIncrement())) {
            return false;
        }
        images += FieldDataWidth(field.FieldType, field.Size) + 1u;
    }
    if (descriptor.FieldCount == 0) {
        return descriptor.KeyLength == 0;
    }
    const size_t keyLength = images + (descriptor.Unique != 0 ? 0 : kRecordIdSuffixSize);
    return keyLength == descriptor.KeyLength && keyLength <= kKeyBufferSize;
}

bool PageLinkValid(uint32_t offset, uint32_t endOffset) {
    if (endOffset <= kIndexHeaderSize) {
        return offset == 0;
    }
    return offset == 0 || (offset >= kIndexHeaderSize && offset <= endOffset - kIndexPageSize);
}

}  // namespace

void VerifyIndexHeader(const TIndexHeader& header, std::span<const TFieldDescriptor> fields,
                       std::string_view tableName) {
    if (header.Version != kIndexFormatVersion) {
        RaiseKarteiError(ErrorCode::WrongVersion, tableName);
    }
    const auto corrupt = [&] { RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName); };
    const TIndexDescriptor& primary = header.Slots[kPrimaryIndexSlot];
    const bool noPrimaryKey = header.NoPrimaryKey != 0;
    if (header.SecondaryCount > kMaxSecondaryIndexes || !primary.Name.empty() ||
        (!noPrimaryKey && primary.Unique == 0) || !FieldsValid(primary, fields, noPrimaryKey)) {
        corrupt();
    }
    for (int slot = 1; slot <= header.SecondaryCount; ++slot) {
        const std::string& name = header.Slots[slot].Name;
        if (!IsValidIndexNameStart(TrimBlanks(name)) || !FieldsValid(header.Slots[slot], fields, false)) {
            corrupt();
        }
        for (int other = 1; other < slot; ++other) {
            if (SameIndexName(name, header.Slots[other].Name)) {
                corrupt();
            }
        }
    }
    const TIndexDescriptor& deleted = header.Slots[kDeletedIndexSlot];
    if (deleted.KeyLength != kDeletedRecordKeyLength || deleted.FieldCount != 0) {
        corrupt();
    }
    for (const TIndexDescriptor& descriptor : header.Slots) {
        if (!PageLinkValid(descriptor.RootPage, header.EndOffset) ||
            !PageLinkValid(descriptor.FreePageHead, header.EndOffset)) {
            corrupt();
        }
    }
}

}  // namespace kartei
