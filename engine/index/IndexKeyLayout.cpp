#include "engine/index/IndexKeyLayout.h"

#include "engine/errors/ErrorContext.h"
#include "engine/format/FieldWidths.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Field.h"

namespace kartei {

TKeyLayout MakeKeyLayout(const TIndexDescriptor& descriptor, int slot,
                         std::span<const TFieldDescriptor> fields, const TKeyLocale& locale,
                         std::string_view tableName) {
    TKeyLayout layout;
    layout.Locale = locale;
    layout.Descending = descriptor.Descending != 0;
    layout.CaseInsensitive = descriptor.CaseInsensitive != 0;
    layout.Unique = descriptor.Unique != 0;
    if (slot == kDeletedIndexSlot) {
        layout.DeletedRecordIndex = true;
        layout.Unique = true;
    } else {
        if (descriptor.FieldCount > kMaxKeyFields) {
            RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
        }
        for (size_t k = 0; k < descriptor.FieldCount; ++k) {
            const uint16_t number = descriptor.FieldNumbers[k];
            if (number < 1 || number > fields.size()) {
                RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
            }
            const TFieldDescriptor& field = fields[number - 1u];
            if (field.FieldType == FieldType::Blob || (!field.IsStored() && !field.IsAutoIncrement())) {
                RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
            }
            TKeyField& keyField = layout.Fields[k];
            keyField.Type = field.FieldType;
            keyField.DataWidth = FieldDataWidth(field.FieldType, field.Size);
            keyField.RecordOffset = field.Offset;
            keyField.AutoIncrement = field.IsAutoIncrement();
            keyField.Descending = descriptor.FieldDescending[k] != 0;
        }
        layout.FieldCount = descriptor.FieldCount;
    }
    const size_t keyLength = KeyLengthOf(layout);
    if (keyLength != descriptor.KeyLength || keyLength > kKeyBufferSize) {
        RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
    }
    layout.KeyLength = static_cast<uint16_t>(keyLength);
    layout.BytesOrder = OrderedByBytes(layout);
    return layout;
}

}  // namespace kartei
