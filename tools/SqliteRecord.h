#pragma once

#include <cstdint>
#include <span>

#include "engine/files/EngineMemory.h"
#include "engine/table/DataTable.h"
#include "tools/SqliteDatabase.h"

namespace kartei::tools {

// Binds the field values of a table's records to an insert statement's parameters, one per field in table
// order, each in the form SqliteTypeOf gives it: null as NULL, text converted from Windows-1252 to UTF-8,
// dates and times as ISO 8601 text, booleans as 0 and 1, BCD whole values as integers and others as reals,
// and bytes as stored. Blob contents are read through the table.
class TSqliteRecordBinder {
public:
    explicit TSqliteRecordBinder(TDataTable& table);

    void Bind(std::span<const uint8_t> record, TSqliteStatement& insert);

private:
    void BindBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, int parameter,
                  TSqliteStatement& insert);

    TDataTable& table_;
    TEngineBuffer contents_;
};

}  // namespace kartei::tools
