#include "engine/format/HeaderLifecycle.h"

#include "base/DateTime.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/RecordLayout.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

TDataHeader CreateDataHeader(const TNewTableOptions& options, std::span<TFieldDescriptor> fields,
                             std::string_view tableName) {
    // A table with more fields could be written but never opened again.
    if (fields.size() > kMaxFieldCount) {
        RaiseKarteiError(ErrorCode::FieldLimits, tableName);
    }
    LayOutFields(fields, tableName);

    TDataHeader header;
    header.LanguageId = options.LanguageId;
    header.SortId = options.SortId;
    header.UserVersion1 = options.UserVersion1;
    header.UserVersion2 = options.UserVersion2;
    header.Encrypted = options.Encrypted ? 1 : 0;
    header.Password = options.Encrypted ? options.Password.substr(0, kTablePasswordCapacity) : std::string();
    header.Description = options.Description.substr(0, kTableDescriptionCapacity);
    header.FieldCount = static_cast<uint16_t>(fields.size());
    header.BlobBlockSize = options.BlobBlockSize;
    for (const TFieldDescriptor& field : fields) {
        if (field.FieldType == FieldType::Blob) {
            if (header.BlobFieldCount == kMaxBlobFieldCount) {
                RaiseKarteiError(ErrorCode::BlobFieldLimits, tableName);
            }
            ++header.BlobFieldCount;
        }
    }
    header.Version = kDataFormatVersion;
    header.FreeListHead = 0;
    header.NextRecordNumber = 1;
    header.LastAutoIncValue = 0;
    const uint32_t recordSize = ComputeRecordSize(fields);
    if (recordSize > kMaxRecordSize) {
        RaiseKarteiError(ErrorCode::RecordTooLarge, tableName);
    }
    header.RecordSize = static_cast<uint16_t>(recordSize);
    header.ChangeCount = 0;
    // The new file is written without a header write, yet must not look like an old-engine file whose
    // descriptor area is unscrambled differently.
    header.EngineVersion = kEngineVersionStamp;
    return header;
}

void PrepareHeaderWrite(TDataHeader& header, bool changed, double localNow) {
    header.ChangeCount = static_cast<int32_t>(static_cast<uint32_t>(header.ChangeCount) + 1u);
    header.EngineVersion = kEngineVersionStamp;
    header.LastUpdate = localNow - kDayNumberOf18991230;
    header.PendingChanges = changed ? 1 : 0;
}

void EmptyDataHeader(TDataHeader& header) {
    header.ChangeCount = 0;
    header.FreeListHead = 0;
    header.NextRecordNumber = 1;
    header.LastAutoIncValue = 0;
}

TDataHeader ReadDataHeader(std::span<const uint8_t, kDataHeaderSize> bytes, std::string_view tableName) {
    TDataHeader header = TDataHeader::Decode(bytes);
    if (header.FieldCount > kMaxFieldCount) {
        RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
    }
    return header;
}

void CheckDataFileVersion(const TDataHeader& header, std::string_view tableName) {
    if (header.Version != kDataFormatVersion) {
        RaiseKarteiError(ErrorCode::WrongVersion, tableName);
    }
}

}  // namespace kartei
