#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexFile.h"
#include "engine/index/IndexFormat.h"
#include "engine/index/IndexHeader.h"

namespace kartei {

// One field of an index being defined.
struct TIndexField {
    // 1-based field number of the table.
    uint16_t Number = 0;
    bool Descending = false;
};

// An index as a table definition asks for it.
struct TIndexDefinition {
    // Empty for the primary index.
    std::string Name;
    std::vector<TIndexField> Fields;
    bool Descending = false;
    bool CaseInsensitive = false;
    // The primary index is always unique.
    bool Unique = false;
    TCompression Compression = TCompression::None;

    // An ascending index over these field numbers.
    static TIndexDefinition Over(std::string name, const std::vector<uint16_t>& fields, bool unique = false) {
        TIndexDefinition index;
        index.Name = std::move(name);
        for (const uint16_t number : fields) {
            index.Fields.push_back(TIndexField{number, false});
        }
        index.Unique = unique;
        return index;
    }
};

// The slot (0 to the number of secondary indexes) of the index with this name, compared trimmed and without
// regard to case; the empty name is the primary index. -1 when there is none.
int FindIndexSlot(const TIndexHeader& header, std::string_view name);

// Defines the primary index in slot 0; with no fields the table has no primary key and slot 0 stands for
// record-number order. Errors for the table: PrimaryIndexExists when a primary index is defined, IndexLimits
// for more than 16 fields, InvalidIndexField for a field number naming no stored field, InvalidIndexFieldType
// for a Blob field, InvalidKeySize for a key longer than 524 bytes.
void DefinePrimaryIndex(TIndexFile& file, const TIndexDefinition& definition,
                        std::span<const TFieldDescriptor> fields);

// Defines a secondary index in the next free slot and returns the slot; the index starts empty (the table
// enters its records). Errors for the table: IndexNameMissing for an empty name, InvalidIndexName for a name
// that does not begin with a letter, "_" or a byte 129 to 254 or is longer than 30 characters, IndexExists
// for a name in use, IndexLimits for no fields, more than 16 fields or 30 secondary indexes defined already,
// then the field errors of DefinePrimaryIndex.
int AddSecondaryIndex(TIndexFile& file, const TIndexDefinition& definition,
                      std::span<const TFieldDescriptor> fields);

// Deletes a secondary index; the indexes after it move down one slot. PrimaryIndexRequired for the primary
// index (the empty name), InvalidIndexName for a name no index has.
void DeleteSecondaryIndex(TIndexFile& file, std::string_view name);

}  // namespace kartei
