#pragma once

#include <string_view>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "engine/format/HeaderLifecycle.h"
#include "engine/format/TableFileNames.h"
#include "engine/index/IndexDefinition.h"

namespace kartei {

// Everything a new table is made from.
struct TTableDefinition {
    // Name, type, subtype, declared size, decimal places, required flag, case rule and value texts of each
    // field; numbers, data widths and record offsets are laid out on creation.
    std::vector<TFieldDescriptor> Fields;
    // Without fields the table has no primary key: record-number order stands in for it.
    TIndexDefinition PrimaryIndex;
    std::vector<TIndexDefinition> SecondaryIndexes;
    // Locale, user version values, encryption and password, description, blob block size.
    TNewTableOptions Options;
};

// Creates the files of a new, empty table (replacing files of those names): the data file, the index file
// with the primary and the secondary indexes, and, when the table has blob fields, the blob file (a blob file
// of that name is deleted otherwise). Everything is checked before any file is touched; engine errors for
// `tableName`: InvalidPath for a blank name; InvalidFieldName for a field name that is not valid or repeats
// another; FieldLimits, InvalidFieldDefinition, BlobFieldLimits, RecordTooLarge for the fields
// (CreateDataHeader); LanguageDriverMissing for a locale that is not installed; InvalidPassword for a
// password longer than a table can store (15 characters); BlobFieldLimits for a blob block size without room
// for data; the errors of DefinePrimaryIndex and AddSecondaryIndex. A failure while writing deletes the files
// made so far.
void CreateTableFiles(const TTableFileNames& names, bool inMemory, const TTableDefinition& definition,
                      std::string_view tableName);

}  // namespace kartei
