#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/format/DataHeader.h"
#include "engine/format/FieldDescriptor.h"

namespace kartei {

// What a new table's header is made from, besides its fields.
struct TNewTableOptions {
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    int16_t UserVersion1 = 0;
    int16_t UserVersion2 = 0;
    bool Encrypted = false;
    std::string Password;     // kept only for an encrypted table; cut to 15 characters
    std::string Description;  // cut to 50 characters
    uint32_t BlobBlockSize = 0;
};

// The header of a new, empty table (engine-version field 21100, change count 0). Lays out `fields` in place
// (LayOutFields) and counts them into the header. Engine errors for `tableName`: FieldLimits for more than
// 1024 fields, InvalidFieldDefinition for an invalid field definition, BlobFieldLimits for more than 64 blob
// fields, RecordTooLarge for a record size above 65535.
TDataHeader CreateDataHeader(const TNewTableOptions& options, std::span<TFieldDescriptor> fields,
                             std::string_view tableName);

// Readies the header for writing: change count + 1, engine version 21100, last-update stamp
// `localNow` - 693594 (`localNow` as CurrentLocalDateTime gives it), pending-changes byte 1 when the
// write is due to a change, else 0.
void PrepareHeaderWrite(TDataHeader& header, bool changed, double localNow);

// The header of an emptied table; the file is cut at header.DataStart().
void EmptyDataHeader(TDataHeader& header);

// The header as read when a table is opened: more than 1024 fields is engine error HeaderCorrupt for the
// table.
TDataHeader ReadDataHeader(std::span<const uint8_t, kDataHeaderSize> bytes, std::string_view tableName);

// Verification of the format version byte: anything but 4 is engine error WrongVersion for the table.
void CheckDataFileVersion(const TDataHeader& header, std::string_view tableName);

}  // namespace kartei
