#include "engine/table/DataFileVerify.h"

#include "engine/errors/ErrorContext.h"
#include "engine/format/HeaderLifecycle.h"
#include "engine/format/RecordLayout.h"
#include "engine/locale/InstalledLocale.h"
#include "engine/locale/LocaleId.h"
#include "engine/table/FieldNames.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

bool NamesValid(const TDataHeader& header, std::span<const TFieldDescriptor> fields) {
    for (size_t k = 0; k < fields.size(); ++k) {
        if (!IsValidFieldName(fields[k].Name, header.LanguageId, header.SortId)) {
            return false;
        }
        for (size_t other = 0; other < k; ++other) {
            if (SameFieldName(fields[k].Name, fields[other].Name) ||
                fields[k].FieldNumber == fields[other].FieldNumber) {
                return false;
            }
        }
    }
    return true;
}

// Definitions, record offsets, field numbers and the record size they add up to.
bool LayoutValid(const TDataHeader& header, std::span<const TFieldDescriptor> fields) {
    uint32_t offset = kRecordFieldsAt;
    for (size_t k = 0; k < fields.size(); ++k) {
        const TFieldDescriptor& field = fields[k];
        if (!IsValidFieldDefinition(field)) {
            return false;
        }
        const uint32_t expected = field.IsAutoIncrement() ? kRecordAutoIncAt : offset;
        if (field.Offset != expected || field.FieldNumber != static_cast<int64_t>(k) + 1) {
            return false;
        }
        if (field.IsStored()) {
            offset += 1u + field.DataWidth;
        }
    }
    return header.RecordSize == offset;
}

bool LengthValid(const TDataHeader& header, int64_t fileLength) {
    const int64_t records = fileLength - header.DataStart();
    if (records < 0 || records % header.RecordSize != 0) {
        return false;
    }
    return records / header.RecordSize + 1 == header.NextRecordNumber;
}

}  // namespace

void VerifyDataFile(const TDataHeader& header, std::span<const TFieldDescriptor> fields, int64_t fileLength,
                    std::string_view tableName) {
    CheckDataFileVersion(header, tableName);
    if (header.LanguageId != 0 && !IsLocaleInstalled(MakeLocaleId(header.LanguageId, header.SortId))) {
        RaiseKarteiError(ErrorCode::LanguageDriverMissing, tableName);
    }
    // The data file refuses record sizes below 9 when it opens, so no division below is by zero.
    if (!NamesValid(header, fields) || !LayoutValid(header, fields) || !LengthValid(header, fileLength)) {
        RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
    }
}

}  // namespace kartei
