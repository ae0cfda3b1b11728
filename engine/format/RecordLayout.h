#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "engine/format/Bytes.h"
#include "engine/format/FieldDescriptor.h"

namespace kartei {

// Every record slot begins with a status byte, a record number (live) or free-list link (deleted) and
// the record's auto-increment value; the stored fields follow from offset 9.
constexpr size_t kRecordStatusAt = 0;
constexpr size_t kRecordLinkAt = 1;
constexpr size_t kRecordAutoIncAt = 5;
constexpr size_t kRecordFieldsAt = 9;
constexpr uint8_t kRecordLive = 0;
constexpr uint8_t kRecordDeleted = 1;
constexpr uint32_t kMaxRecordSize = 65535;

// The record header fields. `record` is one record image of at least kRecordFieldsAt bytes.
inline uint8_t RecordStatus(std::span<const uint8_t> record) {
    return record[kRecordStatusAt];
}
inline void SetRecordStatus(std::span<uint8_t> record, uint8_t status) {
    record[kRecordStatusAt] = status;
}
// Live record: its own number. Deleted record: the next deleted record, 0 at the end of the free list.
inline int32_t RecordLink(std::span<const uint8_t> record) {
    return ReadI32(record.data() + kRecordLinkAt);
}
inline void SetRecordLink(std::span<uint8_t> record, int32_t link) {
    WriteI32(record.data() + kRecordLinkAt, link);
}
inline int32_t RecordAutoIncValue(std::span<const uint8_t> record) {
    return ReadI32(record.data() + kRecordAutoIncAt);
}
inline void SetRecordAutoIncValue(std::span<uint8_t> record, int32_t value) {
    WriteI32(record.data() + kRecordAutoIncAt, value);
}

// 9 plus null flag and value of every stored field, as the record size of the header. The sum is
// returned unclipped, so a caller can see when it exceeds kMaxRecordSize.
uint32_t ComputeRecordSize(std::span<const TFieldDescriptor> fields);

// Gives each field its number (its 1-based position), data width, copy of the decimal places and record
// offset: an auto-increment field lies at offset 5, each stored field directly after the previous one
// from offset 9, and a non-stored field takes no room (its offset is where the next field starts).
// A field that is not a valid definition raises engine error InvalidFieldDefinition for the field and table.
void LayOutFields(std::span<TFieldDescriptor> fields, std::string_view tableName);

// Type code, declared size and decimal places fit together and the minimum, maximum and default texts
// suit the type.
bool IsValidFieldDefinition(const TFieldDescriptor& field);

}  // namespace kartei
