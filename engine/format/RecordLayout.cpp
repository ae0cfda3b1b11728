#include "engine/format/RecordLayout.h"

#include "engine/errors/ErrorContext.h"
#include "engine/format/FieldWidths.h"
#include "engine/format/ValueTextCheck.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

uint32_t ComputeRecordSize(std::span<const TFieldDescriptor> fields) {
    uint32_t size = kRecordFieldsAt;
    for (const TFieldDescriptor& field : fields) {
        if (field.IsStored()) {
            size += 1u + field.DataWidth;
        }
    }
    return size;
}

void LayOutFields(std::span<TFieldDescriptor> fields, std::string_view tableName) {
    uint32_t offset = kRecordFieldsAt;
    int16_t number = 0;
    for (TFieldDescriptor& field : fields) {
        if (!IsValidFieldDefinition(field)) {
            RaiseKarteiError(ErrorCode::InvalidFieldDefinition, tableName, field.Name);
        }
        field.FieldNumber = ++number;
        field.DataWidth = static_cast<uint8_t>(FieldDataWidth(field.FieldType, field.Size));
        field.DecimalsCopy = field.Decimals;
        // Offsets past 65535 only occur in records too large to create; the caller rejects those.
        field.Offset = static_cast<uint16_t>(field.IsAutoIncrement() ? kRecordAutoIncAt : offset);
        if (field.IsStored()) {
            offset += 1u + field.DataWidth;
        }
    }
}

bool IsValidFieldDefinition(const TFieldDescriptor& field) {
    if (field.FieldType == 0) {
        return false;
    }
    if (HasDeclaredSize(field.FieldType) ? field.Size > kMaxDeclaredSize : field.Size != 0) {
        return false;
    }
    if (field.Decimals != 0 && field.FieldType != FieldType::Bcd) {
        return false;
    }
    return IsValidValueText(field.FieldType, field.MinValue) &&
           IsValidValueText(field.FieldType, field.MaxValue) &&
           IsValidValueText(field.FieldType, field.DefaultValue);
}

}  // namespace kartei
