#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/DateTime.h"
#include "kartei/Field.h"

namespace kartei {

// Reading and writing field values on a record image. `record` is the whole record (record size bytes)
// and `field` one of the table's descriptors, laid out for that record size. A stored field is a null
// flag (1 = has a value) followed by the value; a null field's value bytes are zero. An auto-increment
// field reads and writes the record's auto-increment value (bytes 5..8) and is never null. A non-stored
// field has no bytes: it reads as null and writes are ignored. Each typed accessor expects a field of
// its type; one whose data width is too small for the type reads as 0 and is not written.

// Reference to a blob in the blob file, as a Blob field stores it.
struct TBlobReference {
    int32_t Offset = 0;  // file offset of the blob's first block, 0 = no contents
    int32_t BlobId = 0;
};

// The value bytes of the field (data width bytes, without the null flag); empty for a non-stored field.
// Bytes, VarBytes, types 13 and 14 and every other code are read this way, as they are.
std::span<const uint8_t> FieldValueBytes(std::span<const uint8_t> record, const TFieldDescriptor& field);

bool IsFieldNull(std::span<const uint8_t> record, const TFieldDescriptor& field);
// Null flag 0 and value bytes zero; nothing for an auto-increment field.
void SetFieldNull(std::span<uint8_t> record, const TFieldDescriptor& field);

// String: the characters before the terminating zero.
std::string_view GetStringField(std::span<const uint8_t> record, const TFieldDescriptor& field);
// Takes the first declared size + 1 characters, drops trailing blanks, cuts to the declared size and
// applies the field's case rule in the table's locale. Nothing left means null.
void SetStringField(std::span<uint8_t> record, const TFieldDescriptor& field, std::string_view text,
                    uint16_t languageId, uint16_t sortId);

TDayNumber GetDateField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetDateField(std::span<uint8_t> record, const TFieldDescriptor& field, TDayNumber day);

TBlobReference GetBlobField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetBlobField(std::span<uint8_t> record, const TFieldDescriptor& field, TBlobReference reference);

// Boolean: any non-zero value is stored as 1.
bool GetBooleanField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetBooleanField(std::span<uint8_t> record, const TFieldDescriptor& field, int32_t value);

int16_t GetSmallIntField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetSmallIntField(std::span<uint8_t> record, const TFieldDescriptor& field, int16_t value);

// Integer, auto-increment included.
int32_t GetIntegerField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetIntegerField(std::span<uint8_t> record, const TFieldDescriptor& field, int32_t value);

double GetFloatField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetFloatField(std::span<uint8_t> record, const TFieldDescriptor& field, double value);

// BCD: the value times 10000. Setting rounds to the field's decimal places.
int64_t GetBcdField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetBcdField(std::span<uint8_t> record, const TFieldDescriptor& field, int64_t scaledValue);

TTimeOfDay GetTimeField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetTimeField(std::span<uint8_t> record, const TFieldDescriptor& field, TTimeOfDay time);

TTimeStamp GetDateTimeField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetDateTimeField(std::span<uint8_t> record, const TFieldDescriptor& field, TTimeStamp stamp);

uint16_t GetWordField(std::span<const uint8_t> record, const TFieldDescriptor& field);
void SetWordField(std::span<uint8_t> record, const TFieldDescriptor& field, uint16_t value);

// Bytes, VarBytes, types 13 and 14 and every other code: copies at most the data width and zero-fills the
// rest; the field then has a value.
void SetRawField(std::span<uint8_t> record, const TFieldDescriptor& field, std::span<const uint8_t> bytes);

// A BCD value as a TFieldValue holds it: the value times 10000.
struct TBcdValue {
    int64_t Scaled = 0;
    friend bool operator==(TBcdValue, TBcdValue) = default;
};

// One field's value in the kind its type stores: null; text (cp1252) for String; a whole number for
// SmallInt, Integer (auto-increment too) and Word; a double for Float; a BCD value; a boolean; a date, a
// time or a date-time; bytes for Bytes, VarBytes and every raw type. Blob contents have none.
using TFieldValue = std::variant<std::monostate, std::string, int64_t, double, TBcdValue, bool, TDayNumber,
                                 TTimeOfDay, TTimeStamp, std::vector<uint8_t>>;

// Writes a value with the typed accessor of the field's type (null: SetFieldNull; a Blob field is left
// alone). The value must be of the type's kind (else std::bad_variant_access). Strings follow the table's
// locale for their case rule.
void SetFieldValue(std::span<uint8_t> record, const TFieldDescriptor& field, const TFieldValue& value,
                   uint16_t languageId, uint16_t sortId);

// The image a new record starts from when it copies another: the same field values, with the status,
// record number and auto-increment value left to the new record.
void CopyFieldValues(std::span<const uint8_t> from, std::span<uint8_t> to);

}  // namespace kartei
