#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/format/DataHeader.h"
#include "engine/format/FieldDescriptor.h"

namespace kartei {

// The field descriptors from the field count x 768 bytes that follow the header. The area is
// unscrambled in place when the table is encrypted. Data width and the copy of the decimal places are
// recomputed from type, declared size and decimal places, as the engine works with them; a descriptor
// whose value would not lie inside a record of the header's record size (or a record size below 9, or
// an area shorter than the field count needs) is engine error HeaderCorrupt for the table, so that no record
// access can leave the record.
std::vector<TFieldDescriptor> ReadFieldDescriptors(std::span<uint8_t> area, const TDataHeader& header,
                                                   std::string_view tableName);

// The descriptor area as written: field count x 768 bytes, scrambled when the table is encrypted.
std::vector<uint8_t> EncodeFieldDescriptors(std::span<const TFieldDescriptor> fields,
                                            const TDataHeader& header);

// The whole file of a new, empty table: header and descriptor area.
std::vector<uint8_t> NewDataFileImage(const TDataHeader& header, std::span<const TFieldDescriptor> fields);

}  // namespace kartei
