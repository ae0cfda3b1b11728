#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/format/FieldDescriptor.h"

namespace kartei::tools::model {

// One field value as the model holds it. Strings hold their characters (no zero byte, no trailing blank),
// Bytes fields exactly their declared size; Integer and SmallInt fields a number. An auto-increment field
// has no value of its own: it is the record's identifier.
struct TModelValue {
    bool Null = true;
    std::string Bytes;
    int32_t Number = 0;

    bool operator==(const TModelValue&) const = default;
};

// A live record of the model: its identifier (the auto-increment value the engine gave it), the record
// number it lives in, one value per field, and the image the engine must hold for it.
struct TModelRecord {
    int32_t Id = 0;
    int32_t RecordNumber = 0;
    std::vector<TModelValue> Values;
    std::vector<uint8_t> Image;

    bool operator==(const TModelRecord&) const = default;
};

// The record image of these values: status live, the record number and identifier in bytes 1..8, each
// field's null flag and value.
std::vector<uint8_t> MakeImage(std::span<const TFieldDescriptor> fields, uint16_t recordSize,
                               const TModelRecord& record);

// Fills Image from the other members.
void UpdateImage(std::span<const TFieldDescriptor> fields, uint16_t recordSize, TModelRecord& record);

// The record an engine image holds, read field by field.
TModelRecord ReadImage(std::span<const TFieldDescriptor> fields, std::span<const uint8_t> image);

// "#7 id 12 {name='Bonn', code=NULL, raw=41 42 00 00}": readable in a failure report. Long runs of one
// character are shortened ("x*200").
std::string Describe(std::span<const TFieldDescriptor> fields, const TModelRecord& record);

}  // namespace kartei::tools::model
